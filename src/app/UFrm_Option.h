// The preference dialog: the interface language, the browsers' auto preview
// and default export folders, the GFF text dump, and the game's folder and
// text encoding. Closing it, by its button or its close box, copies every
// control back into the settings; option.ini is written when the program ends.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class TOpenDirDialog;

class TFrm_Option : public QDialog {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "Preference";
    static constexpr int kDesignWidth = 352;

    explicit TFrm_Option(QWidget *parent = nullptr);

    void done(int result) override;

    QGroupBox *Grp_Language = nullptr;
    QLabel *Lbl_Language = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QGroupBox *Grp_BIF = nullptr;
    QCheckBox *Chk_BifAutoPreview = nullptr;
    QLabel *Lbl_BifDefaultDir = nullptr;
    QLineEdit *Edit_Bif = nullptr;
    QPushButton *Button2 = nullptr;
    QGroupBox *Grp_MOD = nullptr;
    QCheckBox *Chk_ModAutoPreview = nullptr;
    QLabel *Lbl_ModDefaultDir = nullptr;
    QLineEdit *Edit_Mod = nullptr;
    QPushButton *Button1 = nullptr;
    QGroupBox *Grp_UTX = nullptr;
    QCheckBox *Chk_UtxMakeText = nullptr;
    QGroupBox *Grp_Game = nullptr;
    QLabel *Lbl_GameFolder = nullptr;
    QLineEdit *Edit_Game = nullptr;
    QPushButton *Button4 = nullptr;
    QLabel *Lbl_GameEncoding = nullptr;
    QComboBox *ComboBox_Encoding = nullptr;
    QWidget *Panel1 = nullptr;
    QPushButton *Button3 = nullptr;
    TOpenDirDialog *OpenDirDialog = nullptr;
    TOpenDirDialog *GameDirDialog = nullptr;

private:
    void CreateComponents();
    void FormCreate();
    void FormClose();
    void Button1Click();
    void Button2Click();
    void Button4Click();
    // Puts the folder the user picks with picker into edit; a cancelled picker
    // leaves it as it was. The export folders start without a preselection,
    // the game folder at the one set.
    void PickFolder(TOpenDirDialog *picker, QLineEdit *edit, const QString &startFolder);

    bool m_closed = false;
};
