// The PLT viewer: its window, the colours its layers take from the chosen
// palette rows, the swatch clicks, the BMP export, and where it opens: the
// File menu and the previews of both archive browsers.
#include "BrowserTestSupport.h"

#include "app/UMain.h"
#include "app/UUtil.h"
#include "archives/UFrm_BIF.h"
#include "archives/UFrm_ModView.h"
#include "model/UFrm_PLT.h"

#include "testdata/ByteBuilder.h"
#include "testdata/ErfBuilder.h"
#include "testdata/ResTypeNumbers.h"
#include "testdata/TextureBuilder.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <gmock/gmock.h>

#include <filesystem>

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using testdata::PaletteColour;
using testdata::PltPixel;

namespace {

// The test's palettes: entry (row, value) of palette kind k is (40 k + 1, 4 row, value).
QRgb Entry(int kind, int row, int value)
{
    return qRgb(40 * kind + 1, 4 * row, value);
}
constexpr QRgb kBlue = 0xFF0000FF;
constexpr QRgb kLime = 0xFF00FF00;

const char *const kPaletteFiles[kPltPaletteCount] = {"pal_armor01.pal", "pal_Cloth01.pal", "pal_Skin01.pal",
                                                     "pal_Hair01.pal",  "pal_leath01.pal", "pal_tattoo01.pal"};

class PltViewerTest : public TBrowserTest {
protected:
    void SetUp() override
    {
        TBrowserTest::SetUp();
        for (int kind = 0; kind < kPltPaletteCount; ++kind)
            testdata::WriteFile(ProgramFolder() + "PAL/" + kPaletteFiles[kind],
                                testdata::BuildPalette(64, [kind](int row, int value) {
                                    const QRgb c = Entry(kind, row, value);
                                    return PaletteColour{std::uint8_t(qRed(c)), std::uint8_t(qGreen(c)), std::uint8_t(qBlue(c))};
                                }));
    }
    QString WritePlt(const std::string &name, std::uint32_t width, std::uint32_t height, const std::vector<PltPixel> &pixels)
    {
        const std::string path = ProgramFolder() + name;
        testdata::WriteFile(path, testdata::BuildPlt(width, height, pixels));
        return QString::fromStdString(path);
    }

    std::unique_ptr<TFrm_PLT> ShowViewer()
    {
        auto viewer = std::make_unique<TFrm_PLT>();
        viewer->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(viewer.get()));
        return viewer;
    }

    // The coloured picture as Image1 shows it.
    static QImage Shown(const TFrm_PLT &viewer) { return viewer.Image1->pixmap().toImage().convertToFormat(QImage::Format_RGB32); }

    // Moves the pointer over the swatch to position and clicks there, through the window system.
    static void ClickSwatch(TFrm_PLT &viewer, QPoint position)
    {
        QWindow *window = viewer.window()->windowHandle();
        ASSERT_NE(window, nullptr);
        const QPoint where = window->mapFromGlobal(viewer.Image_Gen->mapToGlobal(position));
        // From outside the swatch, so that the window system reports a move
        // even when the last window of a test left the pointer right there.
        QTest::mouseMove(window, window->mapFromGlobal(viewer.Panel5->mapToGlobal(QPoint(10, 10))));
        QTest::mouseMove(window, where);
        QTest::mouseClick(window, Qt::LeftButton, {}, where);
    }

    // Chooses a palette-list item with the keyboard, as a user may.
    static void ChooseItem(TFrm_PLT &viewer, int item)
    {
        viewer.ComboBox_Pal->setFocus();
        while (viewer.ComboBox_Pal->currentIndex() < item)
            QTest::keyClick(viewer.ComboBox_Pal, Qt::Key_Down);
        while (viewer.ComboBox_Pal->currentIndex() > item)
            QTest::keyClick(viewer.ComboBox_Pal, Qt::Key_Up);
    }
};

