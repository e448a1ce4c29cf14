#include "model/UFrm_MDL.h"

#include "app/UApplication.h"
#include "app/UCTRAD.h"
#include "app/UGameText.h"
#include "archives/UArchiveBrowser.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QToolTip>
#include <QVBoxLayout>

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kDesignedWidth = 516;
constexpr int kDesignedHeight = 481;
constexpr int kInfoHeight = 20;
constexpr int kPanelHeight = 74;

// The view's projection: a 45-degree field of view from 1 to 2000 units.
constexpr GLdouble kFieldOfView = 45;
constexpr GLdouble kNearPlane = 1;
constexpr GLdouble kFarPlane = 2000;
// Textures whose alpha is this or less are not drawn.
constexpr GLfloat kAlphaCut = 0.2f;

// Pointer movement per degree of turning, and per unit of zoom.
constexpr float kTurnPixels = 2;
constexpr float kZoomPixels = 3;

// ---------------------------------------------------------------- pictures

const QColor kArrowLight(90, 140, 230);
const QColor kArrowDark(0, 0, 128);
const QColor kArrowOutline(0, 0, 70);

// An arrow pointing right in a 32 x 32 square: a shaft and a head.
QPolygonF RightArrow()
{
    return QPolygonF({{4, 12}, {17, 12}, {17, 5}, {29, 16}, {17, 27}, {17, 20}, {4, 20}});
}

void DrawArrow(QPainter &painter, qreal degrees, const QColor &light, const QColor &dark, const QColor &outline)
{
    QTransform turn;
    turn.translate(16, 16);
    turn.rotate(degrees);
    turn.translate(-16, -16);
    const QPolygonF arrow = turn.map(RightArrow());
    QLinearGradient fill(0, 0, 32, 32);
    fill.setColorAt(0, light);
    fill.setColorAt(1, dark);
    painter.setPen(QPen(outline, 1.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(fill);
    painter.drawPolygon(arrow);
}

// A circular arrow turning back: the view returns to where it started.
void DrawReset(QPainter &painter, const QColor &light, const QColor &dark, const QColor &outline)
{
    const QRectF ring(7, 7, 18, 18);
    constexpr qreal kStart = 100, kSweep = 260; // degrees, counter-clockwise from 3 o'clock
    QPainterPath path;
    path.arcMoveTo(ring, kStart);
    path.arcTo(ring, kStart, kSweep);
    QLinearGradient fill(0, 0, 32, 32);
    fill.setColorAt(0, light);
    fill.setColorAt(1, dark);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(outline, 6.4, Qt::SolidLine, Qt::FlatCap));
    painter.drawPath(path);
    painter.setPen(QPen(QBrush(fill), 4, Qt::SolidLine, Qt::FlatCap));
    painter.drawPath(path);
    // The head at the arc's end, pointing the way it turns (a quarter turn
    // on from the end's own direction; screen y grows downwards).
    const qreal end = (kStart + kSweep) * M_PI / 180, heading = end + M_PI / 2;
    const QPointF tip = ring.center() + QPointF(std::cos(end), -std::sin(end)) * (ring.width() / 2);
    const QPointF along(std::cos(heading), -std::sin(heading));
    const QPointF across(-along.y(), along.x());
    const QPolygonF head({tip + along * 7, tip - along * 0.5 + across * 5, tip - along * 0.5 - across * 5});
    painter.setPen(QPen(outline, 1.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(fill);
    painter.drawPolygon(head);
    // The centre the view comes back to.
    painter.setPen(Qt::NoPen);
    painter.setBrush(outline);
    painter.drawEllipse(QPointF(16, 16), 2.5, 2.5);
}

void DrawPicture(QPainter &painter, TPictureButton::TPicture picture, bool enabled)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor light = enabled ? kArrowLight : QColor(200, 200, 200);
    const QColor dark = enabled ? kArrowDark : QColor(150, 150, 150);
    const QColor outline = enabled ? kArrowOutline : QColor(130, 130, 130);
    switch (picture) {
    case TPictureButton::TPicture::Right: DrawArrow(painter, 0, light, dark, outline); break;
    case TPictureButton::TPicture::Down: DrawArrow(painter, 90, light, dark, outline); break;
    case TPictureButton::TPicture::Left: DrawArrow(painter, 180, light, dark, outline); break;
    case TPictureButton::TPicture::Up: DrawArrow(painter, 270, light, dark, outline); break;
    case TPictureButton::TPicture::Reset: DrawReset(painter, light, dark, outline); break;
    }
}

} // namespace

// ---------------------------------------------------------------- TPictureButton

TPictureButton::TPictureButton(const QString &name, TPicture picture, const QString &hint, QWidget *parent)
    : QPushButton(hint, parent), m_picture(picture)
{
    setObjectName(name);
    setFixedSize(kSide, kSide);
    setFocusPolicy(Qt::TabFocus);
}

QImage TPictureButton::PictureImage(TPicture picture, bool enabled)
{
    QImage image(kPictureSide, kPictureSide, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    DrawPicture(painter, picture, enabled);
    return image;
}

bool TPictureButton::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        // The caption is the hint.
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text(), this);
        return true;
    }
    return QPushButton::event(event);
}

