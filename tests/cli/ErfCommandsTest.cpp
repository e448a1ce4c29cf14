// quorlin erf list / extract / pack on archives made by the test data builders.

#include "CliRunner.h"

#include "testdata/ByteBuilder.h"
#include "testdata/ErfBuilder.h"
#include "testdata/ResTypeNumbers.h"

#include <gmock/gmock.h>

#include <csignal>
#include <cstdint>
#include <fstream>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;
namespace rt = testdata::restype;
using testdata::ErfBuilder;
using ::testing::HasSubstr;

namespace {

std::uint32_t U32At(const std::string &bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes.at(offset + static_cast<std::size_t>(i)));
    return value;
}

class ErfCommands : public CliTest {
protected:
    ErfBuilder SampleHak()
    {
        ErfBuilder hak("HAK ");
        hak.AddString(0, ErfBuilder::HakText("Title", "http://x", "Text"));
        hak.Add("wall", rt::TGA, std::string(70, 'w'));
        hak.Add("Movie", rt::MVE, "mve");
        hak.Add("waypoint", rt::SSF_ALIAS, "utw");
        hak.Add("sixteen_chars_ab", rt::TXT, "sixteen");
        const int odd = hak.Add("odd", rt::TGA, "odd");
        hak.Resources[static_cast<std::size_t>(odd)].Reserved = 1; // a type no row names
        hak.Resources[static_cast<std::size_t>(odd)].ResId = 77;
        hak.Add("empty", rt::NSS, "");
        return hak;
    }
};

TEST_F(ErfCommands, ListPrintsIdNameTypeAndSize)
{
    SampleHak().WriteTo(Root() / "sample.hak");

    const CliResult result = Run({"erf", "list", Path("sample.hak")});

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Err, "");
    EXPECT_EQ(result.Out, "0\twall\tTGA\t70\n"
                          "1\tMovie\tMVE\t3\n"
                          "2\twaypoint\tUTW\t3\n"
                          "3\tsixteen_chars_ab\tTXT\t7\n"
                          "77\todd\tRAW\t3\n"
                          "5\tempty\tNSS\t0\n");
}

TEST_F(ErfCommands, ListReadsAnyFileNameWhoseSignaturePasses)
{
    ErfBuilder module("mod ");
    module.Add("module", rt::IFO, "IFO V3.2");
    module.WriteTo(Root() / "world.nwm");

    const CliResult result = Run({"erf", "list", Path("world.nwm")});

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Out, "0\tmodule\tIFO\t8\n");
}

TEST_F(ErfCommands, ListOfAnEmptyArchivePrintsNothing)
{
    ErfBuilder("ERF ").WriteTo(Root() / "empty.erf");

    const CliResult result = Run({"erf", "list", Path("empty.erf")});

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Out, "");
    EXPECT_EQ(result.Err, "");
}

TEST_F(ErfCommands, ExtractWritesEveryEntryByteForByte)
{
    SampleHak().WriteTo(Root() / "sample.hak");

    const CliResult result = Run({"erf", "extract", Path("sample.hak"), Path("out")});

    ASSERT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(result.Out, "");
    const std::pair<const char *, std::string> expected[] = {
        {"wall.tga", std::string(70, 'w')}, {"Movie.mve", "mve"}, {"waypoint.utw", "utw"},
        {"sixteen_chars_ab.txt", "sixteen"}, {"odd.raw", "odd"},   {"empty.nss", ""},
    };
    std::size_t files = 0;
    for (const auto &entry : fs::directory_iterator(Root() / "out"))
        files += entry.is_regular_file();
    EXPECT_EQ(files, std::size(expected));
    for (const auto &[name, bytes] : expected) {
        ASSERT_TRUE(fs::is_regular_file(Root() / "out" / name)) << name;
        EXPECT_EQ(testdata::ReadFile(Root() / "out" / name), bytes) << name;
    }
}

TEST_F(ErfCommands, WrongSignatureIsRefused)
{
    ErfBuilder gff("GFF ");
    gff.Add("x", rt::TXT, "x");
    gff.WriteTo(Root() / "fake.mod");

    for (const char *command : {"list", "extract"}) {
        std::vector<std::string> args{"erf", command, Path("fake.mod")};
        if (std::string(command) == "extract")
            args.push_back(Path("out"));

        const CliResult result = Run(args);

        EXPECT_EQ(result.ExitCode, 1) << command;
        EXPECT_EQ(result.Out, "") << command;
        EXPECT_THAT(result.Err, HasSubstr("Not a Duskmere MOD/HAK/ERF File.")) << command;
    }
    EXPECT_FALSE(fs::exists(Root() / "out/x.txt"));
}

