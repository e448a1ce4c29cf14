// Building, editing and saving MOD, HAK and ERF archives.
#include "CoreTestSupport.h"

#include "archives/UCMOD.h"
#include "packer/UCMODPAK.h"

#include "testdata/ByteBuilder.h"
#include "testdata/ErfBuilder.h"
#include "testdata/ResTypeNumbers.h"

#include <gmock/gmock.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>

namespace fs = std::filesystem;
namespace rt = testdata::restype;
using coretest::CoreTest;
using coretest::EntriesBelow;
using testdata::ByteBuilder;
using testdata::ErfBuilder;
using testdata::ReadFile;
using testdata::WriteFile;

namespace {

const std::string NotAnArchive = "Not a Duskmere MOD/HAK/ERF File.";

// The 160-byte header of a new writer's archive, laid out by hand.
ByteBuilder NewHeader(const char *type, std::uint32_t stringCount, std::uint32_t stringSize, std::uint32_t entries,
                      std::uint32_t keyList, std::uint32_t resourceList)
{
    ByteBuilder header;
    header.Fixed(type, 4).Bytes("V1.0").U32(stringCount).U32(stringSize).U32(entries).U32(160);
    header.U32(keyList).U32(resourceList).U32(102).U32(0).U32(0xFFFFFFFF).Zeros(116);
    return header;
}

void KeyEntry(ByteBuilder &out, const std::string &resref, std::uint32_t id, std::uint16_t type)
{
    out.Fixed(resref, 16).U32(id).U16(type).U16(0);
}

class ErfWriterTest : public CoreTest {
protected:
    // A file on disk for AddFile.
    std::string Source(const std::string &name, const std::string &bytes)
    {
        WriteFile(dir.Path() / "src" / name, bytes);
        return dir / ("src/" + name);
    }
};

TEST_F(ErfWriterTest, NewErfWithOneResourceIsLaidOutExactly)
{
    std::string first, second;
    for (std::string *saved : {&first, &second}) {
        CMODPAK pak; // two writers in one run write the same bytes
        pak.Kind = akERF;
        pak.AddFile(Source("res1.tga", "0123456789"));
        EXPECT_EQ(pak.Save(dir / "one"), dir / "one.erf");
        *saved = ReadFile(dir.Path() / "one.erf");
    }
    ByteBuilder expected = NewHeader("ERF ", 0, 0, 1, 160, 184);
    KeyEntry(expected, "res1", 0, rt::TGA);
    expected.U32(192).U32(10).Bytes("0123456789");
    ASSERT_EQ(expected.Size(), 202u);
    EXPECT_EQ(first, expected.Data());
    EXPECT_EQ(second, expected.Data());
}

TEST_F(ErfWriterTest, NewModWithEmptyDescriptionWritesOneEmptyString)
{
    CMODPAK pak;
    pak.Kind = akMOD;
    EXPECT_EQ(pak.Save(dir / "empty.mod"), dir / "empty.mod");
    ByteBuilder expected = NewHeader("MOD ", 1, 8, 0, 168, 168);
    expected.U32(0).U32(0);
    EXPECT_EQ(ReadFile(dir.Path() / "empty.mod"), expected.Data());
}

TEST_F(ErfWriterTest, NewModDescriptionHasNoTerminator)
{
    CMODPAK pak;
    pak.Kind = akMOD;
    pak.Description = "Hello";
    pak.AddFile(Source("ab.txt", "hi"));
    pak.Save(dir / "desc");
    ByteBuilder expected = NewHeader("MOD ", 1, 13, 1, 173, 197);
    expected.U32(0).U32(5).Bytes("Hello");
    KeyEntry(expected, "ab", 0, rt::TXT);
    expected.U32(205).U32(2).Bytes("hi");
    EXPECT_EQ(ReadFile(dir.Path() / "desc.mod"), expected.Data());
}

TEST_F(ErfWriterTest, NewHakJoinsTitleUrlAndDescription)
{
    CMODPAK pak;
    pak.Kind = akHAK;
    pak.Title = "T";
    pak.Url = "U";
    pak.Save(dir / "t.hak");
    ByteBuilder expected = NewHeader("HAK ", 1, 13, 0, 173, 173);
    expected.U32(0).U32(5).Bytes(std::string("T\nU\n\0", 5));
    EXPECT_EQ(ReadFile(dir.Path() / "t.hak"), expected.Data());
}

struct SavePath {
    int kind;
    const char *given;
    const char *written;
};

void PrintTo(const SavePath &row, std::ostream *os) { *os << row.kind << " \"" << row.given << '"'; }

class SaveExtension : public ErfWriterTest, public ::testing::WithParamInterface<SavePath> {};

TEST_P(SaveExtension, IsAppendedUnlessThePathEndsInItExactly)
{
    CMODPAK pak;
    pak.Kind = GetParam().kind;
    EXPECT_EQ(pak.Save(dir / GetParam().given), dir / GetParam().written);
    EXPECT_EQ(EntriesBelow(dir.Path()), std::set<std::string>{GetParam().written});
}

INSTANTIATE_TEST_SUITE_P(Paths, SaveExtension,
                         ::testing::Values(SavePath{akMOD, "x", "x.mod"}, SavePath{akMOD, "x.mod", "x.mod"},
                                           SavePath{akMOD, "x.MOD", "x.MOD.mod"}, SavePath{akMOD, "x.hak", "x.hak.mod"},
                                           SavePath{akHAK, "x.hak", "x.hak"}, SavePath{akHAK, "x.erf", "x.erf.hak"},
                                           SavePath{akERF, "x.erf", "x.erf"}, SavePath{akERF, "x.", "x..erf"}));

TEST_F(ErfWriterTest, SaveWithoutKindWritesNothing)
{
    CMODPAK pak;
    EXPECT_THROW(pak.Save(dir / "x.mod"), EFileError);
    EXPECT_TRUE(EntriesBelow(dir.Path()).empty());
}

TEST_F(ErfWriterTest, RoundTripKeepsNamesTypesAndBytes)
{
    CMODPAK pak;
    pak.Kind = akMOD;
    pak.Description = "A module\nwith two lines";
    pak.AddFile(Source("abcdefghijklmnop.tga", std::string("\0\1\2", 3)));
    pak.AddFile(Source("area.are", "area"));
    pak.AddFile(Source("empty.2da", ""));
    RMOD_FILE odd;
    odd.ResRef = "odd";
    odd.ResType = 0x00050003; // type word 3, reserved word 5
    odd.Size = 4;
    odd.Data = "oddd";
    EXPECT_EQ(pak.AddEntry(odd), 3);
    const std::string path = pak.Save(dir / "round.mod");
    // Offsets now point at the bytes just written: header, 8 + 23 string, 4 * 32 lists.
    EXPECT_EQ(pak.Entries()[0].Offset, 160 + 31 + 128);
    EXPECT_EQ(pak.Entries()[3].Offset, 160 + 31 + 128 + 3 + 4 + 0);

    CMOD reader;
    ASSERT_TRUE(reader.Open(path));
    ASSERT_EQ(reader.EntryCount, 4);
    EXPECT_EQ(reader.Entries[0].ResRef, "abcdefghijklmnop");
    EXPECT_EQ(reader.Entries[3].ResType, 0x00050003);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(reader.Entries[std::size_t(i)].ResID, i);
        EXPECT_EQ(reader.ExtractToString(i), pak.Entries()[std::size_t(i)].Data);
    }

