#include "app/UFrm_Progress.h"

#include "app/UApplication.h"
#include "app/UCTRAD.h"
#include "app/UCancel.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMdiSubWindow>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace {
constexpr int kClientWidth = 364;
constexpr int kClientHeight = 72; // the status line and gauge, then the Cancel button
} // namespace

TFrm_Progress::TFrm_Progress(QWidget *parent)
    : QWidget(parent ? parent : TApplication::MainForm(),
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Frm_Progress"));
    setWindowTitle(QStringLiteral("Frm_Progress"));
    setFixedSize(kClientWidth, kClientHeight);

    StaticText1 = new QLabel(this);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StaticText1->setLineWidth(1);
    StaticText1->setTextFormat(Qt::PlainText);
    StaticText1->setGeometry(1, 1, 361, 17);

    // The bar always runs from 0 to 100: a maximum of 0 must show 0 % rather
    // than the busy indicator, and the bar repaints only when the percent changes.
    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setOrientation(Qt::Horizontal);
    Gauge1->setRange(0, 100);
    Gauge1->setFormat(QStringLiteral("%v%"));
    Gauge1->setAlignment(Qt::AlignCenter);
    Gauge1->setTextVisible(true);
    Gauge1->setGeometry(1, 20, 361, 21);
    UpdateGauge();

    Btn_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    Btn_Cancel->setObjectName(QStringLiteral("Btn_Cancel"));
    Btn_Cancel->setGeometry(kClientWidth - 86, 45, 84, 25);
    connect(Btn_Cancel, &QPushButton::clicked, this, [this] {
        m_cancelled = true;
        Btn_Cancel->setEnabled(false);
        SetStatusText(QStringLiteral("Stopping after this file..."));
    });

    // Only the Cancel button keeps its translated text: the caller sets the
    // caption and the status line.
    Translator().Translate(this);
    CentreOnMainForm();
    show();
}

void TFrm_Progress::SetCaption(const QString &caption)
{
    setWindowTitle(caption);
}

void TFrm_Progress::SetMaximum(qint64 maximum)
{
    m_maximum = maximum;
    UpdateGauge();
}

void TFrm_Progress::SetPosition(qint64 position)
{
    m_position = position;
    UpdateGauge();
}

void TFrm_Progress::StepIt()
{
    ++m_position;
    UpdateGauge();
}

void TFrm_Progress::SetStatusText(const QString &text)
{
    StaticText1->setText(text); // QLabel schedules its repaint
}

int TFrm_Progress::Percent() const
{
    if (m_maximum <= 0)
        return 0;
    const qint64 percent = m_position * 100 / m_maximum;
    return int(std::clamp<qint64>(percent, 0, 100));
}

void TFrm_Progress::UpdateGauge()
{
    const int percent = Percent();
    if (Gauge1->value() == percent)
        return;
    // setValue paints the bar at once; the paint waits for the next processing
    // of events instead, like every other change of this window.
    Gauge1->setUpdatesEnabled(false);
    Gauge1->setValue(percent);
    Gauge1->setUpdatesEnabled(true);
}

void TFrm_Progress::closeEvent(QCloseEvent *event)
{
    event->ignore();
}

void TFrm_Progress::CentreOnMainForm()
{
    QRect area;
    if (QWidget *main = TApplication::MainForm(); main && main->isVisible())
        area = main->frameGeometry();
    else if (QScreen *screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
}

// ---------------------------------------------------------------- TEventPump

TEventPump::TEventPump()
{
    m_sinceLast.start();
}

void TEventPump::Pump()
{
    if (m_sinceLast.elapsed() >= kIntervalMs)
        PumpNow();
}

void TEventPump::PumpNow()
{
    QCoreApplication::processEvents();
    m_sinceLast.restart();
}

// ---------------------------------------------------------------- TExportRun

namespace {
TExportObserver &ExportObserver()
{
    static TExportObserver observer;
    return observer;
}
} // namespace

TExportObserver SetExportObserver(TExportObserver observer)
{
    TExportObserver previous = std::move(ExportObserver());
    ExportObserver() = std::move(observer);
    return previous;
}

TExportRun::TExportRun(QWidget *browser, const QString &caption, qint64 maximum)
{
    m_progress = new TFrm_Progress;
    if (!caption.isEmpty())
        m_progress->SetCaption(caption);
    m_progress->SetMaximum(maximum);
    m_progress->SetPosition(0);
    // A child window is disabled with its frame, so it cannot be closed either.
    QWidget *disabled = browser;
    if (auto *frame = qobject_cast<QMdiSubWindow *>(browser->parentWidget()))
        disabled = frame;
    m_disabled = disabled;
    disabled->setEnabled(false);
    Notify();
    m_pump.PumpNow();
}

TExportRun::~TExportRun()
{
    delete m_progress.data();
    if (m_disabled)
        m_disabled->setEnabled(true);
}

void TExportRun::Begin(const QString &caption, qint64 maximum)
{
    m_progress->SetCaption(caption);
    m_progress->SetMaximum(maximum);
    m_progress->SetPosition(0);
    Notify();
}

void TExportRun::Step(const QString &status)
{
    // Called before each file: a stop asked for leaves every written file whole.
    if (m_progress->Cancelled())
        throw ECancelled();
    m_progress->StepIt();
    m_progress->SetStatusText(status);
    Notify();
    m_pump.Pump();
}

void TExportRun::Finish()
{
    m_pump.PumpNow();
}

void TExportRun::Notify() const
{
    if (ExportObserver())
        ExportObserver()(*m_progress);
}

void RunExport(QWidget *browser, const QString &caption, qint64 maximum,
               const std::function<void(TExportRun &run)> &work)
{
    TExportRun run(browser, caption, maximum);
    try {
        work(run);
    } catch (const ECancelled &) {
        return;
    }
    run.Finish();
}
