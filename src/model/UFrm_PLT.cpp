#include "model/UFrm_PLT.h"

#include "app/UApplication.h"
#include "app/UCTRAD.h"
#include "app/UDialogs.h"
#include "app/UFileIO.h"
#include "app/UUtil.h"
#include "media/UBmpFile.h"
#include "media/UImageDecoders.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kDesignedWidth = 520;
constexpr int kDesignedHeight = 325;
constexpr int kMinimumWidth = 400;
constexpr int kPanelWidth = 258;
constexpr int kSwatchShownSide = kSwatchCells * TFrm_PLT::kCellSide; // 256

} // namespace

// ---------------------------------------------------------------- TSwatchPicture

TSwatchPicture::TSwatchPicture(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
}

void TSwatchPicture::SetPicture(const QImage &picture)
{
    m_picture = picture;
    update();
}

void TSwatchPicture::paintEvent(QPaintEvent *)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false); // whole pixels: each cell a crisp square
    painter.drawImage(rect(), m_picture);
}

void TSwatchPicture::mouseMoveEvent(QMouseEvent *event)
{
    emit PointerMoved(event->position().toPoint());
}

void TSwatchPicture::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void TSwatchPicture::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click)
        emit Clicked();
}

// ---------------------------------------------------------------- TCellMarker

TCellMarker::TCellMarker(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents); // clicks reach the swatch below
    setAttribute(Qt::WA_NoSystemBackground);
}

void TCellMarker::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QColor lime(0, 255, 0);
    const int w = width(), h = height();
    painter.fillRect(0, 0, w, kBorder, lime);
    painter.fillRect(0, h - kBorder, w, kBorder, lime);
    painter.fillRect(0, 0, kBorder, h, lime);
    painter.fillRect(w - kBorder, 0, kBorder, h, lime);
}

// ---------------------------------------------------------------- TFrm_PLT

TFrm_PLT::TFrm_PLT(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Frm_PLT"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setMinimumSize(kMinimumWidth, kDesignedHeight);
    resize(kDesignedWidth, kDesignedHeight);

    // Left: the swatch with its marker, the palette list and the export button.
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedWidth(kPanelWidth);

    Image_Gen = new TSwatchPicture(Panel1);
    Image_Gen->setObjectName(QStringLiteral("Image_Gen"));
    Image_Gen->setGeometry(1, 1, kSwatchShownSide, kSwatchShownSide);
    Shape1 = new TCellMarker(Image_Gen);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setGeometry(0, 0, kCellSide, kCellSide);

    Grp_Pal = new QGroupBox(QStringLiteral("Palette"), Panel1);
    Grp_Pal->setObjectName(QStringLiteral("Grp_Pal"));
    ComboBox_Pal = new QComboBox(Grp_Pal);
    ComboBox_Pal->setObjectName(QStringLiteral("ComboBox_Pal"));
    ComboBox_Pal->setEditable(false);
    for (const TPltItem &item : PltItems())
        ComboBox_Pal->addItem(QString::fromLatin1(item.Caption));
    ComboBox_Pal->setCurrentIndex(-1);
    auto *groupLayout = new QVBoxLayout(Grp_Pal);
    groupLayout->setContentsMargins(6, 2, 6, 6);
    groupLayout->addWidget(ComboBox_Pal);

    BtnExportBMP = new QPushButton(QStringLiteral("Export (BMP)"), Panel1);
    BtnExportBMP->setObjectName(QStringLiteral("BtnExportBMP"));

    // Below the swatch, the list and the button side by side.
    auto *panelLayout = new QVBoxLayout(Panel1);
    panelLayout->setContentsMargins(1, 1 + kSwatchShownSide + 2, 4, 2); // the button clear of the picture's frame
    auto *controls = new QHBoxLayout;
    controls->setSpacing(6);
    controls->addWidget(Grp_Pal, 1);
    controls->addWidget(BtnExportBMP, 0, Qt::AlignBottom);
    panelLayout->addLayout(controls);
    panelLayout->addStretch(1);

    // Right: the coloured picture, centred at its own size.
    Panel5 = new QFrame(this);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    Panel5->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Image1 = new QLabel(Panel5);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored); // a large picture never widens the window
    auto *pictureLayout = new QVBoxLayout(Panel5);
    pictureLayout->setContentsMargins(0, 0, 0, 0);
    pictureLayout->addWidget(Image1);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(Panel5, 1);

    SavePictureDialog1 = new TSaveDialog(QStringLiteral("SavePictureDialog1"), QStringLiteral("*.BMP|*.bmp"), this);
    SavePictureDialog1->SetTitle(QStringLiteral(" "));

    connect(Image_Gen, &TSwatchPicture::PointerMoved, this, [this](QPoint position) { m_pointer = position; });
    connect(Image_Gen, &TSwatchPicture::Clicked, this, &TFrm_PLT::Image_GenClick);
    connect(ComboBox_Pal, &QComboBox::currentIndexChanged, this, &TFrm_PLT::ComboBox_PalChange);
    connect(BtnExportBMP, &QPushButton::clicked, this, &TFrm_PLT::BtnExportBMPClick);

    Translator().Translate(this);
    try {
        LoadPltPalettes(GetPaletteFolder(), m_palettes);
    } catch (const EFileError &error) {
        // The rest of the set-up does not run: no list item, no swatch.
        TApplication::ShowException(error);
        return;
    }
    for (int swatch = 0; swatch < kPltSwatchCount; ++swatch)
        m_swatches[std::size_t(swatch)] = RgbaToImage(PltSwatchPicture(m_palettes[PltSwatchPalette(TPltSwatch(swatch))]));
    ComboBox_Pal->setCurrentIndex(0);
}

