// The sound window and its player: what Open answers, every kind of sound
// playing, the bar following the sound, Pause, Stop and Play, files let go of
// on closing, two windows at once, files nothing can play, the log. Sounds play
// in real time into "fakesink sync=true" (set for every window test), so the
// positions and the bar follow the clock as they would on a sound card.
#include "BrowserTestSupport.h"

#include "DemoSounds.h"
#include "app/UMain.h"
#include "media/UFrm_SND.h"
#include "media/ZDSMD.h"
#include "testdata/ByteBuilder.h"

#include <QElapsedTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <optional>

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kUnitsPerSecond = 10'000'000; // 100-nanosecond units

std::int64_t Units(double seconds)
{
    return std::int64_t(seconds * kUnitsPerSecond);
}

// A 440 Hz tone of 16-bit PCM at 8000 samples a second.
std::string Tone(int milliseconds)
{
    return demo::MakeWav(8000, milliseconds, 440);
}

// True while this process has the file open (on Linux a file in use can be
// deleted, so what counts is whether the player still holds it).
bool HeldOpen(const fs::path &path)
{
    const fs::path target = fs::weakly_canonical(path);
    for (const auto &entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const fs::path link = fs::read_symlink(entry.path(), error);
        if (!error && (link == target || link.string() == target.string() + " (deleted)"))
            return true;
    }
    return false;
}

void Click(QPushButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

// Waits until ms have passed since clock started, processing events (the bar's timer among them).
void WaitUntil(const QElapsedTimer &clock, qint64 ms)
{
    const qint64 left = ms - clock.elapsed();
    if (left > 0)
        QTest::qWait(int(left));
}

class SoundPlayerTest : public TGuiTest {
protected:
    fs::path Write(const std::string &name, const std::string &bytes) const
    {
        const fs::path path = fs::path(ProgramFolder()) / name;
        testdata::WriteFile(path, bytes);
        return path;
    }

    static std::unique_ptr<TFrm_SND> ShowWindow()
    {
        auto window = std::make_unique<TFrm_SND>();
        // These windows stay on screen for seconds: they leave the keyboard
        // focus to the window tests running beside them.
        window->setAttribute(Qt::WA_ShowWithoutActivating);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }

    static QString Q(const fs::path &path) { return QString::fromStdString(path.string()); }
};

} // namespace

TEST_F(SoundPlayerTest, OpenAnswersWithTheCodeOfTheStepThatFails)
{
    enum Prepare { AsGiven, Nothing, Folder, File };
    struct Case {
        const char *What;
        std::string Name; // AsGiven: the file name itself; else below the program folder
        Prepare Make;
        std::string Bytes;
        const char *Sink; // nullptr: the tests' sink
        int Expected;
        std::int64_t Duration;
    };
    const Case cases[] = {
        {"empty name", "", AsGiven, "", nullptr, TZDSMD::kOpenBlankName, 0},
        {"blank name", "   ", AsGiven, "", nullptr, TZDSMD::kOpenBlankName, 0},
        {"no such file", "missing.wav", Nothing, "", nullptr, TZDSMD::kOpenNoFile, 0},
        {"a folder", "folder.wav", Folder, "", nullptr, TZDSMD::kOpenNoFile, 0},
        {"plain text", "notes.wav", File, "Just some notes, no sound at all.\n", nullptr, TZDSMD::kOpenNotRendered, 0},
        {"empty file", "empty.wav", File, "", nullptr, TZDSMD::kOpenNotRendered, 0},
        {"damaged WAV", "damaged.wav", File, std::string("RIFF\x20\0\0\0WAVEfmt \x02\0\0\0", 20), nullptr,
         TZDSMD::kOpenNotRendered, 0},
        {"no such sink", "tone.wav", File, Tone(1000), "nosuchsink", TZDSMD::kOpenNoPipeline, 0},
        {"one second", "tone.wav", File, Tone(1000), nullptr, TZDSMD::kOpenReady, kUnitsPerSecond},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.What);
        std::string name = row.Name;
        if (row.Make != AsGiven) {
            const fs::path path = fs::path(ProgramFolder()) / row.Name;
            fs::remove_all(path);
            if (row.Make == Folder)
                fs::create_directory(path);
            if (row.Make == File)
                testdata::WriteFile(path, row.Bytes);
            name = path.string();
        }
        if (row.Sink)
            TZDSMD::SetAudioSink(row.Sink);
        TZDSMD player;
        player.SetFileName(name);
        EXPECT_EQ(player.Open(), row.Expected);
        TZDSMD::SetAudioSink("fakesink sync=true");
        const bool ready = row.Expected == TZDSMD::kOpenReady;
        EXPECT_EQ(player.Opened(), ready);
        EXPECT_EQ(player.State(), ready ? TZDSMD::kStopped : TZDSMD::kClosed);
        EXPECT_EQ(player.Duration(), row.Duration);
        EXPECT_EQ(player.Position(), 0);
        if (row.Make == File) {
            EXPECT_EQ(HeldOpen(name), ready) << "only a ready player holds its file";
        }
    }
}