void TPictureButton::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButton, option);
    // Whole pixels, so that the picture stays crisp; it sinks a pixel when pressed.
    const int shift = isDown() ? 1 : 0;
    painter.translate((width() - kPictureSide) / 2 + shift, (height() - kPictureSide) / 2 + shift);
    DrawPicture(painter, m_picture, isEnabled());
}

// ---------------------------------------------------------------- TCaptionPanel

TCaptionPanel::TCaptionPanel(const QString &name, QWidget *parent) : QFrame(parent)
{
    setObjectName(name);
}

// ---------------------------------------------------------------- TModelSurface

TModelSurface::TModelSurface(TFrm_MDL &view, QWidget *parent) : QOpenGLWidget(parent), m_view(view)
{
    setObjectName(QStringLiteral("GLView"));
    setMinimumSize(0, 0);
}

TModelSurface::~TModelSurface()
{
    ReleaseGL();
    // The context goes after this part of the object: it must not call back.
    if (context())
        disconnect(context(), nullptr, this, nullptr);
}

void TModelSurface::ReleaseGL()
{
    if (!context())
        return;
    makeCurrent();
    Drawing.Release();
    doneCurrent();
}

void TModelSurface::initializeGL()
{
    // The context goes when the view moves to another window: what it made
    // goes with it, and comes back in the next one.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, &TModelSurface::ReleaseGL, Qt::DirectConnection);
    if (Drawing.Model.Loaded && !Drawing.Prepared())
        Drawing.Prepare();
}

void TModelSurface::resizeGL(int, int)
{
    FrameResize();
}

void TModelSurface::FrameResize()
{
    const qreal ratio = devicePixelRatioF();
    const GLsizei width = GLsizei(std::lround(this->width() * ratio));
    const GLsizei height = GLsizei(std::lround(this->height() * ratio));
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // A surface without height keeps the shape of a square rather than dividing by 0.
    gluPerspective(kFieldOfView, height > 0 ? GLdouble(width) / GLdouble(height) : 1.0, kNearPlane, kFarPlane);
    glMatrixMode(GL_MODELVIEW);
}

void TModelSurface::paintGL()
{
    FrameResize();
    m_view.RenderScene();
}

void TModelSurface::mousePressEvent(QMouseEvent *event)
{
    m_view.GLPanelMouseDown(event->button(), event->position().toPoint());
}

void TModelSurface::mouseMoveEvent(QMouseEvent *event)
{
    m_view.GLPanelMouseMove(event->position().toPoint());
}

void TModelSurface::mouseReleaseEvent(QMouseEvent *)
{
    m_view.GLPanelMouseUp();
}

// ---------------------------------------------------------------- TFrm_MDL

