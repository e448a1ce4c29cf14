// The detail window of the GFF viewer: one grid row's ID, type, name and
// value in large, selectable text, shown modally over the main window.
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TFrm_UTxPreview : public QDialog {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "UTX Preview";

    explicit TFrm_UTxPreview(QWidget *parent = nullptr);

    // Fills the four fields.
    void ShowEntry(const QString &id, const QString &type, const QString &name, const QString &value);

    QLabel *Label_ID = nullptr;
    QLabel *Label_Type = nullptr;
    QLabel *Label_Name = nullptr;
    QLabel *Label_Value = nullptr;
    QLineEdit *StaticText_ID = nullptr;
    QLineEdit *StaticText_Type = nullptr;
    QLineEdit *StaticText_Name = nullptr;
    QCheckBox *CheckBox1 = nullptr;
    QPlainTextEdit *Memo_Value = nullptr;
    QPushButton *Button1 = nullptr;

public slots:
    // Word wrap of Memo_Value follows the check box.
    void CheckBox1Click();
};
