// The ERF viewer on the demo samples and on made-up archives: list, clicks,
// previews, the two extract commands and their progress window.
#include "BrowserTestSupport.h"

#include "DemoFormats.h"

#include "app/UMain.h"
#include "app/USettings.h"
#include "archives/UFrm_ModView.h"
#include "testdata/ByteBuilder.h"
#include "testdata/ErfBuilder.h"
#include "testdata/ResTypeNumbers.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSplitter>
#include <QTest>

#include <filesystem>
#include <functional>
#include <memory>

namespace fs = std::filesystem;
namespace rt = testdata::restype;

namespace {

std::unique_ptr<TFrm_MODView> OpenViewer(const QString &path)
{
    auto viewer = std::make_unique<TFrm_MODView>();
    viewer->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(viewer.get()));
    viewer->OpenFile(path);
    return viewer;
}

QString PathText(const fs::path &path)
{
    return QString::fromStdString(path.string());
}

std::vector<QString> Statuses(const std::vector<TSeenProgress> &seen)
{
    std::vector<QString> statuses;
    for (const TSeenProgress &state : seen)
        if (!state.Status.isEmpty())
            statuses.push_back(state.Status);
    return statuses;
}

} // namespace

class ModViewTest : public TBrowserTest {
protected:
    // A small archive: a text first, so that automatic preview has something to show.
    fs::path WriteSampleArchive(const std::string &name = "sample.erf")
    {
        testdata::ErfBuilder erf("ERF ");
        erf.Add("readme", rt::TXT, "Hello from the archive.\r\n");
        erf.Add("module", rt::IFO, std::string(37, 'i'));
        erf.Add("demo_long_name16", rt::TXT, "sixteen");
        erf.Add("logo", rt::TGA, demo::MakeTga(demo::CheckerPicture(4, 4, 0xFF204080, 0xFFE0E0E0, 1)));
        const fs::path path = fs::path(ProgramFolder()) / name;
        erf.WriteTo(path);
        return path;
    }
};

