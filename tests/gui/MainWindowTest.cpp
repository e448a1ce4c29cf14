// The main window: menus, file commands, child window arrangement and option.ini.
#include "GuiTestSupport.h"

#include "app/UApplication.h"
#include "app/UMain.h"
#include "app/USettings.h"
#include "app/UUtil.h"
#include "archives/UFrm_BIF.h"
#include "archives/UFrm_ModView.h"
#include "formats/UFrm_2DA.h"
#include "formats/UFrm_SSF.h"
#include "formats/UFrm_TLK.h"
#include "formats/UFrm_TXT.h"
#include "formats/UFrm_UTX.h"
#include "media/UFrm_IMG.h"

#include "testdata/KeyBifBuilder.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>

#include <filesystem>
#include <functional>
#include <fstream>

namespace {

struct TMenuEntry {
    int Depth;
    QString Name;
    QString Caption; // "-" for a separator
    bool operator==(const TMenuEntry &other) const
    {
        return Depth == other.Depth && Name == other.Name && Caption == other.Caption;
    }
};

void PrintTo(const TMenuEntry &entry, std::ostream *out)
{
    *out << entry.Depth << " " << entry.Name.toStdString() << " \"" << entry.Caption.toStdString()
         << "\"";
}

// Every entry of the menu bar, depth first, as the user sees it: a submenu
// under the name of its menu, an item or separator under its action's name.
void CollectEntries(const QList<QAction *> &actions, int depth, std::vector<TMenuEntry> &entries)
{
    for (QAction *action : actions) {
        if (QMenu *menu = action->menu()) {
            entries.push_back({depth, menu->objectName(), menu->title()});
            CollectEntries(menu->actions(), depth + 1, entries);
        } else if (action->isSeparator()) {
            entries.push_back({depth, action->objectName(), QStringLiteral("-")});
        } else {
            entries.push_back({depth, action->objectName(), action->text()});
        }
    }
}

std::vector<TMenuEntry> MenuEntries(TFrmMain &main)
{
    std::vector<TMenuEntry> entries;
    CollectEntries(main.menuBar()->actions(), 0, entries);
    return entries;
}

QRect ScreenArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// A child window with some content, as a viewer will be.
QMdiSubWindow *AddTestChild(TFrmMain &main, const QString &text)
{
    auto *content = new QLabel(text);
    content->resize(200, 120);
    QMdiSubWindow *child = main.AddChildWindow(content);
    child->resize(220, 150);
    return child;
}

// The names of the file commands with a dialog, the menus that hold them and
// their dialogs, in menu order.
struct TCommandPath {
    const char *Menu;
    const char *Item;
    const char *Dialog;
};
const TCommandPath kFileCommandPaths[] = {
    {"MODHAKERF1", "OpenMod", "OpenDialogMOD"}, {"N2DA1", "Open2DA", "OpenDialog2DA"},
    {"ASCII1", "OpenASCII", "OpenDialogASCII"}, {"MDL1", "OpenMDL", "OpenDialogMDL"},
    {"PLT1", "OpenPLT", "OpenDialogPLT"},       {"SSF1", "OpenSSF", "OpenDialogSSF"},
    {"TLK1", "OpenTLK", "OpenDialogTLK"},       {"UTXITPGxx1", "OpenUTX", "OpenDialogUTX"},
    {"Picture", "OpenIMG", "OpenDialogIMG"},    {"Sound1", "OpenSND", "OpenDialogSND"},
};

const char *const kGeneralKeys[] = {"Language",      "ModAutoPreview", "BifAutoPreview",
                                    "ModDefaultDir", "BifDefaultDir",  "UTXMakeText",
                                    "Width",         "Height",         "Left",
                                    "Top",           "State"};

} // namespace

using MainWindowTest = TGuiTest;