    CMODPAK again;
    ASSERT_TRUE(again.Open(path));
    EXPECT_EQ(again.Kind, akMOD);
    EXPECT_EQ(again.Description, pak.Description);
    ASSERT_EQ(again.Entries().size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(again.Entries()[i].ResRef, pak.Entries()[i].ResRef);
        EXPECT_EQ(again.Entries()[i].ResType, pak.Entries()[i].ResType);
        EXPECT_EQ(again.Entries()[i].Size, pak.Entries()[i].Size);
        EXPECT_EQ(again.Entries()[i].Data, pak.Entries()[i].Data);
    }
    EXPECT_EQ(again.Save(dir / "copy.mod"), dir / "copy.mod");
    EXPECT_EQ(ReadFile(dir.Path() / "copy.mod"), ReadFile(path));
}

TEST_F(ErfWriterTest, HakTextsSurviveOpenAndSaveUnchanged)
{
    CMODPAK pak;
    pak.Kind = akHAK;
    pak.Title = "My hak";
    pak.Url = "http://example.invalid/hak";
    pak.Description = "first line\nsecond line";
    pak.AddFile(Source("a.txt", "a"));
    const std::string path = pak.Save(dir / "texts.hak");
    for (int round = 0; round < 2; ++round) {
        CMODPAK again;
        ASSERT_TRUE(again.Open(path));
        EXPECT_EQ(again.Kind, akHAK);
        EXPECT_EQ(again.Title, "My hak");
        EXPECT_EQ(again.Url, "http://example.invalid/hak");
        EXPECT_EQ(again.Description, "first line\nsecond line");
        const std::string before = ReadFile(path);
        again.Save(path);
        EXPECT_EQ(ReadFile(path), before);
    }
}

