// option.ini, the game and language folders, and the file-name helpers.
#include "CoreTestSupport.h"

#include "app/UCINIFILE.h"
#include "app/UGameText.h"
#include "app/ULanguageFile.h"
#include "app/USettings.h"
#include "app/UText.h"
#include "app/UUtil.h"

#include "testdata/ByteBuilder.h"

#include <algorithm>
#include <sstream>

namespace fs = std::filesystem;
using coretest::CoreTest;
using coretest::ScopedEnv;
using testdata::ReadFile;
using testdata::WriteFile;

namespace {

class SettingsTest : public CoreTest {};

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Lines that start with prefix, letter case ignored.
int CountLinesStartingNoCase(const std::string &text, const std::string &prefix)
{
    int count = 0;
    for (const std::string &line : Lines(text))
        if (line.size() >= prefix.size() && SameNameNoCase(line.substr(0, prefix.size()), prefix))
            ++count;
    return count;
}

TEST_F(SettingsTest, IniMatchesSectionsAndKeysInAnyCase)
{
    CINIFILE ini;
    ini.LoadFromString("Stray=1\n[general]\n; Width=1\nlanguage = French \nWIDTH=800\n[Other]\nWidth=5\n");
    EXPECT_EQ(ini.ReadString("GENERAL", "Language", "English"), "French");
    EXPECT_EQ(ini.ReadInteger("General", "width", 640), 800);
    EXPECT_EQ(ini.ReadInteger("OTHER", "WIDTH", 0), 5);
    // Lines before the first section and comments are not keys.
    EXPECT_FALSE(ini.Value("", "Stray").has_value());
    EXPECT_EQ(ini.SectionValues("general").size(), 2u);
}

TEST_F(SettingsTest, IniWithByteOrderMarkKeepsItsFirstSectionAndTheMark)
{
    CINIFILE ini;
    ini.LoadFromString("\xEF\xBB\xBF[GENERAL]\r\nWidth=800\r\n");
    EXPECT_EQ(ini.ReadInteger("GENERAL", "Width", 640), 800);
    ini.WriteInteger("GENERAL", "Height", 600);
    EXPECT_EQ(ini.ToString(), "\xEF\xBB\xBF[GENERAL]\r\nWidth=800\r\nHeight=600\r\n");
}

TEST_F(SettingsTest, FirstStartWithoutOptionFileGivesDefaults)
{
    TSettings settings;
    settings.Language = "changed";
    settings.ModAutoPreview = settings.BifAutoPreview = false;
    settings.ModDefaultDir = settings.BifDefaultDir = "x";
    settings.UTXMakeText = true;
    TWindowGeometry geometry{1, 2, 3, 4, 5};
    LoadOptions(dir / "option.ini", settings, geometry);
    EXPECT_EQ(settings.Language, "English");
    EXPECT_TRUE(settings.ModAutoPreview);
    EXPECT_TRUE(settings.BifAutoPreview);
    EXPECT_EQ(settings.ModDefaultDir, "");
    EXPECT_EQ(settings.BifDefaultDir, "");
    EXPECT_FALSE(settings.UTXMakeText);
    EXPECT_EQ(geometry.Width, 640);
    EXPECT_EQ(geometry.Height, 480);
    EXPECT_EQ(geometry.State, 0);
}

struct StoredBool {
    const char *stored;
    bool bifAutoPreview; // default true
    bool utxMakeText;    // default false
};

void PrintTo(const StoredBool &row, std::ostream *os) { *os << '"' << row.stored << '"'; }

class BooleanOption : public SettingsTest, public ::testing::WithParamInterface<StoredBool> {};

TEST_P(BooleanOption, IntegerOtherThanZeroIsTrueAndTextGivesTheDefault)
{
    const StoredBool &row = GetParam();
    WriteFile(dir.Path() / "option.ini", std::string("[GENERAL]\nBifAutoPreview=") + row.stored +
                                             "\nUTXMakeText=" + row.stored + "\n");
    TSettings settings;
    TWindowGeometry geometry;
    LoadOptions(dir / "option.ini", settings, geometry);
    EXPECT_EQ(settings.BifAutoPreview, row.bifAutoPreview);
    EXPECT_EQ(settings.UTXMakeText, row.utxMakeText);
}

INSTANTIATE_TEST_SUITE_P(Values, BooleanOption,
                         ::testing::Values(StoredBool{"1", true, true}, StoredBool{"0", false, false},
                                           StoredBool{"5", true, true}, StoredBool{"-1", true, true},
                                           StoredBool{" 0 ", false, false}, StoredBool{"yes", true, false},
                                           StoredBool{"true", true, false}, StoredBool{"", true, false},
                                           StoredBool{"1.5", true, false}, StoredBool{"0x1", true, false}));

TEST_F(SettingsTest, GeometryReadsIntegersAndIgnoresLeftAndTop)
{
    WriteFile(dir.Path() / "option.ini", "[GENERAL]\nWidth=wide\nHeight=600\nLeft=70\nTop=80\nState=5\n");
    TSettings settings;
    TWindowGeometry geometry;
    LoadOptions(dir / "option.ini", settings, geometry);
    EXPECT_EQ(geometry.Width, 640);
    EXPECT_EQ(geometry.Height, 600);
    EXPECT_EQ(geometry.State, 5);
    EXPECT_EQ(geometry.Left, TWindowGeometry{}.Left);
    EXPECT_EQ(geometry.Top, TWindowGeometry{}.Top);
}

TEST_F(SettingsTest, SavingOptionsKeepsTheRestOfTheFileAndItsLineEnds)
{
    const std::string before = "[FRM_MDL]\r\nCameraX=1.5\r\n[general]\r\nlanguage=French\r\nCustom=keep me\r\n"
                               "Width=100\r\n\r\n[Other]\r\nA=b\r\n";
    WriteFile(dir.Path() / "option.ini", before);
    TSettings settings;
    settings.Language = "German";
    settings.ModAutoPreview = false;
    settings.BifDefaultDir = "/data/my mods=x";
    settings.UTXMakeText = true;
    TWindowGeometry geometry{800, 600, 10, 20, 1};
    ASSERT_TRUE(SaveOptions(dir / "option.ini", settings, geometry));

    const std::string after = ReadFile(dir.Path() / "option.ini");
    for (std::size_t i = 0; i < after.size(); ++i)
        if (after[i] == '\n') {
            ASSERT_TRUE(i > 0 && after[i - 1] == '\r') << "bare line feed at byte " << i;
        }
    EXPECT_EQ(after.rfind("[FRM_MDL]\r\nCameraX=1.5\r\n[general]\r\n", 0), 0u);
    EXPECT_NE(after.find("\r\n[Other]\r\nA=b\r\n"), std::string::npos);
    EXPECT_NE(after.find("Custom=keep me\r\n"), std::string::npos);
    EXPECT_EQ(CountLinesStartingNoCase(after, "[general]"), 1);
    EXPECT_EQ(CountLinesStartingNoCase(after, "language="), 1);
    EXPECT_EQ(CountLinesStartingNoCase(after, "width="), 1);

    CINIFILE ini;
    ASSERT_TRUE(ini.Load(dir / "option.ini"));
    EXPECT_EQ(ini.SectionValues("GENERAL").size(), 12u); // eleven keys and Custom
    EXPECT_EQ(ini.SectionValues("Other").size(), 1u);
    EXPECT_EQ(ini.SectionValues("FRM_MDL").size(), 1u);
    EXPECT_EQ(ini.ReadInteger("GENERAL", "Left", 0), 10);
    EXPECT_EQ(ini.ReadInteger("GENERAL", "Top", 0), 20);

    TSettings loaded;
    TWindowGeometry loadedGeometry;
    LoadOptions(dir / "option.ini", loaded, loadedGeometry);
    EXPECT_EQ(loaded.Language, "German");
    EXPECT_FALSE(loaded.ModAutoPreview);
    EXPECT_TRUE(loaded.BifAutoPreview);
    EXPECT_EQ(loaded.BifDefaultDir, "/data/my mods=x");
    EXPECT_TRUE(loaded.UTXMakeText);
    EXPECT_EQ(loadedGeometry.Width, 800);
    EXPECT_EQ(loadedGeometry.Height, 600);
    EXPECT_EQ(loadedGeometry.State, 1);
}

TEST_F(SettingsTest, SavingOptionsCreatesTheFileOrReportsFailure)
{
    ASSERT_TRUE(SaveOptions(dir / "option.ini", TSettings{}, TWindowGeometry{}));
    const std::string text = ReadFile(dir.Path() / "option.ini");
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_EQ(Lines(text).front(), "[GENERAL]");
    for (const char *key : {"Language=", "ModAutoPreview=", "BifAutoPreview=", "ModDefaultDir=", "BifDefaultDir=",
                            "UTXMakeText=", "Width=", "Height=", "Left=", "Top=", "State="})
        EXPECT_EQ(CountLinesStartingNoCase(text, key), 1) << key;
    EXPECT_NE(text.find("ModAutoPreview=1\n"), std::string::npos);
    EXPECT_NE(text.find("UTXMakeText=0\n"), std::string::npos);

    EXPECT_FALSE(SaveOptions(dir / "missing/option.ini", TSettings{}, TWindowGeometry{}));
    EXPECT_FALSE(fs::exists(dir.Path() / "missing"));
}

TEST_F(SettingsTest, GameFolderComesFromTheEnvironmentFirst)
{
    WriteFile(dir.Path() / "cfg/Ostrel/Quorlin.conf", "[duskmere]\nlocation=/opt/dusk\n");
    ScopedEnv config("XDG_CONFIG_HOME", dir / "cfg");
    {
        ScopedEnv game("QUORLIN_GAME_FOLDER", std::string("/games/dusk"));
        EXPECT_EQ(GetGameFolder(), "/games/dusk");
    }
    {
        ScopedEnv game("QUORLIN_GAME_FOLDER", std::string());
        EXPECT_EQ(GetGameFolder(), "/opt/dusk"); // set but empty counts as unset
    }
    ScopedEnv game("QUORLIN_GAME_FOLDER", std::nullopt);
    EXPECT_EQ(GetGameFolder(), "/opt/dusk");
}

TEST_F(SettingsTest, GameFolderFileLivesUnderHomeWithoutXdgConfigHome)
{
    ScopedEnv game("QUORLIN_GAME_FOLDER", std::nullopt);
    ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    ScopedEnv home("HOME", dir / "home");
    EXPECT_EQ(GetGameFolderConfigPath(), dir / "home/.config/Ostrel/Quorlin.conf");
    EXPECT_EQ(GetGameFolder(), "");
    WriteFile(dir.Path() / "home/.config/Ostrel/Quorlin.conf", "[Other]\nLocation=/wrong\n[Duskmere]\nLocation=/srv/game\n");
    EXPECT_EQ(GetGameFolder(), "/srv/game");
}

class ProgramFolderTest : public SettingsTest {
protected:
    void SetUp() override { SetProgramFolder(dir.Str()); }
    void TearDown() override { SetProgramFolder(""); }
};

TEST_F(ProgramFolderTest, LanguagesAreTheIniFilesOfTheLanguageFolder)
{
    EXPECT_TRUE(GetLanguages().empty());
    WriteFile(dir.Path() / "LANGUAGE/French.ini", "[TFrmMain]\n");
    WriteFile(dir.Path() / "LANGUAGE/German.INI", "[TFrmMain]\n");
    WriteFile(dir.Path() / "LANGUAGE/notes.txt", "");
    WriteFile(dir.Path() / "LANGUAGE/ini", "");
    fs::create_directories(dir.Path() / "LANGUAGE/old.ini");
    WriteFile(dir.Path() / "LANGUAGE/danish.ini", "");
    EXPECT_EQ(GetLanguages(), (std::vector<std::string>{"danish", "French", "German"}));
}

TEST_F(ProgramFolderTest, LanguageFilesAreReadAsUtf8OrElseAsWindows1252)
{
    struct Case {
        const char *Name;
        std::string Bytes;
        const char *Expected; // UTF-8; nullptr: no file
    };
    const Case cases[] = {
        {"Utf8", "[TFrm_BIF]\nCaption = Aper\xC3\xA7u BIF \n", "Aper\xC3\xA7u BIF"},
        {"Utf8Marked", "\xEF\xBB\xBF[TFrm_BIF]\r\nCaption=\xC3\x9C" "bersicht\r\n", "\xC3\x9C" "bersicht"},
        {"Ansi", "[TFrm_BIF]\nCaption=Aper\xE7u \x80\n", "Aper\xC3\xA7u \xE2\x82\xAC"},
        {"../Outside", "", nullptr},
        {"Missing", "", nullptr},
    };
    WriteFile(dir.Path() / "Outside.ini", "[TFrm_BIF]\nCaption=x\n");
    for (const Case &c : cases) {
        if (c.Expected)
            WriteFile(dir.Path() / "Language" / (std::string(c.Name) + ".ini"), c.Bytes);
        const std::optional<CINIFILE> file = ReadLanguageFile(LanguageFilePath(c.Name));
        ASSERT_EQ(file.has_value(), c.Expected != nullptr) << c.Name;
        if (file) {
            EXPECT_EQ(file->Value("tfrm_bif", "CAPTION"), std::optional<std::string>(c.Expected)) << c.Name;
        }
    }
}

TEST_F(ProgramFolderTest, TemporaryFolderIsCreatedOnce)
{
    EXPECT_EQ(GetTempFolder(), dir / "tmp/");
    CreateTempFolder();
    EXPECT_TRUE(DirectoryExists(dir / "tmp"));
    WriteFile(dir.Path() / "tmp/keep.wav", "x");
    CreateTempFolder();
    EXPECT_TRUE(FileExists(dir / "tmp/keep.wav"));
}

TEST_F(SettingsTest, RelativePathsResolveInAnyLetterCase)
{
    WriteFile(dir.Path() / "Data/Demo.BIF", "x");
    EXPECT_EQ(FindPathNoCase(dir.Str(), "data\\demo.bif"), dir / "Data/Demo.BIF");
    EXPECT_EQ(FindPathNoCase(dir.Str() + "/", "DATA/DEMO.bif"), dir / "Data/Demo.BIF");
    // Nothing matches: the path as written, with '/' separators.
    EXPECT_EQ(FindPathNoCase(dir.Str(), "data\\missing.bif"), dir / "data/missing.bif");
}

struct TSafeName {
    std::string ResRef;   // as stored, in the encoding below
    std::string Encoding;
    std::string FileName; // UTF-8, without the extension
};

class SafeNames : public ::testing::TestWithParam<TSafeName> {};

TEST_P(SafeNames, ResRefCannotLeaveTheFolderAndIsWrittenInThePlatformsEncoding)
{
    const TSafeName &name = GetParam();
    const fs::path written = ResourceFilePath("/out/dir", name.ResRef, "txt", CGameTextCodec::Named(name.Encoding));
    EXPECT_EQ(written.parent_path(), fs::path("/out/dir"));
    EXPECT_EQ(written.filename().string(), name.FileName + ".txt");
}

INSTANTIATE_TEST_SUITE_P(
    Names, SafeNames,
    ::testing::Values(TSafeName{"plain", "CP1252", "plain"}, TSafeName{"../../evil", "CP1252", ".._.._evil"},
                      TSafeName{"a\\b", "CP1252", "a_b"}, TSafeName{"C:x", "CP1252", "C_x"},
                      TSafeName{"/abs", "CP1252", "_abs"},
                      TSafeName{std::string("a\x01\x1f\x7f" "b", 5), "CP1252", "a___b"},
                      TSafeName{"..", "CP1252", ".."},
                      // Decoded before the rule: an accent stays, an invalid byte becomes '_'.
                      TSafeName{"caf\xe9", "CP1252", "caf\xc3\xa9"}, TSafeName{"x\x81y", "CP1252", "x_y"},
                      TSafeName{"\xb3\xf3" "d\x9f", "CP1250", "\xc5\x82\xc3\xb3" "d\xc5\xba"},
                      // A double-byte character whose second byte is a backslash stays whole.
                      TSafeName{"\x83\x5c", "CP932", "\xe3\x82\xbd"}));

} // namespace
