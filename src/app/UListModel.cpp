#include "app/UListModel.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

#include <algorithm>

namespace {
constexpr int kLastColumnMargin = 20;
} // namespace

TListModel::TListModel(std::vector<TListColumn> columns, TCellText cellText, QObject *parent)
    : QAbstractTableModel(parent), m_columns(std::move(columns)), m_cellText(std::move(cellText))
{
}

void TListModel::SetColumns(std::vector<TListColumn> columns)
{
    beginResetModel();
    m_columns = std::move(columns);
    m_rowCount = 0;
    endResetModel();
}

void TListModel::Relist(int rowCount, const std::function<void()> &between)
{
    // Rows are removed and inserted rather than reset, so the header keeps the
    // column widths the user gave it.
    if (m_rowCount > 0) {
        beginRemoveRows({}, 0, m_rowCount - 1);
        m_rowCount = 0;
        endRemoveRows();
    }
    if (between)
        between();
    if (rowCount > 0) {
        beginInsertRows({}, 0, rowCount - 1);
        m_rowCount = rowCount;
        endInsertRows();
    }
}

void TListModel::Append(int count)
{
    if (count <= 0)
        return;
    beginInsertRows({}, m_rowCount, m_rowCount + count - 1);
    m_rowCount += count;
    endInsertRows();
}

int TListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int TListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant TListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rowCount || index.column() >= int(m_columns.size()))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_cellText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_columns[std::size_t(index.column())].Alignment | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant TListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= int(m_columns.size()))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_columns[std::size_t(section)].Caption;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_columns[std::size_t(section)].Alignment | Qt::AlignVCenter);
    default:
        return {};
    }
}

bool TListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role)
{
    if (orientation != Qt::Horizontal || section < 0 || section >= int(m_columns.size()) ||
        (role != Qt::EditRole && role != Qt::DisplayRole))
        return false;
    m_columns[std::size_t(section)].Caption = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

QModelIndex TListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    if ((action == MoveHome || action == MoveEnd) && model() && model()->rowCount() > 0) {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        return model()->index(action == MoveHome ? 0 : model()->rowCount() - 1, column);
    }
    return QTableView::moveCursor(action, modifiers);
}

void SetUpListGrid(QTableView *grid, TListModel *model)
{
    grid->setModel(model);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setShowGrid(true);
    grid->setGridStyle(Qt::SolidLine);
    grid->setWordWrap(false);
    grid->setTextElideMode(Qt::ElideRight);
    grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    grid->setTabKeyNavigation(false);

    QHeaderView *columns = grid->horizontalHeader();
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setStretchLastSection(false);
    columns->setHighlightSections(false);
    columns->setSectionsClickable(false);
    columns->setMinimumSectionSize(8);

    // Rows of one height need no measuring, whatever the table's size.
    QHeaderView *rows = grid->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(grid->fontMetrics().height() + 4);
    ApplyColumnWidths(grid, model);
}

void ApplyColumnWidths(QTableView *grid, const TListModel *model)
{
    for (std::size_t column = 0; column < model->Columns().size(); ++column)
        grid->setColumnWidth(int(column), model->Columns()[column].Width);
}

void FillLastColumn(QTableView *view)
{
    const int columns = view->model() ? view->model()->columnCount() : 0;
    if (columns == 0)
        return;
    int width = view->width() - kLastColumnMargin;
    for (int column = 0; column + 1 < columns; ++column)
        width -= view->columnWidth(column);
    view->setColumnWidth(columns - 1, std::max(width, view->horizontalHeader()->minimumSectionSize()));
}

void FocusRow(QTableView *view, int row)
{
    const QModelIndex index = view->model()->index(row, 0);
    view->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(index);
}
