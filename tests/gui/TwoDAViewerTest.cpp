// The 2DA viewer and its row detail window, driven through real widgets.
#include "GuiTestSupport.h"

#include "app/UMain.h"
#include "app/UUtil.h"
#include "formats/UFrm_2DA.h"
#include "formats/UFrm_2DAPreview.h"

#include <QApplication>
#include <QDirIterator>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <memory>

namespace {

// What the grid shows: its column titles and widths, and its cells row by row.
struct TShownGrid {
    QStringList Titles;
    QList<int> Widths;
    QList<QStringList> Rows;
};

TShownGrid ReadGrid(const TFrm_2DA &viewer)
{
    TShownGrid grid;
    const QAbstractItemModel *model = viewer.ListRes->model();
    const QHeaderView *header = viewer.ListRes->horizontalHeader();
    for (int column = 0; column < model->columnCount(); ++column) {
        grid.Titles << model->headerData(column, Qt::Horizontal).toString();
        grid.Widths << header->sectionSize(column);
    }
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->index(row, column).data().toString();
        grid.Rows << cells;
    }
    return grid;
}

// One value box of a detail window.
struct TShownField {
    QString Title;
    QString Value;
    QRect Box;
    QRect Edit;
    bool ReadOnly = false;
};

// A detail window as it was on screen.
struct TShownDetail {
    bool Seen = false;
    QString Caption;
    QSize Size;
    QPoint Centre;
    QList<TShownField> Fields;
    QRect Strip;  // Panel2 in the window's coordinates
    QRect Button; // Button1 in the window's coordinates
    QString ButtonText;
};

TShownDetail ReadDetail(TFrm_2DAPreview &detail)
{
    TShownDetail shown;
    shown.Seen = true;
    shown.Caption = detail.windowTitle();
    shown.Size = detail.size();
    shown.Centre = detail.geometry().center();
    for (QGroupBox *box : detail.Panel1->findChildren<QGroupBox *>(Qt::FindDirectChildrenOnly)) {
        TShownField field;
        field.Title = box->title();
        field.Box = box->geometry();
        if (auto *edit = box->findChild<QLineEdit *>()) {
            field.Value = edit->text();
            field.Edit = edit->geometry();
            field.ReadOnly = edit->isReadOnly();
        }
        shown.Fields << field;
    }
    shown.Strip = QRect(detail.Panel2->mapTo(&detail, QPoint(0, 0)), detail.Panel2->size());
    shown.Button = QRect(detail.Button1->mapTo(&detail, QPoint(0, 0)), detail.Button1->size());
    shown.ButtonText = detail.Button1->text();
    return shown;
}

// Double-clicks the grid at pos as a user does (a click, then the double
// click). A timer waits for the modal detail window, reads it and closes it
// with its CLOSE button; nothing is read when no detail window opens.
TShownDetail DoubleClickGrid(QTableView *grid, QPoint pos)
{
    TShownDetail shown;
    QTimer watcher;
    watcher.setInterval(10);
    QObject::connect(&watcher, &QTimer::timeout, [&shown, &watcher] {
        auto *detail = qobject_cast<TFrm_2DAPreview *>(QApplication::activeModalWidget());
        if (!detail || !detail->isVisible())
            return;
        watcher.stop();
        shown = ReadDetail(*detail);
        QTest::mouseClick(detail->Button1, Qt::LeftButton);
    });
    watcher.start();
    QWidget *viewport = grid->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, pos);
    // A detail window opened by mistake would still be on screen here.
    QTest::qWait(50);
    watcher.stop();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a modal window is still open";
    return shown;
}

// Table text with the column names given and one row of cells "r0c1" .. per column.
std::string WideTable(int namedColumns)
{
    std::string text = "2DA V2.0\n\n ";
    for (int column = 1; column <= namedColumns; ++column)
        text += " Col" + std::to_string(column);
    text += "\n0";
    for (int column = 1; column <= namedColumns; ++column)
        text += " r0c" + std::to_string(column);
    return text + "\n";
}

void ExpectButtonCentred(const TShownDetail &detail)
{
    EXPECT_TRUE(detail.Strip.contains(detail.Button));
    EXPECT_LE(std::abs(detail.Button.center().x() - detail.Strip.center().x()), 1);
    EXPECT_EQ(detail.Strip.bottom(), detail.Size.height() - 1) << "the strip is at the bottom";
    EXPECT_EQ(detail.Strip.width(), detail.Size.width());
}

} // namespace

