// The GFF viewer and its detail window, driven through real widgets, with a
// talk table in a temporary game folder.
#include "GuiTestSupport.h"

#include "app/UMain.h"
#include "app/USettings.h"
#include "archives/UPreview.h"
#include "formats/UCTLK.h"
#include "formats/UFrm_UTX.h"
#include "formats/UFrm_UTXPreview.h"

#include "testdata/ByteBuilder.h"
#include "testdata/GffBuilder.h"
#include "testdata/TlkBuilder.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using testdata::GffBuilder;
using testdata::TlkBuilder;


using TRow = std::vector<std::string>;

// The rows of the grid as the user reads them.
std::vector<TRow> GridRows(const TFrm_UTX &viewer)
{
    std::vector<TRow> rows;
    const QAbstractItemModel *model = viewer.ListRes->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        TRow cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells.push_back(model->index(row, column).data().toString().toStdString());
        rows.push_back(cells);
    }
    return rows;
}

// The item blueprint a.uti of the worked example of the dump format: Cost,
// a localized name with one substring and a property list of one element.
GffBuilder WorkedExample()
{
    GffBuilder gff("UTI ", "V3.2");
    gff.DWord(0, "Cost", 10);
    gff.LocString(0, "LocName", 0xFFFFFFFF, {{0, "Sword"}});
    const int property = gff.AddStruct(0);
    gff.Word(property, "PropertyName", 5);
    gff.List(0, "PropertiesList", {property});
    return gff;
}

const std::vector<TRow> kWorkedExampleRows = {
    {"0", "UINT32", "Cost", "10"},
    {"1", "STRREF", "LocName", ""},
    {"", "", "LANG 0", "Sword"},
    {"2", "LIST", "PropertiesList", "Count: 1"},
    {"", "UINT16", "PropertiesList[0].PropertyName", "5"},
};

const std::vector<std::string> kWorkedExampleLines = {
    "BEGIN FILE: \"a.uti\" \"UTI V3.2\" 0xFFFFFFFF",
    "UINT32: \tCost\t= 10",
    "STRREF:\tLocName\t",
    "     \tLANG: 0 = \"Sword\"",
    "LIST:\tPropertiesList",
    "\tELEMENT = 0x00000000",
    "\t UINT16: \tPropertyName\t= 5",
    "\tEND ELEMENT",
    "END LIST",
    "END FILE",
};

std::string WithCrLf(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += line + "\r\n";
    return text;
}

// What a detail window showed.
struct TShownDetail {
    bool Shown = false;
    QString Caption, Id, Type, Name, Value;
    QRect Frame;
    bool WrapAtStart = false;
    bool WrapAfterUncheck = true;
    int ScrollWhenWrapped = -1;
    int ScrollWhenUnwrapped = -1;
};

// Double-clicks at pos in the grid and reads the detail window the click
// opens, turning word wrap off and on, then closes it with its button.
TShownDetail DoubleClickGrid(TFrm_UTX &viewer, QPoint pos)
{
    TShownDetail shown;
    QTimer watcher;
    watcher.setInterval(10);
    QObject::connect(&watcher, &QTimer::timeout, [&shown, &watcher] {
        auto *detail = qobject_cast<TFrm_UTxPreview *>(QApplication::activeModalWidget());
        if (!detail || !detail->isVisible())
            return;
        watcher.stop();
        QApplication::processEvents();
        shown.Shown = true;
        shown.Caption = detail->windowTitle();
        shown.Frame = detail->frameGeometry();
        shown.Id = detail->StaticText_ID->text();
        shown.Type = detail->StaticText_Type->text();
        shown.Name = detail->StaticText_Name->text();
        shown.Value = detail->Memo_Value->toPlainText();
        shown.WrapAtStart = detail->CheckBox1->isChecked() &&
                            detail->Memo_Value->lineWrapMode() == QPlainTextEdit::WidgetWidth;
        shown.ScrollWhenWrapped = detail->Memo_Value->horizontalScrollBar()->maximum();
        QTest::mouseClick(detail->CheckBox1, Qt::LeftButton, {}, QPoint(5, detail->CheckBox1->height() / 2));
        QApplication::processEvents();
        shown.WrapAfterUncheck = detail->Memo_Value->lineWrapMode() != QPlainTextEdit::NoWrap;
        shown.ScrollWhenUnwrapped = detail->Memo_Value->horizontalScrollBar()->maximum();
        QTest::mouseClick(detail->Button1, Qt::LeftButton);
    });
    watcher.start();
    QWidget *viewport = viewer.ListRes->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, pos);
    // A detail window opened by mistake would still be on screen here.
    QTest::qWait(50);
    watcher.stop();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "a modal window is still open";
    if (auto *left = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
        left->reject();
    return shown;
}

