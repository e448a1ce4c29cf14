// quorlin gff dump / gff list and tlk list / get / search on files made by the
// test data builders.

#include "CliRunner.h"

#include "testdata/ByteBuilder.h"
#include "testdata/GffBuilder.h"
#include "testdata/TlkBuilder.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <optional>

namespace fs = std::filesystem;
using testdata::GffBuilder;
using testdata::TlkBuilder;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

const std::uint32_t NoStrRef = 0xFFFFFFFF;

// Sets (or removes) an environment variable of this process, and so of the
// tool it starts, and restores it afterwards.
class EnvSetting {
public:
    EnvSetting(std::string name, const std::optional<std::string> &value) : m_name(std::move(name))
    {
        if (const char *current = std::getenv(m_name.c_str()))
            m_saved = current;
        Set(value);
    }
    ~EnvSetting() { Set(m_saved); }
    EnvSetting(const EnvSetting &) = delete;
    EnvSetting &operator=(const EnvSetting &) = delete;

private:
    void Set(const std::optional<std::string> &value)
    {
        if (value)
            ::setenv(m_name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(m_name.c_str());
    }
    std::string m_name;
    std::optional<std::string> m_saved;
};

class GffTlkCommands : public CliTest {
protected:
    void SetUp() override
    {
        CliTest::SetUp();
        fs::create_directories(Root() / "game");
        m_game.emplace("QUORLIN_GAME_FOLDER", Path("game"));
        m_locale.emplace("LC_ALL", "C");
    }
    void TearDown() override
    {
        m_locale.reset();
        m_game.reset();
        CliTest::TearDown();
    }

    // Entry 0 at offset 0, as in the game's files; 2 has a sound, 3 text only.
    static TlkBuilder Table()
    {
        TlkBuilder tlk;
        tlk.Add("", "Bad Strref");
        tlk.Add("", "A short Sword.");
        tlk.Add("vs_sword", "Swing!");
        tlk.Add("", "Line one\r\nLine\ttwo \\ end");
        tlk.Add("", "nothing here");
        return tlk;
    }

    static GffBuilder WorkedExample()
    {
        GffBuilder gff("UTI ", "V3.2");
        gff.DWord(0, "Cost", 10);
        gff.LocString(0, "LocName", NoStrRef, {{0, "Sword"}});
        const int property = gff.AddStruct(0);
        gff.Word(property, "PropertyName", 5);
        gff.List(0, "PropertiesList", {property});
        return gff;
    }

    std::optional<EnvSetting> m_game;
    std::optional<EnvSetting> m_locale;
};

// ---------------------------------------------------------------- gff dump

TEST_F(GffTlkCommands, DumpPrintsTheViewersSavedTextWithCrLf)
{
    WorkedExample().WriteTo(Root() / "a.uti");

    const CliResult result = Run({"gff", "dump", Path("a.uti")});

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Err, "");
    EXPECT_EQ(result.Out, "BEGIN FILE: \"a.uti\" \"UTI V3.2\" 0xFFFFFFFF\r\n"
                          "UINT32: \tCost\t= 10\r\n"
                          "STRREF:\tLocName\t\r\n"
                          "     \tLANG: 0 = \"Sword\"\r\n"
                          "LIST:\tPropertiesList\r\n"
                          "\tELEMENT = 0x00000000\r\n"
                          "\t UINT16: \tPropertyName\t= 5\r\n"
                          "\tEND ELEMENT\r\n"
                          "END LIST\r\n"
                          "END FILE\r\n");
}

TEST_F(GffTlkCommands, DumpTurnsLineBreaksInsideTextsIntoCrLf)
{
    GffBuilder gff("UTI ");
    gff.String(0, "Desc", "one\ntwo\r\nthree\rfour");
    gff.WriteTo(Root() / "d.uti");

    const CliResult result = Run({"gff", "dump", Path("d.uti")});

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Out, "BEGIN FILE: \"d.uti\" \"UTI V3.2\" 0xFFFFFFFF\r\n"
                          "STRING: \tDesc\t= \"one\r\ntwo\r\nthree\r\nfour\"\r\n"
                          "END FILE\r\n");
}