TFrm_PLT::~TFrm_PLT() = default;

QSize TFrm_PLT::sizeHint() const
{
    return {kDesignedWidth, kDesignedHeight};
}

void TFrm_PLT::OpenFile(const QString &path)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return;
    SetCaptionFile(this, file.fileName());
    m_path = path;
    m_plt = LoadPltFile(ToPath(path));
    if (!m_plt)
        return;
    QCoreApplication::processEvents();
    DrawImage();
}

void TFrm_PLT::DrawImage()
{
    if (!m_plt)
        return;
    m_picture = ColourPlt(*m_plt, m_palettes, m_choices);
    Image1->setPixmap(QPixmap::fromImage(RgbaToImage(m_picture)));
}

void TFrm_PLT::ShowSelection(int row)
{
    const QPoint cell((row % kSwatchCells) * kCellSide, (row / kSwatchCells) * kCellSide);
    Shape1->move(cell);
    m_pointer = cell;
}

void TFrm_PLT::Image_GenClick()
{
    const int item = ComboBox_Pal->currentIndex();
    if (item >= 0) {
        const int column = std::clamp(m_pointer.x() / kCellSide, 0, kSwatchCells - 1);
        const int row = std::clamp(m_pointer.y() / kCellSide, 0, kSwatchCells - 1);
        Shape1->move(column * kCellSide, row * kCellSide);
        m_choices[std::size_t(item)] = column + row * kSwatchCells;
    }
    DrawImage();
}

void TFrm_PLT::ComboBox_PalChange(int item)
{
    if (item < 0 || item >= kPltItemCount)
        return;
    Image_Gen->SetPicture(m_swatches[std::size_t(PltItems()[std::size_t(item)].Swatch)]);
    ShowSelection(m_choices[std::size_t(item)]);
}

void TFrm_PLT::BtnExportBMPClick()
{
    if (!SavePictureDialog1->Execute(this))
        return;
    if (m_picture.Pixels.empty())
        return; // no picture shown: nothing to save
    SaveBmp32(ToPath(SavePictureDialog1->FileName()), m_picture);
}

void TFrm_PLT::closeEvent(QCloseEvent *event)
{
    m_plt.reset();
    m_picture = {};
    Image1->clear();
    event->accept();
}