TEST_F(ErfWriterTest, SavingRenumbersResourceIds)
{
    ErfBuilder archive("ERF ");
    for (auto [name, id] : {std::pair{"a", 7u}, std::pair{"b", 3u}, std::pair{"c", 99u}}) {
        archive.Add(name, rt::TXT, name);
        archive.Resources.back().ResId = id;
    }
    archive.WriteTo(dir.Path() / "ids.erf");
    CMODPAK pak;
    ASSERT_TRUE(pak.Open(dir / "ids.erf"));
    EXPECT_EQ(pak.Entries()[2].ResID, 99);
    pak.Save(dir / "ids.erf");
    CMOD reader;
    ASSERT_TRUE(reader.Open(dir / "ids.erf"));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(reader.Entries[std::size_t(i)].ResID, i);
}

struct StringCase {
    const char *name;
    const char *fileType;
    std::vector<testdata::ErfString> stored;
    std::vector<testdata::ErfString> saved; // after editing the texts
    int saveAs = akNone;                     // another kind to save as
};

void PrintTo(const StringCase &row, std::ostream *os) { *os << row.name; }

class LocalizedStrings : public ErfWriterTest, public ::testing::WithParamInterface<StringCase> {};

TEST_P(LocalizedStrings, OnlyTheEditedStringChanges)
{
    const StringCase &row = GetParam();
    ErfBuilder archive(row.fileType);
    archive.Strings = row.stored;
    archive.Add("res", rt::TXT, "data");
    archive.Add("other", rt::UTI, "item");
    archive.WriteTo(dir.Path() / "in");

    CMODPAK pak;
    ASSERT_TRUE(pak.Open(dir / "in"));
    pak.Title = "Title";
    pak.Url = "Url";
    pak.Description = "Edited";
    if (row.saveAs != akNone)
        pak.Kind = row.saveAs;
    pak.Save(dir / "out");

    ErfBuilder expected = archive;
    expected.FileType = pak.Kind == akERF ? "ERF " : row.fileType;
    expected.Strings = row.saved;
    EXPECT_EQ(ReadFile(dir.Path() / (std::string("out.") + (pak.Kind == akHAK ? "hak" : pak.Kind == akERF ? "erf" : "mod"))),
              expected.Build());
}

