#include "formats/UFrm_2DAPreview.h"

#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The value box inside each group box.
constexpr QRect kValueBox(5, 13, 124, 19);
// Room below the last box and to the right of the last box column.
constexpr int kPanelMargin = 4;
constexpr int kStripHeight = 41;
constexpr QSize kButtonSize(75, 25);

constexpr int kPanel1Height = TFrm_2DAPreview::kFieldTop +
                              TFrm_2DAPreview::kFieldsPerColumn * TFrm_2DAPreview::kFieldHeight +
                              kPanelMargin;

} // namespace

TFrm_2DAPreview::TFrm_2DAPreview(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Frm_2DAPreview"));
    setWindowTitle(QString::fromLatin1(kCaption));
    // A title bar with the system menu (and its close command) only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    Panel1 = new QWidget;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    // Wide tables can outgrow the screen: the boxes then scroll.
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setObjectName(QStringLiteral("Panel1Scroller"));
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setWidget(Panel1);

    auto *strip = new QFrame(this);
    strip->setFrameShape(QFrame::StyledPanel);
    Panel2 = strip;
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(kStripHeight);
    Button1 = new QPushButton(QStringLiteral("CLOSE"), Panel2);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setFixedSize(kButtonSize);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &TFrm_2DAPreview::Button1Click);
    // Stretches on both sides keep the button centred whatever the width.
    auto *centring = new QHBoxLayout(Panel2);
    centring->setContentsMargins(0, 0, 0, 0);
    centring->addStretch(1);
    centring->addWidget(Button1);
    centring->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_scrollArea, 1);
    layout->addWidget(Panel2);

    // Eight boxes and the strip below them.
    resize(kStartWidth, kPanel1Height + kStripHeight);
}

void TFrm_2DAPreview::AddField(const QString &title, const QString &value)
{
    if (m_fieldCounter == kFieldsPerColumn) {
        ++m_boxColumn;
        m_fieldCounter = 0;
        if (m_boxColumn >= kColumnsAtStartWidth)
            resize(width() + kColumnGrowth, height());
    }

    auto *box = new QGroupBox(title, Panel1);
    box->setGeometry(kFieldLeft + kFieldPitchX * m_boxColumn, kFieldTop + kFieldHeight * m_fieldCounter,
                     kFieldWidth, kFieldHeight);
    auto *edit = new QLineEdit(value, box);
    edit->setReadOnly(true);
    edit->setGeometry(kValueBox);
    edit->setCursorPosition(0); // long values show their start
    box->show();

    Panel1->setMinimumSize(std::max(Panel1->minimumWidth(), box->geometry().right() + 1 + kPanelMargin),
                           kPanel1Height);
    ++m_fieldCounter;
}

void TFrm_2DAPreview::Button1Click()
{
    close();
}