TEST_F(MainWindowTest, MenuBarHoldsEveryCommandWithItsNameAndCaptionInOrder)
{
    auto main = CreateMainWindow(false);
    const std::vector<TMenuEntry> expected = {
        {0, "File1", "&File"},
        {1, "BIF1", "&BIF"},
        {2, "Duskmere1", "&Duskmere"},
        {1, "MODHAKERF1", "&MOD HAK ERF"},
        {2, "OpenMod", "&Open"},
        {1, "N3", "-"},
        {1, "Packer1", "&Quorlin Packer"},
        {1, "N2", "-"},
        {1, "N2DA1", "&2DA"},
        {2, "Open2DA", "&Open"},
        {1, "ASCII1", "&ASCII"},
        {2, "OpenASCII", "&Open"},
        {1, "MDL1", "M&DL"},
        {2, "OpenMDL", "&Open"},
        {1, "PLT1", "&PLT"},
        {2, "OpenPLT", "&Open"},
        {1, "SSF1", "&SSF"},
        {2, "OpenSSF", "&Open"},
        {1, "TLK1", "&TLK"},
        {2, "OpenTLK", "&Open"},
        {1, "UTXITPGxx1", "&UTX ITP GXX"},
        {2, "OpenUTX", "&Open"},
        {1, "Picture", "Pi&cture"},
        {2, "OpenIMG", "&Open"},
        {1, "Sound1", "S&ound"},
        {2, "OpenSND", "&Open"},
        {1, "N5", "-"},
        {1, "Exit", "E&xit"},
        {0, "Window1", "&Window"},
        {1, "Tile1", "&Tile"},
        {1, "Cascade1", "&Cascade"},
        {0, "Option", "&Option"},
        {1, "Preference", "&Preference"},
        {0, "About1", "&About"},
    };
    EXPECT_EQ(MenuEntries(*main), expected);
}

// The keys a desktop user expects: Alt and a letter open a menu; Ctrl+Tab goes
// to the next child window; Ctrl+W and Ctrl+F4 close the active one; the
// Window menu lists the windows with the active one checked.
TEST_F(MainWindowTest, KeyboardOpensMenusAndCyclesAndClosesChildWindows)
{
    auto main = CreateMainWindow();
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    QTest::keyClick(main.get(), Qt::Key_F, Qt::AltModifier);
    QMenu *file = FindMenu(main.get(), "File1");
    ASSERT_TRUE(QTest::qWaitFor([file] { return file->isVisible(); }, 5000)) << "Alt+F opened no menu";
    QTest::keyClick(file, Qt::Key_Escape);

    QList<QMdiSubWindow *> children;
    for (const char *title : {"A", "B", "C"}) {
        auto *viewer = new TFrm_TXT;
        viewer->setWindowTitle(title);
        children << main->AddChildWindow(viewer);
    }
    QApplication::processEvents();
    auto listed = [&main] {
        QMenu *window = FindMenu(main.get(), "Window1");
        emit window->aboutToShow();
        QStringList entries;
        for (QAction *action : window->actions())
            entries << (action->isSeparator() ? QStringLiteral("-")
                                              : action->text() + (action->isChecked() ? QStringLiteral(" *") : QString()));
        return entries;
    };
    auto key = [](QKeyCombination combination) {
        QTest::keyClick(QApplication::focusWidget(), combination.key(), combination.keyboardModifiers());
        QApplication::processEvents();
    };
    EXPECT_EQ(listed(), QStringList({"&Tile", "&Cascade", "-", "&1 A", "&2 B", "&3 C *"}));
    key(Qt::CTRL | Qt::Key_Tab);
    EXPECT_EQ(main->MdiArea()->activeSubWindow(), children[0]);
    EXPECT_EQ(listed(), QStringList({"&Tile", "&Cascade", "-", "&1 A *", "&2 B", "&3 C"}));
    key(Qt::CTRL | Qt::Key_W);
    EXPECT_EQ(main->MdiArea()->subWindowList().size(), 2);
    key(Qt::CTRL | Qt::Key_F4);
    EXPECT_EQ(main->MdiArea()->subWindowList().size(), 1);
    key(Qt::CTRL | Qt::Key_W);
    EXPECT_EQ(listed(), QStringList({"&Tile", "&Cascade"}));
}

