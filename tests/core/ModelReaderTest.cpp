// Binary models: what CMDL::Open reads from files built from the layout, the
// materials and matrices it prepares, and damaged files refused naming them.
#include "CoreTestSupport.h"

#include "app/UFileIO.h"
#include "app/UGameText.h"
#include "archives/UCKEYV1.h"
#include "archives/UCMOD.h"
#include "model/UCMDL.h"

#include "testdata/ByteBuilder.h"
#include "testdata/ErfBuilder.h"
#include "testdata/KeyBifBuilder.h"
#include "testdata/MdlBuilder.h"
#include "testdata/ResTypeNumbers.h"

#include <gmock/gmock.h>

#include <bit>
#include <functional>
#include <optional>
#include <tuple>

using coretest::CoreTest;
using testdata::MdlBuilder;
using testdata::MdlNode;
using ::testing::HasSubstr;
using ::testing::StartsWith;
namespace kind = testdata::mdlkind;
using namespace std::string_literals;

namespace {

constexpr float kTolerance = 1e-5f;

MdlNode Node(testdata::MdlKind kind, std::string name)
{
    MdlNode node;
    node.Kind = kind;
    node.Name = std::move(name);
    return node;
}

// A trimesh of one textured triangle, or of none.
MdlNode Triangle(std::string name, std::string texture)
{
    MdlNode node = Node(kind::Trimesh, std::move(name));
    node.Texture = std::move(texture);
    node.Vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    node.Faces = {{0, 1, 2}};
    node.TexCoords = {{0, 0}, {1, 0}, {0, 1}};
    return node;
}

std::vector<int> Values(const TFace &f)
{
    return {f.V0, f.V1, f.V2, f.Group, f.T0, f.T1, f.T2, f.Tag};
}

std::array<float, 3> Xyz(const TVector3D &v)
{
    return {v.X, v.Y, v.Z};
}

class ModelReaderTest : public CoreTest {
protected:
    CMDL mdl;

    std::string Write(const std::string &bytes, const std::string &name = "model.mdl")
    {
        testdata::WriteFile(dir.Path() / name, bytes);
        return dir / name;
    }
    void Open(const MdlBuilder &model)
    {
        ASSERT_TRUE(mdl.Open(Write(model.Build())));
        ASSERT_TRUE(mdl.Loaded);
    }
};

TEST_F(ModelReaderTest, FirstWordChoosesTheReaderAndAMissingFileNone)
{
    mdl.SelectedNode = 3;
    mdl.ShowSkeleton = true;
    EXPECT_FALSE(mdl.Open(dir / "missing.mdl"));
    EXPECT_TRUE(mdl.Nodes.empty());
    EXPECT_EQ(std::tuple(mdl.SelectedNode, mdl.ShowSkeleton, mdl.Loaded, mdl.Blending),
              std::tuple(-1, false, false, true));

    MdlBuilder binary;
    binary.Name = "bin";
    binary.Add(Node(kind::Dummy, "root"));
    ASSERT_TRUE(mdl.Open(Write(binary.Build())));
    EXPECT_EQ(mdl.Name, "bin");
    EXPECT_EQ(mdl.ModelPath, dir / "model.mdl");
    // Any other first word is text; a zero byte ends it.
    ASSERT_TRUE(mdl.Open(Write(std::string("\x01newmodel txt\0newmodel lost", 27))));
    EXPECT_EQ(mdl.Name, "");
    ASSERT_TRUE(mdl.Open(Write("newmodel txt\0"s)));
    EXPECT_EQ(mdl.Name, "txt");
}

TEST_F(ModelReaderTest, NodesAppearDepthFirstInTheOrderOfTheChildLists)
{
    MdlBuilder model;
    model.Name = std::string(40, 'n');
    model.SuperModel = "a_supermodel_name_of_exactly_fifty_characters_long";
    const int root = model.Add(Node(kind::Dummy, std::string("root\0hidden", 11)));
    const int a = model.Add(Node(kind::Dummy, "a"), root);
    const int b = model.Add(Node(kind::Dummy, "b"), root);
    model.Add(Node(kind::Dummy, "a1"), a);
    model.Add(Node(kind::Dummy, "b1"), b);
    model.Add(Node(kind::Dummy, std::string(40, 'x')), a);
    Open(model);

    EXPECT_EQ(mdl.Name, std::string(32, 'n'));
    EXPECT_EQ(mdl.SuperModel, "a_supermodel_name_of_exactly_fifty_characters_long");
    EXPECT_EQ(mdl.NodeNames(), (std::vector<std::string>{"root", "a", "a1", std::string(32, 'x'), "b", "b1"}));
    std::vector<int> parents;
    for (const TNode &node : mdl.Nodes)
        parents.push_back(node.Parent);
    EXPECT_EQ(parents, (std::vector<int>{-1, 0, 1, 1, 0, 4}));
    EXPECT_TRUE(mdl.AnimationNames().empty());
}

TEST_F(ModelReaderTest, RoutineAddressesGiveTheKind)
{
    const std::pair<testdata::MdlKind, TNodeType> rows[] = {
        {kind::Dummy, ntDummy},     {kind::Emitter, ntEmitter},   {kind::Other, ntOther},
        {kind::Trimesh, ntTrimesh}, {kind::Trimesh2, ntTrimesh},  {kind::Trimesh3, ntTrimesh},
        {kind::Light, ntLight},     {kind::Danglymesh, ntDanglymesh}, {kind::Aabb, ntAabb}, {kind::Unknown, ntOther}};
    MdlBuilder model;
    const int root = model.Add(Node(kind::Dummy, "root"));
    for (const auto &row : rows)
        model.Add(Node(row.first, "n"), root);
    Open(model);
    ASSERT_EQ(mdl.Nodes.size(), std::size(rows) + 1);
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const TNode &node = mdl.Nodes[i + 1];
        const bool mesh = rows[i].second == ntTrimesh || rows[i].second == ntDanglymesh || rows[i].second == ntAabb;
        EXPECT_EQ(node.NodeType, rows[i].second) << i;
        EXPECT_EQ(std::tuple(node.Mesh() != nullptr, node.MaterialIndex >= 0, node.Emitter() != nullptr,
                             node.Light() != nullptr),
                  std::tuple(mesh, mesh, rows[i].second == ntEmitter, rows[i].second == ntLight))
            << i;
    }
}

