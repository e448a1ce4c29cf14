// Quorlin Viewer: start-up of the desktop program.
#include "app/UApplication.h"
#include "app/UMain.h"

int main(int argc, char *argv[])
{
    // Must precede the application object: the model view draws with GL 1.1
    // fixed-function calls.
    TApplication::SetDefaultSurfaceFormat();
    TApplication app(argc, argv);

    TFrmMain main;
    main.CreateAboutWindow();
    main.show();
    return app.exec();
}
