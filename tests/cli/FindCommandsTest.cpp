// quorlin key find / erf find: a resource looked up by name and type.

#include "CliRunner.h"

#include "testdata/ByteBuilder.h"
#include "testdata/ErfBuilder.h"
#include "testdata/KeyBifBuilder.h"
#include "testdata/ResTypeNumbers.h"

#include <gmock/gmock.h>

namespace rt = testdata::restype;
using testdata::ErfBuilder;
using testdata::KeyBifBuilder;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

class FindCommands : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        KeyBifBuilder key;
        const int textures = key.AddBif("data\\textures.bif");
        const int misc = key.AddBif("data\\misc.bif");
        key.AddResource(textures, "stone", rt::TGA, "t");     // 0 0
        key.AddResource(textures, "Movie", rt::MVE, "m");     // 0 1
        key.AddResource(textures, "readme", rt::TXT, "first"); // 0 2
        key.AddResource(misc, "README", rt::TXT, "second");   // 1 0
        key.AddResource(misc, "voice", rt::SSF_ALIAS, "a");   // 1 1
        key.AddResource(misc, "voice", rt::SSF, "b");         // 1 2
        key.AddResource(misc, "chant", rt::SSF_ALIAS, "c");   // 1 3
        key.AddResource(misc, "options", rt::INI_ALIAS, "i"); // 1 4
        key.WriteTo(Root() / "game");

        ErfBuilder hak("HAK ");
        hak.Add("wall", rt::TGA, "w");                  // 0
        hak.Add("Movie", rt::MVE, "m");                 // 1
        hak.Add("marker", rt::SSF_ALIAS, "2060");       // 2
        hak.Add("marker", rt::UTW, "2058");             // 3
        const int odd = hak.Add("odd", rt::TGA, "o");   // 4
        hak.Resources[std::size_t(odd)].Reserved = 1;   // type 3 + 65536
        hak.Resources[std::size_t(odd)].ResId = 77;
        hak.Add("settings", rt::INI_ALIAS, "i");       // 5
        hak.Add("wall", rt::TGA, "second wall");        // 6
        hak.WriteTo(Root() / "sample.hak");
    }

    CliResult KeyFind(const std::string &resref, const std::string &type)
    {
        return Run({"key", "find", Path("game/chitin.key"), resref, type});
    }
    CliResult ErfFind(const std::string &resref, const std::string &type)
    {
        return Run({"erf", "find", Path("sample.hak"), resref, type});
    }
};

void ExpectFound(const CliResult &result, const std::string &line, const std::string &what)
{
    EXPECT_EQ(result.ExitCode, 0) << what << ": " << result.Err;
    EXPECT_EQ(result.Out, line + "\n") << what;
    EXPECT_EQ(result.Err, "") << what;
}

void ExpectNotFound(const CliResult &result, const std::string &what)
{
    EXPECT_EQ(result.ExitCode, 1) << what;
    EXPECT_EQ(result.Out, "") << what;
    EXPECT_EQ(result.Err, "") << what;
}

void ExpectUsageError(const CliResult &result, const std::string &message)
{
    EXPECT_EQ(result.ExitCode, 2) << message;
    EXPECT_EQ(result.Out, "") << message;
    EXPECT_THAT(result.Err, HasSubstr(message));
    EXPECT_THAT(result.Err, HasSubstr("--help"));
}

TEST_F(FindCommands, KeyFindPrintsBifNumberAndIndex)
{
    ExpectFound(KeyFind("stone", "3"), "0\t0", "by number");
    ExpectFound(KeyFind("stone", "tga"), "0\t0", "by extension");
    ExpectFound(KeyFind("chant", "2060"), "1\t3", "a number only the KEY side names");
}

TEST_F(FindCommands, KeyFindFoldsTheCaseOfNameAndExtension)
{
    ExpectFound(KeyFind("STONE", "TGA"), "0\t0", "upper case");
    ExpectFound(KeyFind("sToNe", "Tga"), "0\t0", "mixed case");
    // The first BIF holding the name wins, whatever the stored spelling.
    ExpectFound(KeyFind("ReadMe", "txt"), "0\t2", "first of two");
}

TEST_F(FindCommands, KeyFindUsesTheKeySideNames)
{
    ExpectFound(KeyFind("movie", "mva"), "0\t1", "type 2 is MVA on the KEY side");
    ExpectFound(KeyFind("movie", "2"), "0\t1", "type 2 by number");
    ExpectUsageError(KeyFind("movie", "mve"), "unknown resource type 'mve'");
}

TEST_F(FindCommands, KeyFindTriesEveryTypeOfASharedExtensionCommonRowFirst)
{
    ExpectFound(KeyFind("voice", "ssf"), "1\t2", "2061 before 2060");
    ExpectFound(KeyFind("chant", "SSF"), "1\t3", "only 2060 holds it");
    ExpectFound(KeyFind("options", "ini"), "1\t4", "9996 is named INI");
}