TEST_F(ErfCommands, MissingArchiveFails)
{
    const CliResult result = Run({"erf", "list", Path("missing.erf")});

    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(result.Out, "");
    EXPECT_THAT(result.Err, HasSubstr(Path("missing.erf")));
    EXPECT_EQ(SplitLines(result.Err).size(), 1u);
}

TEST_F(ErfCommands, EntryBeyondTheEndOfTheArchiveWritesNoBytesItDidNotRead)
{
    ErfBuilder erf("ERF ");
    erf.Add("good", rt::TXT, "good");
    erf.Add("cut", rt::TXT, std::string(200, 'c'));
    const std::string whole = erf.Build();
    testdata::WriteFile(Root() / "cut.erf", whole.substr(0, whole.size() - 100));

    const CliResult result = Run({"erf", "extract", Path("cut.erf"), Path("out")});

    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_NE(result.Err, "");
    EXPECT_FALSE(fs::exists(Root() / "out/cut.txt"));
}

// An archive of a, b and c (4 bytes each): keys at 160, resources at 232.
ErfBuilder ThreeResources(const std::string &suffix = "")
{
    ErfBuilder erf("MOD ");
    for (const char *name : {"a", "b", "c"})
        erf.Add(name + suffix, rt::TXT, std::string(4, name[0]));
    return erf;
}

// Archives whose lists run past their end or whose resources overlap.
TEST_F(ErfCommands, ListReportsDamageAndNotesOverlaps)
{
    struct Case {
        const char *Name;
        std::function<std::string()> Make;
        int ExitCode;
        std::string Out;
        std::string Err; // after "quorlin: ", where PATH stands for the archive's path
    };
    const Case cases[] = {
        {"BillionsOfEntriesPastTheEnd",
         [] {
             ErfBuilder erf = ThreeResources();
             erf.EntryCountField = 1900000000;
             erf.KeyListOffsetField = 0x7FFFFFF0;
             return erf.Build();
         },
         1, "", "\"PATH\" is damaged: its header announces 1900000000 entries, but only 0 lie inside it.\n"},
        {"ResourceListCutShort",
         [] {
             ErfBuilder erf = ThreeResources();
             erf.ResourceListOffsetField = 252;
             return erf.Build();
         },
         1, "0\ta\tTXT\t1633771873\n1\tb\tTXT\t1667457891\n", // sizes read from the data
         "\"PATH\" is damaged: its header announces 3 entries, but only 2 lie inside it.\n"},
        {"EveryEntryTheFirstOnesBytes",
         [] {
             std::string bytes = ThreeResources("_shared").Build();
             for (std::size_t entry = 1; entry < 3; ++entry)
                 bytes.replace(232 + 8 * entry, 4, bytes.substr(232, 4));
             return bytes;
         },
         0, "0\ta_shared\tTXT\t4\n1\tb_shared\tTXT\t4\n2\tc_shared\tTXT\t4\n",
         "note: 2 resources of PATH overlap the bytes of others\n"},
    };
    for (const Case &c : cases) {
        testdata::WriteFile(Root() / "test.mod", c.Make());

        const CliResult result = Run({"erf", "list", Path("test.mod")});

        std::string err = "quorlin: " + c.Err;
        err.replace(err.find("PATH"), 4, Path("test.mod"));
        EXPECT_EQ(result.ExitCode, c.ExitCode) << c.Name;
        EXPECT_EQ(result.Out, c.Out) << c.Name;
        EXPECT_EQ(result.Err, err) << c.Name;
    }
}

// ---------------------------------------------------------------- pack

class ErfPack : public CliTest {
protected:
    void File(const std::string &name, const std::string &bytes) { testdata::WriteFile(Root() / "in" / name, bytes); }
    std::string In(const std::string &name) const { return Path("in/" + name); }
};

