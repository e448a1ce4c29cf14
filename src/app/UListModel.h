// The one table model behind every list of the program (archive browsers,
// talk tables, GFF grids, 2DA tables, sound sets) and the look those lists
// share. The model holds no rows of its own: it knows how many rows there are
// and asks its window for each cell's text, so listing 100,000 resources costs
// no more than listing ten. Windows decode game text in their cell callback.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QTableView>

#include <functional>
#include <vector>

struct TListColumn {
    QString Caption;
    int Width = 0;
    Qt::Alignment Alignment = Qt::AlignLeft;
};

class TListModel : public QAbstractTableModel {
public:
    using TCellText = std::function<QString(int row, int column)>;

    TListModel(std::vector<TListColumn> columns, TCellText cellText, QObject *parent = nullptr);

    const std::vector<TListColumn> &Columns() const { return m_columns; }
    // Replaces every column; the rows go with them.
    void SetColumns(std::vector<TListColumn> columns);

    // Removes every row, then lists rowCount rows; the cell texts are asked
    // for afresh (the window changes what its rows stand for in between).
    void Relist(int rowCount, const std::function<void()> &between = {});
    void Clear() { Relist(0); }
    // Adds count rows at the end (the window has appended their records).
    void Append(int count);

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

// A list of whole rows: Home and End go to the first and last row, as in every
// list of the desktop (a table view would go to the first and last column).
class TListView : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
};

// The look of the viewers' lists over model: whole rows selected one at a
// time, grid lines, no editing, no row numbers, column titles the user can
// resize at the model's column widths, and rows of one fixed height.
void SetUpListGrid(QTableView *grid, TListModel *model);
// Gives the view's columns the widths of the model's columns.
void ApplyColumnWidths(QTableView *grid, const TListModel *model);

// The last column takes what the others leave of the list's width, less a
// margin of 20 pixels (for the frame and the vertical scroll bar).
void FillLastColumn(QTableView *view);

// Makes row the focused (current) and selected row and scrolls it into view.
void FocusRow(QTableView *view, int row);