TFrm_MDL::TFrm_MDL(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Frm_MDL"));
    setWindowTitle(QString::fromLatin1(kCaption));
    resize(kDesignedWidth, kDesignedHeight);

    Pnl_Info = new TCaptionStrip(QStringLiteral("Pnl_Info"), QString::fromLatin1(kInfoCaption), this);
    Pnl_Info->setFixedHeight(kInfoHeight);

    GLPanel = new TCaptionPanel(QStringLiteral("GLPanel"), this);
    GLPanel->setFrameStyle(QFrame::Box | QFrame::Plain);
    GLPanel->setLineWidth(1);
    GLPanel->setAutoFillBackground(true);
    QPalette black = GLPanel->palette();
    black.setColor(QPalette::Window, Qt::black);
    GLPanel->setPalette(black);
    GLView = new TModelSurface(*this, GLPanel);
    auto *glLayout = new QVBoxLayout(GLPanel);
    glLayout->setContentsMargins(1, 1, 1, 1);
    glLayout->addWidget(GLView);

    Panel1 = new TCaptionPanel(QStringLiteral("Panel1"), this);
    Panel1->setFixedHeight(kPanelHeight);

    Lbl_Anim = new QLabel(QStringLiteral("Anim : "), Panel1);
    Lbl_Anim->setObjectName(QStringLiteral("Lbl_Anim"));
    ComboBoxAnime = new QComboBox(Panel1);
    ComboBoxAnime->setObjectName(QStringLiteral("ComboBoxAnime"));
    Lbl_Node = new QLabel(QStringLiteral("Node :"), Panel1);
    Lbl_Node->setObjectName(QStringLiteral("Lbl_Node"));
    ComboBoxNode = new QComboBox(Panel1);
    ComboBoxNode->setObjectName(QStringLiteral("ComboBoxNode"));
    for (QComboBox *list : {ComboBoxAnime, ComboBoxNode}) {
        list->setEditable(false);
        // Narrow when the view is (a browser's preview panel), wider when it is not.
        list->setMinimumContentsLength(2);
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setMinimumWidth(44);
        // The items are the model's own names, never captions.
        KeepUntranslated(list);
    }

    using TPicture = TPictureButton::TPicture;
    JvImgBtn4 = new TPictureButton(QStringLiteral("JvImgBtn4"), TPicture::Left, QStringLiteral("Move Left"), Panel1);
    JvImgBtn1 = new TPictureButton(QStringLiteral("JvImgBtn1"), TPicture::Right, QStringLiteral("Move Right"), Panel1);
    JvImgBtn5 = new TPictureButton(QStringLiteral("JvImgBtn5"), TPicture::Reset, QStringLiteral("Reset View"), Panel1);
    JvImgBtn2 = new TPictureButton(QStringLiteral("JvImgBtn2"), TPicture::Up, QStringLiteral("Move Up"), Panel1);
    JvImgBtn3 = new TPictureButton(QStringLiteral("JvImgBtn3"), TPicture::Down, QStringLiteral("Move Down"), Panel1);

    Lbl_Info = new QLabel(QStringLiteral("You can rotate and zoom with the mouse"), Panel1);
    Lbl_Info->setObjectName(QStringLiteral("Lbl_Info"));
    Lbl_Info->setAlignment(Qt::AlignCenter);
    Lbl_Info->setWordWrap(true);

    CheckBoxWireFrame = new QCheckBox(QStringLiteral("Wireframe"), Panel1);
    CheckBoxWireFrame->setObjectName(QStringLiteral("CheckBoxWireFrame"));
    CheckBoxSkeleton = new QCheckBox(QStringLiteral("Skeleton"), Panel1);
    CheckBoxSkeleton->setObjectName(QStringLiteral("CheckBoxSkeleton"));
    CheckBox_Blending = new QCheckBox(QStringLiteral("Blending"), Panel1);
    CheckBox_Blending->setObjectName(QStringLiteral("CheckBox_Blending"));
    CheckBox_Blending->setChecked(true);

    // The bottom strip: the two lists, the buttons over the hint, the switches.
    auto *lists = new QGridLayout;
    lists->setContentsMargins(0, 0, 0, 0);
    lists->setVerticalSpacing(6);
    lists->setHorizontalSpacing(4);
    lists->addWidget(Lbl_Anim, 0, 0, Qt::AlignRight);
    lists->addWidget(ComboBoxAnime, 0, 1);
    lists->addWidget(Lbl_Node, 1, 0, Qt::AlignRight);
    lists->addWidget(ComboBoxNode, 1, 1);
    lists->setColumnStretch(1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(1);
    for (QPushButton *button : {JvImgBtn4, JvImgBtn1, JvImgBtn5, JvImgBtn2, JvImgBtn3})
        buttons->addWidget(button);
    auto *moves = new QVBoxLayout;
    moves->setSpacing(1);
    moves->addLayout(buttons);
    moves->addWidget(Lbl_Info);
    auto *switches = new QVBoxLayout;
    switches->setSpacing(0);
    for (QCheckBox *box : {CheckBoxWireFrame, CheckBoxSkeleton, CheckBox_Blending})
        switches->addWidget(box);
    // The strip keeps its natural width and Panel1 shows what fits of it: a
    // narrow preview panel cuts the switches off at the right rather than
    // widening the browser around it.
    m_controls = new QWidget(Panel1);
    Panel1->setMinimumWidth(1);
    Panel1->installEventFilter(this);
    auto *strip = new QHBoxLayout(m_controls);
    strip->setContentsMargins(3, 3, 3, 3);
    strip->setSpacing(4);
    strip->addLayout(lists, 1);
    strip->addLayout(moves, 0);
    strip->addLayout(switches, 0);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Pnl_Info);
    layout->addWidget(GLPanel, 1);
    layout->addWidget(Panel1);

    connect(JvImgBtn1, &QPushButton::clicked, this, [this] { Move(kMoveStep, 0); });
    connect(JvImgBtn4, &QPushButton::clicked, this, [this] { Move(-kMoveStep, 0); });
    connect(JvImgBtn2, &QPushButton::clicked, this, [this] { Move(0, kMoveStep); });
    connect(JvImgBtn3, &QPushButton::clicked, this, [this] { Move(0, -kMoveStep); });
    connect(JvImgBtn5, &QPushButton::clicked, this, &TFrm_MDL::JvImgBtn5Click);
    connect(CheckBoxWireFrame, &QCheckBox::toggled, this, &TFrm_MDL::Redraw);
    connect(CheckBoxSkeleton, &QCheckBox::toggled, this, &TFrm_MDL::CheckBoxSkeletonClick);
    connect(CheckBox_Blending, &QCheckBox::toggled, this, &TFrm_MDL::CheckBox_BlendingClick);
    connect(ComboBoxNode, &QComboBox::currentIndexChanged, this, &TFrm_MDL::ComboBoxNodeChange);
    // ComboBoxAnime: animations are listed, not played.

    Translator().Translate(this);
}

