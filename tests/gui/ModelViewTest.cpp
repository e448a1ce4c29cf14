// The model view: models drawn by its GL surface and read back pixel by
// pixel (textures beside the file and from both browsers, DDS textures drawn
// as their TGA equivalents, the selected node,
// wireframe, blending, where nodes end up, the skeleton), and the window
// driven through its widgets (mouse, buttons, FRM_MDL, two views at once, a
// view without height, the File menu, damaged models).
#include "BrowserTestSupport.h"

#include "app/UCTRAD.h"
#include "app/UMain.h"
#include "archives/UFrm_BIF.h"
#include "archives/UFrm_ModView.h"
#include "model/UFrm_MDL.h"

#include "DemoDds.h"
#include "DemoPictures.h"
#include "testdata/ByteBuilder.h"
#include "testdata/DdsBuilder.h"
#include "testdata/ErfBuilder.h"
#include "testdata/MdlBuilder.h"
#include "testdata/ResTypeNumbers.h"
#include "testdata/TextureBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QTest>

#include <gmock/gmock.h>

#include <GL/gl.h>

#include <cmath>
#include <filesystem>
#include <numbers>

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using Point3 = std::array<float, 3>;

namespace {

// The test texture: one colour per quarter, the picture's top row first.
constexpr QRgb kTopLeft = 0xFFE02010, kTopRight = 0xFF10D020, kBottomLeft = 0xFF2030E0, kBottomRight = 0xFFE0D010;
constexpr QRgb kWhite = 0xFFFFFFFF, kBlack = 0xFF000000, kPurple = 0xFF800080;

std::string QuarterTexture()
{
    demo::Picture picture{8, 8, {}};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            picture.Pixels.push_back(y < 4 ? (x < 4 ? kTopLeft : kTopRight) : (x < 4 ? kBottomLeft : kBottomRight));
    return demo::MakeTga(picture);
}

// A square around centre spanned by X and up (facing +Z by default), the texture upright on it.
testdata::MdlNode Square(const std::string &name, const std::string &texture, Point3 centre, float half,
                         Point3 up = {0, 1, 0})
{
    testdata::MdlNode node;
    node.Kind = testdata::mdlkind::Trimesh;
    node.Name = name;
    node.Texture = texture;
    const float c[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (const auto &[u, v] : c) {
        node.Vertices.push_back({centre[0] + u * half, centre[1] + v * half * up[1], centre[2] + v * half * up[2]});
        node.TexCoords.push_back({(u + 1) / 2, (v + 1) / 2});
    }
    node.Faces = {{0, 1, 2}, {0, 2, 3}};
    return node;
}

// A binary model: a top node placed at topPosition, each node a child of the one before it.
std::string Chain(std::vector<testdata::MdlNode> nodes, Point3 topPosition = {})
{
    testdata::MdlBuilder model;
    model.Name = "test";
    testdata::MdlNode top;
    top.Name = "top";
    top.Controllers = testdata::MdlBuilder::Placement(topPosition, {0, 0, 0, 1});
    int parent = model.Add(top);
    for (testdata::MdlNode &node : nodes)
        parent = model.Add(std::move(node), parent);
    return model.Build();
}

// A square of side 3 facing the camera, with the test texture.
std::string CheckerSquare()
{
    return Chain({Square("square", "checker", {0, 0, 0}, 1.5f)});
}

testing::AssertionResult Near(QRgb seen, QRgb expected, int tolerance = 3)
{
    const int d = std::max({std::abs(qRed(seen) - qRed(expected)), std::abs(qGreen(seen) - qGreen(expected)),
                            std::abs(qBlue(seen) - qBlue(expected))});
    if (d <= tolerance)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << QColor(seen).name().toStdString() << " instead of "
                                       << QColor(expected).name().toStdString();
}

class ModelViewTest : public TBrowserTest {
protected:
    void SetUp() override
    {
        TBrowserTest::SetUp();
        // Straight down the Z axis from 5 units: X to the right, Y up.
        WriteOptionFile("[FRM_MDL]\r\nxRot=0\r\nyRot=0\r\n");
        testdata::WriteFile(ProgramFolder() + "models/checker.tga", QuarterTexture());
    }

    std::string WriteModel(const std::string &name, const std::string &bytes)
    {
        const std::string path = ProgramFolder() + "models/" + name;
        testdata::WriteFile(path, bytes);
        return path;
    }
    std::unique_ptr<TFrm_MDL> ShowView()
    {
        auto view = std::make_unique<TFrm_MDL>();
        view->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        view->InitView();
        return view;
    }
    std::unique_ptr<TFrm_MDL> OpenView(const std::string &bytes, const std::string &name = "test.mdl")
    {
        auto view = ShowView();
        view->OpenModel(QString::fromStdString(WriteModel(name, bytes)));
        return view;
    }

    // Where a point of the model is drawn by the view's camera (turned 0, 0).
    static QPoint Screen(const TFrm_MDL &view, const QImage &frame, float x, float y, float z = 0)
    {
        const TModelViewSettings &c = view.Camera();
        const double f = 1 / std::tan(22.5 * std::numbers::pi / 180), depth = -(z + c.Depth);
        const double h = frame.height();
        return QPoint(int(std::lround(frame.width() / 2.0 + (x + c.xMove) / depth * f * h / 2)),
                      int(std::lround(h / 2 - (y + c.yMove) / depth * f * h / 2)));
    }
    static QRgb At(const TFrm_MDL &view, const QImage &frame, float x, float y, float z = 0)
    {
        return frame.pixel(Screen(view, frame, x, y, z));
    }
    // The brightest pixel within radius of a model point (for thin lines).
    static int BrightestNear(const TFrm_MDL &view, const QImage &frame, float x, float y, int radius = 2)
    {
        const QPoint centre = Screen(view, frame, x, y);
        int brightest = 0;
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx)
                brightest = std::max(brightest, qGray(frame.pixel(centre + QPoint(dx, dy))));
        return brightest;
    }
    static QImage Frame(TFrm_MDL &view) { return view.GLView->grabFramebuffer().convertToFormat(QImage::Format_RGB32); }

    // Each quarter of the square of CheckerSquare (or a square like it) as drawn.
    static void ExpectSquare(TFrm_MDL &view, const std::vector<QRgb> &expected, const char *what)
    {
        const QImage frame = Frame(view);
        const std::pair<float, float> quarters[] = {{-0.75f, 0.75f}, {0.75f, 0.75f}, {-0.75f, -0.75f}, {0.75f, -0.75f}};
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_TRUE(Near(At(view, frame, quarters[i].first, quarters[i].second), expected[i], 4))
                << what << ", quarter " << i;
    }
    static void Choose(QComboBox *list, int item)
    {
        list->setFocus();
        if (list->currentIndex() < 0)
            QTest::keyClick(list, Qt::Key_Home);
        while (list->currentIndex() < item)
            QTest::keyClick(list, Qt::Key_Down);
        while (list->currentIndex() > item)
            QTest::keyClick(list, Qt::Key_Up);
    }
};

const std::vector<QRgb> kTextured = {kTopLeft, kTopRight, kBottomLeft, kBottomRight};
const std::vector<QRgb> kPlainWhite(4, kWhite);

struct TLooseTextureCase {
    const char *Name;
    const char *Material;
    const char *File; // written beside the model; nullptr: none
    bool Textured;
};
void PrintTo(const TLooseTextureCase &c, std::ostream *out) { *out << c.Name; }

class LooseTextures : public ModelViewTest, public ::testing::WithParamInterface<TLooseTextureCase> {};

TEST_P(LooseTextures, AreFoundBesideTheModelAsTgaOnly)
{
    const TLooseTextureCase &c = GetParam();
    if (c.File)
        testdata::WriteFile(ProgramFolder() + "models/" + c.File,
                            fs::path(c.File).extension() == ".bmp"
                                ? testdata::BuildBmp(8, 8, [](int, int) { return testdata::PaletteColour{9, 9, 9}; })
                                : QuarterTexture());
    auto view = OpenView(Chain({Square("square", c.Material, {0, 0, 0}, 1.5f)}));
    ASSERT_TRUE(view->Loaded());
    ExpectSquare(*view, c.Textured ? kTextured : kPlainWhite, c.Name);
    EXPECT_EQ(At(*view, Frame(*view), 1.7f, 0), kBlack);
    // Drawn again by hand: the GL takes every call of the material's set-up.
    view->GLView->makeCurrent();
    while (glGetError() != GL_NO_ERROR) {
    }
    view->GLView->Drawing.Draw();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_TRUE(ShownMessages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    All, LooseTextures,
    ::testing::Values(TLooseTextureCase{"AnyLetterCase", "stone", "STONE.Tga", true},
                      TLooseTextureCase{"NullHasNoPicture", "NULL", "NULL.tga", false},
                      TLooseTextureCase{"LowerCaseNullIsAName", "null", "null.tga", true},
                      TLooseTextureCase{"NotFound", "absent", nullptr, false},
                      TLooseTextureCase{"BmpIsNeverUsed", "picture", "picture.bmp", false}),
    [](const auto &info) { return std::string(info.param.Name); });

// ---------------------------------------------------------------- DDS textures

// Quarters in colours a DXT block keeps exactly, the picture's top row first;
// the top right one half transparent when withAlpha.
demo::Picture ExactQuarters(int width, int height, bool withAlpha)
{
    const std::uint32_t colours[4] = {0xFFE72010, withAlpha ? 0x8010D321 : 0xFF10D321, 0xFF2130E7, 0xFFEFD710};
    demo::Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.Pixels.push_back(colours[(y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1)]);
    return picture;
}

// Quarters of 4 x 4 as BC4 (grey) or BC5 (red and green) blocks, with the
// three smaller levels; the picture they show, top left first.
const std::uint8_t kRedValues[4] = {40, 90, 160, 230}, kGreenValues[4] = {200, 30, 120, 70};

demo::Picture ChannelQuarters(bool bc5)
{
    demo::Picture picture{8, 8, {}};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const std::uint32_t red = kRedValues[(y < 4 ? 0 : 2) + (x < 4 ? 0 : 1)];
            const std::uint32_t green = bc5 ? kGreenValues[(y < 4 ? 0 : 2) + (x < 4 ? 0 : 1)] : red;
            picture.Pixels.push_back(0xFF000000u | red << 16 | green << 8 | (bc5 ? 0 : red));
        }
    return picture;
}

std::string ChannelBlocks(bool bc5)
{
    testdata::DdsHeader header;
    header.Width = header.Height = 8;
    header.MipCount = 4;
    header.FourCC = bc5 ? "ATI2" : "ATI1";
    testdata::ByteBuilder blocks;
    for (const int quarter : {2, 3, 0, 1, 0, 0, 0}) { // the bottom blocks first, then the levels
        blocks.U8(kRedValues[quarter]).U8(kRedValues[quarter]).Zeros(6);
        if (bc5)
            blocks.U8(kGreenValues[quarter]).U8(kGreenValues[quarter]).Zeros(6);
    }
    return testdata::BuildStandardDds(header, blocks.Take());
}

bool Offers(const char *extension)
{
    const std::string list = reinterpret_cast<const char *>(glGetString(GL_EXTENSIONS));
    return (" " + list + " ").find(" " + std::string(extension) + " ") != std::string::npos;
}

struct TDdsTextureCase {
    const char *Name;
    std::function<demo::Picture()> Picture;
    std::function<std::string(const demo::Picture &)> Dds;
    const char *BlocksWith; // the extension under which its blocks go to the card as they are
    bool Alpha = false;     // the TGA equivalent: 32 bits rather than 24
};
void PrintTo(const TDdsTextureCase &c, std::ostream *out) { *out << c.Name; }

class DdsTextures : public ModelViewTest, public ::testing::WithParamInterface<TDdsTextureCase> {};

const char *const kS3tc = "GL_EXT_texture_compression_s3tc";
const char *const kRgtc = "GL_ARB_texture_compression_rgtc";

// The same square drawn with the picture as a TGA, then as a DDS found beside
// the model where no TGA or PLT is: the frames match pixel for pixel.
TEST_P(DdsTextures, DrawLikeTheirTgaEquivalent)
{
    const demo::Picture picture = GetParam().Picture();
    demo::TgaLayout layout;
    layout.Bits = GetParam().Alpha ? 32 : 24;
    testdata::WriteFile(ProgramFolder() + "models/tga/quarters.tga", demo::MakeTgaWith(picture, layout));
    testdata::WriteFile(ProgramFolder() + "models/dds/Quarters.DDS", GetParam().Dds(picture));
    const std::string model = Chain({Square("square", "quarters", {0, 0, 0}, 1.5f)});
    auto tga = OpenView(model, "tga/square.mdl");
    auto dds = OpenView(model, "dds/square.mdl");
    ASSERT_TRUE(dds->Loaded());
    const CTexture *texture = dds->GLView->Drawing.MaterialTexture(0);
    ASSERT_TRUE(texture && texture->GLName() != 0);
    EXPECT_EQ(texture->Format(), tga->GLView->Drawing.MaterialTexture(0)->Format());
    dds->GLView->makeCurrent();
    EXPECT_EQ(texture->Compressed(), GetParam().BlocksWith && Offers(GetParam().BlocksWith));
    GLint compressed = 0;
    texture->Bind();
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_COMPRESSED, &compressed);
    EXPECT_EQ(compressed != 0, texture->Compressed());
    const QImage expected = Frame(*tga), drawn = Frame(*dds);
    ASSERT_EQ(drawn.size(), expected.size());
    int differing = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            differing += Near(drawn.pixel(x, y), expected.pixel(x, y), 2) ? 0 : 1;
    EXPECT_EQ(differing, 0);
    // And the quarters are where the picture has them, not upside down.
    const QPoint topLeft = Screen(*dds, drawn, -0.75f, 0.75f), bottomRight = Screen(*dds, drawn, 0.75f, -0.75f);
    EXPECT_TRUE(Near(drawn.pixel(topLeft), picture.Pixels.front() | 0xFF000000u, 4));
    EXPECT_TRUE(Near(drawn.pixel(bottomRight), picture.Pixels.back() | 0xFF000000u, 4));
    EXPECT_TRUE(ShownMessages.empty());
}

