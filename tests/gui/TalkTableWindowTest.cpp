// The talk table window, driven through its real widgets: listing, searching
// by number and by text, the detail area and the navigation buttons.
#include "GuiTestSupport.h"

#include "app/UMain.h"
#include "formats/UCTLK.h"
#include "formats/UFrm_TLK.h"
#include "app/UListModel.h"

#include "testdata/TlkBuilder.h"

#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using testdata::TlkBuilder;

struct TTalkEntry {
    std::string Sound;
    std::string Text;
};

// Entry 0's text starts the string block and is never shown. The words
// "sword" appear in every letter case, once only in a sound ResRef; "é" and
// "É" differ (only A to Z are folded).
const std::vector<TTalkEntry> kEntries = {
    {"", "Hidden at the start of the block"},
    {"vs_greet", "Well met, traveller."},
    {"", "The SWORD of kings"},
    {"", "Goodbye"},
    {"nw_swordfall", "A falling blade"},
    {"", "sWoRd in odd letter case"},
    {"", "caf\xE9 by the road"}, // Windows-1252, the encoding of an English table
    {"", "Line one\r\nLine two"},
};

// The rows of the list as the user reads them.
std::vector<QStringList> ListedRows(const TFrm_TLK &window)
{
    std::vector<QStringList> rows;
    const QAbstractItemModel *model = window.ListRes->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column)
            cells << model->index(row, column).data().toString();
        rows.push_back(cells);
    }
    return rows;
}

// The rows entries would give, in the given order.
std::vector<QStringList> ExpectedRows(const std::vector<int> &numbers)
{
    std::vector<QStringList> rows;
    for (int number : numbers) {
        const TTalkEntry &entry = kEntries[std::size_t(number)];
        rows.push_back({QString::number(number), QString::fromLatin1(entry.Sound),
                        number == 0 ? QString() : QString::fromLatin1(entry.Text)});
    }
    return rows;
}

std::vector<int> ListedNumbers(const TFrm_TLK &window)
{
    std::vector<int> numbers;
    for (const QStringList &row : ListedRows(window))
        numbers.push_back(row[0].toInt());
    return numbers;
}

void Click(QAbstractButton *button)
{
    ASSERT_TRUE(button->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
}

// Replaces what the box shows by typed text, as the user does.
void TypeInto(QWidget *box, const QString &text)
{
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_Delete);
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(box, c.toLatin1());
        else // a key of a national keyboard: no key code, only its text
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

} // namespace

class TalkTableWindowTest : public TGuiTest {
protected:
    void SetUp() override
    {
        TGuiTest::SetUp();
        ClearTalkTableCache();
    }

    void TearDown() override
    {
        ClearTalkTableCache();
        TGuiTest::TearDown();
    }

    std::string WriteTable(const std::string &name, const std::vector<TTalkEntry> &entries) const
    {
        TlkBuilder talk;
        for (const TTalkEntry &entry : entries)
            talk.Add(entry.Sound, entry.Text);
        const std::string path = ProgramFolder() + name;
        talk.WriteTo(path);
        return path;
    }

    std::unique_ptr<TFrm_TLK> ShowWindow(const std::string &path)
    {
        auto window = std::make_unique<TFrm_TLK>();
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->OpenFile(QString::fromStdString(path));
        return window;
    }

    std::unique_ptr<TFrm_TLK> ShowSampleWindow() { return ShowWindow(WriteTable("talk.tlk", kEntries)); }

    void SearchByText(TFrm_TLK &window, const QString &text)
    {
        Click(window.RadioGroup1_Text);
        TypeInto(window.SearchText, text);
        Click(window.Btn_Search);
    }

    void SearchByNumber(TFrm_TLK &window, const QString &typed)
    {
        Click(window.RadioGroup1_ResRef);
        TypeInto(window.SearchID, typed);
        Click(window.Btn_Search);
    }