TEST_F(ModelReaderTest, PlacementComesFromTheControllerData)
{
    MdlBuilder model;
    MdlNode root = Node(kind::Dummy, "root");
    root.Controllers = MdlBuilder::Placement({5, 0, 0}, {0, 0, 0, 1});
    model.Add(root);
    MdlNode child = Node(kind::Dummy, "child");
    child.Controllers = MdlBuilder::Placement({1, 0, 0}, {0, 0, 0.7071068f, 0.7071068f});
    model.Add(child, 0);
    MdlNode grandchild = Node(kind::Dummy, "grandchild");
    grandchild.Controllers = MdlBuilder::Placement({0, 2, 0}, {0, 0, 0, 1});
    model.Add(grandchild, 1);
    model.Add(Node(kind::Dummy, "still"), 0);
    Open(model);

    EXPECT_EQ(mdl.Nodes[1].Position, (std::array<float, 3>{1, 0, 0}));
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(mdl.Nodes[1].Orientation[i], (std::array<float, 4>{-90, 0, 0, -1}[i]), 1e-4) << i;
    EXPECT_EQ(mdl.Nodes[3].Position, (std::array<float, 3>{0, 0, 0}));
    EXPECT_EQ(mdl.Nodes[3].Orientation, (std::array<float, 4>{0, 0, 0, 0}));

    // The top node's own placement is never applied; the child moves by
    // (1, 0, 0) and turns a quarter about Z, so the grandchild's (0, 2, 0)
    // lands at (1 − 2, 0, 0).
    TMatrix identity;
    MatrixIdentity(identity);
    EXPECT_EQ(mdl.Nodes[0].Matrix, identity);
    EXPECT_EQ(mdl.Nodes[3].Matrix, identity);
    EXPECT_NEAR(mdl.Nodes[1].Matrix[12], 1, kTolerance);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(mdl.Nodes[2].Matrix[12 + i], (std::array<float, 3>{-1, 0, 0}[i]), kTolerance);
}

