// The preview both archive browsers share: kinds, temporary files, sound
// files kept while they play, failures and the viewers handed to the browsers' panels.
#include "BrowserTestSupport.h"

#include "app/UFileIO.h"
#include "app/USettings.h"
#include "app/UUtil.h"
#include "archives/UFrm_BIF.h"
#include "archives/UFrm_ModView.h"
#include "testdata/ByteBuilder.h"
#include "testdata/ErfBuilder.h"
#include "testdata/KeyBifBuilder.h"
#include "testdata/ResTypeNumbers.h"

#include "formats/UFrm_2DA.h"
#include "formats/UFrm_TXT.h"
#include "media/UFrm_IMG.h"
#include "formats/UFrm_SSF.h"
#include "formats/UFrm_UTX.h"
#include "media/UFrm_SND.h"

#include "DemoPictures.h"
#include "DemoSounds.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QWindow>

#include <array>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;
namespace rt = testdata::restype;

namespace {

constexpr int kSoundsBif = 3;
constexpr int kModelsBif = 4;
constexpr int kScriptsBif = 2;
constexpr int kTemplatesBif = 1;

// A stand-in viewer that records what the preview handed it.
class TFakeViewer : public QWidget {
public:
    explicit TFakeViewer(int kind) : Kind(kind) {}
    int Kind;
    bool Prepared = false;
};

struct TLoad {
    int Kind = kPreviewNone;
    QString Path;            // empty for bytes
    std::string Bytes;       // the bytes handed over, or the file's bytes at load time
    std::set<std::string> TemporaryFiles; // the temporary folder while loading
    bool Prepared = false;
    bool Visible = false;
    bool Embedded = false;   // a borderless child of the panel it was placed in
    std::vector<bool> ListsEnabled;
    const CKEY_FILE *KeyReader = nullptr;
    const CMOD *ModReader = nullptr;
    int SourceKind = -2;
};

std::unique_ptr<TFrm_BIF> OpenBrowser(const QString &keyPath)
{
    auto browser = std::make_unique<TFrm_BIF>();
    browser->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(browser.get()));
    browser->OpenFile(keyPath);
    return browser;
}

std::unique_ptr<TFrm_MODView> OpenViewer(const fs::path &path)
{
    auto viewer = std::make_unique<TFrm_MODView>();
    viewer->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(viewer.get()));
    viewer->OpenFile(QString::fromStdString(path.string()));
    return viewer;
}

} // namespace

class PreviewTest : public TBrowserTest {
protected:
    void SetUp() override
    {
        TBrowserTest::SetUp();
        for (int kind = 0; kind < kPreviewKindCount; ++kind)
            m_saved[std::size_t(kind)] = PreviewViewerType(kind);
    }
    void TearDown() override
    {
        for (int kind = 0; kind < kPreviewKindCount; ++kind)
            SetPreviewViewerType(kind, m_saved[std::size_t(kind)]);
        TBrowserTest::TearDown();
    }

    // Puts a recording stand-in in place of the viewer of kind. Lists are the
    // widgets whose enabled state is recorded at load time.
    void Fake(int kind, std::vector<QWidget *> lists = {}, QString failure = {})
    {
        TPreviewViewerType type;
        type.Create = [kind] { return new TFakeViewer(kind); };
        type.Prepare = [](QWidget *viewer) { static_cast<TFakeViewer *>(viewer)->Prepared = true; };
        auto record = [this, kind, lists](QWidget *viewer) {
            TLoad load;
            load.Kind = kind;
            load.TemporaryFiles = FilesIn(TempFolder());
            load.Prepared = static_cast<TFakeViewer *>(viewer)->Prepared;
            load.Visible = viewer->isVisible();
            load.Embedded = !viewer->isWindow() && qobject_cast<TPreviewPanel *>(viewer->parentWidget());
            for (QWidget *list : lists)
                load.ListsEnabled.push_back(list->isEnabled());
            return load;
        };
        type.LoadFile = [this, record, failure](QWidget *viewer, const QString &path, const TPreviewResource &res) {
            TLoad load = record(viewer);
            load.Path = path;
            load.Bytes = ReadWholeFile(path.toStdString());
            load.KeyReader = res.KeyReader;
            load.ModReader = res.ModReader;
            load.SourceKind = res.SourceKind;
            Loads.push_back(load);
            if (!failure.isEmpty())
                throw EFileError(failure.toStdString());
        };
        type.LoadText = [this, record](QWidget *viewer, const std::string &bytes) {
            TLoad load = record(viewer);
            load.Bytes = bytes;
            Loads.push_back(load);
        };
        SetPreviewViewerType(kind, type);
    }

    std::vector<TLoad> Loads;

private:
    std::array<TPreviewViewerType, kPreviewKindCount> m_saved;
};

