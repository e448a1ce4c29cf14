// The picture viewer: its window, the file line, how pictures are fitted and
// what a failed load leaves.
#include "GuiTestSupport.h"

#include "app/UMain.h"
#include "media/UFrm_IMG.h"

#include "DemoPictures.h"
#include "testdata/ByteBuilder.h"

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include <stdexcept>

using demo::Picture;

namespace {

constexpr QRgb kFrame = 0xFFE01010; // red
constexpr QRgb kInside = 0xFF10C020; // green

// A red frame around a green inside; the frame stays visible when reduced.
Picture FramedPicture(int width, int height)
{
    const int frameWidth = std::max(2, std::min(width, height) / 40);
    Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool frame = x < frameWidth || y < frameWidth || x >= width - frameWidth ||
                               y >= height - frameWidth;
            picture.Pixels.push_back(frame ? kFrame : kInside);
        }
    return picture;
}

bool Near(QRgb a, QRgb b, int tolerance = 40)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

class PictureViewerTest : public TGuiTest {
protected:
    QString WriteFile(const std::string &name, const std::string &bytes)
    {
        const std::string path = ProgramFolder() + name;
        testdata::WriteFile(path, bytes);
        return QString::fromStdString(path);
    }

    std::unique_ptr<TFrm_IMG> ShowViewer()
    {
        auto viewer = std::make_unique<TFrm_IMG>();
        viewer->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(viewer.get()));
        return viewer;
    }

    // Checks that the whole framed picture is drawn where the picture area
    // says it is: its frame on all four sides, its inside in the middle, the
    // background just outside. Returns that place.
    static QRect ExpectFramedPicture(TFrm_IMG &viewer)
    {
        QApplication::processEvents(); // pending layout and paint
        const QImage shown = viewer.Image1->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect rect = viewer.Image1->PictureRect();
        EXPECT_FALSE(rect.isEmpty());
        if (rect.isEmpty())
            return rect;
        const QPoint centre = rect.center();
        EXPECT_TRUE(Near(shown.pixel(centre), kInside)) << std::hex << shown.pixel(centre);
        for (const QPoint &edge : {QPoint(rect.left(), centre.y()), QPoint(rect.right(), centre.y()),
                                   QPoint(centre.x(), rect.top()), QPoint(centre.x(), rect.bottom())})
            EXPECT_TRUE(Near(shown.pixel(edge), kFrame))
                << "edge " << edge.x() << "," << edge.y() << ": " << std::hex << shown.pixel(edge);
        const QRgb background = viewer.Image1->palette().color(viewer.Image1->backgroundRole()).rgb();
        for (const QPoint &outside : {QPoint(rect.left() - 1, centre.y()), QPoint(rect.right() + 1, centre.y()),
                                      QPoint(centre.x(), rect.top() - 1), QPoint(centre.x(), rect.bottom() + 1)}) {
            if (!shown.rect().contains(outside))
                continue;
            EXPECT_TRUE(Near(shown.pixel(outside), background, 8))
                << "outside " << outside.x() << "," << outside.y() << ": " << std::hex << shown.pixel(outside);
        }
        return rect;
    }
};

TFrm_IMG *OnlyPictureChild(TFrmMain &main)
{
    const QList<QMdiSubWindow *> children = main.MdiArea()->subWindowList();
    EXPECT_EQ(children.size(), 1);
    return children.isEmpty() ? nullptr : qobject_cast<TFrm_IMG *>(children[0]->widget());
}

} // namespace

TEST_F(PictureViewerTest, WindowHasItsDesignedLayout)
{
    auto viewer = ShowViewer();
    EXPECT_EQ(viewer->windowTitle(), "Picture Preview");
    EXPECT_EQ(viewer->size(), QSize(572, 472));
    ASSERT_EQ(viewer->Image1, viewer->findChild<TPictureArea *>("Image1"));
    ASSERT_EQ(viewer->Panel1, viewer->findChild<QLabel *>("Panel1"));
    EXPECT_EQ(viewer->Panel1->height(), 18);
    EXPECT_EQ(viewer->Image1->geometry(), QRect(0, 0, 572, 472 - 18));
    EXPECT_EQ(viewer->Panel1->geometry(), QRect(0, 472 - 18, 572, 18));
    EXPECT_TRUE(viewer->Panel1->text().isEmpty());
}

TEST_F(PictureViewerTest, StatusLineNamesTheFileAndItsSize)
{
    auto viewer = ShowViewer();
    demo::TgaLayout layout;
    layout.RunLength = true;
    viewer->OpenFile(WriteFile("banner.tga", demo::MakeTgaWith(demo::LandscapePicture(512, 256), layout)));
    EXPECT_EQ(viewer->windowTitle(), "Picture Preview - banner.tga");
    EXPECT_EQ(viewer->Panel1->text(), "File : banner.tga, size : 512 x 256");
    EXPECT_EQ(viewer->PictureFormat(), "TGA");
    EXPECT_EQ(viewer->Image1->Picture().size(), QSize(512, 256));
}

TEST_F(PictureViewerTest, PspPictureIsShownWithItsNameAndSize)
{
    auto viewer = ShowViewer();
    viewer->OpenFile(WriteFile("layers.psp", demo::MakePsp(FramedPicture(120, 90))));
    EXPECT_EQ(viewer->Panel1->text(), "File : layers.psp, size : 120 x 90");
    EXPECT_EQ(viewer->PictureFormat(), "PSP");
    ExpectFramedPicture(*viewer);
}