TEST_F(ErfPack, PackedHakListsAndExtractsWhatWentIn)
{
    File("stone.tga", std::string(1000, 's'));
    File("sixteen_chars_ab.txt", "sixteen characters");
    File("sounds.SSF", "SSF V1.0");
    File("nothing.nss", "");

    const CliResult pack = Run({"erf", "pack", Path("pack"), "--kind", "hak", "--title", "My Title",
                                "--url=http://example.org", "--description", "Line one", In("stone.tga"),
                                In("sixteen_chars_ab.txt"), In("sounds.SSF"), In("nothing.nss")});

    ASSERT_EQ(pack.ExitCode, 0) << pack.Err;
    EXPECT_EQ(pack.Err, "");
    EXPECT_EQ(pack.Out, Path("pack.hak") + "\n");

    const CliResult list = Run({"erf", "list", Path("pack.hak")});
    EXPECT_EQ(list.ExitCode, 0);
    EXPECT_EQ(list.Out, "0\tstone\tTGA\t1000\n"
                        "1\tsixteen_chars_ab\tTXT\t18\n"
                        "2\tsounds\tSSF\t8\n"
                        "3\tnothing\tNSS\t0\n");

    const CliResult extract = Run({"erf", "extract", Path("pack.hak"), Path("out")});
    ASSERT_EQ(extract.ExitCode, 0) << extract.Err;
    EXPECT_EQ(testdata::ReadFile(Root() / "out/stone.tga"), std::string(1000, 's'));
    EXPECT_EQ(testdata::ReadFile(Root() / "out/sixteen_chars_ab.txt"), "sixteen characters");
    EXPECT_EQ(testdata::ReadFile(Root() / "out/sounds.ssf"), "SSF V1.0");
    EXPECT_EQ(testdata::ReadFile(Root() / "out/nothing.nss"), "");

    // The HAK's one string: title, line feed, URL, line feed, description, zero byte.
    const std::string bytes = testdata::ReadFile(Root() / "pack.hak");
    ASSERT_GE(bytes.size(), 168u);
    EXPECT_EQ(bytes.substr(0, 8), "HAK V1.0");
    const std::string text = std::string("My Title\nhttp://example.org\nLine one") + '\0';
    EXPECT_EQ(U32At(bytes, 164), text.size());
    EXPECT_EQ(bytes.substr(168, text.size()), text);
}

TEST_F(ErfPack, ModKeepsItsDescriptionAndErfHasNoText)
{
    File("a.txt", "a");

    const CliResult mod = Run({"erf", "pack", Path("m.mod"), "--kind", "mod", "--description", "About", In("a.txt")});
    const CliResult erf = Run({"erf", "pack", Path("e"), "--kind", "ERF", In("a.txt")});

    ASSERT_EQ(mod.ExitCode, 0) << mod.Err;
    EXPECT_EQ(mod.Out, Path("m.mod") + "\n");
    const std::string modBytes = testdata::ReadFile(Root() / "m.mod");
    EXPECT_EQ(modBytes.substr(0, 4), "MOD ");
    EXPECT_EQ(U32At(modBytes, 164), 5u);
    EXPECT_EQ(modBytes.substr(168, 5), "About");

    ASSERT_EQ(erf.ExitCode, 0) << erf.Err;
    EXPECT_EQ(erf.Out, Path("e.erf") + "\n");
    const std::string erfBytes = testdata::ReadFile(Root() / "e.erf");
    EXPECT_EQ(erfBytes.substr(0, 4), "ERF ");
    EXPECT_EQ(U32At(erfBytes, 24), 160u); // the key list follows the header directly
    EXPECT_EQ(Run({"erf", "list", Path("e.erf")}).Out, "0\ta\tTXT\t1\n");
}

TEST_F(ErfPack, RefusedFilesAreReportedOneLineEachAndSkipped)
{
    File("a.utc", "first");
    File("A.UTC", "duplicate");
    File("seventeen_chars_x.txt", "too long");
    File("picture.jpg", "jpeg");
    File("kept.txt", "kept");

    const CliResult result =
        Run({"erf", "pack", Path("out.erf"), "--kind", "erf", In("a.utc"), In("A.UTC"),
             In("seventeen_chars_x.txt"), In("picture.jpg"), In("kept.txt")});

    ASSERT_EQ(result.ExitCode, 0) << result.Err;
    const auto lines = SplitLines(result.Err);
    ASSERT_EQ(lines.size(), 3u) << result.Err;
    EXPECT_THAT(lines[0], HasSubstr(In("A.UTC")));
    EXPECT_THAT(lines[0], HasSubstr("already present"));
    EXPECT_THAT(lines[1], HasSubstr(In("seventeen_chars_x.txt")));
    EXPECT_THAT(lines[1], HasSubstr("16 characters"));
    EXPECT_THAT(lines[2], HasSubstr(In("picture.jpg")));
    EXPECT_THAT(lines[2], HasSubstr("extension"));

    const CliResult list = Run({"erf", "list", Path("out.erf")});
    EXPECT_EQ(list.Out, "0\ta\tUTC\t5\n"
                        "1\tkept\tTXT\t4\n");
}

