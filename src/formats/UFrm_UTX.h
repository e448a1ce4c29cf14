// The GFF viewer: one GFF file (blueprints, item palettes, GUI, areas,
// dialogues, module information...) as a grid of its values and, when the
// setting UTXMakeText is on, as the text dump, which the user can save.
// Opened from File > UTX ITP GXX > Open and embedded by the archive browsers
// as the preview of GFF-family resources.
#pragma once

#include "formats/UCUT.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class TListModel;
class TSaveDialog;

// Closing is always allowed; as a child window it is freed when closed.
class TFrm_UTX : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "Preview UTx ITP GUI GFF IFO FAC ...";
    static constexpr const char *kInfoText = "You can use this data with Pellor tool asc2ipt.exe";

    // Loads the game's talk table for string references; the text page is
    // enabled when Settings().UTXMakeText is on.
    explicit TFrm_UTX(QWidget *parent = nullptr);
    ~TFrm_UTX() override;

    // Adds " - " and the file's name to the caption, reads the file and shows
    // its entries and (when enabled) its dump. A missing file shows nothing.
    // A damaged file raises EFileError; the grid and the text then stay empty.
    void OpenFile(const QString &path);

    const CUT &Reader() const { return *m_reader; }
    TListModel *GridModel() const { return m_gridModel; }

    QTabWidget *PageControl1 = nullptr;
    QWidget *Tab_Grid = nullptr;
    QWidget *Tab_Text = nullptr;
    QTableView *ListRes = nullptr;
    QPlainTextEdit *Memo1 = nullptr;
    QPushButton *BtnSave = nullptr;
    QLabel *Lbl_Info = nullptr;
    TSaveDialog *SaveDialog1 = nullptr;

public slots:
    void BtnSaveClick();
    // Opens the detail window of the focused row; nothing without one.
    void ListResDblClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // FormClose and FormCloseQuery: closing is always allowed; the grid is
    // emptied and the reader freed.
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<CUT> m_reader;
    TListModel *m_gridModel = nullptr;

    void ListResResize();
    const RUT *EntryAt(int row) const;
};
