#include "app/UFrm_Option.h"

#include "app/UApplication.h"
#include "app/UCTRAD.h"
#include "app/UDialogs.h"
#include "app/UFileIO.h"
#include "app/UGameText.h"
#include "app/USettings.h"
#include "app/UUtil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

constexpr int kFolderButtonSide = 21;

// What the encoding box shows for each encoding it offers.
QString EncodingCaption(const std::string &encoding)
{
    static const std::pair<const char *, const char *> kCaptions[] = {
        {"CP1252", "Western European"}, {"CP1250", "Central European"},   {"CP949", "Korean"},
        {"CP950", "Traditional Chinese"}, {"CP936", "Simplified Chinese"}, {"CP932", "Japanese"},
    };
    for (const auto &[name, caption] : kCaptions) {
        if (encoding == name)
            return QStringLiteral("%1 (%2)").arg(QLatin1String(caption), QLatin1String(name));
    }
    return QString::fromStdString(encoding);
}

QCheckBox *CheckBoxTextLeft(const char *name, const QString &text, QWidget *parent)
{
    auto *box = new QCheckBox(text, parent);
    box->setObjectName(QLatin1String(name));
    box->setLayoutDirection(Qt::RightToLeft);
    return box;
}

QLabel *NamedLabel(const char *name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QLineEdit *FolderEdit(const char *name, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

QPushButton *FolderButton(const char *name, QWidget *parent)
{
    auto *button = new QPushButton(QStringLiteral("..."), parent);
    button->setObjectName(QLatin1String(name));
    button->setFixedSize(kFolderButtonSide, kFolderButtonSide);
    button->setAutoDefault(false);
    return button;
}

QHBoxLayout *FolderRow(QLineEdit *edit, QPushButton *button)
{
    auto *row = new QHBoxLayout;
    row->setSpacing(4);
    row->addWidget(edit, 1);
    row->addWidget(button);
    return row;
}

} // namespace

TFrm_Option::TFrm_Option(QWidget *parent) : QDialog(parent ? parent : TApplication::MainForm())
{
    setObjectName(QStringLiteral("Frm_Option"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    CreateComponents();
    FormCreate();
}

void TFrm_Option::CreateComponents()
{
    Grp_Language = new QGroupBox(QStringLiteral("Language"), this);
    Grp_Language->setObjectName(QStringLiteral("Grp_Language"));
    Lbl_Language = NamedLabel("Lbl_Language", QStringLiteral("Language "), Grp_Language);
    ComboBox1 = new QComboBox(Grp_Language);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    auto *language = new QHBoxLayout(Grp_Language);
    language->addWidget(Lbl_Language);
    language->addWidget(ComboBox1, 1);

    Grp_BIF = new QGroupBox(QStringLiteral("BIF Option"), this);
    Grp_BIF->setObjectName(QStringLiteral("Grp_BIF"));
    Chk_BifAutoPreview = CheckBoxTextLeft("Chk_BifAutoPreview", QStringLiteral("Enabled Auto Preview"), Grp_BIF);
    Lbl_BifDefaultDir = NamedLabel("Lbl_BifDefaultDir", QStringLiteral("Export default directory"), Grp_BIF);
    Edit_Bif = FolderEdit("Edit_Bif", Grp_BIF);
    Button2 = FolderButton("Button2", Grp_BIF);
    auto *bif = new QVBoxLayout(Grp_BIF);
    bif->addWidget(Chk_BifAutoPreview, 0, Qt::AlignLeft | Qt::AlignAbsolute);
    bif->addWidget(Lbl_BifDefaultDir);
    bif->addLayout(FolderRow(Edit_Bif, Button2));

    Grp_MOD = new QGroupBox(QStringLiteral("MOD Option"), this);
    Grp_MOD->setObjectName(QStringLiteral("Grp_MOD"));
    Chk_ModAutoPreview = CheckBoxTextLeft("Chk_ModAutoPreview", QStringLiteral("Enabled Auto Preview"), Grp_MOD);
    Lbl_ModDefaultDir = NamedLabel("Lbl_ModDefaultDir", QStringLiteral("Export default directory"), Grp_MOD);
    Edit_Mod = FolderEdit("Edit_Mod", Grp_MOD);
    Button1 = FolderButton("Button1", Grp_MOD);
    auto *mod = new QVBoxLayout(Grp_MOD);
    mod->addWidget(Chk_ModAutoPreview, 0, Qt::AlignLeft | Qt::AlignAbsolute);
    mod->addWidget(Lbl_ModDefaultDir);
    mod->addLayout(FolderRow(Edit_Mod, Button1));

    Grp_UTX = new QGroupBox(QStringLiteral("UTx Option"), this);
    Grp_UTX->setObjectName(QStringLiteral("Grp_UTX"));
    Chk_UtxMakeText = CheckBoxTextLeft("Chk_UtxMakeText",
                                       QStringLiteral("Make text (Slow) (for use with Pellor asc2ipt.exe)"), Grp_UTX);
    auto *utx = new QVBoxLayout(Grp_UTX);
    utx->addWidget(Chk_UtxMakeText, 0, Qt::AlignLeft | Qt::AlignAbsolute);

    // Off Windows no installer records where the game is: it is chosen here.
    Grp_Game = new QGroupBox(QStringLiteral("Game"), this);
    Grp_Game->setObjectName(QStringLiteral("Grp_Game"));
    Lbl_GameFolder = NamedLabel("Lbl_GameFolder", QStringLiteral("Game folder"), Grp_Game);
    Edit_Game = FolderEdit("Edit_Game", Grp_Game);
    Button4 = FolderButton("Button4", Grp_Game);
    Lbl_GameEncoding = NamedLabel("Lbl_GameEncoding", QStringLiteral("Text encoding "), Grp_Game);
    ComboBox_Encoding = new QComboBox(Grp_Game);
    ComboBox_Encoding->setObjectName(QStringLiteral("ComboBox_Encoding"));
    ComboBox_Encoding->addItem(QStringLiteral("Automatic (by the game's language)"), QString());
    for (const std::string &encoding : GameEncodings())
        ComboBox_Encoding->addItem(EncodingCaption(encoding), QString::fromStdString(encoding));
    auto *game = new QGridLayout(Grp_Game);
    game->addWidget(Lbl_GameFolder, 0, 0, 1, 2);
    game->addLayout(FolderRow(Edit_Game, Button4), 1, 0, 1, 2);
    game->addWidget(Lbl_GameEncoding, 2, 0);
    game->addWidget(ComboBox_Encoding, 2, 1);
    game->setColumnStretch(1, 1);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Button3 = new QPushButton(QStringLiteral("Close"), Panel1);
    Button3->setObjectName(QStringLiteral("Button3"));
    auto *strip = new QHBoxLayout(Panel1);
    strip->setContentsMargins(0, 0, 0, 0);
    strip->addStretch(1);
    strip->addWidget(Button3);
    strip->addStretch(1);

    OpenDirDialog = new TOpenDirDialog(this);
    OpenDirDialog->setObjectName(QStringLiteral("OpenDirDialog"));
    GameDirDialog = new TOpenDirDialog(this);
    GameDirDialog->setObjectName(QStringLiteral("GameDirDialog"));
    GameDirDialog->SetCaption(QStringLiteral("Game Folder"));
    GameDirDialog->SetTitle(QStringLiteral("The folder that holds chitin.key"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(4);
    for (QGroupBox *group : {Grp_Language, Grp_BIF, Grp_MOD, Grp_UTX, Grp_Game})
        layout->addWidget(group);
    layout->addStretch(1);
    layout->addWidget(Panel1);

    connect(Button1, &QPushButton::clicked, this, &TFrm_Option::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFrm_Option::Button2Click);
    connect(Button4, &QPushButton::clicked, this, &TFrm_Option::Button4Click);
    connect(Button3, &QPushButton::clicked, this, &QDialog::accept);
}

void TFrm_Option::FormCreate()
{
    Translator().Translate(this);
    for (const std::string &language : GetLanguages())
        ComboBox1->addItem(FromPath(language));
    const TSettings &settings = Settings();
    ComboBox1->setEditText(FromPath(settings.Language));
    Chk_BifAutoPreview->setChecked(settings.BifAutoPreview);
    Chk_ModAutoPreview->setChecked(settings.ModAutoPreview);
    Edit_Bif->setText(FromPath(settings.BifDefaultDir));
    Edit_Mod->setText(FromPath(settings.ModDefaultDir));
    Chk_UtxMakeText->setChecked(settings.UTXMakeText);
    Edit_Game->setText(FromPath(GetGameFolder()));
    int encoding = ComboBox_Encoding->findData(QString::fromStdString(settings.GameEncoding));
    if (encoding < 0) {
        // An encoding named in option.ini that the list does not offer stays chosen.
        ComboBox_Encoding->addItem(EncodingCaption(settings.GameEncoding),
                                   QString::fromStdString(settings.GameEncoding));
        encoding = ComboBox_Encoding->count() - 1;
    }
    ComboBox_Encoding->setCurrentIndex(encoding);
    // The designed width, or more when the texts of the chosen language need it.
    setFixedSize(std::max(kDesignWidth, sizeHint().width()), sizeHint().height());
}

void TFrm_Option::done(int result)
{
    if (!m_closed) {
        m_closed = true;
        FormClose();
    }
    QDialog::done(result);
}

void TFrm_Option::FormClose()
{
    TSettings &settings = Settings();
    settings.Language = ToPath(ComboBox1->currentText());
    settings.BifAutoPreview = Chk_BifAutoPreview->isChecked();
    settings.ModAutoPreview = Chk_ModAutoPreview->isChecked();
    settings.BifDefaultDir = ToPath(Edit_Bif->text());
    settings.ModDefaultDir = ToPath(Edit_Mod->text());
    settings.UTXMakeText = Chk_UtxMakeText->isChecked();
    settings.GameEncoding = ComboBox_Encoding->currentData().toString().toStdString();
    const std::string gameFolder = ToPath(Edit_Game->text());
    if (gameFolder != GetGameFolder()) {
        try {
            SetGameFolder(gameFolder);
        } catch (const EFileError &error) {
            ShowErrorBox(this, TApplication::Title(), QString::fromStdString(error.what()));
        }
    }
}

void TFrm_Option::PickFolder(TOpenDirDialog *picker, QLineEdit *edit, const QString &startFolder)
{
    picker->SetDirectory(startFolder);
    if (picker->Execute(this))
        edit->setText(picker->Directory());
}

void TFrm_Option::Button1Click()
{
    PickFolder(OpenDirDialog, Edit_Mod, QString());
}

void TFrm_Option::Button2Click()
{
    PickFolder(OpenDirDialog, Edit_Bif, QString());
}

void TFrm_Option::Button4Click()
{
    PickFolder(GameDirDialog, Edit_Game, Edit_Game->text());
}
