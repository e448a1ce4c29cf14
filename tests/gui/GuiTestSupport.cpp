#include "GuiTestSupport.h"

#include "formats/UCTLK.h"

#include "app/UCTRAD.h"
#include "app/UMain.h"
#include "app/USettings.h"
#include "app/UUtil.h"

#include <QAction>
#include <QApplication>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <fstream>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

void TGuiTest::SetUp()
{
    ASSERT_TRUE(m_folder.isValid());
    SetProgramFolder(m_folder.path().toStdString());
    Settings() = TSettings{};

    m_previousOpenFile = SetOpenFileHandler([this](const TOpenFileRequest &request) {
        OpenFileRequests.push_back(request);
        if (OpenFileAnswers.empty())
            return QString();
        QString answer = OpenFileAnswers.front();
        OpenFileAnswers.pop_front();
        return answer;
    });
    m_previousSaveFile = SetSaveFileHandler([this](const TSaveFileRequest &request) {
        SaveFileRequests.push_back(request);
        if (SaveFileAnswers.empty())
            return QString();
        QString answer = SaveFileAnswers.front();
        SaveFileAnswers.pop_front();
        return answer;
    });
    m_previousFolder = SetFolderHandler([](const TFolderRequest &) { return QString(); });
    m_previousMessageBox = SetMessageBoxHandler([this](const TMessageBoxRequest &request) {
        ShownMessages.push_back({request.Icon, request.Caption, request.Text, request.Buttons});
        if (MessageAnswers.empty())
            return QMessageBox::Ok;
        const QMessageBox::StandardButton answer = MessageAnswers.front();
        MessageAnswers.pop_front();
        return answer;
    });
}

void TGuiTest::TearDown()
{
    // Close menus or windows a failed test may have left open.
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMenu *>(widget))
            widget->hide();
    }
    QApplication::processEvents();
    SetOpenFileHandler(std::move(m_previousOpenFile));
    SetSaveFileHandler(std::move(m_previousSaveFile));
    SetFolderHandler(std::move(m_previousFolder));
    SetMessageBoxHandler(std::move(m_previousMessageBox));
    SetProgramFolder({});
    // No language or locale a test chose reaches the next one.
    Translator() = CTRAD();
    QLocale::setDefault(QLocale::system());
}

std::string TGuiTest::ProgramFolder() const
{
    return GetProgramFolder();
}

std::string TGuiTest::OptionFilePath() const
{
    return ProgramFolder() + "option.ini";
}

void TGuiTest::WriteOptionFile(const std::string &text) const
{
    std::ofstream file(OptionFilePath(), std::ios::binary);
    file << text;
}

CINIFILE TGuiTest::ReadOptionFile() const
{
    CINIFILE ini;
    EXPECT_TRUE(ini.Load(OptionFilePath())) << "option.ini was not written";
    return ini;
}

std::unique_ptr<TFrmMain> TGuiTest::CreateMainWindow(bool show)
{
    auto main = std::make_unique<TFrmMain>();
    if (show) {
        main->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(main.get()));
    }
    return main;
}

QAction *FindAction(QWidget *window, const QString &name)
{
    auto *action = window->findChild<QAction *>(name);
    EXPECT_NE(action, nullptr) << "no menu item " << name.toStdString();
    return action;
}

QMenu *FindMenu(QWidget *window, const QString &name)
{
    auto *menu = window->findChild<QMenu *>(name);
    EXPECT_NE(menu, nullptr) << "no menu " << name.toStdString();
    return menu;
}

namespace {
// Clicks the entry of action in a menu bar or menu that is on screen.
template <class TMenuWidget>
void ClickEntry(TMenuWidget *widget, QAction *action)
{
    const QRect entry = widget->actionGeometry(action);
    ASSERT_TRUE(entry.isValid()) << "menu entry not laid out: " << action->text().toStdString();
    QTest::mouseMove(widget, entry.center());
    QTest::mouseClick(widget, Qt::LeftButton, {}, entry.center());
}
} // namespace

void ClickMenuCommand(QWidget *window, const QStringList &menus, const QString &item)
{
    auto *main = qobject_cast<QMainWindow *>(window);
    ASSERT_NE(main, nullptr);
    ASSERT_FALSE(menus.isEmpty());
    QMenu *first = FindMenu(window, menus.constFirst());
    ASSERT_NE(first, nullptr);
    ClickEntry(main->menuBar(), first->menuAction());
    ASSERT_TRUE(QTest::qWaitFor([first] { return first->isVisible(); }, 5000)) << "menu did not open";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(first));
    // Submenus open with the arrow keys: opening them by hovering depends on
    // where the display's pointer is, which other programs may move.
    QMenu *open = first;
    for (qsizetype i = 1; i < menus.size(); ++i) {
        QMenu *sub = FindMenu(window, menus[i]);
        ASSERT_NE(sub, nullptr);
        for (qsizetype step = 0; step <= open->actions().size(); ++step) {
            if (open->activeAction() == sub->menuAction())
                break;
            QTest::keyClick(open, Qt::Key_Down);
        }
        ASSERT_EQ(open->activeAction(), sub->menuAction()) << "no entry for " << menus[i].toStdString();
        QTest::keyClick(open, Qt::Key_Right);
        ASSERT_TRUE(QTest::qWaitFor([sub] { return sub->isVisible(); }, 5000))
            << "submenu did not open";
        ASSERT_TRUE(QTest::qWaitForWindowExposed(sub));
        open = sub;
    }
    QAction *action = FindAction(window, item);
    ASSERT_NE(action, nullptr);
    ClickEntry(open, action);
    QApplication::processEvents();
}

namespace {
constexpr const char *kGameFolderVariable = "QUORLIN_GAME_FOLDER";
}

TScopedGameFolder::TScopedGameFolder(const std::string &folder)
    : m_hadValue(qEnvironmentVariableIsSet(kGameFolderVariable)), m_previous(qgetenv(kGameFolderVariable))
{
    qputenv(kGameFolderVariable, QByteArray::fromStdString(folder));
}

TScopedGameFolder::~TScopedGameFolder()
{
    if (m_hadValue)
        qputenv(kGameFolderVariable, m_previous);
    else
        qunsetenv(kGameFolderVariable);
}

void TGameFolderTest::SetUp()
{
    TGuiTest::SetUp();
    ASSERT_TRUE(m_gameFolder.isValid());
    m_scope = std::make_unique<TScopedGameFolder>(GameFolder().string());
    ClearTalkTableCache();
}

void TGameFolderTest::TearDown()
{
    ClearTalkTableCache();
    m_scope.reset();
    TGuiTest::TearDown();
}

namespace {
constexpr std::uint32_t kOverridingCapabilities = (1u << 1) | (1u << 2); // DAC override, DAC read search

bool Capabilities(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capget, &header, data) == 0;
}

bool SetCapabilities(__user_cap_data_struct (&data)[2])
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capset, &header, data) == 0;
}
} // namespace

TScopedPermissionsObeyed::TScopedPermissionsObeyed()
{
    __user_cap_data_struct data[2] = {};
    if (!Capabilities(data) || (data[0].effective & kOverridingCapabilities) == 0)
        return;
    m_effective = data[0].effective;
    data[0].effective &= ~kOverridingCapabilities;
    m_changed = SetCapabilities(data);
}

TScopedPermissionsObeyed::~TScopedPermissionsObeyed()
{
    __user_cap_data_struct data[2] = {};
    if (m_changed && Capabilities(data)) {
        data[0].effective = m_effective;
        SetCapabilities(data);
    }
}
