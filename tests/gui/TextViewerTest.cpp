// The text viewer: its window, the lines it shows and how the user reaches them.
#include "GuiTestSupport.h"

#include "app/UMain.h"
#include "formats/UFrm_TXT.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include <fstream>

namespace {

class TextViewerTest : public TGuiTest {
protected:
    QString WriteFile(const std::string &name, const std::string &bytes)
    {
        const std::string path = ProgramFolder() + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return QString::fromStdString(path);
    }

    // A viewer on its own, shown, with the file loaded.
    std::unique_ptr<TFrm_TXT> OpenViewer(const std::string &name, const std::string &bytes)
    {
        auto viewer = std::make_unique<TFrm_TXT>();
        viewer->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(viewer.get()));
        viewer->OpenFile(WriteFile(name, bytes));
        return viewer;
    }
};

QStringList Lines(const QPlainTextEdit *memo)
{
    QStringList lines;
    for (QTextBlock block = memo->document()->firstBlock(); block.isValid(); block = block.next())
        lines << block.text();
    return lines;
}

// The only child window of the main window, as the viewer it holds.
TFrm_TXT *OnlyTextChild(TFrmMain &main)
{
    const QList<QMdiSubWindow *> children = main.MdiArea()->subWindowList();
    EXPECT_EQ(children.size(), 1);
    return children.isEmpty() ? nullptr : qobject_cast<TFrm_TXT *>(children[0]->widget());
}

} // namespace