TEST_F(PreviewTest, ATwoDATableIsHandedOverAsBytesWithoutAFile)
{
    auto browser = OpenBrowser(DemoKeyPath());
    Fake(kPreview2DA, {browser->ListRes, browser->ListBif});
    ClickRow(browser->ListBif, kTemplatesBif);
    ClickRow(browser->ListRes, RowOf(browser->ListRes, "baseitems"));
    EXPECT_EQ(browser->PreviewKind(), kPreview2DA);
    ASSERT_EQ(Loads.size(), 1u);
    EXPECT_EQ(Loads[0].Bytes, ReadBytes(DemoFolder() / "samples" / "baseitems.2da"));
    EXPECT_TRUE(Loads[0].Path.isEmpty());
    EXPECT_TRUE(Loads[0].TemporaryFiles.empty());
    EXPECT_EQ(Loads[0].ListsEnabled, std::vector<bool>({false, false}));
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
}

TEST_F(PreviewTest, TheTwoDAViewerShowsTheTableAndNoFileIsWritten)
{
    ASSERT_TRUE(PreviewViewerType(kPreview2DA).Create) << "the 2DA viewer is not registered";
    auto viewer = OpenViewer(DemoFolder() / "samples" / "sample.mod");
    ClickRow(viewer->ListRes, RowOf(viewer->ListRes, "baseitems"));
    EXPECT_EQ(viewer->PreviewKind(), kPreview2DA);
    EXPECT_NE(qobject_cast<TFrm_2DA *>(viewer->PreviewViewer()), nullptr);
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(PreviewTest, BlueprintsPalettesSoundSetsAndTablesShowInTheirViewersFromBothBrowsers)
{
    auto browser = OpenBrowser(DemoKeyPath());
    ClickRow(browser->ListBif, kTemplatesBif);
    for (const char *name : {"it_demo_sword", "demo_guard", "demo_itempal"}) {
        ClickRow(browser->ListRes, RowOf(browser->ListRes, name));
        const auto *gff = qobject_cast<TFrm_UTX *>(browser->PreviewViewer());
        ASSERT_NE(gff, nullptr) << name;
        EXPECT_FALSE(gff->Reader().Entries.empty()) << name;
        EXPECT_TRUE(FilesIn(TempFolder()).empty()) << name;
    }
    ClickRow(browser->ListRes, RowOf(browser->ListRes, "vs_demo"));
    const auto *soundSet = qobject_cast<TFrm_SSF *>(browser->PreviewViewer());
    ASSERT_NE(soundSet, nullptr);
    EXPECT_EQ(soundSet->ListRes->model()->rowCount(), 49);
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
    ClickRow(browser->ListRes, RowOf(browser->ListRes, "demo_spells"));
    EXPECT_NE(qobject_cast<TFrm_2DA *>(browser->PreviewViewer()), nullptr);
    EXPECT_TRUE(FilesIn(TempFolder()).empty());

    auto viewer = OpenViewer(DemoFolder() / "samples" / "sample.mod");
    ClickRow(viewer->ListRes, RowOf(viewer->ListRes, "module"));
    const auto *module = qobject_cast<TFrm_UTX *>(viewer->PreviewViewer());
    ASSERT_NE(module, nullptr);
    EXPECT_FALSE(module->Reader().Entries.empty());
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
    EXPECT_TRUE(ShownMessages.empty());
}

// The mean difference of a shown picture from the demo picture it was
// encoded from, over every channel (alpha included).
double MeanDifference(const QImage &shown, const demo::Picture &picture)
{
    const QImage image = shown.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    for (int y = 0; y < picture.Height; ++y)
        for (int x = 0; x < picture.Width; ++x) {
            const QRgb a = image.pixel(x, y), b = picture.Pixels[std::size_t(y * picture.Width + x)];
            sum += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) +
                   std::abs(qAlpha(a) - qAlpha(b));
        }
    return sum / (4.0 * picture.Width * picture.Height);
}

demo::Picture UpsideDown(demo::Picture picture)
{
    for (int y = 0; y < picture.Height / 2; ++y)
        std::swap_ranges(picture.Pixels.begin() + y * picture.Width, picture.Pixels.begin() + (y + 1) * picture.Width,
                         picture.Pixels.end() - (y + 1) * picture.Width);
    return picture;
}

// The shown picture is the demo picture its DDS was encoded from, within what
// the encoding loses, and far from that picture upside down.
void ExpectShown(const QWidget *preview, const demo::Picture &encoded, const char *name)
{
    const auto *viewer = qobject_cast<const TFrm_IMG *>(preview);
    ASSERT_NE(viewer, nullptr) << name;
    EXPECT_EQ(viewer->PictureFormat(), "DDS") << name;
    const double difference = MeanDifference(viewer->Image1->Picture(), encoded);
    EXPECT_LT(difference, 2.5) << name;
    EXPECT_GT(MeanDifference(viewer->Image1->Picture(), UpsideDown(encoded)), 4 * difference) << name;
}

