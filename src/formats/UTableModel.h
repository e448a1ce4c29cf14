// A read-only grid of text cells with one title per column, shared by the
// table viewers (2DA rows, sound set slots). Cells are kept as the core reads
// them and turned into display text only when the grid draws them, so tables
// of thousands of rows show at once.
#pragma once

#include <QAbstractTableModel>

#include <string>
#include <vector>

class QTableView;

class TStringTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using TRow = std::vector<std::string>;

    explicit TStringTableModel(QObject *parent = nullptr);

    // Replaces columns and rows in one reset. A row with fewer cells than
    // columns shows empty cells at its end.
    void SetTable(std::vector<std::string> titles, std::vector<TRow> rows);
    // Replaces the rows and keeps the columns (and so their widths in a view).
    void SetRows(std::vector<TRow> rows);
    // Removes every row and column.
    void Clear();

    const std::vector<std::string> &Titles() const { return m_titles; }
    const std::vector<TRow> &Rows() const { return m_rows; }
    // The cell's text as read; empty outside the table.
    const std::string &Cell(int row, int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // Column titles can be replaced (the interface translation does it).
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;

private:
    std::vector<std::string> m_titles;
    std::vector<TRow> m_rows;
};

// The look of the viewers' lists: whole rows selected one at a time, grid
// lines, no editing, no row numbers, left-aligned column titles the user can
// resize, and rows of one fixed height.
void SetUpListGrid(QTableView *grid);
