// The program's standard dialogs: asking for a file to open, asking for a
// folder and showing a message box. Every window goes through these functions,
// so tests can install answers instead of showing real dialogs.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>

#include <functional>

class QFileDialog;
class QWidget;

// A request for a file to open or to save.
struct TFileRequest {
    QWidget *Parent = nullptr;
    QString Title;     // empty: the toolkit's default title
    QString Filter;    // Qt form: "Text (*.a *.b);;Other (*.c)"
    QString StartPath; // a file to preselect or a folder to start in
};
using TOpenFileRequest = TFileRequest;
using TSaveFileRequest = TFileRequest;

struct TFolderRequest {
    QWidget *Parent = nullptr;
    QString Caption;     // the picker window's caption
    QString Title;       // the text shown above the folder tree
    QString StartFolder; // empty: no preselection
};

struct TMessageBoxRequest {
    QWidget *Parent = nullptr;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QString Caption;
    QString Text;
    QMessageBox::StandardButtons Buttons = QMessageBox::Ok;
    QMessageBox::StandardButton DefaultButton = QMessageBox::NoButton;
};

// Each handler returns the user's answer: the chosen path (empty when
// cancelled) or the button pressed.
using TOpenFileHandler = std::function<QString(const TOpenFileRequest &)>;
using TSaveFileHandler = std::function<QString(const TSaveFileRequest &)>;
using TFolderHandler = std::function<QString(const TFolderRequest &)>;
using TMessageBoxHandler = std::function<QMessageBox::StandardButton(const TMessageBoxRequest &)>;

// Install a handler and return the one it replaces; an empty handler restores
// the real dialog.
TOpenFileHandler SetOpenFileHandler(TOpenFileHandler handler);
TSaveFileHandler SetSaveFileHandler(TSaveFileHandler handler);
TFolderHandler SetFolderHandler(TFolderHandler handler);
TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler);

QString AskOpenFileName(const TOpenFileRequest &request);
// Asks for a file to write: the folder must exist; the name is taken as
// typed (no extension added) and an existing file is replaced without asking.
QString AskSaveFileName(const TSaveFileRequest &request);
QString AskFolder(const TFolderRequest &request);
QMessageBox::StandardButton ShowMessageBox(const TMessageBoxRequest &request);
// A modal error box: error icon, OK button.
void ShowErrorBox(QWidget *parent, const QString &caption, const QString &text);

// The real open dialog behind AskOpenFileName, not yet shown (owned by the caller).
QFileDialog *CreateOpenFileDialog(const TOpenFileRequest &request);

// Turns a filter of "description|patterns" pairs ("*.2DA|*.2DA|All|*.*",
// patterns separated by ';') into the Qt form. Each entry shows its
// description, and every letter of a pattern matches either case, so "*.MOD"
// also offers "x.mod" on a case-sensitive file system.
QString ConvertFilter(const QString &pairs);
// "*.Mod" -> "*.[Mm][Oo][Dd]"; wildcards and other characters stay as they are.
QString CaseInsensitivePattern(const QString &pattern);

// A file dialog kept by its window for the whole run: it has a component
// name (its objectName) through which the translator sets its title, keeps
// its filter in "description|patterns" form, and offers the previous choice
// again when it runs the next time.
class TFileDialog : public QObject {
    Q_OBJECT
public:
    const QString &Filter() const { return m_filter; }
    const QString &Title() const { return m_title; }
    void SetTitle(const QString &title) { m_title = title; }
    // The last chosen file (or the one to preselect next time).
    const QString &FileName() const { return m_fileName; }
    void SetFileName(const QString &fileName) { m_fileName = fileName; }

    void SetFilter(const QString &filter) { m_filter = filter; }

    // Asks for a file; true when the user chose one (FileName()).
    bool Execute(QWidget *parent);

protected:
    using TAsk = QString (*)(const TFileRequest &);
    TFileDialog(const QString &name, const QString &filter, TAsk ask, QObject *parent);

private:
    QString m_filter;
    QString m_title;
    QString m_fileName;
    TAsk m_ask;
};

// Asks for one existing file to open.
class TOpenDialog : public TFileDialog {
    Q_OBJECT
public:
    TOpenDialog(const QString &name, const QString &filter, QObject *parent)
        : TFileDialog(name, filter, &AskOpenFileName, parent)
    {
    }
};

// Asks for a file to write.
class TSaveDialog : public TFileDialog {
    Q_OBJECT
public:
    TSaveDialog(const QString &name, const QString &filter, QObject *parent)
        : TFileDialog(name, filter, &AskSaveFileName, parent)
    {
    }
};

// A folder picker kept by its window (the browsers' "Extract Directory", the
// packer's "Export to"). It keeps its last selection for the life of its
// window and offers it again the next time.
class TOpenDirDialog : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString caption READ Caption WRITE SetCaption)
    Q_PROPERTY(QString title READ Title WRITE SetTitle)
public:
    static constexpr const char *kText = "Extract Directory";

    explicit TOpenDirDialog(QObject *parent = nullptr);
    const QString &Caption() const { return m_caption; }
    void SetCaption(const QString &caption) { m_caption = caption; }
    const QString &Title() const { return m_title; }
    void SetTitle(const QString &title) { m_title = title; }
    const QString &Directory() const { return m_directory; }
    void SetDirectory(const QString &directory) { m_directory = directory; }

    // Asks for a folder; true when the user confirmed one (Directory()).
    bool Execute(QWidget *parent);

private:
    QString m_caption = QString::fromLatin1(kText);
    QString m_title = QString::fromLatin1(kText);
    QString m_directory;
};