TEST_F(FindCommands, KeyFindWithoutSuchAResourcePrintsNothingAndFails)
{
    ExpectNotFound(KeyFind("stone", "txt"), "right name, other type");
    ExpectNotFound(KeyFind("nothing", "tga"), "unknown name");
    ExpectNotFound(KeyFind("stone", "4"), "other type number");
    ExpectNotFound(KeyFind("ston", "tga"), "a prefix of the name");
}

TEST_F(FindCommands, ErfFindPrintsTheEntryIndex)
{
    ExpectFound(ErfFind("wall", "tga"), "0", "first of two entries");
    ExpectFound(ErfFind("WALL", "3"), "0", "by number, other case");
    ExpectFound(ErfFind("settings", "INI"), "5", "9996 is named INI");
    // The position in the key list, not the stored resource id (77).
    ExpectFound(ErfFind("odd", "65539"), "4", "type and reserved word as one number");
}

TEST_F(FindCommands, ErfFindUsesTheArchiveSideNames)
{
    ExpectFound(ErfFind("movie", "mve"), "1", "type 2 is MVE in archives");
    ExpectUsageError(ErfFind("movie", "mva"), "unknown resource type 'mva'");
    // 2058 is the common row of UTW: found first although it comes later.
    ExpectFound(ErfFind("marker", "utw"), "3", "2058 before 2060");
    ExpectFound(ErfFind("marker", "2060"), "2", "2060 by number");
}

TEST_F(FindCommands, ErfFindWithoutSuchAResourcePrintsNothingAndFails)
{
    ExpectNotFound(ErfFind("odd", "tga"), "a reserved word makes another type");
    ExpectNotFound(ErfFind("wall", "bmp"), "right name, other type");
    ExpectNotFound(ErfFind("nothing", "tga"), "unknown name");
}

TEST_F(FindCommands, WrongTypesAreUsageErrors)
{
    ExpectUsageError(KeyFind("stone", "raw"), "give TYPE as a number");
    ExpectUsageError(ErfFind("wall", "RAW"), "give TYPE as a number");
    ExpectUsageError(KeyFind("stone", "65536"), "out of range (0 to 65535)");
    ExpectUsageError(ErfFind("wall", "4294967296"), "out of range (0 to 4294967295)");
    ExpectUsageError(KeyFind("stone", "zzz"), "unknown resource type 'zzz'");
    ExpectUsageError(KeyFind("stone", ".tga"), "unknown resource type '.tga'");
    ExpectUsageError(KeyFind("stone", ""), "TYPE must not be empty");
    ExpectUsageError(Run({"key", "find", Path("game/chitin.key"), "stone"}), "missing KEY, RESREF and TYPE");
    ExpectUsageError(Run({"erf", "find", Path("sample.hak"), "wall", "tga", "more"}),
                     "unexpected argument 'more'");
}

TEST_F(FindCommands, MissingOrDamagedInputFailsWithAMessage)
{
    const CliResult noKey = Run({"key", "find", Path("nowhere.key"), "stone", "tga"});
    EXPECT_EQ(noKey.ExitCode, 1);
    EXPECT_EQ(noKey.Out, "");
    EXPECT_THAT(noKey.Err, HasSubstr(Path("nowhere.key")));

    testdata::WriteFile(Root() / "bad.erf", "GFF V3.2 and no archive at all");
    const CliResult bad = Run({"erf", "find", Path("bad.erf"), "wall", "tga"});
    EXPECT_EQ(bad.ExitCode, 1);
    EXPECT_EQ(bad.Out, "");
    EXPECT_THAT(bad.Err, HasSubstr("Not a Duskmere MOD/HAK/ERF File."));
}

TEST_F(FindCommands, HelpDescribesTheTypeNames)
{
    const CliResult key = Run({"key", "find", "--help"});
    EXPECT_EQ(key.ExitCode, 0);
    EXPECT_THAT(key.Out, StartsWith("usage: quorlin key find KEY RESREF TYPE"));
    EXPECT_THAT(key.Out, HasSubstr("ssf: 2061, then 2060"));

    const CliResult erf = Run({"erf", "find", "--help"});
    EXPECT_EQ(erf.ExitCode, 0);
    EXPECT_THAT(erf.Out, StartsWith("usage: quorlin erf find FILE RESREF TYPE"));
    EXPECT_THAT(erf.Out, HasSubstr("utw: 2058, then 2060"));

    EXPECT_THAT(Run({"--help"}).Out, HasSubstr("key find KEY RESREF TYPE"));
    EXPECT_THAT(Run({"--help"}).Out, HasSubstr("erf find FILE RESREF TYPE"));
    EXPECT_THAT(Run({"key", "--help"}).Out, HasSubstr("quorlin key find KEY RESREF TYPE"));
    EXPECT_THAT(Run({"erf", "--help"}).Out, HasSubstr("quorlin erf find FILE RESREF TYPE"));
}

} // namespace
