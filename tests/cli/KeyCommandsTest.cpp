// quorlin key list / key extract on KEY and BIF files made by the test data builders.

#include "CliRunner.h"

#include "testdata/ByteBuilder.h"
#include "testdata/KeyBifBuilder.h"
#include "testdata/ResTypeNumbers.h"

#include <gmock/gmock.h>

namespace fs = std::filesystem;
namespace rt = testdata::restype;
using testdata::KeyBifBuilder;
using ::testing::HasSubstr;

namespace {

class KeyCommands : public CliTest {
protected:
    // Two BIFs; the first lies on disk under another letter case than the KEY names it.
    KeyBifBuilder TwoBifs()
    {
        KeyBifBuilder key;
        const int textures = key.AddBif("data\\Textures.bif", "data/textures.bif");
        const int misc = key.AddBif("data\\misc.bif");
        key.AddResource(textures, "stone", rt::TGA, std::string(300, 't'));
        key.AddResource(textures, "Movie", rt::MVE, "mve-bytes");
        key.AddResource(misc, "sixteen_chars_ab", rt::TXT, "hello\r\n");
        key.AddResource(misc, "sounds", rt::SSF_ALIAS, "SSF V1.0");
        key.AddResource(misc, "options", rt::INI_ALIAS, "[x]\n");
        key.AddResource(misc, "blob", rt::UNKNOWN, std::string("\0\1\2", 3));
        key.AddResource(misc, "nothing", rt::TXT, "");
        return key;
    }
};

TEST_F(KeyCommands, ListPrintsOneTabSeparatedLinePerResourceInKeyOrder)
{
    TwoBifs().WriteTo(Root() / "game");

    const CliResult result = Run({"key", "list", Path("game/chitin.key")});

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Err, "");
    EXPECT_EQ(result.Out, "0\t0\tstone\tTGA\t300\n"
                          "0\t1\tMovie\tMVA\t9\n"
                          "1\t0\tsixteen_chars_ab\tTXT\t7\n"
                          "1\t1\tsounds\tSSF\t8\n"
                          "1\t2\toptions\tINI\t4\n"
                          "1\t3\tblob\tRAW\t3\n"
                          "1\t4\tnothing\tTXT\t0\n");
}

TEST_F(KeyCommands, ListAcceptsTheSignatureInLowerCase)
{
    KeyBifBuilder key;
    key.AddResource(key.AddBif("data\\a.bif"), "one", rt::TXT, "1");
    key.Signature = "key ";
    key.WriteTo(Root());

    const CliResult result = Run({"key", "list", Path("chitin.key")});

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Out, "0\t0\tone\tTXT\t1\n");
}

TEST_F(KeyCommands, ListShowsControlCharactersOfANameAsQuestionMarks)
{
    KeyBifBuilder key;
    key.AddResource(key.AddBif("data\\a.bif"), "tab\there\nx", rt::TXT, "1");
    key.WriteTo(Root());

    const CliResult result = Run({"key", "list", Path("chitin.key")});

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Out, "0\t0\ttab?here?x\tTXT\t1\n");
}

TEST_F(KeyCommands, ListWarnsAboutKeyEntriesThatNameNoResource)
{
    KeyBifBuilder key;
    key.AddResource(key.AddBif("data\\a.bif"), "one", rt::TXT, "1");
    key.ExtraKeys.push_back({"nobif", rt::TXT, KeyBifBuilder::ResId(7, 0)});
    key.ExtraKeys.push_back({"noindex", rt::TXT, KeyBifBuilder::ResId(0, 5)});
    key.WriteTo(Root());

    const CliResult result = Run({"key", "list", Path("chitin.key")});

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Out, "0\t0\tone\tTXT\t1\n");
    EXPECT_THAT(result.Err, HasSubstr("warning: 2 key entries"));
    EXPECT_EQ(SplitLines(result.Err).size(), 1u);
}