TEST_F(SoundPlayerTest, EveryKindOfSoundPlaysEachInItsWindowAllAtOnce)
{
    struct Case {
        const char *What;
        const char *Sample; // in the demo's samples, or written to the program folder
        double Seconds;     // the tune's length
    };
    const Case cases[] = {
        {"PCM WAV", "demo_bell.wav", 3.5},
        {"IMA ADPCM WAV", "demo_chime.wav", 2.0},
        {"WAV holding MP3", "demo_horn.wav", 2.0},
        {"MP3", "demo_march.mp3", 2.92},
        {"BMU", "demo_greeting.bmu", 1.6},
        {"BMU named WAV, as voices are", "greeting.wav", 1.6},
    };
    Write("greeting.wav", ReadBytes(DemoFolder() / "samples" / "demo_greeting.bmu"));
    // All at once, so the test takes no longer than one of them.
    std::vector<std::unique_ptr<TFrm_SND>> windows;
    QElapsedTimer clock;
    clock.start();
    for (const Case &row : cases) {
        windows.push_back(ShowWindow());
        const fs::path inProgramFolder = fs::path(ProgramFolder()) / row.Sample;
        windows.back()->OpenFile(Q(fs::exists(inProgramFolder) ? inProgramFolder : DemoFolder() / "samples" / row.Sample));
    }
    // An MP3 stream tells its length after a few tenths of a second of playing.
    WaitUntil(clock, 800);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case &row = cases[i];
        SCOPED_TRACE(row.What);
        TFrm_SND &window = *windows[i];
        EXPECT_EQ(window.windowTitle(), QString("Sound Preview - ") + row.Sample);
        TZDSMD *player = window.Player();
        EXPECT_EQ(player->State(), TZDSMD::kPlaying);
        // MP3 adds the encoder's delay and padding: a few frames at most.
        EXPECT_GE(player->Duration(), Units(row.Seconds * 0.99));
        EXPECT_LE(player->Duration(), Units(row.Seconds + 0.12));
        const std::int64_t position = player->Position();
        EXPECT_GE(position, Units(0.6));
        EXPECT_LE(position, Units(0.95));
        const int bar = window.ProgressBar1->value();
        EXPECT_GE(bar, int(250 * 0.5 / row.Seconds));
        EXPECT_LE(bar, int(250 * 0.95 / row.Seconds) + 1);
    }

    // One window paused holds its place while the others play on.
    Click(windows[0]->BtnPause);
    const std::int64_t held = windows[0]->Player()->Position();
    const std::int64_t other = windows[1]->Player()->Position();
    QTest::qWait(300);
    EXPECT_EQ(windows[0]->Player()->State(), TZDSMD::kPaused);
    EXPECT_NEAR(double(windows[0]->Player()->Position()), double(held), double(Units(0.02)));
    EXPECT_NEAR(double(windows[1]->Player()->Position()), double(other + Units(0.3)), double(Units(0.12)));
}

