// Reading the KEY index and its BIF archives, and extracting from them.
#include "CoreTestSupport.h"

#include "archives/UCKEYV1.h"

#include "testdata/ByteBuilder.h"
#include "testdata/KeyBifBuilder.h"
#include "testdata/ResTypeNumbers.h"

#include <gmock/gmock.h>

#include <cctype>
#include <functional>

namespace fs = std::filesystem;
namespace rt = testdata::restype;
using coretest::CoreTest;
using coretest::EntriesBelow;
using testdata::KeyBifBuilder;
using testdata::ReadFile;
using testdata::WriteFile;

namespace {

void Patch32(std::string &bytes, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes.at(offset + i) = char((value >> (8 * i)) & 0xff);
}

void Patch16(std::string &bytes, std::size_t offset, std::uint16_t value)
{
    bytes.at(offset) = char(value & 0xff);
    bytes.at(offset + 1) = char(value >> 8);
}

class KeyTest : public CoreTest {
protected:
    KeyBifBuilder builder;
    CKEY_FILE key;

    std::string KeyPath() const { return dir / "chitin.key"; }
    bool WriteAndOpen()
    {
        builder.WriteTo(dir.Path());
        return key.Open(KeyPath());
    }
};

TEST_F(KeyTest, OpensEveryBifAndLooksUpOffsetsInTheirTables)
{
    int one = builder.AddBif("data\\one.bif");
    builder.AddResource(one, "hello", rt::TXT, "hello");
    builder.AddResource(one, "empty", rt::TGA, "");
    builder.AddResource(one, "table", rt::TWODA, "xyz");
    int two = builder.AddBif("data\\two.bif");
    builder.Bif(two).Drives = 2;
    builder.AddResource(two, "model", rt::MDL, "model");

    ASSERT_TRUE(WriteAndOpen());
    EXPECT_TRUE(captured.Messages.empty());
    EXPECT_EQ(key.FileName, KeyPath());
    EXPECT_EQ(key.BifCount, 2u);
    EXPECT_EQ(key.KeyCount, 4u);
    EXPECT_EQ(key.SkippedKeys, 0u);
    ASSERT_EQ(key.Bifs.size(), 2u);
    EXPECT_EQ(key.Bifs[0].Name, "data\\one.bif");
    EXPECT_EQ(key.Bifs[0].FileSize, 20 + 3 * 16 + 8);
    EXPECT_EQ(key.Bifs[0].Drives, 1);
    EXPECT_EQ(key.Bifs[1].Drives, 2);
    ASSERT_EQ(key.Bifs[0].ResCount, 3);
    ASSERT_EQ(key.Bifs[1].ResCount, 1);

    // Data follows the 20-byte header and the 16-byte variable entries.
    struct Expected {
        const char *resref;
        int type, index, bif;
        std::uint32_t offset, size;
    };
    const Expected expected[] = {{"hello", rt::TXT, 0, 0, 68, 5},
                                 {"empty", rt::TGA, 1, 0, 73, 0},
                                 {"table", rt::TWODA, 2, 0, 73, 3},
                                 {"model", rt::MDL, 0, 1, 36, 5}};
    for (const Expected &e : expected) {
        SCOPED_TRACE(e.resref);
        const RKEY_RESSOURCE *res = key.Resource(e.bif, e.index);
        ASSERT_NE(res, nullptr);
        EXPECT_EQ(res->ResRef, e.resref);
        EXPECT_EQ(res->ResType, e.type);
        EXPECT_EQ(res->Index, e.index);
        EXPECT_EQ(res->Bif, e.bif);
        EXPECT_EQ(res->Offset, e.offset);
        EXPECT_EQ(res->Size, e.size);
    }
    EXPECT_EQ(key.ExtractToString(0, 2), "xyz");
    EXPECT_EQ(key.ExtractToString(1, 0), "model");
}

TEST_F(KeyTest, ResIdSplitsIntoBifNumberAndIndex)
{
    for (int b = 0; b < 4; ++b)
        builder.AddBif("data\\b" + std::to_string(b) + ".bif");
    for (int i = 0; i < 6; ++i)
        builder.AddResource(3, "res" + std::to_string(i), rt::TXT, std::string(std::size_t(i), 'a' + char(i)));
    ASSERT_EQ(KeyBifBuilder::ResId(3, 5), 0x00300005u);
    ASSERT_TRUE(WriteAndOpen());
    RKEY_LOCATION where = key.Find("res5", rt::TXT);
    EXPECT_EQ(where.Bif, 3);
    EXPECT_EQ(where.Index, 5);
    EXPECT_EQ(where.ResType, rt::TXT);
    EXPECT_EQ(key.ExtractToString(3, 5), "fffff");
}

class KeySignature : public KeyTest, public ::testing::WithParamInterface<std::pair<std::string, bool>> {};

TEST_P(KeySignature, FileTypeIsCheckedIgnoringCase)
{
    builder.Signature = GetParam().first;
    builder.AddResource(builder.AddBif("data\\a.bif"), "a", rt::TXT, "a");
    bool accepted = GetParam().second;
    EXPECT_EQ(WriteAndOpen(), accepted);
    if (accepted) {
        EXPECT_TRUE(captured.Messages.empty());
        EXPECT_EQ(key.Bifs.size(), 1u);
    } else {
        EXPECT_EQ(captured.Messages, std::vector<std::string>{"\"" + KeyPath() + "\": Wrong key File."});
        EXPECT_TRUE(key.Bifs.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Signatures, KeySignature,
                         ::testing::Values(std::pair{std::string("KEY "), true}, std::pair{std::string("key "), true},
                                           std::pair{std::string("kEy "), true}, std::pair{std::string("KEYS"), false},
                                           std::pair{std::string("BIFF"), false},
                                           std::pair{std::string("KEY\0", 4), false}));

TEST_F(KeyTest, MissingOrTinyKeyFiles)
{
    EXPECT_FALSE(key.Open(KeyPath()));
    EXPECT_TRUE(captured.Messages.empty());

    WriteFile(KeyPath(), "KEY");
    EXPECT_FALSE(key.Open(KeyPath()));
    EXPECT_EQ(captured.Messages, std::vector<std::string>{"\"" + KeyPath() + "\": Wrong key File."});
}

struct KeyDamage {
    const char *name;
    std::function<void(std::string &)> damage;
};

void PrintTo(const KeyDamage &row, std::ostream *os) { *os << row.name; }

class DamagedKey : public KeyTest, public ::testing::WithParamInterface<KeyDamage> {};

TEST_P(DamagedKey, IsRefusedWithAMessage)
{
    int bif = builder.AddBif("data\\a.bif");
    builder.AddResource(bif, "first", rt::TXT, "1");
    builder.AddResource(bif, "second", rt::TXT, "2");
    builder.WriteTo(dir.Path());
    std::string bytes = builder.BuildKey();
    GetParam().damage(bytes);
    WriteFile(KeyPath(), bytes);

    EXPECT_FALSE(key.Open(KeyPath()));
    ASSERT_EQ(captured.Messages.size(), 1u);
    EXPECT_EQ(captured.Messages[0].rfind("\"" + KeyPath() + "\": Damaged key File: ", 0), 0u) << captured.Messages[0];
}

// KEY layout written by the builder: header 64 bytes, file table at 64, then
// the names, then the key table.
// Puts another BIF name over the first one ("data\\a.bif", 10 bytes).
std::function<void(std::string &)> BifNamed(std::string name)
{
    return [name](std::string &b) {
        const std::uint32_t offset = ReadU32LE(reinterpret_cast<const unsigned char *>(b.data()) + 64 + 4);
        b.replace(offset, 10, (name + std::string(10, '\0')).substr(0, 10));
    };
}

INSTANTIATE_TEST_SUITE_P(
    Damage, DamagedKey,
    ::testing::Values(KeyDamage{"HeaderCutShort", [](std::string &b) { b.resize(20); }},
                      KeyDamage{"HugeBifCount", [](std::string &b) { Patch32(b, 8, 0xFFFFFFFF); }},
                      KeyDamage{"FileTablePastEnd", [](std::string &b) { Patch32(b, 16, 0xFFFFFFF0); }},
                      KeyDamage{"HugeKeyCount", [](std::string &b) { Patch32(b, 12, 0xFFFFFFFF); }},
                      KeyDamage{"KeyTableAtEnd", [](std::string &b) { Patch32(b, 20, std::uint32_t(b.size())); }},
                      KeyDamage{"KeyTableCutShort", [](std::string &b) { b.resize(b.size() - 5); }},
                      KeyDamage{"BifNamePastEnd", [](std::string &b) { Patch32(b, 64 + 4, 0xFFFFFF00); }},
                      KeyDamage{"BifNameSizeHuge", [](std::string &b) { Patch16(b, 64 + 8, 0xFFFF); }},
                      // BIFs lie in the game folder, never above it or elsewhere.
                      KeyDamage{"BifNameLeavesTheFolder", BifNamed("..\\a.bif")},
                      KeyDamage{"BifNameGoesUpInside", BifNamed("data/../..")},
                      KeyDamage{"BifNameIsAbsolute", BifNamed("/a.bif")},
                      KeyDamage{"BifNameHasADrive", BifNamed("C:\\a.bif")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(KeyTest, EmptyTablesMayLieAnywhere)
{
    builder.BifCountField = 0;
    builder.KeyCountField = 0;
    builder.FileTableOffsetField = 0xFFFFFFF0;
    builder.KeyTableOffsetField = 0xFFFFFFF0;
    // Tables of no entries never run past the end, wherever they start.
    bool opened = false;
    EXPECT_NO_THROW(opened = WriteAndOpen());
    EXPECT_TRUE(opened);
    EXPECT_TRUE(key.Bifs.empty());
    EXPECT_TRUE(captured.Messages.empty());
}

TEST_F(KeyTest, KeysNamingNoBifOrNoTableEntryAreSkipped)
{
    int bif = builder.AddBif("data\\a.bif");
    builder.AddResource(bif, "real0", rt::TXT, "r0");
    builder.AddResource(bif, "real1", rt::TXT, "r1");
    builder.ExtraKeys = {{"nobif", rt::TXT, KeyBifBuilder::ResId(5, 0)},
                         {"noentry", rt::TXT, KeyBifBuilder::ResId(0, 2)},
                         {"bit16", rt::TXT, KeyBifBuilder::ResId(0, 0) | 0x10000},
                         {"bit19", rt::TXT, KeyBifBuilder::ResId(0, 1) | 0x80000}};
    ASSERT_TRUE(WriteAndOpen());
    EXPECT_EQ(key.SkippedKeys, 4u);
    ASSERT_EQ(key.Bifs[0].ResCount, 2);
    EXPECT_EQ(key.Bifs[0].Resources[0].ResRef, "real0");
    EXPECT_EQ(key.Bifs[0].Resources[1].ResRef, "real1");
    EXPECT_EQ(key.Find("bit16", rt::TXT).Bif, -1);
}

TEST_F(KeyTest, IndexBitsAbove16AreSkippedEvenWhereTheTableIsLonger)
{
    int bif = builder.AddBif("data\\a.bif");
    builder.AddResource(bif, "real", rt::TXT, "r");
    builder.Bif(bif).VariableCountField = 0x10001;
    builder.ExtraKeys = {{"wide", rt::TXT, KeyBifBuilder::ResId(0, 0) | 0x10000}};
    builder.WriteTo(dir.Path());
    // Lengthen the BIF so that its variable table really holds 0x10001 entries.
    std::string bytes = ReadFile(dir.Path() / "data/a.bif");
    bytes.resize(20 + 16 * 0x10001, '\0');
    WriteFile(dir.Path() / "data/a.bif", bytes);

    ASSERT_TRUE(key.Open(KeyPath()));
    EXPECT_EQ(key.SkippedKeys, 1u);
    ASSERT_EQ(key.Bifs[0].ResCount, 1);
    EXPECT_EQ(key.Bifs[0].Resources[0].ResRef, "real");
}

struct BifDamage {
    const char *name;
    std::function<void(testdata::BifSpec &)> damage;
};

void PrintTo(const BifDamage &row, std::ostream *os) { *os << row.name; }

class DamagedBifTable : public KeyTest, public ::testing::WithParamInterface<BifDamage> {};

TEST_P(DamagedBifTable, HoldsNoResourcesAndOpensWithoutReadingPastTheEnd)
{
    int good = builder.AddBif("data\\good.bif");
    builder.AddResource(good, "good", rt::TXT, "fine");
    int bad = builder.AddBif("data\\bad.bif");
    builder.AddResource(bad, "bad0", rt::TXT, "0123456789abcdef0123456789abcdef");
    builder.AddResource(bad, "bad1", rt::TXT, "x");
    GetParam().damage(builder.Bif(bad));
    ASSERT_TRUE(WriteAndOpen());
    EXPECT_EQ(key.SkippedKeys, 2u);
    EXPECT_EQ(key.Bifs[1].ResCount, 0);
    EXPECT_EQ(key.ExtractToString(0, 0), "fine");
}

INSTANTIATE_TEST_SUITE_P(
    Damage, DamagedBifTable,
    ::testing::Values(BifDamage{"HugeCount", [](testdata::BifSpec &b) { b.VariableCountField = 0xFFFFFFFF; }},
                      BifDamage{"CountAbove2G", [](testdata::BifSpec &b) { b.VariableCountField = 0x80000000; }},
                      BifDamage{"TablePastEnd", [](testdata::BifSpec &b) { b.VariableTableOffsetField = 0xFFFFFFF0; }},
                      BifDamage{"NoEntries", [](testdata::BifSpec &b) { b.VariableCountField = 0; }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(KeyTest, BifTablesAreCutWhereTheFileEnds)
{
    int bif = builder.AddBif("data\\a.bif");
    builder.AddResource(bif, "zero", rt::TXT, "0000");
    builder.AddResource(bif, "one", rt::TXT, "1111");
    builder.Bif(bif).VariableCountField = 1000;
    builder.Bif(bif).FixedCount = 2;
    ASSERT_TRUE(WriteAndOpen());
    EXPECT_EQ(key.ExtractToString(0, 1), "1111");

    CBIF_FILE table;
    ASSERT_TRUE(table.Open(dir / "data/a.bif"));
    EXPECT_EQ(table.VariableResourceCount, 1000u);
    const std::uint64_t size = fs::file_size(dir.Path() / "data/a.bif");
    EXPECT_EQ(table.VarRes.size(), (size - 20) / 16);
    EXPECT_TRUE(table.FixRes.empty());
}

TEST_F(KeyTest, BifReaderKeepsTheFixedTable)
{
    int bif = builder.AddBif("data\\a.bif");
    builder.AddResource(bif, "zero", rt::TXT, "0000");
    builder.Bif(bif).FixedCount = 2;
    builder.WriteTo(dir.Path());
    CBIF_FILE table;
    EXPECT_FALSE(table.Open(dir / "data/missing.bif"));
    ASSERT_TRUE(table.Open(dir / "data/a.bif"));
    ASSERT_EQ(table.VarRes.size(), 1u);
    EXPECT_EQ(table.VarRes[0].Offset, 20u + 16 + 2 * 20);
    EXPECT_EQ(table.VarRes[0].FileSize, 4u);
    EXPECT_EQ(table.FixRes.size(), 2u);

    WriteFile(dir.Path() / "data/short.bif", "BIFFV1  \x01");
    ASSERT_TRUE(table.Open(dir / "data/short.bif"));
    EXPECT_TRUE(table.VarRes.empty());
    EXPECT_TRUE(table.FixRes.empty());
}

TEST_F(KeyTest, MissingBifKeepsWhatWasReadBeforeIt)
{
    for (const char *name : {"data\\a.bif", "data\\b.bif", "data\\c.bif"}) {
        int bif = builder.AddBif(name);
        builder.AddResource(bif, std::string(1, name[5]) + "0", rt::TXT, "x");
        builder.AddResource(bif, std::string(1, name[5]) + "1", rt::TXT, "y");
    }
    builder.Bif(2).OnDisk = false;
    builder.InterleaveKeys = true; // a0 b0 c0 a1 b1 c1
    EXPECT_FALSE(WriteAndOpen());
    EXPECT_EQ(captured.Messages, std::vector<std::string>{"\"" + dir / "data/c.bif" +
                                                          "\": You need a full install of the game for preview BIF."});
    ASSERT_EQ(key.Bifs.size(), 3u);
    ASSERT_EQ(key.Bifs[0].ResCount, 1);
    EXPECT_EQ(key.Bifs[0].Resources[0].ResRef, "a0");
    ASSERT_EQ(key.Bifs[1].ResCount, 1);
    EXPECT_EQ(key.Bifs[1].Resources[0].ResRef, "b0");
    EXPECT_EQ(key.Bifs[2].ResCount, 0);
}

TEST_F(KeyTest, BifNamesResolveWithBackslashesInAnyCase)
{
    int mixed = builder.AddBif("data\\Mixed.bif", "DATA/mixed.BIF");
    builder.AddResource(mixed, "inside", rt::TXT, "found");
    int unnamed = builder.AddBif(""); // name size 1: only the terminator
    builder.Bif(unnamed).OnDisk = false;
    ASSERT_TRUE(WriteAndOpen());
    EXPECT_EQ(key.Bifs[0].Name, "data\\Mixed.bif");
    EXPECT_EQ(key.BifPath(0), dir / "DATA/mixed.BIF");
    EXPECT_EQ(key.ExtractToString(0, 0), "found");
    EXPECT_EQ(key.Bifs[1].Name, "");
    EXPECT_EQ(fs::path(key.BifPath(1)).parent_path(), dir.Path());
    EXPECT_THROW(key.ExtractBif(1, OutFolder()), EFileError);
}

TEST_F(KeyTest, ExtractedFilesAreNamedByResRefAndKeySideExtension)
{
    int bif = builder.AddBif("data\\a.bif");
    builder.AddResource(bif, "movie", rt::MVE, "mva bytes");
    builder.AddResource(bif, "ABCDEFGHIJKLMNOP", rt::TXT, "sixteen");
    builder.AddResource(bif, "odd", rt::UNKNOWN, "raw");
    builder.AddResource(bif, "nothing", rt::TGA, "");
    builder.AddResource(bif, "voice", rt::SSF_ALIAS, "first");
    builder.AddResource(bif, "voice", rt::SSF, "second");
    builder.AddResource(bif, "setup", rt::INI, "third");
    builder.AddResource(bif, "setup", rt::INI_ALIAS, "fourth");
    ASSERT_TRUE(WriteAndOpen());

    std::vector<std::string> names;
    std::vector<bool> existedBefore;
    const std::string out = OutFolder();
    key.OnExtract = [&](CKEY_FILE &reader) {
        names.push_back(reader.CurrentName);
        existedBefore.push_back(fs::exists(out + "/" + reader.CurrentName));
    };
    key.ExtractBif(0, out);
    key.OnExtract = nullptr;

    EXPECT_EQ(names, (std::vector<std::string>{"movie.mva", "ABCDEFGHIJKLMNOP.txt", "odd.raw", "nothing.tga",
                                               "voice.ssf", "voice.ssf", "setup.ini", "setup.ini"}));
    EXPECT_EQ(existedBefore, (std::vector<bool>{false, false, false, false, false, true, false, true}));
    EXPECT_EQ(EntriesBelow(out), (std::set<std::string>{"movie.mva", "ABCDEFGHIJKLMNOP.txt", "odd.raw",
                                                        "nothing.tga", "voice.ssf", "setup.ini"}));
    EXPECT_EQ(ReadFile(Out("voice.ssf")), "second");
    EXPECT_EQ(ReadFile(Out("setup.ini")), "fourth");
    EXPECT_EQ(ReadFile(Out("ABCDEFGHIJKLMNOP.txt")), "sixteen");
    EXPECT_EQ(fs::file_size(Out("nothing.tga")), 0u);
}

TEST_F(KeyTest, SingleExtractionsAndTheirEvents)
{
    int bif = builder.AddBif("data\\a.bif");
    builder.AddResource(bif, "alpha", rt::TXT, std::string("a\0b", 3));
    ASSERT_TRUE(WriteAndOpen());
    int events = 0;
    key.OnExtract = [&](CKEY_FILE &reader) {
        ++events;
        EXPECT_EQ(reader.CurrentName, "alpha.txt");
    };

    key.ExtractToFile(0, 0, OutFolder());
    EXPECT_EQ(events, 1);
    EXPECT_EQ(ReadFile(Out("alpha.txt")), std::string("a\0b", 3));
    fs::remove(Out("alpha.txt"));
    key.ExtractToFile(0, 0, OutFolder() + "/");
    EXPECT_EQ(events, 2);
    EXPECT_EQ(EntriesBelow(OutFolder()), std::set<std::string>{"alpha.txt"});

    EXPECT_EQ(key.ExtractToString(0, 0), std::string("a\0b", 3));
    EXPECT_EQ(events, 2);

    CMemoryStream stream;
    key.ExtractToStream(0, 0, stream);
    EXPECT_EQ(events, 3);
    EXPECT_EQ(stream.Size(), 3u);
    EXPECT_EQ(stream.Position, 0u);
    EXPECT_EQ(stream.Bytes, std::string("a\0b", 3));
}

TEST_F(KeyTest, ResourceBytesPastTheEndOfTheBifWriteNothing)
{
    int bif = builder.AddBif("data\\a.bif");
    builder.AddResource(bif, "whole", rt::TXT, "hello");
    builder.AddResource(bif, "cut", rt::TXT, "world");
    ASSERT_TRUE(WriteAndOpen());
    std::string bytes = ReadFile(dir.Path() / "data/a.bif");
    WriteFile(dir.Path() / "data/a.bif", bytes.substr(0, bytes.size() - 2));

    const std::string out = OutFolder();
    EXPECT_THROW(key.ExtractToFile(0, 1, out), EFileError);
    EXPECT_FALSE(fs::exists(Out("cut.txt")));
    EXPECT_THROW(key.ExtractToString(0, 1), EFileError);
    CMemoryStream stream;
    EXPECT_THROW(key.ExtractToStream(0, 1, stream), EFileError);
    EXPECT_EQ(stream.Size(), 0u);
    // The whole BIF: files before the damaged resource stay.
    EXPECT_THROW(key.ExtractBif(0, out), EFileError);
    EXPECT_EQ(EntriesBelow(out), std::set<std::string>{"whole.txt"});
}

TEST_F(KeyTest, UnsafeResRefsStayInsideTheChosenFolder)
{
    int bif = builder.AddBif("data\\a.bif");
    for (const char *resref : {"../../evil", "a\\b", "C:x", "/abs", "\x01"})
        builder.AddResource(bif, resref, rt::TXT, resref);
    ASSERT_TRUE(WriteAndOpen());
    key.ExtractBif(0, OutFolder());
    EXPECT_EQ(EntriesBelow(dir.Path()),
              (std::set<std::string>{"chitin.key", "data", "data/a.bif", "out", "out/.._.._evil.txt", "out/a_b.txt",
                                     "out/C_x.txt", "out/_abs.txt", "out/_.txt"}));
    EXPECT_EQ(ReadFile(Out(".._.._evil.txt")), "../../evil");
}

TEST_F(KeyTest, FindComparesNamesIgnoringCaseAndTypesExactly)
{
    int first = builder.AddBif("data\\a.bif");
    builder.AddResource(first, "other", rt::TGA, "");
    builder.AddResource(first, "Stone", rt::TGA, "first");
    int second = builder.AddBif("data\\b.bif");
    builder.AddResource(second, "stone", rt::TGA, "second");
    builder.AddResource(second, "stone", rt::PLT, "plt");
    ASSERT_TRUE(WriteAndOpen());

    RKEY_LOCATION found = key.Find("STONE", rt::TGA);
    EXPECT_EQ(found.Bif, 0);
    EXPECT_EQ(found.Index, 1);
    found = key.Find("sTone", rt::PLT);
    EXPECT_EQ(found.Bif, 1);
    EXPECT_EQ(found.Index, 1);
    EXPECT_EQ(key.Find("stone", rt::MDL).Bif, -1);
    EXPECT_EQ(key.Find("ston", rt::TGA).Bif, -1);
}

TEST_F(KeyTest, ResourcesAreFoundByIndexWhateverTheKeyTableOrder)
{
    int bif = builder.AddBif("data\\a.bif");
    builder.AddResource(bif, "zero", rt::TXT, "0");
    builder.AddResource(bif, "one", rt::TXT, "11");
    builder.AddResource(bif, "two", rt::TXT, "222");
    builder.WriteTo(dir.Path());
    // Reverse the three 22-byte rows of the key table.
    std::string bytes = builder.BuildKey();
    const std::size_t table = std::uint8_t(bytes[20]) | (std::uint8_t(bytes[21]) << 8);
    std::string reversed = bytes.substr(0, table);
    for (int row = 2; row >= 0; --row)
        reversed += bytes.substr(table + 22 * std::size_t(row), 22);
    WriteFile(KeyPath(), reversed);

    ASSERT_TRUE(key.Open(KeyPath()));
    ASSERT_EQ(key.Bifs[0].ResCount, 3);
    EXPECT_EQ(key.Bifs[0].Resources[0].ResRef, "two");
    ASSERT_NE(key.Resource(0, 0), nullptr);
    EXPECT_EQ(key.Resource(0, 0)->ResRef, "zero");
    EXPECT_EQ(key.ExtractToString(0, 0), "0");
    EXPECT_EQ(key.ExtractToString(0, 2), "222");
    key.ExtractToFile(0, 1, OutFolder());
    EXPECT_EQ(ReadFile(Out("one.txt")), "11");
}

TEST_F(KeyTest, UnknownBifOrIndexRaisesAFileError)
{
    builder.AddResource(builder.AddBif("data\\a.bif"), "a", rt::TXT, "a");
    ASSERT_TRUE(WriteAndOpen());
    const std::string out = OutFolder();
    EXPECT_THROW(key.ExtractToFile(0, 1, out), EFileError);
    EXPECT_THROW(key.ExtractToFile(1, 0, out), EFileError);
    EXPECT_THROW(key.ExtractToString(-1, 0), EFileError);
    EXPECT_THROW(key.ExtractBif(7, out), EFileError);
    EXPECT_TRUE(EntriesBelow(out).empty());
}

// ---------------------------------------------------------------- hostile files

constexpr int kBifNumbers = 4096; // every number a key entry can give

// A BIF of count variable entries and nothing else.
std::string BifOfEntries(std::uint32_t count)
{
    testdata::ByteBuilder bif;
    bif.Bytes("BIFFV1  ").U32(count).U32(0).U32(20);
    for (std::uint32_t i = 0; i < count; ++i)
        bif.U32(i).U32(20).U32(0).U32(rt::TXT);
    return bif.Take();
}

// A KEY whose file table has a row per BIF number, each named by name(number),
// and one key entry per BIF number (resource number of that BIF).
std::string EveryNumberNaming(const std::function<std::string(int)> &name, std::uint32_t bifCount = kBifNumbers)
{
    KeyBifBuilder key;
    for (int b = 0; b < kBifNumbers; ++b) {
        key.Bif(key.AddBif(name(b), "data/big.bif")).OnDisk = false;
        key.ExtraKeys.push_back({"res" + std::to_string(b), rt::TXT, KeyBifBuilder::ResId(b, b)});
    }
    key.BifCountField = bifCount;
    return key.BuildKey();
}

// Every BIF named lies in data/big.bif, of 65,536 entries (1 MB).
class HostileKeys : public KeyTest, public ::testing::WithParamInterface<coretest::THostileFile> {
protected:
    void SetUp() override { WriteFile(dir.Path() / "data" / "big.bif", BifOfEntries(65536)); }
};

TEST_P(HostileKeys, StayWithinTheirBounds)
{
    const coretest::TBoundedRead run = coretest::ExpectSeen(GetParam(), KeyPath(), [&] {
        CKEY_FILE read;
        const bool opened = read.Open(KeyPath());
        std::size_t resources = 0;
        for (const RKEY_BIF &bif : read.Bifs)
            resources += bif.Resources.size();
        return std::string(opened ? "opened, " : "refused, ") + std::to_string(read.Bifs.size()) + " BIFs, " +
               std::to_string(resources) + " resources";
    });
    for (const std::string &message : run.Messages)
        EXPECT_THAT(message, ::testing::StartsWith("\"" + KeyPath() + "\": Damaged key File: "));
}

INSTANTIATE_TEST_SUITE_P(
    All, HostileKeys,
    ::testing::Values(
        coretest::THostileFile{"EveryBifNamesOneLargeBif",
                               [] { return EveryNumberNaming([](int) { return "data\\big.bif"; }); },
                               "opened, 4096 BIFs, 4096 resources"},
        coretest::THostileFile{"NamesOfOneBifInEveryCase",
                               [] {
                                   return EveryNumberNaming([](int b) {
                                       std::string name = "data\\big.bif";
                                       for (std::size_t i = 0; i < name.size(); ++i)
                                           if (b & (1 << (i % 12)))
                                               name[i] = char(std::toupper(static_cast<unsigned char>(name[i])));
                                       return name;
                                   });
                               },
                               "opened, 4096 BIFs, 4096 resources"},
        coretest::THostileFile{"HugeBifCount",
                               [] { return EveryNumberNaming([](int) { return "data\\big.bif"; }, 0xFFFFFFFFu); },
                               "refused, 0 BIFs, 0 resources"}),
    coretest::NameOf);

} // namespace