TEST_F(KeyCommands, ListOfManyResourcesIsComplete)
{
    // Enough lines to fill the output buffer several times.
    KeyBifBuilder key;
    const int resourcesPerBif = 30000;
    for (int b = 0; b < 4; ++b) {
        const int bif = key.AddBif("data\\part" + std::to_string(b) + ".bif");
        for (int i = 0; i < resourcesPerBif; ++i)
            key.AddResource(bif, "res" + std::to_string(i), rt::UTC, std::string(std::size_t(i % 5), 'x'));
    }
    key.WriteTo(Root());

    const CliResult result = Run({"key", "list", Path("chitin.key")});

    ASSERT_EQ(result.ExitCode, 0);
    const auto lines = SplitLines(result.Out);
    ASSERT_EQ(lines.size(), std::size_t(4 * resourcesPerBif));
    EXPECT_EQ(lines[0], "0\t0\tres0\tUTC\t0");
    EXPECT_EQ(lines[resourcesPerBif + 7], "1\t7\tres7\tUTC\t2");
    EXPECT_EQ(lines.back(), "3\t29999\tres29999\tUTC\t4");
}

TEST_F(KeyCommands, ExtractWritesEveryResourceByteForByteIntoANewFolder)
{
    const KeyBifBuilder key = TwoBifs();
    key.WriteTo(Root() / "game");
    const std::string out = Path("out/nested");

    const CliResult result = Run({"key", "extract", Path("game/chitin.key"), out});

    ASSERT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_EQ(result.Out, "");
    EXPECT_EQ(result.Err, "");
    const std::pair<const char *, std::string> expected[] = {
        {"stone.tga", std::string(300, 't')}, {"Movie.mva", "mve-bytes"},
        {"sixteen_chars_ab.txt", "hello\r\n"}, {"sounds.ssf", "SSF V1.0"},
        {"options.ini", "[x]\n"},              {"blob.raw", std::string("\0\1\2", 3)},
        {"nothing.txt", ""},
    };
    std::size_t files = 0;
    for (const auto &entry : fs::directory_iterator(out))
        files += entry.is_regular_file();
    EXPECT_EQ(files, std::size(expected));
    for (const auto &[name, bytes] : expected) {
        ASSERT_TRUE(fs::is_regular_file(fs::path(out) / name)) << name;
        EXPECT_EQ(testdata::ReadFile(fs::path(out) / name), bytes) << name;
    }
}

TEST_F(KeyCommands, ExtractWithBifOptionWritesOnlyThoseBifs)
{
    TwoBifs().WriteTo(Root() / "game");

    const CliResult result = Run({"key", "extract", Path("game/chitin.key"), Path("out"), "--bif", "0"});

    ASSERT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_TRUE(fs::exists(Root() / "out/stone.tga"));
    EXPECT_TRUE(fs::exists(Root() / "out/Movie.mva"));
    EXPECT_FALSE(fs::exists(Root() / "out/sounds.ssf"));
    EXPECT_FALSE(fs::exists(Root() / "out/blob.raw"));
}

TEST_F(KeyCommands, ExtractKeepsNamesWithSeparatorsInsideTheFolder)
{
    KeyBifBuilder key;
    key.AddResource(key.AddBif("data\\a.bif"), "../escape", rt::TXT, "inside");
    key.WriteTo(Root() / "game");

    const CliResult result = Run({"key", "extract", Path("game/chitin.key"), Path("out/deep")});

    ASSERT_EQ(result.ExitCode, 0) << result.Err;
    EXPECT_FALSE(fs::exists(Root() / "out/escape.txt"));
    std::vector<fs::path> written;
    for (const auto &entry : fs::directory_iterator(Root() / "out/deep"))
        written.push_back(entry.path());
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(testdata::ReadFile(written[0]), "inside");
}

