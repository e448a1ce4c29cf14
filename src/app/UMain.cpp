#include "app/UMain.h"

#include "app/About.h"
#include "app/UApplication.h"
#include "app/UCTRAD.h"
#include "app/UDialogs.h"
#include "app/UFrm_Option.h"
#include "app/UUtil.h"
#include "archives/UFrm_BIF.h"
#include "archives/UFrm_ModView.h"
#include "formats/UFrm_2DA.h"
#include "formats/UFrm_SSF.h"
#include "formats/UFrm_TLK.h"
#include "formats/UFrm_TXT.h"
#include "formats/UFrm_UTX.h"
#include "media/UFrm_IMG.h"
#include "media/UFrm_SND.h"
#include "packer/UFrm_ModEdit.h"
#include "model/UFrm_MDL.h"
#include "model/UFrm_PLT.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QStyle>

#include <algorithm>

namespace {
// The model view sets up its GL view once it is shown, then reads the model,
// looking for its textures beside the file.
void OpenInModelView(TFrmMain &main, const QString &path)
{
    auto *view = new TFrm_MDL;
    main.AddChildWindow(view);
    view->InitView();
    view->OpenModel(path);
}
} // namespace

// A command gets its viewer by naming it in the last column, for example
// &OpenInViewer<TFrm_2DA>, or a function of its own for a viewer loaded otherwise.
const std::vector<TFileCommand> &FileCommands()
{
    static const std::vector<TFileCommand> commands = {
        {"MODHAKERF1", "&MOD HAK ERF", "OpenMod", "OpenDialogMOD",
         "*.MOD *.HAK *.ERF *.NWM|*.MOD;*.HAK;*.ERF;*.NWM|*.ERF|*.ERF|*.HAK|*.HAK|*.MOD|*.MOD|*.NWM|*.NWM",
         &OpenInViewer<TFrm_MODView>},
        {"N2DA1", "&2DA", "Open2DA", "OpenDialog2DA", "*.2DA|*.2DA", &OpenInViewer<TFrm_2DA>},
        {"ASCII1", "&ASCII", "OpenASCII", "OpenDialogASCII",
         "INI TXT NSS SET WOK TXI DWK PWK|*.INI;*.TXT;*.NSS;*.SET;*.WOK;*.TXI;*.DWK;*.PWK|INI |*.INI|"
         "TXT|*.TXT|NSS|*.NSS|SET|*.SET|WOK|*.WOK|TXI|*.TXI|DWK|*.DWK|PWK|*.PWK",
         &OpenInViewer<TFrm_TXT>},
        {"MDL1", "M&DL", "OpenMDL", "OpenDialogMDL", "*.MDL|*.MDL", &OpenInModelView},
        {"PLT1", "&PLT", "OpenPLT", "OpenDialogPLT", "*.PLT|*.PLT", &OpenInViewer<TFrm_PLT>},
        {"SSF1", "&SSF", "OpenSSF", "OpenDialogSSF", "*.SSF|*.SSF", &OpenInViewer<TFrm_SSF>},
        {"TLK1", "&TLK", "OpenTLK", "OpenDialogTLK", "*.TLK|*.TLK", &OpenInViewer<TFrm_TLK>},
        {"UTXITPGxx1", "&UTX ITP GXX", "OpenUTX", "OpenDialogUTX",
         "*.UT* *.ITP *.GUI *.ARE *.GIT *.DLG *.FAC *.IFO|*.UT*;*.ITP;*.GUI;*.ARE;*.GIT;*.DLG;*.FAC;*.IFO",
         &OpenInViewer<TFrm_UTX>},
        {"Picture", "Pi&cture", "OpenIMG", "OpenDialogIMG",
         "TGA BMP JPG JPEG GIF PCX PNG PSD PSP TIF DDS|*.TGA;*.BMP;*.JPG;*.JPEG;*.GIF;*.PCX;*.PNG;*.PSD;*.PSP;*.TIF;*.DDS",
         &OpenInViewer<TFrm_IMG>},
        {"Sound1", "S&ound", "OpenSND", "OpenDialogSND",
         "WAV MP3 BMU|*.WAV;*.MP3;*.BMU|WAV|*.WAV|MP3|*.MP3|BMU|*.BMU", &OpenInViewer<TFrm_SND>},
    };
    return commands;
}

