// Shared pieces of the archive browser tests: demo data, real mouse clicks on
// the resource lists, scripted folder answers and a record of what the
// progress window showed during an export.
#pragma once

#include "GuiTestSupport.h"

#include "app/UDialogs.h"
#include "archives/UArchiveBrowser.h"
#include "archives/UPreview.h"

#include <QString>

#include <deque>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

class QAction;
class QMenu;

// The demo data written by quorlin-make-demo at build time.
std::filesystem::path DemoFolder();
QString DemoKeyPath();
QString DemoSample(const std::string &name);

// The text of a cell as the list shows it.
QString Cell(const TResourceView *view, int row, int column);
// The texts of a whole row.
QStringList RowTexts(const TResourceView *view, int row);
// The first row whose Name column shows name, -1 when none.
int RowOf(const TResourceView *view, const QString &name);

// Mouse actions on a row of a list, delivered through the window system like
// a user's (press and release, a double click's second press, a right click's
// context menu).
void ClickRow(TResourceView *view, int row, Qt::KeyboardModifiers modifiers = {});
void DoubleClickRow(TResourceView *view, int row);
// Right-clicks a row and returns the context menu it opened (nullptr when none).
QMenu *RightClickRow(TResourceView *view, int row);
// Clicks an item of an open menu.
void ClickMenuItem(QMenu *menu, QAction *action);
// Right-clicks row and chooses the item of the list's context menu.
void ChooseFromContextMenu(TResourceView *view, int row, QAction *action);

// Names of the plain files directly in folder.
std::set<std::string> FilesIn(const std::filesystem::path &folder);
std::string ReadBytes(const std::filesystem::path &path);
// Progress windows that still exist.
int ProgressWindowCount();

// One state of the progress window during an export.
struct TSeenProgress {
    QString Caption;
    QString Status;
    qint64 Position = 0;
    qint64 Maximum = 0;
    bool Visible = false;
    bool BrowserEnabled = true;
};

// A fresh program folder with its temporary folder, the demo data, scripted
// folder answers and a record of every progress window state.
class TBrowserTest : public TGuiTest {
protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path TempFolder() const;
    // A new folder below the test's folder, for extractions.
    std::filesystem::path NewFolder(const std::string &name) const;

    // Answers of the folder picker, in order; none left: cancelled.
    std::deque<QString> FolderAnswers;
    std::vector<TFolderRequest> FolderRequests;

    // What the progress window showed, in order; BrowserEnabled tells whether
    // WatchedBrowser was enabled at that moment.
    std::vector<TSeenProgress> SeenProgress;
    QWidget *WatchedBrowser = nullptr;

private:
    TExportObserver m_previousObserver;
};
