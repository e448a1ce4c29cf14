// Reading sound sets and showing their string references through the game's talk table.
#include "CoreTestSupport.h"

#include "formats/UCSSF.h"

#include "testdata/ByteBuilder.h"
#include "testdata/SsfBuilder.h"
#include "testdata/TlkBuilder.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using coretest::CoreTest;
using coretest::ScopedEnv;
using coretest::TempFolder;
using testdata::ByteBuilder;
using testdata::SsfBuilder;
using testdata::TlkBuilder;
using testdata::WriteFile;

namespace {

// String references into the game's talk table below.
enum TalkRef : std::uint32_t {
    RefSound = 1,       // a sound ResRef and a text
    RefTextOnly = 2,    // no sound ResRef
    RefBlankSound = 3,  // a sound ResRef of blanks only
    RefSoundNoText = 4, // a sound ResRef, empty text
    TalkCount = 5,
};

class SoundSetTest : public CoreTest {
protected:
    TempFolder game;
    ScopedEnv gameFolder{"QUORLIN_GAME_FOLDER", game.Str()};

    SoundSetTest()
    {
        ClearTalkTableCache();
        TlkBuilder talk;
        talk.Add("", "Never shown: it starts the string block");
        talk.Add("vs_hello", "Hello there");
        talk.Add("", "Farewell");
        talk.Add("   ", "Blank sound");
        talk.Add("vs_silent", "");
        talk.WriteTo(game.Path() / "dialog.tlk");
    }
    ~SoundSetTest() override { ClearTalkTableCache(); }

    std::string Write(const std::string &bytes, const std::string &name = "test.ssf")
    {
        WriteFile(dir.Path() / name, bytes);
        return dir / name;
    }
    std::string Write(const SsfBuilder &set, const std::string &name = "test.ssf")
    {
        return Write(set.Build(), name);
    }

