// Game text: bytes in the game's code pages to Unicode and back, and which
// code page the game's text is in.
#include "CoreTestSupport.h"

#include "app/UGameText.h"
#include "app/USettings.h"

#include "testdata/TlkBuilder.h"

namespace fs = std::filesystem;
using coretest::CoreTest;
using coretest::ScopedEnv;

namespace {

struct TCodecCase {
    const char *Encoding;
    std::string Bytes;
    std::string Text;    // UTF-8, U+FFFD for each invalid byte
    bool RoundTrip;      // Text encodes back to Bytes
};

TEST(GameText, DecodesEachCodePageAndEncodesBack)
{
    const TCodecCase cases[] = {
        {"CP1252", "caf\xE9 \x80" "5 \x93q\x94", "caf\xC3\xA9 \xE2\x82\xAC" "5 \xE2\x80\x9Cq\xE2\x80\x9D", true},
        {"CP1252", "a\x81z\x9D", "a\xEF\xBF\xBDz\xEF\xBF\xBD", false},
        {"CP1250", "\xB3\xF3" "d\x9F \x80", "\xC5\x82\xC3\xB3" "d\xC5\xBA \xE2\x82\xAC", true},
        {"CP932", "\x83\x5C\x93\xFA", "\xE3\x82\xBD\xE6\x97\xA5", true},
        {"CP932", "a\x83", "a\xEF\xBF\xBD", false},   // a lead byte at the end
        {"CP932", "\x83 b", "\xEF\xBF\xBD b", false}, // a lead byte before a byte no character has
        {"CP949", "\xB0\xA1", "\xEA\xB0\x80", true},
        {"CP950", "\xA4\xA4", "\xE4\xB8\xAD", true},
        {"CP936", "\xD6\xD0", "\xE4\xB8\xAD", true},
    };
    for (const TCodecCase &c : cases) {
        const CGameTextCodec &codec = CGameTextCodec::Named(c.Encoding);
        EXPECT_EQ(codec.Decode(c.Bytes), c.Text) << c.Encoding << " " << c.Text;
        if (c.RoundTrip) {
            EXPECT_EQ(codec.Encode(c.Text), c.Bytes) << c.Encoding << " " << c.Text;
        }
    }
    // Characters a code page lacks, and text that is no UTF-8, cannot be encoded.
    EXPECT_EQ(CGameTextCodec::Named("CP1252").Encode("\xC5\x82"), std::nullopt);
    EXPECT_EQ(CGameTextCodec::Named("CP932").Encode("\xC5\x82"), std::nullopt);
    EXPECT_EQ(CGameTextCodec::Named("CP1252").Encode("\xE9"), std::nullopt);
    EXPECT_EQ(CGameTextCodec::Find("NO-SUCH-ENCODING"), nullptr);
}

class GameEncodingTest : public CoreTest {
protected:
    GameEncodingTest() : m_game("QUORLIN_GAME_FOLDER", dir / "game") { fs::create_directories(dir.Path() / "game"); }
    ~GameEncodingTest() override { Settings().GameEncoding.clear(); }

private:
    ScopedEnv m_game;
};

// The game's language (from its dialog.tlk) names the encoding of every other
// text; the setting, when it names an encoding, wins; an unknown language or no
// talk table leaves Windows-1252.
TEST_F(GameEncodingTest, FollowsTheGamesLanguageUnlessTheSettingForcesOne)
{
    struct Case {
        std::optional<std::uint32_t> Language; // of the game's dialog.tlk; none: no file
        std::string Forced;
        std::string Game;        // GameTextCodec()
        std::string Substring10; // a localized substring of id 10 (Polish)
    };
    const Case cases[] = {
        {std::nullopt, "", "CP1252", "CP1250"}, {0u, "", "CP1252", "CP1250"},
        {5u, "", "CP1250", "CP1250"},           {131u, "", "CP932", "CP1250"},
        {77u, "", "CP1252", "CP1250"},          {131u, "cp1251", "CP1251", "CP1251"},
        {131u, "NO-SUCH-ENCODING", "CP932", "CP1250"},
    };
    for (const Case &c : cases) {
        fs::remove(dir.Path() / "game" / "dialog.tlk");
        if (c.Language) {
            testdata::TlkBuilder tlk;
            tlk.LanguageId = *c.Language;
            tlk.WriteTo(dir.Path() / "game" / "dialog.tlk");
        }
        Settings().GameEncoding = c.Forced;
        const CGameTextCodec &game = GameTextCodec();
        EXPECT_EQ(game.Name(), c.Game);
        EXPECT_EQ(LanguageTextCodec(LanguageOfSubstring(10), game).Name(), c.Substring10);
    }
}

} // namespace