TEST_F(PreviewTest, DdsTexturesShowUprightInThePictureViewerFromBothBrowsers)
{
    auto browser = OpenBrowser(DemoKeyPath());
    ClickRow(browser->ListBif, RowOf(browser->ListBif, "data\\Textures.bif"));
    ClickRow(browser->ListRes, RowOf(browser->ListRes, "demo_wood")); // a short header
    EXPECT_EQ(browser->PreviewKind(), kPreviewPicture);
    ExpectShown(browser->PreviewViewer(), demo::PlanksPicture(64, 64), "demo_wood");
    EXPECT_TRUE(FilesIn(TempFolder()).empty());

    auto viewer = OpenViewer(DemoFolder() / "samples" / "sample.erf");
    ClickRow(viewer->ListRes, RowOf(viewer->ListRes, "demo_rune")); // a standard container
    ExpectShown(viewer->PreviewViewer(), demo::RunePicture(64, 64), "demo_rune");
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(PreviewTest, AFileIsExportedUnderTheReadersNameAndDeletedAfterLoading)
{
    auto browser = OpenBrowser(DemoKeyPath());
    Fake(kPreviewPicture, {browser->ListRes, browser->ListBif});
    Fake(kPreviewText);
    ClickRow(browser->ListRes, RowOf(browser->ListRes, "demo_icon"));
    ASSERT_EQ(Loads.size(), 1u);
    EXPECT_EQ(Loads[0].Kind, kPreviewPicture);
    EXPECT_EQ(Loads[0].Path.toStdString(), GetTempFolder() + "demo_icon.bmp");
    EXPECT_EQ(Loads[0].TemporaryFiles, std::set<std::string>{"demo_icon.bmp"});
    EXPECT_EQ(Loads[0].Bytes, ReadBytes(DemoFolder() / "samples" / "demo_icon.bmp"));
    EXPECT_EQ(Loads[0].SourceKind, 1);
    EXPECT_TRUE(FilesIn(TempFolder()).empty());

    ClickRow(browser->ListBif, kScriptsBif);
    ASSERT_EQ(Loads.size(), 2u);
    EXPECT_EQ(Loads[1].Kind, kPreviewText);
    EXPECT_EQ(Loads[1].TemporaryFiles, std::set<std::string>{"readme.txt"});
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
}

TEST_F(PreviewTest, PictureAndTextViewersFillThePanelAndLeaveTheTemporaryFolderEmpty)
{
    ASSERT_TRUE(PreviewViewerType(kPreviewPicture).Create);
    ASSERT_TRUE(PreviewViewerType(kPreviewText).Create);
    auto browser = OpenBrowser(DemoKeyPath());
    auto *picture = qobject_cast<TFrm_IMG *>(browser->PreviewViewer());
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->PictureFormat(), "TGA");
    EXPECT_EQ(picture->geometry(), browser->Panel1->contentsRect());
    EXPECT_FALSE(picture->isWindow());
    EXPECT_TRUE(FilesIn(TempFolder()).empty());

    ClickRow(browser->ListBif, kScriptsBif);
    auto *text = qobject_cast<TFrm_TXT *>(browser->PreviewViewer());
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(text->Memo1->toPlainText().startsWith("Quorlin demo data"));
    EXPECT_EQ(text->geometry(), browser->Panel1->contentsRect());
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(PreviewTest, ASoundKeepsItsFileWhileItPlaysAndClosingRemovesOnlyThatFile)
{
    auto browser = OpenBrowser(DemoKeyPath()); // a TGA first
    Fake(kPreviewSound);
    Fake(kPreviewText);
    ClickRow(browser->ListBif, kSoundsBif);
    EXPECT_EQ(browser->PreviewKind(), kPreviewSound);
    ASSERT_EQ(Loads.size(), 1u);
    EXPECT_EQ(Loads[0].TemporaryFiles, std::set<std::string>{"demo_beep.wav"});
    EXPECT_EQ(FilesIn(TempFolder()), std::set<std::string>{"demo_beep.wav"});
    EXPECT_EQ(ReadBytes(TempFolder() / "demo_beep.wav"), ReadBytes(DemoFolder() / "samples" / "demo_beep.wav"));

    // Sounds another window may still play stay, and so does every other file.
    testdata::WriteFile(TempFolder() / "OTHER.WAV", "other");
    testdata::WriteFile(TempFolder() / "keep.txt", "keep");
    ClickRow(browser->ListBif, kScriptsBif);
    EXPECT_EQ(browser->PreviewKind(), kPreviewText);
    EXPECT_EQ(FilesIn(TempFolder()), (std::set<std::string>{"OTHER.WAV", "keep.txt"}));
}

TEST_F(PreviewTest, AWavPlaysFromEitherBrowserAndClosingOnePreviewLeavesTheOthersFile)
{
    ASSERT_TRUE(PreviewViewerType(kPreviewSound).Create) << "the sound window is not registered";
    auto browser = OpenBrowser(DemoKeyPath());
    ClickRow(browser->ListBif, kSoundsBif);
    ClickRow(browser->ListRes, RowOf(browser->ListRes, "demo_bell"));
    auto *bifSound = qobject_cast<TFrm_SND *>(browser->PreviewViewer());
    ASSERT_NE(bifSound, nullptr);
    EXPECT_EQ(bifSound->Player()->State(), TZDSMD::kPlaying);
    EXPECT_EQ(bifSound->SoundPath().toStdString(), GetTempFolder() + "demo_bell.wav");
    EXPECT_EQ(bifSound->windowTitle(), "Sound Preview - demo_bell.wav");
    EXPECT_EQ(bifSound->geometry(), browser->Panel1->contentsRect());

    auto viewer = OpenViewer(DemoFolder() / "samples" / "sample.erf");
    ClickRow(viewer->ListRes, RowOf(viewer->ListRes, "demo_chime"));
    auto *erfSound = qobject_cast<TFrm_SND *>(viewer->PreviewViewer());
    ASSERT_NE(erfSound, nullptr);
    EXPECT_EQ(erfSound->Player()->State(), TZDSMD::kPlaying);
    EXPECT_EQ(FilesIn(TempFolder()), (std::set<std::string>{"demo_bell.wav", "demo_chime.wav"}));
    QTest::qWait(200);
    EXPECT_GT(bifSound->Player()->Position(), 0);
    EXPECT_GT(erfSound->Player()->Position(), 0);

    // The BIF browser moves on: its sound file goes, the ERF viewer's sound plays on.
    ClickRow(browser->ListBif, kScriptsBif);
    EXPECT_EQ(FilesIn(TempFolder()), std::set<std::string>{"demo_chime.wav"});
    const std::int64_t before = erfSound->Player()->Position();
    QTest::qWait(150);
    EXPECT_EQ(erfSound->Player()->State(), TZDSMD::kPlaying);
    EXPECT_GT(erfSound->Player()->Position(), before);

    EXPECT_TRUE(viewer->close());
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
    EXPECT_TRUE(ShownMessages.empty());
}

// An archive may hold a sound of the same name as the game's (a hak replacing
// it): each preview plays its own bytes, and neither writes over nor deletes
// the other's file.
TEST_F(PreviewTest, SoundsOfOneNameFromTwoBrowsersKeepTheirOwnFiles)
{
    const std::string gameBell = ReadBytes(DemoFolder() / "samples" / "demo_bell.wav");
    const std::string hakBell = demo::MakeWav(8000, 1000, 660);
    testdata::ErfBuilder hak("HAK ");
    hak.Add("demo_bell", rt::WAV, hakBell);
    const fs::path archive = fs::path(ProgramFolder()) / "bells.hak";
    hak.WriteTo(archive);
    auto entries = [this] {
        std::set<std::string> names;
        for (const auto &entry : fs::recursive_directory_iterator(TempFolder()))
            names.insert(fs::relative(entry.path(), TempFolder()).string());
        return names;
    };

    for (const bool gameFirst : {true, false}) {
        SCOPED_TRACE(gameFirst ? "the game's preview closes first" : "the hak's preview closes first");
        auto browser = OpenBrowser(DemoKeyPath());
        ClickRow(browser->ListBif, kSoundsBif);
        ClickRow(browser->ListRes, RowOf(browser->ListRes, "demo_bell"));
        auto viewer = OpenViewer(archive);
        auto *gameSound = qobject_cast<TFrm_SND *>(browser->PreviewViewer());
        auto *hakSound = qobject_cast<TFrm_SND *>(viewer->PreviewViewer());
        ASSERT_NE(gameSound, nullptr);
        ASSERT_NE(hakSound, nullptr);
        const fs::path gamePath = gameSound->SoundPath().toStdString();
        const fs::path hakPath = hakSound->SoundPath().toStdString();
        EXPECT_EQ(gamePath, TempFolder() / "demo_bell.wav");
        EXPECT_NE(hakPath, gamePath);
        EXPECT_EQ(hakPath.filename(), "demo_bell.wav");
        EXPECT_EQ(hakSound->windowTitle(), "Sound Preview - demo_bell.wav");
        EXPECT_EQ(ReadBytes(gamePath), gameBell);
        EXPECT_EQ(ReadBytes(hakPath), hakBell);
        EXPECT_EQ(gameSound->Player()->Duration(), 35'000'000);
        EXPECT_EQ(hakSound->Player()->Duration(), 10'000'000);
        EXPECT_EQ(entries().size(), 3u) << "the game's file, the hak's folder and file";

        TArchiveBrowser *closing = gameFirst ? static_cast<TArchiveBrowser *>(browser.get()) : viewer.get();
        TFrm_SND *goingOn = gameFirst ? hakSound : gameSound;
        const fs::path kept = gameFirst ? hakPath : gamePath;
        closing->ClosePreview();
        std::set<std::string> left = {fs::relative(kept, TempFolder()).string()};
        if (fs::relative(kept.parent_path(), TempFolder()) != ".")
            left.insert(fs::relative(kept.parent_path(), TempFolder()).string());
        EXPECT_EQ(entries(), left);
        EXPECT_EQ(ReadBytes(kept), gameFirst ? hakBell : gameBell);
        const std::int64_t before = goingOn->Player()->Position();
        QTest::qWait(120);
        EXPECT_EQ(goingOn->Player()->State(), TZDSMD::kPlaying);
        EXPECT_GT(goingOn->Player()->Position(), before);

        EXPECT_TRUE(browser->close());
        EXPECT_TRUE(viewer->close());
        EXPECT_TRUE(entries().empty());
    }
}

TEST_F(PreviewTest, TypesWithoutAViewerClearThePreviewAndShowTheCaption)
{
    testdata::KeyBifBuilder game;
    const int bif = game.AddBif("data\\mixed.bif");
    game.AddResource(bif, "notes", rt::TXT, "notes");
    game.AddResource(bif, "sword", 2024 /* BTI */, "blueprint template");
    game.AddResource(bif, "anything", rt::UNKNOWN, "?");
    const fs::path folder = NewFolder("game");
    game.WriteTo(folder);

    Fake(kPreviewText);
    auto browser = OpenBrowser(QString::fromStdString((folder / "chitin.key").string()));
    ASSERT_EQ(browser->PreviewKind(), kPreviewText);
    ClickRow(browser->ListRes, 1);
    EXPECT_EQ(browser->PreviewKind(), kPreviewNone);
    EXPECT_EQ(browser->PreviewViewer(), nullptr);
    EXPECT_TRUE(browser->Panel1->ShowsCaption());
    ClickRow(browser->ListRes, 0);
    EXPECT_EQ(browser->PreviewKind(), kPreviewText);
    ClickRow(browser->ListRes, 2);
    EXPECT_EQ(browser->PreviewKind(), kPreviewNone);
    EXPECT_EQ(Loads.size(), 2u);
    EXPECT_TRUE(ShownMessages.empty());
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
}

TEST_F(PreviewTest, AKindWhoseViewerDoesNotExistShowsNoPreview)
{
    SetPreviewViewerType(kPreviewModel, {});
    auto browser = OpenBrowser(DemoKeyPath());
    ClickRow(browser->ListBif, kModelsBif);
    EXPECT_EQ(browser->PreviewKind(), kPreviewNone);
    EXPECT_TRUE(browser->Panel1->ShowsCaption());
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
    EXPECT_TRUE(browser->ListRes->isEnabled());
    EXPECT_TRUE(browser->ListBif->isEnabled());
}

TEST_F(PreviewTest, TheViewerIsEmbeddedPreparedAndShownBeforeTheResourceIsLoaded)
{
    auto browser = OpenBrowser(DemoKeyPath());
    Fake(kPreviewModel, {browser->ListRes, browser->ListBif});
    ClickRow(browser->ListBif, kModelsBif);
    ASSERT_EQ(Loads.size(), 1u);
    EXPECT_TRUE(Loads[0].Prepared);
    EXPECT_TRUE(Loads[0].Visible);
    EXPECT_TRUE(Loads[0].Embedded);
    EXPECT_EQ(Loads[0].ListsEnabled, std::vector<bool>({false, false}));
    EXPECT_TRUE(browser->ListRes->isEnabled());
    EXPECT_TRUE(browser->ListBif->isEnabled());
    auto *viewer = dynamic_cast<TFakeViewer *>(browser->PreviewViewer());
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->parentWidget(), browser->Panel1);
    EXPECT_EQ(viewer->geometry(), browser->Panel1->contentsRect());
    EXPECT_EQ(browser->Panel1->Viewer(), viewer);
}

