// Reading talk tables (TLK), damaged ones included, and the shared table cache.
#include "CoreTestSupport.h"

#include "formats/UCTLK.h"

#include "testdata/ByteBuilder.h"
#include "testdata/TlkBuilder.h"

#include <functional>

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>

namespace fs = std::filesystem;
using coretest::CoreTest;
using coretest::ScopedEnv;
using testdata::ByteBuilder;
using testdata::TlkBuilder;
using testdata::TlkEntry;
using testdata::WriteFile;

namespace {

class TalkTableTest : public CoreTest {
protected:
    void SetUp() override { ClearTalkTableCache(); }
    void TearDown() override { ClearTalkTableCache(); }

    std::string Write(const TlkBuilder &tlk, const std::string &name = "dialog.tlk")
    {
        tlk.WriteTo(dir.Path() / name);
        return dir / name;
    }

    // Entry 0 at offset 0 of the string block, as in the game's files.
    static TlkBuilder ThreeEntries()
    {
        TlkBuilder tlk;
        tlk.Add("", "Bad Strref");
        tlk.Add("vs_hello", "Hello there.");
        tlk.Add("", "A long sword.");
        return tlk;
    }
};

// Sets a file's modification time (seconds and nanoseconds).
void SetModified(const std::string &path, time_t seconds, long nanoseconds)
{
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

timespec ModifiedOf(const std::string &path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_mtim;
}

TEST_F(TalkTableTest, ReadsEveryEntryAndAnswersOnlyInsideTheTable)
{
    TlkBuilder tlk = ThreeEntries();
    const std::string path = Write(tlk);

    CTLK table;
    table.Load(path);

    ASSERT_EQ(table.Count(), 3u);
    EXPECT_EQ(table.FileName, path);
    EXPECT_EQ(table.StringCount, 3u);
    EXPECT_EQ(table.StringDataOffset, 20u + 3 * 40);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(table.Entries()[i].Index, static_cast<std::int32_t>(i));
    // Entry 0's text starts the string block (offset 0) and is never shown.
    EXPECT_EQ(table.GetText(0), "");
    EXPECT_EQ(table.GetSound(1), "vs_hello");
    EXPECT_EQ(table.GetText(1), "Hello there.");
    EXPECT_EQ(table.GetSound(2), "");
    EXPECT_EQ(table.GetText(2), "A long sword.");
    EXPECT_EQ(table.GetText(3), "");
    EXPECT_EQ(table.GetSound(3), "");
    EXPECT_EQ(table.GetText(-1), "");
    EXPECT_EQ(table.GetSound(-1), "");
    EXPECT_EQ(table.GetText(static_cast<std::int32_t>(0xFFFFFFFFu)), "");
    EXPECT_EQ(table.Damage(), "");
}

TEST_F(TalkTableTest, SoundResRefOfSixteenCharactersHasNoTerminator)
{
    TlkBuilder tlk;
    tlk.Add("", "zero");
    tlk.Add("sixteen_chars_ab", "text");
    CTLK table;
    table.Load(Write(tlk));
    EXPECT_EQ(table.GetSound(1), "sixteen_chars_ab");
    EXPECT_EQ(table.GetText(1), "text");
}

TEST_F(TalkTableTest, MissingFileLeavesTheTableAsItIs)
{
    CTLK table;
    table.Load(dir / "missing.tlk");
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_EQ(table.FileName, "");
    EXPECT_EQ(table.GetText(0), "");

    const std::string path = Write(ThreeEntries());
    table.Load(path);
    table.Load(dir / "missing.tlk");
    EXPECT_EQ(table.Count(), 3u);
    EXPECT_EQ(table.FileName, path);
    EXPECT_EQ(table.GetText(2), "A long sword.");
}

TEST_F(TalkTableTest, OffsetZeroOrNegativeGivesEmptyText)
{
    TlkBuilder tlk = ThreeEntries();
    tlk.Entries[1].OffsetField = 0;
    tlk.Entries[2].OffsetField = -5;
    CTLK table;
    table.Load(Write(tlk));
    ASSERT_EQ(table.Count(), 3u);
    EXPECT_EQ(table.GetText(1), "");
    EXPECT_EQ(table.GetSound(1), "vs_hello");
    EXPECT_EQ(table.GetText(2), "");
}

TEST_F(TalkTableTest, TextsOutsideTheFileAreEmptyAndTheRestIsKept)
{
    TlkBuilder tlk;
    tlk.Add("", "zero");
    for (int i = 1; i <= 6; ++i)
        tlk.Add("snd" + std::to_string(i), "text number " + std::to_string(i));
    const std::uint32_t blockSize = tlk.TextOffset(tlk.Entries.size());
    tlk.Entries[1].OffsetField = static_cast<std::int32_t>(blockSize + 10);       // starts past the end
    tlk.Entries[2].SizeField = blockSize;                                          // runs past the end
    tlk.Entries[3].SizeField = 0xFFFFFFF0u;                                        // a negative size
    tlk.Entries[4].OffsetField = 0x7FFFFFF0;                                       // far past the end
    tlk.Entries[5].SizeField = blockSize - tlk.TextOffset(5) + 1;                  // one byte too long
    CTLK table;
    table.Load(Write(tlk));

    ASSERT_EQ(table.Count(), 7u);
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(table.GetText(i), "") << i;
        EXPECT_EQ(table.GetSound(i), "snd" + std::to_string(i)) << i;
    }
    EXPECT_EQ(table.GetText(6), "text number 6");
    EXPECT_EQ(table.Damage(), "\"" + dir / "dialog.tlk" + "\" is damaged: the texts of 5 entries lie past its end.");
}

TEST_F(TalkTableTest, TextEndingExactlyAtTheEndOfTheFileIsRead)
{
    TlkBuilder tlk;
    tlk.Add("", "zero");
    tlk.Add("", "last");
    const std::string path = Write(tlk);
    ASSERT_EQ(testdata::ReadFile(path).substr(testdata::ReadFile(path).size() - 4), "last");
    CTLK table;
    table.Load(path);
    EXPECT_EQ(table.GetText(1), "last");
}

TEST_F(TalkTableTest, CountLargerThanTheFileIsCutToTheEntriesThatFit)
{
    TlkBuilder tlk = ThreeEntries();
    tlk.StringCountField = 0xFFFFFFFFu;
    const std::string path = Write(tlk);
    const std::uint64_t size = fs::file_size(path);

    CTLK table;
    table.Load(path);

    // The entries that lie wholly inside the file, the string block read as entries too.
    EXPECT_EQ(table.Count(), (size - 20) / 40);
    EXPECT_EQ(table.StringCount, table.Count());
    EXPECT_EQ(table.GetSound(1), "vs_hello");
    EXPECT_EQ(table.GetText(2), "A long sword.");
    EXPECT_EQ(table.Damage(), "\"" + path + "\" is damaged: its header announces 4294967295 entries, but only " +
                                  std::to_string(table.Count()) + " lie inside it.");
}

TEST_F(TalkTableTest, StringBlockPastTheEndLeavesEveryTextEmpty)
{
    TlkBuilder tlk = ThreeEntries();
    tlk.StringDataOffsetField = 1000000;
    CTLK table;
    table.Load(Write(tlk));
    ASSERT_EQ(table.Count(), 3u);
    EXPECT_EQ(table.StringDataOffset, 1000000u);
    EXPECT_EQ(table.GetSound(1), "vs_hello");
    EXPECT_EQ(table.GetText(1), "");
    EXPECT_EQ(table.GetText(2), "");
}

TEST_F(TalkTableTest, FilesShorterThanTheHeaderHoldNoEntries)
{
    for (std::size_t length : {0u, 1u, 19u}) {
        ClearTalkTableCache();
        WriteFile(dir.Path() / "short.tlk", std::string("TLK V3.0\0\0\0\0\5\0\0\0\xC8\0\0", length));
        CTLK table;
        table.Load(dir / "short.tlk");
        EXPECT_EQ(table.Count(), 0u) << length;
        EXPECT_EQ(table.FileName, dir / "short.tlk");
        EXPECT_EQ(table.Damage(), "\"" + dir / "short.tlk" + "\" is damaged: it is shorter than a talk-table header (20 bytes).");
    }
}

TEST_F(TalkTableTest, ExplicitBytesOfATwoEntryTable)
{
    ByteBuilder bytes;
    bytes.Bytes("TLK V3.0").U32(0).U32(2).U32(20 + 2 * 40);
    bytes.U32(1).Fixed("", 16).U32(0).U32(0).U32(0).U32(3).F32(0); // text at offset 0: never shown
    bytes.U32(3).Fixed("vs_x", 16).U32(0).U32(0).U32(3).U32(5).F32(1.5f);
    bytes.Bytes("BadHello");
    WriteFile(dir.Path() / "two.tlk", bytes.Data());

    CTLK table;
    table.Load(dir / "two.tlk");
    ASSERT_EQ(table.Count(), 2u);
    EXPECT_EQ(table.GetText(0), "");
    EXPECT_EQ(table.GetSound(1), "vs_x");
    EXPECT_EQ(table.GetText(1), "Hello");
}

TEST_F(TalkTableTest, UnchangedFileIsSharedNotReadAgain)
{
    const std::string path = Write(ThreeEntries());
    CTLK first, second;
    first.Load(path);
    second.Load(path);
    EXPECT_EQ(&first.Entries(), &second.Entries());
    EXPECT_EQ(second.FileName, path);
    EXPECT_EQ(second.StringCount, 3u);

    // Forgetting the cache makes the next load read the file again.
    ClearTalkTableCache();
    CTLK third;
    third.Load(path);
    EXPECT_NE(&third.Entries(), &first.Entries());
    EXPECT_EQ(third.GetText(1), first.GetText(1));
}

TEST_F(TalkTableTest, ChangedFileIsReadAgain)
{
    const std::string path = Write(ThreeEntries());
    SetModified(path, 1700000000, 100);
    CTLK before;
    before.Load(path);

    TlkBuilder changed = ThreeEntries();
    changed.Entries[1].Text = "Farewell now";
    Write(changed);
    SetModified(path, 1700000000, 200); // only the nanoseconds differ
    CTLK after;
    after.Load(path);

    EXPECT_NE(&before.Entries(), &after.Entries());
    EXPECT_EQ(after.GetText(1), "Farewell now");
    // The table read before stays valid for its owner.
    EXPECT_EQ(before.GetText(1), "Hello there.");
}

TEST_F(TalkTableTest, ReplacedFileWithTheSameSizeAndTimeIsReadAgain)
{
    const std::string path = Write(ThreeEntries());
    SetModified(path, 1700000000, 0);
    CTLK before;
    before.Load(path);

    TlkBuilder other = ThreeEntries();
    other.Entries[1].Text = "Hello THERE.";
    const std::string replacement = Write(other, "replacement.tlk");
    SetModified(replacement, 1700000000, 0);
    ASSERT_EQ(fs::file_size(replacement), fs::file_size(path));
    fs::rename(replacement, path); // another inode under the same name

    CTLK after;
    after.Load(path);
    EXPECT_EQ(after.GetText(1), "Hello THERE.");
    const timespec modified = ModifiedOf(path);
    EXPECT_EQ(modified.tv_sec, 1700000000);
}

TEST_F(TalkTableTest, ReadTalkTableReadsWithoutTheCache)
{
    const std::string path = Write(ThreeEntries());
    CTLK cached;
    cached.Load(path);
    auto direct = ReadTalkTable(path);
    ASSERT_EQ(direct->Entries.size(), 3u);
    EXPECT_NE(&direct->Entries, &cached.Entries());
    EXPECT_EQ(direct->Entries[2].Text, "A long sword.");
    EXPECT_EQ(direct->FileName, path);
}

TEST_F(TalkTableTest, GameTalkTableIsFoundInAnyLetterCase)
{
    fs::create_directories(dir.Path() / "game");
    WriteFile(dir.Path() / "game" / "Dialog.TLK", "TLK V3.0");
    ScopedEnv game("QUORLIN_GAME_FOLDER", dir / "game");
    EXPECT_EQ(CTLK::GameTalkTablePath(), dir / "game/Dialog.TLK");
}

TEST_F(TalkTableTest, WithoutGameFolderTheGameTalkTableNamesNoFileOfTheGame)
{
    ScopedEnv game("QUORLIN_GAME_FOLDER", std::nullopt);
    ScopedEnv config("XDG_CONFIG_HOME", dir / "config");
    EXPECT_EQ(CTLK::GameTalkTablePath(), "/dialog.tlk");
}

// Texts are searched as characters of the table's language: in a Japanese
// table a backslash is found only where it stands, never as the second byte
// of a double-byte character; in a Western table an accented letter is found
// by its one byte. Characters the encoding lacks find nothing.
TEST_F(TalkTableTest, SearchMatchesCharactersInTheTablesLanguage)
{
    struct Case {
        std::uint32_t Language;
        std::vector<std::string> Texts; // stored bytes, entries 1...
        std::string Search;             // UTF-8
        std::vector<std::size_t> Found;
    };
    const Case cases[] = {
        {131, {"\x83\x5C", "a\\b", "\x83\x5C\x83\x5C"}, "\\", {2}},
        {131, {"\x83\x5C", "a\\b", "\x83\x5C\x83\x5C"}, "\xE3\x82\xBD", {1, 3}},
        {0, {"caf\xE9", "CAFE", "cafe"}, "CAF\xC3\x89", {}}, // only A to Z are folded
        {0, {"caf\xE9", "CAFE", "cafe"}, "caf\xC3\xA9", {1}},
        {0, {"caf\xE9", "CAFE", "cafe"}, "\xC5\x82", {}},
        {5, {"\xB3\xF3" "d\x9F", "lodz"}, "\xC5\x82\xC3\xB3" "d\xC5\xBA", {1}},
    };
    for (const Case &c : cases) {
        ClearTalkTableCache();
        TlkBuilder tlk;
        tlk.LanguageId = c.Language;
        tlk.Add("", "-"); // entry 0 starts the block and is never searched
        for (const std::string &text : c.Texts)
            tlk.Add("", text);
        CTLK table;
        table.Load(Write(tlk));
        EXPECT_EQ(table.Search(c.Search), c.Found) << c.Language << " " << c.Search;
    }
}

// ---------------------------------------------------------------- hostile tables

constexpr std::uint32_t kMegabyte = 1u << 20;

// Entries 2 and on give the offset and size of entry 1's text.
TlkBuilder SharingOneText(std::size_t entries, std::uint32_t textSize, std::uint32_t sharedSize)
{
    TlkBuilder tlk;
    tlk.Add("", "-");
    tlk.Add("", std::string(textSize, 'x'));
    TlkEntry sharing;
    sharing.OffsetField = 1;
    sharing.SizeField = sharedSize;
    tlk.Entries.resize(entries, sharing);
    return tlk;
}

class HostileTalkTables : public TalkTableTest, public ::testing::WithParamInterface<coretest::THostileFile> {};

TEST_P(HostileTalkTables, StayWithinTheirBounds)
{
    const std::string path = dir / "hostile.tlk";
    coretest::ExpectSeen(GetParam(), path, [&] {
        CTLK table;
        table.Load(path);
        std::uint64_t textBytes = 0;
        for (const RTLK &entry : table.Entries())
            textBytes += entry.Text.size();
        return std::to_string(table.Count()) + " entries, " + std::to_string(textBytes) + " bytes of text" +
               (table.Damage().empty() ? "" : ", damaged");
    });
}

INSTANTIATE_TEST_SUITE_P(
    All, HostileTalkTables,
    ::testing::Values(
        coretest::THostileFile{"EveryEntryShowsOneLongText",
                               [] { return SharingOneText(25000, kMegabyte, kMegabyte).Build(); },
                               "25000 entries, 26213351424 bytes of text"},
        coretest::THostileFile{"TextsOverlapEachOther",
                               [] {
                                   TlkBuilder tlk = SharingOneText(20000, kMegabyte, 0);
                                   for (std::size_t i = 2; i < tlk.Entries.size(); ++i) {
                                       tlk.Entries[i].OffsetField = std::int32_t(1 + i);
                                       tlk.Entries[i].SizeField = kMegabyte - std::uint32_t(i);
                                   }
                                   return tlk.Build();
                               },
                               "20000 entries, 20770481425 bytes of text"},
        coretest::THostileFile{"HugeCount",
                               [] {
                                   TlkBuilder tlk = SharingOneText(3, 100, 100);
                                   tlk.StringCountField = 0xFFFFFFFFu;
                                   return tlk.Build();
                               },
                               "5 entries, 200 bytes of text, damaged"},
        coretest::THostileFile{"TextsOfFourGigabytes", [] { return SharingOneText(50000, 10, 0xFFFFFFFFu).Build(); },
                               "50000 entries, 10 bytes of text, damaged"},
        coretest::THostileFile{"BlockPastTheEnd",
                               [] {
                                   TlkBuilder tlk = SharingOneText(50000, 10, 10);
                                   tlk.StringDataOffsetField = 0xFFFFFFF0u;
                                   return tlk.Build();
                               },
                               "50000 entries, 0 bytes of text, damaged"}),
    coretest::NameOf);

} // namespace
