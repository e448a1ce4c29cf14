#include "formats/UFrm_UTXPreview.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kDesignedWidth = 480;
constexpr int kDesignedHeight = 337;
const QColor kValueColour(0, 0, 128); // dark blue

QLabel *BoldLabel(const char *name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

// A read-only, borderless, selectable field in dark blue on the window's colour.
QLineEdit *ValueField(const char *name, bool large, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setReadOnly(true);
    field->setFrame(false);
    field->setFocusPolicy(Qt::ClickFocus);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, kValueColour);
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    field->setPalette(palette);
    if (large) {
        QFont font = field->font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 1.4);
        field->setFont(font);
    }
    return field;
}

} // namespace

TFrm_UTxPreview::TFrm_UTxPreview(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Frm_UTxPreview"));
    setWindowTitle(QString::fromLatin1(kCaption));
    resize(kDesignedWidth, kDesignedHeight);

    Label_ID = BoldLabel("Label_ID", QStringLiteral("ID : "), this);
    Label_Type = BoldLabel("Label_Type", QStringLiteral("Type : "), this);
    Label_Name = BoldLabel("Label_Name", QStringLiteral("Name : "), this);
    Label_Value = BoldLabel("Label_Value", QStringLiteral("Value : "), this);
    StaticText_ID = ValueField("StaticText_ID", true, this);
    StaticText_Type = ValueField("StaticText_Type", true, this);
    StaticText_Name = ValueField("StaticText_Name", false, this);

    CheckBox1 = new QCheckBox(QStringLiteral("WordWrap"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);
    connect(CheckBox1, &QCheckBox::toggled, this, &TFrm_UTxPreview::CheckBox1Click);

    Memo_Value = new QPlainTextEdit(this);
    Memo_Value->setObjectName(QStringLiteral("Memo_Value"));
    Memo_Value->setReadOnly(true);
    Memo_Value->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo_Value->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo_Value->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    Button1 = new QPushButton(QStringLiteral("CLOSE"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(6);
    fields->addWidget(Label_ID, 0, 0);
    fields->addWidget(StaticText_ID, 0, 1);
    fields->addWidget(Label_Type, 0, 2);
    fields->addWidget(StaticText_Type, 0, 3);
    fields->addWidget(Label_Name, 1, 0);
    fields->addWidget(StaticText_Name, 1, 1, 1, 3);
    fields->setColumnStretch(1, 1);
    fields->setColumnStretch(3, 2);

    auto *valueLine = new QHBoxLayout;
    valueLine->addWidget(Label_Value);
    valueLine->addWidget(CheckBox1);
    valueLine->addStretch(1);

    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(Button1);
    bottom->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(valueLine);
    layout->addWidget(Memo_Value, 1);
    layout->addLayout(bottom);
}

void TFrm_UTxPreview::ShowEntry(const QString &id, const QString &type, const QString &name,
                                const QString &value)
{
    StaticText_ID->setText(id);
    StaticText_Type->setText(type);
    StaticText_Name->setText(name);
    StaticText_ID->setCursorPosition(0);
    StaticText_Type->setCursorPosition(0);
    StaticText_Name->setCursorPosition(0);
    Memo_Value->setPlainText(value);
}

void TFrm_UTxPreview::CheckBox1Click()
{
    Memo_Value->setLineWrapMode(CheckBox1->isChecked() ? QPlainTextEdit::WidgetWidth
                                                       : QPlainTextEdit::NoWrap);
}