TEST_F(PltViewerTest, WindowHasItsDesignedComponents)
{
    auto viewer = ShowViewer();
    EXPECT_EQ(viewer->windowTitle(), "PLT Preview");
    EXPECT_EQ(viewer->size(), QSize(520, 325));
    EXPECT_EQ(viewer->minimumSize(), QSize(400, 325));
    const std::pair<QWidget *, QString> named[] = {
        {viewer->Panel1, "Panel1"}, {viewer->Image_Gen, "Image_Gen"}, {viewer->Shape1, "Shape1"}, {viewer->Grp_Pal, "Grp_Pal"},
        {viewer->ComboBox_Pal, "ComboBox_Pal"}, {viewer->BtnExportBMP, "BtnExportBMP"}, {viewer->Panel5, "Panel5"},
        {viewer->Image1, "Image1"}};
    for (const auto &[widget, name] : named)
        EXPECT_EQ(viewer->findChild<QWidget *>(name), widget) << name.toStdString();
    EXPECT_EQ(viewer->Panel1->geometry(), QRect(0, 0, 258, 325));
    EXPECT_EQ(viewer->Image_Gen->size(), QSize(256, 256));
    EXPECT_EQ(viewer->Shape1->geometry(), QRect(0, 0, 32, 32));
    EXPECT_EQ(viewer->Grp_Pal->title(), "Palette");
    EXPECT_EQ(viewer->BtnExportBMP->text(), "Export (BMP)");
    EXPECT_GE(std::min(viewer->Grp_Pal->y(), viewer->BtnExportBMP->y()), viewer->Image_Gen->geometry().bottom());
    EXPECT_EQ(viewer->Panel5->geometry(), QRect(258, 0, 520 - 258, 325));
    EXPECT_EQ(viewer->Panel5->frameShadow(), QFrame::Sunken);
    QStringList captions;
    for (int i = 0; i < viewer->ComboBox_Pal->count(); ++i)
        captions << viewer->ComboBox_Pal->itemText(i);
    EXPECT_EQ(captions, QStringList({"Metal 01", "Metal 02", "Leather 01", "Leather 02", "Cloth 01", "Cloth 02", "Hair",
                                     "Skin", "Tattoo 01", "Tattoo 02"}));
    EXPECT_EQ(viewer->ComboBox_Pal->currentIndex(), 0);
    EXPECT_FALSE(viewer->ComboBox_Pal->isEditable());
    EXPECT_EQ(viewer->findChild<TSaveDialog *>("SavePictureDialog1"), viewer->SavePictureDialog1);
    EXPECT_TRUE(ShownMessages.empty());

    // The marker is drawn in lime over the first cell, two pixels wide.
    QApplication::processEvents();
    const QImage swatch = viewer->Image_Gen->grab().toImage();
    for (const QPoint &border : {QPoint(0, 16), QPoint(1, 16), QPoint(31, 16), QPoint(16, 31)})
        EXPECT_EQ(swatch.pixel(border), kLime) << border.x() << "," << border.y();
    for (const QPoint &inside : {QPoint(2, 16), QPoint(16, 16)})
        EXPECT_NE(swatch.pixel(inside), kLime) << inside.x() << "," << inside.y();
}

// The palette a swatch picture is drawn from, by the item chosen: metal for
// both metals, hair, skin, and the cloth swatch for leather, cloth and tattoo.
TEST_F(PltViewerTest, EachItemShowsTheSwatchOfItsFamilyOneCellPerRow)
{
    auto viewer = ShowViewer();
    const int swatchKind[kPltItemCount] = {kMetalPalette, kMetalPalette, kClothPalette, kClothPalette, kClothPalette,
                                           kClothPalette, kHairPalette,  kSkinPalette,  kClothPalette, kClothPalette};
    for (int item = 0; item < kPltItemCount; ++item) {
        ChooseItem(*viewer, item);
        ASSERT_EQ(viewer->ComboBox_Pal->currentIndex(), item);
        QApplication::processEvents();
        const QImage shown = viewer->Image_Gen->grab().toImage();
        // Inside cell (c, r), stretched to 32 x 32: palette row r x 8 + c, crisp up to the cell's edge.
        for (int row : {0, 13, 63}) {
            const QPoint cell((row % 8) * 32, (row / 8) * 32);
            for (const QPoint &inside : {QPoint(3, 3), QPoint(16, 16), QPoint(28, 28), QPoint(2, 29)}) {
                const QRgb pixel = shown.pixel(cell + inside);
                EXPECT_EQ(qRed(pixel), 40 * swatchKind[item] + 1) << "item " << item << " row " << row;
                EXPECT_EQ(qGreen(pixel), 4 * row) << "item " << item << " row " << row;
            }
        }
    }
}