INSTANTIATE_TEST_SUITE_P(
    Strings, LocalizedStrings,
    ::testing::Values(StringCase{"LanguageZeroAmongOthers", "MOD ",
                                 {{3, "Drei"}, {0, "Null"}, {5, "F\xfcnf"}},
                                 {{3, "Drei"}, {0, "Edited"}, {5, "F\xfcnf"}}},
                      StringCase{"NoLanguageZero", "MOD ", {{2, "Zwei"}, {4, "Vier"}}, {{2, "Edited"}, {4, "Vier"}}},
                      StringCase{"HakAmongOthers", "HAK ",
                                 {{1, "one"}, {0, ErfBuilder::HakText("a", "b", "c")}},
                                 {{1, "one"}, {0, ErfBuilder::HakText("Title", "Url", "Edited")}}},
                      StringCase{"NoStringAtAll", "MOD ", {}, {{0, "Edited"}}},
                      // An ERF shows no texts: the one the packer edits is dropped.
                      StringCase{"SavedAsErf", "HAK ", {{0, ErfBuilder::HakText("a", "b", "c")}, {1, "one"}}, {{1, "one"}},
                                 akERF}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ErfWriterTest, StringsThatWereNeverWrittenAreIgnored)
{
    // An older writer's file: one string claimed, none written, key list at 160.
    ErfBuilder claimed("MOD ");
    claimed.LanguageCountField = 1;
    claimed.Add("res", rt::TXT, "data");
    claimed.WriteTo(dir.Path() / "claimed.mod");
    CMODPAK pak;
    ASSERT_TRUE(pak.Open(dir / "claimed.mod"));
    EXPECT_EQ(pak.Description, "");
    ASSERT_EQ(pak.Entries().size(), 1u);
    EXPECT_EQ(pak.Entries()[0].Data, "data");
    // Saved, it gets the one string a module has, empty.
    pak.Save(dir / "claimed.mod");
    ErfBuilder mended = claimed;
    mended.LanguageCountField.reset();
    mended.AddString(0, "");
    EXPECT_EQ(ReadFile(dir.Path() / "claimed.mod"), mended.Build());

    // A string whose length runs into the key list, or past the end of the file.
    ErfBuilder overlong("MOD ");
    overlong.AddString(0, "abc");
    overlong.Add("res", rt::TXT, "data");
    for (std::uint32_t length : {20u, 0xFFFFFFF0u}) {
        SCOPED_TRACE(length);
        ByteBuilder bytes;
        bytes.Bytes(overlong.Build());
        bytes.PatchU32(164, length);
        WriteFile(dir.Path() / "overlong.mod", bytes.Data());
        ASSERT_TRUE(pak.Open(dir / "overlong.mod"));
        EXPECT_EQ(pak.Description, "");
        ASSERT_EQ(pak.Entries().size(), 1u);
        EXPECT_EQ(pak.Entries()[0].Data, "data");
    }
}

TEST_F(ErfWriterTest, OpenedArchiveSavedUnderAnotherKindKeepsItsHeader)
{
    ErfBuilder archive("HAK ");
    archive.BuildYear = 123;
    archive.BuildDay = 45;
    archive.DescriptionStrRef = 6789;
    archive.AddString(0, ErfBuilder::HakText("T", "U", "D"));
    archive.Add("res", rt::TXT, "data");
    archive.WriteTo(dir.Path() / "kind.hak");
    CMODPAK pak;
    ASSERT_TRUE(pak.Open(dir / "kind.hak"));
    pak.Kind = akMOD;
    pak.Save(dir / "kind");

    ErfBuilder expected("MOD ");
    expected.BuildYear = 123;
    expected.BuildDay = 45;
    expected.DescriptionStrRef = 6789;
    expected.AddString(0, "D");
    expected.Add("res", rt::TXT, "data");
    EXPECT_EQ(ReadFile(dir.Path() / "kind.mod"), expected.Build());
}

TEST_F(ErfWriterTest, FailedOpenLeavesNothingLoaded)
{
    ErfBuilder good("MOD ");
    good.AddString(0, "loaded");
    good.Add("res", rt::TXT, "data");
    good.WriteTo(dir.Path() / "good.mod");
    ErfBuilder damaged("HAK ");
    damaged.AddString(0, ErfBuilder::HakText("T", "U", "D"));
    damaged.Add("fine", rt::TXT, "fine");
    damaged.Add("cut", rt::TXT, "cut short");
    std::string bytes = damaged.Build();
    WriteFile(dir.Path() / "cut.hak", bytes.substr(0, bytes.size() - 2));
    WriteFile(dir.Path() / "gff.mod", "GFF V3.2" + std::string(200, '\0'));
    WriteFile(dir.Path() / "short.mod", "MOD V1.0" + std::string(151, '\0'));

    struct Case {
        const char *file;
        bool message;
    };
    for (const Case &c : {Case{"missing.mod", false}, Case{"gff.mod", true}, Case{"short.mod", true},
                          Case{"cut.hak", true}}) {
        SCOPED_TRACE(c.file);
        CMODPAK pak;
        ASSERT_TRUE(pak.Open(dir / "good.mod"));
        ASSERT_EQ(pak.Description, "loaded");
        captured.Messages.clear();
        EXPECT_FALSE(pak.Open(dir / c.file));
        EXPECT_EQ(captured.Messages.size(), c.message ? 1u : 0u);
        if (c.message && std::string(c.file) != "cut.hak") {
            EXPECT_EQ(captured.Messages[0], "\"" + dir / c.file + "\": " + NotAnArchive);
        }
        if (std::string(c.file) != "missing.mod") {
            EXPECT_EQ(pak.Kind, akNone);
            EXPECT_TRUE(pak.Entries().empty());
            EXPECT_EQ(pak.Title + pak.Url + pak.Description, "");
        }
    }
}

TEST_F(ErfWriterTest, ListsWithoutRoomInTheFileOpenEmptyAndDamaged)
{
    ErfBuilder huge("ERF ");
    huge.EntryCountField = 0xFFFFFFFF;
    huge.WriteTo(dir.Path() / "huge.erf");
    CMODPAK pak;
    ASSERT_TRUE(pak.Open(dir / "huge.erf"));
    EXPECT_TRUE(pak.Entries().empty());
    EXPECT_EQ(captured.Messages, std::vector<std::string>{"\"" + dir / "huge.erf" +
                                                          "\" is damaged: its header announces 4294967295 "
                                                          "entries, but only 0 lie inside it."});

    // Lists that start past the end of the file hold nothing.
    ErfBuilder far("MOD ");
    far.Add("res", rt::TXT, "data");
    far.KeyListOffsetField = 0xFFFFFF00;
    far.WriteTo(dir.Path() / "far.mod");
    bool opened = false;
    EXPECT_NO_THROW(opened = pak.Open(dir / "far.mod"));
    EXPECT_TRUE(opened);
    EXPECT_TRUE(pak.Entries().empty());
}

// Limits the size of files this process may write, for the length of a scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
};

