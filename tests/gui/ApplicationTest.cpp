// The default error report and the core's error box.
#include "GuiTestSupport.h"

#include "app/UApplication.h"
#include "app/UFileIO.h"
#include "app/UMain.h"
#include "app/UMessage.h"

#include <QOpenGLContext>
#include <QPushButton>
#include <QSurfaceFormat>
#include <QTest>
#include <QTimer>

#include <stdexcept>

using ApplicationTest = TGuiTest;

TEST_F(ApplicationTest, ExceptionFromAClickedButtonIsReportedAndTheProgramGoesOn)
{
    QPushButton button("Load");
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&clicks] {
        ++clicks;
        throw EFileError("Cannot open file /data/broken.2da.");
    });
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));

    QTest::mouseClick(&button, Qt::LeftButton);
    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_EQ(ShownMessages[0].Text, "Cannot open file /data/broken.2da.");
    EXPECT_EQ(ShownMessages[0].Icon, QMessageBox::Critical);
    EXPECT_EQ(ShownMessages[0].Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    // The button and the event loop still work: a second click is handled and
    // reported again, and a timer still fires.
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(ShownMessages.size(), 2u);
    bool fired = false;
    QTimer::singleShot(0, [&fired] { fired = true; });
    EXPECT_TRUE(QTest::qWaitFor([&fired] { return fired; }, 2000));
}

TEST_F(ApplicationTest, ExceptionFromAMenuCommandIsReportedAndTheMenusStillWork)
{
    auto main = CreateMainWindow();
    // The open dialog fails while the 2DA command runs.
    SetOpenFileHandler([](const TOpenFileRequest &) -> QString {
        throw std::runtime_error("Access denied.");
    });
    ClickMenuCommand(main.get(), {"File1", "N2DA1"}, "Open2DA");
    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_EQ(ShownMessages[0].Text, "Access denied.");
    EXPECT_EQ(ShownMessages[0].Caption, TApplication::Title());

    ClickMenuCommand(main.get(), {"File1", "MDL1"}, "OpenMDL");
    EXPECT_EQ(ShownMessages.size(), 2u);
    ClickMenuCommand(main.get(), {"File1", "N2DA1"}, "Open2DA");
    EXPECT_EQ(ShownMessages.size(), 3u);
    EXPECT_TRUE(main->isVisible());
}

TEST_F(ApplicationTest, CoreErrorMessagesShowAnErrorBox)
{
    ShowErrorMessage("Wrong key File.");
    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_EQ(ShownMessages[0].Text, "Wrong key File.");
    EXPECT_EQ(ShownMessages[0].Caption, TApplication::Title()) << "one title for every error box";
    EXPECT_EQ(ShownMessages[0].Icon, QMessageBox::Critical);
    EXPECT_EQ(ShownMessages[0].Buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

TEST_F(ApplicationTest, OpenGLViewsGetACompatibilityContext)
{
    const QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    EXPECT_EQ(format.majorVersion(), 2);
    EXPECT_EQ(format.minorVersion(), 1);
    EXPECT_EQ(format.profile(), QSurfaceFormat::CompatibilityProfile);
    EXPECT_EQ(format.swapBehavior(), QSurfaceFormat::DoubleBuffer);
    EXPECT_GE(format.depthBufferSize(), 16);
}

TEST_F(ApplicationTest, MainFormIsTheMainWindow)
{
    auto main = CreateMainWindow(false);
    EXPECT_EQ(TApplication::MainForm(), main.get());
    main.reset();
    EXPECT_EQ(TApplication::MainForm(), nullptr);
}
