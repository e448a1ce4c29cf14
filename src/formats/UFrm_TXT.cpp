#include "formats/UFrm_TXT.h"

#include "app/UApplication.h"
#include "app/UCTRAD.h"
#include "app/UFileIO.h"
#include "app/UGameText.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

constexpr int kDesignedWidth = 572;
constexpr int kDesignedHeight = 473;

} // namespace

QString DecodeTextLines(std::string_view bytes, const CGameTextCodec &codec)
{
    QString text = QString::fromStdString(codec.Decode(bytes));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}

TFrm_TXT::TFrm_TXT(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Frm_TXT"));
    setWindowTitle(QString::fromLatin1(kCaption));
    resize(kDesignedWidth, kDesignedHeight);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setWordWrapMode(QTextOption::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Scripts and tables line up in columns.
    Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Memo1);
}

QSize TFrm_TXT::sizeHint() const
{
    return {kDesignedWidth, kDesignedHeight};
}

void TFrm_TXT::OpenFile(const QString &path)
{
    SetCaptionFile(this, QFileInfo(path).fileName());
    const std::string bytes = ReadWholeFile(ToPath(path));
    // One call for the whole text: large files load at once.
    Memo1->setPlainText(DecodeTextLines(bytes, GameTextCodec()));
}

void TFrm_TXT::closeEvent(QCloseEvent *event)
{
    Memo1->clear();
    event->accept();
}
