// Reading MOD, HAK, ERF and NWM archives and extracting from them.
#include "CoreTestSupport.h"

#include "archives/UCMOD.h"

#include "testdata/ByteBuilder.h"
#include "testdata/ErfBuilder.h"
#include "testdata/ResTypeNumbers.h"

namespace fs = std::filesystem;
namespace rt = testdata::restype;
using coretest::CoreTest;
using coretest::EntriesBelow;
using testdata::ErfBuilder;
using testdata::ReadFile;
using testdata::WriteFile;

namespace {

const std::string NotAnArchive = "Not a Duskmere MOD/HAK/ERF File.";

class ErfReaderTest : public CoreTest {
protected:
    CMOD mod;

    std::string Write(const ErfBuilder &archive, const std::string &name = "test.mod")
    {
        archive.WriteTo(dir.Path() / name);
        return dir / name;
    }
};

class ErfFileType : public ErfReaderTest, public ::testing::WithParamInterface<std::pair<std::string, bool>> {};

TEST_P(ErfFileType, IsCheckedIgnoringCaseWhateverTheExtension)
{
    ErfBuilder archive(GetParam().first);
    archive.Add("thing", rt::UTI, "item");
    const std::string path = Write(archive, "archive.nwm");
    const bool accepted = GetParam().second;
    EXPECT_EQ(mod.Open(path), accepted);
    EXPECT_EQ(mod.FileName, path);
    if (accepted) {
        EXPECT_TRUE(captured.Messages.empty());
        EXPECT_EQ(mod.EntryCount, 1);
        EXPECT_EQ(mod.ExtractToString(0), "item");
    } else {
        EXPECT_EQ(captured.Messages, std::vector<std::string>{"\"" + path + "\": " + NotAnArchive});
        EXPECT_EQ(mod.EntryCount, 0);
        EXPECT_TRUE(mod.Entries.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Types, ErfFileType,
                         ::testing::Values(std::pair{std::string("MOD "), true}, std::pair{std::string("mod "), true},
                                           std::pair{std::string("HaK "), true}, std::pair{std::string("ERF "), true},
                                           std::pair{std::string("UTI "), false}, std::pair{std::string("MODX"), false},
                                           std::pair{std::string("NWM "), false},
                                           std::pair{std::string("ERF\0", 4), false}));

TEST_F(ErfReaderTest, MissingFileAndShortHeader)
{
    EXPECT_FALSE(mod.Open(dir / "missing.mod"));
    EXPECT_TRUE(captured.Messages.empty());
    EXPECT_EQ(mod.FileName, "");

    WriteFile(dir.Path() / "short.mod", "MOD V1.0" + std::string(31, '\0'));
    EXPECT_FALSE(mod.Open(dir / "short.mod"));
    EXPECT_EQ(captured.Messages, std::vector<std::string>{"\"" + dir / "short.mod" + "\": " + NotAnArchive});

    // Exactly a 40-byte header with no entries is a valid, empty archive.
    WriteFile(dir.Path() / "bare.mod", "MOD V1.0" + std::string(32, '\0'));
    EXPECT_TRUE(mod.Open(dir / "bare.mod"));
    EXPECT_EQ(mod.EntryCount, 0);
}

TEST_F(ErfReaderTest, EmptyArchiveExtractsNothing)
{
    ASSERT_TRUE(mod.Open(Write(ErfBuilder("MOD "))));
    EXPECT_EQ(mod.EntryCount, 0);
    int events = 0;
    mod.OnExtract = [&](CMOD &) { ++events; };
    mod.ExtractAll(OutFolder());
    EXPECT_EQ(events, 0);
    EXPECT_TRUE(EntriesBelow(OutFolder()).empty());
}

TEST_F(ErfReaderTest, EntriesPairKeyAndResourceListsByPosition)
{
    ErfBuilder archive("HAK ");
    archive.AddString(0, ErfBuilder::HakText("T", "U", "D"));
    archive.Add("module", rt::IFO, "ifo-bytes");
    archive.Add("ABCDEFGHIJKLMNOP", rt::TGA, "sixteen");
    archive.Add("short", rt::TXT, "");
    archive.Resources[0].ResId = 77;
    archive.Resources[1].Reserved = 1; // type word 3, reserved word 1
    ASSERT_TRUE(mod.Open(Write(archive)));
    ASSERT_EQ(mod.EntryCount, 3);
    ASSERT_EQ(mod.Entries.size(), 3u);

    // Header 160, string 8 + 6, keys 3 * 24, resources 3 * 8: data at 270.
    const RMOD_ENTRY &module = mod.Entries[0];
    EXPECT_EQ(module.ResRef, "module");
    EXPECT_EQ(module.ResID, 77);
    EXPECT_EQ(module.ResType, rt::IFO);
    EXPECT_EQ(module.Offset, 270);
    EXPECT_EQ(module.Size, 9);
    const RMOD_ENTRY &wide = mod.Entries[1];
    EXPECT_EQ(wide.ResRef, "ABCDEFGHIJKLMNOP");
    EXPECT_EQ(wide.ResType, 0x00010003);
    EXPECT_EQ(wide.Offset, 279);
    EXPECT_EQ(CMOD::TypeToExt(wide.ResType), "RAW");
    EXPECT_EQ(mod.Find("abcdefghijklmnop", rt::TGA), -1);
    EXPECT_EQ(mod.Find("abcdefghijklmnop", 0x00010003), 1);
    EXPECT_EQ(mod.ExtractToString(2), "");

    mod.ExtractAll(OutFolder());
    EXPECT_EQ(EntriesBelow(OutFolder()),
              (std::set<std::string>{"module.ifo", "ABCDEFGHIJKLMNOP.raw", "short.txt"}));
    EXPECT_EQ(ReadFile(Out("ABCDEFGHIJKLMNOP.raw")), "sixteen");
}

TEST_F(ErfReaderTest, ExtractionNamesAndEvents)
{
    ErfBuilder archive("MOD ");
    archive.Add("module", rt::IFO, "ifo");
    archive.Add("movie", rt::MVE, "mve");
    archive.Add("a", rt::UTW, "waypoint");
    archive.Add("a", rt::SSF_ALIAS, "alias");
    ASSERT_TRUE(mod.Open(Write(archive)));

    std::vector<std::string> names;
    const std::string out = OutFolder();
    mod.OnExtract = [&](CMOD &reader) {
        names.push_back(reader.CurrentName);
        // During ExtractAll: called before the entry's file is written (the
        // fourth entry replaces the third's file).
        if (names.size() <= 4) {
            EXPECT_EQ(EntriesBelow(out).size(), names.size() - 1);
        }
    };
    mod.ExtractAll(out + "/");
    EXPECT_EQ(names, (std::vector<std::string>{"module.ifo", "movie.mve", "a.utw", "a.utw"}));
    EXPECT_EQ(EntriesBelow(out), (std::set<std::string>{"module.ifo", "movie.mve", "a.utw"}));
    EXPECT_EQ(ReadFile(Out("a.utw")), "alias");

    fs::remove(Out("module.ifo"));
    mod.ExtractToFile(0, out);
    EXPECT_EQ(names.size(), 5u);
    EXPECT_EQ(ReadFile(Out("module.ifo")), "ifo");

    EXPECT_EQ(mod.ExtractToString(1), "mve");
    EXPECT_EQ(names.size(), 5u);

    CMemoryStream stream;
    mod.ExtractToStream(1, stream);
    EXPECT_EQ(names.size(), 6u);
    EXPECT_EQ(names.back(), "movie.mve");
    EXPECT_EQ(stream.Size(), 3u);
    EXPECT_EQ(stream.Position, 0u);
    EXPECT_EQ(stream.Bytes, "mve");
}

TEST_F(ErfReaderTest, FindIgnoresLetterCaseAndAnswersTheFirstMatch)
{
    ErfBuilder archive("ERF ");
    archive.Add("stone", rt::TGA, "first");
    archive.Add("STONE", rt::TGA, "second");
    archive.Add("stone", rt::PLT, "plt");
    ASSERT_TRUE(mod.Open(Write(archive)));
    EXPECT_EQ(mod.Find("Stone", rt::TGA), 0);
    EXPECT_EQ(mod.Find("STONE", rt::PLT), 2);
    EXPECT_EQ(mod.Find("stone", rt::MDL), -1);
    EXPECT_EQ(mod.Find("stones", rt::TGA), -1);
}

struct ListDamage {
    const char *name;
    std::function<void(ErfBuilder &)> damage;
    int listed; // entries an archive of three resources still lists
    const char *message; // after the file's name; "" when none is shown
};

void PrintTo(const ListDamage &row, std::ostream *os) { *os << row.name; }

class DamagedErfLists : public ErfReaderTest, public ::testing::WithParamInterface<ListDamage> {};

TEST_P(DamagedErfLists, ListOnlyEntriesInsideTheFile)
{
    ErfBuilder archive("MOD ");
    archive.Add("a", rt::TXT, "aaaa");
    archive.Add("b", rt::TXT, "bbbb");
    archive.Add("c", rt::TXT, "cccc");
    GetParam().damage(archive);
    const std::string path = Write(archive);
    ASSERT_TRUE(mod.Open(path));
    if (*GetParam().message)
        EXPECT_EQ(captured.Messages, std::vector<std::string>{"\"" + path + "\" " + GetParam().message});
    else
        EXPECT_TRUE(captured.Messages.empty());
    EXPECT_EQ(mod.EntryCount, GetParam().listed);
    ASSERT_EQ(mod.Entries.size(), std::size_t(GetParam().listed));
    for (int i = 0; i < GetParam().listed && i < 3; ++i)
        EXPECT_EQ(mod.Entries[std::size_t(i)].ResRef, std::string(1, char('a' + i)));
}

// Three resources: keys at 160, resources at 232, data at 256, file size 268.
INSTANTIATE_TEST_SUITE_P(
    Damage, DamagedErfLists,
    ::testing::Values(ListDamage{"KeyListPastEnd", [](ErfBuilder &a) { a.KeyListOffsetField = 0xFFFFFF00; }, 0,
                                 "is damaged: its header announces 3 entries, but only 0 lie inside it."},
                      ListDamage{"ResourceListPastEnd", [](ErfBuilder &a) { a.ResourceListOffsetField = 268; }, 0,
                                 "is damaged: its header announces 3 entries, but only 0 lie inside it."},
                      // 2 whole resource entries fit between 252 and 268.
                      ListDamage{"ResourceListNearEnd", [](ErfBuilder &a) { a.ResourceListOffsetField = 252; }, 2,
                                 "is damaged: its header announces 3 entries, but only 2 lie inside it."},
                      // 4 whole key entries fit between 160 and 268; 4 resource entries too.
                      ListDamage{"HugeCount", [](ErfBuilder &a) { a.EntryCountField = 0xFFFFFFFF; }, 4,
                                 "is damaged: its header announces 4294967295 entries, but only 4 lie inside it."},
                      ListDamage{"BillionsOfEntriesPastTheEnd",
                                 [](ErfBuilder &a) {
                                     a.EntryCountField = 1900000000;
                                     a.KeyListOffsetField = 0x7FFFFFF0;
                                 },
                                 0, "is damaged: its header announces 1900000000 entries, but only 0 lie inside it."},
                      ListDamage{"CountOfTwo", [](ErfBuilder &a) { a.EntryCountField = 2; }, 2, ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ErfReaderTest, EntryBytesPastTheEndWriteNoFile)
{
    ErfBuilder archive("MOD ");
    archive.Add("good", rt::TXT, "good");
    archive.Add("long", rt::TXT, "long");
    archive.Add("far", rt::TXT, "far!");
    std::string bytes = archive.Build();
    // Resource list at 160 + 3 * 24 = 232: make entry 1 too long, entry 2 start far away.
    testdata::ByteBuilder patched;
    patched.Bytes(bytes);
    patched.PatchU32(232 + 8 + 4, 0xFFFFFFFF);
    patched.PatchU32(232 + 16, 0x7FFFFFF0);
    WriteFile(dir.Path() / "test.mod", patched.Data());
    ASSERT_TRUE(mod.Open(dir / "test.mod"));
    ASSERT_EQ(mod.EntryCount, 3);

    const std::string out = OutFolder();
    for (int index : {1, 2}) {
        SCOPED_TRACE(index);
        EXPECT_THROW(mod.ExtractToFile(index, out), EFileError);
        EXPECT_THROW(mod.ExtractToString(index), EFileError);
        CMemoryStream stream;
        EXPECT_THROW(mod.ExtractToStream(index, stream), EFileError);
        EXPECT_EQ(stream.Size(), 0u);
    }
    EXPECT_TRUE(EntriesBelow(out).empty());
    EXPECT_THROW(mod.ExtractAll(out), EFileError);
    EXPECT_EQ(EntriesBelow(out), std::set<std::string>{"good.txt"});
}

TEST_F(ErfReaderTest, UnsafeResRefsStayInsideTheChosenFolder)
{
    ErfBuilder archive("ERF ");
    for (const char *resref : {"../../evil", "a\\b", "C:x", "\x1f"})
        archive.Add(resref, rt::TXT, resref);
    ASSERT_TRUE(mod.Open(Write(archive, "test.erf")));
    mod.ExtractAll(OutFolder());
    mod.ExtractToFile(0, OutFolder());
    EXPECT_EQ(EntriesBelow(dir.Path()), (std::set<std::string>{"test.erf", "out", "out/.._.._evil.txt", "out/a_b.txt",
                                                               "out/C_x.txt", "out/_.txt"}));
    EXPECT_EQ(ReadFile(Out("a_b.txt")), "a\\b");
}

TEST_F(ErfReaderTest, OpeningAgainReplacesTheEntries)
{
    ErfBuilder first("MOD ");
    first.Add("one", rt::TXT, "1");
    first.Add("two", rt::TXT, "2");
    ASSERT_TRUE(mod.Open(Write(first, "first.mod")));
    ErfBuilder second("HAK ");
    second.Add("three", rt::TXT, "3");
    ASSERT_TRUE(mod.Open(Write(second, "second.hak")));
    ASSERT_EQ(mod.EntryCount, 1);
    EXPECT_EQ(mod.Entries[0].ResRef, "three");
    EXPECT_EQ(mod.FileName, dir / "second.hak");

    EXPECT_FALSE(mod.Open(dir / "gone.mod"));
    EXPECT_EQ(mod.EntryCount, 0);
    EXPECT_TRUE(mod.Entries.empty());
}

} // namespace