TEST_F(PictureViewerTest, LargePictureIsShownWholeReducedToFit)
{
    auto viewer = ShowViewer();
    viewer->OpenFile(WriteFile("wide.png", demo::MakePng(FramedPicture(1200, 600))));
    EXPECT_EQ(viewer->Panel1->text(), "File : wide.png, size : 1200 x 600");

    // 572 x 454 area: the width limits, 2:1 kept, centred vertically.
    EXPECT_EQ(ExpectFramedPicture(*viewer), QRect(0, (454 - 286) / 2, 572, 286));

    // A tall window: the picture follows, still whole.
    viewer->resize(300, 700);
    QApplication::processEvents();
    const QRect narrow = ExpectFramedPicture(*viewer);
    EXPECT_EQ(narrow.width(), 300);
    EXPECT_EQ(narrow.height(), 150);
    EXPECT_EQ(narrow.center().y(), viewer->Image1->rect().center().y());
}

TEST_F(PictureViewerTest, TallPictureIsLimitedByTheHeight)
{
    auto viewer = ShowViewer();
    viewer->OpenFile(WriteFile("tall.sgi", demo::MakeSgi(FramedPicture(300, 908), false)));
    const QRect shown = ExpectFramedPicture(*viewer);
    EXPECT_EQ(shown.height(), 454);
    EXPECT_EQ(shown.width(), 150);
    EXPECT_EQ(shown.left(), (572 - 150) / 2);
}

TEST_F(PictureViewerTest, SmallPictureIsCentredAtItsOwnSize)
{
    auto viewer = ShowViewer();
    viewer->OpenFile(WriteFile("icon.bmp", demo::MakeBmp(FramedPicture(16, 12))));
    EXPECT_EQ(viewer->Panel1->text(), "File : icon.bmp, size : 16 x 12");
    EXPECT_EQ(ExpectFramedPicture(*viewer), QRect((572 - 16) / 2, (454 - 12) / 2, 16, 12));

    // Growing the window keeps it at its size in the middle.
    viewer->resize(800, 600);
    QApplication::processEvents();
    EXPECT_EQ(viewer->Image1->PictureRect().size(), QSize(16, 12));
    EXPECT_EQ(viewer->Image1->PictureRect().center(), viewer->Image1->rect().center());
}

TEST_F(PictureViewerTest, FailedLoadLeavesTheCaptionAndNothingElse)
{
    auto viewer = ShowViewer();
    const QString path = WriteFile("notes.xyz", "no picture here");
    EXPECT_THROW(viewer->OpenFile(path), std::runtime_error);
    EXPECT_EQ(viewer->windowTitle(), "Picture Preview - notes.xyz");
    EXPECT_TRUE(viewer->Panel1->text().isEmpty());
    EXPECT_TRUE(viewer->Image1->Picture().isNull());
    EXPECT_TRUE(viewer->Image1->PictureRect().isEmpty());
}

TEST_F(PictureViewerTest, PictureCommandOpensTheChosenFileInAChildWindow)
{
    auto main = CreateMainWindow();
    OpenFileAnswers = {WriteFile("emblem.pcx", demo::MakePcx(demo::EmblemPicture(40, 30), false))};
    ClickMenuCommand(main.get(), {"File1", "Picture"}, "OpenIMG");

    ASSERT_EQ(OpenFileRequests.size(), 1u);
    TFrm_IMG *viewer = OnlyPictureChild(*main);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->windowTitle(), "Picture Preview - emblem.pcx");
    EXPECT_EQ(main->MdiArea()->subWindowList()[0]->windowTitle(), "Picture Preview - emblem.pcx");
    EXPECT_EQ(viewer->Panel1->text(), "File : emblem.pcx, size : 40 x 30");
    EXPECT_EQ(viewer->PictureFormat(), "PCX");
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(PictureViewerTest, DamagedPictureIsReportedAndTheWindowShowsNothing)
{
    auto main = CreateMainWindow();
    const std::string whole = demo::MakePng(FramedPicture(64, 64));
    OpenFileAnswers = {WriteFile("broken.png", whole.substr(0, whole.size() / 2))};
    ClickMenuCommand(main.get(), {"File1", "Picture"}, "OpenIMG");

    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_EQ(ShownMessages[0].Icon, QMessageBox::Critical);
    EXPECT_TRUE(ShownMessages[0].Text.startsWith("Cannot decode the PNG picture")) << ShownMessages[0].Text.toStdString();
    EXPECT_TRUE(ShownMessages[0].Text.contains("broken.png"));
    TFrm_IMG *viewer = OnlyPictureChild(*main);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->windowTitle(), "Picture Preview - broken.png");
    EXPECT_TRUE(viewer->Panel1->text().isEmpty());
    EXPECT_TRUE(viewer->Image1->Picture().isNull());
}

TEST_F(PictureViewerTest, EmbeddedInAPanelItHasNoFrameOfItsOwn)
{
    QWidget panel;
    panel.resize(400, 300);
    auto *viewer = new TFrm_IMG(&panel);
    viewer->setGeometry(panel.rect());
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    viewer->OpenFile(WriteFile("stone.tga", demo::MakeTgaWith(FramedPicture(8, 8), {})));
    EXPECT_FALSE(viewer->isWindow());
    EXPECT_EQ(viewer->Panel1->text(), "File : stone.tga, size : 8 x 8");
    EXPECT_EQ(ExpectFramedPicture(*viewer), QRect((400 - 8) / 2, (300 - 18 - 8) / 2, 8, 8));
}