TEST_F(ErfWriterTest, FailedSaveKeepsThePreviousFileAndLeavesNoTemporary)
{
    CMODPAK pak;
    pak.Kind = akMOD;
    pak.AddFile(Source("small.txt", "small"));
    const std::string target = pak.Save(dir / "keep.mod");
    const std::string previous = ReadFile(target);
    const std::string large = Source("large.txt", std::string(256 * 1024, 'x'));
    fs::create_directories(dir.Path() / "folder.mod/inside");
    const std::set<std::string> before = EntriesBelow(dir.Path());

    pak.AddFile(large);
    {
        FileSizeLimit limit(64 * 1024);
        EXPECT_THROW(pak.Save(target), EFileError);
    }
    EXPECT_EQ(ReadFile(target), previous);
    EXPECT_THROW(pak.Save(dir / "folder.mod"), EFileError);
    EXPECT_THROW(pak.Save(dir / "missing/new.mod"), EFileError);
    EXPECT_EQ(EntriesBelow(dir.Path()), before);
    // Nothing about the writer changed: it saves fine afterwards.
    EXPECT_EQ(pak.Save(target), target);
    EXPECT_EQ(fs::file_size(target), 160 + 8 + 2 * 32 + 5 + 256 * 1024u);
}

TEST_F(ErfWriterTest, SavingOverALinkedArchiveReplacesTheFileTheLinkNames)
{
    CMODPAK pak;
    pak.Kind = akMOD;
    pak.AddFile(Source("one.txt", "one"));
    const std::string real = pak.Save(dir / "real.mod");
    fs::create_directories(dir.Path() / "links");
    fs::create_symlink("../real.mod", dir.Path() / "links/pack.mod");
    pak.AddFile(Source("two.txt", "two"));
    EXPECT_EQ(pak.Save(dir / "links/pack.mod"), dir / "links/pack.mod");
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "links/pack.mod"));
    CMODPAK reread;
    ASSERT_TRUE(reread.Open(real));
    EXPECT_EQ(reread.Entries().size(), 2u);
    // No temporary file is left (the link lists under the name of its target).
    EXPECT_EQ(EntriesBelow(dir.Path()), (std::set<std::string>{"links", "real.mod", "src", "src/one.txt", "src/two.txt"}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path() / "links"), fs::directory_iterator()), 1);
}

