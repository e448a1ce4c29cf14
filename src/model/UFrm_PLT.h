// The PLT viewer: a layered texture in colour, and for each of ten layers a
// swatch picture in which the user clicks the palette row that paints it.
// Opened from File > PLT > Open and embedded by the archive browsers as the
// preview of PLT resources. A click takes the row from where the pointer
// last moved over the swatch, not from the click itself, and choosing a list
// item puts that "last position" on the item's chosen cell.
#pragma once

#include "model/UPltFile.h"

#include <QImage>
#include <QLabel>
#include <QString>
#include <QWidget>

#include <array>
#include <optional>

class QComboBox;
class QFrame;
class QGroupBox;
class QPushButton;
class TSaveDialog;

// Image_Gen: the current swatch picture stretched to the widget's size,
// each cell a crisp square.
class TSwatchPicture : public QWidget {
    Q_OBJECT
public:
    explicit TSwatchPicture(QWidget *parent = nullptr);
    void SetPicture(const QImage &picture);
    const QImage &Picture() const { return m_picture; }

signals:
    void PointerMoved(QPoint position);
    // A press and a release of the left button on the picture.
    void Clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
    bool m_pressed = false;
};

// Shape1: a lime frame without fill that marks the chosen cell.
class TCellMarker : public QWidget {
    Q_OBJECT
public:
    static constexpr int kBorder = 2;
    explicit TCellMarker(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

class TFrm_PLT : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "PLT Preview";
    static constexpr int kCellSide = 32; // a swatch cell as shown

    // Reads the six palettes of the palette folder; a missing one is
    // reported through the application's error report, and the window then
    // stays without list item and swatch, its palettes black from there on.
    explicit TFrm_PLT(QWidget *parent = nullptr);
    ~TFrm_PLT() override;
    QSize sizeHint() const override;

    // Adds " - " and the file's name to the caption and shows the picture.
    // A missing file does nothing; a file that is no PLT shows nothing.
    // Raises EFileError for a damaged PLT file.
    void OpenFile(const QString &path);

    // The row chosen for each palette-list item.
    const TPltRowChoices &RowChoices() const { return m_choices; }
    // The coloured picture as shown and exported; empty before one is shown.
    const TRgbaImage &Picture() const { return m_picture; }

    QWidget *Panel1 = nullptr;
    TSwatchPicture *Image_Gen = nullptr;
    TCellMarker *Shape1 = nullptr;
    QGroupBox *Grp_Pal = nullptr;
    QComboBox *ComboBox_Pal = nullptr;
    QPushButton *BtnExportBMP = nullptr;
    QFrame *Panel5 = nullptr;
    QLabel *Image1 = nullptr;
    TSaveDialog *SavePictureDialog1 = nullptr;

protected:
    // FormClose: the picture and the pixels are released.
    void closeEvent(QCloseEvent *event) override;

private:
    TPltPalettes m_palettes;
    TPltRowChoices m_choices{};
    std::array<QImage, kPltSwatchCount> m_swatches;
    std::optional<TPltPicture> m_plt;
    TRgbaImage m_picture;
    QString m_path;
    QPoint m_pointer; // where the pointer last was over Image_Gen

    void DrawImage();
    void ShowSelection(int row);
    void Image_GenClick();
    void ComboBox_PalChange(int item);
    void BtnExportBMPClick();
};
