// quorlin 2da print on hand-written tables.

#include "CliRunner.h"

#include "testdata/ByteBuilder.h"

#include <gmock/gmock.h>

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using namespace std::string_literals;

namespace {

class TwoDACommands : public CliTest {
protected:
    CliResult Print(const std::string &text, const std::string &name = "table.2da")
    {
        testdata::WriteFile(Root() / name, text);
        return Run({"2da", "print", Path(name)});
    }
};

TEST_F(TwoDACommands, PrintsTitlesThenOneLinePerRow)
{
    const CliResult result = Print("2DA V2.0\r\n"
                                   "\r\n"
                                   "     Label   Name\r\n"
                                   "0    Sword   A long blade\r\n"
                                   "\r\n"
                                   "1    Bow\r\n"
                                   "2    \"Iron Shield\"   \"Round shield\"\r\n");

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Err, "");
    EXPECT_EQ(result.Out, "ID   \tLabel   \tName\n"
                          "0\tSword\tA long blade\n"
                          "1\tBow\t\n"
                          "2\t\"Iron\tShield\"   \"Round shield\"\n");
}

TEST_F(TwoDACommands, TabSeparatedTableAndTabsInTheLastCell)
{
    const CliResult result = Print("2DA V2.0\n\tLabel\tName\n0\tSword\tLong\tblade\n");

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Out, "ID\tLabel \tName\n"
                          "0\tSword\tLong blade\n");
}

TEST_F(TwoDACommands, DefaultLineAndColumnLineWithoutIndent)
{
    const CliResult result = Print("2DA V2.0\nDEFAULT: ****\nLabel Cost\n0 Torch 1\n");

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Out, "ID\tLabel \tCost\n"
                          "0\tTorch\t1\n");
}

TEST_F(TwoDACommands, ControlCharactersInCellsAreShownAsQuestionMarks)
{
    const CliResult result = Print("2DA V2.0\n  Label Name\n0 a\x01z first\0second\n"s);

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Out, "ID\tLabel \tName\n"
                          "0\ta?z\tfirst?second\n");
}

TEST_F(TwoDACommands, TableWithoutColumnLinePrintsNothing)
{
    for (const std::string text : {"", "2DA V2.0\r\n", "2DA V2.0\r\n\r\n   \r\n"}) {
        const CliResult result = Print(text);

        EXPECT_EQ(result.ExitCode, 0) << text;
        EXPECT_EQ(result.Out, "") << text;
        EXPECT_EQ(result.Err, "") << text;
    }
}

TEST_F(TwoDACommands, MissingFileOrFolderFails)
{
    fs::create_directories(Root() / "folder.2da");
    const std::pair<std::string, std::string> cases[] = {
        {Path("missing.2da"), "not found"},
        {Path("folder.2da"), "is not a file"},
    };
    for (const auto &[path, message] : cases) {
        const CliResult result = Run({"2da", "print", path});

        EXPECT_EQ(result.ExitCode, 1) << path;
        EXPECT_EQ(result.Out, "") << path;
        EXPECT_THAT(result.Err, HasSubstr(message)) << path;
        EXPECT_THAT(result.Err, HasSubstr(path)) << path;
        EXPECT_EQ(SplitLines(result.Err).size(), 1u) << path;
    }
}

TEST_F(TwoDACommands, WrongCommandLines)
{
    testdata::WriteFile(Root() / "a.2da", "2DA V2.0\n");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"2da"}, "missing 2da command"},
        {{"2da", "show", Path("a.2da")}, "unknown command '2da show'"},
        {{"2da", "print"}, "missing FILE"},
        {{"2da", "print", Path("a.2da"), "extra"}, "unexpected argument 'extra'"},
        {{"2da", "print", "--wide", Path("a.2da")}, "unknown option --wide"},
    };
    for (const auto &[args, message] : cases) {
        const CliResult result = Run(args);

        EXPECT_EQ(result.ExitCode, 2) << args.back();
        EXPECT_EQ(result.Out, "") << args.back();
        EXPECT_THAT(result.Err, HasSubstr(message)) << args.back();
        EXPECT_THAT(result.Err, HasSubstr("--help")) << args.back();
    }
}

TEST_F(TwoDACommands, Help)
{
    const CliResult tool = Run({"--help"});
    EXPECT_THAT(tool.Out, HasSubstr("2da print FILE"));

    const std::vector<std::string> helpCommands[] = {{"2da", "--help"}, {"2da", "print", "--help"}};
    for (const auto &args : helpCommands) {
        const CliResult result = Run(args);

        EXPECT_EQ(result.ExitCode, 0) << args.size();
        EXPECT_THAT(result.Out, StartsWith("usage: quorlin 2da print FILE")) << args.size();
        EXPECT_EQ(result.Err, "") << args.size();
    }
    EXPECT_THAT(Run({"2da", "print", "--help"}).Out, HasSubstr("column titles"));
}

} // namespace
