// The progress window of long exports.
#include "GuiTestSupport.h"

#include "app/UFrm_Progress.h"
#include "app/UMain.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QWindow>

using ProgressTest = TGuiTest;

namespace {
std::unique_ptr<TFrm_Progress> CreateProgress()
{
    auto progress = std::make_unique<TFrm_Progress>();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(progress.get()));
    return progress;
}
} // namespace

TEST_F(ProgressTest, OpensVisibleWithItsDesignedLayout)
{
    auto main = CreateMainWindow();
    auto progress = CreateProgress();
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->windowTitle(), "Frm_Progress");
    EXPECT_EQ(progress->size(), QSize(364, 72));
    ASSERT_EQ(progress->Btn_Cancel, progress->findChild<QPushButton *>("Btn_Cancel"));
    EXPECT_EQ(progress->Btn_Cancel->text(), "Cancel");
    EXPECT_LT(progress->Gauge1->geometry().bottom(), progress->Btn_Cancel->geometry().top());
    ASSERT_EQ(progress->StaticText1, progress->findChild<QLabel *>("StaticText1"));
    ASSERT_EQ(progress->Gauge1, progress->findChild<QProgressBar *>("Gauge1"));
    EXPECT_EQ(progress->StaticText1->size(), QSize(361, 17));
    EXPECT_EQ(progress->Gauge1->size(), QSize(361, 21));
    EXPECT_LT(progress->StaticText1->geometry().bottom(), progress->Gauge1->geometry().top());
    EXPECT_EQ(progress->StaticText1->frameShadow(), QFrame::Sunken);
    EXPECT_EQ(progress->Gauge1->orientation(), Qt::Horizontal);
    EXPECT_TRUE(progress->Gauge1->isTextVisible());
    const QPoint offset = progress->frameGeometry().center() - main->frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
}

TEST_F(ProgressTest, StaysOnTopAsAToolWindowWithoutCloseBox)
{
    auto main = CreateMainWindow();
    auto progress = CreateProgress();
    const Qt::WindowFlags flags = progress->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinMaxButtonsHint));
    EXPECT_TRUE(progress->windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    // Using the main window does not hide it.
    main->activateWindow();
    main->raise();
    QApplication::processEvents();
    EXPECT_TRUE(progress->isVisible());
}

TEST_F(ProgressTest, RefusesEveryCloseRequest)
{
    auto progress = CreateProgress();
    EXPECT_FALSE(progress->close());
    EXPECT_TRUE(progress->isVisible());
    // The close request of the window system (Alt+F4, the task bar) as well.
    progress->windowHandle()->close();
    QApplication::processEvents();
    EXPECT_TRUE(progress->isVisible());
    QTest::keyClick(progress.get(), Qt::Key_F4, Qt::AltModifier);
    QTest::keyClick(progress.get(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(progress->isVisible());
}

TEST_F(ProgressTest, ZeroMaximumShowsZeroPercent)
{
    auto progress = CreateProgress();
    progress->SetMaximum(0);
    progress->SetPosition(0);
    EXPECT_EQ(progress->Percent(), 0);
    EXPECT_EQ(progress->Gauge1->text(), "0%");
    // No busy indicator: the bar keeps a real range.
    EXPECT_GT(progress->Gauge1->maximum(), progress->Gauge1->minimum());
    progress->StepIt();
    EXPECT_EQ(progress->Gauge1->text(), "0%");
}

TEST_F(ProgressTest, GaugeShowsTheWholePercentDone)
{
    auto progress = CreateProgress();
    progress->SetCaption("Exporting resources");
    progress->SetMaximum(3);
    progress->SetPosition(0);
    EXPECT_EQ(progress->Gauge1->text(), "0%");
    progress->StepIt();
    EXPECT_EQ(progress->Position(), 1);
    EXPECT_EQ(progress->Gauge1->text(), "33%");
    progress->StepIt();
    EXPECT_EQ(progress->Gauge1->text(), "66%");
    progress->StepIt();
    EXPECT_EQ(progress->Gauge1->text(), "100%");
    EXPECT_EQ(progress->windowTitle(), "Exporting resources");

    progress->SetMaximum(100000);
    progress->SetPosition(99999);
    EXPECT_EQ(progress->Gauge1->text(), "99%");
    progress->SetPosition(250);
    EXPECT_EQ(progress->Gauge1->text(), "0%");
    progress->SetPosition(1250);
    EXPECT_EQ(progress->Gauge1->text(), "1%");
}

TEST_F(ProgressTest, StatusTextIsOneLine)
{
    auto progress = CreateProgress();
    progress->SetStatusText("dialog.tlk");
    EXPECT_EQ(progress->StaticText1->text(), "dialog.tlk");
    EXPECT_FALSE(progress->StaticText1->wordWrap());
}

TEST_F(ProgressTest, ManyStepsAreCheap)
{
    // An export of 100,000 files steps the gauge once per file without
    // processing events; only whole-percent changes reach the bar.
    auto progress = CreateProgress();
    progress->SetMaximum(100000);
    progress->SetPosition(0);
    int barChanges = 0;
    QObject::connect(progress->Gauge1, &QProgressBar::valueChanged, [&barChanges] { ++barChanges; });
    for (int i = 0; i < 100000; ++i) {
        progress->SetStatusText(QStringLiteral("file%1.utc").arg(i));
        progress->StepIt();
    }
    EXPECT_EQ(progress->Position(), 100000);
    EXPECT_EQ(barChanges, 100);
    EXPECT_EQ(progress->Gauge1->text(), "100%");
}
