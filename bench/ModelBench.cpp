// Benchmarks of the model readers: CMDL::Open (reading, node matrices and
// material merging; no textures, no GL) of a binary model and of an ASCII
// model of the same geometry, 50,000 faces in 20 meshes with 20 materials.
// Reports the time and the memory the opened model holds.
//
// Environment:
//   QUORLIN_BENCH_DIR    folder for the data (default /dev/shm/quorlin-model-bench-<pid>);
//                        created, and removed at the end
//   QUORLIN_BENCH_KEEP   when 1, the data is kept at the end

#include "BenchSupport.h"

#include "model/UCMDL.h"

#include "testdata/ByteBuilder.h"
#include "testdata/MdlBuilder.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <malloc.h>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int kMeshes = 20;                 // one material each
constexpr int kColumns = 50, kRows = 25;    // quads per mesh: two faces each
constexpr int kFacesPerMesh = 2 * kColumns * kRows;
constexpr int kFaces = kMeshes * kFacesPerMesh; // 50,000
constexpr int kVerticesPerMesh = (kColumns + 1) * (kRows + 1);

struct ModelData {
    fs::path Binary;
    fs::path Ascii;
};

ModelData g_data;

std::string TextureName(int mesh)
{
    return "bench_tex_" + std::to_string(mesh);
}

// A grid of quads in the plane z = mesh, each quad two faces.
testdata::MdlNode GridMesh(int mesh)
{
    testdata::MdlNode node;
    node.Kind = testdata::mdlkind::Trimesh;
    node.Name = "mesh" + std::to_string(mesh);
    node.Texture = TextureName(mesh);
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

std::string BinaryModel()
{
    testdata::MdlBuilder model;
    model.Name = "bench";
    model.SuperModel = "NULL";
    testdata::MdlNode root;
    root.Name = "bench";
    const int top = model.Add(root);
    for (int mesh = 0; mesh < kMeshes; ++mesh)
        model.Add(GridMesh(mesh), top);
    return model.Build();
}

std::string AsciiModel()
{
    std::string text = "newmodel bench\r\nsetsupermodel bench NULL\r\nbeginmodelgeom bench\r\n"
                       "node dummy bench\r\n  parent NULL\r\nendnode\r\n";
    char line[96];
    for (int mesh = 0; mesh < kMeshes; ++mesh) {
        text += "node trimesh mesh" + std::to_string(mesh) + "\r\n  parent bench\r\n  position 0 0 " +
                std::to_string(mesh) + "\r\n  orientation 0 0 0 0\r\n  bitmap " + TextureName(mesh) + "\r\n";
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

void OpenModel(benchmark::State &state, const fs::path &path)
{
    std::unique_ptr<CMDL> model;
    for (auto _ : state) {
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
        model = std::make_unique<CMDL>();
        model->Open(path.string());
    }
    std::size_t faces = 0;
    for (const TNode &node : model->Nodes)
        if (const TMesh *mesh = node.Mesh())
            faces += mesh->Faces.size();
    if (faces != std::size_t(kFaces) || model->Materials.size() != std::size_t(kMeshes))
        state.SkipWithError("the model was not read whole");
    model.reset();
    malloc_trim(0);
    const double before = CurrentMemoryMB();
    {
        CMDL measured;
        measured.Open(path.string());
        malloc_trim(0); // what reading needed for a while is given back
        state.counters["model_MB"] = CurrentMemoryMB() - before;
    }
    const auto bytes = fs::file_size(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["file_MB"] = static_cast<double>(bytes) / 1e6;
    state.counters["faces"] = kFaces;
}

void BinaryOpen(benchmark::State &state)
{
    OpenModel(state, g_data.Binary);
}

void AsciiOpen(benchmark::State &state)
{
    OpenModel(state, g_data.Ascii);
}

} // namespace

int main(int argc, char **argv)
{
    return RunBenchmarksOnData(argc, argv, "quorlin-model-bench", [](const fs::path &root) {
        g_data.Binary = root / "bench_bin.mdl";
        g_data.Ascii = root / "bench_ascii.mdl";
        testdata::WriteFile(g_data.Binary, BinaryModel());
        testdata::WriteFile(g_data.Ascii, AsciiModel());
        std::fprintf(stderr, "binary model: %ju bytes; ASCII model: %ju bytes; %d faces, %d materials each\n",
                     static_cast<std::uintmax_t>(fs::file_size(g_data.Binary)),
                     static_cast<std::uintmax_t>(fs::file_size(g_data.Ascii)), kFaces, kMeshes);
        using benchmark::kMillisecond;
        benchmark::RegisterBenchmark("MDL binary, 50,000 faces, 20 materials (CMDL::Open)", BinaryOpen)
            ->Unit(kMillisecond);
        benchmark::RegisterBenchmark("MDL ASCII, 50,000 faces, 20 materials (CMDL::Open)", AsciiOpen)
            ->Unit(kMillisecond);
    });
}
