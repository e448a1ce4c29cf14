// The BIF browser on the demo game and on made-up KEY files: lists, clicks,
// previews, the four extract commands and their progress window.
#include "BrowserTestSupport.h"

#include "app/UMain.h"
#include "app/USettings.h"
#include "app/UUtil.h"
#include "archives/UFrm_BIF.h"
#include "testdata/ByteBuilder.h"
#include "testdata/KeyBifBuilder.h"
#include "testdata/ResTypeNumbers.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSplitter>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;
namespace rt = testdata::restype;

namespace {

const QStringList kDemoBifNames = {"data\\Textures.bif", "data\\templates.bif", "data\\scripts.bif",
                                   "data\\sounds.bif", "data\\models.bif"};
const QStringList kDemoBifDiskNames = {"data/textures.bif", "data/templates.bif", "data/scripts.bif",
                                       "data/sounds.bif", "data/models.bif"};
constexpr int kTexturesBif = 0;
constexpr int kTemplatesBif = 1;
constexpr int kScriptsBif = 2;

std::unique_ptr<TFrm_BIF> ShowBrowser()
{
    auto browser = std::make_unique<TFrm_BIF>();
    browser->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(browser.get()));
    return browser;
}

std::unique_ptr<TFrm_BIF> OpenBrowser(const QString &keyPath)
{
    auto browser = ShowBrowser();
    browser->OpenFile(keyPath);
    return browser;
}

QString SizeOf(const fs::path &path)
{
    return QString::number(fs::file_size(path));
}

QString DemoFileSize(const std::string &looseName)
{
    return SizeOf(DemoFolder() / "samples" / looseName);
}

// The files an extraction of a BIF writes, in the reader's order.
std::vector<std::string> OutputNames(const TFrm_BIF &browser, int bif)
{
    std::vector<std::string> names;
    for (const RKEY_RESSOURCE &res : browser.Reader().Bifs.at(std::size_t(bif)).Resources)
        names.push_back(browser.Reader().OutputName(res));
    return names;
}

std::vector<QString> ExportTexts(const std::vector<std::string> &names)
{
    std::vector<QString> texts;
    for (const std::string &name : names)
        texts.push_back("Exporting : " + QString::fromStdString(name));
    return texts;
}

std::vector<QString> Statuses(const std::vector<TSeenProgress> &seen)
{
    std::vector<QString> statuses;
    for (const TSeenProgress &state : seen)
        if (!state.Status.isEmpty() && (statuses.empty() || statuses.back() != state.Status))
            statuses.push_back(state.Status);
    return statuses;
}


// A game folder of its own: every BIF named "data\bN.bif", resources of one byte each.
fs::path WriteKey(const fs::path &folder, testdata::KeyBifBuilder &builder)
{
    builder.WriteTo(folder);
    return folder / "chitin.key";
}

} // namespace

class BifBrowserTest : public TBrowserTest {};