class TwoDAViewerTest : public TGuiTest {
protected:
    std::unique_ptr<TFrm_2DA> ShowViewer()
    {
        auto viewer = std::make_unique<TFrm_2DA>();
        viewer->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(viewer.get()));
        return viewer;
    }

    std::string WriteFile(const std::string &name, const std::string &bytes) const
    {
        const std::string path = ProgramFolder() + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // The 2DA viewers among the main window's child windows, oldest first.
    static QList<TFrm_2DA *> ChildViewers(TFrmMain &main)
    {
        QList<TFrm_2DA *> viewers;
        for (QMdiSubWindow *child : main.MdiArea()->subWindowList(QMdiArea::CreationOrder)) {
            if (auto *viewer = qobject_cast<TFrm_2DA *>(child->widget()))
                viewers << viewer;
        }
        return viewers;
    }
};

TEST_F(TwoDAViewerTest, NewViewerHasItsCaptionAndAnEmptyGridWithoutColumns)
{
    TFrm_2DA viewer;
    EXPECT_EQ(viewer.windowTitle(), "2DA Preview");
    EXPECT_EQ(viewer.size(), QSize(510, 317));
    EXPECT_EQ(viewer.ListRes->objectName(), "ListRes");
    EXPECT_EQ(viewer.ListRes->model()->columnCount(), 0);
    EXPECT_EQ(viewer.ListRes->model()->rowCount(), 0);
    EXPECT_EQ(viewer.ListRes->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(viewer.ListRes->showGrid());
    EXPECT_EQ(viewer.ListRes->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(TwoDAViewerTest, ColumnLineOfFiveBlanksKeepsTheSpacingInTitlesAndWidths)
{
    auto viewer = ShowViewer();
    viewer->OpenText("2DA V2.0\r\n\r\n     Label   Name\r\n0    Sword   Short sword\r\n");
    const TShownGrid grid = ReadGrid(*viewer);
    EXPECT_EQ(grid.Titles, QStringList({"ID   ", "Label   ", "Name"}));
    // Titles give the widths; a column widens for values its title would cut off.
    EXPECT_EQ(grid.Widths.mid(0, 2), QList<int>({40, 64}));
    EXPECT_GT(grid.Widths[2], viewer->ListRes->fontMetrics().horizontalAdvance("Short sword"));
    ASSERT_EQ(grid.Rows.size(), 1);
    EXPECT_EQ(grid.Rows[0], QStringList({"0", "Sword", "Short sword"}));
}

TEST_F(TwoDAViewerTest, LongTitlesGetEightPixelsPerCharacterUpToTwoHundred)
{
    auto viewer = ShowViewer();
    viewer->OpenText("2DA V2.0\n   Description_Of_Item A_Name_Of_Exactly_Thirty_Chars\n");
    const TShownGrid grid = ReadGrid(*viewer);
    EXPECT_EQ(grid.Titles, QStringList({"ID ", "Description_Of_Item ", "A_Name_Of_Exactly_Thirty_Chars"}));
    EXPECT_EQ(grid.Widths, QList<int>({40, 160, 200}));
    EXPECT_TRUE(grid.Rows.isEmpty());
}

TEST_F(TwoDAViewerTest, TabSeparatedColumnLineGivesIdLabelWithOneBlankAndName)
{
    auto viewer = ShowViewer();
    viewer->OpenText("2DA V2.0\n\n\tLabel\tName\n0\tSword\tShort sword\n1\tBow\tLong\tbow\n");
    const TShownGrid grid = ReadGrid(*viewer);
    EXPECT_EQ(grid.Titles, QStringList({"ID", "Label ", "Name"}));
    EXPECT_EQ(grid.Widths.mid(0, 2), QList<int>({40, 48}));
    EXPECT_GT(grid.Widths[2], viewer->ListRes->fontMetrics().horizontalAdvance("Short sword"));
    ASSERT_EQ(grid.Rows.size(), 2);
    EXPECT_EQ(grid.Rows[0], QStringList({"0", "Sword", "Short sword"}));
    // Tabs in rows count as blanks; the last cell takes the rest of the line.
    EXPECT_EQ(grid.Rows[1], QStringList({"1", "Bow", "Long bow"}));
}

TEST_F(TwoDAViewerTest, RowsGiveTokensAndTheLastColumnTakesTheRestOfTheLine)
{
    auto viewer = ShowViewer();
    viewer->OpenText("2DA V2.0\r\n"
                     "   Label Name\r\n"
                     "3 Foo Some long text\r\n"
                     "\r\n"
                     "   \r\n"
                     "4    Bar   ****   \r\n"
                     "\r\n"
                     "5 Baz\r\n"
                     "6\r\n");
    const TShownGrid grid = ReadGrid(*viewer);
    ASSERT_EQ(grid.Titles.size(), 3);
    // Blank lines between rows make no rows; every row has one cell per column.
    ASSERT_EQ(grid.Rows.size(), 4);
    EXPECT_EQ(grid.Rows[0], QStringList({"3", "Foo", "Some long text"}));
    EXPECT_EQ(grid.Rows[1], QStringList({"4", "Bar", "****"}));
    EXPECT_EQ(grid.Rows[2], QStringList({"5", "Baz", ""}));
    EXPECT_EQ(grid.Rows[3], QStringList({"6", "", ""}));
}

TEST_F(TwoDAViewerTest, QuotedValuesAreSplitInMiddleColumnsAndKeptWholeInTheLast)
{
    auto viewer = ShowViewer();
    viewer->OpenText("2DA V2.0\n\n   Label  Cost  Name\n"
                     "0  \"Iron Shield\" 15 \"A round shield\"\n");
    const TShownGrid grid = ReadGrid(*viewer);
    ASSERT_EQ(grid.Rows.size(), 1);
    EXPECT_EQ(grid.Rows[0], QStringList({"0", "\"Iron", "Shield\"", "15 \"A round shield\""}));
}

TEST_F(TwoDAViewerTest, TextOfOnlyTheVersionLineShowsAnEmptyGrid)
{
    auto viewer = ShowViewer();
    viewer->OpenText("2DA V2.0\r\n");
    EXPECT_EQ(viewer->ListRes->model()->columnCount(), 0);
    EXPECT_EQ(viewer->ListRes->model()->rowCount(), 0);
    viewer->OpenText("");
    EXPECT_EQ(viewer->ListRes->model()->columnCount(), 0);
}

TEST_F(TwoDAViewerTest, TextInMemoryKeepsTheCaptionAndWritesNoFile)
{
    CreateTempFolder();
    ASSERT_TRUE(DirectoryExists(GetTempFolder()));
    auto viewer = ShowViewer();
    viewer->OpenText("2DA V2.0\n\n   Label\n0  Sword\n1  Bow\n");
    EXPECT_EQ(viewer->windowTitle(), "2DA Preview");
    EXPECT_EQ(viewer->ListRes->model()->rowCount(), 2);
    QDirIterator files(QString::fromStdString(ProgramFolder()), QDir::Files | QDir::Hidden,
                       QDirIterator::Subdirectories);
    QStringList written;
    while (files.hasNext())
        written << files.next();
    EXPECT_TRUE(written.isEmpty()) << written.join(", ").toStdString();
}

TEST_F(TwoDAViewerTest, FileCommandOpensEachFileInAChildWindowOfItsOwn)
{
    auto main = CreateMainWindow();
    const std::string path = WriteFile("items.2da", "2DA V2.0\r\n\r\n   Label  Cost\r\n0  Sword  10\r\n"
                                                    "1  Bow    75\r\n");
    OpenFileAnswers = {QString::fromStdString(path), QString::fromStdString(path)};
    FindAction(main.get(), "Open2DA")->trigger();
    FindAction(main.get(), "Open2DA")->trigger();

    const QList<TFrm_2DA *> viewers = ChildViewers(*main);
    ASSERT_EQ(viewers.size(), 2);
    EXPECT_NE(viewers[0], viewers[1]);
    for (TFrm_2DA *viewer : viewers) {
        EXPECT_EQ(viewer->windowTitle(), "2DA Preview - items.2da");
        const TShownGrid grid = ReadGrid(*viewer);
        EXPECT_EQ(grid.Titles, QStringList({"ID ", "Label  ", "Cost"}));
        ASSERT_EQ(grid.Rows.size(), 2);
        EXPECT_EQ(grid.Rows[1], QStringList({"1", "Bow", "75"}));
    }
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(TwoDAViewerTest, MissingFileIsReportedAndTheCaptionStillNamesIt)
{
    auto main = CreateMainWindow();
    OpenFileAnswers = {QString::fromStdString(ProgramFolder() + "missing.2da")};
    ClickMenuCommand(main.get(), {"File1", "N2DA1"}, "Open2DA");

    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_EQ(ShownMessages[0].Icon, QMessageBox::Critical);
    EXPECT_TRUE(ShownMessages[0].Text.contains("missing.2da")) << ShownMessages[0].Text.toStdString();
    const QList<TFrm_2DA *> viewers = ChildViewers(*main);
    ASSERT_EQ(viewers.size(), 1) << "the viewer stays open";
    EXPECT_EQ(viewers[0]->windowTitle(), "2DA Preview - missing.2da");
    EXPECT_EQ(viewers[0]->ListRes->model()->columnCount(), 0);
    EXPECT_EQ(viewers[0]->ListRes->model()->rowCount(), 0);
}

TEST_F(TwoDAViewerTest, DoubleClickShowsTheRowInADetailWindowCentredOverTheMainWindow)
{
    auto main = CreateMainWindow();
    main->resize(900, 700);
    const std::string path = WriteFile("weapons.2da", "2DA V2.0\n\n   Label   Cost Name\n"
                                                      "0  Sword   10   Long sword\n"
                                                      "1  Bow     ****\n");
    OpenFileAnswers = {QString::fromStdString(path)};
    FindAction(main.get(), "Open2DA")->trigger();
    const QList<TFrm_2DA *> viewers = ChildViewers(*main);
    ASSERT_EQ(viewers.size(), 1);
    TFrm_2DA *viewer = viewers[0];
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));

    const QTableView *grid = viewer->ListRes;
    const TShownDetail detail =
        DoubleClickGrid(viewer->ListRes, grid->visualRect(grid->model()->index(1, 2)).center());
    ASSERT_TRUE(detail.Seen) << "no detail window";
    EXPECT_EQ(detail.Caption, "2DA Preview");
    EXPECT_EQ(detail.Size.width(), 465);
    EXPECT_EQ(detail.ButtonText, "CLOSE");
    ExpectButtonCentred(detail);
    const QStringList titles = {"ID ", "Label   ", "Cost ", "Name"};
    const QStringList values = {"1", "Bow", "****", ""};
    ASSERT_EQ(detail.Fields.size(), titles.size());
    for (int i = 0; i < detail.Fields.size(); ++i) {
        const TShownField &field = detail.Fields[i];
        EXPECT_EQ(field.Title, titles[i]);
        EXPECT_EQ(field.Value, values[i]);
        EXPECT_TRUE(field.ReadOnly);
        EXPECT_EQ(field.Box, QRect(4, 2 + 37 * i, 135, 37));
        EXPECT_EQ(field.Edit, QRect(5, 13, 124, 19));
    }
    // Eight boxes fit above the strip.
    EXPECT_GE(detail.Strip.top(), 2 + 8 * 37);
    const QPoint mainCentre = main->frameGeometry().center();
    EXPECT_LE((detail.Centre - mainCentre).manhattanLength(), 40)
        << "detail centre " << detail.Centre.x() << "," << detail.Centre.y() << " main centre "
        << mainCentre.x() << "," << mainCentre.y();
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(TwoDAViewerTest, DoubleClickWithoutAFocusedRowOpensNothing)
{
    auto viewer = ShowViewer();
    viewer->OpenText("2DA V2.0\n\n   Label   Name\n");
    ASSERT_EQ(viewer->ListRes->model()->columnCount(), 3);
    const TShownDetail detail = DoubleClickGrid(viewer->ListRes, QPoint(20, 20));
    EXPECT_FALSE(detail.Seen);
}

TEST_F(TwoDAViewerTest, ThirtyColumnsFillFourBoxColumnsAndWidenTheWindowOnce)
{
    auto viewer = ShowViewer();
    viewer->resize(900, 300);
    viewer->OpenText(WideTable(29));
    ASSERT_EQ(viewer->ListRes->model()->columnCount(), 30);
    const QTableView *grid = viewer->ListRes;
    const TShownDetail detail =
        DoubleClickGrid(viewer->ListRes, grid->visualRect(grid->model()->index(0, 0)).center());
    ASSERT_TRUE(detail.Seen);
    EXPECT_EQ(detail.Size.width(), 465 + 135);
    ExpectButtonCentred(detail);
    ASSERT_EQ(detail.Fields.size(), 30);
    QList<int> boxesPerColumn(4, 0);
    for (int i = 0; i < 30; ++i) {
        const TShownField &field = detail.Fields[i];
        const int boxColumn = i / 8;
        ++boxesPerColumn[boxColumn];
        EXPECT_EQ(field.Box, QRect(4 + 140 * boxColumn, 2 + 37 * (i % 8), 135, 37)) << "box " << i;
        EXPECT_EQ(field.Title, i == 0 ? "ID" : QString("Col%1%2").arg(i).arg(i < 29 ? " " : ""));
        EXPECT_EQ(field.Value, i == 0 ? "0" : QString("r0c%1").arg(i));
        // Every box lies inside the window.
        EXPECT_LE(field.Box.right(), detail.Size.width() - 1);
    }
    EXPECT_EQ(boxesPerColumn, QList<int>({8, 8, 8, 6}));
}

TEST_F(TwoDAViewerTest, DetailWindowWidensFromTheFourthBoxColumnOn)
{
    TFrm_2DAPreview detail;
    detail.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&detail));
    EXPECT_EQ(detail.windowTitle(), "2DA Preview");
    EXPECT_EQ(detail.width(), 465);
    const int height = detail.height();
    // (fields added so far, width expected after them)
    const std::pair<int, int> steps[] = {{1, 465}, {24, 465}, {25, 600}, {32, 600}, {33, 735}, {41, 870}};
    int added = 0;
    for (auto [fields, width] : steps) {
        for (; added < fields; ++added)
            detail.AddField(QString("T%1").arg(added), QString("v%1").arg(added));
        QApplication::processEvents();
        EXPECT_EQ(detail.width(), width) << fields << " fields";
        const TShownDetail shown = ReadDetail(detail);
        ExpectButtonCentred(shown);
        ASSERT_EQ(shown.Fields.size(), fields);
        const int last = fields - 1;
        EXPECT_EQ(shown.Fields[last].Box.topLeft(), QPoint(4 + 140 * (last / 8), 2 + 37 * (last % 8)));
        EXPECT_EQ(shown.Fields[last].Value, QString("v%1").arg(last));
    }
    EXPECT_EQ(detail.height(), height);
    QTest::mouseClick(detail.Button1, Qt::LeftButton);
    EXPECT_FALSE(detail.isVisible());
}

TEST_F(TwoDAViewerTest, CellsAreShownExactlyAsWritten)
{
    auto viewer = ShowViewer();
    viewer->OpenText("2DA V2.0\n\n   Label Value Comment\n"
                     "00 **** 0x0F   \"quoted\"  ,;:!  tail   \n");
    const TShownGrid grid = ReadGrid(*viewer);
    ASSERT_EQ(grid.Rows.size(), 1);
    EXPECT_EQ(grid.Rows[0], QStringList({"00", "****", "0x0F", "\"quoted\"  ,;:!  tail"}));
}

TEST_F(TwoDAViewerTest, LargeTableShowsEveryRow)
{
    std::string text = "2DA V2.0\n\n   Label  Cost  Weight  Name\n";
    constexpr int kRows = 20000;
    for (int row = 0; row < kRows; ++row)
        text += std::to_string(row) + "  Item_" + std::to_string(row) + "  " + std::to_string(row * 3) +
                "  7  Name of item " + std::to_string(row) + "\n";
    auto viewer = ShowViewer();
    viewer->OpenText(text);
    const QAbstractItemModel *model = viewer->ListRes->model();
    ASSERT_EQ(model->rowCount(), kRows);
    EXPECT_EQ(model->index(kRows - 1, 1).data().toString(), QString("Item_%1").arg(kRows - 1));
    EXPECT_EQ(model->index(kRows - 1, 4).data().toString(), QString("Name of item %1").arg(kRows - 1));
    viewer->ListRes->scrollToBottom();
    QApplication::processEvents();
    EXPECT_GT(viewer->ListRes->verticalScrollBar()->value(), 0);
}
