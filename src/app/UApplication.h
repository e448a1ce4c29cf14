// The application object. It is the program's one default error report: an
// exception that escapes any event handler is shown in a message box with its
// text, and the program goes on. The core's error messages reach the same box.
#pragma once

#include <QApplication>
#include <QIcon>
#include <QPointer>

#include <exception>
#include <string>
#include <string_view>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int &argc, char **argv);
    ~TApplication() override;

    bool notify(QObject *receiver, QEvent *event) override;

    // The main window, on which small windows such as the progress window centre.
    static QWidget *MainForm();
    static void SetMainForm(QWidget *form);

    // The application title: the caption of the default error report.
    static QString Title();
    static void SetTitle(const QString &title);

    // The program's icon, drawn at start-up; every window shows it.
    static QIcon ProgramIcon();

    // Shows the text of an exception in the default error report.
    static void ShowException(const std::exception &error);

    // The context every OpenGL view gets: version 2.1, compatibility profile,
    // double-buffered RGBA with a depth buffer, so fixed-function drawing works.
    static void SetDefaultSurfaceFormat();

private:
    static QPointer<QWidget> s_mainForm;
};

class CGameTextCodec;

// Game text (bytes in one of the game's encodings) as a QString; bytes not
// valid in the encoding show as U+FFFD.
QString FromGameText(std::string_view bytes, const CGameTextCodec &codec);
// File and folder paths, in the platform's encoding, and back. The core's own
// messages and names it builds for display are UTF-8 (QString::fromStdString).
QString FromPath(const std::string &path);
std::string ToPath(const QString &path);
