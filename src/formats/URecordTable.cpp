#include "formats/URecordTable.h"

#include "app/UApplication.h"
#include "formats/UTableModel.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

#include <algorithm>
#include <utility>

namespace {
constexpr int kLastColumnMargin = 20;
} // namespace

TRecordTableModel::TRecordTableModel(QStringList headers, TCellText cellText, QObject *parent)
    : QAbstractTableModel(parent), m_headers(std::move(headers)), m_cellText(std::move(cellText))
{
}

void TRecordTableModel::ShowAll(std::size_t count)
{
    beginResetModel();
    m_all = true;
    m_count = count;
    m_records.clear();
    endResetModel();
}

void TRecordTableModel::ShowRecords(std::vector<std::size_t> records)
{
    beginResetModel();
    m_all = false;
    m_count = records.size();
    m_records = std::move(records);
    endResetModel();
}

void TRecordTableModel::Clear()
{
    ShowRecords({});
}

std::size_t TRecordTableModel::Record(int row) const
{
    return m_all ? std::size_t(row) : m_records[std::size_t(row)];
}

int TRecordTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_count);
}

int TRecordTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant TRecordTableModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    return FromCoreString(m_cellText(Record(index.row()), index.column()));
}

QVariant TRecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section >= 0 &&
        section < m_headers.size())
        return m_headers[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

void SetUpRecordView(QTableView *view, TRecordTableModel *model, const std::vector<int> &widths)
{
    SetUpListGrid(view);
    view->setModel(model);
    view->setTabKeyNavigation(false);
    for (std::size_t column = 0; column < widths.size(); ++column)
        view->setColumnWidth(int(column), widths[column]);
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