TEST_F(ModViewTest, ListsTheDemoModuleWithTheFileNameInTheCaption)
{
    auto viewer = OpenViewer(DemoSample("sample.mod"));
    EXPECT_EQ(viewer->windowTitle(), "MOD HAK ERF Preview - sample.mod");
    TResourceView *list = viewer->ListRes;
    ASSERT_EQ(list->RowCount(), viewer->Reader().EntryCount);
    for (int row = 0; row < list->RowCount(); ++row)
        EXPECT_EQ(Cell(list, row, 0), QString::number(row)); // the packer numbers its entries
    const QStringList names = {"it_demo_sword", "baseitems", "module", "demo_onenter"};
    const QStringList types = {"UTI", "2DA", "IFO", "NSS"};
    int previous = -1;
    for (int i = 0; i < names.size(); ++i) {
        const int row = RowOf(list, names[i]);
        ASSERT_GT(row, previous) << names[i].toStdString() << " missing or out of order";
        EXPECT_EQ(Cell(list, row, 2), types[i]);
        previous = row;
    }
    EXPECT_EQ(RowOf(list, "it_demo_sword"), 0);
    EXPECT_EQ(Cell(list, 0, 3), QString::number(fs::file_size(DemoFolder() / "samples" / "it_demo_sword.uti")));
    EXPECT_EQ(Cell(list, RowOf(list, "baseitems"), 3),
              QString::number(fs::file_size(DemoFolder() / "samples" / "baseitems.2da")));
    EXPECT_EQ(viewer->ListRes->FocusedRow(), 0);
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(ModViewTest, EachRowShowsItsIdNameTypeAndSize)
{
    testdata::ErfBuilder erf("HAK ");
    erf.Add("first", rt::TXT, "12345");
    erf.Add("exactly16chars__", rt::UTC, std::string(1234, 'c'));
    erf.Add("odd", rt::TGA, "abc");
    erf.Resources.back().Reserved = 1; // a type word with a reserved word: no row of the table
    erf.Add("waypoint", rt::SSF_ALIAS, "w");
    erf.Add("Mixed", rt::MVE, "");
    erf.Resources.back().ResId = 77;
    const fs::path path = fs::path(ProgramFolder()) / "rows.hak";
    erf.WriteTo(path);

    auto viewer = OpenViewer(PathText(path));
    ASSERT_EQ(viewer->ListRes->RowCount(), 5);
    EXPECT_EQ(RowTexts(viewer->ListRes, 0), QStringList({"0", "first", "TXT", "5"}));
    EXPECT_EQ(RowTexts(viewer->ListRes, 1), QStringList({"1", "exactly16chars__", "UTC", "1234"}));
    EXPECT_EQ(RowTexts(viewer->ListRes, 2), QStringList({"2", "odd", "RAW", "3"}));
    EXPECT_EQ(RowTexts(viewer->ListRes, 3), QStringList({"3", "waypoint", "UTW", "1"}));
    EXPECT_EQ(RowTexts(viewer->ListRes, 4), QStringList({"77", "Mixed", "MVE", "0"}));
}

TEST_F(ModViewTest, ComponentsCarryTheirNamesCaptionsAndDesignedLayout)
{
    {
        TFrm_MODView fresh;
        EXPECT_EQ(fresh.size(), QSize(748, 426));
        EXPECT_EQ(fresh.windowTitle(), "MOD HAK ERF Preview");
    }
    // As the user gets it: a child window of a main window with room for it.
    auto main = CreateMainWindow();
    main->resize(1100, 800);
    auto *viewer = new TFrm_MODView;
    main->AddChildWindow(viewer);
    viewer->OpenFile(PathText(WriteSampleArchive()));
    QApplication::processEvents();
    EXPECT_EQ(viewer->size(), QSize(748, 426));
    EXPECT_EQ(viewer->findChild<TPreviewPanel *>("Panel1"), viewer->Panel1);
    EXPECT_EQ(viewer->findChild<QWidget *>("Panel2"), viewer->Panel2);
    EXPECT_EQ(viewer->findChild<TCaptionStrip *>("Panel_Filelist"), viewer->Panel_Filelist);
    EXPECT_EQ(viewer->findChild<TResourceView *>("ListRes"), viewer->ListRes);
    EXPECT_EQ(viewer->findChild<QSplitter *>("Splitter1"), viewer->Splitter1);
    EXPECT_EQ(viewer->findChild<TOpenDirDialog *>("OpenDirDialog"), viewer->OpenDirDialog);
    EXPECT_EQ(viewer->Panel_Filelist->Caption(), "FILE LIST");
    EXPECT_EQ(viewer->Panel1->Caption(), "Double Click for preview file if you have desactivate autopreview");
    EXPECT_EQ(viewer->OpenDirDialog->Caption(), "Extract Directory");
    EXPECT_EQ(viewer->OpenDirDialog->Title(), "Extract Directory");
    QMenu *popup = viewer->findChild<QMenu *>("PopupMenu2");
    ASSERT_EQ(popup, viewer->PopupMenu2);
    ASSERT_EQ(popup->actions().size(), 2);
    EXPECT_EQ(popup->actions()[0]->objectName(), "ExtractTo");
    EXPECT_EQ(popup->actions()[0]->text(), "Extract file(s) to ..");
    EXPECT_EQ(popup->actions()[1]->objectName(), "ExtractAll1");
    EXPECT_EQ(popup->actions()[1]->text(), "Extract All");
    EXPECT_EQ(viewer->ListRes->PopupMenu(), popup);

    EXPECT_EQ(viewer->Splitter1->handleWidth(), 3);
    EXPECT_EQ(viewer->Panel2->width(), 306);
    EXPECT_GE(viewer->Panel_Filelist->height(), 16);
    EXPECT_LT(viewer->Panel_Filelist->mapTo(viewer->Panel2, QPoint(0, 0)).y(),
              viewer->ListRes->mapTo(viewer->Panel2, QPoint(0, 0)).y());

    const QStringList captions = {"ID", "Name", "Type", "File Size"};
    const int widths[] = {40, 135, 50, 60};
    const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    TResourceView *list = viewer->ListRes;
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(list->model()->headerData(c, Qt::Horizontal).toString(), captions[c]);
        EXPECT_EQ(list->horizontalHeader()->sectionSize(c), widths[c]);
        const auto alignment = Qt::Alignment(list->model()->index(0, c).data(Qt::TextAlignmentRole).toInt());
        EXPECT_EQ(alignment & Qt::AlignHorizontal_Mask, alignments[c]);
    }
    EXPECT_TRUE(list->showGrid());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_TRUE(list->horizontalHeader()->isSortIndicatorShown());
    EXPECT_FALSE(list->isSortingEnabled());
}