TEST_F(GffTlkCommands, DumpShowsNumbersWhereTheGridShowsTalkTableTexts)
{
    Table().WriteTo(Root() / "game" / "dialog.tlk");
    GffBuilder gff("ITP ");
    gff.DWord(0, "STRREF", 2);
    gff.LocString(0, "Name", 1);
    gff.WriteTo(Root() / "pal.itp");

    const CliResult dump = Run({"gff", "dump", Path("pal.itp")});
    const CliResult list = Run({"gff", "list", Path("pal.itp")});

    EXPECT_EQ(dump.ExitCode, 0);
    EXPECT_EQ(SplitLines(dump.Out), (std::vector<std::string>{
                                        "BEGIN FILE: \"pal.itp\" \"ITP V3.2\" 0xFFFFFFFF\r",
                                        "UINT32: \tSTRREF\t= 2\r",
                                        "STRREF:\tName\t\r",
                                        "STRREF: \tName\t= 1\r",
                                        "END FILE\r",
                                    }));
    EXPECT_EQ(list.ExitCode, 0);
    EXPECT_EQ(list.Err, "");
    EXPECT_EQ(list.Out, "0\tUINT32\tSTRREF\tvs_sword\n"
                        "1\tSTRREF\tName\t\n"
                        "1\tSTRREF\tName\tA short Sword.\n");
}

TEST_F(GffTlkCommands, GameTalkTableIsFoundInAnyLetterCase)
{
    Table().WriteTo(Root() / "game" / "DIALOG.TLK");
    GffBuilder gff("GFF ");
    gff.DWord(0, "Ref", 1);
    gff.WriteTo(Root() / "x.gff");

    const CliResult result = Run({"gff", "list", Path("x.gff")});

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Out, "0\tUINT32\tRef\tA short Sword.\n");
}

TEST_F(GffTlkCommands, ListEscapesCellsAndShowsNestedPaths)
{
    Table().WriteTo(Root() / "game" / "dialog.tlk");
    GffBuilder gff("UTC ");
    gff.String(0, "Tag", "a\tb\\c\nd\x01");
    const int element = gff.AddStruct(1);
    gff.LocString(element, "Text", 3);
    gff.List(0, "Items", {element});
    gff.WriteTo(Root() / "c.utc");

    const CliResult result = Run({"gff", "list", Path("c.utc")});

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Out, "0\tSTRING\tTag\ta\\tb\\\\c\\nd\\x01\n"
                          "1\tLIST\tItems\tCount: 1\n"
                          "0\tSTRREF\tItems[0].Text\t\n"
                          "0\tSTRREF\tItems[0].Text\tLine one\\r\\nLine\\ttwo \\\\ end\n");
}

TEST_F(GffTlkCommands, MissingAndDamagedGffFilesFail)
{
    const CliResult missing = Run({"gff", "dump", Path("none.uti")});
    EXPECT_EQ(missing.ExitCode, 1);
    EXPECT_EQ(missing.Out, "");
    EXPECT_THAT(missing.Err, HasSubstr("GFF file not found: " + Path("none.uti")));

    GffBuilder gff = WorkedExample();
    gff.LabelCountField = 0xFFFFFF;
    gff.WriteTo(Root() / "bad.uti");
    for (const char *command : {"dump", "list"}) {
        const CliResult damaged = Run({"gff", command, Path("bad.uti")});
        EXPECT_EQ(damaged.ExitCode, 1) << command;
        EXPECT_EQ(damaged.Out, "") << command;
        EXPECT_THAT(damaged.Err, StartsWith("quorlin: \"" + Path("bad.uti") + "\" is damaged: ")) << command;
        EXPECT_EQ(SplitLines(damaged.Err).size(), 1u) << command;
    }

    testdata::WriteFile(Root() / "short.uti", "UTI V3.2");
    const CliResult cut = Run({"gff", "dump", Path("short.uti")});
    EXPECT_EQ(cut.ExitCode, 1);
    EXPECT_THAT(cut.Err, HasSubstr("is damaged"));
}

TEST_F(GffTlkCommands, ListErrorIsAnEntryNotAFailure)
{
    GffBuilder gff("UTI ");
    const int list = gff.List(0, "Broken", {});
    gff.Byte(0, "After", 3);
    gff.Field(list).WordField = 0x7FFFFFF0;
    gff.WriteTo(Root() / "l.uti");

    const CliResult result = Run({"gff", "list", Path("l.uti")});

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Out, "\tERROR\tERROR\tList Error\n1\tUINT8\tAfter\t3\n");
}