TEST_F(PreviewTest, TheModelViewGetsTheBrowsersReaderAndSourceKind)
{
    Fake(kPreviewModel);
    {
        auto browser = OpenBrowser(DemoKeyPath());
        ClickRow(browser->ListBif, kModelsBif);
        ASSERT_EQ(Loads.size(), 1u);
        EXPECT_EQ(Loads[0].KeyReader, &browser->Reader());
        EXPECT_EQ(Loads[0].ModReader, nullptr);
        EXPECT_EQ(Loads[0].SourceKind, 1);
        EXPECT_EQ(Loads[0].TemporaryFiles, std::set<std::string>{"demo_box.mdl"});
    }
    auto viewer = OpenViewer(DemoFolder() / "samples" / "sample.hak");
    int boxRow = -1;
    for (int row = 0; row < viewer->ListRes->RowCount(); ++row)
        if (Cell(viewer->ListRes, row, 1) == "demo_box")
            boxRow = row;
    ASSERT_GE(boxRow, 0);
    ClickRow(viewer->ListRes, boxRow);
    ASSERT_EQ(Loads.size(), 2u);
    EXPECT_EQ(Loads[1].ModReader, &viewer->Reader());
    EXPECT_EQ(Loads[1].KeyReader, nullptr);
    EXPECT_EQ(Loads[1].SourceKind, 0);
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
}

