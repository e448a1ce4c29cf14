// Quorlin Viewer: start-up of the desktop program.
#include "app/UApplication.h"
#include "app/UMain.h"

#include <csignal>

int main(int argc, char *argv[])
{
    // Must precede the application object: the model view draws with GL 1.1
    // fixed-function calls.
    TApplication::SetDefaultSurfaceFormat();
    // A file-size limit fails the save with a message instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    TApplication app(argc, argv);

    TFrmMain main;
    main.CreateAboutWindow();
    main.show();
    return app.exec();
}
