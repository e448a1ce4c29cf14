#include "archives/UResourceListModel.h"

TResourceListModel::TResourceListModel(std::vector<TListColumn> columns, TCellText cellText, QObject *parent)
    : QAbstractTableModel(parent), m_columns(std::move(columns)), m_cellText(std::move(cellText))
{
}

void TResourceListModel::Relist(int rowCount, const std::function<void()> &between)
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

int TResourceListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowCount;
}

int TResourceListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant TResourceListModel::data(const QModelIndex &index, int role) const
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

QVariant TResourceListModel::headerData(int section, Qt::Orientation orientation, int role) const
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

bool TResourceListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role)
{
    if (orientation != Qt::Horizontal || section < 0 || section >= int(m_columns.size()) ||
        (role != Qt::EditRole && role != Qt::DisplayRole))
        return false;
    m_columns[std::size_t(section)].Caption = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}