TEST_F(SoundPlayerTest, TheBarReachesTheMiddleHalfwayAndStaysAtTheEnd)
{
    auto window = ShowWindow();
    const fs::path path = Write("two_seconds.wav", Tone(2000));
    QElapsedTimer clock;
    clock.start();
    window->OpenFile(Q(path));
    EXPECT_TRUE(window->Timer1->isActive());
    EXPECT_EQ(window->Player()->Duration(), 2 * kUnitsPerSecond);
    WaitUntil(clock, 1000);
    EXPECT_NEAR(window->ProgressBar1->value(), 125, 15);
    EXPECT_NEAR(double(window->Player()->Position()), double(kUnitsPerSecond), double(Units(0.12)));

    // The end is not detected: the state stays playing and the bar full.
    WaitUntil(clock, 2400);
    EXPECT_EQ(window->Player()->State(), TZDSMD::kPlaying);
    EXPECT_EQ(window->ProgressBar1->value(), 250);
    EXPECT_TRUE(window->Timer1->isActive());
}

TEST_F(SoundPlayerTest, PauseHoldsThePositionAndPauseAgainResumesFromThere)
{
    auto window = ShowWindow();
    window->OpenFile(Q(Write("tone.wav", Tone(2000))));
    QTest::qWait(400);
    Click(window->BtnPause);
    EXPECT_EQ(window->Player()->State(), TZDSMD::kPaused);
    QTest::qWait(60);
    const std::int64_t held = window->Player()->Position();
    const int bar = window->ProgressBar1->value();
    EXPECT_NEAR(double(held), double(Units(0.4)), double(Units(0.12)));
    QTest::qWait(300);
    EXPECT_NEAR(double(window->Player()->Position()), double(held), double(Units(0.02)));
    EXPECT_EQ(window->ProgressBar1->value(), bar);

    Click(window->BtnPause);
    EXPECT_EQ(window->Player()->State(), TZDSMD::kPlaying);
    QTest::qWait(300);
    EXPECT_NEAR(double(window->Player()->Position()), double(held + Units(0.3)), double(Units(0.12)));
    EXPECT_GT(window->ProgressBar1->value(), bar);
}

TEST_F(SoundPlayerTest, StopThenPauseDoesNothingAndPlayStartsOver)
{
    auto window = ShowWindow();
    window->OpenFile(Q(Write("tone.wav", Tone(2000))));
    QTest::qWait(600);
    Click(window->BtnStop);
    EXPECT_EQ(window->Player()->State(), TZDSMD::kStopped);
    EXPECT_FALSE(window->Timer1->isActive());
    const int bar = window->ProgressBar1->value();
    EXPECT_GE(bar, 50);

    Click(window->BtnPause);
    EXPECT_EQ(window->Player()->State(), TZDSMD::kStopped);
    QTest::qWait(200);
    EXPECT_EQ(window->Player()->Position(), 0);
    EXPECT_EQ(window->ProgressBar1->value(), bar);

    QElapsedTimer clock;
    clock.start();
    Click(window->BtnPlay);
    EXPECT_EQ(window->Player()->State(), TZDSMD::kPlaying);
    EXPECT_TRUE(window->Timer1->isActive());
    WaitUntil(clock, 200);
    EXPECT_LE(window->Player()->Position(), Units(0.3));
    EXPECT_LT(window->ProgressBar1->value(), 40);
}

TEST_F(SoundPlayerTest, ClosingDuringPlaybackStopsAndLetsGoOfTheFile)
{
    auto window = ShowWindow();
    const fs::path path = Write("tone.wav", Tone(2000));
    window->OpenFile(Q(path));
    QTest::qWait(200);
    ASSERT_EQ(window->Player()->State(), TZDSMD::kPlaying);
    EXPECT_TRUE(HeldOpen(path));
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(HeldOpen(path));
    EXPECT_EQ(window->Player(), nullptr);
    EXPECT_TRUE(window->SoundPath().isEmpty());
    EXPECT_FALSE(window->Timer1->isActive());
    EXPECT_TRUE(fs::remove(path));
    Click(window->BtnPlay); // nothing left to play
    EXPECT_EQ(window->Player(), nullptr);
}