TEST_F(MainWindowTest, EveryMenuComponentIsFoundByNameFromTheWindow)
{
    // The translator looks components up by name below the window.
    auto main = CreateMainWindow(false);
    for (const char *menu : {"File1", "BIF1", "MODHAKERF1", "N2DA1", "ASCII1", "MDL1", "PLT1", "SSF1",
                             "TLK1", "UTXITPGxx1", "Picture", "Sound1", "Window1", "Option"}) {
        EXPECT_EQ(main->findChildren<QMenu *>(menu).size(), 1) << menu;
    }
    for (const char *item : {"Duskmere1", "OpenMod", "N3", "Packer1", "N2", "Open2DA", "OpenASCII",
                             "OpenMDL", "OpenPLT", "OpenSSF", "OpenTLK", "OpenUTX", "OpenIMG",
                             "OpenSND", "N5", "Exit", "Tile1", "Cascade1", "Preference", "About1"}) {
        EXPECT_EQ(main->findChildren<QAction *>(item).size(), 1) << item;
    }
    for (const TCommandPath &path : kFileCommandPaths)
        EXPECT_NE(main->findChild<TOpenDialog *>(path.Dialog), nullptr) << path.Dialog;
}

TEST_F(MainWindowTest, WindowHasMenuBarAndChildAreaOnly)
{
    auto main = CreateMainWindow();
    EXPECT_NE(qobject_cast<QMdiArea *>(main->centralWidget()), nullptr);
    EXPECT_TRUE(main->findChildren<QToolBar *>().isEmpty());
    EXPECT_TRUE(main->findChildren<QStatusBar *>().isEmpty());
    EXPECT_TRUE(main->menuBar()->isVisible());
}

TEST_F(MainWindowTest, CaptionAndApplicationTitle)
{
    auto main = CreateMainWindow();
    EXPECT_EQ(main->windowTitle(), "Quorlin Viewer v1.0.1 by Merrow [15/07/2002]");
    EXPECT_EQ(TApplication::Title(), "Quorlin Viewer v1.0.1");
}

TEST_F(MainWindowTest, DialogFiltersAreExactlyTheDesignedOnes)
{
    auto main = CreateMainWindow(false);
    const std::pair<const char *, const char *> expected[] = {
        {"OpenDialogMOD",
         "*.MOD *.HAK *.ERF *.NWM|*.MOD;*.HAK;*.ERF;*.NWM|*.ERF|*.ERF|*.HAK|*.HAK|*.MOD|*.MOD|*.NWM|*.NWM"},
        {"OpenDialog2DA", "*.2DA|*.2DA"},
        {"OpenDialogASCII",
         "INI TXT NSS SET WOK TXI DWK PWK|*.INI;*.TXT;*.NSS;*.SET;*.WOK;*.TXI;*.DWK;*.PWK|INI |*.INI|TXT|"
         "*.TXT|NSS|*.NSS|SET|*.SET|WOK|*.WOK|TXI|*.TXI|DWK|*.DWK|PWK|*.PWK"},
        {"OpenDialogMDL", "*.MDL|*.MDL"},
        {"OpenDialogPLT", "*.PLT|*.PLT"},
        {"OpenDialogSSF", "*.SSF|*.SSF"},
        {"OpenDialogTLK", "*.TLK|*.TLK"},
        {"OpenDialogUTX",
         "*.UT* *.ITP *.GUI *.ARE *.GIT *.DLG *.FAC *.IFO|*.UT*;*.ITP;*.GUI;*.ARE;*.GIT;*.DLG;*.FAC;*.IFO"},
        {"OpenDialogIMG",
         "TGA BMP JPG JPEG GIF PCX PNG PSD PSP TIF DDS|*.TGA;*.BMP;*.JPG;*.JPEG;*.GIF;*.PCX;*.PNG;*.PSD;*.PSP;*.TIF;*.DDS"},
        {"OpenDialogSND", "WAV MP3 BMU|*.WAV;*.MP3;*.BMU|WAV|*.WAV|MP3|*.MP3|BMU|*.BMU"},
    };
    for (const auto &[name, filter] : expected) {
        TOpenDialog *dialog = main->OpenDialog(name);
        ASSERT_NE(dialog, nullptr) << name;
        EXPECT_EQ(dialog->Filter(), QString::fromLatin1(filter)) << name;
    }
}