    static void ClickRow(TFrm_TLK &window, int row)
    {
        const QRect cell = window.ListRes->visualRect(window.ListRes->model()->index(row, 1));
        ASSERT_TRUE(cell.isValid());
        QTest::mouseClick(window.ListRes->viewport(), Qt::LeftButton, {}, cell.center());
    }

    static int FocusedRow(const TFrm_TLK &window)
    {
        const QModelIndex current = window.ListRes->currentIndex();
        return current.isValid() ? current.row() : -1;
    }
};

TEST_F(TalkTableWindowTest, NewWindowHasItsComponentsAndCaptions)
{
    TFrm_TLK window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    EXPECT_EQ(window.windowTitle(), "TLK Preview");
    EXPECT_EQ(window.size(), QSize(524, 430));
    EXPECT_EQ(window.RadioGroup1->title(), "Search by");
    EXPECT_EQ(window.RadioGroup1_ResRef->text(), "ResRef");
    EXPECT_EQ(window.RadioGroup1_Text->text(), "Text");
    EXPECT_TRUE(window.RadioGroup1_ResRef->isChecked());
    EXPECT_EQ(window.Grp_SearchValue->title(), "Search value");
    EXPECT_TRUE(window.SearchID->isVisible());
    EXPECT_FALSE(window.SearchText->isVisible());
    EXPECT_EQ(window.SearchID->minimum(), 0);
    EXPECT_EQ(window.SearchID->maximum(), 0);
    EXPECT_EQ(window.Btn_Search->text(), "Search");
    EXPECT_EQ(window.Btn_ViewAll->text(), "View All");

    const QAbstractItemModel *model = window.ListRes->model();
    ASSERT_EQ(model->columnCount(), 3);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "ID");
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "ResName");
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "Description");
    EXPECT_EQ(window.ListRes->columnWidth(0), 60);
    EXPECT_EQ(window.ListRes->columnWidth(1), 150);
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_EQ(window.ListRes->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(window.ListRes->showGrid());

    EXPECT_EQ(window.StaticText1->text(), "0");
    EXPECT_TRUE(window.StaticText1->alignment() & Qt::AlignRight);
    EXPECT_TRUE(window.Edit_ResName->isReadOnly());
    EXPECT_EQ(window.Edit_ResName->maxLength(), 16);
    EXPECT_TRUE(window.Mmo_Description->isReadOnly());
    EXPECT_EQ(window.Mmo_Description->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(window.Mmo_Description->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    // The four navigation buttons sit on the tool bar, each with a picture.
    QToolButton *buttons[] = {window.ToolButton1, window.ToolButton2, window.ToolButton3,
                              window.ToolButton4};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(buttons[i]->objectName(), QStringLiteral("ToolButton%1").arg(i + 1));
        EXPECT_EQ(buttons[i]->parentWidget(), window.ToolBar1);
        EXPECT_FALSE(buttons[i]->icon().isNull());
        EXPECT_TRUE(buttons[i]->isVisible());
    }
    // The splitter divides list and detail area.
    EXPECT_EQ(window.Splitter1->indexOf(window.ListRes), 0);
    EXPECT_EQ(window.Splitter1->count(), 2);
    EXPECT_TRUE(window.Splitter1->widget(1)->isAncestorOf(window.Mmo_Description));
}

TEST_F(TalkTableWindowTest, OpenFileNamesTheFileAndSetsTheNumberRangeButListsNothing)
{
    auto window = ShowSampleWindow();
    EXPECT_EQ(window->windowTitle(), "TLK Preview - talk.tlk");
    EXPECT_EQ(window->TalkTable().Count(), kEntries.size());
    EXPECT_EQ(window->SearchID->minimum(), 0);
    EXPECT_EQ(window->SearchID->maximum(), int(kEntries.size()) - 1);
    EXPECT_EQ(window->ListRes->model()->rowCount(), 0);
}

TEST_F(TalkTableWindowTest, ViewAllListsEveryEntryInNumberOrder)
{
    auto window = ShowSampleWindow();
    Click(window->Btn_ViewAll);

    std::vector<int> all;
    for (std::size_t i = 0; i < kEntries.size(); ++i)
        all.push_back(int(i));
    EXPECT_EQ(ListedRows(*window), ExpectedRows(all));
    EXPECT_EQ(FocusedRow(*window), -1) << "listing focuses no row";

    // A second click lists the same entries once, not twice.
    Click(window->Btn_ViewAll);
    EXPECT_EQ(ListedNumbers(*window), all);
}

TEST_F(TalkTableWindowTest, ViewAllEmptiesTheResRefAndDescriptionBoxes)
{
    auto window = ShowSampleWindow();
    Click(window->Btn_ViewAll);
    ClickRow(*window, 1);
    ASSERT_EQ(window->Edit_ResName->text(), "vs_greet");

    Click(window->Btn_ViewAll);
    EXPECT_EQ(window->Edit_ResName->text(), "");
    EXPECT_EQ(window->Mmo_Description->toPlainText(), "");
}

TEST_F(TalkTableWindowTest, SearchByNumberListsExactlyThatEntry)
{
    auto window = ShowSampleWindow();
    SearchByNumber(*window, "4");
    EXPECT_EQ(ListedRows(*window), ExpectedRows({4}));

    SearchByNumber(*window, "0");
    EXPECT_EQ(ListedRows(*window), ExpectedRows({0}));

    // The last number of the range still lists its entry.
    SearchByNumber(*window, QString::number(kEntries.size() - 1));
    EXPECT_EQ(ListedRows(*window), ExpectedRows({int(kEntries.size()) - 1}));
}

TEST_F(TalkTableWindowTest, SearchByNumberEmptiesTheDetailBoxes)
{
    auto window = ShowSampleWindow();
    Click(window->Btn_ViewAll);
    ClickRow(*window, 2);
    ASSERT_FALSE(window->Mmo_Description->toPlainText().isEmpty());

    SearchByNumber(*window, "3");
    EXPECT_EQ(window->Edit_ResName->text(), "");
    EXPECT_EQ(window->Mmo_Description->toPlainText(), "");
}

TEST_F(TalkTableWindowTest, NumberOutsideTheTableListsNothingAndTextThatIsNoNumberCountsAsZero)
{
    auto window = ShowSampleWindow();
    // The box itself refuses numbers past its range; a number that gets into it
    // all the same (the box's own text) lists nothing.
    auto *edit = window->SearchID->findChild<QLineEdit *>();
    ASSERT_NE(edit, nullptr);
    edit->setText(QString::number(kEntries.size()));
    Click(window->Btn_Search);
    EXPECT_TRUE(ListedRows(*window).empty());

    edit->setText("-1");
    Click(window->Btn_Search);
    EXPECT_TRUE(ListedRows(*window).empty());

    // An emptied box is no number: entry 0.
    SearchByNumber(*window, "");
    EXPECT_EQ(ListedNumbers(*window), std::vector<int>{0});
}

TEST_F(TalkTableWindowTest, TextSearchIgnoresTheCaseOfLettersAToZInTextsAndResRefs)
{
    auto window = ShowSampleWindow();
    SearchByText(*window, "SWORD");
    EXPECT_EQ(ListedRows(*window), ExpectedRows({2, 4, 5}));

    SearchByText(*window, "sword");
    EXPECT_EQ(ListedNumbers(*window), (std::vector<int>{2, 4, 5}));

    // Leading and trailing blanks do not count.
    SearchByText(*window, "   goodBYE  ");
    EXPECT_EQ(ListedNumbers(*window), std::vector<int>{3});

    // Only A to Z are folded: É does not find é.
    SearchByText(*window, QString::fromUtf8("CAF\xC3\x89"));
    EXPECT_TRUE(ListedRows(*window).empty());
    SearchByText(*window, QString::fromUtf8("CAF\xC3\xA9"));
    EXPECT_EQ(ListedNumbers(*window), std::vector<int>{6});

    // The hidden text of entry 0 is never found.
    SearchByText(*window, "Hidden");
    EXPECT_TRUE(ListedRows(*window).empty());
    SearchByText(*window, "no such words");
    EXPECT_TRUE(ListedRows(*window).empty());
}

TEST_F(TalkTableWindowTest, TextSearchOfBlanksOnlyListsNothing)
{
    auto window = ShowSampleWindow();
    Click(window->Btn_ViewAll);
    ASSERT_FALSE(ListedRows(*window).empty());
    SearchByText(*window, "    ");
    EXPECT_TRUE(ListedRows(*window).empty());
    SearchByText(*window, "");
    EXPECT_TRUE(ListedRows(*window).empty());
}

TEST_F(TalkTableWindowTest, EnterInEitherBoxSearches)
{
    auto window = ShowSampleWindow();
    TypeInto(window->SearchID, "3");
    QTest::keyClick(window->SearchID, Qt::Key_Return);
    EXPECT_EQ(ListedNumbers(*window), std::vector<int>{3});

    Click(window->RadioGroup1_Text);
    TypeInto(window->SearchText, "blade");
    QTest::keyClick(window->SearchText, Qt::Key_Enter);
    EXPECT_EQ(ListedNumbers(*window), std::vector<int>{4});

    // Other keys only type.
    TypeInto(window->SearchText, "well");
    EXPECT_EQ(ListedNumbers(*window), std::vector<int>{4});
}

TEST_F(TalkTableWindowTest, SearchByOptionShowsItsOwnBox)
{
    auto window = ShowSampleWindow();
    Click(window->RadioGroup1_Text);
    EXPECT_TRUE(window->SearchText->isVisible());
    EXPECT_FALSE(window->SearchID->isVisible());

    Click(window->RadioGroup1_ResRef);
    EXPECT_TRUE(window->SearchID->isVisible());
    EXPECT_FALSE(window->SearchText->isVisible());

    // The option decides the search, not the text left in the other box.
    TypeInto(window->SearchID, "1");
    Click(window->RadioGroup1_Text);
    TypeInto(window->SearchText, "goodbye");
    Click(window->RadioGroup1_ResRef);
    Click(window->Btn_Search);
    EXPECT_EQ(ListedNumbers(*window), std::vector<int>{1});
}

TEST_F(TalkTableWindowTest, FocusedRowFillsTheDetailArea)
{
    auto window = ShowSampleWindow();
    SearchByText(*window, "o");
    const std::vector<int> listed = ListedNumbers(*window);
    ASSERT_GE(listed.size(), 3u);

    ClickRow(*window, 2);
    const int number = listed[2];
    EXPECT_EQ(window->StaticText1->text(), QString::number(number));
    EXPECT_EQ(window->Edit_ResName->text(), QString::fromStdString(kEntries[std::size_t(number)].Sound));
    EXPECT_EQ(window->Mmo_Description->toPlainText(),
              QString::fromStdString(kEntries[std::size_t(number)].Text).replace("\r\n", "\n"));

    // A text of two lines shows as two lines; the keyboard moves the focus too.
    Click(window->Btn_ViewAll);
    ClickRow(*window, 6);
    QTest::keyClick(window->ListRes, Qt::Key_Down);
    EXPECT_EQ(window->StaticText1->text(), "7");
    EXPECT_EQ(window->Mmo_Description->document()->blockCount(), 2);
    EXPECT_EQ(window->Mmo_Description->toPlainText(), "Line one\nLine two");
    EXPECT_EQ(window->Edit_ResName->text(), "");
}

TEST_F(TalkTableWindowTest, NavigationButtonsMoveTheFocusAndFillTheDetails)
{
    auto window = ShowSampleWindow();
    Click(window->Btn_ViewAll);
    const int last = int(kEntries.size()) - 1;

    // No row focused: "next" does nothing, "previous" focuses the first row.
    Click(window->ToolButton3);
    EXPECT_EQ(FocusedRow(*window), -1);
    Click(window->ToolButton2);
    EXPECT_EQ(FocusedRow(*window), 0);
    Click(window->ToolButton2);
    EXPECT_EQ(FocusedRow(*window), 0) << "previous stays on the first row";

    Click(window->ToolButton3);
    EXPECT_EQ(FocusedRow(*window), 1);
    EXPECT_EQ(window->StaticText1->text(), "1");
    EXPECT_EQ(window->Edit_ResName->text(), "vs_greet");
    EXPECT_EQ(window->Mmo_Description->toPlainText(), "Well met, traveller.");

    Click(window->ToolButton4);
    EXPECT_EQ(FocusedRow(*window), last);
    EXPECT_EQ(window->StaticText1->text(), QString::number(last));
    Click(window->ToolButton3);
    EXPECT_EQ(FocusedRow(*window), last) << "next does nothing on the last row";

    Click(window->ToolButton2);
    EXPECT_EQ(FocusedRow(*window), last - 1);
    Click(window->ToolButton1);
    EXPECT_EQ(FocusedRow(*window), 0);
    EXPECT_EQ(window->StaticText1->text(), "0");
    EXPECT_TRUE(window->ListRes->selectionModel()->isRowSelected(0, {}));
}

TEST_F(TalkTableWindowTest, NavigationButtonsWorkOnSearchResultsByPosition)
{
    auto window = ShowSampleWindow();
    SearchByText(*window, "sword");
    Click(window->ToolButton4);
    EXPECT_EQ(window->StaticText1->text(), "5");
    Click(window->ToolButton2);
    EXPECT_EQ(window->StaticText1->text(), "4");
    EXPECT_EQ(window->Edit_ResName->text(), "nw_swordfall");
}

TEST_F(TalkTableWindowTest, NavigationButtonsDoNothingOnAnEmptyList)
{
    auto window = ShowSampleWindow();
    for (QToolButton *button : {window->ToolButton1, window->ToolButton2, window->ToolButton3,
                                window->ToolButton4}) {
        Click(button);
        EXPECT_EQ(FocusedRow(*window), -1);
    }
    EXPECT_EQ(window->StaticText1->text(), "0");
    EXPECT_EQ(window->Edit_ResName->text(), "");
}

TEST_F(TalkTableWindowTest, DescriptionColumnTakesTheRestOfTheWidth)
{
    auto window = ShowSampleWindow();
    for (int width : {700, 524, 900}) {
        window->resize(width, 430);
        QApplication::processEvents();
        EXPECT_EQ(window->ListRes->columnWidth(0), 60);
        EXPECT_EQ(window->ListRes->columnWidth(1), 150);
        EXPECT_EQ(window->ListRes->columnWidth(2), window->ListRes->width() - 60 - 150 - 20);
    }
    // A column the user widened counts as it is.
    window->ListRes->setColumnWidth(1, 200);
    window->resize(800, 430);
    QApplication::processEvents();
    EXPECT_EQ(window->ListRes->columnWidth(2), window->ListRes->width() - 60 - 200 - 20);
}

TEST_F(TalkTableWindowTest, EmptyTableKeepsASaneNumberBoxAndListsNothing)
{
    auto window = ShowWindow(WriteTable("empty.tlk", {}));
    EXPECT_EQ(window->TalkTable().Count(), 0u);
    EXPECT_EQ(window->SearchID->minimum(), 0);
    EXPECT_EQ(window->SearchID->maximum(), 0);
    Click(window->Btn_Search);
    EXPECT_TRUE(ListedRows(*window).empty());
    Click(window->Btn_ViewAll);
    EXPECT_TRUE(ListedRows(*window).empty());
    Click(window->ToolButton4);
    EXPECT_EQ(FocusedRow(*window), -1);
}

TEST_F(TalkTableWindowTest, MissingFileLeavesTheTableEmptyWithoutAMessage)
{
    auto window = ShowWindow(ProgramFolder() + "missing.tlk");
    EXPECT_EQ(window->windowTitle(), "TLK Preview - missing.tlk");
    EXPECT_EQ(window->TalkTable().Count(), 0u);
    EXPECT_EQ(window->SearchID->maximum(), 0);
    SearchByNumber(*window, "0");
    EXPECT_TRUE(ListedRows(*window).empty());
    Click(window->Btn_ViewAll);
    EXPECT_TRUE(ListedRows(*window).empty());
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(TalkTableWindowTest, DamagedTableShowsOneErrorAndTheEntriesItHolds)
{
    TlkBuilder talk;
    for (const TTalkEntry &entry : kEntries)
        talk.Add(entry.Sound, entry.Text);
    talk.StringCountField = 1000; // more entries than the file holds
    const std::string path = ProgramFolder() + "cut.tlk";
    talk.WriteTo(path);
    auto window = ShowWindow(path);
    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_TRUE(ShownMessages[0].Text.contains(QString::fromStdString(path) + "\" is damaged"))
        << ShownMessages[0].Text.toStdString();
    Click(window->Btn_ViewAll);
    ASSERT_GE(ListedRows(*window).size(), kEntries.size());
    EXPECT_EQ(ListedRows(*window)[1], ExpectedRows({1})[0]);
}

TEST_F(TalkTableWindowTest, ClosingEmptiesTheList)
{
    auto window = ShowSampleWindow();
    Click(window->Btn_ViewAll);
    ASSERT_GT(window->ListRes->model()->rowCount(), 0);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(window->ListRes->model()->rowCount(), 0);
    EXPECT_EQ(window->TalkTable().Count(), 0u);
}

TEST_F(TalkTableWindowTest, LargeTableListsEveryEntryThroughOneModel)
{
    std::vector<TTalkEntry> entries;
    const int count = 120000;
    entries.reserve(count);
    for (int i = 0; i < count; ++i)
        entries.push_back({i % 7 == 0 ? "snd_" + std::to_string(i) : "", "Entry text " + std::to_string(i)});
    auto window = ShowWindow(WriteTable("large.tlk", entries));
    Click(window->Btn_ViewAll);
    ASSERT_EQ(window->ListRes->model()->rowCount(), count);
    EXPECT_EQ(window->ListRes->model(), window->ListModel());
    // No widget per row: the list holds the same few children whatever its size.
    EXPECT_LT(window->ListRes->findChildren<QWidget *>().size(), 20);

    Click(window->ToolButton4);
    EXPECT_EQ(window->StaticText1->text(), QString::number(count - 1));
    EXPECT_EQ(window->Mmo_Description->toPlainText(), QString("Entry text %1").arg(count - 1));
    EXPECT_EQ(window->Edit_ResName->text(), QString::fromStdString(entries.back().Sound));

    // Every entry whose sound name holds the text, found by plain comparison.
    std::vector<int> expected;
    for (int i = 0; i < count; ++i) {
        if (entries[std::size_t(i)].Sound.find("snd_11998") != std::string::npos)
            expected.push_back(i);
    }
    ASSERT_GE(expected.size(), 2u);
    SearchByText(*window, "SND_11998");
    EXPECT_EQ(ListedNumbers(*window), expected);
}

TEST_F(TalkTableWindowTest, FileMenuOpensTheTableInAChildWindow)
{
    const std::string path = WriteTable("menu.tlk", kEntries);
    auto main = CreateMainWindow();
    OpenFileAnswers.push_back(QString::fromStdString(path));
    ClickMenuCommand(main.get(), {"File1", "TLK1"}, "OpenTLK");

    ASSERT_EQ(OpenFileRequests.size(), 1u);
    EXPECT_TRUE(OpenFileRequests[0].Filter.startsWith("*.TLK ("));
    const QList<QMdiSubWindow *> children = main->MdiArea()->subWindowList();
    ASSERT_EQ(children.size(), 1);
    auto *window = qobject_cast<TFrm_TLK *>(children[0]->widget());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "TLK Preview - menu.tlk");
    EXPECT_EQ(window->TalkTable().Count(), kEntries.size());
    main->close();
}
