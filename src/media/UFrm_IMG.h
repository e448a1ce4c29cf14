// The picture viewer: one picture file above a status strip with its name and
// size. Opened from File > Picture > Open and embedded by the archive browsers
// as the preview of BMP, TGA and DDS resources.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>

class QLabel;

// Shows a picture centred: one larger than the area is scaled down to fit,
// keeping its proportions; a smaller one keeps its own size.
class TPictureArea : public QWidget {
    Q_OBJECT
public:
    explicit TPictureArea(QWidget *parent = nullptr);

    void SetPicture(const QImage &picture);
    const QImage &Picture() const { return m_picture; }
    // Where the picture is drawn in the area; empty without a picture.
    QRect PictureRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_picture;
    QPixmap m_scaled; // the picture at the size of the last PictureRect()
};

// Closing is always allowed; as a child window it is freed when closed.
class TFrm_IMG : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "Picture Preview";
    static constexpr int kPanelHeight = 18;

    explicit TFrm_IMG(QWidget *parent = nullptr);
    // The designed size, which a child window of the main window opens with.
    QSize sizeHint() const override;

    // Adds " - " and the file's name to the caption, decodes the picture and
    // shows it with the file line. Raises an exception when the file cannot be
    // read or decoded; the window then shows no picture and no file line.
    void OpenFile(const QString &path);

    // The format that decoded the picture ("TGA", "PNG"...); empty before.
    const QString &PictureFormat() const { return m_format; }

    TPictureArea *Image1 = nullptr;
    QLabel *Panel1 = nullptr;

private:
    QString m_format;
};
