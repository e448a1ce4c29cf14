// Runs the window tests inside one application object, as the program does.
#include "app/UApplication.h"
#include "media/ZDSMD.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>


int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no display.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();

    // The user's own configuration never reaches the tests: no game folder
    // unless a test names one.
    QTemporaryDir configHome;
    qputenv("XDG_CONFIG_HOME", configHome.path().toUtf8());
    qunsetenv("QUORLIN_GAME_FOLDER");
    // Sounds play in real time into a sink that needs no sound card.
    TZDSMD::SetAudioSink("fakesink sync=true");

    TApplication::SetDefaultSurfaceFormat();
    TApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