// A locale whose decimal separator is a comma, made with localedef in folder
// when the system has none. Returns the value for LC_ALL, or empty.
std::string CommaLocale(const fs::path &folder, std::optional<EnvSetting> &locpath)
{
    fs::create_directories(folder);
    const std::string command = "localedef -i de_DE -f UTF-8 '" + (folder / "de_DE.UTF-8").string() +
                                "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0)
        return {};
    locpath.emplace("LOCPATH", folder.string());
    return "de_DE.UTF-8";
}

TEST_F(GffTlkCommands, DecimalSeparatorFollowsTheLocale)
{
    GffBuilder gff("UTI ");
    gff.Float(0, "F", 0.1f);
    gff.WriteTo(Root() / "f.uti");

    const CliResult plain = Run({"gff", "list", Path("f.uti")});
    EXPECT_EQ(plain.Out, "0\tFLOAT\tF\t0.100000001490116\n");

    std::optional<EnvSetting> locpath;
    const std::string locale = CommaLocale(Root() / "locale", locpath);
    if (locale.empty())
        GTEST_SKIP() << "no locale with a decimal comma can be made here";
    EnvSetting comma("LC_ALL", locale);
    const CliResult list = Run({"gff", "list", Path("f.uti")});
    const CliResult dump = Run({"gff", "dump", Path("f.uti")});
    EXPECT_EQ(list.Out, "0\tFLOAT\tF\t0,100000001490116\n");
    EXPECT_THAT(dump.Out, HasSubstr("FLOAT: \tF\t= 0,100000\r\n"));
}

// ---------------------------------------------------------------- tlk

TEST_F(GffTlkCommands, TlkListPrintsEveryEntryEscaped)
{
    Table().WriteTo(Root() / "d.tlk");

    const CliResult result = Run({"tlk", "list", Path("d.tlk")});

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Err, "");
    EXPECT_EQ(result.Out, "0\t\t\n"
                          "1\t\tA short Sword.\n"
                          "2\tvs_sword\tSwing!\n"
                          "3\t\tLine one\\r\\nLine\\ttwo \\\\ end\n"
                          "4\t\tnothing here\n");
}

TEST_F(GffTlkCommands, TlkGetPrintsTheNamedEntriesInTheOrderGiven)
{
    Table().WriteTo(Root() / "d.tlk");

    const CliResult result = Run({"tlk", "get", Path("d.tlk"), "2", "0", "4", "2"});

    EXPECT_EQ(result.ExitCode, 0);
    EXPECT_EQ(result.Err, "");
    EXPECT_EQ(result.Out, "2\tvs_sword\tSwing!\n0\t\t\n4\t\tnothing here\n2\tvs_sword\tSwing!\n");
}

TEST_F(GffTlkCommands, TlkGetReportsNumbersOutsideTheTable)
{
    Table().WriteTo(Root() / "d.tlk");

    const CliResult result =
        Run({"tlk", "get", Path("d.tlk"), "1", "5", "-1", "4294967295", "99999999999999999999999"});

    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(result.Out, "1\t\tA short Sword.\n");
    const std::vector<std::string> errors = SplitLines(result.Err);
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_THAT(errors[0], HasSubstr("no entry 5 in " + Path("d.tlk") + " (its entries are 0 to 4)"));
    EXPECT_THAT(errors[1], HasSubstr("no entry -1"));
    EXPECT_THAT(errors[2], HasSubstr("no entry 4294967295"));
    EXPECT_THAT(errors[3], HasSubstr("no entry 99999999999999999999999"));
}

TEST_F(GffTlkCommands, TlkSearchFoldsLettersAndTrims)
{
    Table().WriteTo(Root() / "d.tlk");

    const CliResult sword = Run({"tlk", "search", Path("d.tlk"), "  SWORD \t"});
    EXPECT_EQ(sword.ExitCode, 0);
    EXPECT_EQ(sword.Out, "1\t\tA short Sword.\n2\tvs_sword\tSwing!\n");

    const CliResult tab = Run({"tlk", "search", Path("d.tlk"), "line\ttwo"});
    EXPECT_EQ(tab.Out, "3\t\tLine one\\r\\nLine\\ttwo \\\\ end\n");

    // Entry 0's text (offset 0) is never shown, so it is not found either.
    const CliResult bad = Run({"tlk", "search", Path("d.tlk"), "strref"});
    EXPECT_EQ(bad.ExitCode, 0);
    EXPECT_EQ(bad.Out, "");

    const CliResult blanks = Run({"tlk", "search", Path("d.tlk"), "   "});
    EXPECT_EQ(blanks.ExitCode, 0);
    EXPECT_EQ(blanks.Out, "");
    EXPECT_EQ(blanks.Err, "");
}