TEST_F(PreviewTest, AFailedLoadEnablesTheListsKeepsTheViewerAndReportsTheError)
{
    Settings().BifAutoPreview = false;
    auto browser = OpenBrowser(DemoKeyPath());
    Fake(kPreviewPicture, {browser->ListRes, browser->ListBif}, "Cannot decode \"demo_grass.tga\"");
    ClickRow(browser->ListRes, 1);
    DoubleClickRow(browser->ListRes, 1);
    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_EQ(ShownMessages[0].Text, "Cannot decode \"demo_grass.tga\"");
    EXPECT_EQ(ShownMessages[0].Icon, QMessageBox::Critical);
    ASSERT_EQ(Loads.size(), 1u);
    EXPECT_EQ(Loads[0].ListsEnabled, std::vector<bool>({false, false}));
    EXPECT_TRUE(browser->ListRes->isEnabled());
    EXPECT_TRUE(browser->ListBif->isEnabled());
    EXPECT_EQ(browser->PreviewKind(), kPreviewPicture);
    EXPECT_NE(browser->PreviewViewer(), nullptr);
    EXPECT_TRUE(FilesIn(TempFolder()).empty());

    // The next click works as usual.
    Settings().BifAutoPreview = true;
    Fake(kPreviewPicture);
    ClickRow(browser->ListRes, 0);
    EXPECT_EQ(ShownMessages.size(), 1u);
    EXPECT_EQ(Loads.size(), 2u);
}

