#include "app/About.h"

#include "app/UApplication.h"
#include "app/UCTRAD.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kTextLeft = 10;

// The window's background: shading from left to right into navy, with the
// about text centred over it in white bold.
class TGradientCaption : public QWidget {
public:
    explicit TGradientCaption(QWidget *parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("JvGradientCaption1"));
        QFont bold(QStringLiteral("Arial"));
        bold.setBold(true);
        setFont(bold);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        QLinearGradient shade(0, 0, width(), 0);
        shade.setColorAt(0, Qt::black);
        shade.setColorAt(1, QColor(0, 0, 128));
        painter.fillRect(rect(), shade);
        painter.setPen(Qt::white);
        painter.drawText(rect().adjusted(kTextLeft, 0, 0, 0), Qt::AlignCenter | Qt::TextWordWrap,
                         TFrm_About::AboutText());
    }
};

} // namespace

TFrm_About::TFrm_About(QWidget *parent) : QDialog(parent ? parent : TApplication::MainForm())
{
    setObjectName(QStringLiteral("Frm_About"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setWindowIcon(TApplication::ProgramIcon());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);

    JvGradientCaption1 = new TGradientCaption(this);
    BtnOk = new QPushButton(QStringLiteral("OK"), this);
    BtnOk->setObjectName(QStringLiteral("BtnOk"));
    BtnOk->setDefault(true);
    connect(BtnOk, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    layout->setSpacing(8);
    layout->addWidget(JvGradientCaption1, 1);
    layout->addWidget(BtnOk, 0, Qt::AlignHCenter);

    Translator().Translate(this);
}

QString TFrm_About::AboutText()
{
    return QStringLiteral("Quorlin Viewer\n\nVersion %1\n\nViewer, extractor and packer of the files of "
                          "Duskmere: KEY/BIF, MOD, HAK, ERF, GFF, TLK, 2DA, SSF, models, textures, "
                          "pictures and sounds\n\nBuilt with Qt %2")
        .arg(QStringLiteral(QUORLIN_VERSION), QLatin1String(QT_VERSION_STR));
}
