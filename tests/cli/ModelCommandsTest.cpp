// quorlin mdl info on binary models built from the layout and on model text.

#include "CliRunner.h"

#include "testdata/ByteBuilder.h"
#include "testdata/MdlBuilder.h"

#include <gmock/gmock.h>

using ::testing::HasSubstr;
using ::testing::StartsWith;
using testdata::MdlBuilder;
using testdata::MdlNode;
namespace kind = testdata::mdlkind;

namespace {

using ModelCommands = CliTest;

MdlNode Mesh(testdata::MdlKind meshKind, std::string name, std::string texture)
{
    MdlNode node;
    node.Kind = meshKind;
    node.Name = std::move(name);
    node.Texture = std::move(texture);
    node.Vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    node.Faces = {{0, 1, 2}};
    node.TexCoords = {{0, 0}, {1, 0}, {0, 1}};
    return node;
}

TEST_F(ModelCommands, BinaryModelNodeByNode)
{
    MdlBuilder model;
    model.Name = "chest";
    model.SuperModel = "base_chest";
    MdlNode root;
    root.Name = "chest";
    root.Controllers = MdlBuilder::Placement({5, 0, 0}, {0, 0, 0, 1});
    model.Add(root);
    MdlNode lid = Mesh(kind::Trimesh, "lid", "Oak");
    lid.Controllers = MdlBuilder::Placement({0, 0.5f, 1.25f}, {0, 0, 0.7071068f, 0.7071068f});
    model.Add(lid, 0);
    model.Add(Mesh(kind::Trimesh, "base", "oak"), 0);
    MdlNode sparks;
    sparks.Kind = kind::Emitter;
    sparks.Name = "sparks";
    sparks.Texture = "spark";
    model.Add(sparks, 0);
    MdlNode lamp;
    lamp.Kind = kind::Light;
    lamp.Name = "lamp";
    const int light = model.Add(lamp, 0);
    model.Add(Mesh(kind::Danglymesh, "rope", "NULL"), light);
    model.Add(Mesh(kind::Aabb, "walk", ""), 0);
    testdata::WriteFile(Root() / "chest.mdl", model.Build());

    const CliResult result = Run({"mdl", "info", Path("chest.mdl")});

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Err, "");
    EXPECT_EQ(result.Out, "model\tchest\n"
                          "supermodel\tbase_chest\n"
                          "node\t0\tchest\tdummy\t-1\t\t0\t0\t5\t0\t0\t0\t0\t0\t0\n"
                          "node\t1\tlid\ttrimesh\t0\tOak\t3\t1\t0\t0.5\t1.25\t-90\t0\t0\t-1\n"
                          "node\t2\tbase\ttrimesh\t0\tOak\t3\t1\t0\t0\t0\t0\t0\t0\t0\n"
                          "node\t3\tsparks\temitter\t0\tspark\t0\t0\t0\t0\t0\t0\t0\t0\t0\n"
                          "node\t4\tlamp\tlight\t0\t\t0\t0\t0\t0\t0\t0\t0\t0\t0\n"
                          "node\t5\trope\tdanglymesh\t4\tNULL\t3\t1\t0\t0\t0\t0\t0\t0\t0\n"
                          "node\t6\twalk\taabb\t0\t\t3\t1\t0\t0\t0\t0\t0\t0\t0\n");
}

TEST_F(ModelCommands, AsciiModelWithAnimationsAndGameText)
{
    testdata::WriteFile(Root() / "m.mdl",
                        testdata::MdlText({"newmodel caf\xE9", "setsupermodel caf\xE9 NULL", "beginmodelgeom caf\xE9",
                                           "node dummy caf\xE9", "endnode", "node trimesh t\x01", "parent caf\xE9",
                                           "position 0,25 -1 1e-3", "orientation 1 0 0 3.1415927", "bitmap w\x81",
                                           "verts 1 0 0 0", "endnode", "endmodelgeom caf\xE9",
                                           "newanim walk caf\xE9 length 1.5 transtime 0.25", "node dummy caf\xE9",
                                           "positionkey 1 0 0 0 0 endlist", "endnode", "node dummy t",
                                           "orientationkey 0 endlist", "endnode", "doneanim walk caf\xE9",
                                           "newanim idle caf\xE9 length 3 transtime 0", "doneanim idle caf\xE9",
                                           "donemodel caf\xE9"}));

    const CliResult result = Run({"mdl", "info", Path("m.mdl")});

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Err, "");
    EXPECT_EQ(result.Out, "model\tcaf\xC3\xA9\n"
                          "supermodel\tNULL\n"
                          "node\t0\tcaf\xC3\xA9\tdummy\t-1\t\t0\t0\t0\t0\t0\t0\t0\t0\t0\n"
                          "node\t1\tt?\ttrimesh\t0\tw\\x81\t1\t0\t0.25\t-1\t0.001\t180\t1\t0\t0\n"
                          "animation\twalk\t1.5\t2\n"
                          "animation\tidle\t3\t0\n");

    const CliResult polish = Run({"mdl", "info", Path("m.mdl"), "--encoding", "CP1250"});
    EXPECT_EQ(polish.ExitCode, 0);
    EXPECT_THAT(polish.Out, StartsWith("model\tcaf\xC3\xA9\n"));
}

TEST_F(ModelCommands, MissingAndDamagedFilesFailNamingThem)
{
    MdlBuilder loop;
    MdlNode root;
    root.Name = "root";
    loop.Add(root);
    loop.Nodes[0].Children = {0};
    testdata::WriteFile(Root() / "loop.mdl", loop.Build());
    testdata::WriteFile(Root() / "short.mdl", std::string(6, '\0'));
    testdata::WriteFile(Root() / "word.mdl", testdata::MdlText({"beginmodelgeom m", "node dummy d", "position 1 2 z"}));

    const std::pair<std::string, std::string> cases[] = {
        {"missing.mdl", "quorlin: model file not found: " + Path("missing.mdl") + "\n"},
        {"loop.mdl", "quorlin: \"" + Path("loop.mdl") + "\" is damaged: the node at offset 220 is listed twice: "
                                                            "the node tree loops back on itself\n"},
        {"short.mdl", "quorlin: \"" + Path("short.mdl") + "\" is damaged: it is shorter than the 12-byte header "
                                                              "of a model\n"},
        {"word.mdl", "quorlin: \"" + Path("word.mdl") + "\" is damaged: line 3: \"z\" stands where position needs "
                                                            "a number\n"},
    };
    for (const auto &[file, message] : cases) {
        const CliResult result = Run({"mdl", "info", Path(file)});

        EXPECT_EQ(result.ExitCode, 1) << file;
        EXPECT_EQ(result.Out, "") << file;
        EXPECT_EQ(result.Err, message) << file;
    }
}

TEST_F(ModelCommands, HelpAndWrongCommandLines)
{
    EXPECT_THAT(Run({"mdl", "info", "--help"}).Out, StartsWith("usage: quorlin mdl info FILE\n"));
    EXPECT_THAT(Run({"--help"}).Out, HasSubstr("  mdl info FILE "));
    for (const auto &[args, message] : {std::pair<std::vector<std::string>, std::string>{{"mdl"}, "missing mdl command"},
                                        {{"mdl", "info"}, "missing FILE"}}) {
        const CliResult result = Run(args);
        EXPECT_EQ(result.ExitCode, 2) << message;
        EXPECT_THAT(result.Err, HasSubstr(message));
    }
}

} // namespace