TEST_F(PreviewTest, AFailedExportEnablesTheListsAndReportsTheError)
{
    auto browser = OpenBrowser(DemoKeyPath());
    Fake(kPreviewPicture);
    fs::remove_all(TempFolder()); // its creation at start failed
    ClickRow(browser->ListRes, RowOf(browser->ListRes, "demo_icon"));
    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_TRUE(ShownMessages[0].Text.startsWith("Cannot create file")) << ShownMessages[0].Text.toStdString();
    EXPECT_TRUE(ShownMessages[0].Text.contains("demo_icon.bmp"));
    EXPECT_TRUE(Loads.empty());
    EXPECT_TRUE(browser->ListRes->isEnabled());
    EXPECT_TRUE(browser->ListBif->isEnabled());
    EXPECT_EQ(browser->PreviewKind(), kPreviewPicture);
}

TEST_F(PreviewTest, TheErfViewerDisablesItsListWhileAPreviewIsBuilt)
{
    testdata::ErfBuilder erf("ERF ");
    erf.Add("readme", rt::TXT, "text");
    const fs::path path = fs::path(ProgramFolder()) / "one.erf";
    erf.WriteTo(path);
    Settings().ModAutoPreview = false;
    auto viewer = OpenViewer(path);
    Fake(kPreviewText, {viewer->ListRes});
    DoubleClickRow(viewer->ListRes, 0);
    ASSERT_EQ(Loads.size(), 1u);
    EXPECT_EQ(Loads[0].ListsEnabled, std::vector<bool>{false});
    EXPECT_EQ(Loads[0].Bytes, "text");
    EXPECT_TRUE(viewer->ListRes->isEnabled());
}

TEST_F(PreviewTest, TypeTwentySixtyIsNamedByEachReaderAndShownAsAGff)
{
    Fake(kPreviewGFF);
    testdata::KeyBifBuilder game;
    game.AddResource(game.AddBif("data\\sets.bif"), "sset", rt::SSF_ALIAS, "GFF bytes");
    const fs::path folder = NewFolder("game");
    game.WriteTo(folder);
    {
        auto browser = OpenBrowser(QString::fromStdString((folder / "chitin.key").string()));
        EXPECT_EQ(browser->PreviewKind(), kPreviewGFF);
    }
    testdata::ErfBuilder erf("MOD ");
    erf.Add("sset", rt::SSF_ALIAS, "GFF bytes");
    const fs::path archive = fs::path(ProgramFolder()) / "sets.mod";
    erf.WriteTo(archive);
    auto viewer = OpenViewer(archive);
    EXPECT_EQ(viewer->PreviewKind(), kPreviewGFF);
    ASSERT_EQ(Loads.size(), 2u);
    EXPECT_EQ(fs::path(Loads[0].Path.toStdString()).filename(), "sset.ssf");
    EXPECT_EQ(fs::path(Loads[1].Path.toStdString()).filename(), "sset.utw");
    EXPECT_EQ(Loads[1].Bytes, "GFF bytes");
}

