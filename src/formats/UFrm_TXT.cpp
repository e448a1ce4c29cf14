#include "formats/UFrm_TXT.h"

#include "app/UFileIO.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

constexpr int kDesignedWidth = 572;
constexpr int kDesignedHeight = 473;

// Characters of the bytes 0x80 to 0x9F in Windows-1252. The five bytes the
// code page leaves unassigned keep their Latin-1 control characters, so no
// byte is ever lost.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QString DecodeTextLines(const char *data, std::size_t size)
{
    QString text;
    text.resize(qsizetype(size));
    QChar *out = text.data();
    for (std::size_t i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(data[i]);
        if (byte == '\r') {
            if (i + 1 < size && data[i + 1] == '\n')
                ++i;
            *out++ = u'\n';
        } else if (byte >= 0x80 && byte <= 0x9F) {
            *out++ = QChar(kWindows1252High[byte - 0x80]);
        } else {
            *out++ = QChar(char16_t(byte));
        }
    }
    text.truncate(out - text.data());
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
    setWindowTitle(windowTitle() + " - " + QFileInfo(path).fileName());
    const std::string bytes = ReadWholeFile(QFile::encodeName(path).toStdString());
    // One call for the whole text: large files load at once.
    Memo1->setPlainText(DecodeTextLines(bytes.data(), bytes.size()));
}

void TFrm_TXT::closeEvent(QCloseEvent *event)
{
    Memo1->clear();
    event->accept();
}