TEST_F(MainWindowTest, EachFileCommandRunsItsOwnDialog)
{
    auto main = CreateMainWindow();
    for (const TCommandPath &path : kFileCommandPaths) {
        OpenFileRequests.clear();
        FindAction(main.get(), path.Item)->trigger();
        ASSERT_EQ(OpenFileRequests.size(), 1u) << path.Item;
        EXPECT_EQ(OpenFileRequests[0].Filter, ConvertFilter(main->OpenDialog(path.Dialog)->Filter()))
            << path.Item;
        EXPECT_EQ(OpenFileRequests[0].Parent, main.get());
    }
}

TEST_F(MainWindowTest, CancelledDialogOpensNoChildWindow)
{
    auto main = CreateMainWindow();
    // Chosen with the mouse through the menus, as a user does.
    ClickMenuCommand(main.get(), {"File1", "N2DA1"}, "Open2DA");
    ASSERT_EQ(OpenFileRequests.size(), 1u);
    EXPECT_EQ(OpenFileRequests[0].Filter, ConvertFilter("*.2DA|*.2DA"));
    for (const TCommandPath &path : kFileCommandPaths)
        FindAction(main.get(), path.Item)->trigger();
    EXPECT_EQ(OpenFileRequests.size(), 1u + std::size(kFileCommandPaths));
    EXPECT_TRUE(main->MdiArea()->subWindowList().isEmpty());
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(MainWindowTest, DialogOffersThePreviousChoiceAgain)
{
    auto main = CreateMainWindow();
    const QString chosen = QString::fromStdString(ProgramFolder()) + "table.2da";
    std::ofstream(chosen.toStdString()) << "2DA V2.0\n";
    OpenFileAnswers = {chosen};
    QAction *open2da = FindAction(main.get(), "Open2DA");
    open2da->trigger();
    open2da->trigger(); // cancelled: the choice before it stays
    open2da->trigger();
    ASSERT_EQ(OpenFileRequests.size(), 3u);
    EXPECT_TRUE(OpenFileRequests[0].StartPath.isEmpty());
    EXPECT_EQ(OpenFileRequests[1].StartPath, chosen);
    EXPECT_EQ(OpenFileRequests[2].StartPath, chosen);
    EXPECT_EQ(main->OpenDialog("OpenDialog2DA")->FileName(), chosen);
    // Each dialog remembers its own choice.
    FindAction(main.get(), "OpenMDL")->trigger();
    EXPECT_TRUE(OpenFileRequests.back().StartPath.isEmpty());
}

TEST_F(MainWindowTest, FirstStartWithoutOptionFileUsesDefaults)
{
    ASSERT_FALSE(std::filesystem::exists(OptionFilePath()));
    Settings().Language = "changed before start";
    auto main = CreateMainWindow();
    EXPECT_EQ(Settings().Language, "English");
    EXPECT_TRUE(Settings().ModAutoPreview);
    EXPECT_TRUE(Settings().BifAutoPreview);
    EXPECT_EQ(Settings().ModDefaultDir, "");
    EXPECT_EQ(Settings().BifDefaultDir, "");
    EXPECT_FALSE(Settings().UTXMakeText);
    EXPECT_FALSE(main->isMaximized());
    EXPECT_EQ(main->size(), QSize(640, 480));
    const QPoint offset = main->geometry().center() - ScreenArea().center();
    EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
}

TEST_F(MainWindowTest, StartCreatesTheTemporaryFolder)
{
    ASSERT_FALSE(std::filesystem::exists(ProgramFolder() + "tmp"));
    auto main = CreateMainWindow(false);
    EXPECT_TRUE(std::filesystem::is_directory(ProgramFolder() + "tmp"));
}

TEST_F(MainWindowTest, StoredSizeIsUsedAndLeftTopHaveNoEffect)
{
    WriteOptionFile("[GENERAL]\nWidth=500\nHeight=400\nLeft=3\nTop=7\nState=0\n");
    auto main = CreateMainWindow();
    EXPECT_EQ(main->size(), QSize(500, 400));
    EXPECT_NE(main->pos(), QPoint(3, 7));
    const QPoint offset = main->geometry().center() - ScreenArea().center();
    EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
}

TEST_F(MainWindowTest, NonZeroStateOpensMaximisedAndClosingWritesStateOne)
{
    WriteOptionFile("[GENERAL]\nWidth=520\nHeight=410\nState=5\n");
    auto main = CreateMainWindow();
    EXPECT_TRUE(main->isMaximized());
    EXPECT_TRUE(main->close());
    CINIFILE ini = ReadOptionFile();
    EXPECT_EQ(ini.ReadInteger("GENERAL", "State", -1), 1);
    // The size the window returns to is kept for the next start.
    EXPECT_EQ(ini.ReadInteger("GENERAL", "Width", -1), 520);
    EXPECT_EQ(ini.ReadInteger("GENERAL", "Height", -1), 410);
}

TEST_F(MainWindowTest, ClosingWritesAllElevenKeysAndKeepsTheRestOfTheFile)
{
    WriteOptionFile("; settings\n[GENERAL]\nLanguage=French\nOwnKey=kept value\nWidth=600\n"
                    "[FRM_MDL]\nCameraDistance=12\n");
    auto main = CreateMainWindow();
    Settings().BifAutoPreview = false;
    Settings().ModDefaultDir = "/data/mods";
    Settings().UTXMakeText = true;
    main->resize(700, 520);
    main->move(40, 30);
    QTest::qWait(50);
    ASSERT_EQ(main->size(), QSize(700, 520));
    ASSERT_EQ(main->pos(), QPoint(40, 30));

    EXPECT_TRUE(main->close());

    CINIFILE ini = ReadOptionFile();
    for (const char *key : kGeneralKeys)
        EXPECT_TRUE(ini.Value("GENERAL", key).has_value()) << key;
    EXPECT_EQ(ini.ReadString("GENERAL", "Language", ""), "French");
    EXPECT_EQ(ini.ReadString("GENERAL", "ModAutoPreview", ""), "1");
    EXPECT_EQ(ini.ReadString("GENERAL", "BifAutoPreview", ""), "0");
    EXPECT_EQ(ini.ReadString("GENERAL", "ModDefaultDir", "?"), "/data/mods");
    EXPECT_EQ(ini.ReadString("GENERAL", "BifDefaultDir", "?"), "");
    EXPECT_EQ(ini.ReadString("GENERAL", "UTXMakeText", ""), "1");
    EXPECT_EQ(ini.ReadInteger("GENERAL", "Width", -1), 700);
    EXPECT_EQ(ini.ReadInteger("GENERAL", "Height", -1), 520);
    EXPECT_EQ(ini.ReadInteger("GENERAL", "Left", -1), main->x());
    EXPECT_EQ(ini.ReadInteger("GENERAL", "Top", -1), main->y());
    EXPECT_EQ(ini.ReadInteger("GENERAL", "State", -1), 0);
    EXPECT_EQ(ini.ReadString("GENERAL", "OwnKey", ""), "kept value");
    EXPECT_EQ(ini.ReadString("FRM_MDL", "CameraDistance", ""), "12");
}

TEST_F(MainWindowTest, NextStartUsesTheSizeTheWindowClosedWith)
{
    {
        auto main = CreateMainWindow();
        main->resize(610, 455);
        QTest::qWait(20);
        main->close();
    }
    auto next = CreateMainWindow();
    EXPECT_EQ(next->size(), QSize(610, 455));
}

TEST_F(MainWindowTest, ExitSavesTheSettingsAndEndsTheApplication)
{
    WriteOptionFile("[GENERAL]\nWidth=640\nHeight=480\n[FRM_MDL]\nZoom=3\n");
    auto main = CreateMainWindow();
    main->resize(730, 530);
    Settings().Language = "German";

    bool timedOut = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&timedOut] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    guard.start(10000);
    QTimer::singleShot(0, main.get(), [&main] { ClickMenuCommand(main.get(), {"File1"}, "Exit"); });
    const int result = QCoreApplication::exec();
    guard.stop();

    EXPECT_FALSE(timedOut) << "File > Exit did not end the application";
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(main->isVisible());
    CINIFILE ini = ReadOptionFile();
    EXPECT_EQ(ini.ReadString("GENERAL", "Language", ""), "German");
    EXPECT_EQ(ini.ReadInteger("GENERAL", "Width", -1), 730);
    EXPECT_EQ(ini.ReadInteger("GENERAL", "Height", -1), 530);
    EXPECT_EQ(ini.ReadInteger("GENERAL", "State", -1), 0);
    EXPECT_EQ(ini.ReadString("FRM_MDL", "Zoom", ""), "3");
}

