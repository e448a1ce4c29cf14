#include "media/UFrm_IMG.h"

#include "app/UCTRAD.h"
#include "media/UImageDecoders.h"

#include <QFileInfo>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {
constexpr int kDesignedWidth = 572;
constexpr int kDesignedHeight = 472;
} // namespace

// ---------------------------------------------------------------- TPictureArea

TPictureArea::TPictureArea(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(1, 1);
}

void TPictureArea::SetPicture(const QImage &picture)
{
    m_picture = picture;
    m_scaled = QPixmap();
    update();
}

QRect TPictureArea::PictureRect() const
{
    if (m_picture.isNull())
        return {};
    QSize size = m_picture.size();
    if (size.width() > width() || size.height() > height())
        size = size.scaled(this->size(), Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

void TPictureArea::paintEvent(QPaintEvent *)
{
    const QRect target = PictureRect();
    if (target.isEmpty())
        return;
    // Scaled once per size, smoothly, and drawn as it is until the area changes.
    if (m_scaled.size() != target.size()) {
        m_scaled = target.size() == m_picture.size()
                       ? QPixmap::fromImage(m_picture)
                       : QPixmap::fromImage(m_picture.scaled(target.size(), Qt::IgnoreAspectRatio,
                                                             Qt::SmoothTransformation));
    }
    QPainter painter(this);
    painter.drawPixmap(target.topLeft(), m_scaled);
}

// ---------------------------------------------------------------- TFrm_IMG

TFrm_IMG::TFrm_IMG(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Frm_IMG"));
    setWindowTitle(QString::fromLatin1(kCaption));
    resize(kDesignedWidth, kDesignedHeight);

    Image1 = new TPictureArea(this);
    Image1->setObjectName(QStringLiteral("Image1"));

    Panel1 = new QLabel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(kPanelHeight);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setTextFormat(Qt::PlainText);
    Panel1->setIndent(4);
    Panel1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed); // long names never widen the window

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Image1, 1);
    layout->addWidget(Panel1);
    Translator().Translate(this);
}

QSize TFrm_IMG::sizeHint() const
{
    return {kDesignedWidth, kDesignedHeight};
}

void TFrm_IMG::OpenFile(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    SetCaptionFile(this, name);
    const TPicture picture = LoadPicture(path);
    m_format = picture.Format;
    Image1->SetPicture(picture.Image);
    Panel1->setText(QStringLiteral("File : %1, size : %2 x %3")
                        .arg(name)
                        .arg(picture.Image.width())
                        .arg(picture.Image.height()));
}