TEST_F(ModViewTest, AnEmptyArchiveListsNothingExtractsNothingAndPreviewsNothing)
{
    testdata::ErfBuilder erf("MOD ");
    const fs::path path = fs::path(ProgramFolder()) / "empty.mod";
    erf.WriteTo(path);
    auto viewer = OpenViewer(PathText(path));
    EXPECT_EQ(viewer->windowTitle(), "MOD HAK ERF Preview - empty.mod");
    EXPECT_EQ(viewer->ListRes->RowCount(), 0);
    EXPECT_EQ(viewer->PreviewKind(), kPreviewNone);
    EXPECT_TRUE(viewer->Panel1->ShowsCaption());
    FolderAnswers.push_back(PathText(NewFolder("out")));
    viewer->ExtractAll1->trigger();
    viewer->ExtractTo->trigger();
    EXPECT_TRUE(FolderRequests.empty());
    EXPECT_TRUE(SeenProgress.empty());
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(ModViewTest, AutomaticPreviewShowsTheFirstResourceAtOnce)
{
    ASSERT_TRUE(PreviewViewerType(kPreviewText).Create) << "no text viewer";
    auto viewer = OpenViewer(PathText(WriteSampleArchive()));
    EXPECT_EQ(viewer->PreviewKind(), kPreviewText);
    ASSERT_NE(viewer->PreviewViewer(), nullptr);
    EXPECT_EQ(viewer->PreviewViewer()->parentWidget(), viewer->Panel1);
    EXPECT_FALSE(viewer->Panel1->ShowsCaption());
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
    ClickRow(viewer->ListRes, 3); // logo.tga
    EXPECT_EQ(viewer->PreviewKind(), kPreviewPicture);
    ClickRow(viewer->ListRes, 2);
    EXPECT_EQ(viewer->PreviewKind(), kPreviewText);
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(ModViewTest, WithoutAutomaticPreviewTheCaptionShowsUntilADoubleClick)
{
    Settings().ModAutoPreview = false;
    auto viewer = OpenViewer(PathText(WriteSampleArchive()));
    EXPECT_EQ(viewer->PreviewKind(), kPreviewNone);
    EXPECT_TRUE(viewer->Panel1->ShowsCaption());
    ClickRow(viewer->ListRes, 2);
    EXPECT_EQ(viewer->PreviewKind(), kPreviewNone);
    DoubleClickRow(viewer->ListRes, 2);
    EXPECT_EQ(viewer->PreviewKind(), kPreviewText);
    EXPECT_FALSE(viewer->Panel1->ShowsCaption());
}

TEST_F(ModViewTest, SelectingTwoRowsClosesThePreviewAndShowsNone)
{
    auto viewer = OpenViewer(PathText(WriteSampleArchive()));
    ASSERT_EQ(viewer->PreviewKind(), kPreviewText);
    ClickRow(viewer->ListRes, 2, Qt::ControlModifier);
    EXPECT_EQ(viewer->ListRes->SelectedRows(), std::vector<int>({0, 2}));
    EXPECT_EQ(viewer->PreviewKind(), kPreviewNone);
    EXPECT_EQ(viewer->PreviewViewer(), nullptr);
    EXPECT_TRUE(viewer->Panel1->ShowsCaption());
}

TEST_F(ModViewTest, SelectedDuplicatesAreWrittenFromTheFirstEntryEachTime)
{
    testdata::ErfBuilder erf("ERF ");
    erf.Add("dup", rt::TXT, "the first one");
    erf.Add("dup", rt::TXT, "the second one");
    erf.Add("other", rt::TXT, "other");
    const fs::path path = fs::path(ProgramFolder()) / "dups.erf";
    erf.WriteTo(path);
    auto viewer = OpenViewer(PathText(path));
    WatchedBrowser = viewer.get();
    ClickRow(viewer->ListRes, 1, Qt::ControlModifier);
    ASSERT_EQ(viewer->ListRes->SelectedRows(), std::vector<int>({0, 1}));
    const fs::path out = NewFolder("out");
    FolderAnswers.push_back(PathText(out));
    ChooseFromContextMenu(viewer->ListRes, 1, viewer->ExtractTo);

    EXPECT_EQ(FilesIn(out), std::set<std::string>{"dup.txt"});
    EXPECT_EQ(ReadBytes(out / "dup.txt"), "the first one");
    ASSERT_EQ(SeenProgress.size(), 3u);
    EXPECT_EQ(SeenProgress[0].Caption, "Exporting resources");
    EXPECT_EQ(SeenProgress[0].Maximum, 2);
    EXPECT_EQ(Statuses(SeenProgress), std::vector<QString>({"Exporting : dup.TXT", "Exporting : dup.TXT"}));
    EXPECT_EQ(SeenProgress[2].Position, 2);
    for (const TSeenProgress &state : SeenProgress)
        EXPECT_FALSE(state.BrowserEnabled);
    EXPECT_TRUE(viewer->isEnabled());
    EXPECT_EQ(ProgressWindowCount(), 0);
}

TEST_F(ModViewTest, ExtractAllWritesEveryEntryAndNamesItWithItsDot)
{
    auto viewer = OpenViewer(PathText(WriteSampleArchive()));
    WatchedBrowser = viewer.get();
    ClickRow(viewer->ListRes, 2); // a selection does not narrow "Extract All"
    const fs::path out = NewFolder("all");
    FolderAnswers.push_back(PathText(out));
    ChooseFromContextMenu(viewer->ListRes, 2, viewer->ExtractAll1);

    EXPECT_EQ(FilesIn(out), std::set<std::string>({"readme.txt", "module.ifo", "demo_long_name16.txt", "logo.tga"}));
    EXPECT_EQ(ReadBytes(out / "module.ifo"), std::string(37, 'i'));
    ASSERT_FALSE(SeenProgress.empty());
    EXPECT_EQ(SeenProgress.front().Caption, "Exporting resources");
    EXPECT_EQ(SeenProgress.front().Maximum, 4);
    EXPECT_EQ(SeenProgress.back().Position, 4);
    EXPECT_EQ(Statuses(SeenProgress),
              std::vector<QString>({"Exporting : readme.txt", "Exporting : module.ifo",
                                    "Exporting : demo_long_name16.txt", "Exporting : logo.tga"}));
    for (const TSeenProgress &state : SeenProgress)
        EXPECT_FALSE(state.BrowserEnabled);
    EXPECT_TRUE(viewer->isEnabled());
    EXPECT_EQ(ProgressWindowCount(), 0);
    EXPECT_FALSE(viewer->Reader().OnExtract);
}

TEST_F(ModViewTest, AnUnknownTypeShowsRawAndIsWrittenAsRaw)
{
    testdata::ErfBuilder erf("MOD ");
    erf.Add("mystery", rt::UNKNOWN, "????");
    erf.Add("reserved", rt::TXT, "text");
    erf.Resources.back().Reserved = 3;
    const fs::path path = fs::path(ProgramFolder()) / "raw.mod";
    erf.WriteTo(path);
    auto viewer = OpenViewer(PathText(path));
    EXPECT_EQ(Cell(viewer->ListRes, 0, 2), "RAW");
    EXPECT_EQ(Cell(viewer->ListRes, 1, 2), "RAW");
    EXPECT_EQ(viewer->PreviewKind(), kPreviewNone);
    ClickRow(viewer->ListRes, 1);
    EXPECT_EQ(viewer->PreviewKind(), kPreviewNone);
    const fs::path out = NewFolder("out");
    FolderAnswers.push_back(PathText(out));
    ChooseFromContextMenu(viewer->ListRes, 0, viewer->ExtractTo);
    EXPECT_EQ(FilesIn(out), std::set<std::string>{"mystery.raw"});
    EXPECT_EQ(Statuses(SeenProgress), std::vector<QString>{"Exporting : mystery.RAW"});
}

TEST_F(ModViewTest, TheChosenFolderIsOfferedAgainAndNewWindowsStartFromTheSetting)
{
    const fs::path preset = NewFolder("preset");
    Settings().ModDefaultDir = preset.string();
    const fs::path chosen = NewFolder("chosen");
    const QString archive = PathText(WriteSampleArchive());
    {
        auto viewer = OpenViewer(archive);
        FolderAnswers.push_back(PathText(chosen));
        ChooseFromContextMenu(viewer->ListRes, 0, viewer->ExtractTo);
        ChooseFromContextMenu(viewer->ListRes, 0, viewer->ExtractAll1); // cancelled
        ASSERT_EQ(FolderRequests.size(), 2u);
        EXPECT_EQ(FolderRequests[0].StartFolder.toStdString(), preset.string());
        EXPECT_EQ(FolderRequests[0].Caption, "Extract Directory");
        EXPECT_EQ(FolderRequests[0].Title, "Extract Directory");
        EXPECT_EQ(FolderRequests[1].StartFolder.toStdString(), chosen.string());
        EXPECT_EQ(FilesIn(chosen), std::set<std::string>{"readme.txt"});
    }
    auto second = OpenViewer(archive);
    ChooseFromContextMenu(second->ListRes, 0, second->ExtractTo);
    ASSERT_EQ(FolderRequests.size(), 3u);
    EXPECT_EQ(FolderRequests[2].StartFolder.toStdString(), preset.string());
}

TEST_F(ModViewTest, AFailedExtractionCleansUpAndReachesTheErrorReport)
{
    auto viewer = OpenViewer(PathText(WriteSampleArchive()));
    WatchedBrowser = viewer.get();
    const fs::path blocker = fs::path(ProgramFolder()) / "blocker";
    testdata::WriteFile(blocker, "not a folder");
    const QString target = PathText(blocker / "out");

    FolderAnswers.push_back(target);
    ChooseFromContextMenu(viewer->ListRes, 0, viewer->ExtractAll1);
    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_EQ(ShownMessages[0].Icon, QMessageBox::Critical);
    EXPECT_TRUE(ShownMessages[0].Text.startsWith("Cannot create file")) << ShownMessages[0].Text.toStdString();
    EXPECT_TRUE(ShownMessages[0].Text.contains("readme.txt"));
    EXPECT_FALSE(viewer->Reader().OnExtract);
    EXPECT_TRUE(viewer->isEnabled());
    EXPECT_EQ(ProgressWindowCount(), 0);
    ASSERT_FALSE(SeenProgress.empty());
    EXPECT_FALSE(SeenProgress.back().BrowserEnabled);

    FolderAnswers.push_back(target);
    ChooseFromContextMenu(viewer->ListRes, 3, viewer->ExtractTo);
    ASSERT_EQ(ShownMessages.size(), 2u);
    EXPECT_TRUE(ShownMessages[1].Text.contains("logo.tga"));
    EXPECT_TRUE(viewer->isEnabled());
    EXPECT_EQ(ProgressWindowCount(), 0);
}

TEST_F(ModViewTest, AMissingFileLeavesAnEmptyListWithoutAMessage)
{
    auto viewer = OpenViewer(QString::fromStdString(ProgramFolder() + "gone.hak"));
    EXPECT_EQ(viewer->windowTitle(), "MOD HAK ERF Preview - gone.hak");
    EXPECT_EQ(viewer->ListRes->RowCount(), 0);
    EXPECT_TRUE(ShownMessages.empty());
}

// Another kind of file shows nothing; lists running past the end of the file
// show what lies inside it. Both are reported by the reader, naming the file.
TEST_F(ModViewTest, FilesOfAnotherKindOrDamagedAreReportedByTheReader)
{
    struct Case {
        const char *File;
        std::function<std::string()> Make;
        QString Message; // after the quoted path
        int Rows;
    };
    const auto sample = [](std::uint32_t count, std::uint32_t keyList) {
        testdata::ErfBuilder erf("MOD ");
        erf.Add("first", rt::TXT, "1");
        erf.Add("second", rt::TXT, "2");
        erf.EntryCountField = count;
        erf.KeyListOffsetField = keyList;
        return erf.Build();
    };
    const Case cases[] = {
        {"blueprint.mod", [] { return "UTI V3.2" + std::string(200, '\0'); }, ": Not a Duskmere MOD/HAK/ERF File.", 0},
        {"billions.mod", [&] { return sample(1900000000, 0x7FFFFFF0); },
         " is damaged: its header announces 1900000000 entries, but only 0 lie inside it.", 0},
        {"cut.mod", [&] { return sample(5, 160); },
         " is damaged: its header announces 5 entries, but only 2 lie inside it.", 2},
    };
    for (const Case &c : cases) {
        ShownMessages.clear();
        const fs::path path = fs::path(ProgramFolder()) / c.File;
        testdata::WriteFile(path, c.Make());
        auto viewer = OpenViewer(PathText(path));
        ASSERT_EQ(ShownMessages.size(), 1u) << c.File;
        EXPECT_EQ(ShownMessages[0].Text, "\"" + PathText(path) + "\"" + c.Message);
        EXPECT_EQ(viewer->ListRes->RowCount(), c.Rows) << c.File;
        EXPECT_EQ(viewer->windowTitle(), "MOD HAK ERF Preview - " + QString(c.File));
    }
}

TEST_F(ModViewTest, TheViewerLoadsOneArchiveInItsLife)
{
    auto viewer = OpenViewer(PathText(WriteSampleArchive()));
    viewer->OpenFile(DemoSample("sample.mod"));
    EXPECT_EQ(viewer->windowTitle(), "MOD HAK ERF Preview - sample.erf");
    EXPECT_EQ(Cell(viewer->ListRes, 0, 1), "readme");
}

TEST_F(ModViewTest, TwoArchivesOpenInTwoIndependentWindows)
{
    auto main = CreateMainWindow();
    OpenFileAnswers.push_back(DemoSample("sample.mod"));
    OpenFileAnswers.push_back(PathText(WriteSampleArchive("second.erf")));
    ClickMenuCommand(main.get(), {"File1", "MODHAKERF1"}, "OpenMod");
    ClickMenuCommand(main.get(), {"File1", "MODHAKERF1"}, "OpenMod");
    QList<QMdiSubWindow *> children = main->MdiArea()->subWindowList(QMdiArea::CreationOrder);
    ASSERT_EQ(children.size(), 2);
    auto *first = qobject_cast<TFrm_MODView *>(children[0]->widget());
    auto *second = qobject_cast<TFrm_MODView *>(children[1]->widget());
    ASSERT_TRUE(first && second);
    EXPECT_EQ(children[0]->windowTitle(), "MOD HAK ERF Preview - sample.mod");
    EXPECT_EQ(children[1]->windowTitle(), "MOD HAK ERF Preview - second.erf");
    EXPECT_EQ(first->ListRes->RowCount(), first->Reader().EntryCount);
    EXPECT_EQ(Cell(first->ListRes, 0, 1), "it_demo_sword");
    EXPECT_EQ(Cell(second->ListRes, 0, 1), "readme");
    EXPECT_NE(first->OpenDirDialog, second->OpenDirDialog);

    QPointer<TFrm_MODView> closed = first;
    children[0]->close();
    EXPECT_TRUE(QTest::qWaitFor([&closed] { return closed.isNull(); }, 2000));
    ASSERT_EQ(main->MdiArea()->subWindowList().size(), 1);
    main->MdiArea()->setActiveSubWindow(children[1]);

    ClickRow(second->ListRes, 2);
    EXPECT_EQ(second->ListRes->FocusedRow(), 2);
    EXPECT_EQ(second->PreviewKind(), kPreviewText);
    const fs::path out = NewFolder("out");
    FolderAnswers.push_back(PathText(out));
    WatchedBrowser = children[1];
    ChooseFromContextMenu(second->ListRes, 2, second->ExtractTo);
    EXPECT_EQ(FilesIn(out), std::set<std::string>{"demo_long_name16.txt"});
    ASSERT_FALSE(SeenProgress.empty());
    EXPECT_FALSE(SeenProgress.back().BrowserEnabled);
    EXPECT_TRUE(children[1]->isEnabled());
}

TEST_F(ModViewTest, TwentyThousandEntriesAreListedThroughTheModel)
{
    testdata::ErfBuilder erf("HAK ");
    for (int i = 0; i < 20000; ++i)
        erf.Add("entry" + std::to_string(i), rt::UNKNOWN, "e");
    const fs::path path = fs::path(ProgramFolder()) / "big.hak";
    erf.WriteTo(path);
    auto viewer = OpenViewer(PathText(path));
    TResourceView *list = viewer->ListRes;
    ASSERT_EQ(list->RowCount(), 20000);
    EXPECT_EQ(RowTexts(list, 19999), QStringList({"19999", "entry19999", "RAW", "1"}));
    list->scrollToBottom();
    ClickRow(list, 19998);
    EXPECT_EQ(list->FocusedRow(), 19998);
    ClickRow(list, 0, Qt::ShiftModifier);
    EXPECT_EQ(list->SelectedRows().size(), 19999u);
    EXPECT_EQ(list->model(), static_cast<QAbstractItemModel *>(list->ListModel()));
    EXPECT_EQ(list->indexWidget(list->model()->index(0, 1)), nullptr);
    EXPECT_LE(list->viewport()->findChildren<QWidget *>().size(), 1);
    EXPECT_EQ(list->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
}

// Cancel in the progress window stops both exports after the file being
// written: the files written are whole, the window works again, no message.
TEST_F(ModViewTest, CancelStopsAnExportAfterTheFileBeingWritten)
{
    testdata::ErfBuilder erf("ERF ");
    for (int i = 0; i < 8; ++i)
        erf.Add("part" + std::to_string(i), rt::TXT, std::string(5000, char('a' + i)));
    const fs::path path = fs::path(ProgramFolder()) / "parts.erf";
    erf.WriteTo(path);
    auto viewer = OpenViewer(PathText(path));
    int steps = 0;
    const TExportObserver previous = SetExportObserver([&steps](const TFrm_Progress &progress) {
        if (!progress.StaticText1->text().startsWith("Exporting") || ++steps != 3)
            return;
        QTest::mouseClick(progress.Btn_Cancel, Qt::LeftButton);
    });
    for (QAction *command : {viewer->ExtractTo, viewer->ExtractAll1}) {
        steps = 0;
        const fs::path out = NewFolder(command->objectName().toStdString());
        FolderAnswers.push_back(PathText(out));
        viewer->ListRes->selectAll();
        command->trigger();
        const std::set<std::string> written = FilesIn(out);
        EXPECT_EQ(written.size(), 3u) << command->objectName().toStdString();
        for (const std::string &name : written)
            EXPECT_EQ(ReadBytes(out / name).size(), 5000u) << name;
        EXPECT_TRUE(viewer->isEnabled());
        EXPECT_EQ(ProgressWindowCount(), 0);
    }
    SetExportObserver(previous);
    EXPECT_TRUE(ShownMessages.empty());
}