TEST_F(ErfWriterTest, ExportsReplaceLinksInTheFolderAndLeaveNoFileHalfWritten)
{
    CMODPAK pak;
    pak.AddFile(Source("dup.txt", "new"));
    pak.AddFile(Source("big.txt", std::string(256 * 1024, 'x')));
    WriteFile(dir.Path() / "victim.txt", "victim");
    fs::create_directories(OutFolder());
    fs::create_symlink("../victim.txt", OutFolder() + "/dup.txt");
    {
        FileSizeLimit limit(64 * 1024);
        EXPECT_THROW(pak.ExportAll(OutFolder()), EFileError);
    }
    EXPECT_EQ(ReadFile(dir / "victim.txt"), "victim");
    EXPECT_FALSE(fs::is_symlink(OutFolder() + "/dup.txt"));
    EXPECT_EQ(ReadFile(OutFolder() + "/dup.txt"), "new");
    EXPECT_EQ(EntriesBelow(OutFolder()), std::set<std::string>{"dup.txt"});
}

class Refusal : public ErfWriterTest, public ::testing::WithParamInterface<std::pair<const char *, bool>> {};

TEST_P(Refusal, ExplainsWhyAFileCannotBeAdded)
{
    CMODPAK pak;
    pak.Kind = akHAK;
    pak.AddFile(Source("exist.tga", "x"));
    const std::string reason = pak.RefusalReason(std::string("/some/folder/") + GetParam().first);
    EXPECT_EQ(reason.empty(), GetParam().second) << GetParam().first << ": " << reason;
}

INSTANTIATE_TEST_SUITE_P(Files, Refusal,
                         ::testing::Values(std::pair{"abcdefghijklmnop.tga", true}, std::pair{"abcdefghijklmnopq.tga", false},
                                           std::pair{".tga", false}, std::pair{"picture.jpg", false},
                                           std::pair{"movie.mva", false}, std::pair{"movie.mve", true},
                                           std::pair{"EXIST.TGA", false}, std::pair{"exist.tga", false},
                                           std::pair{"exist.plt", true}, std::pair{"table.2DA", true},
                                           std::pair{"noextension", false}));

