// ASCII models: the tokenizer, the records CMDL::Open fills from model text,
// key lists with and without a count, files that end early and words where
// numbers belong.
#include "CoreTestSupport.h"

#include "app/UFileIO.h"
#include "model/UCMDL.h"
#include "model/UCMDLTOKEN.h"

#include "testdata/ByteBuilder.h"
#include "testdata/MdlBuilder.h"

#include <gmock/gmock.h>

#include <functional>
#include <optional>

using coretest::CoreTest;
using testdata::MdlText;
using ::testing::HasSubstr;
using namespace std::string_literals;

namespace {

TEST(ModelTokenizer, SplitsAtSeparatorsAndCountsLines)
{
    CMDLTOKEN tokens("  a\tbb\r\n\r\nc\rd\ne \0 f"s);
    std::vector<std::pair<std::string, int>> seen;
    for (std::string_view token = tokens.NextToken(); !token.empty(); token = tokens.NextToken())
        seen.emplace_back(token, tokens.Line());
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, int>>{{"a", 1}, {"bb", 1}, {"c", 3}, {"d", 4}, {"e", 5}}));
    EXPECT_EQ(tokens.NextToken(), "");
    EXPECT_EQ(tokens.NextToken(), "");
}

TEST(ModelTokenizer, NumbersAsModelsWriteThem)
{
    const std::pair<const char *, std::optional<float>> floats[] = {
        {"0,5", 0.5f}, {"0.5", 0.5f}, {"1e-5", 1e-5f}, {"-.25", -0.25f}, {"+2", 2.0f}, {"-3,", -3.0f},
        {"7", 7.0f},   {"inf", {}},   {"nan", {}},      {"-inf", {}},     {"1.5x", {}}, {"", {}},
        {"1e39", {}},  {"--1", {}},   {"+-1", {}},      {"1,5,0", {}},    {"0x10", {}}, {"endlist", {}}};
    for (const auto &[text, value] : floats)
        EXPECT_EQ(ParseModelFloat(text), value) << text;
    const std::pair<const char *, std::optional<std::int32_t>> integers[] = {
        {"12", 12}, {"-3", -3}, {"+4", 4}, {"0", 0}, {"1.0", {}}, {"99999999999", {}}, {"", {}}, {"+", {}}, {"x1", {}}};
    for (const auto &[text, value] : integers)
        EXPECT_EQ(ParseModelInteger(text), value) << text;
}

class ModelAsciiTest : public CoreTest {
protected:
    CMDL mdl;

    std::string Write(const std::string &text)
    {
        testdata::WriteFile(dir.Path() / "model.mdl", text);
        return dir / "model.mdl";
    }
    void Open(const std::string &text)
    {
        ASSERT_TRUE(mdl.Open(Write(text)));
        ASSERT_TRUE(mdl.Loaded);
    }
    // Geometry lines inside a model's header and geometry block.
    static std::string Model(std::initializer_list<std::string_view> geometry, const std::string &after = "")
    {
        return MdlText({"newmodel m", "beginmodelgeom m"}) + MdlText(geometry) + MdlText({"endmodelgeom m"}) +
               after + MdlText({"donemodel m"});
    }
    const TNode &NodeNamed(const std::string &name) const
    {
        for (const TNode &node : mdl.Nodes)
            if (node.Name == name)
                return node;
        throw std::runtime_error("no node " + name);
    }
};

TEST_F(ModelAsciiTest, HeaderKeywordsAndCommentTokens)
{
    Open(MdlText({"# made by hand", "filedependancy m.max", "newmodel castle", "#newmodel not_this",
                  "setsupermodel castle base_castle", "classification Tile", "setanimationscale 0,5",
                  "beginmodelgeom castle", "# node dummy x", "endnode", "endmodelgeom castle", "donemodel castle"}));
    EXPECT_EQ(mdl.FileDependency, "m.max");
    EXPECT_EQ(mdl.Name, "castle");
    EXPECT_EQ(mdl.SuperModel, "base_castle");
    EXPECT_EQ(mdl.Classification, "Tile");
    EXPECT_EQ(mdl.AnimationScale, 0.5f);
    // Only the "#" token is passed over: the words after it are read.
    ASSERT_EQ(mdl.NodeNames(), std::vector<std::string>{"x"});
    EXPECT_EQ(mdl.Nodes[0].NodeType, ntDummy);
}

