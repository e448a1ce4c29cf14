// The model view: one MDL model in a GL view that the user turns and zooms
// with the mouse and moves with five picture buttons, with switches for
// wireframe, skeleton and blending and lists of the model's nodes and
// animations. Opened from File > MDL > Open and embedded by the archive
// browsers as the preview of model resources, with their archive for the
// textures. Every view draws itself whenever something it shows changes, so
// any number of views can be open at once. The camera and the switches are
// kept in option.ini, section FRM_MDL, from one view to the next.
#pragma once

#include "app/USettings.h"
#include "model/UCMDLDraw.h"

#include <QFrame>
#include <QOpenGLWidget>
#include <QPushButton>
#include <QString>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class TCaptionStrip;
class TFrm_MDL;

// A 41 x 41 button showing a 32 x 32 picture drawn here. Its caption is
// not painted: it is the hint shown when the pointer rests on the button,
// so a language file that gives the caption translates the hint.
class TPictureButton : public QPushButton {
    Q_OBJECT
public:
    enum class TPicture { Left, Right, Up, Down, Reset };
    static constexpr int kSide = 41;
    static constexpr int kPictureSide = 32;

    TPictureButton(const QString &name, TPicture picture, const QString &hint, QWidget *parent = nullptr);
    TPicture Picture() const { return m_picture; }
    // The picture as painted on the button (transparent around it).
    static QImage PictureImage(TPicture picture, bool enabled = true);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    TPicture m_picture;
};

// A panel of the window whose caption the translator may set. Its
// children cover it, so the caption is never painted.
class TCaptionPanel : public QFrame {
    Q_OBJECT
    Q_PROPERTY(QString caption READ Caption WRITE SetCaption)
public:
    TCaptionPanel(const QString &name, QWidget *parent = nullptr);
    const QString &Caption() const { return m_caption; }
    void SetCaption(const QString &caption) { m_caption = caption; }

private:
    QString m_caption;
};

// The GL drawing surface inside GLPanel: it owns the view's model and its
// GL objects, and frees them with its own context current.
class TModelSurface : public QOpenGLWidget {
    Q_OBJECT
public:
    TModelSurface(TFrm_MDL &view, QWidget *parent);
    ~TModelSurface() override;

    CMDLDraw Drawing;

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    TFrm_MDL &m_view;

    void ReleaseGL();
    void FrameResize();
};

class TFrm_MDL : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "MDL Preview";
    static constexpr const char *kInfoCaption = "MDL PREVIEW (No Light, No Anim,No Emitter)";
    // One click of a move button.
    static constexpr float kMoveStep = 0.2f;

    explicit TFrm_MDL(QWidget *parent = nullptr);
    ~TFrm_MDL() override;
    QSize sizeHint() const override;

    // Run once the window is shown (and, in a preview, embedded): sets up
    // the GL view, which draws black until a model is opened.
    void InitView();
    // Reads the model at path, its textures from source (nothing given: the
    // model's own folder), fills the lists and takes the camera and switches
    // of option.ini. A missing file does nothing; a damaged model or texture
    // raises EFileError, and the view then stays black with empty lists. The
    // caller may delete the file once this returns.
    void OpenModel(const QString &path, const TTextureSource &source = {});

    // The camera as it is now; the switches are the check boxes.
    const TModelViewSettings &Camera() const { return m_camera; }
    bool Loaded() const { return m_loaded; }
    const CMDL &Model() const { return GLView->Drawing.Model; }
    bool Wireframe() const;

    TCaptionStrip *Pnl_Info = nullptr;
    TCaptionPanel *GLPanel = nullptr;
    TModelSurface *GLView = nullptr;
    TCaptionPanel *Panel1 = nullptr;
    QLabel *Lbl_Anim = nullptr;
    QComboBox *ComboBoxAnime = nullptr;
    QLabel *Lbl_Node = nullptr;
    QComboBox *ComboBoxNode = nullptr;
    TPictureButton *JvImgBtn1 = nullptr; // Move Right
    TPictureButton *JvImgBtn2 = nullptr; // Move Up
    TPictureButton *JvImgBtn3 = nullptr; // Move Down
    TPictureButton *JvImgBtn4 = nullptr; // Move Left
    TPictureButton *JvImgBtn5 = nullptr; // Reset View
    QLabel *Lbl_Info = nullptr;
    QCheckBox *CheckBoxWireFrame = nullptr;
    QCheckBox *CheckBoxSkeleton = nullptr;
    QCheckBox *CheckBox_Blending = nullptr;

protected:
    // FormClose: the camera and switches go to option.ini. Refused while a
    // model is loading (it closes once the model is read).
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class TModelSurface;
    enum class TMouseMode { None, Turning, Zooming };

    QWidget *m_controls = nullptr; // the strip's contents inside Panel1
    TModelViewSettings m_camera{0, 0, 0, 0, 0, false, false, true}; // a view that never loaded a model
    TMouseMode m_mouseMode = TMouseMode::None;
    QPoint m_last;
    int m_lastZoomY = 0;
    bool m_loaded = false;
    bool m_settingsLoaded = false; // only settings that were read are written back
    bool m_settingsSaved = false;
    bool m_loading = false;
    bool m_closeWhenLoaded = false;

    void GLPanelMouseDown(Qt::MouseButton button, QPoint position);
    void GLPanelMouseMove(QPoint position);
    void GLPanelMouseUp();
    void Move(float x, float y);
    void JvImgBtn5Click();
    void CheckBoxSkeletonClick(bool checked);
    void CheckBox_BlendingClick(bool checked);
    void ComboBoxNodeChange(int index);
    void LoadSettings();
    void SaveSettings();
    void Redraw();
    // The GL state the view draws with.
    void RenderScene();
};
