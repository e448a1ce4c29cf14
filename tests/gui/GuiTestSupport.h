// Shared fixture of the window tests: a fresh program folder per test and
// dialogs that answer from a script instead of waiting for a user.
#pragma once

#include "app/UDialogs.h"
#include "app/UCINIFILE.h"

#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QWidget;
class TFrmMain;

// A message box as the seam received it.
struct TShownMessage {
    QMessageBox::Icon Icon;
    QString Caption;
    QString Text;
    QMessageBox::StandardButtons Buttons;
};

class TGuiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The temporary program folder, ending in a separator.
    std::string ProgramFolder() const;
    std::string OptionFilePath() const;
    void WriteOptionFile(const std::string &text) const;
    CINIFILE ReadOptionFile() const;

    // Creates the main window and, when show is set, shows it and waits until
    // it is on screen.
    std::unique_ptr<TFrmMain> CreateMainWindow(bool show = true);

    // Scripted answers of the open and save dialogs, used in order; none left: cancel.
    std::deque<QString> OpenFileAnswers;
    std::vector<TOpenFileRequest> OpenFileRequests;
    std::deque<QString> SaveFileAnswers;
    std::vector<TSaveFileRequest> SaveFileRequests;
    std::vector<TShownMessage> ShownMessages;
    // Answers of message boxes that ask, in order; none left: OK.
    std::deque<QMessageBox::StandardButton> MessageAnswers;

private:
    QTemporaryDir m_folder;
    TOpenFileHandler m_previousOpenFile;
    TSaveFileHandler m_previousSaveFile;
    TFolderHandler m_previousFolder;
    TMessageBoxHandler m_previousMessageBox;
};

// Points the game folder (QUORLIN_GAME_FOLDER) at folder for the life of the object.
class TScopedGameFolder {
public:
    explicit TScopedGameFolder(const std::string &folder);
    ~TScopedGameFolder();
    TScopedGameFolder(const TScopedGameFolder &) = delete;
    TScopedGameFolder &operator=(const TScopedGameFolder &) = delete;

private:
    bool m_hadValue;
    QByteArray m_previous;
};

// While it lives, files without read permission cannot be read, even by root:
// the thread gives up the capabilities that override file permissions.
class TScopedPermissionsObeyed {
public:
    TScopedPermissionsObeyed();
    ~TScopedPermissionsObeyed();
    TScopedPermissionsObeyed(const TScopedPermissionsObeyed &) = delete;
    TScopedPermissionsObeyed &operator=(const TScopedPermissionsObeyed &) = delete;

private:
    std::uint32_t m_effective = 0;
    bool m_changed = false;
};

// A window test with an empty game folder of its own and no cached talk table.
class TGameFolderTest : public TGuiTest {
protected:
    void SetUp() override;
    void TearDown() override;
    std::filesystem::path GameFolder() const { return m_gameFolder.path().toStdString(); }

private:
    QTemporaryDir m_gameFolder;
    std::unique_ptr<TScopedGameFolder> m_scope;
};

// Finds a component of a window by its name; fails the test when it is missing.
QAction *FindAction(QWidget *window, const QString &name);
QMenu *FindMenu(QWidget *window, const QString &name);

// Chooses a menu command as a user does: clicks the menu bar entry of the
// first menu of the path ("File1"), walks into each further submenu ("N2DA1")
// with the arrow keys and clicks the item (its action's name) in the last one.
void ClickMenuCommand(QWidget *window, const QStringList &menus, const QString &item);
