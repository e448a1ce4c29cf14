// The talk table window: lists the entries of a TLK file, all at once, by
// number or by a piece of text, and shows the focused entry's number, sound
// ResRef and text below the list. Opened from File > TLK > Open.
#pragma once

#include "formats/UCTLK.h"

#include <QModelIndex>
#include <QString>
#include <QWidget>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QSplitter;
class QTableView;
class QToolBar;
class QToolButton;
class TListModel;

// Closing is always allowed; as a child window it is freed when closed.
class TFrm_TLK : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "TLK Preview";
    // Options of RadioGroup1.
    static constexpr int kSearchByResRef = 0;
    static constexpr int kSearchByText = 1;

    explicit TFrm_TLK(QWidget *parent = nullptr);
    ~TFrm_TLK() override;

    // Adds " - " and the file's name to the caption and loads the table (a
    // missing file leaves it empty; a damaged one shows what can be read after
    // one error message). The list stays empty until the user asks.
    void OpenFile(const QString &path);

    const CTLK &TalkTable() const { return m_talkTable; }
    TListModel *ListModel() const { return m_listModel; }

    QGroupBox *RadioGroup1 = nullptr;
    QRadioButton *RadioGroup1_ResRef = nullptr;
    QRadioButton *RadioGroup1_Text = nullptr;
    QGroupBox *Grp_SearchValue = nullptr;
    QSpinBox *SearchID = nullptr;
    QLineEdit *SearchText = nullptr;
    QPushButton *Btn_Search = nullptr;
    QGroupBox *GroupBox2 = nullptr; // holds View All
    QPushButton *Btn_ViewAll = nullptr;
    QSplitter *Splitter1 = nullptr;
    QTableView *ListRes = nullptr;
    QLabel *StaticText1 = nullptr;
    QLineEdit *Edit_ResName = nullptr;
    QToolBar *ToolBar1 = nullptr;
    QToolButton *ToolButton1 = nullptr;
    QToolButton *ToolButton2 = nullptr;
    QToolButton *ToolButton3 = nullptr;
    QToolButton *ToolButton4 = nullptr;
    QPlainTextEdit *Mmo_Description = nullptr;

public slots:
    void Btn_ViewAllClick();
    void Btn_SearchClick();
    void RadioGroup1Click();
    void ToolButton1Click();
    void ToolButton2Click();
    void ToolButton3Click();
    void ToolButton4Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // FormClose and FormCloseQuery: closing is always allowed; the list is
    // emptied and the table freed.
    void closeEvent(QCloseEvent *event) override;

private:
    CTLK m_talkTable;
    TListModel *m_listModel = nullptr;
    // The entries the list shows, in its order (every entry after "View All").
    std::vector<std::size_t> m_listed;
    QButtonGroup *m_searchBy = nullptr;

    void CreateSearchStrip();
    void CreateDetailArea(QWidget *area);
    void ListResFocusChanged(const QModelIndex &current);
    void ListResResize();
    void ClearDetails();
    void ShowEntries(std::vector<std::size_t> entries);
    const RTLK *ListedEntry(int row) const;
    // The number in SearchID as typed; text that is no number counts as 0.
    long long TypedSearchID() const;
};