TEST_F(KeyCommands, ExtractOfABifNumberBeyondTheFileTableFails)
{
    TwoBifs().WriteTo(Root() / "game");

    const CliResult result = Run({"key", "extract", Path("game/chitin.key"), Path("out"), "--bif", "2"});

    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_THAT(result.Err, HasSubstr("no BIF 2"));
    EXPECT_EQ(SplitLines(result.Err).size(), 1u);
    EXPECT_FALSE(fs::exists(Root() / "out/stone.tga"));
}

TEST_F(KeyCommands, ExtractIntoAFolderThatIsAFileFails)
{
    TwoBifs().WriteTo(Root() / "game");
    testdata::WriteFile(Root() / "taken", "a file");

    const CliResult result = Run({"key", "extract", Path("game/chitin.key"), Path("taken")});

    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_THAT(result.Err, HasSubstr(Path("taken")));
}

TEST_F(KeyCommands, MissingKeyFileFails)
{
    for (const char *command : {"list", "extract"}) {
        std::vector<std::string> args{"key", command, Path("nowhere/chitin.key")};
        if (std::string(command) == "extract")
            args.push_back(Path("out"));

        const CliResult result = Run(args);

        EXPECT_EQ(result.ExitCode, 1) << command;
        EXPECT_EQ(result.Out, "") << command;
        EXPECT_THAT(result.Err, HasSubstr(Path("nowhere/chitin.key"))) << command;
        EXPECT_EQ(SplitLines(result.Err).size(), 1u) << command;
    }
    EXPECT_FALSE(fs::exists(Root() / "out"));
}

TEST_F(KeyCommands, FolderGivenAsKeyFails)
{
    fs::create_directories(Root() / "folder.key");

    const CliResult result = Run({"key", "list", Path("folder.key")});

    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_THAT(result.Err, HasSubstr("not a file"));
}

TEST_F(KeyCommands, WrongSignatureIsRefused)
{
    KeyBifBuilder key;
    key.AddResource(key.AddBif("data\\a.bif"), "one", rt::TXT, "1");
    key.Signature = "KEYS"; // a letter where the blank belongs
    key.WriteTo(Root());

    const CliResult result = Run({"key", "list", Path("chitin.key")});

    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(result.Out, "");
    EXPECT_THAT(result.Err, HasSubstr("Wrong key File."));
}

TEST_F(KeyCommands, MissingBifIsReported)
{
    KeyBifBuilder key = TwoBifs();
    key.Bif(1).OnDisk = false;
    key.WriteTo(Root());

    const CliResult result = Run({"key", "list", Path("chitin.key")});

    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_THAT(result.Err, HasSubstr("You need a full install of the game for preview BIF."));
}

TEST_F(KeyCommands, TruncatedKeyFailsWithoutCrashing)
{
    const std::string whole = TwoBifs().BuildKey();
    testdata::WriteFile(Root() / "short.key", whole.substr(0, whole.size() - 30));
    testdata::WriteFile(Root() / "header.key", whole.substr(0, 10));

    for (const char *name : {"short.key", "header.key"}) {
        const CliResult result = Run({"key", "list", Path(name)});

        EXPECT_EQ(result.ExitCode, 1) << name;
        EXPECT_EQ(result.Out, "") << name;
        EXPECT_NE(result.Err, "") << name;
    }
}

TEST_F(KeyCommands, ResourceBeyondItsBifFailsTheExtraction)
{
    KeyBifBuilder key;
    const int bif = key.AddBif("data\\a.bif");
    key.AddResource(bif, "whole", rt::TXT, "complete");
    key.AddResource(bif, "cut", rt::TXT, std::string(100, 'c'));
    key.WriteTo(Root());
    // Cut the BIF in the middle of the second resource.
    const std::string bifBytes = key.BuildBif(bif);
    testdata::WriteFile(Root() / "data/a.bif", bifBytes.substr(0, bifBytes.size() - 50));

    const CliResult result = Run({"key", "extract", Path("chitin.key"), Path("out")});

    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_NE(result.Err, "");
    EXPECT_FALSE(fs::exists(Root() / "out/cut.txt"));
}

} // namespace
