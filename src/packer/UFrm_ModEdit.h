// The packer: a child window in which the user creates a MOD, HAK or ERF
// archive or opens one, adds resources by dragging files from the folder list
// beside it or rows from another packer window, removes and exports them,
// edits the archive's texts and saves it. A row and its entry are matched by
// name and type through the writer, never by position.
#pragma once

#include "archives/UArchiveBrowser.h"
#include "packer/UCMODPAK.h"

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QFileSystemModel;
class QLabel;
class QLineEdit;
class QMimeData;
class QPlainTextEdit;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeView;
class TOpenDialog;
class TSaveDialog;

class TFrm_MODEdit : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "Quorlin Packer";
    // Drag data: rows of a packer's list (its window number, then one line per
    // row), and the marker the packers' file lists add to their file URLs.
    static constexpr const char *kRowsMimeType = "application/x-quorlin-packer-rows";
    static constexpr const char *kFilesMimeType = "application/x-quorlin-packer-files";

    explicit TFrm_MODEdit(QWidget *parent = nullptr);
    ~TFrm_MODEdit() override;

    // The archive being edited, nullptr in the closed state.
    const CMODPAK *Writer() const { return m_writer.get(); }
    const QString &FileName() const { return m_fileName; }
    int Kind() const { return m_kind; }
    int PendingKind() const { return m_pendingKind; }
    bool Untitled() const { return m_untitled; }
    // The window's number in the drag data of its rows.
    int Number() const { return m_number; }

    QString ListResGetText(int row, int column) const;

    void NewErf1Click();
    void NewHAK1Click();
    void NewMOD1Click();
    void OpenClick();
    void SaveClick();
    void Saveas1Click();
    void SaveasERF1Click();
    void SaveasHAK1Click();
    void SaveasMOD1Click();
    void Close2Click();
    void Remove1Click();
    void Export1Click();
    void ExportAll1Click();

    // ListResDragOver: whether the list takes this drag (files from a packer's
    // file list, rows of another packer window).
    bool AcceptsDrop(const QMimeData *mime) const;
    // ListResDragDrop: adds what the drag carries.
    void ListResDragDrop(const QMimeData *mime);
    // The drag data of rows of this window's list.
    QMimeData *RowsMimeData(const std::vector<int> &rows) const;

    // Components, by their names.
    QToolBar *ToolBar1 = nullptr;
    QToolButton *New1 = nullptr;
    QToolButton *Open1 = nullptr;
    QToolButton *Save1 = nullptr;
    QToolButton *Close2 = nullptr;
    QMenu *PopupMenu_New = nullptr;
    QAction *NewErf1 = nullptr;
    QAction *NewHAK1 = nullptr;
    QAction *NewMOD1 = nullptr;
    QMenu *PopupMenu_Open = nullptr;
    QAction *Open = nullptr;
    QMenu *PopupMenu_Saveas = nullptr;
    QAction *Save = nullptr;
    QAction *Saveas1 = nullptr;
    QAction *SaveasERF1 = nullptr;
    QAction *SaveasHAK1 = nullptr;
    QAction *SaveasMOD1 = nullptr;
    QWidget *Panel1 = nullptr;
    QLabel *Lbl_Title = nullptr;
    QLineEdit *Edit1 = nullptr;
    QLabel *Lbl_URL = nullptr;
    QLineEdit *Edit2 = nullptr;
    QLabel *Lbl_Description = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    TResourceView *ListRes = nullptr;
    QSplitter *Splitter1 = nullptr;
    QTreeView *ShellTreeView1 = nullptr;
    QSplitter *Splitter2 = nullptr;
    QTreeView *ShellListView1 = nullptr;
    QLabel *StatusBar1 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *Remove1 = nullptr;
    QAction *Export1 = nullptr;
    QAction *ExportAll1 = nullptr;
    TOpenDialog *OpenDialog1 = nullptr;
    TSaveDialog *SaveDialog1 = nullptr;
    TOpenDirDialog *opendirdialog = nullptr;

protected:
    // FormClose: an open archive is closed first, with its save question.
    void closeEvent(QCloseEvent *event) override;
    // The folder tree shows its current folder once the window is on screen.
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A row keeps its own copy of its entry's name, type and size.
    struct TRow {
        std::string ResRef;
        std::int32_t ResType = 0;
        std::int32_t Size = 0;
    };

    std::unique_ptr<CMODPAK> m_writer;
    QString m_fileName;
    int m_kind = akNone;
    int m_pendingKind = akNone;
    bool m_untitled = true;
    QString m_proposedName; // prepared by a Save as kind item
    std::vector<TRow> m_rows;
    int m_number = 0; // this window's number in drag data
    QFileSystemModel *m_folders = nullptr;
    QFileSystemModel *m_files = nullptr;

    void CreateComponents();
    void CreateFolderBrowser();
    void StartNew(int kind, const QString &fileName);
    void SetupFieldsForKind(int kind, bool newArchive);
    void SetEditing(bool editing);
    void SetCaptionFromFileName();
    void UpdateStatus();
    void RemoveSelected();
    void AddRow(const RMOD_FILE &entry);
    void RelistRows();
    // Copies the three text fields into the writer in the game's encoding.
    void CopyFieldsToWriter();
    // Writes the archive at path; the window changes only once it is written.
    void SaveTo(const QString &path);
    void SaveAsWithProposal(const QString &proposal);
    void DropFiles(const QStringList &paths);
    void DropRows(TFrm_MODEdit &source, const std::vector<std::pair<std::string, std::int32_t>> &rows);
    // The entry of a row, -1 when the writer has none of its name and type.
    int EntryOf(int row) const;
    // TFrm_MODEdit.ExportProgress, the handler of CMODPAK::OnExport during "Export All".
    void ExportProgress(CMODPAK &writer, TExportRun &run);
};
