#include "DemoModels.h"

#include "testdata/ByteBuilder.h"
#include "testdata/MdlBuilder.h"

#include <array>
#include <bit>
#include <cstdio>
#include <vector>

namespace demo {

namespace {

using Vector = std::array<float, 3>;
namespace kind = testdata::mdlkind;

// A box as four corners per side, so that every side carries the whole
// texture; faces wind counter-clockwise seen from outside.
struct Box {
    std::vector<Vector> Corners;
    std::vector<std::array<float, 2>> Uvs; // one per corner
    std::vector<std::array<std::uint16_t, 3>> Faces;
};

Box MakeBox(Vector half)
{
    // Per side: the two axes along it, u × v pointing outwards; on the four
    // upright sides v runs up, so that a picture stands upright on each.
    const std::array<std::array<Vector, 2>, 6> sides = {{
        {{{0, 1, 0}, {0, 0, 1}}}, {{{0, -1, 0}, {0, 0, 1}}}, // +X, -X
        {{{-1, 0, 0}, {0, 0, 1}}}, {{{1, 0, 0}, {0, 0, 1}}}, // +Y, -Y
        {{{1, 0, 0}, {0, 1, 0}}}, {{{0, 1, 0}, {1, 0, 0}}},  // +Z, -Z
    }};
    Box box;
    for (const auto &[u, v] : sides) {
        const Vector n = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        const auto first = static_cast<std::uint16_t>(box.Corners.size());
        const float signs[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
        for (const auto &s : signs) {
            Vector corner;
            for (int i = 0; i < 3; ++i)
                corner[i] = (n[i] + s[0] * u[i] + s[1] * v[i]) * half[i];
            box.Corners.push_back(corner);
            box.Uvs.push_back({(s[0] + 1) / 2, (s[1] + 1) / 2});
        }
        box.Faces.push_back({first, std::uint16_t(first + 1), std::uint16_t(first + 2)});
        box.Faces.push_back({first, std::uint16_t(first + 2), std::uint16_t(first + 3)});
    }
    return box;
}

testdata::MdlNode BoxMesh(const std::string &name, const std::string &texture, Vector half)
{
    const Box box = MakeBox(half);
    testdata::MdlNode node;
    node.Kind = kind::Trimesh;
    node.Name = name;
    node.Texture = texture;
    node.Ambient = node.Diffuse = {1, 1, 1};
    node.Shininess = 26;
    node.Vertices = box.Corners;
    node.TexCoords = box.Uvs;
    node.Faces = box.Faces;
    return node;
}

testdata::MdlNode Dummy(const std::string &name)
{
    testdata::MdlNode node;
    node.Name = name;
    return node;
}

constexpr std::array<float, 4> kNoTurn = {0, 0, 0, 1};

// The verts, tverts and faces lines of a box, as ASCII models write them.
std::string BoxText(Vector half)
{
    const Box box = MakeBox(half);
    char line[96];
    std::string text = "  verts " + std::to_string(box.Corners.size()) + "\r\n";
    for (const Vector &c : box.Corners)
        text.append(line, std::size_t(std::snprintf(line, sizeof line, "    %g %g %g\r\n", c[0], c[1], c[2])));
    text += "  tverts " + std::to_string(box.Uvs.size()) + "\r\n";
    for (const auto &uv : box.Uvs)
        text.append(line, std::size_t(std::snprintf(line, sizeof line, "    %g %g 0\r\n", uv[0], uv[1])));
    text += "  faces " + std::to_string(box.Faces.size()) + "\r\n";
    for (std::size_t f = 0; f < box.Faces.size(); ++f) {
        const auto &v = box.Faces[f];
        text.append(line, std::size_t(std::snprintf(line, sizeof line, "    %d %d %d %zu %d %d %d 0\r\n", v[0], v[1],
                                                    v[2], f / 2 + 1, v[0], v[1], v[2])));
    }
    return text;
}

} // namespace

std::string CrateModel()
{
    testdata::MdlBuilder model;
    model.Name = "demo_crate";
    model.SuperModel = "NULL";
    const int root = model.Add(Dummy("demo_crate"));
    testdata::MdlNode crate = BoxMesh("crate", "demo_stone", {0.5f, 0.5f, 0.5f});
    crate.Controllers = testdata::MdlBuilder::Placement({0, 0, 0.5f}, kNoTurn);
    model.Add(crate, root);
    return model.Build();
}

std::string ChestModel()
{
    testdata::MdlBuilder model;
    model.Name = "demo_chest";
    model.SuperModel = "NULL";
    const int root = model.Add(Dummy("demo_chest"));
    testdata::MdlNode body = BoxMesh("body", "demo_wood", {0.6f, 0.4f, 0.35f});
    body.Controllers = testdata::MdlBuilder::Placement({0, 0, 0.35f}, kNoTurn);
    const int chest = model.Add(body, root);
    // The rune stands just before the side the model view first shows (+Y),
    // upright, facing out.
    testdata::MdlNode rune;
    rune.Kind = kind::Trimesh;
    rune.Name = "rune";
    rune.Texture = "demo_rune";
    rune.Ambient = rune.Diffuse = {1, 1, 1};
    rune.Controllers = testdata::MdlBuilder::Placement({0, 0.41f, 0}, kNoTurn);
    rune.Vertices = {{0.25f, 0, -0.25f}, {-0.25f, 0, -0.25f}, {-0.25f, 0, 0.25f}, {0.25f, 0, 0.25f}};
    rune.TexCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    rune.Faces = {{0, 1, 2}, {0, 2, 3}};
    model.Add(rune, chest);
    return model.Build();
}

std::string RigModel()
{
    testdata::MdlBuilder model;
    model.Name = "demo_rig";
    model.SuperModel = "NULL";
    const int root = model.Add(Dummy("demo_rig"));

    // The torso stands 1 up, turned a quarter about Z.
    testdata::MdlNode torsoNode = Dummy("torso");
    torsoNode.Controllers = testdata::MdlBuilder::Placement({0, 0, 1}, {0, 0, 0.7071068f, 0.7071068f});
    const int torso = model.Add(torsoNode, root);
    model.Add(BoxMesh("chest", "demo_stone", {0.25f, 0.15f, 0.3f}), torso);

    // A cloak of 3 x 3 vertices hanging behind it, held at its top row.
    testdata::MdlNode cloak;
    cloak.Kind = kind::Danglymesh;
    cloak.Name = "cloak";
    cloak.Texture = "demo_plt";
    cloak.Ambient = cloak.Diffuse = {1, 1, 1};
    cloak.Controllers = testdata::MdlBuilder::Placement({0, -0.2f, 0.3f}, kNoTurn);
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            cloak.Vertices.push_back({0.25f * float(column - 1), 0, -0.4f * float(row)});
            cloak.TexCoords.push_back({0.5f * float(column), 1 - 0.5f * float(row)});
            cloak.Constraints.push_back(row == 0 ? 0.0f : 127.5f * float(row));
        }
    for (std::uint16_t row = 0; row < 2; ++row)
        for (std::uint16_t column = 0; column < 2; ++column) {
            const auto corner = std::uint16_t(row * 3 + column), below = std::uint16_t(corner + 3);
            cloak.Faces.push_back({corner, below, std::uint16_t(below + 1)});
            cloak.Faces.push_back({corner, std::uint16_t(below + 1), std::uint16_t(corner + 1)});
        }
    model.Add(cloak, torso);