QPoint CellCentre(const TFrm_UTX &viewer, int row)
{
    return viewer.ListRes->visualRect(viewer.ListRes->model()->index(row, 2)).center();
}

void ShowTextPage(TFrm_UTX &viewer)
{
    QTabBar *tabs = viewer.PageControl1->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
}

} // namespace

class GffViewerTest : public TGameFolderTest {
protected:
    void SetUp() override
    {
        TGameFolderTest::SetUp();
        WriteTalkTable();
    }

    // dialog.tlk of the game: entry 1 has only a text, entry 2 a sound too.
    void WriteTalkTable() const
    {
        TlkBuilder talk;
        talk.Add("", "Never shown");
        talk.Add("", "Long Sword");
        talk.Add("snd_ok", "Text behind a sound");
        talk.WriteTo(GameFolder() / "dialog.tlk");
    }

    std::string Write(const std::string &name, const GffBuilder &gff) const
    {
        const std::string path = ProgramFolder() + name;
        gff.WriteTo(path);
        return path;
    }

    std::unique_ptr<TFrm_UTX> ShowViewer(const std::string &path = {})
    {
        auto viewer = std::make_unique<TFrm_UTX>();
        viewer->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(viewer.get()));
        if (!path.empty())
            viewer->OpenFile(QString::fromStdString(path));
        return viewer;
    }
};

