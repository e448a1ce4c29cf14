// Runs the window tests inside one application object, as the program does.
#include "app/UApplication.h"

#include <gtest/gtest.h>


int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no display.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();

    TApplication::SetDefaultSurfaceFormat();
    TApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