    // Sparks rising from the torso's shoulder.
    testdata::MdlNode sparks;
    sparks.Kind = kind::Emitter;
    sparks.Name = "sparks";
    sparks.Texture = "demo_stone";
    sparks.Update = "Fountain";
    sparks.Render = "Normal";
    sparks.Blend = "Lighten";
    sparks.XGrid = sparks.YGrid = 1;
    sparks.Controllers = testdata::MdlBuilder::Placement({0.3f, 0, 0.4f}, kNoTurn);
    for (int value = 9; value < 66; ++value)
        sparks.Controllers.push_back(value % 2 == 0 ? 0.0f : 0.1f * float(value));
    model.Add(sparks, torso);

    // A floor square to walk on, with its box tree: the whole, then each face.
    testdata::MdlNode walk;
    walk.Kind = kind::Aabb;
    walk.Name = "walkmesh";
    walk.Texture = "NULL";
    walk.Vertices = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    walk.Faces = {{0, 1, 2}, {0, 2, 3}};
    walk.TextureSets = 0;
    auto entry = [](Vector low, Vector high, std::uint32_t face) {
        std::array<std::uint32_t, 10> words{};
        for (int i = 0; i < 3; ++i) {
            words[i] = std::bit_cast<std::uint32_t>(low[i]);
            words[3 + i] = std::bit_cast<std::uint32_t>(high[i]);
        }
        words[8] = face;
        return words;
    };
    walk.AabbEntries = {entry({-1, -1, 0}, {1, 1, 0}, 0xFFFFFFFF), entry({-1, -1, 0}, {1, 1, 0}, 0),
                        entry({-1, -1, 0}, {1, 1, 0}, 1)};
    model.Add(walk, root);