TEST_F(ErfPack, PackingNothingButRefusedFilesFailsAndWritesNothing)
{
    File("picture.jpg", "jpeg");
    File("seventeen_chars_x.txt", "too long");

    const CliResult result =
        Run({"erf", "pack", Path("out.erf"), "--kind", "erf", In("picture.jpg"), In("seventeen_chars_x.txt")});

    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(result.Out, "");
    EXPECT_EQ(SplitLines(result.Err).size(), 3u) << result.Err; // two refusals and the failure
    EXPECT_THAT(result.Err, HasSubstr("nothing was written"));
    EXPECT_FALSE(fs::exists(Root() / "out.erf"));
}

TEST_F(ErfPack, MissingInputFileFailsAndWritesNothing)
{
    File("a.txt", "a");

    const CliResult result = Run({"erf", "pack", Path("out.mod"), "--kind", "mod", In("a.txt"), In("gone.txt")});

    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(result.Out, "");
    EXPECT_THAT(result.Err, HasSubstr(In("gone.txt")));
    EXPECT_FALSE(fs::exists(Root() / "out.mod"));
}

TEST_F(ErfPack, UnwritableFolderFails)
{
    File("a.txt", "a");
    testdata::WriteFile(Root() / "plain", "not a folder");

    const CliResult result = Run({"erf", "pack", Path("plain/out.mod"), "--kind", "mod", In("a.txt")});

    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(result.Out, "");
    EXPECT_THAT(result.Err, HasSubstr(Path("plain/out.mod")));
    EXPECT_EQ(SplitLines(result.Err).size(), 1u);
}

TEST_F(ErfPack, ExistingArchiveIsReplaced)
{
    File("a.txt", "a");
    File("b.txt", "bb");
    ASSERT_EQ(Run({"erf", "pack", Path("x.erf"), "--kind", "erf", In("a.txt")}).ExitCode, 0);

    const CliResult again = Run({"erf", "pack", Path("x.erf"), "--kind", "erf", In("b.txt")});

    ASSERT_EQ(again.ExitCode, 0) << again.Err;
    EXPECT_EQ(Run({"erf", "list", Path("x.erf")}).Out, "0\tb\tTXT\t2\n");
}

} // namespace

namespace {

// Ctrl+C in the middle of an extraction: the tool stops between two files,
// every file it wrote is whole, and it says so with status 130.
TEST_F(ErfCommands, CtrlCStopsAnExtractionBetweenTwoFiles)
{
    constexpr int kEntries = 20000;
    const std::string text(1024, 't');
    ErfBuilder erf("ERF ");
    for (int i = 0; i < kEntries; ++i)
        erf.Add("entry" + std::to_string(i), testdata::restype::TXT, text);
    erf.WriteTo(Root() / "many.erf");
    const std::filesystem::path out = Root() / "out";

    const CliResult result = RunQuorlin({"erf", "extract", Path("many.erf"), out.string()}, Root().parent_path(),
                                        Root(), [&out](pid_t pid) {
                                            // The folder is made once the tool listens for Ctrl+C.
                                            while (!std::filesystem::exists(out))
                                                usleep(200);
                                            usleep(2000);
                                            kill(pid, SIGINT);
                                        });

    EXPECT_EQ(result.ExitCode, 130) << result.Err;
    EXPECT_THAT(result.Err, HasSubstr("stopped"));
    std::size_t written = 0;
    for (const auto &entry : std::filesystem::directory_iterator(out)) {
        ++written;
        EXPECT_EQ(std::filesystem::file_size(entry.path()), text.size()) << entry.path();
    }
    EXPECT_LT(written, std::size_t(kEntries));
}

// A file-size limit fails the write with a message, as a full disk does: the
// tool is not killed and leaves neither the archive nor a temporary file.
TEST_F(ErfCommands, AFileSizeLimitGivesAMessageAndLeavesNothing)
{
    std::filesystem::create_directories(Root() / "in");
    {
        std::ofstream big(Root() / "in/big.txt", std::ios::binary);
        big << std::string(256 * 1024, 'b');
    }
    std::filesystem::create_directories(Root() / "out");
    rlimit previous{};
    ::getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limit = previous;
    limit.rlim_cur = 64 * 1024;
    ::setrlimit(RLIMIT_FSIZE, &limit); // the tool inherits it; this process writes nothing large meanwhile
    const CliResult result = Run({"erf", "pack", Path("out/pack.mod"), "--kind", "mod", Path("in/big.txt")});
    ::setrlimit(RLIMIT_FSIZE, &previous);

    EXPECT_EQ(result.ExitCode, 1) << result.Err;
    EXPECT_THAT(result.Err, HasSubstr("File too large"));
    EXPECT_TRUE(std::filesystem::is_empty(Root() / "out"));
}

} // namespace