TEST_F(PltViewerTest, ALayerTwoPixelTakesTheMetalEntryOfItemZerosRowAndLayerElevenIsBlue)
{
    auto viewer = ShowViewer();
    viewer->OpenFile(WritePlt("two.plt", 2, 1, {{10, 2}, {10, 11}}));
    EXPECT_EQ(viewer->windowTitle(), "PLT Preview - two.plt");
    QImage shown = Shown(*viewer);
    ASSERT_EQ(shown.size(), QSize(2, 1));
    EXPECT_EQ(shown.pixel(0, 0), Entry(kMetalPalette, 0, 10));
    EXPECT_EQ(shown.pixel(1, 0), kBlue);

    ClickSwatch(*viewer, {3 * 32 + 5, 7}); // row 3 of Metal 01
    EXPECT_EQ(viewer->RowChoices()[0], 3);
    shown = Shown(*viewer);
    EXPECT_EQ(shown.pixel(0, 0), Entry(kMetalPalette, 3, 10)); // entry 3 x 256 + 10 = 778
    EXPECT_EQ(shown.pixel(1, 0), kBlue);
    for (int row : {9, 40, 63}) {
        ClickSwatch(*viewer, {(row % 8) * 32 + 16, (row / 8) * 32 + 16});
        EXPECT_EQ(Shown(*viewer).pixel(1, 0), kBlue) << row;
    }
}

TEST_F(PltViewerTest, AClickAtSeventyFortyPicksRowTenAndMovesTheMarker)
{
    auto viewer = ShowViewer();
    viewer->OpenFile(WritePlt("metal.plt", 1, 1, {{200, 2}}));
    ClickSwatch(*viewer, {70, 40});
    EXPECT_EQ(viewer->RowChoices()[0], 10);
    EXPECT_EQ(viewer->Shape1->pos(), QPoint(64, 32));
    EXPECT_EQ(Shown(*viewer).pixel(0, 0), Entry(kMetalPalette, 10, 200));
    QApplication::processEvents();
    const QImage swatch = viewer->Image_Gen->grab().toImage();
    EXPECT_EQ(swatch.pixel(64, 48), kLime);
    EXPECT_EQ(swatch.pixel(95, 48), kLime);
    EXPECT_NE(swatch.pixel(0, 16), kLime);
}

