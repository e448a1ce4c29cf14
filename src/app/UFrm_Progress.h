// The progress window of long exports and packing loops: a caption chosen by
// the caller, a one-line status text and a gauge showing the percentage done.
// It cannot be closed by the user; its Cancel button asks the export to stop
// after the file it is writing, and the export that created it deletes it.
// Updates only schedule a repaint: the caller decides when events are processed.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

class TFrm_Progress : public QWidget {
    Q_OBJECT
public:
    // Visible at once, on top of the other windows, centred on the main window.
    explicit TFrm_Progress(QWidget *parent = nullptr);

    void SetCaption(const QString &caption);
    void SetMaximum(qint64 maximum);
    void SetPosition(qint64 position);
    void StepIt(); // advances the position by one
    void SetStatusText(const QString &text);

    qint64 Maximum() const { return m_maximum; }
    qint64 Position() const { return m_position; }
    // Whole percent of position / maximum, 0 when the maximum is 0.
    int Percent() const;
    // True once the user clicked Cancel.
    bool Cancelled() const { return m_cancelled; }

    QLabel *StaticText1 = nullptr;
    QProgressBar *Gauge1 = nullptr;
    QPushButton *Btn_Cancel = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    qint64 m_maximum = 100;
    qint64 m_position = 0;
    bool m_cancelled = false;

    void UpdateGauge();
    void CentreOnMainForm();
};