TEST_F(TextViewerTest, WindowHasItsDesignedLayout)
{
    TFrm_TXT viewer;
    EXPECT_EQ(viewer.windowTitle(), "ASCII Preview");
    EXPECT_EQ(viewer.size(), QSize(572, 473));
    ASSERT_EQ(viewer.Memo1, viewer.findChild<QPlainTextEdit *>("Memo1"));
    EXPECT_TRUE(viewer.Memo1->isReadOnly());
    EXPECT_EQ(viewer.Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(viewer.Memo1->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(viewer.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    viewer.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    EXPECT_EQ(viewer.Memo1->geometry(), viewer.rect());
    viewer.resize(300, 200);
    QApplication::processEvents();
    EXPECT_EQ(viewer.Memo1->geometry(), viewer.rect());
}

TEST_F(TextViewerTest, CaptionNamesTheFileWithoutFolder)
{
    auto viewer = OpenViewer("script.nss", "void main() {}\r\n");
    EXPECT_EQ(viewer->windowTitle(), "ASCII Preview - script.nss");
}

TEST_F(TextViewerTest, CarriageReturnLineFeedOrBothEndALine)
{
    auto viewer = OpenViewer("mixed.txt", "one\r\ntwo\rthree\nfour\n\nsix\r\r\neight\r\n");
    EXPECT_EQ(Lines(viewer->Memo1),
              QStringList({"one", "two", "three", "four", "", "six", "", "eight"}));
    EXPECT_EQ(viewer->Memo1->toPlainText(), "one\ntwo\nthree\nfour\n\nsix\n\neight");
}

TEST_F(TextViewerTest, LastLineWithoutLineEndIsKept)
{
    auto viewer = OpenViewer("tail.ini", "[Display]\r\nWidth=800");
    EXPECT_EQ(Lines(viewer->Memo1), QStringList({"[Display]", "Width=800"}));
}

TEST_F(TextViewerTest, LongLineStaysOnOneLineAndScrollsHorizontally)
{
    std::string longLine;
    for (int i = 0; i < 400; ++i)
        longLine += "word" + std::to_string(i) + " ";
    auto viewer = OpenViewer("long.txt", longLine + "\r\nshort\r\n");

    ASSERT_EQ(viewer->Memo1->blockCount(), 2);
    const QTextBlock first = viewer->Memo1->document()->firstBlock();
    EXPECT_EQ(first.text().toStdString(), longLine);
    EXPECT_EQ(first.layout()->lineCount(), 1);
    QScrollBar *horizontal = viewer->Memo1->horizontalScrollBar();
    EXPECT_GT(horizontal->maximum(), 0);
    // The end of the line can be brought into view.
    horizontal->setValue(horizontal->maximum());
    QApplication::processEvents();
    QTextCursor end(first);
    end.movePosition(QTextCursor::EndOfBlock);
    EXPECT_TRUE(viewer->Memo1->viewport()->rect().contains(viewer->Memo1->cursorRect(end).center()));
}

TEST_F(TextViewerTest, TextCanBeSelectedAndCopiedButNotChanged)
{
    auto viewer = OpenViewer("readme.txt", "alpha beta gamma\r\nsecond line\r\n");
    QPlainTextEdit *memo = viewer->Memo1;
    memo->setFocus();

    // Typing, deleting and pasting change nothing.
    QTest::keyClicks(memo, "typed");
    QTest::keyClick(memo, Qt::Key_Delete);
    QTest::keyClick(memo, Qt::Key_Backspace);
    QTest::keyClick(memo, Qt::Key_Return);
    QApplication::clipboard()->setText("pasted");
    QTest::keyClick(memo, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(memo->toPlainText(), "alpha beta gamma\nsecond line");

    // A double click selects a word with the mouse.
    QTextCursor beta(memo->document());
    beta.setPosition(7);
    QTest::mouseDClick(memo->viewport(), Qt::LeftButton, {}, memo->cursorRect(beta).center());
    EXPECT_EQ(memo->textCursor().selectedText(), "beta");

    // The keyboard selects everything, and the selection is copied.
    QTest::keyClick(memo, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(memo->textCursor().selectedText(), QString("alpha beta gamma") + QChar::ParagraphSeparator +
                                                     "second line");
    QTest::keyClick(memo, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "alpha beta gamma\nsecond line");
    EXPECT_EQ(memo->toPlainText(), "alpha beta gamma\nsecond line");
}

TEST_F(TextViewerTest, EmptyFileShowsAnEmptyTextBox)
{
    auto viewer = OpenViewer("empty.txt", "");
    EXPECT_EQ(viewer->windowTitle(), "ASCII Preview - empty.txt");
    EXPECT_TRUE(viewer->Memo1->toPlainText().isEmpty());
    EXPECT_EQ(viewer->Memo1->blockCount(), 1);
}

TEST_F(TextViewerTest, BytesAbove127AreTakenInTheGamesEncoding)
{
    auto viewer = OpenViewer("accents.txt", "caf\xE9 \x80" "5 \x93quoted\x94 \x9F\xFF\r\nunassigned \x81\x8D");
    EXPECT_EQ(Lines(viewer->Memo1), QStringList({QString::fromUtf8("café €5 “quoted” Ÿÿ"),
                                                 QString::fromUtf8("unassigned \uFFFD\uFFFD")}));
}

TEST_F(TextViewerTest, LargeFileLoadsAtOnce)
{
    std::string bytes;
    const int lineCount = 120000;
    for (int i = 0; i < lineCount; ++i)
        bytes += "line " + std::to_string(i) + " of a large script with some words on it\r\n";
    ASSERT_GT(bytes.size(), 5u * 1000 * 1000);

    QElapsedTimer timer;
    timer.start();
    auto viewer = OpenViewer("large.nss", bytes);
    const qint64 elapsed = timer.elapsed();

    EXPECT_EQ(viewer->Memo1->blockCount(), lineCount);
    EXPECT_EQ(viewer->Memo1->document()->lastBlock().text(),
              QString("line %1 of a large script with some words on it").arg(lineCount - 1));
    EXPECT_LT(elapsed, 15000) << "loading took " << elapsed << " ms";
}

TEST_F(TextViewerTest, ClosingEmptiesTheTextBox)
{
    auto viewer = OpenViewer("readme.txt", "text\r\n");
    ASSERT_FALSE(viewer->Memo1->toPlainText().isEmpty());
    EXPECT_TRUE(viewer->close());
    EXPECT_TRUE(viewer->Memo1->toPlainText().isEmpty());
}

TEST_F(TextViewerTest, EmbeddedInAPanelItHasNoFrameOfItsOwn)
{
    QWidget panel;
    panel.resize(400, 300);
    auto *viewer = new TFrm_TXT(&panel);
    viewer->setGeometry(panel.rect());
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    viewer->OpenFile(WriteFile("settings.ini", "[Sound]\r\nVolume=80\r\n"));
    EXPECT_FALSE(viewer->isWindow());
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->mapTo(&panel, QPoint(0, 0)), QPoint(0, 0));
    EXPECT_EQ(Lines(viewer->Memo1), QStringList({"[Sound]", "Volume=80"}));
}

TEST_F(TextViewerTest, AsciiCommandOpensTheChosenFileInAChildWindow)
{
    auto main = CreateMainWindow();
    OpenFileAnswers = {WriteFile("demo_settings.ini", "[Display]\r\nWidth=800\r\n")};
    ClickMenuCommand(main.get(), {"File1", "ASCII1"}, "OpenASCII");

    ASSERT_EQ(OpenFileRequests.size(), 1u);
    TFrm_TXT *viewer = OnlyTextChild(*main);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->windowTitle(), "ASCII Preview - demo_settings.ini");
    EXPECT_EQ(main->MdiArea()->subWindowList()[0]->windowTitle(), "ASCII Preview - demo_settings.ini");
    EXPECT_EQ(Lines(viewer->Memo1), QStringList({"[Display]", "Width=800"}));
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(TextViewerTest, MissingFileIsReportedAndTheWindowStaysEmpty)
{
    auto main = CreateMainWindow();
    const QString missing = QString::fromStdString(ProgramFolder()) + "gone.txt";
    OpenFileAnswers = {missing};
    ClickMenuCommand(main.get(), {"File1", "ASCII1"}, "OpenASCII");

    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_EQ(ShownMessages[0].Icon, QMessageBox::Critical);
    EXPECT_TRUE(ShownMessages[0].Text.contains("Cannot open file")) << ShownMessages[0].Text.toStdString();
    EXPECT_TRUE(ShownMessages[0].Text.contains(missing)) << ShownMessages[0].Text.toStdString();
    TFrm_TXT *viewer = OnlyTextChild(*main);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->windowTitle(), "ASCII Preview - gone.txt");
    EXPECT_TRUE(viewer->Memo1->toPlainText().isEmpty());
}
