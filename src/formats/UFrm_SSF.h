// The sound set viewer: one row per slot with its number, its sound resource
// name and the talk table's answer for its string reference. Opened from
// File > SSF > Open and embedded by the archive browsers as a preview.
#pragma once

#include <QString>
#include <QWidget>

#include <memory>

class CSSF;
class QTableView;
class TListModel;

class TFrm_SSF : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "SSF Preview";
    // Designed widths of the "ID", "ResName" and "TLKREF" columns.
    static constexpr int kIdWidth = 50;
    static constexpr int kResNameWidth = 150;
    static constexpr int kTlkRefWidth = 300;

    // Creates the window's sound set reader, which loads the game's talk table.
    explicit TFrm_SSF(QWidget *parent = nullptr);
    ~TFrm_SSF() override;

    // Adds " - " and the file's name to the caption, loads the sound set and
    // lists its slots. A missing file lists nothing.
    void OpenFile(const QString &path);

    QTableView *ListRes = nullptr;
    TListModel *Model() const { return m_model; }

protected:
    // FormClose and FormCloseQuery: closing is always allowed and empties the list.
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::unique_ptr<CSSF> m_soundSet;
    TListModel *m_model = nullptr;

    // The "TLKREF" column takes the list's width less the other columns.
    void ListResResize();
};