TEST_F(BifBrowserTest, OpensTheDemoKeyWithItsBifsAndTheFirstBifsResources)
{
    auto browser = OpenBrowser(DemoKeyPath());
    EXPECT_EQ(browser->windowTitle(), "BIF Preview");
    ASSERT_EQ(browser->ListBif->RowCount(), kDemoBifNames.size());
    for (int bif = 0; bif < kDemoBifNames.size(); ++bif) {
        EXPECT_EQ(Cell(browser->ListBif, bif, 0), QString::number(bif));
        EXPECT_EQ(Cell(browser->ListBif, bif, 1), kDemoBifNames[bif]);
        EXPECT_EQ(Cell(browser->ListBif, bif, 2),
                  SizeOf(DemoFolder() / "game" / kDemoBifDiskNames[bif].toStdString()));
    }
    EXPECT_EQ(browser->ListBif->FocusedRow(), 0);
    EXPECT_EQ(browser->ListBif->SelectedRows(), std::vector<int>{0});

    // The first BIF's resources, in index order.
    TResourceView *list = browser->ListRes;
    ASSERT_EQ(QString::number(list->RowCount()), Cell(browser->ListBif, 0, 3));
    for (int row = 0; row < list->RowCount(); ++row)
        EXPECT_EQ(Cell(list, row, 0), QString::number(row));
    const int stone = RowOf(list, "demo_stone");
    const int grass = RowOf(list, "demo_grass");
    const int icon = RowOf(list, "demo_icon");
    ASSERT_EQ(stone, 0);
    ASSERT_GT(grass, stone);
    ASSERT_GT(icon, grass);
    EXPECT_EQ(RowTexts(list, stone), QStringList({"0", "demo_stone", "TGA", DemoFileSize("demo_stone.tga")}));
    EXPECT_EQ(Cell(list, grass, 2), "TGA");
    EXPECT_EQ(RowTexts(list, icon),
              QStringList({QString::number(icon), "demo_icon", "BMP", DemoFileSize("demo_icon.bmp")}));
    EXPECT_EQ(list->FocusedRow(), 0);

    // "Num Res" counts the rows each BIF lists.
    for (int bif = 0; bif < kDemoBifNames.size(); ++bif) {
        ClickRow(browser->ListBif, bif);
        EXPECT_EQ(QString::number(list->RowCount()), Cell(browser->ListBif, bif, 3)) << "BIF " << bif;
        EXPECT_GT(list->RowCount(), 0);
    }
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(BifBrowserTest, ComponentsCarryTheirNamesCaptionsAndDesignedLayout)
{
    // As the user gets it: a child window of a main window with room for it.
    auto main = CreateMainWindow();
    main->resize(1100, 800);
    auto *browser = new TFrm_BIF;
    main->AddChildWindow(browser);
    browser->OpenFile(DemoKeyPath());
    QApplication::processEvents();
    EXPECT_EQ(browser->size(), QSize(748, 447));

    EXPECT_EQ(browser->findChild<TPreviewPanel *>("Panel1"), browser->Panel1);
    EXPECT_EQ(browser->findChild<QWidget *>("Panel2"), browser->Panel2);
    EXPECT_EQ(browser->findChild<TCaptionStrip *>("Panel_BifList"), browser->Panel_BifList);
    EXPECT_EQ(browser->findChild<TCaptionStrip *>("Panel_FileList"), browser->Panel_FileList);
    EXPECT_EQ(browser->findChild<TResourceView *>("ListBif"), browser->ListBif);
    EXPECT_EQ(browser->findChild<TResourceView *>("ListRes"), browser->ListRes);
    EXPECT_EQ(browser->findChild<QSplitter *>("Splitter1"), browser->Splitter1);
    EXPECT_EQ(browser->findChild<QSplitter *>("Splitter2"), browser->Splitter2);
    EXPECT_EQ(browser->findChild<TOpenDirDialog *>("OpenDirDialog"), browser->OpenDirDialog);
    EXPECT_EQ(browser->Panel_BifList->Caption(), "BIF LIST");
    EXPECT_EQ(browser->Panel_FileList->Caption(), "FILE LIST");
    EXPECT_EQ(browser->Panel1->Caption(), "Double Click for preview file if you have desactivate autopreview");
    EXPECT_EQ(browser->OpenDirDialog->Caption(), "Extract Directory");
    EXPECT_EQ(browser->OpenDirDialog->Title(), "Extract Directory");

    QMenu *popup1 = browser->findChild<QMenu *>("PopupMenu1");
    QMenu *popup2 = browser->findChild<QMenu *>("PopupMenu2");
    ASSERT_EQ(popup1, browser->PopupMenu1);
    ASSERT_EQ(popup2, browser->PopupMenu2);
    ASSERT_EQ(popup1->actions().size(), 2);
    EXPECT_EQ(popup1->actions()[0]->objectName(), "Menu_ExtractBif");
    EXPECT_EQ(popup1->actions()[0]->text(), "Extract Bif file(s) to ..");
    EXPECT_EQ(popup1->actions()[1]->objectName(), "Menu_ExtractAllBif");
    EXPECT_EQ(popup1->actions()[1]->text(), "Extract all Bif files");
    ASSERT_EQ(popup2->actions().size(), 2);
    EXPECT_EQ(popup2->actions()[0]->objectName(), "ExtractTo");
    EXPECT_EQ(popup2->actions()[0]->text(), "Extract file(s) to ..");
    EXPECT_EQ(popup2->actions()[1]->objectName(), "ExtractAll1");
    EXPECT_EQ(popup2->actions()[1]->text(), "Extract All");
    EXPECT_EQ(browser->ListBif->PopupMenu(), popup1);
    EXPECT_EQ(browser->ListRes->PopupMenu(), popup2);

    // Left side 337 wide beside a 3-pixel splitter; BIF list 173 high under its strip.
    EXPECT_EQ(browser->Splitter1->orientation(), Qt::Horizontal);
    EXPECT_EQ(browser->Splitter2->orientation(), Qt::Vertical);
    EXPECT_EQ(browser->Splitter1->handleWidth(), 3);
    EXPECT_EQ(browser->Splitter2->handleWidth(), 3);
    EXPECT_EQ(browser->Panel2->width(), 337);
    EXPECT_NEAR(browser->ListBif->height(), 173, 2);
    EXPECT_GE(browser->Panel_BifList->height(), 16);
    EXPECT_EQ(browser->Panel_BifList->height(), browser->Panel_FileList->height());
    auto top = [&](QWidget *widget) { return widget->mapTo(browser->Panel2, QPoint(0, 0)).y(); };
    EXPECT_EQ(top(browser->Panel_BifList), 0);
    EXPECT_LT(top(browser->Panel_BifList), top(browser->ListBif));
    EXPECT_LT(top(browser->ListBif), top(browser->Panel_FileList));
    EXPECT_LT(top(browser->Panel_FileList), top(browser->ListRes));
    EXPECT_GT(browser->Panel1->mapTo(browser, QPoint(0, 0)).x(), browser->Panel2->width());
    EXPECT_EQ(browser->Panel1->width(), 748 - 337 - 3);
}

TEST_F(BifBrowserTest, ListColumnsHaveTheirCaptionsWidthsAndAlignments)
{
    auto browser = OpenBrowser(DemoKeyPath());
    struct TColumn {
        QString Caption;
        int Width;
        Qt::Alignment Alignment;
    };
    auto check = [](TResourceView *list, const std::vector<TColumn> &columns) {
        ASSERT_EQ(list->model()->columnCount(), int(columns.size()));
        for (int c = 0; c < int(columns.size()); ++c) {
            EXPECT_EQ(list->model()->headerData(c, Qt::Horizontal).toString(), columns[c].Caption);
            EXPECT_EQ(list->horizontalHeader()->sectionSize(c), columns[c].Width) << columns[c].Caption.toStdString();
            const auto alignment = Qt::Alignment(list->model()->index(0, c).data(Qt::TextAlignmentRole).toInt());
            EXPECT_EQ(alignment & Qt::AlignHorizontal_Mask, columns[c].Alignment) << columns[c].Caption.toStdString();
            EXPECT_EQ(list->horizontalHeader()->sectionResizeMode(c), QHeaderView::Interactive);
        }
        EXPECT_TRUE(list->showGrid());
        EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
        EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
        EXPECT_FALSE(list->verticalHeader()->isVisible());
        EXPECT_TRUE(list->horizontalHeader()->isSortIndicatorShown());
        EXPECT_FALSE(list->isSortingEnabled());
    };
    check(browser->ListBif, {{"ID", 40, Qt::AlignLeft},
                             {"Name", 135, Qt::AlignLeft},
                             {"File Size", 70, Qt::AlignRight},
                             {"Num Res", 70, Qt::AlignRight}});
    check(browser->ListRes, {{"ID", 40, Qt::AlignLeft},
                             {"Name", 155, Qt::AlignLeft},
                             {"Type", 50, Qt::AlignHCenter},
                             {"File Size", 70, Qt::AlignRight}});
}

TEST_F(BifBrowserTest, ClickingAHeaderShowsASortMarkButKeepsTheReadersOrder)
{
    auto browser = OpenBrowser(DemoKeyPath());
    auto names = [&browser] {
        QStringList shown;
        for (int row = 0; row < browser->ListRes->RowCount(); ++row)
            shown << Cell(browser->ListRes, row, 1);
        return shown;
    };
    const QStringList readerOrder = names();
    ASSERT_EQ(readerOrder.mid(0, 3), QStringList({"demo_stone", "demo_grass", "demo_icon"}));
    QHeaderView *header = browser->ListRes->horizontalHeader();
    const QPoint nameHeader(header->sectionViewportPosition(1) + header->sectionSize(1) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, nameHeader);
    EXPECT_EQ(header->sortIndicatorSection(), 1);
    EXPECT_EQ(names(), readerOrder);
    const Qt::SortOrder first = header->sortIndicatorOrder();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, nameHeader);
    EXPECT_NE(header->sortIndicatorOrder(), first);
    EXPECT_EQ(names(), readerOrder);
}