TEST_F(ModelReaderTest, MeshGeometryColoursAndDrawableFaces)
{
    MdlBuilder model;
    MdlNode mesh = Triangle("tri", "a_texture_name_longer_than_16");
    mesh.Vertices.push_back({7, 8, 9});
    mesh.TexCoords.push_back({0.5f, 0.25f});
    mesh.Faces.push_back({3, 2, 1});
    mesh.Faces.push_back({0, 1, 4});     // past the vertex list: kept, not drawable
    mesh.Faces.push_back({65535, 1, 2});
    mesh.Diffuse = {0.1f, 0.2f, 0.3f};
    mesh.Ambient = {0.4f, 0.5f, 0.6f};
    mesh.Specular = {0.7f, 0.8f, 0.9f};
    mesh.Shininess = 12.5f;
    model.Add(mesh);
    Open(model);

    const TNode &node = mdl.Nodes.at(0);
    EXPECT_TRUE(node.RenderFlag);
    EXPECT_EQ(node.Diffuse, (std::array<float, 4>{0.1f, 0.2f, 0.3f, 0}));
    EXPECT_EQ(node.Ambient, (std::array<float, 4>{0.4f, 0.5f, 0.6f, 0}));
    EXPECT_EQ(node.Specular, (std::array<float, 4>{0.7f, 0.8f, 0.9f, 0}));
    EXPECT_EQ(node.Shininess, 12.5f);
    ASSERT_EQ(mdl.Materials.size(), 1u);
    EXPECT_EQ(mdl.Materials[0].Name, "a_texture_name_l");
    EXPECT_EQ(node.MaterialIndex, 0);
    const TMesh &data = *node.Mesh();
    ASSERT_EQ(data.Vertices.size(), 4u);
    EXPECT_EQ(Xyz(data.Vertices[3]), (std::array<float, 3>{7, 8, 9}));
    ASSERT_EQ(data.TexVertices.size(), 4u);
    EXPECT_EQ(std::vector<float>({data.TexVertices[3].U, data.TexVertices[3].V, data.TexVertices[3].W}),
              std::vector<float>({0.5f, 0.25f, 0}));
    ASSERT_EQ(data.Faces.size(), 4u);
    EXPECT_EQ(Values(data.Faces[1]), std::vector<int>({3, 2, 1, 1, 3, 2, 1, 1}));
    EXPECT_EQ(data.Faces[3].V0, 65535);
    for (std::size_t f = 0; f < 4; ++f)
        EXPECT_EQ(data.FaceIsDrawable(data.Faces[f]), f < 2) << f;

    // Texture indices count only when there are texture vertices.
    TMesh plain;
    plain.Vertices.resize(3);
    TFace face{0, 1, 2, 1, 9, -1, 0, 1};
    EXPECT_TRUE(plain.FaceIsDrawable(face));
    plain.TexVertices.resize(3);
    EXPECT_FALSE(plain.FaceIsDrawable(face));
    face.T0 = 2, face.T1 = 0;
    EXPECT_TRUE(plain.FaceIsDrawable(face));
}

TEST_F(ModelReaderTest, MeshWithoutExactlyOneTextureSetIsNotDrawn)
{
    struct Row {
        std::uint16_t TextureSets;
        bool WithFaces, Drawn;
    };
    for (const Row row : {Row{0, true, false}, Row{2, true, false}, Row{1, false, false}, Row{1, true, true}}) {
        SCOPED_TRACE(row.TextureSets);
        MdlBuilder model;
        MdlNode mesh = Triangle("tri", "tex");
        mesh.TextureSets = row.TextureSets;
        if (!row.WithFaces)
            mesh.Faces.clear();
        model.Add(mesh);
        Open(model);
        const TMesh &data = *mdl.Nodes.at(0).Mesh();
        EXPECT_EQ(mdl.Nodes[0].RenderFlag, row.Drawn);
        EXPECT_EQ(data.TexVertices.size(), row.TextureSets == 1 ? 3u : 0u);
        ASSERT_EQ(data.Faces.size(), row.WithFaces ? 1u : 0u);
        if (row.WithFaces) {
            EXPECT_EQ(Values(data.Faces[0]), row.Drawn ? std::vector<int>({0, 1, 2, 1, 0, 1, 2, 1})
                                                       : std::vector<int>({0, 1, 2, 1, 0, 0, 0, 1}));
        }
    }
}