    static std::vector<std::string> IdsOf(const CSSF &ssf)
    {
        std::vector<std::string> ids;
        for (const RSSF &entry : ssf.Entries)
            ids.push_back(entry.ID);
        return ids;
    }
    static std::vector<std::string> ResRefsOf(const CSSF &ssf)
    {
        std::vector<std::string> names;
        for (const RSSF &entry : ssf.Entries)
            names.push_back(entry.ResRef);
        return names;
    }
};

using Strings = std::vector<std::string>;

TEST_F(SoundSetTest, TheGamesTalkTableIsLoadedOnCreation)
{
    const CSSF ssf;
    EXPECT_EQ(ssf.TalkTable.Count(), std::size_t{TalkCount});
    EXPECT_TRUE(ssf.Entries.empty());
}

TEST_F(SoundSetTest, LookupShowsTheSoundResRefElseTheText)
{
    const CSSF ssf;
    EXPECT_EQ(ssf.LookupStrRef(RefSound), "vs_hello");
    EXPECT_EQ(ssf.LookupStrRef(RefTextOnly), "Farewell");
    EXPECT_EQ(ssf.LookupStrRef(RefBlankSound), "Blank sound");
    EXPECT_EQ(ssf.LookupStrRef(RefSoundNoText), "vs_silent");
    // Entry 0 has no sound, and its text, at offset 0 of the string block, is never read.
    EXPECT_EQ(ssf.LookupStrRef(0), "");
}

TEST_F(SoundSetTest, LookupOfNoneOrOfAMissingEntryIsEmpty)
{
    const CSSF ssf;
    EXPECT_EQ(ssf.LookupStrRef(0xFFFFFFFF), "");
    EXPECT_EQ(ssf.LookupStrRef(TalkCount), "");
    EXPECT_EQ(ssf.LookupStrRef(0x80000000), "");
    EXPECT_EQ(ssf.LookupStrRef(0x7FFFFFFF), "");
}

TEST_F(SoundSetTest, SlotsShowIdResRefAndTalkTableLookup)
{
    SsfBuilder set;
    set.Add("vs_attack", RefSound);
    set.Add("vs_battlecry", RefTextOnly);
    set.Add("vs_none", SsfBuilder::NoStringRef);
    set.Add("", RefBlankSound);
    set.Add("vs_silent", RefSoundNoText);
    CSSF ssf;

    ASSERT_TRUE(ssf.Load(Write(set)));

    ASSERT_EQ(ssf.Entries.size(), 5u);
    const std::vector<std::vector<std::string>> expected = {
        {"0", "vs_attack", "vs_hello"},   {"1", "vs_battlecry", "Farewell"}, {"2", "vs_none", ""},
        {"3", "", "Blank sound"},         {"4", "vs_silent", "vs_silent"},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(ssf.Entries[i].ID, expected[i][0]) << i;
        EXPECT_EQ(ssf.Entries[i].ResRef, expected[i][1]) << i;
        EXPECT_EQ(ssf.Entries[i].Text, expected[i][2]) << i;
    }
    EXPECT_TRUE(captured.Messages.empty());
}

TEST_F(SoundSetTest, FortyNineSlotsWhateverTheTableOffsetSays)
{
    SsfBuilder set;
    for (int i = 0; i < 49; ++i)
        set.Add("snd" + std::to_string(i), static_cast<std::uint32_t>(i % TalkCount));
    set.TableOffsetField = 1234;
    CSSF ssf;

    ASSERT_TRUE(ssf.Load(Write(set)));

    ASSERT_EQ(ssf.Entries.size(), 49u);
    for (std::size_t i = 0; i < 49; ++i) {
        EXPECT_EQ(ssf.Entries[i].ID, std::to_string(i));
        EXPECT_EQ(ssf.Entries[i].ResRef, "snd" + std::to_string(i));
    }
    EXPECT_EQ(ssf.Entries[6].Text, "vs_hello"); // 6 % 5 == RefSound
}

TEST_F(SoundSetTest, EntriesAreFoundThroughTheOffsetTable)
{
    SsfBuilder set;
    set.Add("first", RefSound);
    set.Add("second", RefTextOnly);
    set.Add("third");
    set.EntriesReversed = true;
    CSSF ssf;

    ASSERT_TRUE(ssf.Load(Write(set)));

    EXPECT_EQ(ResRefsOf(ssf), (Strings{"first", "second", "third"}));
    EXPECT_EQ(ssf.Entries[1].Text, "Farewell");
}

TEST_F(SoundSetTest, ResRefIsReadUpToItsFirstZeroByteAndAtMostSixteenCharacters)
{
    ByteBuilder bytes;
    bytes.Bytes("SSF V1.0").U32(2).U32(40).PadTo(40).U32(48).U32(68);
    bytes.Bytes("sixteen_chars_ab").U32(SsfBuilder::NoStringRef);
    bytes.Bytes(std::string("ab\0cd", 5)).Zeros(11).U32(SsfBuilder::NoStringRef);
    CSSF ssf;

    ASSERT_TRUE(ssf.Load(Write(bytes.Take())));

    EXPECT_EQ(ResRefsOf(ssf), (Strings{"sixteen_chars_ab", "ab"}));
}

TEST_F(SoundSetTest, LoadAppendsAndNumbersEachFilesSlotsFromZero)
{
    SsfBuilder set;
    set.Add("a");
    set.Add("b");
    CSSF ssf;

    ASSERT_TRUE(ssf.Load(Write(set)));
    ASSERT_TRUE(ssf.Load(Write(set)));

    EXPECT_EQ(IdsOf(ssf), (Strings{"0", "1", "0", "1"}));
    EXPECT_EQ(ResRefsOf(ssf), (Strings{"a", "b", "a", "b"}));
}

TEST_F(SoundSetTest, MissingFileOrFolderGivesFalseAndNoSlots)
{
    CSSF ssf;
    EXPECT_FALSE(ssf.Load(dir / "missing.ssf"));
    fs::create_directories(dir.Path() / "folder.ssf");
    EXPECT_FALSE(ssf.Load(dir / "folder.ssf"));
    EXPECT_TRUE(ssf.Entries.empty());
    EXPECT_TRUE(captured.Messages.empty());
}

TEST_F(SoundSetTest, NoTalkTableLeavesTheTextsEmpty)
{
    fs::remove(game.Path() / "dialog.tlk");
    SsfBuilder set;
    set.Add("vs_attack", RefSound);
    set.Add("vs_battlecry", RefTextOnly);
    CSSF ssf;

    ASSERT_TRUE(ssf.Load(Write(set)));

    EXPECT_EQ(ResRefsOf(ssf), (Strings{"vs_attack", "vs_battlecry"}));
    EXPECT_EQ(ssf.Entries[0].Text, "");
    EXPECT_EQ(ssf.Entries[1].Text, "");
}

TEST_F(SoundSetTest, EmptySetAndShortHeaderGiveNoSlots)
{
    CSSF ssf;
    EXPECT_TRUE(ssf.Load(Write(SsfBuilder())));
    EXPECT_TRUE(ssf.Load(Write(SsfBuilder().Build().substr(0, 39))));
    EXPECT_TRUE(ssf.Load(Write("")));
    EXPECT_TRUE(ssf.Entries.empty());
}

// ---------------------------------------------------------------- damaged files

class DamagedSoundSet : public SoundSetTest {
protected:
    SsfBuilder Set(int slots)
    {
        SsfBuilder set;
        for (int i = 0; i < slots; ++i)
            set.Add("slot_" + std::to_string(i), RefSound);
        return set;
    }
};

TEST_F(DamagedSoundSet, TruncatedEntryKeepsTheSlotsBeforeIt)
{
    const SsfBuilder set = Set(4);
    // Cut in the middle of slot 2's entry.
    const std::string bytes = set.Build().substr(0, set.EntryPosition(2) + 10);
    CSSF ssf;

    ASSERT_TRUE(ssf.Load(Write(bytes)));

    EXPECT_EQ(ResRefsOf(ssf), (Strings{"slot_0", "slot_1"}));
    EXPECT_EQ(ssf.Entries[1].Text, "vs_hello");
}

TEST_F(DamagedSoundSet, TruncatedOffsetTableKeepsTheSlotsBeforeIt)
{
    // Three slots, but the file ends inside the third offset. The one entry lies
    // in the header's padding, where both complete offsets point.
    ByteBuilder bytes;
    bytes.Bytes("SSF V1.0").U32(3).U32(40).Fixed("in_padding", 16).U32(RefTextOnly).PadTo(40);
    bytes.U32(16).U32(16).U16(0);
    CSSF ssf;

    ASSERT_TRUE(ssf.Load(Write(bytes.Take())));

    ASSERT_EQ(ResRefsOf(ssf), (Strings{"in_padding", "in_padding"}));
    EXPECT_EQ(IdsOf(ssf), (Strings{"0", "1"}));
    EXPECT_EQ(ssf.Entries[0].Text, "Farewell");
}

TEST_F(DamagedSoundSet, EntryPositionPastTheEndStopsTheReading)
{
    const std::string bytes = Set(3).Build();
    for (const std::uint32_t position : {0xFFFFFFF0u, static_cast<std::uint32_t>(bytes.size() - 19)}) {
        ByteBuilder patched;
        patched.Bytes(bytes);
        patched.PatchU32(40 + 4, position); // slot 1
        CSSF ssf;

        ASSERT_TRUE(ssf.Load(Write(patched.Take())));

        EXPECT_EQ(ResRefsOf(ssf), (Strings{"slot_0"})) << position;
    }
}

TEST_F(DamagedSoundSet, HugeEntryCountReadsOnlyWhatTheFileHolds)
{
    SsfBuilder set = Set(3);
    set.EntryCountField = 0xFFFFFFFF;
    CSSF ssf;

    ASSERT_TRUE(ssf.Load(Write(set)));

    // After the three real offsets, the next "offset" is made of slot 0's name
    // ("slot"), far past the end: reading stops there.
    EXPECT_EQ(ResRefsOf(ssf), (Strings{"slot_0", "slot_1", "slot_2"}));
}

TEST_F(DamagedSoundSet, HugeEntryCountInAHeaderOnlyFileGivesNoSlots)
{
    ByteBuilder bytes;
    bytes.Bytes("SSF V1.0").U32(0xFFFFFFFF).U32(40).PadTo(40);
    CSSF ssf;

    ASSERT_TRUE(ssf.Load(Write(bytes.Take())));

    EXPECT_TRUE(ssf.Entries.empty());
}

// ---------------------------------------------------------------- hostile files

constexpr std::uint32_t kLongTextSize = 1u << 20;
constexpr std::uint32_t RefLongText = 1;

// count slots whose offsets all name the one entry after the offset table.
std::string SlotsSharingOneEntry(std::uint32_t count, std::uint32_t stringRef)
{
    ByteBuilder bytes;
    bytes.Bytes("SSF V1.0").U32(count).U32(40).PadTo(40);
    const std::uint32_t entry = 40 + 4 * count;
    for (std::uint32_t i = 0; i < count; ++i)
        bytes.U32(entry);
    bytes.Fixed("vs_shared", 16).U32(stringRef);
    return bytes.Take();
}

class HostileSoundSets : public SoundSetTest, public ::testing::WithParamInterface<coretest::THostileFile> {
protected:
    HostileSoundSets()
    {
        ClearTalkTableCache();
        TlkBuilder talk;
        talk.Add("", "-");
        talk.Add("", std::string(kLongTextSize, 'x'));
        talk.WriteTo(game.Path() / "dialog.tlk");
    }
};

TEST_P(HostileSoundSets, StayWithinTheirBounds)
{
    const std::string path = dir / "hostile.ssf";
    coretest::ExpectSeen(GetParam(), path, [&] {
        CSSF ssf;
        ssf.Load(path);
        std::uint64_t textBytes = 0;
        for (const RSSF &slot : ssf.Entries)
            textBytes += slot.Text.size();
        return std::to_string(ssf.Entries.size()) + " slots, " + std::to_string(textBytes) + " bytes of text";
    });
}

INSTANTIATE_TEST_SUITE_P(
    All, HostileSoundSets,
    ::testing::Values(
        coretest::THostileFile{"EverySlotNamesOneLongText", [] { return SlotsSharingOneEntry(65536, RefLongText); },
                        "65536 slots, 68719476736 bytes of text"},
        coretest::THostileFile{"MoreSlotsThanASoundSetHas", [] { return SlotsSharingOneEntry(65537, RefLongText); },
                        "is too large to show: it has 65537 slots, more than a sound set's 65536."},
        coretest::THostileFile{"HugeCountOfSharedSlots",
                        [] {
                            std::string bytes = SlotsSharingOneEntry(1000, RefLongText);
                            bytes.replace(8, 4, "\xFF\xFF\xFF\xFF");
                            return bytes;
                        },
                        "1000 slots, 1048576000 bytes of text"},
        coretest::THostileFile{"EveryOffsetPastTheEnd",
                        [] {
                            ByteBuilder bytes;
                            bytes.Bytes("SSF V1.0").U32(0xFFFFFFFF).U32(40).PadTo(40);
                            for (int i = 0; i < 60000; ++i)
                                bytes.U32(0xFFFFFFF0u);
                            return bytes.Take();
                        },
                        "0 slots, 0 bytes of text"}),
    coretest::NameOf);

} // namespace