TEST_F(MainWindowTest, TileAndCascadeWithoutChildWindowsDoNothing)
{
    auto main = CreateMainWindow();
    const QRect before = main->geometry();
    ClickMenuCommand(main.get(), {"Window1"}, "Tile1");
    ClickMenuCommand(main.get(), {"Window1"}, "Cascade1");
    EXPECT_TRUE(main->MdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(main->geometry(), before);
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(MainWindowTest, TilePlacesChildWindowsOneAboveTheOtherAtFullWidth)
{
    auto main = CreateMainWindow();
    QMdiSubWindow *first = AddTestChild(*main, "first");
    QMdiSubWindow *second = AddTestChild(*main, "second");
    first->move(30, 40);
    second->move(60, 70);
    QTest::qWait(20);

    ClickMenuCommand(main.get(), {"Window1"}, "Tile1");

    const QRect area = main->MdiArea()->viewport()->rect();
    const QRect top = first->geometry().top() < second->geometry().top() ? first->geometry()
                                                                         : second->geometry();
    const QRect bottom = top == first->geometry() ? second->geometry() : first->geometry();
    for (const QRect &window : {top, bottom}) {
        EXPECT_EQ(window.left(), area.left());
        EXPECT_EQ(window.width(), area.width());
    }
    EXPECT_EQ(top.top(), area.top());
    EXPECT_EQ(bottom.top(), top.bottom() + 1);
    EXPECT_EQ(bottom.bottom(), area.bottom());
    EXPECT_LE(std::abs(top.height() - bottom.height()), 1);
}

TEST_F(MainWindowTest, CascadeStaggersChildWindows)
{
    auto main = CreateMainWindow();
    QMdiSubWindow *first = AddTestChild(*main, "first");
    QMdiSubWindow *second = AddTestChild(*main, "second");
    first->setGeometry(100, 100, 220, 150);
    second->setGeometry(100, 100, 220, 150);
    second->showMaximized();
    QTest::qWait(20);

    ClickMenuCommand(main.get(), {"Window1"}, "Cascade1");

    // The window below starts at the top-left corner; the one on top is moved
    // right and down by the same step and reaches the bottom-right corner.
    const QRect area = main->MdiArea()->viewport()->rect();
    const QRect below = first->geometry();
    const QRect above = second->geometry();
    EXPECT_FALSE(second->isMaximized());
    EXPECT_EQ(below.topLeft(), area.topLeft());
    const QPoint step = above.topLeft() - below.topLeft();
    EXPECT_GT(step.x(), 0);
    EXPECT_EQ(step.x(), step.y());
    EXPECT_EQ(above.size(), below.size());
    EXPECT_EQ(above.bottomRight(), area.bottomRight());
    EXPECT_EQ(main->MdiArea()->subWindowList(QMdiArea::StackingOrder).last(), second);
}

// Each viewer opens as a child window at its designed size when the area has
// room for it, and is shrunk to fit the area when it has not.
TEST_F(MainWindowTest, ChildWindowsOpenAtTheirDesignedSizeAndFitTheArea)
{
    struct Case {
        const char *Viewer;
        std::function<QWidget *()> Create;
        QSize Designed;
    };
    const Case cases[] = {
        {"BIF", [] { return new TFrm_BIF; }, {748, 447}},    {"ERF", [] { return new TFrm_MODView; }, {748, 426}},
        {"2DA", [] { return new TFrm_2DA; }, {510, 317}},    {"SSF", [] { return new TFrm_SSF; }, {530, 316}},
        {"GFF", [] { return new TFrm_UTX; }, {549, 433}},    {"TLK", [] { return new TFrm_TLK; }, {524, 430}},
        {"TXT", [] { return new TFrm_TXT; }, {572, 473}},    {"IMG", [] { return new TFrm_IMG; }, {572, 472}},
    };
    auto main = CreateMainWindow();
    for (const QSize mainSize : {QSize(1100, 800), QSize(500, 360)}) {
        main->resize(mainSize);
        QApplication::processEvents();
        const QRect area = main->MdiArea()->viewport()->rect();
        for (const Case &c : cases) {
            QWidget *viewer = c.Create();
            QMdiSubWindow *child = main->AddChildWindow(viewer);
            QApplication::processEvents();
            EXPECT_TRUE(area.contains(child->geometry())) << c.Viewer << " in " << mainSize.width();
            if (mainSize.width() > 1000)
                EXPECT_EQ(viewer->size(), c.Designed) << c.Viewer;
            else
                EXPECT_LT(viewer->width(), c.Designed.width()) << c.Viewer;
            child->close();
        }
    }
}

TEST_F(MainWindowTest, BifAndPackerCommandsAskForNoFile)
{
    QTemporaryDir game;
    TScopedGameFolder scope(game.path().toStdString());
    auto main = CreateMainWindow();
    ClickMenuCommand(main.get(), {"File1", "BIF1"}, "Duskmere1");
    ClickMenuCommand(main.get(), {"File1"}, "Packer1");
    EXPECT_TRUE(OpenFileRequests.empty());
    EXPECT_TRUE(ShownMessages.empty());
    EXPECT_TRUE(main->isVisible());
}

TEST_F(MainWindowTest, BifCommandFindsTheKeyInAnyLetterCaseAndNeedsAGameFolder)
{
    QTemporaryDir game;
    testdata::KeyBifBuilder().WriteTo(game.path().toStdString(), "CHITIN.KEY");
    auto main = CreateMainWindow();
    {
        TScopedGameFolder scope(game.path().toStdString());
        main->Duskmere1Click();
    }
    ASSERT_EQ(main->MdiArea()->subWindowList().size(), 1);
    auto *browser = qobject_cast<TFrm_BIF *>(main->MdiArea()->subWindowList()[0]->widget());
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(std::filesystem::path(browser->Reader().FileName).filename(), "CHITIN.KEY");

    // Without a game folder the command says where to set one and opens nothing.
    main->Duskmere1Click();
    EXPECT_EQ(main->MdiArea()->subWindowList().size(), 1);
    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_TRUE(ShownMessages[0].Text.contains("No game folder")) << ShownMessages[0].Text.toStdString();
    EXPECT_TRUE(ShownMessages[0].Text.contains("Option > Preference")) << ShownMessages[0].Text.toStdString();
}