TEST_F(GffViewerTest, NewViewerHasItsCaptionTabsAndColumns)
{
    auto viewer = ShowViewer();
    EXPECT_EQ(viewer->windowTitle(), "Preview UTx ITP GUI GFF IFO FAC ...");
    EXPECT_EQ(viewer->size(), QSize(549, 433));
    ASSERT_EQ(viewer->PageControl1->count(), 2);
    EXPECT_EQ(viewer->PageControl1->widget(0), viewer->Tab_Grid);
    EXPECT_EQ(viewer->PageControl1->tabText(0), "Grid");
    EXPECT_EQ(viewer->PageControl1->widget(1), viewer->Tab_Text);
    EXPECT_EQ(viewer->PageControl1->tabText(1), "Text");
    EXPECT_EQ(viewer->PageControl1->currentWidget(), viewer->Tab_Grid);

    const QAbstractItemModel *model = viewer->ListRes->model();
    ASSERT_EQ(model->columnCount(), 4);
    const char *titles[] = {"ID", "Type", "Name", "Value"};
    for (int column = 0; column < 4; ++column)
        EXPECT_EQ(model->headerData(column, Qt::Horizontal).toString(), titles[column]);
    EXPECT_EQ(viewer->ListRes->columnWidth(0), 40);
    EXPECT_EQ(viewer->ListRes->columnWidth(1), 80);
    EXPECT_EQ(viewer->ListRes->columnWidth(2), 200);
    EXPECT_EQ(viewer->ListRes->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(viewer->ListRes->showGrid());
    EXPECT_EQ(viewer->ListRes->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);

    EXPECT_TRUE(viewer->Memo1->isReadOnly());
    EXPECT_EQ(viewer->Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(viewer->BtnSave->text(), "Save");
    EXPECT_EQ(viewer->Lbl_Info->text(), "You can use this data with Pellor tool asc2ipt.exe");
    EXPECT_EQ(viewer->SaveDialog1->objectName(), "SaveDialog1");
    EXPECT_EQ(viewer->SaveDialog1->Filter(), "*.TXT|*.TXT");
}

TEST_F(GffViewerTest, GridListsTheEntriesInReadingOrder)
{
    auto viewer = ShowViewer(Write("a.uti", WorkedExample()));
    EXPECT_EQ(viewer->windowTitle(), "Preview UTx ITP GUI GFF IFO FAC ... - a.uti");
    EXPECT_EQ(GridRows(*viewer), kWorkedExampleRows);
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(GffViewerTest, StringReferencesShowTheGameTalkTable)
{
    // In an item palette a UINT32 is a string reference; a sound name wins over the text.
    GffBuilder palette("ITP ", "V3.2");
    palette.DWord(0, "STRREF", 1);
    palette.DWord(0, "NAME", 2);
    palette.LocString(0, "LocName", 1);
    auto viewer = ShowViewer(Write("palette.itp", palette));
    const std::vector<TRow> expected = {
        {"0", "UINT32", "STRREF", "Long Sword"},
        {"1", "UINT32", "NAME", "snd_ok"},
        {"2", "STRREF", "LocName", ""},
        {"2", "STRREF", "LocName", "Long Sword"},
    };
    EXPECT_EQ(GridRows(*viewer), expected);
}

TEST_F(GffViewerTest, WithoutTextSettingTheTextPageIsDisabledAndEmpty)
{
    ASSERT_FALSE(Settings().UTXMakeText);
    auto viewer = ShowViewer(Write("a.uti", WorkedExample()));
    EXPECT_FALSE(viewer->PageControl1->isTabEnabled(1));
    EXPECT_FALSE(viewer->Memo1->isEnabled());
    EXPECT_FALSE(viewer->BtnSave->isEnabled());
    EXPECT_EQ(viewer->Memo1->toPlainText(), "");
    EXPECT_TRUE(viewer->Reader().Lines.empty());

    ShowTextPage(*viewer);
    EXPECT_EQ(viewer->PageControl1->currentWidget(), viewer->Tab_Grid) << "the page cannot be chosen";
    QTest::mouseClick(viewer->BtnSave, Qt::LeftButton);
    EXPECT_TRUE(SaveFileRequests.empty());
}

TEST_F(GffViewerTest, WithTextSettingTheTextPageShowsTheDump)
{
    Settings().UTXMakeText = true;
    auto viewer = ShowViewer(Write("a.uti", WorkedExample()));
    EXPECT_TRUE(viewer->PageControl1->isTabEnabled(1));
    ShowTextPage(*viewer);
    ASSERT_EQ(viewer->PageControl1->currentWidget(), viewer->Tab_Text);
    EXPECT_TRUE(viewer->Memo1->isEnabled());
    EXPECT_TRUE(viewer->BtnSave->isVisible());

    QStringList lines;
    for (const std::string &line : kWorkedExampleLines)
        lines << QString::fromStdString(line);
    EXPECT_EQ(viewer->Memo1->toPlainText(), lines.join('\n'));
    EXPECT_EQ(viewer->Memo1->document()->blockCount(), int(kWorkedExampleLines.size()));
    // The grid is the same with or without the dump.
    EXPECT_EQ(GridRows(*viewer), kWorkedExampleRows);
}

TEST_F(GffViewerTest, SaveWritesTheDumpLinesWithCrLfUnderTheNameTyped)
{
    Settings().UTXMakeText = true;
    auto viewer = ShowViewer(Write("a.uti", WorkedExample()));
    ShowTextPage(*viewer);

    const std::string target = ProgramFolder() + "dump";
    testdata::WriteFile(target, "an older, longer file that the save replaces entirely");
    SaveFileAnswers.push_back(QString::fromStdString(target));
    QTest::mouseClick(viewer->BtnSave, Qt::LeftButton);

    ASSERT_EQ(SaveFileRequests.size(), 1u);
    EXPECT_EQ(SaveFileRequests[0].Filter, ConvertFilter("*.TXT|*.TXT"));
    EXPECT_EQ(testdata::ReadFile(target), WithCrLf(kWorkedExampleLines));
    EXPECT_FALSE(std::filesystem::exists(target + ".txt")) << "no extension is added";
    EXPECT_FALSE(std::filesystem::exists(target + ".TXT"));
    EXPECT_TRUE(ShownMessages.empty());

    // The dialog offers the previous choice again; cancelling writes nothing.
    std::filesystem::remove(target);
    QTest::mouseClick(viewer->BtnSave, Qt::LeftButton);
    ASSERT_EQ(SaveFileRequests.size(), 2u);
    EXPECT_EQ(SaveFileRequests[1].StartPath, QString::fromStdString(target));
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(GffViewerTest, SaveEndsEveryLineOfMultiLineTextsWithCrLf)
{
    Settings().UTXMakeText = true;
    GffBuilder gff("UTC ", "V3.2");
    gff.String(0, "Notes", "first\r\nsecond\nthird");
    auto viewer = ShowViewer(Write("note.utc", gff));
    const std::string target = ProgramFolder() + "note.txt";
    SaveFileAnswers.push_back(QString::fromStdString(target));
    ShowTextPage(*viewer);
    QTest::mouseClick(viewer->BtnSave, Qt::LeftButton);

    EXPECT_EQ(testdata::ReadFile(target), WithCrLf({
                                              "BEGIN FILE: \"note.utc\" \"UTC V3.2\" 0xFFFFFFFF",
                                              "STRING: \tNotes\t= \"first",
                                              "second",
                                              "third\"",
                                              "END FILE",
                                          }));
    // The text page shows the same lines.
    EXPECT_EQ(viewer->Memo1->document()->blockCount(), 5);
}

TEST_F(GffViewerTest, FailedSaveIsReportedAndTheViewerStaysOpen)
{
    Settings().UTXMakeText = true;
    auto viewer = ShowViewer(Write("a.uti", WorkedExample()));
    ShowTextPage(*viewer);
    // A folder that is a regular file cannot hold the dump.
    const std::string blocker = ProgramFolder() + "not-a-folder";
    testdata::WriteFile(blocker, "x");
    SaveFileAnswers.push_back(QString::fromStdString(blocker + "/dump.txt"));
    QTest::mouseClick(viewer->BtnSave, Qt::LeftButton);

    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_EQ(ShownMessages[0].Icon, QMessageBox::Critical);
    EXPECT_FALSE(ShownMessages[0].Text.isEmpty());
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(testdata::ReadFile(blocker), "x");
}

TEST_F(GffViewerTest, DoubleClickShowsTheRowInTheDetailWindow)
{
    GffBuilder gff = WorkedExample();
    std::string longText;
    for (int i = 0; i < 60; ++i)
        longText += "word" + std::to_string(i) + " ";
    gff.String(0, "Comment", longText);
    auto viewer = ShowViewer(Write("a.uti", gff));

    TShownDetail list = DoubleClickGrid(*viewer, CellCentre(*viewer, 3));
    ASSERT_TRUE(list.Shown);
    EXPECT_EQ(list.Caption, "UTX Preview");
    EXPECT_EQ(list.Id, "2");
    EXPECT_EQ(list.Type, "LIST");
    EXPECT_EQ(list.Name, "PropertiesList");
    EXPECT_EQ(list.Value, "Count: 1");

    // Word wrap is on at first; turning it off puts the long value on one
    // line with a horizontal scroll bar.
    TShownDetail comment = DoubleClickGrid(*viewer, CellCentre(*viewer, 5));
    ASSERT_TRUE(comment.Shown);
    EXPECT_EQ(comment.Name, "Comment");
    EXPECT_EQ(comment.Value.toStdString(), longText);
    EXPECT_TRUE(comment.WrapAtStart);
    EXPECT_EQ(comment.ScrollWhenWrapped, 0);
    EXPECT_FALSE(comment.WrapAfterUncheck);
    EXPECT_GT(comment.ScrollWhenUnwrapped, 0);
}

TEST_F(GffViewerTest, DetailWindowHasItsLabelsAndStyledFields)
{
    TFrm_UTxPreview detail;
    EXPECT_EQ(detail.windowTitle(), "UTX Preview");
    EXPECT_EQ(detail.size(), QSize(480, 337));
    EXPECT_EQ(detail.Label_ID->text(), "ID : ");
    EXPECT_EQ(detail.Label_Type->text(), "Type : ");
    EXPECT_EQ(detail.Label_Name->text(), "Name : ");
    EXPECT_EQ(detail.Label_Value->text(), "Value : ");
    for (QLabel *label : {detail.Label_ID, detail.Label_Type, detail.Label_Name, detail.Label_Value})
        EXPECT_TRUE(label->font().bold());
    for (QLineEdit *field : {detail.StaticText_ID, detail.StaticText_Type, detail.StaticText_Name}) {
        EXPECT_TRUE(field->isReadOnly());
        EXPECT_FALSE(field->hasFrame());
        EXPECT_EQ(field->palette().color(QPalette::Text), QColor(0, 0, 128));
    }
    EXPECT_TRUE(detail.StaticText_ID->font().bold());
    EXPECT_TRUE(detail.StaticText_Type->font().bold());
    EXPECT_GT(detail.StaticText_ID->font().pointSizeF(), detail.StaticText_Name->font().pointSizeF());
    EXPECT_FALSE(detail.StaticText_Name->font().bold());
    EXPECT_EQ(detail.CheckBox1->text(), "WordWrap");
    EXPECT_TRUE(detail.CheckBox1->isChecked());
    EXPECT_TRUE(detail.Memo_Value->isReadOnly());
    EXPECT_EQ(detail.Button1->text(), "CLOSE");
    EXPECT_FALSE(detail.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(detail.windowFlags() & Qt::WindowMinimizeButtonHint);

    detail.ShowEntry("7", "STRING", "Tag", "value text");
    EXPECT_EQ(detail.StaticText_ID->text(), "7");
    EXPECT_EQ(detail.StaticText_Type->text(), "STRING");
    EXPECT_EQ(detail.StaticText_Name->text(), "Tag");
    EXPECT_EQ(detail.Memo_Value->toPlainText(), "value text");
}

TEST_F(GffViewerTest, DoubleClickOnAnEmptyGridOpensNothing)
{
    auto viewer = ShowViewer(ProgramFolder() + "missing.uti");
    ASSERT_EQ(viewer->ListRes->model()->rowCount(), 0);
    const TShownDetail shown = DoubleClickGrid(*viewer, viewer->ListRes->viewport()->rect().center());
    EXPECT_FALSE(shown.Shown);
}

TEST_F(GffViewerTest, DetailWindowOpensCentredOverTheMainWindow)
{
    const std::string path = Write("a.uti", WorkedExample());
    auto main = CreateMainWindow();
    OpenFileAnswers.push_back(QString::fromStdString(path));
    ClickMenuCommand(main.get(), {"File1", "UTXITPGxx1"}, "OpenUTX");
    const QList<QMdiSubWindow *> children = main->MdiArea()->subWindowList();
    ASSERT_EQ(children.size(), 1);
    auto *viewer = qobject_cast<TFrm_UTX *>(children[0]->widget());
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->windowTitle(), "Preview UTx ITP GUI GFF IFO FAC ... - a.uti");
    ASSERT_EQ(OpenFileRequests.size(), 1u);
    EXPECT_EQ(OpenFileRequests[0].Filter,
              ConvertFilter("*.UT* *.ITP *.GUI *.ARE *.GIT *.DLG *.FAC *.IFO|"
                            "*.UT*;*.ITP;*.GUI;*.ARE;*.GIT;*.DLG;*.FAC;*.IFO"));
    // Move the child away from the frame's centre so that centring over it would show.
    children[0]->move(0, 0);
    QApplication::processEvents();

    const TShownDetail shown = DoubleClickGrid(*viewer, CellCentre(*viewer, 0));
    ASSERT_TRUE(shown.Shown);
    EXPECT_EQ(shown.Id, "0");
    const QPoint offset = shown.Frame.center() - main->frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 4) << "detail centre " << shown.Frame.center().x() << ","
                                            << shown.Frame.center().y();
    main->close();
}

TEST_F(GffViewerTest, ValueColumnTakesTheRestOfTheWidth)
{
    auto viewer = ShowViewer(Write("a.uti", WorkedExample()));
    for (int width : {800, 549, 1000}) {
        viewer->resize(width, 433);
        QApplication::processEvents();
        EXPECT_EQ(viewer->ListRes->columnWidth(0), 40);
        EXPECT_EQ(viewer->ListRes->columnWidth(1), 80);
        EXPECT_EQ(viewer->ListRes->columnWidth(2), 200);
        EXPECT_EQ(viewer->ListRes->columnWidth(3), viewer->ListRes->width() - 40 - 80 - 200 - 20);
    }
}

TEST_F(GffViewerTest, MissingFileShowsNothingWithoutAMessage)
{
    Settings().UTXMakeText = true;
    auto viewer = ShowViewer(ProgramFolder() + "missing.utc");
    EXPECT_EQ(viewer->windowTitle(), "Preview UTx ITP GUI GFF IFO FAC ... - missing.utc");
    EXPECT_EQ(viewer->ListRes->model()->rowCount(), 0);
    EXPECT_EQ(viewer->Memo1->toPlainText(), "");
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(GffViewerTest, DamagedFileIsReportedAndShowsNothing)
{
    Settings().UTXMakeText = true;
    // Two good fields, then one whose label number lies outside the label table.
    GffBuilder gff("UTI ", "V3.2");
    gff.DWord(0, "Cost", 10);
    gff.Byte(0, "Plot", 1);
    const int broken = gff.Byte(0, "Broken", 2);
    gff.Field(broken).LabelIndexField = 999;
    const std::string path = Write("bad.uti", gff);

    auto main = CreateMainWindow();
    OpenFileAnswers.push_back(QString::fromStdString(path));
    ClickMenuCommand(main.get(), {"File1", "UTXITPGxx1"}, "OpenUTX");

    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_TRUE(ShownMessages[0].Text.contains("damaged")) << ShownMessages[0].Text.toStdString();
    const QList<QMdiSubWindow *> children = main->MdiArea()->subWindowList();
    ASSERT_EQ(children.size(), 1) << "the viewer stays open";
    auto *viewer = qobject_cast<TFrm_UTX *>(children[0]->widget());
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->windowTitle(), "Preview UTx ITP GUI GFF IFO FAC ... - bad.uti");
    EXPECT_EQ(viewer->ListRes->model()->rowCount(), 0);
    EXPECT_EQ(viewer->Memo1->toPlainText(), "");
    main->close();
}

TEST_F(GffViewerTest, ArchivePreviewsShowGffResourcesInThisViewer)
{
    const TPreviewViewerType &type = PreviewViewerType(kPreviewGFF);
    ASSERT_TRUE(type.Create) << "no viewer registered for GFF previews";
    ASSERT_TRUE(type.LoadFile);
    std::unique_ptr<QWidget> viewer(type.Create());
    auto *gffViewer = qobject_cast<TFrm_UTX *>(viewer.get());
    ASSERT_NE(gffViewer, nullptr);
    type.LoadFile(viewer.get(), QString::fromStdString(Write("a.uti", WorkedExample())), TPreviewResource{});
    EXPECT_EQ(GridRows(*gffViewer), kWorkedExampleRows);
}