TEST_F(BifBrowserTest, ClickingABifListsItsResources)
{
    auto browser = OpenBrowser(DemoKeyPath());
    ClickRow(browser->ListBif, kScriptsBif);
    EXPECT_EQ(browser->ListBif->FocusedRow(), kScriptsBif);
    TResourceView *list = browser->ListRes;
    ASSERT_EQ(QString::number(list->RowCount()), Cell(browser->ListBif, kScriptsBif, 3));
    EXPECT_EQ(Cell(list, 0, 1), "readme");
    const QStringList names = {"readme", "demo_settings", "demo_onenter", "demo_long_name16", "empty", "demo_blob"};
    const QStringList types = {"TXT", "INI", "NSS", "TXT", "TXT", "RAW"};
    for (int i = 0; i < names.size(); ++i) {
        const int row = RowOf(list, names[i]);
        ASSERT_GE(row, 0) << names[i].toStdString();
        EXPECT_EQ(Cell(list, row, 0), QString::number(row));
        EXPECT_EQ(Cell(list, row, 2), types[i]);
    }
    EXPECT_EQ(Cell(list, RowOf(list, "readme"), 3), DemoFileSize("readme.txt"));
    EXPECT_EQ(Cell(list, RowOf(list, "empty"), 3), "0");
    EXPECT_EQ(list->FocusedRow(), 0);

    ClickRow(browser->ListBif, kTemplatesBif);
    ASSERT_EQ(QString::number(list->RowCount()), Cell(browser->ListBif, kTemplatesBif, 3));
    EXPECT_EQ(Cell(list, RowOf(list, "baseitems"), 2), "2DA");
    EXPECT_EQ(Cell(list, RowOf(list, "baseitems"), 3), DemoFileSize("baseitems.2da"));
    EXPECT_EQ(Cell(list, RowOf(list, "vs_demo"), 2), "SSF");
    EXPECT_EQ(Cell(list, RowOf(list, "it_demo_sword"), 2), "UTI");

    // The keys move through the BIFs too: the one the user stops on is listed.
    QTest::keyClick(browser->ListBif, Qt::Key_Down);
    QTest::qWait(TRowFollower::kSettleMs * 3);
    EXPECT_EQ(QString::number(list->RowCount()), Cell(browser->ListBif, kTemplatesBif + 1, 3));
}

TEST_F(BifBrowserTest, AutoPreviewShowsTheFirstResourceAndEveryClickedOne)
{
    ASSERT_TRUE(PreviewViewerType(kPreviewPicture).Create) << "no picture viewer";
    ASSERT_TRUE(PreviewViewerType(kPreviewText).Create) << "no text viewer";
    auto browser = OpenBrowser(DemoKeyPath());
    EXPECT_EQ(browser->PreviewKind(), kPreviewPicture);
    QWidget *picture = browser->PreviewViewer();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->parentWidget(), browser->Panel1);
    EXPECT_FALSE(picture->isWindow());
    EXPECT_TRUE(picture->isVisible());
    EXPECT_FALSE(browser->Panel1->ShowsCaption());
    EXPECT_TRUE(FilesIn(TempFolder()).empty());

    ClickRow(browser->ListBif, kScriptsBif);
    EXPECT_EQ(browser->PreviewKind(), kPreviewText);
    QWidget *text = browser->PreviewViewer();
    ASSERT_NE(text, nullptr);
    EXPECT_NE(text, picture);
    EXPECT_EQ(browser->Panel1->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).size(), 1);

    ClickRow(browser->ListRes, RowOf(browser->ListRes, "demo_settings"));
    EXPECT_EQ(browser->PreviewKind(), kPreviewText);
    EXPECT_NE(browser->PreviewViewer(), nullptr);
    EXPECT_TRUE(FilesIn(TempFolder()).empty());

    ClickRow(browser->ListRes, RowOf(browser->ListRes, "demo_blob")); // a type without a viewer
    EXPECT_EQ(browser->PreviewKind(), kPreviewNone);
    EXPECT_EQ(browser->PreviewViewer(), nullptr);
    EXPECT_TRUE(browser->Panel1->ShowsCaption());
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(BifBrowserTest, WithoutAutoPreviewOnlyADoubleClickPreviews)
{
    Settings().BifAutoPreview = false;
    auto browser = OpenBrowser(DemoKeyPath());
    EXPECT_EQ(browser->PreviewKind(), kPreviewNone);
    EXPECT_TRUE(browser->Panel1->ShowsCaption());
    ClickRow(browser->ListRes, 1);
    EXPECT_EQ(browser->PreviewKind(), kPreviewNone);

    browser->ListBif->setFocus();
    DoubleClickRow(browser->ListRes, 2);
    EXPECT_EQ(browser->ListRes->FocusedRow(), 2);
    EXPECT_EQ(browser->PreviewKind(), kPreviewPicture);
    EXPECT_FALSE(browser->Panel1->ShowsCaption());
    EXPECT_EQ(browser->focusWidget(), browser->ListRes);

    // The setting is read at every click.
    ClickRow(browser->ListRes, 0);
    EXPECT_EQ(browser->PreviewKind(), kPreviewNone);
    Settings().BifAutoPreview = true;
    ClickRow(browser->ListRes, 0);
    EXPECT_EQ(browser->PreviewKind(), kPreviewPicture);
}

