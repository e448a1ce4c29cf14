// Read-only lists over records that a reader keeps (talk table entries, GFF
// entries): the model looks each cell up when the view paints it, so a list
// of 120,000 records shows at once, with no item per row.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class QTableView;

class TRecordTableModel : public QAbstractTableModel {
public:
    // The text of one cell: record number and column, in the core's bytes.
    using TCellText = std::function<std::string(std::size_t record, int column)>;

    TRecordTableModel(QStringList headers, TCellText cellText, QObject *parent = nullptr);

    // Lists records 0 to count - 1, in order.
    void ShowAll(std::size_t count);
    // Lists the given records, in the given order.
    void ShowRecords(std::vector<std::size_t> records);
    void Clear();

    // The record behind a row; Record(row) for 0 <= row < rowCount().
    std::size_t Record(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QStringList m_headers;
    TCellText m_cellText;
    bool m_all = false;             // every record from 0 to m_count - 1
    std::size_t m_count = 0;
    std::vector<std::size_t> m_records; // the listed records unless m_all
};

// Gives view the model and its columns the widths, after the look of
// SetUpListGrid (whole rows, grid lines, fixed row height).
void SetUpRecordView(QTableView *view, TRecordTableModel *model, const std::vector<int> &widths);

// The last column takes what the others leave of the list's width, less a
// margin of 20 pixels (for the frame and the vertical scroll bar).
void FillLastColumn(QTableView *view);

// Makes row the focused (current) and selected row and scrolls it into view.
void FocusRow(QTableView *view, int row);