TFrm_MDL::~TFrm_MDL()
{
    // A view destroyed with its window (the program ends) keeps its camera too.
    if (!m_settingsSaved)
        SaveSettings();
}

QSize TFrm_MDL::sizeHint() const
{
    return {kDesignedWidth, kDesignedHeight};
}

bool TFrm_MDL::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Panel1 && event->type() == QEvent::Resize)
        m_controls->setGeometry(0, 0, std::max(Panel1->width(), m_controls->minimumSizeHint().width()),
                                Panel1->height());
    return QWidget::eventFilter(watched, event);
}

bool TFrm_MDL::Wireframe() const
{
    return CheckBoxWireFrame->isChecked();
}

void TFrm_MDL::InitView()
{
    Redraw();
}

void TFrm_MDL::OpenModel(const QString &path, const TTextureSource &source)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return;
    SetCaptionFile(this, file.fileName());

    // Pending events go through before each texture is looked up. The view
    // refuses to close meanwhile, and closes once the model is read.
    struct TLoading {
        TFrm_MDL &View;
        explicit TLoading(TFrm_MDL &view) : View(view) { View.m_loading = true; }
        ~TLoading()
        {
            View.m_loading = false;
            if (View.m_closeWhenLoaded)
                QMetaObject::invokeMethod(&View, &QWidget::close, Qt::QueuedConnection);
        }
    } loading(*this);
    ComboBoxAnime->clear();
    ComboBoxNode->clear();
    m_loaded = false;
    CMDLDraw &drawing = GLView->Drawing;
    if (GLView->context()) {
        // Other views draw while events go through: this view's context is
        // made current again before anything is made in it.
        GLView->makeCurrent();
        drawing.Open(ToPath(path), source, [this] {
            QCoreApplication::processEvents();
            GLView->makeCurrent();
        });
    } else {
        // No context yet (the view was never shown): it prepares the model
        // when it gets one.
        drawing.Read(ToPath(path), source, [] { QCoreApplication::processEvents(); });
    }
    CMDL &model = GLView->Drawing.Model;
    model.ShowSkeleton = CheckBoxSkeleton->isChecked();

    // The lists start with nothing chosen: no node is highlighted.
    const CGameTextCodec &codec = GameTextCodec();
    for (auto [list, names] : {std::pair{ComboBoxAnime, model.AnimationNames()}, std::pair{ComboBoxNode, model.NodeNames()}}) {
        const QSignalBlocker quiet(list);
        for (const std::string &name : names)
            list->addItem(FromGameText(name, codec));
        list->setCurrentIndex(-1);
        // The drop-down shows whole names however narrow the box is.
        list->view()->setMinimumWidth(list->view()->sizeHintForColumn(0) + 24);
    }
    m_loaded = true;
    LoadSettings();
    Redraw();
}