INSTANTIATE_TEST_SUITE_P(
    All, DdsTextures,
    ::testing::Values(
        TDdsTextureCase{"ShortHeaderDxt1", [] { return ExactQuarters(8, 8, false); },
                        [](const demo::Picture &p) { return demo::MakeShortDds(p, demo::DdsKind::Dxt1); }, kS3tc},
        TDdsTextureCase{"StandardDxt5BlendedLikeAnRgbaTga", [] { return ExactQuarters(8, 8, true); },
                        [](const demo::Picture &p) { return demo::MakeStandardDds(p, demo::DdsKind::Dxt5); }, kS3tc,
                        true},
        TDdsTextureCase{"NotAPowerOfTwoDecoded", [] { return ExactQuarters(8, 12, false); },
                        [](const demo::Picture &p) { return demo::MakeShortDds(p, demo::DdsKind::Dxt1); }, nullptr},
        TDdsTextureCase{"Bc4Grey", [] { return ChannelQuarters(false); }, [](const auto &) { return ChannelBlocks(false); },
                        kRgtc},
        TDdsTextureCase{"Bc5RedAndGreen", [] { return ChannelQuarters(true); },
                        [](const auto &) { return ChannelBlocks(true); }, kRgtc}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST_F(ModelViewTest, TheChosenNodeIsFlatPurpleUntilAnotherIsChosen)
{
    testdata::MdlBuilder model;
    const int top = model.Add(testdata::MdlNode{});
    model.Add(Square("left", "checker", {-1, 0, 0}, 0.8f), top);
    model.Add(Square("right", "checker", {1, 0, 0}, 0.8f), top);
    auto view = OpenView(model.Build());
    ASSERT_EQ(view->ComboBoxNode->count(), 3);
    EXPECT_EQ(view->ComboBoxNode->currentIndex(), -1);
    const std::pair<int, std::vector<QRgb>> choices[] = {
        {1, {kPurple, kTopLeft}}, {2, {kTopLeft, kPurple}}, {0, {kTopLeft, kTopLeft}}};
    for (const auto &[item, expected] : choices) {
        Choose(view->ComboBoxNode, item);
        ASSERT_EQ(view->Model().SelectedNode, item);
        const QImage frame = Frame(*view);
        EXPECT_TRUE(Near(At(*view, frame, -1.4f, 0.4f), expected[0])) << "item " << item;
        EXPECT_TRUE(Near(At(*view, frame, 0.6f, 0.4f), expected[1])) << "item " << item;
    }
}

TEST_F(ModelViewTest, WireframeDrawsTheEdgesAndLeavesTheInsideBlack)
{
    auto view = OpenView(Chain({Square("square", "NULL", {0, 0, 0}, 1.5f)}));
    QTest::mouseClick(view->CheckBoxWireFrame, Qt::LeftButton);
    ASSERT_TRUE(view->Wireframe());
    QImage frame = Frame(*view);
    for (const Point3 &inside : {Point3{-0.8f, 0.5f, 0}, Point3{0.8f, -0.5f, 0}})
        EXPECT_EQ(At(*view, frame, inside[0], inside[1]), kBlack);
    for (const Point3 &edge : {Point3{-1.5f, 0.3f, 0}, Point3{0.4f, 1.5f, 0}, Point3{0.5f, 0.5f, 0}})
        EXPECT_GT(BrightestNear(*view, frame, edge[0], edge[1]), 200) << edge[0] << "," << edge[1];
    QTest::mouseClick(view->CheckBoxWireFrame, Qt::LeftButton);
    frame = Frame(*view);
    EXPECT_EQ(At(*view, frame, -0.8f, 0.5f), kWhite);
}

TEST_F(ModelViewTest, AnAlphaMaterialIsBlendedOnlyWhileBlendingIsOn)
{
    demo::TgaLayout withAlpha;
    withAlpha.Bits = 32;
    testdata::WriteFile(ProgramFolder() + "models/glass_alpha.tga",
                        demo::MakeTgaWith({2, 2, std::vector<std::uint32_t>(4, 0x80C86432)}, withAlpha));
    auto view = OpenView(Chain({Square("glass", "glass_alpha", {0, 0, 0}, 1.5f)}));
    ASSERT_TRUE(view->CheckBox_Blending->isChecked());
    EXPECT_TRUE(Near(At(*view, Frame(*view), 0, 0), qRgb(100, 50, 25)));
    QTest::mouseClick(view->CheckBox_Blending, Qt::LeftButton);
    EXPECT_FALSE(view->Model().Blending);
    EXPECT_TRUE(Near(At(*view, Frame(*view), 0, 0), qRgb(200, 100, 50)));
}

struct TPlacementCase {
    const char *Name;
    std::string Bytes;
    Point3 Expected; // where the child's marker ends
    Point3 Wrong;    // where a wrong turn or an applied top position would put it
};
void PrintTo(const TPlacementCase &c, std::ostream *out) { *out << c.Name; }

// A child node at (0.5, 0, 0), turned by quaternion, with a white square
// around a point of its own frame.
testdata::MdlNode TurnedChild(std::array<float, 4> quaternion, Point3 centre, Point3 up)
{
    testdata::MdlNode child = Square("marker", "NULL", centre, 0.15f, up);
    child.Controllers = testdata::MdlBuilder::Placement({0.5f, 0, 0}, quaternion);
    return child;
}

// The same in an ASCII model whose top node stands at (5, 0, 0), the square around (1, 0, 0).
std::string AsciiChild(const char *orientation)
{
    return testdata::MdlText({"newmodel test", "beginmodelgeom test", "node dummy test", "  parent NULL",
                              "  position 5 0 0", "endnode", "node trimesh marker", "  parent test",
                              "  position 0.5 0 0", orientation, "  bitmap NULL", "  verts 4",
                              "    0.85 -0.15 0", "    1.15 -0.15 0", "    1.15 0.15 0", "    0.85 0.15 0",
                              "  faces 2", "    0 1 2 1 0 0 0 0", "    0 2 3 1 0 0 0 0", "endnode",
                              "endmodelgeom test", "donemodel test"});
}

class Placements : public ModelViewTest, public ::testing::WithParamInterface<TPlacementCase> {};

TEST_P(Placements, PutTheChildWhereItsTurnTakesIt)
{
    const TPlacementCase &c = GetParam();
    auto view = OpenView(c.Bytes);
    ASSERT_TRUE(view->Loaded());
    const QImage frame = Frame(*view);
    EXPECT_EQ(At(*view, frame, c.Expected[0], c.Expected[1], c.Expected[2]), kWhite);
    EXPECT_EQ(At(*view, frame, c.Wrong[0], c.Wrong[1], c.Wrong[2]), kBlack);
}

INSTANTIATE_TEST_SUITE_P(
    All, Placements,
    ::testing::Values(
        // A quarter turn about -X takes +Z up to +Y (and the XZ plane to face the camera).
        TPlacementCase{"BinaryQuarterTurnAboutMinusX",
                       Chain({TurnedChild({0.7071068f, 0, 0, -0.7071068f}, {0, 0, 1}, {0, 0, 1})}, {5, 0, 0}),
                       {0.5f, 1, 0}, {0.5f, -1, 0}},
        TPlacementCase{"BinaryTopPositionIsNotApplied",
                       Chain({TurnedChild({0, 0, 0, 1}, {0, 1, 0}, {0, 1, 0})}, {1.5f, 0, 0}), {0.5f, 1, 0},
                       {2, 1, 0}},
        // A quarter turn about +Z takes +X to +Y (axis, then radians).
        TPlacementCase{"AsciiQuarterTurnAboutZ", AsciiChild("  orientation 0 0 1 1.5708"), {0.5f, 1, 0},
                       {0.5f, -1, 0}}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST_F(ModelViewTest, TheSkeletonLineReachesTheParentsOriginHoweverTheNodeIsTurned)
{
    testdata::MdlNode joint;
    joint.Name = "joint";
    joint.Controllers = testdata::MdlBuilder::Placement({1, 0, 0}, {0, 0, 0.7071068f, 0.7071068f});
    auto view = OpenView(Chain({joint}));
    EXPECT_EQ(BrightestNear(*view, Frame(*view), 0.5f, 0), 0);
    QTest::mouseClick(view->CheckBoxSkeleton, Qt::LeftButton);
    const QImage frame = Frame(*view);
    for (float x : {0.2f, 0.5f, 0.8f})
        EXPECT_GT(BrightestNear(*view, frame, x, 0), 200) << x;
    EXPECT_EQ(BrightestNear(*view, frame, 1, -0.5f), 0); // minus its position turned with it
}

// ---------------------------------------------------------------- the window

// A left drag, a right drag and a few button clicks, all through the window system.
TEST_F(ModelViewTest, TheMouseTurnsAndZoomsAndTheButtonsMoveAndReset)
{
    auto view = OpenView(Chain({Square("square", "NULL", {0, 0, 0}, 1.5f)}));
    QWindow *window = view->windowHandle();
    auto at = [&](int x, int y) { return window->mapFromGlobal(view->GLView->mapToGlobal(QPoint(x, y))); };
    QTest::mousePress(window, Qt::LeftButton, {}, at(100, 100));
    QTest::mouseMove(window, at(110, 104));
    QTest::mouseRelease(window, Qt::LeftButton, {}, at(110, 104));
    QTest::mouseMove(window, at(150, 150)); // no button: nothing turns
    EXPECT_FLOAT_EQ(view->Camera().yRot, 5);
    EXPECT_FLOAT_EQ(view->Camera().xRot, 2);
    QTest::mousePress(window, Qt::RightButton, {}, at(50, 50));
    QTest::mouseMove(window, at(50, 56));
    QTest::mouseRelease(window, Qt::RightButton, {}, at(50, 56));
    EXPECT_FLOAT_EQ(view->Camera().Depth, -7);
    QTest::mouseClick(view->JvImgBtn5, Qt::LeftButton);

    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(view->JvImgBtn1, Qt::LeftButton);
    QTest::mouseClick(view->JvImgBtn2, Qt::LeftButton);
    EXPECT_FLOAT_EQ(view->Camera().xMove, 0.6f);
    EXPECT_FLOAT_EQ(view->Camera().yMove, 0.2f);
    QTest::mouseClick(view->JvImgBtn4, Qt::LeftButton);
    QTest::mouseClick(view->JvImgBtn3, Qt::LeftButton);
    EXPECT_FLOAT_EQ(view->Camera().xMove, 0.4f);
    EXPECT_NEAR(view->Camera().yMove, 0, 1e-6);

    // Reset restores the starting camera whatever option.ini holds: seen
    // nearly edge on, the square is a thin band across the middle.
    QTest::mouseClick(view->JvImgBtn5, Qt::LeftButton);
    const TModelViewSettings &c = view->Camera();
    EXPECT_EQ(std::vector<float>({c.xRot, c.yRot, c.xMove, c.yMove, c.Depth}),
              std::vector<float>({-100, 180, 0, 0, -5}));
    const QImage frame = Frame(*view);
    EXPECT_EQ(frame.pixel(frame.width() / 2, frame.height() / 2), kWhite);
    EXPECT_EQ(frame.pixel(frame.width() / 2, frame.height() / 4), kBlack);
}

TEST_F(ModelViewTest, FrmMdlIsReadWhenAModelOpensAndWrittenWhenTheViewCloses)
{
    WriteOptionFile("[GENERAL]\r\nLanguage=English\r\n[FRM_MDL]\r\nxRot=12.5\r\nyRot=-30\r\nxMove=0,25\r\n"
                    "yMove=far\r\nDepth=-8\r\nWireframe=1\r\nSkeleton=1\r\nBlending=0\r\n");
    auto view = OpenView(Chain({Square("square", "NULL", {0, 0, 0}, 1.5f)}));
    const TModelViewSettings &c = view->Camera();
    EXPECT_EQ(std::vector<float>({c.xRot, c.yRot, c.xMove, c.yMove, c.Depth}),
              std::vector<float>({12.5f, -30, 0.25f, 0, -8}));
    EXPECT_TRUE(view->CheckBoxWireFrame->isChecked());
    EXPECT_TRUE(view->Model().ShowSkeleton);
    EXPECT_FALSE(view->CheckBox_Blending->isChecked());
    EXPECT_FALSE(view->Model().Blending);

    QTest::mouseClick(view->JvImgBtn1, Qt::LeftButton);
    QTest::mouseClick(view->CheckBoxWireFrame, Qt::LeftButton);
    view->close();
    const CINIFILE ini = ReadOptionFile();
    EXPECT_EQ(ini.SectionValues("FRM_MDL"),
              (std::vector<std::pair<std::string, std::string>>{{"xRot", "12.5"}, {"yRot", "-30"}, {"xMove", "0.45"},
                                                                {"yMove", "0"}, {"Depth", "-8"}, {"Wireframe", "0"},
                                                                {"Skeleton", "1"}, {"Blending", "0"}}));
    EXPECT_EQ(ini.ReadString("GENERAL", "Language", ""), "English");

    // A view that never opened a model (its file is missing) keeps its hands off them.
    auto empty = ShowView();
    empty->OpenModel(QString::fromStdString(ProgramFolder() + "missing.mdl"));
    EXPECT_EQ(empty->windowTitle(), "MDL Preview");
    EXPECT_FALSE(empty->Loaded());
    empty->close();
    EXPECT_EQ(ReadOptionFile().SectionValues("FRM_MDL"), ini.SectionValues("FRM_MDL"));
}

TEST_F(ModelViewTest, TwoViewsDrawTheirOwnModelsAndGoOnDrawingWhenTheOtherCloses)
{
    auto first = OpenView(CheckerSquare(), "first.mdl");
    auto second = OpenView(Chain({Square("small", "NULL", {-1, 0, 0}, 0.5f)}), "second.mdl");
    ExpectSquare(*first, kTextured, "first view");
    const QImage frame = Frame(*second);
    EXPECT_EQ(At(*second, frame, -1, 0), kWhite);
    EXPECT_EQ(At(*second, frame, 0.75f, 0.75f), kBlack);

    QSignalSpy drawn(second->GLView, &QOpenGLWidget::frameSwapped);
    first->close();
    QTest::mouseClick(second->JvImgBtn1, Qt::LeftButton);
    EXPECT_TRUE(drawn.wait(2000)) << "the view left open did not draw itself again";
}

TEST_F(ModelViewTest, AViewWithoutHeightDrawsNothingAndComesBack)
{
    auto view = OpenView(CheckerSquare());
    const int bars = view->height() - view->GLPanel->height();
    for (int glHeight : {0, 1}) {
        view->resize(view->width(), bars + glHeight);
        QApplication::processEvents();
        EXPECT_LE(view->GLView->height(), glHeight);
        view->GLView->grabFramebuffer();
        view->GLView->makeCurrent();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
    view->resize(516, 481);
    QApplication::processEvents();
    ExpectSquare(*view, kTextured, "after the resize");
}

TEST_F(ModelViewTest, FileMdlOpenShowsTheModelWithTheTexturesBesideIt)
{
    auto main = CreateMainWindow();
    main->resize(900, 700);
    OpenFileAnswers = {QString::fromStdString(WriteModel("crate.mdl", CheckerSquare()))};
    ClickMenuCommand(main.get(), {"File1", "MDL1"}, "OpenMDL");
    const QList<QMdiSubWindow *> children = main->MdiArea()->subWindowList();
    ASSERT_EQ(children.size(), 1);
    auto *view = qobject_cast<TFrm_MDL *>(children[0]->widget());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(children[0]->windowTitle(), "MDL Preview - crate.mdl");
    EXPECT_EQ(view->ComboBoxNode->count(), 2);
    ExpectSquare(*view, kTextured, "File > MDL");
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(ModelViewTest, AFailedOpenIsReportedAndLeavesTheViewBlackWithEmptyLists)
{
    const std::string folder = ProgramFolder() + "models/";
    testdata::WriteFile(folder + "cut.mdl", CheckerSquare().substr(0, 400));
    testdata::WriteFile(folder + "cloak.plt", testdata::BuildPlt(2, 2, std::vector<testdata::PltPixel>(4)));
    testdata::WriteFile(folder + "cloak.mdl", Chain({Square("s", "cloak", {0, 0, 0}, 1)})); // and no MDL.PAL
    auto main = CreateMainWindow();
    for (const auto &[file, message] : {std::pair{"cut.mdl", "cut.mdl\" is damaged"}, {"cloak.mdl", "MDL.PAL"}}) {
        ShownMessages.clear();
        OpenFileAnswers = {QString::fromStdString(folder + file)};
        ClickMenuCommand(main.get(), {"File1", "MDL1"}, "OpenMDL");
        ASSERT_EQ(ShownMessages.size(), 1u) << file;
        EXPECT_THAT(ShownMessages[0].Text.toStdString(), HasSubstr(message));
        auto *view = qobject_cast<TFrm_MDL *>(main->MdiArea()->subWindowList().last()->widget());
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->ComboBoxNode->count(), 0) << file;
        EXPECT_FALSE(view->Loaded()) << file;
        EXPECT_EQ(Frame(*view).pixel(view->GLView->width() / 2, view->GLView->height() / 2), kBlack) << file;
    }
}

// The demo crate, seen from above: its top shows the stone texture's two greys.
void ExpectStoneTexture(TFrm_MDL *view, const char *where)
{
    ASSERT_NE(view, nullptr) << where;
    const QImage frame = view->GLView->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    int light = 0, dark = 0, white = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) {
            const QRgb pixel = frame.pixel(x, y);
            light += Near(pixel, 0xFF808080, 6) ? 1 : 0;
            dark += Near(pixel, 0xFF404850, 6) ? 1 : 0;
            white += pixel == kWhite ? 1 : 0;
        }
    EXPECT_GT(light, 1000) << where;
    EXPECT_GT(dark, 1000) << where;
    EXPECT_EQ(white, 0) << where;
}

TEST_F(ModelViewTest, BothBrowsersPreviewAModelWithTexturesFromTheirArchive)
{
    auto browser = std::make_unique<TFrm_BIF>();
    browser->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(browser.get()));
    browser->OpenFile(DemoKeyPath());
    ClickRow(browser->ListBif, RowOf(browser->ListBif, "data\\models.bif"));
    ClickRow(browser->ListRes, RowOf(browser->ListRes, "demo_crate"));
    ASSERT_EQ(browser->PreviewKind(), kPreviewModel);
    ExpectStoneTexture(qobject_cast<TFrm_MDL *>(browser->PreviewViewer()), "BIF browser");
    EXPECT_TRUE(FilesIn(TempFolder()).empty());

    auto viewer = std::make_unique<TFrm_MODView>();
    viewer->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer.get()));
    viewer->OpenFile(DemoSample("sample.erf"));
    ClickRow(viewer->ListRes, RowOf(viewer->ListRes, "demo_crate"));
    ASSERT_EQ(viewer->PreviewKind(), kPreviewModel);
    ExpectStoneTexture(qobject_cast<TFrm_MDL *>(viewer->PreviewViewer()), "ERF viewer");
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
    EXPECT_TRUE(ShownMessages.empty());
}

// The demo chest, whose textures exist only as DDS: planks (brown, red above
// green above blue) and the rune on its side (light blue), never white.
void ExpectChestTextures(TFrm_MDL *view, const char *where)
{
    ASSERT_NE(view, nullptr) << where;
    const QImage frame = view->GLView->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    int planks = 0, rune = 0, white = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) {
            const QRgb pixel = frame.pixel(x, y);
            planks += qRed(pixel) > qGreen(pixel) + 20 && qGreen(pixel) > qBlue(pixel) + 20 ? 1 : 0;
            rune += Near(pixel, 0xFFC8F0FF, 12) ? 1 : 0;
            white += pixel == kWhite ? 1 : 0;
        }
    EXPECT_GT(planks, 5000) << where;
    EXPECT_GT(rune, 200) << where;
    EXPECT_EQ(white, 0) << where;
}