TEST_F(ModelAsciiTest, MeshValuesAndTheOrientationAsAxisThenRadians)
{
    Open(Model({"node trimesh box", "  parent NULL", "  position 1,5 0 -2", "  orientation 0 0 1 1.5707964",
                "  wirecolor 0.5 0.25 1", "  ambient 0.1 0.2 0.3", "  diffuse 0.4 0.5 0.6", "  specular 0.7 0.8 0.9",
                "  shininess 26", "  bitmap first", "  bitmap second", "  verts 3", "    0 0 0", "    1 0 0",
                "    0 1 0", "  tverts 2", "    0 0 0", "    1 1 0", "  faces 1", "    0 1 2 3 0 1 2 9",
                "  radius 9", "endnode"}));
    const TNode &node = mdl.Nodes.at(0);
    EXPECT_EQ(node.NodeType, ntTrimesh);
    EXPECT_EQ(node.Parent, -1);
    EXPECT_EQ(node.Position, (std::array<float, 3>{1.5f, 0, -2}));
    EXPECT_NEAR(node.Orientation[0], 90, 1e-4);
    EXPECT_EQ((std::array<float, 3>{node.Orientation[1], node.Orientation[2], node.Orientation[3]}),
              (std::array<float, 3>{0, 0, 1}));
    EXPECT_EQ(node.WireColor, (std::array<float, 3>{0.5f, 0.25f, 1}));
    EXPECT_EQ(node.Ambient, (std::array<float, 4>{0.1f, 0.2f, 0.3f, 0}));
    EXPECT_EQ(node.Diffuse, (std::array<float, 4>{0.4f, 0.5f, 0.6f, 0}));
    EXPECT_EQ(node.Specular, (std::array<float, 4>{0.7f, 0.8f, 0.9f, 0}));
    EXPECT_EQ(node.Shininess, 26);
    EXPECT_TRUE(node.RenderFlag);
    ASSERT_EQ(mdl.Materials.size(), 1u);
    EXPECT_EQ(mdl.Materials[0].Name, "second");
    EXPECT_EQ(node.MaterialIndex, 0);
    const TMesh &mesh = *node.Mesh();
    ASSERT_EQ(mesh.Vertices.size(), 3u);
    EXPECT_EQ(mesh.Vertices[2].Y, 1);
    ASSERT_EQ(mesh.TexVertices.size(), 2u);
    EXPECT_EQ(mesh.TexVertices[1].U, 1);
    ASSERT_EQ(mesh.Faces.size(), 1u);
    const TFace &f = mesh.Faces[0];
    EXPECT_EQ(std::vector<int>({f.V0, f.V1, f.V2, f.Group, f.T0, f.T1, f.T2, f.Tag}),
              std::vector<int>({0, 1, 2, 3, 0, 1, 2, 1}));
    // Texture index 2 names no texture vertex.
    EXPECT_FALSE(mesh.FaceIsDrawable(f));

    // The orientation turns the node's children: a quarter turn about Z.
    Open(Model({"node dummy top", "endnode", "node dummy turned", "parent top", "orientation 0 0 1 1.5707964",
                "endnode", "node dummy child", "parent turned", "position 1 0 0", "endnode"}));
    const TMatrix &m = NodeNamed("child").Matrix;
    EXPECT_NEAR(m[12], 0, 1e-6);
    EXPECT_NEAR(m[13], 1, 1e-6);
}