TEST_F(GffTlkCommands, TlkOnDamagedTablesKeepsWhatCanBeRead)
{
    TlkBuilder tlk = Table();
    tlk.Entries[2].SizeField = 1000000;
    tlk.StringCountField = 0xFFFFFFFF;
    tlk.WriteTo(Root() / "bad.tlk");

    const CliResult result = Run({"tlk", "get", Path("bad.tlk"), "1", "2"});

    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(result.Out, "1\t\tA short Sword.\n2\tvs_sword\t\n");
    EXPECT_THAT(result.Err, HasSubstr("\"" + Path("bad.tlk") + "\" is damaged"));
    EXPECT_EQ(SplitLines(result.Err).size(), 1u);
}

TEST_F(GffTlkCommands, MissingTlkFileFails)
{
    for (const std::vector<std::string> &args :
         {std::vector<std::string>{"tlk", "list", Path("none.tlk")},
          std::vector<std::string>{"tlk", "get", Path("none.tlk"), "1"},
          std::vector<std::string>{"tlk", "search", Path("none.tlk"), "x"}}) {
        const CliResult result = Run(args);
        EXPECT_EQ(result.ExitCode, 1) << args[1];
        EXPECT_EQ(result.Out, "") << args[1];
        EXPECT_THAT(result.Err, HasSubstr("TLK file not found: " + Path("none.tlk"))) << args[1];
    }
}

TEST_F(GffTlkCommands, HelpAndWrongCommandLines)
{
    const std::pair<std::vector<std::string>, std::string> helps[] = {
        {{"gff", "--help"}, "usage: quorlin gff dump FILE"},
        {{"gff", "dump", "--help"}, "usage: quorlin gff dump FILE"},
        {{"gff", "list", "--help"}, "usage: quorlin gff list FILE"},
        {{"tlk", "--help"}, "usage: quorlin tlk list TLK"},
        {{"tlk", "list", "--help"}, "usage: quorlin tlk list TLK"},
        {{"tlk", "get", "--help"}, "usage: quorlin tlk get TLK ID..."},
        {{"tlk", "search", "--help"}, "usage: quorlin tlk search TLK TEXT"},
    };
    for (const auto &[args, start] : helps) {
        const CliResult result = Run(args);
        EXPECT_EQ(result.ExitCode, 0) << args[1];
        EXPECT_THAT(result.Out, StartsWith(start)) << args[1];
    }
    const CliResult tool = Run({"--help"});
    EXPECT_THAT(tool.Out, HasSubstr("gff dump FILE"));
    EXPECT_THAT(tool.Out, HasSubstr("tlk search TLK TEXT"));

    testdata::WriteFile(Root() / "a.tlk", "");
    const std::pair<std::vector<std::string>, std::string> wrong[] = {
        {{"gff"}, "missing gff command"},
        {{"gff", "dump"}, "missing FILE"},
        {{"gff", "dump", "a", "b"}, "unexpected argument 'b'"},
        {{"tlk", "get", Path("a.tlk")}, "missing ID"},
        {{"tlk", "get", Path("a.tlk"), "1x"}, "ID must be an entry number, not '1x'"},
        {{"tlk", "search", Path("a.tlk")}, "missing TLK and TEXT"},
        {{"tlk", "find", Path("a.tlk")}, "unknown command 'tlk find'"},
    };
    for (const auto &[args, message] : wrong) {
        const CliResult result = Run(args);
        EXPECT_EQ(result.ExitCode, 2) << args.back();
        EXPECT_EQ(result.Out, "") << args.back();
        EXPECT_THAT(result.Err, HasSubstr(message)) << args.back();
        EXPECT_THAT(result.Err, HasSubstr("--help")) << args.back();
    }
}

} // namespace
