#include "app/UDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include <memory>
#include <utility>

namespace {

template <class THandler>
THandler Replace(THandler &slot, THandler handler)
{
    THandler previous = std::move(slot);
    slot = std::move(handler);
    return previous;
}

TOpenFileHandler &OpenFileHandler()
{
    static TOpenFileHandler handler;
    return handler;
}

TSaveFileHandler &SaveFileHandler()
{
    static TSaveFileHandler handler;
    return handler;
}

TFolderHandler &FolderHandler()
{
    static TFolderHandler handler;
    return handler;
}

TMessageBoxHandler &MessageBoxHandler()
{
    static TMessageBoxHandler handler;
    return handler;
}

// The toolkit's own dialogs look and filter alike on every desktop.
constexpr QFileDialog::Options kDialogOptions =
    QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails;

// Sets the filter and preselects the start path: a folder to start in, or a file.
void Preset(QFileDialog &dialog, const TFileRequest &request)
{
    dialog.setNameFilter(request.Filter);
    if (!request.StartPath.isEmpty()) {
        QFileInfo start(request.StartPath);
        if (start.isDir()) {
            dialog.setDirectory(start.absoluteFilePath());
        } else {
            dialog.setDirectory(start.absolutePath());
            dialog.selectFile(start.fileName());
        }
    }
}

// Runs the dialog; the chosen path, empty when cancelled.
QString ChosenPath(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString RunFolderDialog(const TFolderRequest &request)
{
    QFileDialog dialog(request.Parent, request.Caption, request.StartFolder);
    dialog.setOptions(kDialogOptions | QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    if (!request.Title.isEmpty())
        dialog.setLabelText(QFileDialog::LookIn, request.Title);
    return ChosenPath(dialog);
}

QString RunSaveFileDialog(const TSaveFileRequest &request)
{
    QFileDialog dialog(request.Parent, request.Title);
    dialog.setOptions(kDialogOptions | QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    Preset(dialog, request);
    return ChosenPath(dialog);
}

QMessageBox::StandardButton RunMessageBox(const TMessageBoxRequest &request)
{
    QMessageBox box(request.Icon, request.Caption, request.Text, request.Buttons, request.Parent);
    if (request.DefaultButton != QMessageBox::NoButton)
        box.setDefaultButton(request.DefaultButton);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

} // namespace

TOpenFileHandler SetOpenFileHandler(TOpenFileHandler handler)
{
    return Replace(OpenFileHandler(), std::move(handler));
}

TSaveFileHandler SetSaveFileHandler(TSaveFileHandler handler)
{
    return Replace(SaveFileHandler(), std::move(handler));
}

TFolderHandler SetFolderHandler(TFolderHandler handler)
{
    return Replace(FolderHandler(), std::move(handler));
}

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler)
{
    return Replace(MessageBoxHandler(), std::move(handler));
}

QFileDialog *CreateOpenFileDialog(const TOpenFileRequest &request)
{
    auto *dialog = new QFileDialog(request.Parent, request.Title);
    dialog->setOptions(kDialogOptions);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    Preset(*dialog, request);
    return dialog;
}

QString AskOpenFileName(const TOpenFileRequest &request)
{
    if (OpenFileHandler())
        return OpenFileHandler()(request);
    std::unique_ptr<QFileDialog> dialog(CreateOpenFileDialog(request));
    return ChosenPath(*dialog);
}

QString AskSaveFileName(const TSaveFileRequest &request)
{
    if (SaveFileHandler())
        return SaveFileHandler()(request);
    return RunSaveFileDialog(request);
}

QString AskFolder(const TFolderRequest &request)
{
    if (FolderHandler())
        return FolderHandler()(request);
    return RunFolderDialog(request);
}

QMessageBox::StandardButton ShowMessageBox(const TMessageBoxRequest &request)
{
    if (MessageBoxHandler())
        return MessageBoxHandler()(request);
    return RunMessageBox(request);
}

void ShowErrorBox(QWidget *parent, const QString &caption, const QString &text)
{
    TMessageBoxRequest request;
    request.Parent = parent;
    request.Icon = QMessageBox::Critical;
    request.Caption = caption;
    request.Text = text;
    request.Buttons = QMessageBox::Ok;
    ShowMessageBox(request);
}

QString CaseInsensitivePattern(const QString &pattern)
{
    QString result;
    for (QChar c : pattern) {
        const QChar lower = c.toLower();
        const QChar upper = c.toUpper();
        if (lower == upper) {
            result += c;
        } else {
            result += u'[';
            result += upper;
            result += lower;
            result += u']';
        }
    }
    return result;
}

QString ConvertFilter(const QString &pairs)
{
    const QStringList parts = pairs.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString &pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty())
                patterns << CaseInsensitivePattern(trimmed);
        }
        entries << parts[i] + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return entries.join(u";;");
}

TFileDialog::TFileDialog(const QString &name, const QString &filter, TAsk ask, QObject *parent)
    : QObject(parent), m_filter(filter), m_ask(ask)
{
    setObjectName(name);
}

bool TFileDialog::Execute(QWidget *parent)
{
    TFileRequest request;
    request.Parent = parent;
    request.Title = m_title;
    request.Filter = ConvertFilter(m_filter);
    request.StartPath = m_fileName;
    const QString chosen = m_ask(request);
    if (chosen.isEmpty())
        return false;
    m_fileName = chosen;
    return true;
}

TOpenDirDialog::TOpenDirDialog(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("OpenDirDialog"));
}

bool TOpenDirDialog::Execute(QWidget *parent)
{
    TFolderRequest request;
    request.Parent = parent;
    request.Caption = m_caption;
    request.Title = m_title;
    request.StartFolder = m_directory;
    const QString chosen = AskFolder(request);
    if (chosen.isEmpty())
        return false;
    m_directory = chosen;
    return true;
}
