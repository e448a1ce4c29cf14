#include "formats/UTableModel.h"

#include "app/UApplication.h"

#include <QHeaderView>
#include <QTableView>

TStringTableModel::TStringTableModel(QObject *parent) : QAbstractTableModel(parent) {}

void TStringTableModel::SetTable(std::vector<std::string> titles, std::vector<TRow> rows)
{
    beginResetModel();
    m_titles = std::move(titles);
    m_rows = std::move(rows);
    endResetModel();
}

void TStringTableModel::SetRows(std::vector<TRow> rows)
{
    // Removing and inserting rows, unlike a reset, leaves the view's columns alone.
    if (!m_rows.empty()) {
        beginRemoveRows({}, 0, int(m_rows.size()) - 1);
        m_rows.clear();
        endRemoveRows();
    }
    if (!rows.empty()) {
        beginInsertRows({}, 0, int(rows.size()) - 1);
        m_rows = std::move(rows);
        endInsertRows();
    }
}

void TStringTableModel::Clear()
{
    SetTable({}, {});
}

const std::string &TStringTableModel::Cell(int row, int column) const
{
    static const std::string empty;
    if (row < 0 || std::size_t(row) >= m_rows.size() || column < 0)
        return empty;
    const TRow &cells = m_rows[std::size_t(row)];
    return std::size_t(column) < cells.size() ? cells[std::size_t(column)] : empty;
}

int TStringTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TStringTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_titles.size());
}

QVariant TStringTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return FromCoreString(Cell(index.row(), index.column()));
}

QVariant TStringTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        std::size_t(section) >= m_titles.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    return FromCoreString(m_titles[std::size_t(section)]);
}

bool TStringTableModel::setHeaderData(int section, Qt::Orientation orientation,
                                      const QVariant &value, int role)
{
    if (orientation != Qt::Horizontal || (role != Qt::EditRole && role != Qt::DisplayRole) ||
        section < 0 || std::size_t(section) >= m_titles.size())
        return false;
    m_titles[std::size_t(section)] = ToCoreString(value.toString());
    emit headerDataChanged(orientation, section, section);
    return true;
}

void SetUpListGrid(QTableView *grid)
{
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setShowGrid(true);
    grid->setGridStyle(Qt::SolidLine);
    grid->setWordWrap(false);
    grid->setTextElideMode(Qt::ElideRight);
    grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

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
}