TEST_F(ModelReaderTest, DanglymeshAabbEmitterAndLightValues)
{
    MdlBuilder model;
    MdlNode dangly = Triangle("cloth", "cloth");
    dangly.Kind = kind::Danglymesh;
    dangly.Constraints = {0, 127.5f, 255};
    const int root = model.Add(dangly);
    MdlNode walk = Triangle("walk", "NULL");
    walk.Kind = kind::Aabb;
    walk.Faces = {{0, 1, 2}, {2, 1, 0}};
    for (std::uint32_t e = 0; e < 3; ++e) {
        std::array<std::uint32_t, 10> entry{};
        for (std::uint32_t i = 0; i < 10; ++i)
            entry[i] = i < 6 ? std::bit_cast<std::uint32_t>(float(e * 10 + i)) : 0xA0000000u + e * 16 + i;
        walk.AabbEntries.push_back(entry);
    }
    model.Add(walk, root);
    MdlNode emptyWalk = Node(kind::Aabb, "empty");
    emptyWalk.HeaderU32 = {{0x270, 4}}; // a tree offset, but no faces
    model.Add(emptyWalk, root);
    MdlNode emitter = Node(kind::Emitter, "sparks");
    for (int i = 0; i < 66; ++i)
        emitter.Controllers.push_back(float(i) + 0.5f);
    emitter.Update = "Fountain", emitter.Render = "Normal", emitter.Blend = "Lighten";
    emitter.Texture = "a_texture_of_22_chars_cut";
    emitter.XGrid = 4, emitter.YGrid = 2;
    model.Add(emitter, root);
    MdlNode light = Node(kind::Light, "lamp");
    light.LightValues = {14, 0.25f, 0.5f, 0.75f};
    model.Add(light, root);
    Open(model);

    ASSERT_EQ(mdl.Nodes.size(), 5u);
    EXPECT_EQ(mdl.Nodes[0].Mesh()->Constraints, (std::vector<float>{0, 127.5f, 255}));
    EXPECT_TRUE(mdl.Nodes[0].Mesh()->AabbTree.empty());
    const std::vector<TAabbEntry> &tree = mdl.Nodes[1].Mesh()->AabbTree;
    ASSERT_EQ(tree.size(), 3u); // 2 × 2 faces − 1
    EXPECT_EQ(tree[2].Box, (std::array<float, 6>{20, 21, 22, 23, 24, 25}));
    EXPECT_EQ(tree[2].Links, (std::array<std::uint32_t, 4>{0xA0000026u, 0xA0000027u, 0xA0000028u, 0xA0000029u}));
    EXPECT_TRUE(mdl.Nodes[1].Mesh()->Constraints.empty());
    EXPECT_TRUE(mdl.Nodes[2].Mesh()->AabbTree.empty());

    const TNode &node = mdl.Nodes[3];
    ASSERT_NE(node.Emitter(), nullptr);
    const TEmitter &e = *node.Emitter();
    EXPECT_EQ(node.Position, (std::array<float, 3>{1.5f, 2.5f, 3.5f}));
    EXPECT_EQ(e.Triple1, (std::array<float, 3>{10.5f, 11.5f, 12.5f}));
    EXPECT_EQ(e.Triple2, (std::array<float, 3>{14.5f, 15.5f, 16.5f}));
    EXPECT_EQ(std::vector<float>({e.Values[0], e.Values[18], e.Values[19], e.Values[22], e.LastValue}),
              std::vector<float>({18.5f, 54.5f, 58.5f, 64.5f, 56.5f}));
    EXPECT_EQ(e.Update + " " + e.Render + " " + e.Blend, "Fountain Normal Lighten");
    EXPECT_EQ(std::tuple(e.XGrid, e.YGrid, node.MaterialIndex), std::tuple(4u, 2u, -1));
    EXPECT_EQ(mdl.Materials.at(std::size_t(e.MaterialIndex)).Name, "a_texture_of_22_chars_");

    ASSERT_NE(mdl.Nodes[4].Light(), nullptr);
    const TLight &l = *mdl.Nodes[4].Light();
    EXPECT_EQ(l.Radius, 14);
    EXPECT_EQ(l.Values, (std::array<float, 3>{0.25f, 0.5f, 0.75f}));
    EXPECT_EQ(std::vector<int>({l.AmbientOnly, l.IsDynamic, l.AffectDynamic, l.Shadow, l.LightPriority}),
              std::vector<int>(5, 1));
}

TEST_F(ModelReaderTest, MaterialsKeepOneEntryPerNameAndNodesTakeTheFirstEqualIgnoringCase)
{
    struct Row {
        std::vector<std::string> Textures; // one mesh each, in node order; "~" names an emitter's
        std::vector<std::string> Materials;
        std::vector<int> Indices;
    };
    const Row rows[] = {
        {{"Wood", "wood"}, {"Wood", "wood"}, {0, 0}},
        {{"Stone", "Wood", "wood", "Stone", "NULL", "null"}, {"Stone", "Wood", "wood", "NULL", "null"},
         {0, 1, 1, 0, 3, 3}},
        {{"b", "a", "b", "A"}, {"b", "a", "A"}, {0, 1, 0, 1}},
        {{"Fire", "~fire", "smoke"}, {"Fire", "fire", "smoke"}, {0, 0, 2}},
    };
    for (const Row &row : rows) {
        MdlBuilder model;
        const int root = model.Add(Node(kind::Dummy, "root"));
        for (const std::string &texture : row.Textures) {
            MdlNode node = Triangle("m", texture);
            if (texture[0] == '~')
                node.Kind = kind::Emitter, node.Texture = texture.substr(1);
            model.Add(node, root);
        }
        Open(model);
        std::vector<std::string> names;
        for (const TMaterial &material : mdl.Materials)
            names.push_back(material.Name);
        EXPECT_EQ(names, row.Materials);
        std::vector<int> indices;
        for (std::size_t i = 1; i < mdl.Nodes.size(); ++i) {
            const TEmitter *emitter = mdl.Nodes[i].Emitter();
            indices.push_back(emitter ? emitter->MaterialIndex : mdl.Nodes[i].MaterialIndex);
        }
        EXPECT_EQ(indices, row.Indices);
    }
}