    testdata::MdlNode lamp;
    lamp.Kind = kind::Light;
    lamp.Name = "lamp";
    lamp.LightValues = {5, 1, 0.8f, 0.6f};
    lamp.Controllers = testdata::MdlBuilder::Placement({0, 0, 2.5f}, kNoTurn);
    model.Add(lamp, root);
    return model.Build();
}

std::string LanternModel()
{
    return "# Quorlin demo model: a lantern hanging from a post\r\n"
           "newmodel demo_lantern\r\n"
           "setsupermodel demo_lantern NULL\r\n"
           "classification Tile\r\n"
           "setanimationscale 1.0\r\n"
           "beginmodelgeom demo_lantern\r\n"
           "node dummy demo_lantern\r\n"
           "  parent NULL\r\n"
           "endnode\r\n"
           "node trimesh post\r\n"
           "  parent demo_lantern\r\n"
           "  position 0 0 0.75\r\n"
           "  orientation 0 0 1 0\r\n"
           "  wirecolor 0.5 0.5 0.5\r\n"
           "  ambient 1 1 1\r\n"
           "  diffuse 1 1 1\r\n"
           "  specular 0 0 0\r\n"
           "  shininess 10\r\n"
           "  bitmap demo_stone\r\n" +
           BoxText({0.05f, 0.05f, 0.75f}) +
           "endnode\r\n"
           "# the arm: at the top of the post, turned a quarter about Z (axis, then radians)\r\n"
           "node dummy arm\r\n"
           "  parent post\r\n"
           "  position 0 0 0.75\r\n"
           "  orientation 0 0 1 1.5707964\r\n"
           "endnode\r\n"
           "node trimesh lamp_box\r\n"
           "  parent arm\r\n"
           "  position 0.3 0 -0.2\r\n"
           "  ambient 1 1 1\r\n"
           "  diffuse 1 1 1\r\n"
           "  bitmap demo_plt\r\n" +
           BoxText({0.1f, 0.1f, 0.12f}) +
           "endnode\r\n"
           "node light glow\r\n"
           "  parent lamp_box\r\n"
           "  radius 4\r\n"
           "  ambientonly 0\r\n"
           "  isDynamic 1\r\n"
           "  affectDynamic 1\r\n"
           "  lightpriority 3\r\n"
           "  shadow 0\r\n"
           "endnode\r\n"
           "endmodelgeom demo_lantern\r\n"
           "newanim sway demo_lantern\r\n"
           "  length 2.0\r\n"
           "  transtime 0.25\r\n"
           "  node dummy demo_lantern\r\n"
           "    parent NULL\r\n"
           "  endnode\r\n"
           "  node dummy arm\r\n"
           "    parent demo_lantern\r\n"
           "    orientationkey 3\r\n"
           "      0.0 0 0 1 1.5707964\r\n"
           "      1.0 0 0 1 1.8707964\r\n"
           "      2.0 0 0 1 1.5707964\r\n"
           "    endlist\r\n"
           "  endnode\r\n"
           "doneanim sway demo_lantern\r\n"
           "newanim flicker demo_lantern\r\n"
           "  length 0.5\r\n"
           "  transtime 0\r\n"
           "  node dummy lamp_box\r\n"
           "    parent NULL\r\n"
           "    positionkey\r\n"
           "      0.0 0.3 0 -0.2\r\n"
           "      0.25 0.3 0 -0.22\r\n"
           "      0.5 0.3 0 -0.2\r\n"
           "    endlist\r\n"
           "  endnode\r\n"
           "doneanim flicker demo_lantern\r\n"
           "donemodel demo_lantern\r\n";
}

} // namespace demo
