// The 2DA viewer: a table text parsed into a grid, an "ID" column for the row
// labels and one column per named column, every cell shown exactly as
// written. Opened from File > 2DA > Open and embedded by the archive browsers,
// which hand over the resource's bytes without writing a file. A double click
// on a row shows the row in a detail window.
#pragma once

#include <QString>
#include <QWidget>

#include "formats/UCTOKEN.h"

#include <string>

class CGameTextCodec;
class QTableView;
class TListModel;

class TFrm_2DA : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "2DA Preview";

    explicit TFrm_2DA(QWidget *parent = nullptr);

    // Adds " - " and the file's name to the caption, then reads and parses the
    // file. Raises EFileError when it cannot be read (the caption keeps the
    // name, the grid stays empty).
    void OpenFile(const QString &path);
    // Parses table text held in memory; the caption stays as it is.
    void OpenText(const std::string &text);

    QTableView *ListRes = nullptr;
    TListModel *Model() const { return m_model; }
    const T2DATable &Table() const { return m_table; }

public slots:
    // Shows the focused row in a TFrm_2DAPreview, modally, centred over the
    // main window; nothing when no row is focused.
    void ListResDblClick();

protected:
    // FormClose and FormCloseQuery: closing is always allowed and empties the grid.
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TListModel *m_model = nullptr;
    T2DATable m_table; // cells as written, in the game's encoding
    const CGameTextCodec *m_codec = nullptr;

    // fileName names the table in errors (empty for text held in memory).
    void Parse(std::string text, const std::string &fileName);
    QString Cell(int row, int column) const;
};