TEST_F(PltViewerTest, SwitchingItemsShowsEachItemsChosenCellAgain)
{
    auto viewer = ShowViewer();
    viewer->OpenFile(WritePlt("leather.plt", 2, 1, {{30, 4}, {30, 2}}));
    ClickSwatch(*viewer, {70, 40}); // Metal 01: row 10
    ASSERT_EQ(viewer->RowChoices()[0], 10);
    ChooseItem(*viewer, 2);          // Leather 01: its row is still 0
    ASSERT_EQ(viewer->RowChoices()[0], 10);
    EXPECT_EQ(viewer->Shape1->pos(), QPoint(0, 0));
    EXPECT_EQ(qRed(viewer->Image_Gen->Picture().pixel(8, 8)), 40 * kClothPalette + 1) << "the cloth swatch";

    // A click where the pointer still is, unmoved since the last click,
    // keeps the row the marker shows.
    QWindow *window = viewer->window()->windowHandle();
    QTest::mouseClick(window, Qt::LeftButton, {}, window->mapFromGlobal(viewer->Image_Gen->mapToGlobal(QPoint(70, 40))));
    EXPECT_EQ(viewer->RowChoices()[2], 0);
    EXPECT_EQ(viewer->Shape1->pos(), QPoint(0, 0));

    ClickSwatch(*viewer, {5 * 32 + 1, 32 + 1}); // row 13 for layer 4, from the leather palette
    EXPECT_EQ(viewer->RowChoices()[2], 13);
    EXPECT_EQ(Shown(*viewer).pixel(0, 0), Entry(kLeatherPalette, 13, 30));
    EXPECT_EQ(Shown(*viewer).pixel(1, 0), Entry(kMetalPalette, 10, 30));

    ChooseItem(*viewer, 0);
    EXPECT_EQ(viewer->Shape1->pos(), QPoint(64, 32));
    EXPECT_EQ(qRed(viewer->Image_Gen->Picture().pixel(8, 8)), 40 * kMetalPalette + 1);
    ChooseItem(*viewer, 2);
    EXPECT_EQ(viewer->Shape1->pos(), QPoint(160, 32));
    EXPECT_EQ(viewer->RowChoices(), (TPltRowChoices{10, 0, 13, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(PltViewerTest, TheFirstPixelOfTheFileIsPaintedInTheBottomRowAndThePictureIsCentred)
{
    auto viewer = ShowViewer();
    viewer->OpenFile(WritePlt("tall.plt", 1, 2, {{50, 0}, {60, 12}}));
    const QImage shown = Shown(*viewer);
    ASSERT_EQ(shown.size(), QSize(1, 2));
    EXPECT_EQ(shown.pixel(0, 1), Entry(kSkinPalette, 0, 50));
    EXPECT_EQ(shown.pixel(0, 0), kBlue);

    viewer->OpenFile(WritePlt("square.plt", 40, 40, std::vector<PltPixel>(1600, PltPixel{255, 13})));
    EXPECT_EQ(viewer->windowTitle(), "PLT Preview - square.plt"); // the caption names the file shown
    QApplication::processEvents();
    const QImage panel = viewer->Image1->grab().toImage();
    const QPoint centre = viewer->Image1->rect().center();
    EXPECT_EQ(panel.pixel(centre), kBlue);
    EXPECT_EQ(panel.pixel(centre + QPoint(19, 19)), kBlue);
    EXPECT_NE(panel.pixel(centre + QPoint(22, 0)), kBlue);
    EXPECT_NE(panel.pixel(centre - QPoint(22, 0)), kBlue);
}

// The fields of a BMP file as written, read from its layout.
struct TBmpRead {
    std::uint32_t FileSize = 0, DataOffset = 0, HeaderSize = 0, Compression = 0;
    std::int32_t Width = 0, Height = 0;
    std::uint16_t Bits = 0;
    std::vector<QRgb> Pixels; // top row first
};

TBmpRead ReadBmp(const std::string &bytes)
{
    TBmpRead bmp;
    if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0)
        return bmp;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    auto u32 = [p](std::size_t at) { return std::uint32_t(p[at] | p[at + 1] << 8 | p[at + 2] << 16 | std::uint32_t(p[at + 3]) << 24); };
    bmp.FileSize = u32(2);
    bmp.DataOffset = u32(10);
    bmp.HeaderSize = u32(14);
    bmp.Width = std::int32_t(u32(18));
    bmp.Height = std::int32_t(u32(22));
    bmp.Bits = std::uint16_t(p[28] | p[29] << 8);
    bmp.Compression = u32(30);
    if (bmp.Bits != 32 || bmp.Width <= 0 || bmp.Height <= 0 ||
        bmp.DataOffset + std::size_t(bmp.Width) * std::size_t(bmp.Height) * 4 > bytes.size())
        return bmp;
    for (int y = bmp.Height - 1; y >= 0; --y) // rows are stored bottom-up
        for (int x = 0; x < bmp.Width; ++x) {
            const unsigned char *pixel = p + bmp.DataOffset + (std::size_t(y) * std::size_t(bmp.Width) + std::size_t(x)) * 4;
            bmp.Pixels.push_back(qRgb(pixel[2], pixel[1], pixel[0]));
        }
    return bmp;
}

TEST_F(PltViewerTest, ExportWritesAThirtyTwoBitBmpOfTheShownPictureAtThePathAsTyped)
{
    auto viewer = ShowViewer();
    std::vector<PltPixel> pixels;
    for (int i = 0; i < 12; ++i)
        pixels.push_back({std::uint8_t(20 * i), std::uint8_t(i)});
    viewer->OpenFile(WritePlt("six.plt", 4, 3, pixels));
    ClickSwatch(*viewer, {70, 40});
    const std::string target = ProgramFolder() + "shield export";
    SaveFileAnswers = {QString::fromStdString(target)};
    QTest::mouseClick(viewer->BtnExportBMP, Qt::LeftButton);

    ASSERT_EQ(SaveFileRequests.size(), 1u);
    EXPECT_EQ(SaveFileRequests[0].Title, " ");
    EXPECT_EQ(SaveFileRequests[0].Filter, ConvertFilter("*.BMP|*.bmp"));
    ASSERT_TRUE(fs::is_regular_file(target)) << "written with no extension added";
    EXPECT_FALSE(fs::exists(target + ".bmp"));
    const std::string bytes = ReadBytes(target);
    const TBmpRead bmp = ReadBmp(bytes);
    EXPECT_EQ(bmp.FileSize, bytes.size());
    EXPECT_EQ(bmp.HeaderSize, 40u);
    EXPECT_EQ(bmp.Bits, 32);
    EXPECT_EQ(bmp.Compression, 0u);
    ASSERT_EQ(bmp.Width, 4);
    ASSERT_EQ(bmp.Height, 3);
    const QImage shown = Shown(*viewer);
    std::vector<QRgb> expected;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            expected.push_back(shown.pixel(x, y));
    EXPECT_EQ(bmp.Pixels, expected);
    // The top-left pixel is the first of the file's last row: value 160 of layer 8 (tattoo, row 0).
    EXPECT_EQ(bmp.Pixels[0], Entry(kTattooPalette, 0, 160));
    EXPECT_EQ(bmp.Pixels[5], Entry(kLeatherPalette, 0, 100)); // file pixel 5, layer 5
    EXPECT_EQ(bmp.Pixels[10], Entry(kMetalPalette, 10, 40));  // file pixel 2, layer 2: row 10 chosen
    EXPECT_EQ(bmp.Pixels[3], kBlue);                          // file pixel 11, layer 11
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(PltViewerTest, ExportWithoutAPictureWritesNothing)
{
    auto viewer = ShowViewer();
    const std::string target = ProgramFolder() + "nothing.bmp";
    SaveFileAnswers = {QString::fromStdString(target)};
    QTest::mouseClick(viewer->BtnExportBMP, Qt::LeftButton);
    EXPECT_EQ(SaveFileRequests.size(), 1u);
    EXPECT_FALSE(fs::exists(target));
    QTest::mouseClick(viewer->BtnExportBMP, Qt::LeftButton); // cancelled
    EXPECT_EQ(SaveFileRequests.size(), 2u);
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(PltViewerTest, AFileThatIsNoPltChangesOnlyTheCaptionAndAMissingOneNothing)
{
    auto viewer = ShowViewer();
    viewer->OpenFile(QString::fromStdString(ProgramFolder() + "missing.plt"));
    EXPECT_EQ(viewer->windowTitle(), "PLT Preview");
    const std::string notes = ProgramFolder() + "notes.plt";
    testdata::WriteFile(notes, "PLX this is no texture at all");
    viewer->OpenFile(QString::fromStdString(notes));
    EXPECT_EQ(viewer->windowTitle(), "PLT Preview - notes.plt");
    EXPECT_TRUE(viewer->Image1->pixmap().isNull());
    EXPECT_TRUE(viewer->Picture().Pixels.empty());
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(PltViewerTest, AMissingPaletteIsReportedAndTheWindowStaysWithoutListItemAndSwatch)
{
    fs::remove(ProgramFolder() + "PAL/pal_Hair01.pal");
    auto viewer = ShowViewer();
    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_EQ(ShownMessages[0].Icon, QMessageBox::Critical);
    EXPECT_THAT(ShownMessages[0].Text.toStdString(), HasSubstr("pal_Hair01.pal"));
    EXPECT_EQ(viewer->ComboBox_Pal->currentIndex(), -1);
    EXPECT_TRUE(viewer->Image_Gen->Picture().isNull());

    // The palettes read before the missing one colour their layers; the rest are black.
    viewer->OpenFile(WritePlt("mixed.plt", 3, 1, {{9, 2}, {9, 1}, {9, 0}}));
    const QImage shown = Shown(*viewer);
    EXPECT_EQ(shown.pixel(0, 0), Entry(kMetalPalette, 0, 9));
    EXPECT_EQ(shown.pixel(1, 0), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(2, 0), Entry(kSkinPalette, 0, 9));
    // With no item chosen a click only repaints.
    ClickSwatch(*viewer, {70, 40});
    EXPECT_EQ(viewer->RowChoices(), TPltRowChoices{});
}

TEST_F(PltViewerTest, TheFileMenuOpensItInAChildWindowOfItsDesignedSizeAndReportsADamagedFile)
{
    auto main = CreateMainWindow();
    main->resize(900, 700);
    OpenFileAnswers = {WritePlt("cloak.plt", 2, 2, std::vector<PltPixel>(4, PltPixel{128, 6}))};
    ClickMenuCommand(main.get(), {"File1", "PLT1"}, "OpenPLT");
    ASSERT_EQ(OpenFileRequests.size(), 1u);
    EXPECT_EQ(OpenFileRequests[0].Filter, ConvertFilter("*.PLT|*.PLT"));
    const QList<QMdiSubWindow *> children = main->MdiArea()->subWindowList();
    ASSERT_EQ(children.size(), 1);
    auto *viewer = qobject_cast<TFrm_PLT *>(children[0]->widget());
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(children[0]->windowTitle(), "PLT Preview - cloak.plt");
    EXPECT_EQ(viewer->size(), QSize(520, 325));
    EXPECT_EQ(Shown(*viewer).pixel(1, 1), Entry(kClothPalette, 0, 128));
    EXPECT_TRUE(ShownMessages.empty());

    const std::string cut = ProgramFolder() + "cut.plt";
    testdata::WriteFile(cut, testdata::BuildPlt(8, 8, std::vector<PltPixel>(20)));
    OpenFileAnswers = {QString::fromStdString(cut)};
    ClickMenuCommand(main.get(), {"File1", "PLT1"}, "OpenPLT");
    ASSERT_EQ(ShownMessages.size(), 1u);
    EXPECT_EQ(ShownMessages[0].Icon, QMessageBox::Critical);
    EXPECT_THAT(ShownMessages[0].Text.toStdString(), HasSubstr("\"" + cut + "\" is cut short"));
}

TEST_F(PltViewerTest, PltResourcesArePreviewedInBothBrowsers)
{
    auto browser = std::make_unique<TFrm_BIF>();
    browser->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(browser.get()));
    browser->OpenFile(DemoKeyPath());
    ClickRow(browser->ListRes, RowOf(browser->ListRes, "demo_plt"));
    EXPECT_EQ(browser->PreviewKind(), kPreviewPLT);
    auto *preview = qobject_cast<TFrm_PLT *>(browser->PreviewViewer());
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->Picture().Width, 128);
    EXPECT_EQ(preview->Picture().Height, 160);
    EXPECT_EQ(preview->geometry(), browser->Panel1->contentsRect());
    EXPECT_TRUE(FilesIn(TempFolder()).empty());

    testdata::ErfBuilder hak("HAK ");
    hak.Add("cape", testdata::restype::PLT, testdata::BuildPlt(3, 2, std::vector<PltPixel>(6, PltPixel{77, 7})));
    const fs::path archive = fs::path(ProgramFolder()) / "capes.hak";
    hak.WriteTo(archive);
    auto viewer = std::make_unique<TFrm_MODView>();
    viewer->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer.get()));
    viewer->OpenFile(QString::fromStdString(archive.string()));
    ClickRow(viewer->ListRes, 0);
    EXPECT_EQ(viewer->PreviewKind(), kPreviewPLT);
    auto *capes = qobject_cast<TFrm_PLT *>(viewer->PreviewViewer());
    ASSERT_NE(capes, nullptr);
    EXPECT_EQ(capes->windowTitle(), "PLT Preview - cape.plt");
    EXPECT_EQ(Shown(*capes).pixel(2, 1), Entry(kClothPalette, 0, 77));
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
    EXPECT_TRUE(ShownMessages.empty());
}

} // namespace