TEST_F(ModelViewTest, BothBrowsersDrawTheDemoChestWithItsDdsTextures)
{
    WriteOptionFile("[FRM_MDL]\r\nxRot=-90\r\nyRot=180\r\n"); // facing the side with the rune
    auto browser = std::make_unique<TFrm_BIF>();
    browser->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(browser.get()));
    browser->OpenFile(DemoKeyPath());
    ClickRow(browser->ListBif, RowOf(browser->ListBif, "data\\models.bif"));
    ClickRow(browser->ListRes, RowOf(browser->ListRes, "demo_chest"));
    ExpectChestTextures(qobject_cast<TFrm_MDL *>(browser->PreviewViewer()), "BIF browser");

    auto viewer = std::make_unique<TFrm_MODView>();
    viewer->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer.get()));
    viewer->OpenFile(DemoSample("sample.erf"));
    ClickRow(viewer->ListRes, RowOf(viewer->ListRes, "demo_chest"));
    ExpectChestTextures(qobject_cast<TFrm_MDL *>(viewer->PreviewViewer()), "ERF viewer");
    EXPECT_TRUE(FilesIn(TempFolder()).empty());
    EXPECT_TRUE(ShownMessages.empty());
}

TEST_F(ModelViewTest, AViewShownLateOrMovedToAnotherWindowDrawsItsTextures)
{
    auto view = std::make_unique<TFrm_MDL>();
    view->InitView();
    view->OpenModel(QString::fromStdString(WriteModel("late.mdl", CheckerSquare())));
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    ExpectSquare(*view, kTextured, "shown after the model was read");

    // Its context goes with the old window; the new one gets the same textures.
    QWidget holder;
    view->setParent(&holder);
    holder.resize(view->size());
    holder.show();
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&holder));
    ExpectSquare(*view, kTextured, "in another window");
    view->setParent(nullptr);
}