void TFrm_MDL::closeEvent(QCloseEvent *event)
{
    if (m_loading) {
        m_closeWhenLoaded = true;
        event->ignore();
        return;
    }
    SaveSettings();
    event->accept();
}

void TFrm_MDL::GLPanelMouseDown(Qt::MouseButton button, QPoint position)
{
    if (button == Qt::LeftButton) {
        m_mouseMode = TMouseMode::Turning;
        m_last = position;
    } else if (button == Qt::RightButton) {
        m_mouseMode = TMouseMode::Zooming;
        m_lastZoomY = position.y();
    }
}

void TFrm_MDL::GLPanelMouseMove(QPoint position)
{
    switch (m_mouseMode) {
    case TMouseMode::Turning:
        m_camera.xRot += float(position.y() - m_last.y()) / kTurnPixels;
        m_camera.yRot += float(position.x() - m_last.x()) / kTurnPixels;
        m_last = position;
        Redraw();
        break;
    case TMouseMode::Zooming:
        m_camera.Depth -= float(position.y() - m_lastZoomY) / kZoomPixels;
        m_lastZoomY = position.y();
        Redraw();
        break;
    case TMouseMode::None: break;
    }
}

void TFrm_MDL::GLPanelMouseUp()
{
    m_mouseMode = TMouseMode::None;
}

void TFrm_MDL::Move(float x, float y)
{
    m_camera.xMove += x;
    m_camera.yMove += y;
    Redraw();
}

void TFrm_MDL::JvImgBtn5Click()
{
    const TModelViewSettings start;
    m_camera.xRot = start.xRot;
    m_camera.yRot = start.yRot;
    m_camera.Depth = start.Depth;
    m_camera.xMove = start.xMove;
    m_camera.yMove = start.yMove;
    Redraw();
}

void TFrm_MDL::CheckBoxSkeletonClick(bool checked)
{
    GLView->Drawing.Model.ShowSkeleton = checked;
    Redraw();
}

void TFrm_MDL::CheckBox_BlendingClick(bool checked)
{
    GLView->Drawing.Model.Blending = checked;
    Redraw();
}

void TFrm_MDL::ComboBoxNodeChange(int index)
{
    GLView->Drawing.Model.SelectedNode = index;
    Redraw();
}

void TFrm_MDL::LoadSettings()
{
    const TModelViewSettings stored = LoadModelViewSettings(GetOptionFilePath());
    m_camera = stored;
    // The switches take effect as after a click on each.
    CheckBoxWireFrame->setChecked(stored.Wireframe);
    CheckBoxSkeleton->setChecked(stored.Skeleton);
    CheckBox_Blending->setChecked(stored.Blending);
    CheckBoxSkeletonClick(stored.Skeleton);
    CheckBox_BlendingClick(stored.Blending);
    m_settingsLoaded = true;
}

void TFrm_MDL::SaveSettings()
{
    m_settingsSaved = true;
    // A view that never read the settings (no model was opened) has nothing
    // of the user's to keep: writing its blank camera would lose theirs.
    if (!m_settingsLoaded)
        return;
    TModelViewSettings settings = m_camera;
    settings.Wireframe = CheckBoxWireFrame->isChecked();
    settings.Skeleton = CheckBoxSkeleton->isChecked();
    settings.Blending = CheckBox_Blending->isChecked();
    SaveModelViewSettings(GetOptionFilePath(), settings);
}

void TFrm_MDL::Redraw()
{
    GLView->update();
}

void TFrm_MDL::RenderScene()
{
    // The state is set again for each frame: nothing another part of the
    // program (or the widget toolkit) did in this context changes the picture.
    glClearColor(0, 0, 0, 0);
    glClearDepth(1.0);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_POLYGON_SMOOTH);
    glEnable(GL_NORMALIZE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, kAlphaCut);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    for (GLenum unit : {GL_TEXTURE1, GL_TEXTURE0}) {
        glActiveTexture(unit);
        glDisable(GL_TEXTURE_2D);
    }
    glEnable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, CheckBoxWireFrame->isChecked() ? GL_LINE : GL_FILL);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(m_camera.xMove, m_camera.yMove, m_camera.Depth);
    glRotatef(m_camera.xRot, 1, 0, 0);
    glRotatef(m_camera.yRot, 0, 0, 1);
    if (m_loaded)
        GLView->Drawing.Draw();
    // The picture is opaque: blended pixels leave a partial alpha behind,
    // which would let the window show through where the picture is put.
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}
