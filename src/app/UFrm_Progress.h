// The progress window of long exports and packing loops: a caption chosen by
// the caller, a one-line status text and a gauge showing the percentage done.
// It cannot be closed by the user; its Cancel button asks the export to stop
// after the file it is writing, and the export that created it deletes it.
// Updates only schedule a repaint: the caller decides when events are processed.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include <functional>

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

// Lets pending events be processed during a long loop, but at most once per
// interval, so a loop over 100,000 files spends its time on the files.
class TEventPump {
public:
    static constexpr int kIntervalMs = 40;
    TEventPump();
    void Pump();    // when the interval has passed
    void PumpNow(); // always

private:
    QElapsedTimer m_sinceLast;
};

// One long run of a window (an export, a drop of many files): shows the
// progress window and disables the window while it lives; its end (normal or
// by an exception) frees the progress window and enables the window again.
class TExportRun {
public:
    // caption empty: the progress window keeps its own until Begin.
    TExportRun(QWidget *browser, const QString &caption, qint64 maximum);
    ~TExportRun();
    TExportRun(const TExportRun &) = delete;
    TExportRun &operator=(const TExportRun &) = delete;

    // Caption, gauge maximum and gauge 0 (each step of a multi-part export).
    void Begin(const QString &caption, qint64 maximum);
    // Advances the gauge by one, shows status and lets events be processed.
    // Raises ECancelled when the user clicked Cancel: call it before each file.
    void Step(const QString &status);
    // Processes pending events once more at the end of the loop.
    void Finish();

    TFrm_Progress &Progress() const { return *m_progress; }

private:
    QPointer<QWidget> m_disabled;
    QPointer<TFrm_Progress> m_progress;
    TEventPump m_pump;

    void Notify() const;
};

// Runs one export: work gets the run (progress window shown, browser disabled)
// and steps it before each file; a stop the user asks for with Cancel ends
// the export quietly after the file being written.
void RunExport(QWidget *browser, const QString &caption, qint64 maximum,
               const std::function<void(TExportRun &run)> &work);

// Called with the progress window after each change of its caption or status
// text during an export. Returns the observer it replaces.
using TExportObserver = std::function<void(const TFrm_Progress &progress)>;
TExportObserver SetExportObserver(TExportObserver observer);