// ---------------------------------------------------------------- material pictures

// What a lookup found: "TGA:bytes", "PLT:bytes", "DDS:bytes" or "" for nothing.
std::string Found(const std::optional<TMaterialPicture> &picture)
{
    return picture ? picture->Type + ":" + picture->Bytes : "";
}

TEST_F(ModelReaderTest, MaterialPicturesComeFromTheFirstSourceGiven)
{
    namespace rt = testdata::restype;
    testdata::KeyBifBuilder game;
    const int bif = game.AddBif("data\\textures.bif");
    game.AddResource(bif, "wood", rt::TGA, "key-wood");
    game.AddResource(bif, "stone", rt::PLT, "key-stone");
    game.AddResource(bif, "both", rt::PLT, "key-both-plt");
    game.AddResource(bif, "both", rt::TGA, "key-both-tga");
    game.AddResource(bif, "NULL", rt::TGA, "key-null");
    game.AddResource(bif, "glass", rt::DDS, "key-glass-dds");
    game.AddResource(bif, "stone", rt::DDS, "key-stone-dds");
    game.WriteTo(dir.Path() / "game");
    CKEY_FILE key;
    ASSERT_TRUE(key.Open(dir / "game/chitin.key"));

    testdata::ErfBuilder archive("HAK ");
    archive.Add("Wood", rt::PLT, "erf-wood-plt");
    archive.Add("WOOD", rt::TGA, "erf-wood-tga");
    archive.Add("NULL", rt::TGA, "erf-null");
    archive.Add("Glass", rt::DDS, "erf-glass-dds");
    archive.Add("wood", rt::DDS, "erf-wood-dds");
    archive.WriteTo(dir.Path() / "textures.hak");
    CMOD erf;
    ASSERT_TRUE(erf.Open(dir / "textures.hak"));

    // Loose files beside the model, in any letter case; other picture types are not looked for.
    for (const char *file : {"Wood.TGA", "wood.plt", "stone.PLT", "NULL.tga", "brick.bmp", "a_b.tga", "Caf\xC3\xA9.tga",
                             "GLASS.Dds", "stone.dds"})
        testdata::WriteFile(dir.Path() / "models" / file, std::string("loose-") + file);
    const std::string model = dir / "models/box.mdl";
    const CGameTextCodec &westernEuropean = CGameTextCodec::Named("CP1252");

    struct Row {
        std::string Name;
        std::string FromKey, FromErf, Loose;
    };
    const Row rows[] = {
        {"wood", "TGA:key-wood", "TGA:erf-wood-tga", "TGA:loose-Wood.TGA"},
        {"STONE", "PLT:key-stone", "", "PLT:loose-stone.PLT"},
        {"glass", "DDS:key-glass-dds", "DDS:erf-glass-dds", "DDS:loose-GLASS.Dds"}, // only when no TGA or PLT
        {"both", "TGA:key-both-tga", "", ""},
        {"brick", "", "", ""},
        {"NULL", "", "", ""},
        {"null", "TGA:key-null", "TGA:erf-null", "TGA:loose-NULL.tga"},
        {"a/b", "", "", "TGA:loose-a_b.tga"},        // the name cannot leave the model's folder
        {"caf\xE9", "", "", "TGA:loose-Caf\xC3\xA9.tga"}, // game text, decoded for the file name
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(Found(FindMaterialPicture(row.Name, &key, &erf, model, &westernEuropean)), row.FromKey);
        EXPECT_EQ(Found(FindMaterialPicture(row.Name, nullptr, &erf, model, &westernEuropean)), row.FromErf);
        EXPECT_EQ(Found(FindMaterialPicture(row.Name, nullptr, nullptr, model, &westernEuropean)), row.Loose);
    }
}

