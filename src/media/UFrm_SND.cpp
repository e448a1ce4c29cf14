#include "media/UFrm_SND.h"

#include "app/UApplication.h"
#include "app/UCTRAD.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kDesignedWidth = 568;
constexpr int kDesignedHeight = 472;
constexpr int kBarWidth = 233;
constexpr int kBarHeight = 16;
// Three buttons and their two gaps span the bar's width.
constexpr int kButtonGap = 4;
constexpr int kButtonWidth = (kBarWidth - 2 * kButtonGap) / 3;
constexpr int kButtonHeight = 25;
constexpr int kBarToButtons = 8;

QPushButton *AddButton(QWidget *parent, QHBoxLayout *row, const char *name, const char *caption)
{
    auto *button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFixedSize(kButtonWidth, kButtonHeight);
    // The buttons never keep the keyboard focus from the lists of a browser.
    button->setFocusPolicy(Qt::NoFocus);
    row->addWidget(button);
    return button;
}
} // namespace

TFrm_SND::TFrm_SND(QWidget *parent) : QWidget(parent), m_player(std::make_unique<TZDSMD>())
{
    setObjectName(QStringLiteral("Frm_SND"));
    setWindowTitle(QString::fromLatin1(kCaption));
    resize(kDesignedWidth, kDesignedHeight);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);

    // The bar above the row of buttons, together in the middle of the panel.
    auto *controls = new QWidget(Panel1);
    ProgressBar1 = new QProgressBar(controls);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, kBarMaximum);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedSize(kBarWidth, kBarHeight);

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(kButtonGap);
    BtnPlay = AddButton(controls, buttons, "BtnPlay", "Play");
    BtnPause = AddButton(controls, buttons, "BtnPause", "Pause");
    BtnStop = AddButton(controls, buttons, "BtnStop", "Stop");

    auto *column = new QVBoxLayout(controls);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(kBarToButtons);
    column->addWidget(ProgressBar1);
    column->addLayout(buttons);

    auto *centre = new QGridLayout(Panel1);
    centre->addWidget(controls, 1, 1);
    centre->setRowStretch(0, 1);
    centre->setRowStretch(2, 1);
    centre->setColumnStretch(0, 1);
    centre->setColumnStretch(2, 1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Panel1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kPollIntervalMs);

    connect(BtnPlay, &QPushButton::clicked, this, &TFrm_SND::BtnPlayClick);
    connect(BtnPause, &QPushButton::clicked, this, &TFrm_SND::Button2Click);
    connect(BtnStop, &QPushButton::clicked, this, &TFrm_SND::Button3Click);
    connect(Timer1, &QTimer::timeout, this, &TFrm_SND::Timer1Timer);
    Translator().Translate(this);
}

TFrm_SND::~TFrm_SND() = default; // the player releases the pipeline and the file

QSize TFrm_SND::sizeHint() const
{
    return {kDesignedWidth, kDesignedHeight};
}

int TFrm_SND::PlayerState() const
{
    return m_player ? m_player->State() : TZDSMD::kClosed;
}

void TFrm_SND::OpenFile(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return;
    SetCaptionFile(this, QFileInfo(path).fileName());
    m_soundPath = path;
    BtnPlayClick();
}

void TFrm_SND::BtnPlayClick()
{
    if (!m_player || m_soundPath.isEmpty() || !QFileInfo(m_soundPath).isFile())
        return;
    m_player->SetFileName(ToPath(m_soundPath));
    m_player->Open(); // a file that cannot be played leaves the player closed
    m_player->Play();
    Timer1->start();
}

void TFrm_SND::Button2Click()
{
    switch (PlayerState()) {
    case TZDSMD::kPlaying:
        m_player->Pause();
        break;
    case TZDSMD::kPaused:
        m_player->Play();
        break;
    default:
        break;
    }
}

void TFrm_SND::Button3Click()
{
    Timer1->stop();
    if (m_player)
        m_player->Stop();
}

void TFrm_SND::Timer1Timer()
{
    if (PlayerState() != TZDSMD::kPlaying)
        return;
    const std::int64_t duration = m_player->Duration();
    if (duration <= 0)
        return;
    const double position = double(kBarMaximum) / double(duration) * double(m_player->Position());
    ProgressBar1->setValue(std::clamp(int(std::lround(position)), 0, kBarMaximum));
}

void TFrm_SND::closeEvent(QCloseEvent *event)
{
    Timer1->stop();
    if (m_player)
        m_player->Stop();
    m_player.reset();
    m_soundPath.clear();
    event->accept();
}