namespace {

// Stored sizes outside this range are taken to its nearest end.
constexpr int kMinWindowSide = 1;
constexpr int kMaxWindowSide = 16384;

QMenu *AddMenu(QMenuBar *bar, const char *name, const QString &title)
{
    auto *menu = new QMenu(title, bar);
    menu->setObjectName(QString::fromLatin1(name));
    bar->addMenu(menu);
    return menu;
}

QMenu *AddMenu(QMenu *parent, const char *name, const QString &title)
{
    auto *menu = new QMenu(title, parent);
    menu->setObjectName(QString::fromLatin1(name));
    parent->addMenu(menu);
    return menu;
}

QAction *AddItem(QWidget *menu, QObject *owner, const char *name, const QString &text)
{
    auto *action = new QAction(text, owner);
    action->setObjectName(QString::fromLatin1(name));
    menu->addAction(action);
    return action;
}

void AddSeparator(QMenu *menu, QObject *owner, const char *name)
{
    auto *separator = new QAction(owner);
    separator->setObjectName(QString::fromLatin1(name));
    separator->setSeparator(true);
    menu->addAction(separator);
}

} // namespace

TFrmMain::TFrmMain(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FrmMain"));
    TApplication::SetMainForm(this);

    m_mdiArea = new QMdiArea(this);
    m_mdiArea->setObjectName(QStringLiteral("MdiArea"));
    setCentralWidget(m_mdiArea);
    CreateOpenDialogs();
    CreateMenus();

    LoadOptions();
    Translator() = CTRAD();
    CreateTempFolder();
    if (!Settings().Language.empty()) {
        Translator().LoadLanguage(Settings().Language);
        Translator().Translate(this);
    }
    SetCaptions();
}

TFrmMain::~TFrmMain() = default;

void TFrmMain::CreateOpenDialogs()
{
    for (const TFileCommand &command : FileCommands()) {
        m_openDialogs.push_back(new TOpenDialog(QString::fromLatin1(command.DialogName),
                                                QString::fromLatin1(command.Filter), this));
    }
}

void TFrmMain::CreateMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    // Each file command is a submenu holding a single "Open" item.
    auto addFileCommand = [this](QMenu *file, std::size_t index) {
        const TFileCommand &command = FileCommands()[index];
        QMenu *menu = AddMenu(file, command.Menu, QString::fromLatin1(command.MenuCaption));
        QAction *open = AddItem(menu, this, command.MenuItem, QStringLiteral("&Open"));
        connect(open, &QAction::triggered, this, [this, index] { RunFileCommand(index); });
    };

    QMenu *file = AddMenu(bar, "File1", QStringLiteral("&File"));
    QMenu *bif = AddMenu(file, "BIF1", QStringLiteral("&BIF"));
    connect(AddItem(bif, this, "Duskmere1", QStringLiteral("&Duskmere")), &QAction::triggered, this,
            &TFrmMain::Duskmere1Click);
    addFileCommand(file, 0); // the archives stand above the packer
    AddSeparator(file, this, "N3");
    connect(AddItem(file, this, "Packer1", QStringLiteral("&Quorlin Packer")), &QAction::triggered, this,
            &TFrmMain::Packer1Click);
    AddSeparator(file, this, "N2");
    for (std::size_t index = 1; index < FileCommands().size(); ++index)
        addFileCommand(file, index);
    AddSeparator(file, this, "N5");
    connect(AddItem(file, this, "Exit", QStringLiteral("E&xit")), &QAction::triggered, this,
            &TFrmMain::ExitClick);

    QMenu *window = AddMenu(bar, "Window1", QStringLiteral("&Window"));
    connect(AddItem(window, this, "Tile1", QStringLiteral("&Tile")), &QAction::triggered, this,
            &TFrmMain::Tile1Click);
    connect(AddItem(window, this, "Cascade1", QStringLiteral("&Cascade")), &QAction::triggered, this,
            &TFrmMain::Cascade1Click);
    // Below Tile and Cascade, the open windows, the active one checked.
    connect(window, &QMenu::aboutToShow, this, [this, window] { ListChildWindows(window); });

    // The desktop's keys for child windows: Ctrl+F4 closes the active one (each
    // child window closes itself on Ctrl+W), Ctrl+Tab and Ctrl+F6 go to the next.
    auto addShortcuts = [this](const QList<QKeySequence> &keys, auto slot) {
        auto *action = new QAction(this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, m_mdiArea, slot);
        addAction(action);
    };
    addShortcuts({QKeySequence(Qt::CTRL | Qt::Key_F4)}, &QMdiArea::closeActiveSubWindow);
    addShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_F6)},
                 &QMdiArea::activateNextSubWindow);
    addShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F6)},
                 &QMdiArea::activatePreviousSubWindow);

    QMenu *option = AddMenu(bar, "Option", QStringLiteral("&Option"));
    connect(AddItem(option, this, "Preference", QStringLiteral("&Preference")), &QAction::triggered,
            this, &TFrmMain::PreferenceClick);

    connect(AddItem(bar, this, "About1", QStringLiteral("&About")), &QAction::triggered, this,
            &TFrmMain::About1Click);
}

