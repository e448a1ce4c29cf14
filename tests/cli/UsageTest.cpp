// Help texts and the answers to wrong command lines.

#include "CliRunner.h"

#include "testdata/ByteBuilder.h"

#include <gmock/gmock.h>

using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

using Usage = CliTest;

TEST_F(Usage, HelpOfTheToolAndOfEachCommand)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--help"}, "usage: quorlin COMMAND"},
        {{"--version"}, "quorlin 1."},
        {{"key", "--help"}, "usage: quorlin key list KEY"},
        {{"erf", "--help"}, "usage: quorlin erf list FILE"},
        {{"key", "list", "--help"}, "usage: quorlin key list KEY"},
        {{"key", "extract", "--help"}, "usage: quorlin key extract KEY DIR"},
        {{"erf", "list", "--help"}, "usage: quorlin erf list FILE"},
        {{"erf", "extract", "--help"}, "usage: quorlin erf extract FILE DIR"},
        {{"erf", "pack", "--help"}, "usage: quorlin erf pack OUT --kind"},
        {{"plt", "--help"}, "usage: quorlin plt render FILE OUT.bmp"},
        {{"plt", "render", "--help"}, "usage: quorlin plt render FILE OUT.bmp [--palette NAME=ROW]..."},
        {{"image", "--help"}, "usage: quorlin image convert FILE OUT.png"},
        {{"image", "convert", "--help"}, "usage: quorlin image convert FILE OUT.png"},
        // --help wins over everything else on the line
        {{"erf", "pack", "out", "--kind", "bad", "--help"}, "usage: quorlin erf pack OUT --kind"},
    };
    for (const auto &[args, start] : cases) {
        const CliResult result = Run(args);

        EXPECT_EQ(result.ExitCode, 0) << args.back();
        EXPECT_THAT(result.Out, StartsWith(start)) << args.back();
        EXPECT_EQ(result.Err, "") << args.back();
    }
}

TEST_F(Usage, WrongCommandLinesFailWithOneLineAndStatusTwo)
{
    testdata::WriteFile(Root() / "a.txt", "a");
    const std::string file = Path("a.txt");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "missing command"},
        {{"zip"}, "unknown command 'zip'"},
        {{"key"}, "missing key command"},
        {{"key", "dump", file}, "unknown command 'key dump'"},
        {{"key", "list"}, "missing KEY"},
        {{"key", "list", file, "extra"}, "unexpected argument 'extra'"},
        {{"key", "list", "--verbose", file}, "unknown option --verbose"},
        {{"key", "extract", file}, "missing KEY and DIR"},
        {{"key", "extract", file, Path("out"), "--bif", "one"}, "--bif needs a BIF number"},
        {{"key", "extract", file, Path("out"), "--bif", "-1"}, "--bif needs a BIF number"},
        {{"key", "extract", file, Path("out"), "--bif"}, "--bif needs a value"},
        {{"erf", "extract", file}, "missing FILE and DIR"},
        {{"erf", "pack"}, "missing OUT"},
        {{"erf", "pack", Path("o"), "--kind", "mod"}, "missing FILE"},
        {{"erf", "pack", Path("o"), file}, "missing --kind"},
        {{"erf", "pack", Path("o"), "--kind", "zip", file}, "--kind must be mod, hak or erf"},
        {{"erf", "pack", Path("o"), "--kind", "mod", "--kind", "hak", file}, "--kind is given more than once"},
        {{"erf", "pack", Path("o"), "--kind", "mod", "--title", "T", file}, "--title is only for --kind hak"},
        {{"erf", "pack", Path("o"), "--kind", "erf", "--url", "U", file}, "--url is only for --kind hak"},
        {{"erf", "pack", Path("o"), "--kind", "erf", "--description", "D", file}, "--description is only for"},
    };
    for (const auto &[args, message] : cases) {
        const CliResult result = Run(args);
        const std::string shown = args.empty() ? "(no arguments)" : args.back();

        EXPECT_EQ(result.ExitCode, 2) << shown;
        EXPECT_EQ(result.Out, "") << shown;
        EXPECT_THAT(result.Err, HasSubstr(message)) << shown;
        EXPECT_THAT(result.Err, HasSubstr("--help")) << shown;
        EXPECT_EQ(SplitLines(result.Err).size(), 1u) << shown;
    }
    EXPECT_FALSE(std::filesystem::exists(Root() / "o.mod"));
    EXPECT_FALSE(std::filesystem::exists(Root() / "out"));
}

TEST_F(Usage, FilesAfterDoubleDashAreNotOptions)
{
    testdata::WriteFile(Root() / "--odd.txt", "odd");

    // Relative to the test's folder, where the tool runs.
    const CliResult result = Run({"erf", "pack", "o", "--kind", "erf", "--", "--odd.txt"});

    ASSERT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(result.Out, "o.erf\n");
    EXPECT_EQ(Run({"erf", "list", "o.erf"}).Out, "0\t--odd\tTXT\t3\n");
}

} // namespace
