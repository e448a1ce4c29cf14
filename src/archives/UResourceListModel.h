// The table model behind the archive browsers' lists. It holds no rows of its
// own: it knows how many rows there are and asks its window for each cell's
// text (ListBifGetText, ListResGetText), so listing 100,000 resources costs no
// more than listing ten.
#pragma once

#include <QAbstractTableModel>
#include <QString>

#include <functional>
#include <vector>

struct TListColumn {
    QString Caption;
    int Width = 0;
    Qt::Alignment Alignment = Qt::AlignLeft;
};

class TResourceListModel : public QAbstractTableModel {
public:
    using TCellText = std::function<QString(int row, int column)>;

    TResourceListModel(std::vector<TListColumn> columns, TCellText cellText, QObject *parent = nullptr);

    const std::vector<TListColumn> &Columns() const { return m_columns; }

    // Removes every row, then lists rowCount rows; the cell texts are asked
    // for afresh (the window changes what its rows stand for in between).
    void Relist(int rowCount, const std::function<void()> &between = {});
    void Clear() { Relist(0); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Column captions can be replaced (translation); nothing else is editable.
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;

private:
    std::vector<TListColumn> m_columns;
    TCellText m_cellText;
    int m_rowCount = 0;
};
