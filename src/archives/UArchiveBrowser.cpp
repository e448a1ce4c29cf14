#include "archives/UArchiveBrowser.h"

#include "app/UApplication.h"
#include "app/UCancel.h"
#include "app/UDialogs.h"
#include "app/UFrm_Progress.h"
#include "archives/UPreview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLinearGradient>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

// ---------------------------------------------------------------- TCaptionStrip

namespace {
// The two ends of an inactive title bar's gradient and the caption's navy.
const QColor kStripLeft(0xBD, 0xCC, 0xE0);
const QColor kStripRight(0xEC, 0xF1, 0xF8);
const QColor kStripLine(0x93, 0xA6, 0xC0);
const QColor kStripText(0x00, 0x00, 0x80);
} // namespace

TCaptionStrip::TCaptionStrip(const QString &name, const QString &caption, QWidget *parent)
    : QWidget(parent), m_caption(caption)
{
    setObjectName(name);
    QFont heavy = font();
    heavy.setWeight(QFont::Black);
    setFont(heavy);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TCaptionStrip::SetCaption(const QString &caption)
{
    m_caption = caption;
    update();
}

QSize TCaptionStrip::sizeHint() const
{
    return {80, std::max(kDesignHeight, fontMetrics().height() + 2)};
}

void TCaptionStrip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QLinearGradient gradient(rect().topLeft(), rect().topRight());
    gradient.setColorAt(0, kStripLeft);
    gradient.setColorAt(1, kStripRight);
    painter.fillRect(rect(), gradient);
    painter.setPen(kStripLine);
    painter.drawLine(rect().bottomLeft(), rect().bottomRight());
    painter.setPen(kStripText);
    painter.drawText(rect().adjusted(6, 0, -4, -1), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     m_caption);
}

// ---------------------------------------------------------------- TPreviewPanel

TPreviewPanel::TPreviewPanel(const QString &name, QWidget *parent)
    : QFrame(parent), m_caption(QString::fromLatin1(kCaption))
{
    setObjectName(name);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    // The layout fills the area inside the frame.
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

void TPreviewPanel::SetCaption(const QString &caption)
{
    m_caption = caption;
    update();
}

void TPreviewPanel::Embed(QWidget *viewer)
{
    viewer->setParent(this, Qt::Widget); // a child widget: no frame, no title bar
    layout()->addWidget(viewer);
    update();
}

QWidget *TPreviewPanel::Viewer() const
{
    for (int i = 0; i < layout()->count(); ++i)
        if (QWidget *widget = layout()->itemAt(i)->widget())
            return widget;
    return nullptr;
}

void TPreviewPanel::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    if (!ShowsCaption())
        return;
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(contentsRect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, m_caption);
}

// ---------------------------------------------------------------- TResourceView

TResourceView::TResourceView(const QString &name, std::vector<TListColumn> columns, TListModel::TCellText cellText,
                             QWidget *parent)
    : TListView(parent)
{
    setObjectName(name);
    m_model = new TListModel(std::move(columns), std::move(cellText), this);
    setModel(m_model);

    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setGridStyle(Qt::SolidLine);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setSortingEnabled(false);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);

    // One fixed height for every row: the view never measures rows, so a list
    // of 100,000 resources scrolls as fast as a short one.
    QHeaderView *rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(std::max(18, fontMetrics().height() + 4));

    QHeaderView *header = horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    header->setSectionsClickable(true);
    header->setSectionsMovable(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Clicking a header flips its sort mark; the rows keep the reader's order.
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    for (int column = 0; column < m_model->columnCount(); ++column)
        header->resizeSection(column, m_model->Columns()[std::size_t(column)].Width);
}

void TResourceView::Relist(int rowCount, const std::function<void()> &between)
{
    m_model->Relist(rowCount, between);
}

int TResourceView::FocusedRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TResourceView::SetFocusedRow(int row)
{
    if (row < 0 || row >= RowCount())
        return;
    selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(m_model->index(row, 0));
}

std::vector<int> TResourceView::SelectedRows() const
{
    std::vector<int> rows;
    for (const QItemSelectionRange &range : selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

int TResourceView::SelectedRowCount(int limit) const
{
    std::set<int> rows;
    for (const QItemSelectionRange &range : selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            rows.insert(row);
            if (int(rows.size()) >= limit)
                return limit;
        }
    }
    return int(rows.size());
}

void TResourceView::mousePressEvent(QMouseEvent *event)
{
    m_endsDoubleClick = false;
    if (event->button() == Qt::LeftButton)
        m_leftPressed = true;
    TListView::mousePressEvent(event);
}

void TResourceView::mouseReleaseEvent(QMouseEvent *event)
{
    TListView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const bool click = m_leftPressed && !m_endsDoubleClick;
    m_leftPressed = false;
    m_endsDoubleClick = false;
    if (click && OnClick)
        OnClick();
}

void TResourceView::mouseDoubleClickEvent(QMouseEvent *event)
{
    TListView::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    m_endsDoubleClick = true;
    if (OnDblClick)
        OnDblClick();
}

void TResourceView::contextMenuEvent(QContextMenuEvent *event)
{
    if (!m_popupMenu)
        return TListView::contextMenuEvent(event);
    QPoint where = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard && currentIndex().isValid())
        where = viewport()->mapToGlobal(visualRect(currentIndex()).bottomLeft());
    m_popupMenu->popup(where);
    event->accept();
}