// The demo's models open from every place the demo puts them, and every
// texture they name is found beside them there.
TEST_F(ModelReaderTest, DemoModelsFindTheirTexturesWhereverTheyLie)
{
    const std::filesystem::path demo = QUORLIN_DEMO_DIR;
    CKEY_FILE key;
    ASSERT_TRUE(key.Open((demo / "game" / "chitin.key").string()));
    CMOD erf;
    ASSERT_TRUE(erf.Open((demo / "samples" / "sample.erf").string()));
    for (const std::string name : {"demo_box", "demo_crate", "demo_rig", "demo_lantern", "demo_chest"}) {
        SCOPED_TRACE(name);
        const std::string loose = (demo / "samples" / (name + ".mdl")).string();
        ASSERT_TRUE(mdl.Open(loose));
        EXPECT_GE(mdl.Nodes.size(), 2u);
        for (const TMaterial &material : mdl.Materials) {
            if (material.Name == "NULL")
                continue;
            EXPECT_TRUE(FindMaterialPicture(material.Name, nullptr, nullptr, loose)) << material.Name;
            EXPECT_TRUE(FindMaterialPicture(material.Name, &key, nullptr, "")) << material.Name;
        }
        const RKEY_LOCATION inBif = key.Find(name, testdata::restype::MDL);
        ASSERT_GE(inBif.Bif, 0);
        CMDL fromBif;
        ASSERT_TRUE(fromBif.Open(Write(key.ExtractToString(inBif.Bif, inBif.Index), "bif.mdl")));
        EXPECT_EQ(fromBif.NodeNames(), mdl.NodeNames());

        if (name == "demo_box")
            continue; // the older sample lies in the hak
        EXPECT_GE(erf.Find(name, testdata::restype::MDL), 0);
        for (const TMaterial &material : mdl.Materials) {
            if (material.Name != "NULL") {
                EXPECT_TRUE(FindMaterialPicture(material.Name, nullptr, &erf, "")) << material.Name;
            }
        }
    }
}

// ---------------------------------------------------------------- damaged files

struct Damage {
    const char *Name;
    std::function<std::string()> Bytes;
    std::optional<std::string> Refusal; // part of the message; nullopt: read, with Nodes nodes
    std::size_t Nodes = 0;
};

void PrintTo(const Damage &row, std::ostream *os) { *os << row.Name; }

// A dummy root with a textured triangle, a dangly triangle and an aabb
// triangle below it; change applies damage to the builder.
std::string Sample(const std::function<void(MdlBuilder &)> &change)
{
    MdlBuilder model;
    const int root = model.Add(Node(kind::Dummy, "root"));
    model.Nodes[0].Controllers = MdlBuilder::Placement({0, 0, 0}, {0, 0, 0, 1});
    model.Add(Triangle("tri", "tex"), root);
    MdlNode dangly = Triangle("dangly", "tex");
    dangly.Kind = kind::Danglymesh;
    dangly.Constraints = {1, 2, 3};
    model.Add(dangly, root);
    MdlNode aabb = Triangle("aabb", "NULL");
    aabb.Kind = kind::Aabb;
    aabb.AabbEntries = {{}};
    model.Add(aabb, root);
    change(model);
    return model.Build();
}

std::string Patched(std::string bytes, std::size_t offset, std::uint32_t value)
{
    testdata::ByteBuilder patched;
    patched.Bytes(bytes);
    patched.PatchU32(offset, value);
    return patched.Take();
}

// A chain of dummies, each the only child of the one before.
std::string Chain(int length)
{
    MdlBuilder model;
    for (int i = 0; i < length; ++i)
        model.Add(Node(kind::Dummy, "d"), i - 1);
    return model.Build();
}

class DamagedBinaryModels : public ModelReaderTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedBinaryModels, AreRefusedNamingTheFileOrReadSafely)
{
    const Damage &row = GetParam();
    const std::string path = Write(row.Bytes());
    if (row.Refusal) {
        try {
            mdl.Open(path);
            ADD_FAILURE() << "the file was read";
        } catch (const EFileError &error) {
            EXPECT_THAT(error.what(), StartsWith("\"" + path + "\" is damaged: "));
            EXPECT_THAT(error.what(), HasSubstr(*row.Refusal));
        }
        EXPECT_TRUE(mdl.Nodes.empty());
        EXPECT_TRUE(mdl.Materials.empty());
        EXPECT_FALSE(mdl.Loaded);
    } else {
        ASSERT_TRUE(mdl.Open(path));
        EXPECT_EQ(mdl.Nodes.size(), row.Nodes);
    }
}

auto Change(std::function<void(MdlBuilder &)> change)
{
    return [change] { return Sample(change); };
}

