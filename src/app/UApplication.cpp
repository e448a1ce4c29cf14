#include "app/UApplication.h"

#include "app/UCancel.h"
#include "app/UDialogs.h"
#include "app/UGameText.h"
#include "app/UMessage.h"

#include <QFile>
#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QSurfaceFormat>

QPointer<QWidget> TApplication::s_mainForm;

QString FromGameText(std::string_view bytes, const CGameTextCodec &codec)
{
    return QString::fromStdString(codec.Decode(bytes));
}

QString FromPath(const std::string &path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string ToPath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setWindowIcon(ProgramIcon());
    // Readers report wrong files through the core hook: a modal error box.
    SetErrorMessageHandler([](const std::string &text) {
        ShowErrorBox(QApplication::activeWindow(), TApplication::Title(), QString::fromStdString(text));
    });
}

TApplication::~TApplication()
{
    SetErrorMessageHandler({});
}

namespace {
// Shows the exception being handled; call only inside a catch block.
void ReportCurrentException()
{
    try {
        throw;
    } catch (const ECancelled &) {
        // The user stopped the work: nothing to report.
    } catch (const std::exception &error) {
        TApplication::ShowException(error);
    } catch (...) {
        ShowErrorBox(QApplication::activeWindow(), TApplication::Title(),
                     QStringLiteral("Unknown error."));
    }
}
} // namespace

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ReportCurrentException();
    }
    return false;
}

QWidget *TApplication::MainForm()
{
    return s_mainForm;
}

void TApplication::SetMainForm(QWidget *form)
{
    s_mainForm = form;
}

QString TApplication::Title()
{
    return applicationName();
}

void TApplication::SetTitle(const QString &title)
{
    setApplicationName(title);
}

QIcon TApplication::ProgramIcon()
{
    // A white "Q" on a navy tile.
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 128));
        painter.drawRoundedRect(QRectF(0, 0, side, side), side * 0.2, side * 0.2);
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(side * 3 / 4);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRect(0, 0, side, side), Qt::AlignCenter, QStringLiteral("Q"));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void TApplication::ShowException(const std::exception &error)
{
    ShowErrorBox(activeWindow(), Title(), QString::fromUtf8(error.what()));
}

void TApplication::SetDefaultSurfaceFormat()
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(2, 1);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setAlphaBufferSize(8);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);
}