QAction *AddMenuItem(QMenu *menu, const char *name, const char *caption)
{
    auto *action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

// ---------------------------------------------------------------- TRowFollower

TRowFollower::TRowFollower(QTableView *view, std::function<void()> settled)
    : QObject(view), m_view(view), m_settled(std::move(settled))
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(kSettleMs);
    connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { m_timer.start(); });
    connect(&m_timer, &QTimer::timeout, this, [this] {
        const QModelIndex current = m_view->currentIndex();
        if (!current.isValid() || current.row() == m_handled)
            return;
        // A list disabled meanwhile (a preview being built) is asked again later.
        if (!m_view->isEnabled()) {
            m_timer.start();
            return;
        }
        m_handled = current.row();
        m_settled();
    });
}

// ---------------------------------------------------------------- TArchiveBrowser

TArchiveBrowser::TArchiveBrowser(const QString &name, const QString &caption, std::vector<TListColumn> resColumns,
                                 const std::string &defaultDir, bool fromErf, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(name);
    setWindowTitle(caption);

    ListRes = new TResourceView(QStringLiteral("ListRes"), std::move(resColumns),
                                [this](int row, int column) { return ListResGetText(row, column); });
    Panel1 = new TPreviewPanel(QStringLiteral("Panel1"));

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    ExtractTo = AddMenuItem(PopupMenu2, "ExtractTo", "Extract file(s) to ..");
    ExtractAll1 = AddMenuItem(PopupMenu2, "ExtractAll1", "Extract All");
    ListRes->SetPopupMenu(PopupMenu2);
    OpenDirDialog = new TOpenDirDialog(this);

    ListRes->OnClick = [this] { ListResClick(); };
    ListRes->OnDblClick = [this] { ListResDblClick(); };
    m_follower = new TRowFollower(ListRes, [this] { ListResClick(); });
    connect(ExtractTo, &QAction::triggered, this, &TArchiveBrowser::ExtractToClick);
    connect(ExtractAll1, &QAction::triggered, this, [this] { ExtractAll1Click(); });

    OpenDirDialog->SetDirectory(FromPath(defaultDir));
    m_preview = std::make_unique<TPreview>(Panel1, fromErf);
    m_preview->SetLists({ListRes});
}

TArchiveBrowser::~TArchiveBrowser() = default;

void TArchiveBrowser::SetPreviewLists(std::vector<QWidget *> lists)
{
    m_preview->SetLists(std::move(lists));
}

void TArchiveBrowser::ReleasePreview()
{
    m_preview.reset();
}

int TArchiveBrowser::PreviewKind() const
{
    return m_preview ? m_preview->Kind() : kPreviewNone;
}

QWidget *TArchiveBrowser::PreviewViewer() const
{
    return m_preview ? m_preview->Viewer() : nullptr;
}

std::string TArchiveBrowser::ChosenFolder() const
{
    return ToPath(OpenDirDialog->Directory());
}

bool TArchiveBrowser::BuildingPreview() const
{
    return m_preview && m_preview->Building();
}

void TArchiveBrowser::ListResClick()
{
    m_follower->Handled(ListRes->FocusedRow());
    ClosePreview();
    if (AutoPreview() && ListRes->SelectedRowCount(2) <= 1)
        PreviewSelected();
}

void TArchiveBrowser::ListResDblClick()
{
    struct TFocusBack {
        QWidget *List;
        ~TFocusBack() { List->setFocus(); }
    } focusBack{ListRes};
    m_follower->Handled(ListRes->FocusedRow());
    ClosePreview();
    PreviewSelected();
}

void TArchiveBrowser::PreviewSelected()
{
    const int row = ListRes->FocusedRow();
    TPreviewResource resource;
    if (row < 0 || !m_preview || !RowResource(row, resource))
        return;
    m_preview->Show(resource);
}

void TArchiveBrowser::ClosePreview()
{
    if (m_preview)
        m_preview->Close();
}

void TArchiveBrowser::ExtractToClick()
{
    const std::vector<int> rows = ListRes->SelectedRows();
    if (rows.empty() || !OpenDirDialog->Execute(this))
        return;
    RunExport(this, QString::fromLatin1(kExporting), qint64(rows.size()), [&](TExportRun &run) {
        std::size_t next = 0;
        ExtractRows(rows, ChosenFolder(), [&] {
            run.Step(QStringLiteral("Exporting : ") + RowFileText(rows[std::min(next, rows.size() - 1)]));
            ++next;
        });
    });
}

void TArchiveBrowser::closeEvent(QCloseEvent *event)
{
    // Not while an export or a preview is under way.
    if (!isEnabled() || (m_preview && m_preview->Building())) {
        event->ignore();
        return;
    }
    // The preview closes first, so a sound preview's file goes with it.
    ClosePreview();
    ClearLists();
    event->accept();
}