// Every cut of a whole sample model, and every 32-bit value of it made huge,
// is read or refused naming the file; nothing else happens to it.
TEST_F(ModelReaderTest, EveryCutAndEveryHugeValueIsReadOrRefused)
{
    const std::string whole = Sample([](MdlBuilder &m) {
        MdlNode emitter = Node(kind::Emitter, "e");
        emitter.Controllers.assign(66, 1.0f);
        m.Add(emitter, 0);
        MdlNode light = Node(kind::Light, "l");
        m.Add(light, 0);
    });
    int read = 0, refused = 0;
    auto tryOpen = [&](const std::string &bytes) {
        const std::string path = Write(bytes);
        try {
            read += mdl.Open(path) ? 1 : 0;
        } catch (const EFileError &error) {
            ++refused;
            ASSERT_THAT(error.what(), StartsWith("\"" + path + "\" is damaged: "));
        }
    };
    for (std::size_t size = 0; size < whole.size(); ++size)
        tryOpen(whole.substr(0, size));
    for (std::size_t offset = 0; offset + 4 <= whole.size(); offset += 4)
        for (std::uint32_t value : {0xFFFFFFFFu, 0x7FFFFFFFu, 0x00010000u})
            tryOpen(Patched(whole, offset, value));
    EXPECT_GT(read, 0);
    EXPECT_GT(refused, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DamagedBinaryModels,
    ::testing::Values(
        Damage{"Empty", [] { return std::string(); }, "shorter than the 12-byte header"},
        Damage{"HeaderOnly", [] { return std::string(12, '\0'); }, "model header lies past its end"},
        Damage{"RootPastTheEnd", [] { return Patched(Sample([](MdlBuilder &) {}), 12 + 0x48, 0xFFFFFFF0); },
               "lies past its end"},
        Damage{"RawDataPastTheEnd", [] { return Patched(Sample([](MdlBuilder &) {}), 4, 0x7FFFFFF0); },
               "the vertices of the node"},
        Damage{"ChildListPastTheEnd", Change([](MdlBuilder &m) { m.Nodes[0].HeaderU32 = {{0x48, 0xFFFFFF00}}; }),
               "child list of the node"},
        Damage{"HugeChildCount", Change([](MdlBuilder &m) { m.Nodes[0].HeaderU32 = {{0x4C, 0xFFFFFFFF}}; }),
               "(4294967295 children) lies past its end"},
        Damage{"ChildLeadsBackToAnAncestor", Change([](MdlBuilder &m) { m.Nodes[2].Children = {0}; }),
               "listed twice"},
        Damage{"NodeListedByTwoParents", Change([](MdlBuilder &m) { m.Nodes[3].Children = {1}; }), "listed twice"},
        Damage{"NestedTooDeep", [] { return Chain(300); }, "nested more than 256 levels deep"},
        Damage{"NestedDeepButNotTooDeep", [] { return Chain(256); }, std::nullopt, 256},
        Damage{"ControllerDataPastTheEnd", Change([](MdlBuilder &m) { m.Nodes[1].HeaderU32 = {{0x60, 0x7FFFFFF0}}; }),
               "the position of the node"},
        Damage{"VertexCountTooLarge", Change([](MdlBuilder &m) { m.Nodes[1].HeaderU16 = {{0x230, 0x7FFF}}; }),
               "(32767 entries) lie past its end"},
        Damage{"NegativeVertexCountReadsNone",
               Change([](MdlBuilder &m) { m.Nodes[1].HeaderU16 = {{0x230, 0xFFFF}}; }), std::nullopt, 4},
        Damage{"HugeFaceCount", Change([](MdlBuilder &m) { m.Nodes[1].HeaderU32 = {{0x7C, 0xFFFFFFFF}}; }),
               "the faces of the node"},
        Damage{"FaceListPastTheEnd", Change([](MdlBuilder &m) { m.Nodes[1].HeaderU32 = {{0x210, 0xFFFFFFF0}}; }),
               "the face list of the node"},
        Damage{"TextureCoordinatesPastTheEnd",
               Change([](MdlBuilder &m) { m.Nodes[1].HeaderU32 = {{0x234, 0xFFFFFF00}}; }), "texture coordinates"},
        Damage{"ConstraintsPastTheEnd", Change([](MdlBuilder &m) { m.Nodes[2].HeaderU32 = {{0x270, 0xFFFFFF00}}; }),
               "the constraints of the node"},
        // Two faces need a tree of three entries; the file holds one.
        Damage{"AabbTreePastTheEnd", Change([](MdlBuilder &m) { m.Nodes[3].HeaderU32 = {{0x7C, 2}}; }),
               "the aabb tree of the node"},
        // Twenty meshes reading the same 100 vertices: more than the file holds.
        Damage{"MeshesSharingTheirData",
               [] {
                   MdlBuilder model;
                   MdlNode first = Node(kind::Trimesh, "first");
                   first.Vertices.assign(100, {1, 2, 3});
                   first.TextureSets = 0;
                   const int root = model.Add(first);
                   for (int i = 0; i < 20; ++i) {
                       MdlNode copy = Node(kind::Trimesh, "copy");
                       copy.TextureSets = 0;
                       copy.HeaderU32 = {{0x22C, 0}};
                       copy.HeaderU16 = {{0x230, 100}};
                       model.Add(copy, root);
                   }
                   return model.Build();
               },
               "use more data than the file holds"},
        // A mesh header that the end of the file cuts before its last field.
        Damage{"MeshHeaderCutShort",
               [] {
                   MdlBuilder model;
                   MdlNode mesh = Node(kind::Trimesh, "cut");
                   mesh.HeaderSize = 0x200;
                   model.Add(mesh);
                   return model.Build();
               },
               "is cut short by the end of the file"},
        // Short headers are fine when the fields a kind uses are there.
        Damage{"ShortDummyHeaderAtTheEnd",
               [] {
                   MdlBuilder model;
                   model.Add(Node(kind::Dummy, "root"));
                   MdlNode last = Node(kind::Dummy, "last");
                   last.HeaderSize = 0x70;
                   model.Add(last, 0);
                   return model.Build();
               },
               std::nullopt, 2},
        Damage{"EmitterDataEndingWithTheFile",
               [] {
                   MdlBuilder model;
                   MdlNode emitter = Node(kind::Emitter, "e");
                   emitter.Controllers = MdlBuilder::Placement({1, 2, 3}, {0, 0, 0, 1});
                   model.Add(emitter);
                   return model.Build();
               },
               std::nullopt, 1}),
    [](const auto &info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------- hostile files

// A root dummy listing count dummies, each a record of the 100 bytes a dummy
// reads, packed one after the other.
std::string PackedDummies(std::uint32_t count)
{
    constexpr std::uint32_t kModelHeader = 220, kRecord = 100;
    const std::uint32_t root = kModelHeader, children = root + kRecord, first = children + 4 * count;
    testdata::ByteBuilder out;
    out.U32(0).U32(first + kRecord * count).U32(0);
    out.Zeros(0x48).U32(root).PadTo(12 + kModelHeader);
    auto dummy = [&](std::uint32_t childArray, std::uint32_t childCount) {
        const std::size_t start = out.Size();
        out.U32(kind::Dummy.A).U32(kind::Dummy.B).Zeros(0x18).Fixed("packed", 32).Zeros(8);
        out.U32(childArray).U32(childCount).Zeros(0x10).U32(0);
        out.PadTo(start + kRecord);
    };
    dummy(children, count);
    for (std::uint32_t i = 0; i < count; ++i)
        out.U32(first + kRecord * i);
    for (std::uint32_t i = 0; i < count; ++i)
        dummy(0, 0);
    return out.Take();
}

class HostileModels : public ModelReaderTest, public ::testing::WithParamInterface<coretest::THostileFile> {};

TEST_P(HostileModels, StayWithinTheirBounds)
{
    const std::string path = dir / "hostile.mdl";
    coretest::ExpectSeen(GetParam(), path, [&] {
        CMDL model;
        model.Open(path);
        std::size_t vertices = 0;
        for (const TNode &node : model.Nodes)
            if (const TMesh *mesh = node.Mesh())
                vertices += mesh->Vertices.size();
        return std::to_string(model.Nodes.size()) + " nodes, " + std::to_string(vertices) + " vertices";
    });
}

INSTANTIATE_TEST_SUITE_P(
    All, HostileModels,
    ::testing::Values(
        coretest::THostileFile{"PackedDummies", [] { return PackedDummies(100000); }, "100001 nodes, 0 vertices"},
        coretest::THostileFile{"NodesSharingOneVertexList",
                     [] {
                         MdlBuilder model;
                         model.Add(Node(kind::Dummy, "root"));
                         MdlNode first = Node(kind::Trimesh, "first");
                         first.TextureSets = 0;
                         first.Vertices.assign(30000, {1, 2, 3});
                         model.Add(first, 0);
                         for (int i = 0; i < 200; ++i) {
                             MdlNode sharing = Node(kind::Trimesh, "sharing");
                             sharing.TextureSets = 0;
                             sharing.HeaderU32 = {{0x22C, 0}};
                             sharing.HeaderU16 = {{0x230, 30000}};
                             model.Add(sharing, 0);
                         }
                         return model.Build();
                     },
                     "is damaged: the nodes use more data than the file holds"},
        coretest::THostileFile{"OneMeshOfTheMostVertices",
                     [] {
                         MdlBuilder model;
                         MdlNode mesh = Node(kind::Trimesh, "mesh");
                         mesh.Vertices.assign(32767, {1, 2, 3});
                         mesh.TexCoords.assign(32767, {0, 1});
                         mesh.Faces.assign(200000, {0, 1, 2});
                         model.Add(mesh);
                         return model.Build();
                     },
                     "1 nodes, 32767 vertices"},
        coretest::THostileFile{"NodesNestedTooDeep", [] { return Chain(300); },
                     "is damaged: its nodes are nested more than 256 levels deep"}),
    coretest::NameOf);

} // namespace
