#include "BenchModels.h"

#include "testdata/MdlBuilder.h"

#include <cstdio>

std::string BenchTextureName(int mesh)
{
    return "bench_tex_" + std::to_string(mesh);
}

namespace {

constexpr int kColumns = 50, kRows = 25; // quads per mesh: two faces each
constexpr int kFacesPerMesh = 2 * kColumns * kRows;
static_assert(kBenchModelMeshes * kFacesPerMesh == kBenchModelFaces);
constexpr int kVerticesPerMesh = (kColumns + 1) * (kRows + 1);

// A grid of quads in the plane z = mesh, each quad two faces.
testdata::MdlNode GridMesh(int mesh)
{
    testdata::MdlNode node;
    node.Kind = testdata::mdlkind::Trimesh;
    node.Name = "mesh" + std::to_string(mesh);
    node.Texture = BenchTextureName(mesh);
    node.Controllers = testdata::MdlBuilder::Placement({0, 0, float(mesh)}, {0, 0, 0, 1});
    for (int y = 0; y <= kRows; ++y)
        for (int x = 0; x <= kColumns; ++x) {
            node.Vertices.push_back({float(x), float(y), 0});
            node.TexCoords.push_back({float(x) / kColumns, float(y) / kRows});
        }
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kColumns; ++x) {
            const auto corner = std::uint16_t(y * (kColumns + 1) + x);
            const auto above = std::uint16_t(corner + kColumns + 1);
            node.Faces.push_back({corner, std::uint16_t(corner + 1), std::uint16_t(above + 1)});
            node.Faces.push_back({corner, std::uint16_t(above + 1), above});
        }
    return node;
}

} // namespace

std::string BenchBinaryModel()
{
    testdata::MdlBuilder model;
    model.Name = "bench";
    model.SuperModel = "NULL";
    testdata::MdlNode root;
    root.Name = "bench";
    const int top = model.Add(root);
    for (int mesh = 0; mesh < kBenchModelMeshes; ++mesh)
        model.Add(GridMesh(mesh), top);
    return model.Build();
}

std::string BenchAsciiModel()
{
    std::string text = "newmodel bench\r\nsetsupermodel bench NULL\r\nbeginmodelgeom bench\r\n"
                       "node dummy bench\r\n  parent NULL\r\nendnode\r\n";
    char line[96];
    for (int mesh = 0; mesh < kBenchModelMeshes; ++mesh) {
        text += "node trimesh mesh" + std::to_string(mesh) + "\r\n  parent bench\r\n  position 0 0 " +
                std::to_string(mesh) + "\r\n  orientation 0 0 0 0\r\n  bitmap " + BenchTextureName(mesh) + "\r\n";
        text += "  verts " + std::to_string(kVerticesPerMesh) + "\r\n";
        for (int y = 0; y <= kRows; ++y)
            for (int x = 0; x <= kColumns; ++x)
                text.append(line, std::size_t(std::snprintf(line, sizeof line, "    %d %d 0\r\n", x, y)));
        text += "  tverts " + std::to_string(kVerticesPerMesh) + "\r\n";
        for (int y = 0; y <= kRows; ++y)
            for (int x = 0; x <= kColumns; ++x)
                text.append(line, std::size_t(std::snprintf(line, sizeof line, "    %.6f %.6f 0\r\n",
                                                             double(x) / kColumns, double(y) / kRows)));
        text += "  faces " + std::to_string(kFacesPerMesh) + "\r\n";
        for (int y = 0; y < kRows; ++y)
            for (int x = 0; x < kColumns; ++x) {
                const int corner = y * (kColumns + 1) + x, above = corner + kColumns + 1;
                text.append(line, std::size_t(std::snprintf(line, sizeof line, "    %d %d %d 1 %d %d %d 0\r\n", corner,
                                                             corner + 1, above + 1, corner, corner + 1, above + 1)));
                text.append(line, std::size_t(std::snprintf(line, sizeof line, "    %d %d %d 1 %d %d %d 0\r\n", corner,
                                                             above + 1, above, corner, above + 1, above)));
            }
        text += "endnode\r\n";
    }
    return text + "endmodelgeom bench\r\ndonemodel bench\r\n";
}