TEST_F(BifBrowserTest, SelectingSeveralResourcesShowsNoPreview)
{
    auto browser = OpenBrowser(DemoKeyPath());
    ASSERT_EQ(browser->PreviewKind(), kPreviewPicture);
    ClickRow(browser->ListRes, 1, Qt::ControlModifier);
    EXPECT_EQ(browser->ListRes->SelectedRows(), std::vector<int>({0, 1}));
    EXPECT_EQ(browser->PreviewKind(), kPreviewNone);
    EXPECT_TRUE(browser->Panel1->ShowsCaption());
    ClickRow(browser->ListRes, 2, Qt::ShiftModifier);
    EXPECT_EQ(browser->ListRes->SelectedRows().size(), 3u);
    EXPECT_EQ(browser->PreviewKind(), kPreviewNone);
    ClickRow(browser->ListRes, 1);
    EXPECT_EQ(browser->ListRes->SelectedRows(), std::vector<int>({1}));
    EXPECT_EQ(browser->PreviewKind(), kPreviewPicture);
}

TEST_F(BifBrowserTest, SelectingSeveralBifsKeepsTheFileListAndItsPreview)
{
    auto browser = OpenBrowser(DemoKeyPath());
    QWidget *preview = browser->PreviewViewer();
    ASSERT_NE(preview, nullptr);
    const int listed = browser->ListRes->RowCount();
    ClickRow(browser->ListBif, 2, Qt::ShiftModifier);
    EXPECT_EQ(browser->ListBif->SelectedRows(), std::vector<int>({0, 1, 2}));
    ASSERT_EQ(browser->ListRes->RowCount(), listed);
    EXPECT_EQ(Cell(browser->ListRes, 0, 1), "demo_stone");
    EXPECT_EQ(browser->PreviewViewer(), preview);
    ClickRow(browser->ListBif, 4, Qt::ControlModifier);
    EXPECT_EQ(browser->ListBif->SelectedRows(), std::vector<int>({0, 1, 2, 4}));
    EXPECT_EQ(Cell(browser->ListRes, 0, 1), "demo_stone");
}

TEST_F(BifBrowserTest, RightClickSelectsTheRowUnderTheMouseAndOpensItsMenu)
{
    auto browser = OpenBrowser(DemoKeyPath());
    QMenu *menu = RightClickRow(browser->ListBif, 3);
    ASSERT_EQ(menu, browser->PopupMenu1);
    EXPECT_EQ(browser->ListBif->SelectedRows(), std::vector<int>{3});
    EXPECT_EQ(browser->ListBif->FocusedRow(), 3);
    // Only a left click lists another BIF.
    EXPECT_EQ(Cell(browser->ListRes, 0, 1), "demo_stone");
    menu->hide();

    menu = RightClickRow(browser->ListRes, 2);
    ASSERT_EQ(menu, browser->PopupMenu2);
    EXPECT_EQ(browser->ListRes->SelectedRows(), std::vector<int>{2});
    menu->hide();
}