TEST_F(PreviewTest, JournalsArePreviewedFromBothBrowsers)
{
    Fake(kPreviewGFF);
    testdata::KeyBifBuilder game;
    game.AddResource(game.AddBif("data\\journal.bif"), "module", 2056, "JRL V3.2");
    const fs::path folder = NewFolder("game");
    game.WriteTo(folder);
    auto browser = OpenBrowser(QString::fromStdString((folder / "chitin.key").string()));
    EXPECT_EQ(browser->PreviewKind(), kPreviewGFF);
    testdata::ErfBuilder erf("MOD ");
    erf.Add("module", 2056, "JRL V3.2");
    const fs::path archive = fs::path(ProgramFolder()) / "journal.mod";
    erf.WriteTo(archive);
    auto viewer = OpenViewer(archive);
    EXPECT_EQ(viewer->PreviewKind(), kPreviewGFF);
    ASSERT_EQ(Loads.size(), 2u);
    EXPECT_EQ(fs::path(Loads[0].Path.toStdString()).filename(), "module.jrl");
    EXPECT_EQ(fs::path(Loads[1].Path.toStdString()).filename(), "module.jrl");
}

TEST_F(PreviewTest, TheErfViewerPreviewsEachRowsOwnEntryWhateverItsResId)
{
    testdata::ErfBuilder erf("ERF ");
    erf.Add("alpha", rt::TXT, "alpha bytes");
    erf.Resources.back().ResId = 1;
    erf.Add("beta", rt::TXT, "beta bytes");
    erf.Resources.back().ResId = 0;
    erf.Add("stray", rt::TXT, "stray bytes");
    erf.Resources.back().ResId = 99;
    const fs::path path = fs::path(ProgramFolder()) / "ids.erf";
    erf.WriteTo(path);
    Fake(kPreviewText);
    auto viewer = OpenViewer(path);
    ClickRow(viewer->ListRes, 2);
    ASSERT_EQ(Loads.size(), 2u);
    for (std::size_t row = 0; row < Loads.size(); ++row) {
        const std::string name = row == 0 ? "alpha" : "stray";
        EXPECT_EQ(Loads[row].Bytes, name + " bytes");
        EXPECT_EQ(fs::path(Loads[row].Path.toStdString()).filename(), name + ".txt");
    }
    EXPECT_EQ(viewer->ListRes->model()->index(2, 0).data().toString(), "99") << "the ResID column stays as stored";
    EXPECT_TRUE(ShownMessages.empty());
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
}

TEST_F(PreviewTest, ADoubleClickPreviewsAgainAndGivesTheFocusBack)
{
    auto browser = OpenBrowser(DemoKeyPath());
    Fake(kPreviewPicture);
    ClickRow(browser->ListRes, 1);
    EXPECT_EQ(Loads.size(), 1u);
    browser->ListBif->setFocus();
    DoubleClickRow(browser->ListRes, 2);
    // The first click previews, the double click previews again; the release ending it does not.
    EXPECT_EQ(Loads.size(), 3u);
    EXPECT_EQ(browser->focusWidget(), browser->ListRes);
    EXPECT_EQ(browser->Panel1->findChildren<TFakeViewer *>().size(), 1);

    // Below the last row as well: the click and the double click preview the
    // focused row, the release ending the double click does not.
    TResourceView *list = browser->ListRes;
    const QRect last = list->visualRect(list->model()->index(list->RowCount() - 1, 1));
    ASSERT_LT(last.bottom() + 20, list->viewport()->height());
    QWindow *window = list->window()->windowHandle();
    const QPoint below = window->mapFromGlobal(list->viewport()->mapToGlobal(QPoint(last.center().x(), last.bottom() + 10)));
    QTest::mouseDClick(window, Qt::LeftButton, {}, below);
    EXPECT_EQ(Loads.size(), 5u);
    EXPECT_EQ(list->FocusedRow(), 2);
}

