// The scene view: camera and rotations, one frame per paint (background, model, floor, frame
// overlay), mouse rotation with the trackball, pan, dolly, scroll-wheel zoom, cursors and the
// 60 Hz spin animation, the Front, Side and Top views (keys 1, 3, 7), picking a point of the
// model with Shift+click, and pictures of the description at any size for printing and export.
// The model and the floor are drawn by callbacks of the view's owner. The numbers of every
// mouse and timer step live in interaction.h; this class only translates Qt events into those
// calls. Every pixel quantity (mouse positions, viewport size, checkerboard, frame) is in view
// (logical) pixels, whatever the screen's device pixel ratio.
#ifndef SPRIG_VIEW_BASICOPENGLVIEW_H
#define SPRIG_VIEW_BASICOPENGLVIEW_H

#include "interaction.h"
#include "kxglview.h"
#include "scene_gl.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

class Preferences;

class BasicOpenGLView : public KXGLView {
    Q_OBJECT
  public:
    // Anti-aliasing follows the "aa" preference at creation; the frame reads the other display
    // preferences every time it is drawn. prefs must outlive the view.
    explicit BasicOpenGLView(Preferences *prefs, QWidget *parent = nullptr);
    ~BasicOpenGLView() override;

    // Where the model and the floor come from (ctx is handed back to both; either may be null).
    void setDrawCallbacks(scene_draw_fn drawLSys, scene_draw_fn drawFloor, void *ctx);

    // Camera and rotations back to the start; with a centre (model units) the model is
    // centred and the eye moves back by radius / 200. The projection is rebuilt at once and a
    // frame requested.
    void resetCamera(const float *center, float radius);
    // The Center command: resetCamera with the model's centre and radius (l may be null), then
    // the eye moves further back if the model's box would not fit the view. The model's
    // extents are remembered for the Front, Side and Top views.
    void centerOnModel(const lsys_t *l);

    // The description that pictures for printing and export are drawn from (the window's
    // current text and growth factor). Until one is set, printing captures the screen's
    // picture instead.
    void setDescription(const QByteArray &text, float growth);
    // A picture of the description drawn headless (EGL) at size, with anti-aliasing on
    // request and the current display preferences: under the view's current camera and
    // rotations, or else centred as after opening. Null without a description, or when no
    // OpenGL context or framebuffer of that size can be had (*error says why).
    QImage renderImage(QSize size, bool aa, bool currentView, QString *error = nullptr);
    // With a description: drawn again headless at the page's resolution (the view's shape,
    // as large as the page allows up to 8192 pixels a side), the model on white under the
    // current camera. Without one: the screen's picture (printImage).
    QImage printPicture(QSize page) override;

    // The model-space point under pos (view pixels), from the depth of the model alone drawn
    // as it is shown; false when no part of the model is there. Emits nothing.
    bool pickAt(QPointF pos, double point[3]);
    // With pick mode on, a plain left click picks as Shift+click does instead of rotating.
    void setPickMode(bool on) { _pickMode = on; }
    bool pickMode() const { return _pickMode; }
    // Rebuilds the projection matrix from the camera (after a change of the camera from
    // outside, or of the context).
    void updateProjection();

    const scene_t &scene() const { return _scene; }
    scene_t &scene() { return _scene; }
    const spin_t &spin() const { return _spin; }

    bool isAnimating() const { return _spin.fAnimate; }
    void setAnimating(bool on);

    // The picked-point hook: select() hands the tracked point to it, only while one is set.
    void setSelectHandler(std::function<void(const float *point)> handler) {
        _select = std::move(handler);
    }
    void setTrackPoint(const double point[3]);
    void clearTrackPoint() { _trackValid = false; }
    void select();

  public slots:
    // Toggles the spin animation.
    void animate();
    // Look at the centred model along an axis: Front is the opening view (along -y, z up),
    // Side looks along -x (z up), Top down the z axis. Like Center they reset the camera and
    // the spin rotation, and frame the model as seen from there.
    void viewFront();
    void viewSide();
    void viewTop();

  signals:
    void animatingChanged(bool on);
    // A Shift+click (or a click in pick mode) landed on the model at this model-space point.
    void pointPicked(double x, double y, double z);
    // A Shift+click (or a click in pick mode) found nothing of the model under the mouse.
    void pickedNothing();

  protected:
    void prepareOpenGL() override;
    void resizeOpenGL(int width, int height) override;
    void drawFrame() override;
    void drawPrintFrame() override;
    void keyPressEvent(QKeyEvent *event) override;

    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

  private:
    void lookAlong(const float rotation[4]);
    void animationTimer();
    void showCursor(view_cursor_t cursor);
    double now() const;

    Preferences *_prefs;
    scene_t _scene{};
    spin_t _spin{};
    QTimer _timer;
    QElapsedTimer _clock;
    scene_draw_fn _drawLSys = nullptr;
    scene_draw_fn _drawFloor = nullptr;
    void *_drawCtx = nullptr;
    bool _trackValid = false;
    double _trackPos[3] = {0, 0, 0};
    std::function<void(const float *)> _select;
    bool _pickMode = false;
    // What the last centring was on, for the axis views: centre and radius as resetCamera
    // takes them, and the half extents the framing fits.
    bool _hasCentre = false;
    float _centre[3] = {0, 0, 0}, _radius = 0, _half[3] = {0, 0, 0};
    bool _hasHalf = false;
    QByteArray _text; // NUL-terminated by QByteArray
    float _growth = 1.0f;
    bool _hasDescription = false;
};

#endif