TEST_F(ModelViewTest, AViewAskedToCloseWhileItsTexturesLoadClosesOnceTheModelIsRead)
{
    auto view = ShowView();
    QMetaObject::invokeMethod(view.get(), &QWidget::close, Qt::QueuedConnection);
    view->OpenModel(QString::fromStdString(WriteModel("busy.mdl", CheckerSquare())));
    EXPECT_TRUE(view->isVisible());
    EXPECT_TRUE(view->Loaded());
    ExpectSquare(*view, kTextured, "loaded");
    QApplication::processEvents();
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(ReadOptionFile().ReadString("FRM_MDL", "Blending", ""), "1");
}

// Captions and the button hints come from the language file; the
// lists hold the model's names and keep them.
TEST_F(ModelViewTest, ALanguageFileTranslatesCaptionsAndHintsButNotTheModelsNames)
{
    testdata::WriteFile(ProgramFolder() + "Language/Test.ini",
                        "[TFrm_MDL]\r\nCaption=Modell\r\nLbl_Info=Mit der Maus drehen\r\n"
                        "CheckBox_Blending=Mischen\r\nJvImgBtn1=Nach rechts\r\nComboBoxNode=right\r\n"
                        "ComboBoxNode_I0=Wurzel\r\nComboBoxAnime_I0=Tanz\r\n");
    Translator().LoadLanguage("Test");
    testdata::MdlBuilder model;
    const int top = model.Add(testdata::MdlNode{});
    model.Add(Square("right", "NULL", {1, 0, 0}, 0.5f), top);
    auto view = OpenView(model.Build(), "names.mdl");
    Translator().Translate(view.get());
    Translator().LoadLanguage("");
    EXPECT_EQ(view->windowTitle(), "Modell - names.mdl");
    EXPECT_EQ(view->Lbl_Info->text(), "Mit der Maus drehen");
    EXPECT_EQ(view->CheckBox_Blending->text(), "Mischen");
    EXPECT_EQ(view->JvImgBtn1->text(), "Nach rechts");
    ASSERT_EQ(view->ComboBoxNode->count(), 2);
    EXPECT_EQ(view->ComboBoxNode->itemText(0), "");
    EXPECT_EQ(view->ComboBoxNode->itemText(1), "right");
    EXPECT_EQ(view->ComboBoxNode->currentIndex(), -1);
    EXPECT_EQ(At(*view, Frame(*view), 1, 0), kWhite) << "no node chosen, none purple";
}

} // namespace
