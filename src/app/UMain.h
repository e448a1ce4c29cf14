// The main window: a multiple-document frame whose menus open each kind of
// file in a viewer child window. It reads option.ini when it is created and
// writes it when it closes (or the user chooses File > Exit).
#pragma once

#include "app/USettings.h"

#include <QList>
#include <QMainWindow>
#include <QString>

#include <vector>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class TFrmMain;
class TFrm_About;
class TOpenDialog;

// Creates the viewer of a file command, shows it as a child window and loads path.
using TOpenViewer = void (*)(TFrmMain &main, const QString &path);

// One File command with a dialog: its submenu and "Open" item, its dialog, the
// dialog's filter ("description|patterns" pairs) and the viewer it opens.
struct TFileCommand {
    const char *Menu;
    const char *MenuCaption;
    const char *MenuItem;
    const char *DialogName;
    const char *Filter;
    TOpenViewer OpenViewer; // null while the command has no viewer
};
// The File commands in menu order.
const std::vector<TFileCommand> &FileCommands();

class TFrmMain : public QMainWindow {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "Quorlin Viewer v1.0.1 by Merrow [15/07/2002]";
    static constexpr const char *kApplicationTitle = "Quorlin Viewer v1.0.1";

    explicit TFrmMain(QWidget *parent = nullptr);
    ~TFrmMain() override;

    QMdiArea *MdiArea() const { return m_mdiArea; }
    // The open dialog of a file command, by component name ("OpenDialogMOD").
    TOpenDialog *OpenDialog(const QString &name) const;

    // Makes window a child window of the frame (deleted when closed) and shows it.
    QMdiSubWindow *AddChildWindow(QWidget *window);

    void LoadOptions();
    void SaveOptions();

    // Creates the about window, hidden until the About command shows it; it
    // lives as long as the main window.
    void CreateAboutWindow();
    TFrm_About *AboutWindow() const { return m_about; }

public slots:
    void Duskmere1Click();
    void Packer1Click();
    void ExitClick();
    void Tile1Click();
    void Cascade1Click();
    void PreferenceClick();
    void About1Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QMdiArea *m_mdiArea = nullptr;
    TFrm_About *m_about = nullptr;
    std::vector<TOpenDialog *> m_openDialogs; // in the order of FileCommands()
    QList<QAction *> m_windowListActions;      // the window list of the Window menu

    void CreateMenus();
    void CreateOpenDialogs();
    void SetCaptions();
    void RunFileCommand(std::size_t index);
    // Lists the open child windows at the end of the Window menu.
    void ListChildWindows(QMenu *window);
    // Visible, not minimised child windows from the bottom of the stack up,
    // restored from maximised.
    QList<QMdiSubWindow *> ArrangeableChildren();
    void ApplyGeometry(const TWindowGeometry &geometry);
    TWindowGeometry CurrentGeometry() const;
};

// The usual viewer of a file command: creates TViewer as a child window of the
// frame and calls its OpenFile with the chosen path.
template <class TViewer>
void OpenInViewer(TFrmMain &main, const QString &path)
{
    auto *viewer = new TViewer;
    main.AddChildWindow(viewer);
    viewer->OpenFile(path);
}
