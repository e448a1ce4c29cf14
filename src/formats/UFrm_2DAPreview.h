// The row detail window of the 2DA viewer: each cell of one row in a read-only
// box titled with its column, eight boxes to a column of boxes, left to right.
// Shown modally and freed when it closes.
#pragma once

#include <QDialog>
#include <QString>

class QPushButton;
class QScrollArea;
class QWidget;

class TFrm_2DAPreview : public QDialog {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "2DA Preview";
    static constexpr int kStartWidth = 465;
    // Value boxes: group boxes in columns of kFieldsPerColumn, placed on a grid
    // of kFieldPitchX × kFieldHeight from (kFieldLeft, kFieldTop).
    static constexpr int kFieldsPerColumn = 8;
    static constexpr int kFieldWidth = 135;
    static constexpr int kFieldHeight = 37;
    static constexpr int kFieldLeft = 4;
    static constexpr int kFieldTop = 2;
    static constexpr int kFieldPitchX = 140;
    // The starting width holds this many box columns; each further one widens
    // the window by kColumnGrowth.
    static constexpr int kColumnsAtStartWidth = 3;
    static constexpr int kColumnGrowth = 135;

    explicit TFrm_2DAPreview(QWidget *parent = nullptr);

    // Adds a box captioned title holding value, below the previous one or at
    // the top of the next box column.
    void AddField(const QString &title, const QString &value);

    QWidget *Panel1 = nullptr;
    QWidget *Panel2 = nullptr;
    QPushButton *Button1 = nullptr;

public slots:
    void Button1Click();

private:
    QScrollArea *m_scrollArea = nullptr;
    int m_fieldCounter = 0; // boxes in the current box column
    int m_boxColumn = 0;
};
