// Game text on the command line: names and texts read in the encoding of their
// data and printed as UTF-8, names given on the command line encoded back.

#include "CliRunner.h"

#include "testdata/ByteBuilder.h"
#include "testdata/ErfBuilder.h"
#include "testdata/GffBuilder.h"
#include "testdata/ResTypeNumbers.h"
#include "testdata/TlkBuilder.h"

#include <gmock/gmock.h>

namespace fs = std::filesystem;
namespace rt = testdata::restype;
using ::testing::HasSubstr;

namespace {

struct TLanguageCase {
    std::uint32_t Language;
    const char *Encoding;
    std::string Name; // stored bytes
    std::string Shown; // UTF-8
};

const TLanguageCase kCases[] = {
    {0, "CP1252", "caf\xE9\x80", "caf\xC3\xA9\xE2\x82\xAC"},
    {5, "CP1250", "\xB3\xF3" "d\x9F", "\xC5\x82\xC3\xB3" "d\xC5\xBA"},
};

using GameTextCommands = CliTest;

TEST_F(GameTextCommands, TextsAreReadInTheirEncodingAndPrintedAsUtf8)
{
    for (const TLanguageCase &c : kCases) {
        SCOPED_TRACE(c.Encoding);
        const std::vector<std::string> encoding = {"--encoding", c.Encoding};
        auto run = [&](std::vector<std::string> args, bool withEncoding) {
            if (withEncoding)
                args.insert(args.end(), encoding.begin(), encoding.end());
            const CliResult result = Run(args);
            EXPECT_EQ(result.ExitCode, 0) << args[0] << " " << args[1] << ": " << result.Err;
            return result.Out;
        };

        // A talk table names its language; a byte its encoding lacks is written as \xHH.
        testdata::TlkBuilder tlk;
        tlk.LanguageId = c.Language;
        tlk.Add("", "-");
        tlk.Add(c.Name, c.Name + "\x81");
        tlk.WriteTo(Root() / "t.tlk");
        const std::string badByte = "\\x81"; // unassigned in both code pages
        EXPECT_EQ(run({"tlk", "get", Path("t.tlk"), "1"}, false), "1\t" + c.Shown + "\t" + c.Shown + badByte + "\n");
        EXPECT_EQ(run({"tlk", "search", Path("t.tlk"), c.Shown}, false), "1\t" + c.Shown + "\t" + c.Shown + badByte + "\n");

        // A localized substring is read in its language's encoding, the dump
        // as UTF-8 or, with --raw, as the bytes the viewer saves.
        testdata::GffBuilder gff("UTI ");
        gff.LocString(0, "LocName", 0xFFFFFFFF, {{c.Language * 2, c.Name}});
        gff.WriteTo(Root() / "a.uti");
        EXPECT_THAT(run({"gff", "list", Path("a.uti")}, false), HasSubstr("LANG " + std::to_string(c.Language * 2) + "\t" + c.Shown + "\n"));
        EXPECT_THAT(run({"gff", "dump", Path("a.uti")}, false), HasSubstr("= \"" + c.Shown + "\"\r\n"));
        EXPECT_THAT(run({"gff", "dump", "--raw", Path("a.uti")}, false), HasSubstr("= \"" + c.Name + "\"\r\n"));

        // Names of the game's encoding, given with --encoding: 2DA cells, archive
        // entries listed and extracted, found, and packed back from file names.
        testdata::WriteFile(Root() / "t.2da", "2DA V2.0\n\n   Label\n0  " + c.Name + "\n");
        EXPECT_EQ(run({"2da", "print", Path("t.2da")}, true), "ID \tLabel\n0\t" + c.Shown + "\n");
        testdata::ErfBuilder erf("ERF ");
        erf.Add(c.Name, rt::TXT, "text");
        erf.WriteTo(Root() / "n.erf");
        EXPECT_EQ(run({"erf", "list", Path("n.erf")}, true), "0\t" + c.Shown + "\tTXT\t4\n");
        EXPECT_EQ(run({"erf", "find", Path("n.erf"), c.Shown, "txt"}, true), "0\n");
        run({"erf", "extract", Path("n.erf"), Path("out")}, true);
        EXPECT_EQ(testdata::ReadFile(Root() / "out" / (c.Shown + ".txt")), "text");
        run({"erf", "pack", Path("p"), "--kind", "erf", Path("out/" + c.Shown + ".txt")}, true);
        EXPECT_THAT(testdata::ReadFile(Root() / "p.erf"), HasSubstr(c.Name + std::string(1, '\0')));
        fs::remove_all(Root() / "out");
    }
}

TEST_F(GameTextCommands, NamesTheEncodingCannotHoldAreRefusedAndUnknownEncodingsAreUsageErrors)
{
    testdata::WriteFile(Root() / "\xC5\x82\xC3\xB3" "d\xC5\xBA.txt", "text");
    const CliResult refused = Run({"erf", "pack", Path("p"), "--kind", "erf", "--encoding", "CP1252",
                                   Path("\xC5\x82\xC3\xB3" "d\xC5\xBA.txt")});
    EXPECT_EQ(refused.ExitCode, 1);
    EXPECT_THAT(refused.Err, HasSubstr("cannot hold"));
    EXPECT_FALSE(fs::exists(Root() / "p.erf"));

    const CliResult unknown = Run({"tlk", "list", Path("t.tlk"), "--encoding", "NO-SUCH-ENCODING"});
    EXPECT_EQ(unknown.ExitCode, 2);
    EXPECT_THAT(unknown.Err, HasSubstr("unknown text encoding 'NO-SUCH-ENCODING'"));
}

} // namespace
