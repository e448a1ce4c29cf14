#include "BrowserTestSupport.h"

#include "app/UFrm_Progress.h"
#include "app/UUtil.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QWindow>

#include <fstream>
#include <iterator>

std::filesystem::path DemoFolder()
{
    return std::filesystem::path(QUORLIN_DEMO_DIR);
}

QString DemoKeyPath()
{
    return QString::fromStdString((DemoFolder() / "game" / "chitin.key").string());
}

QString DemoSample(const std::string &name)
{
    return QString::fromStdString((DemoFolder() / "samples" / name).string());
}

QString Cell(const TResourceView *view, int row, int column)
{
    return view->model()->index(row, column).data().toString();
}

QStringList RowTexts(const TResourceView *view, int row)
{
    QStringList texts;
    for (int column = 0; column < view->model()->columnCount(); ++column)
        texts << Cell(view, row, column);
    return texts;
}

int RowOf(const TResourceView *view, const QString &name)
{
    for (int row = 0; row < view->model()->rowCount(); ++row)
        if (Cell(view, row, 1) == name)
            return row;
    return -1;
}

namespace {

// Where a row's name cell lies, in the coordinates of the view's window.
QPoint RowPoint(TResourceView *view, int row, QWindow *&window)
{
    const QModelIndex index = view->model()->index(row, 1);
    view->scrollTo(index);
    const QPoint inViewport = view->visualRect(index).center();
    window = view->window()->windowHandle();
    EXPECT_NE(window, nullptr);
    return window ? window->mapFromGlobal(view->viewport()->mapToGlobal(inViewport)) : QPoint();
}

} // namespace

void ClickRow(TResourceView *view, int row, Qt::KeyboardModifiers modifiers)
{
    QWindow *window = nullptr;
    const QPoint where = RowPoint(view, row, window);
    if (window)
        QTest::mouseClick(window, Qt::LeftButton, modifiers, where);
}

void DoubleClickRow(TResourceView *view, int row)
{
    QWindow *window = nullptr;
    const QPoint where = RowPoint(view, row, window);
    if (window)
        QTest::mouseDClick(window, Qt::LeftButton, {}, where);
}

QMenu *RightClickRow(TResourceView *view, int row)
{
    QWindow *window = nullptr;
    const QPoint where = RowPoint(view, row, window);
    if (!window)
        return nullptr;
    QTest::mouseClick(window, Qt::RightButton, {}, where);
    QMenu *menu = view->PopupMenu();
    if (!menu || !QTest::qWaitFor([menu] { return menu->isVisible(); }, 5000))
        return nullptr;
    EXPECT_TRUE(QTest::qWaitForWindowExposed(menu));
    return menu;
}

void ClickMenuItem(QMenu *menu, QAction *action)
{
    const QRect entry = menu->actionGeometry(action);
    ASSERT_TRUE(entry.isValid()) << "menu item not laid out: " << action->text().toStdString();
    QTest::mouseMove(menu, entry.center());
    QTest::mouseClick(menu, Qt::LeftButton, {}, entry.center());
    QApplication::processEvents();
}

void ChooseFromContextMenu(TResourceView *view, int row, QAction *action)
{
    QMenu *menu = RightClickRow(view, row);
    ASSERT_NE(menu, nullptr) << "no context menu on " << view->objectName().toStdString();
    ASSERT_TRUE(menu->actions().contains(action));
    ClickMenuItem(menu, action);
}

std::set<std::string> FilesIn(const std::filesystem::path &folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error))
        if (entry.is_regular_file())
            names.insert(entry.path().filename().string());
    return names;
}

std::string ReadBytes(const std::filesystem::path &path)
{
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file.good()) << "cannot read " << path;
    return std::string(std::istreambuf_iterator<char>(file), {});
}

int ProgressWindowCount()
{
    int count = 0;
    for (QWidget *widget : QApplication::allWidgets())
        if (qobject_cast<TFrm_Progress *>(widget))
            ++count;
    return count;
}

void TBrowserTest::SetUp()
{
    TGuiTest::SetUp();
    CreateTempFolder();
    ASSERT_TRUE(std::filesystem::is_directory(TempFolder()));
    ASSERT_TRUE(std::filesystem::is_regular_file(DemoKeyPath().toStdString()))
        << "demo data missing: build the quorlin-demo target";
    SetFolderHandler([this](const TFolderRequest &request) {
        FolderRequests.push_back(request);
        if (FolderAnswers.empty())
            return QString();
        QString answer = FolderAnswers.front();
        FolderAnswers.pop_front();
        return answer;
    });
    m_previousObserver = SetExportObserver([this](const TFrm_Progress &progress) {
        SeenProgress.push_back({progress.windowTitle(), progress.StaticText1->text(), progress.Position(),
                                progress.Maximum(), progress.isVisible(),
                                WatchedBrowser ? WatchedBrowser->isEnabled() : true});
    });
}

void TBrowserTest::TearDown()
{
    SetExportObserver(std::move(m_previousObserver));
    TGuiTest::TearDown();
}

std::filesystem::path TBrowserTest::TempFolder() const
{
    return std::filesystem::path(GetTempFolder());
}

std::filesystem::path TBrowserTest::NewFolder(const std::string &name) const
{
    const std::filesystem::path folder = std::filesystem::path(ProgramFolder()) / name;
    std::filesystem::create_directories(folder);
    return folder;
}