TEST_F(ErfWriterTest, ExportAllWritesTheEntriesNowListed)
{
    CMODPAK pak;
    pak.Kind = akERF;
    pak.AddFile(Source("gone.txt", "gone"));
    pak.AddFile(Source("kept.uti", "kept"));
    pak.Delete(0);
    pak.AddFile(Source("new.ssf", "sound set"));
    CMODPAK source;
    source.AddFile(Source("copied.utw", "waypoint"));
    EXPECT_EQ(pak.AddEntry(source.Entries()[0]), 2);
    source.Delete(0); // the copy owns its bytes
    ASSERT_EQ(pak.Entries().size(), 3u);
    EXPECT_EQ(pak.Entries()[0].ResID, 1);
    EXPECT_EQ(pak.Entries()[2].ResID, 2);
    EXPECT_EQ(pak.Entries()[2].Offset, 0);

    const std::string out = OutFolder();
    std::vector<std::string> names;
    pak.OnExport = [&](CMODPAK &writer) {
        EXPECT_FALSE(fs::exists(writer.CurrentName)) << writer.CurrentName;
        names.push_back(writer.CurrentName);
    };
    pak.ExportAll(out);
    EXPECT_EQ(names, (std::vector<std::string>{out + "/kept.uti", out + "/new.ssf", out + "/copied.utw"}));
    EXPECT_EQ(EntriesBelow(out), (std::set<std::string>{"kept.uti", "new.ssf", "copied.utw"}));
    EXPECT_EQ(ReadFile(out + "/copied.utw"), "waypoint");
    EXPECT_EQ(ReadFile(out + "/new.ssf"), "sound set");

    pak.OnExport = [&](CMODPAK &writer) { names.push_back(writer.CurrentName); };
    pak.ExportToFile(1, out + "/");
    EXPECT_EQ(names.size(), 4u);
    EXPECT_EQ(names.back(), out + "/new.ssf");
}

TEST_F(ErfWriterTest, ExportedNamesStayInsideTheChosenFolder)
{
    CMODPAK pak;
    for (const char *resref : {"../../evil", "a\\b", "C:x"}) {
        RMOD_FILE entry;
        entry.ResRef = resref;
        entry.ResType = rt::TXT;
        entry.Data = resref;
        entry.Size = std::int32_t(entry.Data.size());
        pak.AddEntry(entry);
    }
    RMOD_FILE unknown;
    unknown.ResRef = "alias";
    unknown.ResType = rt::SSF_ALIAS;
    pak.AddEntry(unknown);
    pak.ExportAll(OutFolder());
    EXPECT_EQ(EntriesBelow(dir.Path()),
              (std::set<std::string>{"out", "out/.._.._evil.txt", "out/a_b.txt", "out/C_x.txt", "out/alias.raw"}));
}

TEST_F(ErfWriterTest, FindFollowsDeletionsAndAnswersTheFirstDuplicate)
{
    ErfBuilder archive("ERF ");
    archive.Add("dup", rt::TGA, "first");
    archive.Add("DUP", rt::TGA, "second");
    archive.Add("dup", rt::PLT, "plt");
    archive.WriteTo(dir.Path() / "dup.erf");
    CMODPAK pak;
    ASSERT_TRUE(pak.Open(dir / "dup.erf"));
    EXPECT_EQ(pak.Find("Dup", rt::TGA), 0);
    EXPECT_EQ(pak.Find("dup", rt::PLT), 2);
    EXPECT_EQ(pak.Find("dup", rt::MDL), -1);
    pak.Delete(0);
    EXPECT_EQ(pak.Find("dup", rt::TGA), 0);
    EXPECT_EQ(pak.Entries()[0].Data, "second");
    EXPECT_EQ(pak.Find("dup", rt::PLT), 1);
    pak.AddFile(Source("late.txt", ""));
    EXPECT_EQ(pak.Find("LATE", rt::TXT), 2);
    EXPECT_THROW(pak.Delete(3), std::out_of_range);
}

// ---------------------------------------------------------------- hostile archives

// A module of count entries over one resource of size bytes: entry i starts
// stagger x i bytes into it and runs to its end.
std::string ArchiveOverOneResource(std::uint32_t count, std::uint32_t size, std::uint32_t stagger)
{
    const std::uint32_t keyList = 160, resourceList = keyList + 24 * count, data = resourceList + 8 * count;
    ByteBuilder out = NewHeader("MOD ", 0, 0, count, keyList, resourceList);
    for (std::uint32_t i = 0; i < count; ++i)
        KeyEntry(out, "r" + std::to_string(i), i, rt::TXT);
    for (std::uint32_t i = 0; i < count; ++i)
        out.U32(data + stagger * i).U32(size - stagger * i);
    out.Bytes(std::string(size, 'x'));
    return out.Take();
}