TEST_F(PreviewTest, OnlyOnePreviewExistsAtATime)
{
    auto browser = OpenBrowser(DemoKeyPath());
    Fake(kPreviewPicture);
    ClickRow(browser->ListRes, 0);
    QPointer<QWidget> first = browser->PreviewViewer();
    ASSERT_FALSE(first.isNull());
    ClickRow(browser->ListRes, 1);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(browser->Panel1->findChildren<TFakeViewer *>().size(), 1);
    browser->ClosePreview();
    EXPECT_EQ(browser->PreviewKind(), kPreviewNone);
    EXPECT_TRUE(browser->Panel1->findChildren<TFakeViewer *>().empty());
    EXPECT_TRUE(browser->Panel1->ShowsCaption());
}

TEST_F(PreviewTest, ClosingEitherBrowserClosesItsSoundPreviewAndItsFile)
{
    Fake(kPreviewSound);
    {
        auto browser = OpenBrowser(DemoKeyPath());
        ClickRow(browser->ListBif, kSoundsBif);
        QPointer<QWidget> sound = browser->PreviewViewer();
        ASSERT_EQ(FilesIn(TempFolder()), std::set<std::string>{"demo_beep.wav"});
        EXPECT_TRUE(browser->close());
        EXPECT_TRUE(sound.isNull());
        EXPECT_TRUE(FilesIn(TempFolder()).empty());
        EXPECT_EQ(browser->ListBif->RowCount(), 0);
    }
    {
        auto viewer = OpenViewer(DemoFolder() / "samples" / "sample.erf");
        int beepRow = -1;
        for (int row = 0; row < viewer->ListRes->RowCount(); ++row)
            if (Cell(viewer->ListRes, row, 1) == "demo_beep")
                beepRow = row;
        ASSERT_GE(beepRow, 0);
        ClickRow(viewer->ListRes, beepRow);
        ASSERT_EQ(FilesIn(TempFolder()), std::set<std::string>{"demo_beep.wav"});
        EXPECT_TRUE(viewer->close());
        EXPECT_TRUE(FilesIn(TempFolder()).empty());
    }
    // A browser destroyed without closing cleans up as well.
    {
        auto browser = OpenBrowser(DemoKeyPath());
        ClickRow(browser->ListBif, kSoundsBif);
        ASSERT_EQ(FilesIn(TempFolder()), std::set<std::string>{"demo_beep.wav"});
    }
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
}

// The keyboard moves the preview as the mouse does: the list keeps the focus
// after every click, and the preview follows the row the user stops on,
// whatever moved it there.
TEST_F(PreviewTest, ThePreviewFollowsTheCurrentRowWhateverMovesIt)
{
    testdata::ErfBuilder erf("ERF ");
    for (int i = 0; i < 30; ++i) {
        const std::string name = (i < 10 ? "r0" : "r") + std::to_string(i);
        erf.Add(name, rt::TXT, name);
    }
    const fs::path path = fs::path(ProgramFolder()) / "rows.erf";
    erf.WriteTo(path);
    Fake(kPreviewText);
    auto viewer = OpenViewer(path);
    viewer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer.get()));
    TResourceView *list = viewer->ListRes;
    auto keys = [](QKeySequence keys) {
        for (int i = 0; i < keys.count(); ++i)
            QTest::keyClick(QApplication::focusWidget(), keys[i].key(), keys[i].keyboardModifiers());
    };
    struct Step {
        const char *What;
        std::function<void()> Act;
        std::string Previewed;
    };
    const Step steps[] = {
        {"click", [&] { ClickRow(list, 1); }, "r01"},
        {"Down", [&] { keys(Qt::Key_Down); }, "r02"},
        {"End", [&] { keys(Qt::Key_End); }, "r29"},
        {"Home", [&] { keys(Qt::Key_Home); }, "r00"},
        {"double click", [&] { DoubleClickRow(list, 5); }, "r05"},
        {"Down after a double click", [&] { keys(Qt::Key_Down); }, "r06"},
        {"right click", [&] { if (QMenu *menu = RightClickRow(list, 10)) menu->close(); }, "r10"},
        {"Down after a right click", [&] { keys(Qt::Key_Down); }, "r11"},
        {"type-ahead", [&] { QTest::keyClicks(QApplication::focusWidget(), "r2"); }, "r20"},
    };
    for (const Step &step : steps) {
        step.Act();
        QTest::qWait(TRowFollower::kSettleMs * 3);
        ASSERT_FALSE(Loads.empty()) << step.What;
        EXPECT_EQ(Loads.back().Bytes, step.Previewed) << step.What;
        EXPECT_EQ(QApplication::focusWidget(), list) << step.What;
    }

    // Down held through the rest of the list: one preview, of the last row.
    const std::size_t before = Loads.size();
    for (int i = 0; i < 9; ++i)
        QTest::keyClick(list, Qt::Key_Down);
    QTest::qWait(TRowFollower::kSettleMs * 3);
    ASSERT_EQ(Loads.size(), before + 1);
    EXPECT_EQ(Loads.back().Bytes, "r29");
}