TEST_F(BifBrowserTest, ExtractSelectedResourcesWritesEachAndShowsItsProgress)
{
    auto browser = OpenBrowser(DemoKeyPath());
    WatchedBrowser = browser.get();
    const int icon = RowOf(browser->ListRes, "demo_icon");
    ASSERT_EQ(RowOf(browser->ListRes, "demo_stone"), 0);
    ClickRow(browser->ListRes, icon, Qt::ControlModifier);
    ASSERT_EQ(browser->ListRes->SelectedRows(), std::vector<int>({0, icon}));
    const fs::path out = NewFolder("out");
    FolderAnswers.push_back(QString::fromStdString(out.string()));
    ChooseFromContextMenu(browser->ListRes, icon, browser->ExtractTo);

    ASSERT_EQ(FolderRequests.size(), 1u);
    EXPECT_EQ(FolderRequests[0].Caption, "Extract Directory");
    EXPECT_EQ(FolderRequests[0].Title, "Extract Directory");
    EXPECT_EQ(FolderRequests[0].StartFolder, "");
    EXPECT_EQ(FilesIn(out), std::set<std::string>({"demo_stone.tga", "demo_icon.bmp"}));
    EXPECT_EQ(ReadBytes(out / "demo_stone.tga"), ReadBytes(DemoFolder() / "samples" / "demo_stone.tga"));
    EXPECT_EQ(ReadBytes(out / "demo_icon.bmp"), ReadBytes(DemoFolder() / "samples" / "demo_icon.bmp"));

    ASSERT_EQ(SeenProgress.size(), 3u);
    for (const TSeenProgress &state : SeenProgress) {
        EXPECT_EQ(state.Caption, "Exporting resources");
        EXPECT_EQ(state.Maximum, 2);
        EXPECT_TRUE(state.Visible);
        EXPECT_FALSE(state.BrowserEnabled);
    }
    EXPECT_EQ(SeenProgress[0].Position, 0);
    EXPECT_EQ(SeenProgress[1].Status, "Exporting : demo_stone.TGA");
    EXPECT_EQ(SeenProgress[1].Position, 1);
    EXPECT_EQ(SeenProgress[2].Status, "Exporting : demo_icon.BMP");
    EXPECT_EQ(SeenProgress[2].Position, 2);

    EXPECT_TRUE(browser->isEnabled());
    EXPECT_EQ(ProgressWindowCount(), 0);
    EXPECT_FALSE(browser->Reader().OnExtract);
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(BifBrowserTest, ExtractAllWritesTheListedBifWhateverRowsAreFocusedOrSelected)
{
    auto browser = OpenBrowser(DemoKeyPath());
    WatchedBrowser = browser.get();
    ClickRow(browser->ListBif, kScriptsBif);
    ClickRow(browser->ListRes, 3);
    // A second BIF added to the selection takes the focus but lists nothing.
    ClickRow(browser->ListBif, kTexturesBif, Qt::ControlModifier);
    QTest::qWait(TRowFollower::kSettleMs * 2);
    ASSERT_EQ(browser->ListBif->FocusedRow(), kTexturesBif);
    const fs::path out = NewFolder("all");
    FolderAnswers.push_back(QString::fromStdString(out.string()));
    ChooseFromContextMenu(browser->ListRes, 3, browser->ExtractAll1);

    const std::vector<std::string> names = OutputNames(*browser, kScriptsBif);
    EXPECT_EQ(FilesIn(out), std::set<std::string>(names.begin(), names.end()));
    EXPECT_TRUE(FilesIn(out).count("demo_blob.raw"));
    for (int row = 0; row < browser->ListRes->RowCount(); ++row) {
        const fs::path file = out / (Cell(browser->ListRes, row, 1) + "." + Cell(browser->ListRes, row, 2).toLower())
                                        .toStdString();
        EXPECT_EQ(SizeOf(file), Cell(browser->ListRes, row, 3)) << file;
    }
    EXPECT_EQ(ReadBytes(out / "readme.txt"), ReadBytes(DemoFolder() / "samples" / "readme.txt"));

    ASSERT_FALSE(SeenProgress.empty());
    EXPECT_EQ(SeenProgress.front().Caption, "Exporting resources");
    EXPECT_EQ(SeenProgress.front().Maximum, qint64(names.size()));
    EXPECT_EQ(SeenProgress.back().Position, qint64(names.size()));
    EXPECT_EQ(Statuses(SeenProgress), ExportTexts(names));
    EXPECT_EQ(Statuses(SeenProgress).front(), "Exporting : readme.txt");
    for (const TSeenProgress &state : SeenProgress)
        EXPECT_FALSE(state.BrowserEnabled);
    EXPECT_TRUE(browser->isEnabled());
    EXPECT_EQ(ProgressWindowCount(), 0);
    EXPECT_FALSE(browser->Reader().OnExtract);
}

TEST_F(BifBrowserTest, ExtractBifFilesWritesTheSelectedBifsIntoOneFolder)
{
    auto browser = OpenBrowser(DemoKeyPath());
    ClickRow(browser->ListBif, kTemplatesBif, Qt::ShiftModifier);
    ASSERT_EQ(browser->ListBif->SelectedRows(), std::vector<int>({0, 1}));
    const fs::path out = NewFolder("bifs");
    FolderAnswers.push_back(QString::fromStdString(out.string()));
    ChooseFromContextMenu(browser->ListBif, kTemplatesBif, browser->Menu_ExtractBif);

    std::vector<std::string> names = OutputNames(*browser, kTexturesBif);
    const std::vector<std::string> templates = OutputNames(*browser, kTemplatesBif);
    names.insert(names.end(), templates.begin(), templates.end());
    EXPECT_EQ(FilesIn(out), std::set<std::string>(names.begin(), names.end()));
    EXPECT_TRUE(FilesIn(out).count("baseitems.2da"));
    EXPECT_EQ(ReadBytes(out / "baseitems.2da"), ReadBytes(DemoFolder() / "samples" / "baseitems.2da"));
    std::vector<std::pair<QString, qint64>> parts;
    for (const TSeenProgress &state : SeenProgress)
        if (state.Position == 0 && state.Caption.startsWith("Exporting resources"))
            parts.push_back({state.Caption, state.Maximum});
    EXPECT_EQ(parts, (std::vector<std::pair<QString, qint64>>{
                         {"Exporting resources - data\\Textures.bif", browser->Reader().Bifs[0].ResCount},
                         {"Exporting resources - data\\templates.bif", browser->Reader().Bifs[1].ResCount}}));
    EXPECT_EQ(Statuses(SeenProgress), ExportTexts(names));
    EXPECT_TRUE(browser->isEnabled());
    EXPECT_EQ(ProgressWindowCount(), 0);
    EXPECT_FALSE(browser->Reader().OnExtract);
}

TEST_F(BifBrowserTest, ExtractAllBifFilesWritesEveryBifInOrder)
{
    auto browser = OpenBrowser(DemoKeyPath());
    const fs::path out = NewFolder("every");
    FolderAnswers.push_back(QString::fromStdString(out.string()));
    ChooseFromContextMenu(browser->ListBif, 0, browser->Menu_ExtractAllBif);

    std::set<std::string> expected;
    for (int bif = 0; bif < kDemoBifNames.size(); ++bif)
        for (const std::string &name : OutputNames(*browser, bif))
            expected.insert(name);
    EXPECT_EQ(FilesIn(out), expected);
    EXPECT_TRUE(FilesIn(out).count("demo_beep.wav"));
    EXPECT_TRUE(FilesIn(out).count("demo_box.mdl"));
    QStringList captions;
    for (const TSeenProgress &state : SeenProgress)
        if (captions.isEmpty() || captions.back() != state.Caption)
            captions << state.Caption;
    QStringList expectedCaptions = {"Frm_Progress"};
    for (const QString &name : kDemoBifNames)
        expectedCaptions << "Exporting resources - " + name;
    EXPECT_EQ(captions, expectedCaptions);
    EXPECT_EQ(ProgressWindowCount(), 0);
    EXPECT_TRUE(browser->isEnabled());
}

TEST_F(BifBrowserTest, BifCommandsDoNothingWhileTheFileListIsEmpty)
{
    testdata::KeyBifBuilder game;
    game.AddBif("data\\empty.bif");
    const int full = game.AddBif("data\\full.bif");
    game.AddResource(full, "notes", rt::TXT, "some notes");
    const fs::path key = WriteKey(NewFolder("game"), game);

    auto browser = OpenBrowser(QString::fromStdString(key.string()));
    ASSERT_EQ(browser->ListBif->RowCount(), 2);
    ASSERT_EQ(browser->ListRes->RowCount(), 0);
    ClickRow(browser->ListBif, 1, Qt::ShiftModifier);
    ASSERT_EQ(browser->ListBif->SelectedRows().size(), 2u);
    FolderAnswers.push_back(QString::fromStdString(NewFolder("out").string()));
    browser->Menu_ExtractBif->trigger();
    browser->Menu_ExtractAllBif->trigger();
    browser->ExtractAll1->trigger();
    browser->ExtractTo->trigger();
    EXPECT_TRUE(FolderRequests.empty());
    EXPECT_TRUE(SeenProgress.empty());
    EXPECT_TRUE(FilesIn(ProgramFolder() + "out").empty());
}

TEST_F(BifBrowserTest, TheChosenFolderIsOfferedAgainAndNewWindowsStartFromTheSetting)
{
    const fs::path preset = NewFolder("preset");
    Settings().BifDefaultDir = preset.string();
    const fs::path chosen = NewFolder("chosen");
    {
        auto browser = OpenBrowser(DemoKeyPath());
        FolderAnswers.push_back(QString::fromStdString(chosen.string()));
        ChooseFromContextMenu(browser->ListRes, 0, browser->ExtractTo);
        ChooseFromContextMenu(browser->ListRes, 1, browser->ExtractTo); // cancelled
        ChooseFromContextMenu(browser->ListBif, 0, browser->Menu_ExtractBif); // cancelled
        ASSERT_EQ(FolderRequests.size(), 3u);
        EXPECT_EQ(FolderRequests[0].StartFolder.toStdString(), preset.string());
        EXPECT_EQ(FolderRequests[0].Parent, browser.get());
        EXPECT_EQ(FolderRequests[1].StartFolder.toStdString(), chosen.string());
        EXPECT_EQ(FolderRequests[2].StartFolder.toStdString(), chosen.string());
        EXPECT_EQ(FilesIn(chosen), std::set<std::string>{"demo_stone.tga"});
        EXPECT_TRUE(FilesIn(preset).empty());
        // The cancelled commands showed no progress.
        EXPECT_EQ(SeenProgress.size(), 2u);
    }
    auto second = OpenBrowser(DemoKeyPath());
    ChooseFromContextMenu(second->ListRes, 0, second->ExtractTo);
    ASSERT_EQ(FolderRequests.size(), 4u);
    EXPECT_EQ(FolderRequests[3].StartFolder.toStdString(), preset.string());
}

TEST_F(BifBrowserTest, AFailedExtractionCleansUpAndReachesTheErrorReport)
{
    auto browser = OpenBrowser(DemoKeyPath());
    WatchedBrowser = browser.get();
    // A folder below a plain file cannot hold files, whoever runs the test.
    const fs::path blocker = fs::path(ProgramFolder()) / "blocker";
    testdata::WriteFile(blocker, "not a folder");
    const QString target = QString::fromStdString((blocker / "out").string());

    FolderAnswers.push_back(target);
    ChooseFromContextMenu(browser->ListRes, 0, browser->ExtractTo);
    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_EQ(ShownMessages[0].Icon, QMessageBox::Critical);
    EXPECT_TRUE(ShownMessages[0].Text.startsWith("Cannot create file")) << ShownMessages[0].Text.toStdString();
    EXPECT_TRUE(ShownMessages[0].Text.contains("demo_stone.tga"));
    EXPECT_TRUE(browser->isEnabled());
    EXPECT_EQ(ProgressWindowCount(), 0);
    ASSERT_FALSE(SeenProgress.empty());
    EXPECT_FALSE(SeenProgress.back().BrowserEnabled);

    // The BIF-wide commands unset the reader's event as well.
    FolderAnswers.push_back(target);
    ChooseFromContextMenu(browser->ListRes, 0, browser->ExtractAll1);
    FolderAnswers.push_back(target);
    ChooseFromContextMenu(browser->ListBif, 0, browser->Menu_ExtractAllBif);
    ASSERT_EQ(ShownMessages.size(), 3u);
    EXPECT_TRUE(ShownMessages[2].Text.contains("demo_stone.tga"));
    EXPECT_FALSE(browser->Reader().OnExtract);
    EXPECT_TRUE(browser->isEnabled());
    EXPECT_EQ(ProgressWindowCount(), 0);

    // The window goes on working.
    ClickRow(browser->ListBif, kScriptsBif);
    EXPECT_EQ(Cell(browser->ListRes, 0, 1), "readme");
}

TEST_F(BifBrowserTest, AMissingKeyFileLeavesTheWindowEmptyWithoutAMessage)
{
    auto browser = OpenBrowser(QString::fromStdString(ProgramFolder() + "nowhere/chitin.key"));
    EXPECT_EQ(browser->ListBif->RowCount(), 0);
    EXPECT_EQ(browser->ListRes->RowCount(), 0);
    EXPECT_EQ(browser->PreviewKind(), kPreviewNone);
    EXPECT_TRUE(ShownMessages.empty());
    EXPECT_EQ(browser->windowTitle(), "BIF Preview");
    // Its context menus do nothing.
    browser->Menu_ExtractAllBif->trigger();
    browser->ExtractAll1->trigger();
    EXPECT_TRUE(FolderRequests.empty());
}

TEST_F(BifBrowserTest, TheBrowserLoadsOneKeyFileInItsLife)
{
    testdata::KeyBifBuilder game;
    game.AddResource(game.AddBif("data\\one.bif"), "only", rt::TXT, "x");
    const fs::path key = WriteKey(NewFolder("game"), game);
    auto browser = OpenBrowser(DemoKeyPath());
    browser->OpenFile(QString::fromStdString(key.string()));
    EXPECT_EQ(browser->ListBif->RowCount(), kDemoBifNames.size());
    EXPECT_EQ(Cell(browser->ListBif, 0, 1), kDemoBifNames[0]);
}

TEST_F(BifBrowserTest, AWrongSignatureIsReportedAndTheListsStayEmpty)
{
    const fs::path key = NewFolder("game") / "chitin.key";
    testdata::WriteFile(key, std::string("KEYS V1  ") + std::string(40, '\0'));
    auto browser = OpenBrowser(QString::fromStdString(key.string()));
    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_EQ(ShownMessages[0].Text, "\"" + QString::fromStdString(key.string()) + "\": Wrong key File.");
    EXPECT_EQ(browser->ListBif->RowCount(), 0);
    EXPECT_EQ(browser->ListRes->RowCount(), 0);
}

TEST_F(BifBrowserTest, AMissingBifIsReportedAndEveryBifIsStillListed)
{
    testdata::KeyBifBuilder game;
    const int first = game.AddBif("data\\first.bif");
    const int second = game.AddBif("data\\second.bif");
    const int missing = game.AddBif("data\\missing.bif");
    game.AddResource(first, "alpha", rt::TXT, "aaa");
    game.AddResource(second, "beta", rt::TXT, "bb");
    game.AddResource(missing, "gamma", rt::TXT, "g");
    game.Bif(missing).OnDisk = false;
    const fs::path key = WriteKey(NewFolder("game"), game);

    auto browser = OpenBrowser(QString::fromStdString(key.string()));
    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_EQ(ShownMessages[0].Text, "\"" + QString::fromStdString((key.parent_path() / "data/missing.bif").string()) +
                                         "\": You need a full install of the game for preview BIF.");
    ASSERT_EQ(browser->ListBif->RowCount(), 3);
    EXPECT_EQ(Cell(browser->ListBif, 0, 3), "1");
    EXPECT_EQ(Cell(browser->ListBif, 1, 3), "1");
    EXPECT_EQ(Cell(browser->ListBif, 2, 1), "data\\missing.bif");
    EXPECT_EQ(Cell(browser->ListBif, 2, 3), "0");
    ClickRow(browser->ListBif, 2);
    EXPECT_EQ(browser->ListRes->RowCount(), 0);
    EXPECT_EQ(browser->PreviewKind(), kPreviewNone);
}

TEST_F(BifBrowserTest, AnUnknownTypeShowsRawAndIsWrittenAsRaw)
{
    auto browser = OpenBrowser(DemoKeyPath());
    ClickRow(browser->ListBif, kScriptsBif);
    const int blob = RowOf(browser->ListRes, "demo_blob");
    ASSERT_GE(blob, 0);
    EXPECT_EQ(Cell(browser->ListRes, blob, 2), "RAW");
    ClickRow(browser->ListRes, blob);
    const fs::path out = NewFolder("raw");
    FolderAnswers.push_back(QString::fromStdString(out.string()));
    ChooseFromContextMenu(browser->ListRes, blob, browser->ExtractTo);
    EXPECT_EQ(FilesIn(out), std::set<std::string>{"demo_blob.raw"});
    EXPECT_EQ(Statuses(SeenProgress), std::vector<QString>{"Exporting : demo_blob.RAW"});
}

TEST_F(BifBrowserTest, AHundredThousandResourcesAreListedThroughTheModel)
{
    // Two BIFs of 60,000 and 40,000 resources of one byte each.
    testdata::KeyBifBuilder game;
    const int big = game.AddBif("data\\big.bif");
    const int other = game.AddBif("data\\other.bif");
    for (int i = 0; i < 60000; ++i)
        game.AddResource(big, "big" + std::to_string(i), rt::UNKNOWN, "b");
    for (int i = 0; i < 40000; ++i)
        game.AddResource(other, "other" + std::to_string(i), rt::UNKNOWN, "o");
    const fs::path key = WriteKey(NewFolder("game"), game);

    auto browser = OpenBrowser(QString::fromStdString(key.string()));
    TResourceView *list = browser->ListRes;
    ASSERT_EQ(list->RowCount(), 60000);
    EXPECT_EQ(Cell(browser->ListBif, 0, 3), "60000");
    EXPECT_EQ(RowTexts(list, 59999), QStringList({"59999", "big59999", "RAW", "1"}));

    ClickRow(browser->ListBif, 1);
    ASSERT_EQ(list->RowCount(), 40000);
    list->scrollToBottom();
    QApplication::processEvents();
    ClickRow(list, 39999);
    EXPECT_EQ(list->FocusedRow(), 39999);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list->SelectedRows().size(), 40000u);
    EXPECT_EQ(list->SelectedRowCount(2), 2);

    // Rows are the model's: no widget per row, one fixed height for all.
    EXPECT_EQ(list->model(), static_cast<QAbstractItemModel *>(list->ListModel()));
    EXPECT_EQ(list->indexWidget(list->model()->index(39999, 1)), nullptr);
    EXPECT_LE(list->viewport()->findChildren<QWidget *>().size(), 1);
    EXPECT_EQ(list->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    EXPECT_EQ(list->rowHeight(0), list->rowHeight(39999));
    ClickRow(browser->ListBif, 0);
    EXPECT_EQ(list->RowCount(), 60000);
    EXPECT_EQ(list->FocusedRow(), 0);
}

TEST_F(BifBrowserTest, LongExportsLetEventsThroughOnlyEveryFewMilliseconds)
{
    testdata::KeyBifBuilder game;
    const int bif = game.AddBif("data\\many.bif");
    for (int i = 0; i < 2000; ++i)
        game.AddResource(bif, "file" + std::to_string(i), rt::UNKNOWN, std::string(64, 'x'));
    const fs::path key = WriteKey(NewFolder("game"), game);
    auto browser = OpenBrowser(QString::fromStdString(key.string()));

    // A zero timer fires once each time pending events are processed.
    int passes = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, [&passes] { ++passes; });
    int passesAtFirstStep = -1;
    int passesAtLastStep = 0;
    QElapsedTimer clock;
    qint64 lastStepMs = 0;
    auto watch = SetExportObserver([&](const TFrm_Progress &progress) {
        if (progress.Position() == 1) {
            clock.start();
            passesAtFirstStep = passes;
        }
        if (progress.Position() >= 1) {
            lastStepMs = clock.elapsed();
            passesAtLastStep = passes;
        }
    });
    const fs::path out = NewFolder("many");
    FolderAnswers.push_back(QString::fromStdString(out.string()));
    ticker.start();
    ChooseFromContextMenu(browser->ListRes, 0, browser->ExtractAll1);
    ticker.stop();
    SetExportObserver(std::move(watch));

    EXPECT_EQ(FilesIn(out).size(), 2000u);
    ASSERT_GE(passesAtFirstStep, 0);
    const int passesDuringLoop = passesAtLastStep - passesAtFirstStep;
    EXPECT_LE(passesDuringLoop, lastStepMs / TEventPump::kIntervalMs + 2)
        << passesDuringLoop << " passes in " << lastStepMs << " ms";
}

