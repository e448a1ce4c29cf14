// What the two archive browsers (TFrm_BIF and TFrm_MODView) share: the base
// window with the resource list, its preview and its extract commands, and the
// pieces both are built from: the caption strips above their lists, the preview
// panel and the resource list view (which the packer's list uses too).
#pragma once

#include "app/UDialogs.h"
#include "app/UFrm_Progress.h"
#include "app/UListModel.h"

#include <QAction>
#include <QFrame>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QTableView>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>


// A heading strip above a list ("BIF LIST"): navy text in a heavy font on the
// light gradient of an inactive title bar.
class TCaptionStrip : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString caption READ Caption WRITE SetCaption)
public:
    static constexpr int kDesignHeight = 16;

    TCaptionStrip(const QString &name, const QString &caption, QWidget *parent = nullptr);
    const QString &Caption() const { return m_caption; }
    void SetCaption(const QString &caption);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_caption;
};

// The right-hand panel of a browser. Its caption shows while no viewer is
// embedded; an embedded viewer fills it and hides the caption.
class TPreviewPanel : public QFrame {
    Q_OBJECT
    Q_PROPERTY(QString caption READ Caption WRITE SetCaption)
public:
    static constexpr const char *kCaption =
        "Double Click for preview file if you have desactivate autopreview";

    explicit TPreviewPanel(const QString &name, QWidget *parent = nullptr);
    const QString &Caption() const { return m_caption; }
    void SetCaption(const QString &caption);
    // Makes viewer a borderless child filling the panel.
    void Embed(QWidget *viewer);
    // The embedded viewer, nullptr when none.
    QWidget *Viewer() const;
    // True while the caption is on show (no embedded viewer).
    bool ShowsCaption() const { return Viewer() == nullptr; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_caption;
};

// A resource list: rows over a TListModel, whole rows selected, several
// at a time, grid lines, resizable columns whose headers show sort marks
// without sorting. A right click selects the row under the mouse and opens the
// list's context menu. OnClick runs after every left click in the list,
// OnDblClick after a double click (the click that ends it runs nothing).
class TResourceView : public TListView {
    Q_OBJECT
public:
    TResourceView(const QString &name, std::vector<TListColumn> columns, TListModel::TCellText cellText,
                  QWidget *parent = nullptr);

    TListModel *ListModel() const { return m_model; }
    void SetPopupMenu(QMenu *menu) { m_popupMenu = menu; }
    QMenu *PopupMenu() const { return m_popupMenu; }

    // Lists rowCount rows; between() runs while the list is empty.
    void Relist(int rowCount, const std::function<void()> &between = {});
    int RowCount() const { return m_model->rowCount(); }
    // The row with the keyboard focus, -1 when none.
    int FocusedRow() const;
    // Focuses row and makes it the only selected row.
    void SetFocusedRow(int row);
    // The selected rows in list order.
    std::vector<int> SelectedRows() const;
    // Counts selected rows, stopping at limit (cheap on huge selections).
    int SelectedRowCount(int limit) const;

    std::function<void()> OnClick;
    std::function<void()> OnDblClick;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    TListModel *m_model = nullptr;
    QPointer<QMenu> m_popupMenu;
    bool m_leftPressed = false;
    bool m_endsDoubleClick = false;
};

// Appends an item with the component name and caption to a context menu.
QAction *AddMenuItem(QMenu *menu, const char *name, const char *caption);

// Sets a reader's progress event for one export and unsets it however the
// export ends.
template <class TReader>
class TScopedExtractHandler {
public:
    TScopedExtractHandler(TReader &reader, std::function<void(TReader &)> handler) : m_reader(reader)
    {
        m_reader.OnExtract = std::move(handler);
    }
    ~TScopedExtractHandler() { m_reader.OnExtract = nullptr; }
    TScopedExtractHandler(const TScopedExtractHandler &) = delete;
    TScopedExtractHandler &operator=(const TScopedExtractHandler &) = delete;

private:
    TReader &m_reader;
};

class TPreview;
struct TPreviewResource;

// Runs settled() once the current row of a list has stopped moving: keys held
// down or typed ahead move it through many rows, and only the row the user
// stops on counts. The click handlers run at once and tell it which row they
// handled, so it never runs twice for one row.
class TRowFollower : public QObject {
public:
    static constexpr int kSettleMs = 60;
    TRowFollower(QTableView *view, std::function<void()> settled);
    // The current row has been dealt with (by a click).
    void Handled(int row) { m_handled = row; }

private:
    QTableView *m_view;
    std::function<void()> m_settled;
    QTimer m_timer;
    int m_handled = -1;
};

// The base of both archive browsers: the resource list ListRes with its context
// menu ("Extract file(s) to ..", "Extract All"), the preview panel and its one
// preview, the folder picker, and the behaviour of clicks, previews, the
// extraction of selected rows and closing. The preview follows the current row
// of ListRes whatever moves it (mouse, keys, type-ahead). Each browser adds its
// reader, its layout and what differs: the rows' resources, the auto-preview
// setting and "Extract All".
class TArchiveBrowser : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *kExporting = "Exporting resources";

    // The preview kind on show, -1 when none.
    int PreviewKind() const;
    QWidget *PreviewViewer() const;

    // The cell texts of ListRes.
    virtual QString ListResGetText(int row, int column) const = 0;

    void ListResClick();
    void ListResDblClick();
    void ExtractToClick();
    virtual void ExtractAll1Click() = 0;

    void PreviewSelected();
    void ClosePreview();

    TResourceView *ListRes = nullptr;
    TPreviewPanel *Panel1 = nullptr;
    QMenu *PopupMenu2 = nullptr;
    QAction *ExtractTo = nullptr;
    QAction *ExtractAll1 = nullptr;
    TOpenDirDialog *OpenDirDialog = nullptr;

protected:
    // resColumns: the columns of ListRes; defaultDir: the folder the picker
    // offers first; fromErf: the browser shows an ERF archive.
    TArchiveBrowser(const QString &name, const QString &caption, std::vector<TListColumn> resColumns,
                    const std::string &defaultDir, bool fromErf, QWidget *parent);
    ~TArchiveBrowser() override;

    // Whether a single click previews (the browser's setting).
    virtual bool AutoPreview() const = 0;
    // The resource of a row of ListRes, with the ways its reader exports it;
    // false when the row shows none.
    virtual bool RowResource(int row, TPreviewResource &resource) const = 0;
    // "Name.EXT" of a row of ListRes, as the progress window names it.
    virtual QString RowFileText(int row) const = 0;
    // Extracts the rows of ListRes into folder, calling beforeEach before each file.
    virtual void ExtractRows(const std::vector<int> &rows, const std::string &folder,
                             const std::function<void()> &beforeEach) = 0;
    // Empties the lists when the window closes.
    virtual void ClearLists() = 0;

    // The lists disabled while a preview is built.
    void SetPreviewLists(std::vector<QWidget *> lists);
    // Closes the preview while the reader it may use still exists: the
    // browsers call it first thing in their destructors.
    void ReleasePreview();
    // The folder chosen in the picker, in the platform's encoding.
    std::string ChosenFolder() const;
    // True while a preview is being built (the lists are disabled then).
    bool BuildingPreview() const;

    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<TPreview> m_preview;
    TRowFollower *m_follower = nullptr;
};