TEST_F(ModelAsciiTest, NodeKindsAndWhatEachHonours)
{
    Open(Model({"node dummy d", "wirecolor 0 1 0", "ambient 1 1 1", "bitmap ignored", "verts 1 5 5 5", "endnode",
                "node emitter fire", "parent d", "update Fountain", "endnode", "node skin body", "endnode",
                "node light lamp", "parent d", "radius 14", "ambientonly 1", "isDynamic 1", "affectDynamic 0",
                "lightpriority 3", "shadow 1", "ambient 1 1 1", "endnode", "node danglymesh cloth", "verts 2", "0 0 0",
                "1 0 0", "constraints 2", "0 255", "endnode", "node aabb walk", "verts 1 0 0 0", "constraints",
                "0 0 0 1 1 1 -1", "0 0 0 0,5 0,5 0,5 7", "endnode", "node trimesh plain", "endnode"}));
    ASSERT_EQ(mdl.NodeNames(), (std::vector<std::string>{"d", "lamp", "cloth", "walk", "plain"}));
    const TNode &dummy = mdl.Nodes[0];
    EXPECT_EQ(dummy.WireColor, (std::array<float, 3>{0, 1, 0}));
    EXPECT_EQ(dummy.Ambient, (std::array<float, 4>{}));
    EXPECT_EQ(dummy.Mesh(), nullptr);
    EXPECT_EQ(dummy.MaterialIndex, -1);

    const TNode &lamp = mdl.Nodes[1];
    ASSERT_NE(lamp.Light(), nullptr);
    EXPECT_EQ(lamp.Parent, 0);
    EXPECT_EQ(lamp.Light()->Radius, 14);
    EXPECT_EQ(std::vector<int>({lamp.Light()->AmbientOnly, lamp.Light()->IsDynamic, lamp.Light()->AffectDynamic,
                                lamp.Light()->LightPriority, lamp.Light()->Shadow}),
              std::vector<int>({1, 1, 0, 3, 1}));
    EXPECT_EQ(lamp.Ambient, (std::array<float, 4>{}));
    EXPECT_EQ(lamp.WireColor, (std::array<float, 3>{1, 1, 1}));

    EXPECT_EQ(mdl.Nodes[2].Mesh()->Constraints, (std::vector<float>{0, 255}));
    const TNode &walk = mdl.Nodes[3];
    EXPECT_FALSE(walk.RenderFlag);
    EXPECT_EQ(walk.WireColor, (std::array<float, 3>{0, 0, 0}));
    ASSERT_EQ(walk.Mesh()->AabbTree.size(), 2u);
    EXPECT_EQ(walk.Mesh()->AabbTree[1].Box, (std::array<float, 6>{0, 0, 0, 0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(walk.Mesh()->AabbTree[1].Links[0], 7u);
    EXPECT_EQ(walk.Mesh()->AabbTree[0].Links[0], 0xFFFFFFFFu);

    // A mesh without "bitmap" has a material with an empty name.
    const TNode &plain = mdl.Nodes[4];
    EXPECT_TRUE(plain.RenderFlag);
    // (So have the danglymesh and the aabb node: one material serves them all.)
    ASSERT_EQ(mdl.Materials.size(), 1u);
    EXPECT_EQ(mdl.Materials[0].Name, "");
    EXPECT_EQ(plain.MaterialIndex, 0);
}

TEST_F(ModelAsciiTest, ParentsNameEarlierNodes)
{
    Open(Model({"node dummy a", "endnode", "node dummy b", "parent a", "endnode", "node dummy early", "parent later",
                "endnode", "node dummy a", "parent b", "endnode", "node dummy c", "parent a", "endnode",
                "node dummy later", "parent NULL", "endnode", "node dummy Later2", "parent A", "endnode"}));
    std::vector<int> parents;
    for (const TNode &node : mdl.Nodes)
        parents.push_back(node.Parent);
    // "a" named twice: the later one counts; names match in their exact case.
    EXPECT_EQ(parents, (std::vector<int>{-1, 0, -1, 1, 3, -1, -1}));
}

TEST_F(ModelAsciiTest, AnimationsWithKeysWithAndWithoutACount)
{
    Open(Model({"node dummy root", "endnode"},
               MdlText({"newanim walk m length 1,5 transtime 0.25", "  node dummy root", "    parent NULL",
                        "    positionkey 0 0 0 0 1 0 0 1 endlist", "    orientationkey 2", "      0 0 0 1 0",
                        "      1 0 0 1 3.14", "    endlist", "  endnode", "  node trimesh ignored", "    parent root",
                        "  endnode", "  node dummy arm", "    parent root", "    positionkey 1", "      0.5 1 2 3",
                        "    endlist", "    orientationkey endlist", "  endnode", "  node dummy hand",
                        "    parent arm", "    positionkey 0 1 2 3 endlist", "    orientationkey 0 endlist",
                        "  endnode", "doneanim walk m", "# newanim commented m length 1 transtime 0",
                        "doneanim commented m", "newanim idle m length 2 transtime 0", "doneanim idle m"})));
    EXPECT_EQ(mdl.AnimationNames(), (std::vector<std::string>{"walk", "commented", "idle"}));
    const TAnim &walk = mdl.Animations[0];
    EXPECT_EQ(walk.Length, 1.5f);
    EXPECT_EQ(walk.TransTime, 0.25f);
    ASSERT_EQ(walk.Nodes.size(), 3u);

    const TAnimNode &root = walk.Nodes[0];
    EXPECT_EQ(root.Parent, -1);
    ASSERT_EQ(root.PositionKeys.size(), 2u);
    EXPECT_EQ(root.PositionKeys[1].Time, 1);
    EXPECT_EQ(root.PositionKeys[1].Z, 1);
    ASSERT_EQ(root.OrientationKeys.size(), 2u);
    EXPECT_EQ(root.OrientationKeys[1].Time, 1);
    EXPECT_EQ(root.OrientationKeys[1].Values, (std::array<float, 4>{0, 0, 1, 3.14f}));

    const TAnimNode &arm = walk.Nodes[1];
    EXPECT_EQ(arm.Name, "arm");
    EXPECT_EQ(arm.Parent, 0);
    ASSERT_EQ(arm.PositionKeys.size(), 1u);
    EXPECT_EQ(arm.PositionKeys[0].Time, 0.5f);
    EXPECT_EQ(arm.PositionKeys[0].X, 1);
    EXPECT_EQ(arm.PositionKeys[0].Z, 3);
    EXPECT_TRUE(arm.OrientationKeys.empty());

    // Four numbers are one key even when the first is an integer; a lone 0 is
    // a count of no keys.
    const TAnimNode &hand = walk.Nodes[2];
    EXPECT_EQ(hand.Parent, 1);
    ASSERT_EQ(hand.PositionKeys.size(), 1u);
    EXPECT_EQ(hand.PositionKeys[0].Time, 0);
    EXPECT_EQ(hand.PositionKeys[0].X, 1);
    EXPECT_TRUE(hand.OrientationKeys.empty());
    EXPECT_TRUE(mdl.Animations[2].Nodes.empty());
}

// ---------------------------------------------------------------- early ends and damaged text

struct Text {
    const char *Name;
    std::string Content;
    std::vector<std::string> Nodes;      // the nodes kept
    std::vector<std::string> Animations; // the animations kept, with their node counts as "name:count"
    std::optional<std::string> Refusal;  // part of the message after the file's name
};

void PrintTo(const Text &row, std::ostream *os) { *os << row.Name; }

class AsciiModelEnds : public ModelAsciiTest, public ::testing::WithParamInterface<Text> {};

TEST_P(AsciiModelEnds, KeepWhatWasCompleteOrNameTheLineAndWord)
{
    const Text &row = GetParam();
    const std::string path = Write(row.Content);
    if (row.Refusal) {
        try {
            mdl.Open(path);
            ADD_FAILURE() << "the file was read";
        } catch (const EFileError &error) {
            EXPECT_EQ(error.what(), "\"" + path + "\" is damaged: " + *row.Refusal);
        }
        EXPECT_TRUE(mdl.Nodes.empty());
        EXPECT_FALSE(mdl.Loaded);
        return;
    }
    ASSERT_TRUE(mdl.Open(path));
    EXPECT_EQ(mdl.NodeNames(), row.Nodes);
    std::vector<std::string> animations;
    for (const TAnim &animation : mdl.Animations)
        animations.push_back(animation.Name + ":" + std::to_string(animation.Nodes.size()));
    EXPECT_EQ(animations, row.Animations);
}

const std::string kTwoNodes = "newmodel m\r\nbeginmodelgeom m\r\nnode dummy a\r\nendnode\r\nnode trimesh b\r\n";

// Every cut of a model text is read or refused naming the file and the line.
// (An empty file has no text: it is refused as a binary model without header.)
TEST_F(ModelAsciiTest, EveryCutIsReadOrRefused)
{
    const std::string whole = Model({"node dummy a", "position 1 2 3", "endnode", "node trimesh b", "parent a",
                                     "verts 2 0 0 0 1 1 1", "tverts 1 0 0 0", "faces 1 0 1 1 1 0 0 0 1", "endnode",
                                     "node aabb c", "constraints 0 0 0 1 1 1 0", "endnode"},
                                    MdlText({"newanim w m length 1 transtime 0", "node dummy a",
                                             "positionkey 1 0 1 2 3 endlist", "orientationkey 0 0 0 1 0 endlist",
                                             "endnode", "doneanim w m"}));
    std::size_t mostNodes = 0;
    for (std::size_t size = 1; size <= whole.size(); ++size) {
        const std::string path = Write(whole.substr(0, size));
        try {
            ASSERT_TRUE(mdl.Open(path));
            mostNodes = std::max(mostNodes, mdl.Nodes.size());
        } catch (const EFileError &error) {
            // A cut inside a word leaves another word where a number belongs.
            ASSERT_THAT(error.what(), HasSubstr("\"" + path + "\" is damaged: line "));
        }
    }
    EXPECT_EQ(mostNodes, 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AsciiModelEnds,
    ::testing::Values(
        Text{"EmptyText", "\n", {}, {}, std::nullopt},
        Text{"EndsInTheGeometryBlock", kTwoNodes + "endnode\r\n", {"a", "b"}, {}, std::nullopt},
        Text{"EndsInsideANode", kTwoNodes + "bitmap x\r\n", {"a"}, {}, std::nullopt},
        Text{"EndsAfterAKeyword", kTwoNodes + "bitmap", {"a"}, {}, std::nullopt},
        Text{"EndsInAVertexList", kTwoNodes + "verts 3\r\n0 0 0\r\n1 1", {"a"}, {}, std::nullopt},
        Text{"HugeVertexCountAllocatesNothing", kTwoNodes + "verts 2000000000\r\n1 2 3\r\n1 2", {"a"}, {}, std::nullopt},
        Text{"HugeFaceCountAllocatesNothing", kTwoNodes + "faces 2147483647\r\n0 1 2 1 0 1 2 1\r\n0 1", {"a"}, {}, std::nullopt},
        Text{"EndsInAnAnimation",
             kTwoNodes + "endnode\r\nendmodelgeom m\r\nnewanim walk m length 1 transtime 0\r\nnode dummy a\r\n"
                         "endnode\r\nnode dummy b\r\npositionkey 0 1 2",
             {"a", "b"},
             {"walk:1"},
             std::nullopt},
        Text{"EndsInAnAnimationHeader", kTwoNodes + "endnode\r\nendmodelgeom m\r\nnewanim walk m length", {"a", "b"}, {}, std::nullopt},
        Text{"WordInAVertexList", kTwoNodes + "verts 2\r\n0 0 0\r\n1 one 1\r\nendnode\r\n", {}, {},
             "line 8: \"one\" stands where verts needs a number"},
        Text{"WordForACount", kTwoNodes + "faces some\r\n", {}, {}, "line 6: \"some\" stands where faces needs a number"},
        Text{"FloatWhereAnIntegerBelongs", kTwoNodes + "faces 1\r\n0 1 2 1 0 1 2 1.5\r\n", {}, {},
             "line 7: \"1.5\" stands where faces needs a number"},
        Text{"WordInAPosition", "newmodel m\r\nbeginmodelgeom m\r\nnode dummy a\r\n  position 1 x 2\r\nendnode\r\n", {},
             {}, "line 4: \"x\" stands where position needs a number"},
        Text{"WordForTheAnimationScale", "setanimationscale big\n", {}, {},
             "line 1: \"big\" stands where setanimationscale needs a number"},
        Text{"AabbEntryCutByAWord", "beginmodelgeom m\nnode aabb w\nconstraints\n0 0 0 1 1 1 3\n0 0 0 endnode\n", {}, {},
             "line 5: \"endnode\" stands where constraints needs a number"},
        Text{"UnprintableWord", "beginmodelgeom m\nnode dummy d\nposition 1 2 \x01\xff\n", {}, {},
             "line 3: \"??\" stands where position needs a number"},
        Text{"KeyListOfTheWrongLength",
             "beginmodelgeom m\nendmodelgeom m\nnewanim a m length 1 transtime 0\nnode dummy d\n"
             "orientationkey 2\n0 0 0 1 0\n1 0 0 1 3 7\nendlist\nendnode\ndoneanim a m\n",
             {}, {},
             "line 8: the orientationkey list holds 12 numbers: neither whole keys of 5 values nor a count followed "
             "by that many keys"},
        Text{"WordInAKeyList",
             "beginmodelgeom m\nendmodelgeom m\nnewanim a m length 1 transtime 0\nnode dummy d\n"
             "positionkey 0 0 0 0\nendnode\n",
             {}, {}, "line 6: \"endnode\" stands where positionkey needs a number"}),
    [](const auto &info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------- hostile texts

std::string Repeated(const std::string &text, std::size_t count)
{
    std::string out;
    out.reserve(text.size() * count);
    for (std::size_t i = 0; i < count; ++i)
        out += text;
    return out;
}

class HostileTexts : public ModelAsciiTest, public ::testing::WithParamInterface<coretest::THostileFile> {};

TEST_P(HostileTexts, StayWithinTheirBounds)
{
    const std::string path = dir / "hostile.mdl";
    coretest::ExpectSeen(GetParam(), path, [&] {
        CMDL model;
        model.Open(path);
        std::size_t faces = 0, animationNodes = 0, keys = 0;
        for (const TNode &node : model.Nodes)
            if (const TMesh *mesh = node.Mesh())
                faces += mesh->Faces.size();
        for (const TAnim &animation : model.Animations)
            for (const TAnimNode &node : animation.Nodes) {
                ++animationNodes;
                keys += node.PositionKeys.size() + node.OrientationKeys.size();
            }
        return std::to_string(model.Nodes.size()) + " nodes, " + std::to_string(faces) + " faces, " +
               std::to_string(animationNodes) + " animation nodes, " + std::to_string(keys) + " keys";
    });
}

INSTANTIATE_TEST_SUITE_P(
    All, HostileTexts,
    ::testing::Values(
        coretest::THostileFile{"ManyShortNodes", [] { return "beginmodelgeom m\n" + Repeated("node dummy a endnode\n", 20000); },
                    "20000 nodes, 0 faces, 0 animation nodes, 0 keys"},
        coretest::THostileFile{"TooManyShortNodes",
                    [] { return "beginmodelgeom m\n" + Repeated("node dummy a endnode\n", 1000000); },
                    "is too large to show: its nodes, meshes and animations would take more than 288 MiB."},
        coretest::THostileFile{"ManyShortMeshNodes",
                    [] { return "beginmodelgeom m\n" + Repeated("node trimesh a endnode\n", 20000); },
                    "20000 nodes, 0 faces, 0 animation nodes, 0 keys"},
        coretest::THostileFile{"ManyFaces",
                    [] {
                        return "beginmodelgeom m\nnode trimesh a\nfaces 200000\n" + Repeated("0 0 0 0 0 0 0 0\n", 200000) +
                               "endnode\n";
                    },
                    "1 nodes, 200000 faces, 0 animation nodes, 0 keys"},
        coretest::THostileFile{"ManyAnimationNodes",
                    [] {
                        return "beginmodelgeom m\nendmodelgeom m\nnewanim a m length 1 transtime 0\n" +
                               Repeated("node dummy a endnode\n", 100000) + "doneanim a m\n";
                    },
                    "0 nodes, 0 faces, 100000 animation nodes, 0 keys"},
        coretest::THostileFile{"LongKeyList",
                    [] {
                        return "beginmodelgeom m\nendmodelgeom m\nnewanim a m length 1 transtime 0\nnode dummy a\n"
                               "positionkey\n" +
                               Repeated("0 0 0 0\n", 250000) + "endlist\nendnode\ndoneanim a m\n";
                    },
                    "0 nodes, 0 faces, 1 animation nodes, 250000 keys"}),
    coretest::NameOf);

} // namespace