TEST_F(BifBrowserTest, TheMainWindowsBifCommandOpensABrowserOnTheGameFolder)
{
    TScopedGameFolder game((DemoFolder() / "game").string());
    auto main = CreateMainWindow();
    ClickMenuCommand(main.get(), {"File1", "BIF1"}, "Duskmere1");
    const QList<QMdiSubWindow *> children = main->MdiArea()->subWindowList();
    ASSERT_EQ(children.size(), 1);
    auto *browser = qobject_cast<TFrm_BIF *>(children[0]->widget());
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(children[0]->windowTitle(), "BIF Preview");
    EXPECT_EQ(browser->ListBif->RowCount(), kDemoBifNames.size());
    EXPECT_EQ(browser->ListRes->RowCount(), browser->Reader().Bifs[0].ResCount);

    // Inside the frame the whole child window is disabled during an export.
    WatchedBrowser = children[0];
    const fs::path out = NewFolder("out");
    FolderAnswers.push_back(QString::fromStdString(out.string()));
    ChooseFromContextMenu(browser->ListRes, 0, browser->ExtractTo);
    ASSERT_FALSE(SeenProgress.empty());
    EXPECT_FALSE(SeenProgress.back().BrowserEnabled);
    EXPECT_TRUE(children[0]->isEnabled());
    EXPECT_EQ(FilesIn(out), std::set<std::string>{"demo_stone.tga"});

    // Closing the child window frees the browser.
    QPointer<TFrm_BIF> watched = browser;
    children[0]->close();
    EXPECT_TRUE(QTest::qWaitFor([&watched] { return watched.isNull(); }, 2000));
}

TEST_F(BifBrowserTest, WithoutAGameFolderTheBrowserOpensEmpty)
{
    TScopedGameFolder game(ProgramFolder() + "no-game");
    auto main = CreateMainWindow();
    ClickMenuCommand(main.get(), {"File1", "BIF1"}, "Duskmere1");
    ASSERT_EQ(main->MdiArea()->subWindowList().size(), 1);
    auto *browser = qobject_cast<TFrm_BIF *>(main->MdiArea()->subWindowList()[0]->widget());
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->ListBif->RowCount(), 0);
    EXPECT_TRUE(ShownMessages.empty());
}