void TFrmMain::ListChildWindows(QMenu *window)
{
    for (QAction *action : m_windowListActions) {
        window->removeAction(action);
        delete action;
    }
    m_windowListActions.clear();
    const QList<QMdiSubWindow *> children = m_mdiArea->subWindowList();
    if (children.isEmpty())
        return;
    auto *separator = new QAction(window);
    separator->setSeparator(true);
    window->addAction(separator);
    m_windowListActions << separator;
    for (qsizetype i = 0; i < children.size(); ++i) {
        QMdiSubWindow *child = children[i];
        const QString number = i < 9 ? QStringLiteral("&%1 ").arg(i + 1) : QStringLiteral("%1 ").arg(i + 1);
        QString title = child->windowTitle();
        auto *action = new QAction(number + title.replace(u'&', QStringLiteral("&&")), window);
        action->setCheckable(true);
        action->setChecked(child == m_mdiArea->activeSubWindow());
        connect(action, &QAction::triggered, this, [this, child] {
            if (!m_mdiArea->subWindowList().contains(child))
                return;
            if (child->isMinimized())
                child->showNormal();
            m_mdiArea->setActiveSubWindow(child);
        });
        window->addAction(action);
        m_windowListActions << action;
    }
}

void TFrmMain::SetCaptions()
{
    setWindowTitle(QString::fromLatin1(kCaption));
    TApplication::SetTitle(QString::fromLatin1(kApplicationTitle));
}

TOpenDialog *TFrmMain::OpenDialog(const QString &name) const
{
    for (TOpenDialog *dialog : m_openDialogs) {
        if (dialog->objectName() == name)
            return dialog;
    }
    return nullptr;
}

QMdiSubWindow *TFrmMain::AddChildWindow(QWidget *window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    // Every viewer gives itself its designed size; the frame adds its borders
    // and title bar around it, and a window larger than the area is shrunk to
    // fit, then moved back inside it.
    const QSize designed = window->size();
    QMdiSubWindow *child = m_mdiArea->addSubWindow(window);
    child->show();
    const QSize frame = child->size() - window->size();
    const QRect area = m_mdiArea->viewport()->rect();
    const QSize size = (designed + frame).boundedTo(area.size());
    const QPoint position(std::clamp(child->x(), area.left(), std::max(area.left(), area.right() + 1 - size.width())),
                          std::clamp(child->y(), area.top(), std::max(area.top(), area.bottom() + 1 - size.height())));
    child->setGeometry(QRect(position, size));
    return child;
}

void TFrmMain::RunFileCommand(std::size_t index)
{
    TOpenDialog *dialog = m_openDialogs.at(index);
    if (!dialog->Execute(this))
        return;
    if (TOpenViewer openViewer = FileCommands()[index].OpenViewer)
        openViewer(*this, dialog->FileName());
}

void TFrmMain::Duskmere1Click()
{
    const std::string gameFolder = GetGameFolder();
    if (gameFolder.empty()) {
        ShowErrorBox(this, TApplication::Title(),
                     QStringLiteral("No game folder is set. Choose the folder that holds chitin.key in "
                                    "Option > Preference, group \"Game\"."));
        return;
    }
    auto *browser = new TFrm_BIF;
    AddChildWindow(browser);
    // An install without chitin.key gives an empty browser.
    browser->OpenFile(FromPath(FindPathNoCase(gameFolder, "chitin.key")));
}

void TFrmMain::Packer1Click()
{
    // The packer starts empty, maximized: it needs room for its lists.
    AddChildWindow(new TFrm_MODEdit)->showMaximized();
}