TEST_F(SoundPlayerTest, SoundCommandPlaysTheChosenFileInAChildWindowThatLetsGoOfItWhenClosed)
{
    auto main = CreateMainWindow();
    const fs::path path = Write("horn call.wav", ReadBytes(DemoFolder() / "samples" / "demo_horn.wav"));
    OpenFileAnswers = {Q(path)};
    ClickMenuCommand(main.get(), {"File1", "Sound1"}, "OpenSND");
    const QList<QMdiSubWindow *> children = main->MdiArea()->subWindowList();
    ASSERT_EQ(children.size(), 1);
    QPointer<TFrm_SND> window = qobject_cast<TFrm_SND *>(children[0]->widget());
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(children[0]->windowTitle(), "Sound Preview - horn call.wav");
    EXPECT_EQ(window->Player()->State(), TZDSMD::kPlaying);
    QTest::qWait(150);
    EXPECT_GT(window->Player()->Position(), 0);
    EXPECT_TRUE(HeldOpen(path));
    EXPECT_TRUE(ShownMessages.empty());

    children[0]->close();
    QTest::qWait(0);
    EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(HeldOpen(path));
}

TEST_F(SoundPlayerTest, AFileNothingCanPlayLeavesTheWindowInertWithoutAMessage)
{
    struct Case {
        const char *What;
        const char *Name;
        std::string Bytes;
    };
    const Case cases[] = {
        {"plain text", "notes.wav", "Not a sound.\n"},
        {"empty file", "empty.mp3", ""},
        {"damaged WAV", "damaged.wav", std::string("RIFF\x20\0\0\0WAVEfmt \x02\0\0\0", 20)},
        {"picture named BMU", "picture.bmu", std::string("BM\x3e\0\0\0\0\0\0\0\x36\0\0\0", 14) + std::string(48, 'x')},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.What);
        auto window = ShowWindow();
        const fs::path path = Write(row.Name, row.Bytes);
        window->OpenFile(Q(path));
        EXPECT_EQ(window->windowTitle(), QString("Sound Preview - ") + row.Name);
        EXPECT_EQ(window->Player()->State(), TZDSMD::kClosed);
        for (QPushButton *button : {window->BtnPlay, window->BtnPause, window->BtnStop, window->BtnPlay}) {
            Click(button);
            EXPECT_EQ(window->Player()->State(), TZDSMD::kClosed);
        }
        QTest::qWait(120);
        EXPECT_EQ(window->ProgressBar1->value(), 0);
        EXPECT_FALSE(HeldOpen(path));
    }
    EXPECT_TRUE(ShownMessages.empty());

    // No file at the path: nothing at all, not even the caption, and Play has nothing to play.
    auto window = ShowWindow();
    window->OpenFile(QString::fromStdString(ProgramFolder() + "missing.wav"));
    EXPECT_EQ(window->windowTitle(), "Sound Preview");
    EXPECT_TRUE(window->SoundPath().isEmpty());
    Click(window->BtnPlay);
    EXPECT_EQ(window->Player()->State(), TZDSMD::kClosed);
    EXPECT_FALSE(window->Timer1->isActive());
}

TEST_F(SoundPlayerTest, TheLogTellsHowThePipelineWasBuiltOnlyWhenAskedFor)
{
    struct Case {
        const char *What;
        bool UseLog;
        const char *LogFile;
        bool Written;
    };
    const Case cases[] = {
        {"asked for", true, "player.log", true},
        {"not used", false, "player.log", false},
        {"blank name", true, " ", false},
    };
    const fs::path sound = Write("tone.wav", Tone(500));
    for (const Case &row : cases) {
        SCOPED_TRACE(row.What);
        const fs::path log = fs::path(ProgramFolder()) / "player.log";
        testdata::WriteFile(log, "an older log\n");
        TZDSMD player;
        player.SetFileName(sound.string());
        player.SetUseLog(row.UseLog);
        player.SetLogFile(std::string(row.LogFile) == " " ? " " : log.string());
        ASSERT_EQ(player.Open(), TZDSMD::kOpenReady);
        player.Close();
        const std::string text = ReadBytes(log);
        EXPECT_EQ(text.find("an older log") == std::string::npos, row.Written);
        EXPECT_EQ(text.find("wavparse") != std::string::npos, row.Written) << text;
        EXPECT_EQ(text.find("duration: 5000000 x 100 ns") != std::string::npos, row.Written) << text;
    }
}