std::string BillionsOfEntriesPastTheEnd()
{
    return NewHeader("MOD ", 0, 0, 1900000000, 0x7FFFFFF0, 0x7FFFFFF0).Take() + std::string(100000, 'x');
}

// A thousand overlapping entries, the last of them far past the end of the file.
std::string ResourcePastTheEnd()
{
    std::string bytes = ArchiveOverOneResource(1000, 1000, 1);
    return bytes.replace(160 + 24 * 1000 + 8 * 999, 4, "\xF0\xFF\xFF\x7F");
}

// The archive reader and the packer on the same archives; the messages they
// show report damage.
class HostileArchives : public ErfWriterTest, public ::testing::WithParamInterface<coretest::THostileFile> {
protected:
    const std::string path = dir / "hostile.mod";

    void ExpectDamageReported(const coretest::TBoundedRead &run)
    {
        for (const std::string &message : run.Messages)
            EXPECT_THAT(message, ::testing::StartsWith("\"" + path + "\" is damaged: "));
    }
};
class HostileArchivesRead : public HostileArchives {};
class HostileArchivesPacked : public HostileArchives {};

TEST_P(HostileArchivesRead, StayWithinTheirBounds)
{
    ExpectDamageReported(coretest::ExpectSeen(GetParam(), path, [&] {
        CMOD archive;
        archive.Open(path);
        return std::to_string(archive.Entries.size()) + " entries, " +
               std::to_string(CountOverlappingEntries(archive.Entries)) + " overlapping";
    }));
}

TEST_P(HostileArchivesPacked, StayWithinTheirBounds)
{
    ExpectDamageReported(coretest::ExpectSeen(GetParam(), path, [&] {
        CMODPAK pak;
        const bool opened = pak.Open(path);
        std::uint64_t bytes = 0;
        for (const RMOD_FILE &entry : pak.Entries())
            bytes += entry.Data.size();
        return std::string(opened ? "opened, " : "refused, ") + std::to_string(pak.Entries().size()) + " entries, " +
               std::to_string(pak.OverlappingEntries) + " overlapping, " + std::to_string(bytes) + " bytes";
    }));
}

INSTANTIATE_TEST_SUITE_P(
    All, HostileArchivesRead,
    ::testing::Values(
        coretest::THostileFile{"EveryEntryTheSameResource", [] { return ArchiveOverOneResource(40000, 1 << 20, 0); },
                               "40000 entries, 39999 overlapping"},
        coretest::THostileFile{"EntriesOverlappingEachOther",
                               [] { return ArchiveOverOneResource(40000, 1 << 20, 1); },
                               "40000 entries, 39999 overlapping"},
        coretest::THostileFile{"BillionsOfEntriesPastTheEnd", BillionsOfEntriesPastTheEnd, "0 entries, 0 overlapping"},
        coretest::THostileFile{"ResourcePastTheEnd", ResourcePastTheEnd, "1000 entries, 998 overlapping"}),
    coretest::NameOf);

INSTANTIATE_TEST_SUITE_P(
    All, HostileArchivesPacked,
    ::testing::Values(
        coretest::THostileFile{"EveryEntryTheSameResource", [] { return ArchiveOverOneResource(40000, 1 << 20, 0); },
                               "opened, 40000 entries, 39999 overlapping, 41943040000 bytes"},
        coretest::THostileFile{"EntriesOverlappingEachOther",
                               [] { return ArchiveOverOneResource(40000, 1 << 20, 1); },
                               "opened, 40000 entries, 39999 overlapping, 41143060000 bytes"},
        coretest::THostileFile{"BillionsOfEntriesPastTheEnd", BillionsOfEntriesPastTheEnd,
                               "opened, 0 entries, 0 overlapping, 0 bytes"},
        coretest::THostileFile{"ResourcePastTheEnd", ResourcePastTheEnd, "refused, 0 entries, 0 overlapping, 0 bytes"}),
    coretest::NameOf);

} // namespace