void TFrmMain::ExitClick()
{
    // Ends the program like the close box does, settings included.
    close();
    QCoreApplication::quit();
}

QList<QMdiSubWindow *> TFrmMain::ArrangeableChildren()
{
    QList<QMdiSubWindow *> windows;
    for (QMdiSubWindow *window : m_mdiArea->subWindowList(QMdiArea::StackingOrder)) {
        if (!window->isVisible() || window->isMinimized())
            continue;
        if (window->isMaximized())
            window->showNormal();
        windows << window;
    }
    return windows;
}

void TFrmMain::Tile1Click()
{
    // Horizontal tiling: the child windows one above the other, each the full
    // width of the frame, the topmost window first.
    QList<QMdiSubWindow *> windows = ArrangeableChildren();
    std::reverse(windows.begin(), windows.end());
    const QRect area = m_mdiArea->viewport()->rect();
    int top = area.top();
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const int height = (area.bottom() + 1 - top) / int(windows.size() - i);
        windows[i]->setGeometry(area.left(), top, area.width(), height);
        top += height;
    }
}

void TFrmMain::Cascade1Click()
{
    // Each window one title bar further right and down than the one below it,
    // all of one size so that the topmost reaches the bottom-right corner. A
    // long row starts again at the top-left before windows get too small.
    const QList<QMdiSubWindow *> windows = ArrangeableChildren();
    if (windows.isEmpty())
        return;
    const QRect area = m_mdiArea->viewport()->rect();
    const int step = std::max(8, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, windows[0]));
    const int maxSteps = std::max(0, std::min(area.width(), area.height()) / 2 / step);
    const int steps = std::min(int(windows.size()) - 1, maxSteps);
    const QSize size(area.width() - steps * step, area.height() - steps * step);
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const int offset = int(i % (maxSteps + 1)) * step;
        windows[i]->setGeometry(QRect(area.topLeft() + QPoint(offset, offset), size));
    }
}

void TFrmMain::PreferenceClick()
{
    {
        TFrm_Option dialog(this);
        dialog.exec();
    }
    if (!Settings().Language.empty()) {
        Translator().LoadLanguage(Settings().Language);
        // Processing events may close windows: each is watched until its turn.
        std::vector<QPointer<QWidget>> windows;
        for (QWidget *window : CTRAD::AllWindows())
            windows.emplace_back(window);
        for (const QPointer<QWidget> &window : windows) {
            if (window) {
                Translator().Translate(window);
                QCoreApplication::processEvents();
            }
        }
    }
    SetCaptions();
}

void TFrmMain::CreateAboutWindow()
{
    if (!m_about)
        m_about = new TFrm_About(this);
}

void TFrmMain::About1Click()
{
    if (m_about)
        m_about->exec();
}

void TFrmMain::LoadOptions()
{
    TWindowGeometry geometry;
    ::LoadOptions(GetOptionFilePath(), Settings(), geometry);
    ApplyGeometry(geometry);
}

void TFrmMain::SaveOptions()
{
    ::SaveOptions(GetOptionFilePath(), Settings(), CurrentGeometry());
}

void TFrmMain::ApplyGeometry(const TWindowGeometry &geometry)
{
    // Left and Top are never read: the window opens centred on the screen.
    const QSize size(std::clamp(geometry.Width, kMinWindowSide, kMaxWindowSide),
                     std::clamp(geometry.Height, kMinWindowSide, kMaxWindowSide));
    resize(size);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(size.width() / 2, size.height() / 2));
    if (geometry.State != 0)
        setWindowState(windowState() | Qt::WindowMaximized);
}

TWindowGeometry TFrmMain::CurrentGeometry() const
{
    // A maximised (or minimised) window stores the bounds it returns to, so the
    // next start can still offer the size the user last gave it.
    TWindowGeometry stored;
    const bool restorable = windowState() & (Qt::WindowMaximized | Qt::WindowMinimized |
                                              Qt::WindowFullScreen);
    const QRect bounds = restorable && normalGeometry().isValid() ? normalGeometry() : geometry();
    stored.Width = bounds.width();
    stored.Height = bounds.height();
    stored.Left = restorable ? bounds.left() : x();
    stored.Top = restorable ? bounds.top() : y();
    stored.State = isMaximized() ? 1 : 0;
    return stored;
}

void TFrmMain::closeEvent(QCloseEvent *event)
{
    SaveOptions();
    event->accept();
}
