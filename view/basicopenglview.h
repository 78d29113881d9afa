// The scene view: camera and rotations, one frame per paint (background, model, floor, frame
// overlay), mouse rotation with the trackball, pan, dolly, scroll-wheel zoom, cursors and the
// 60 Hz spin animation, the Front, Side and Top views (keys 1, 3, 7), and picking a point of the
// model with Shift+click. The view owns the model's vertex buffers in its context: its owner
// hands it the vertex arrays of each new drawing, which the view uploads when it next draws. The
// numbers of every mouse and timer step live in interaction.h; this class only translates Qt
// events into those calls. Every pixel quantity (mouse positions, viewport size, checkerboard,
// frame) is in view (logical) pixels, whatever the screen's device pixel ratio.
#ifndef SPRIG_VIEW_BASICOPENGLVIEW_H
#define SPRIG_VIEW_BASICOPENGLVIEW_H

#include "interaction.h"
#include "kxglview.h"
#include "model_gl.h"
#include "scene_gl.h"

#include <QElapsedTimer>
#include <QTimer>

#include <memory>

class Preferences;

class BasicOpenGLView : public KXGLView {
    Q_OBJECT
  public:
    // Anti-aliasing follows the "aa" preference at creation; the frame reads the other display
    // preferences every time it is drawn. prefs must outlive the view.
    explicit BasicOpenGLView(Preferences *prefs, QWidget *parent = nullptr);
    ~BasicOpenGLView() override;

    // The model to draw from the next frame on, with its floor. The arrays are uploaded into the
    // view's context when that frame is drawn; until then the previous model stays on screen.
    // Null arrays: no model.
    void showModel(std::shared_ptr<const model_arrays_t> arrays, const floor_t &floor);
    // Deletes the model's buffers (before the context is replaced); the floor stays.
    void dropModel();
    // True when the view was given a model whose buffers its current context does not have
    // (a new context that shares nothing with the old one): the owner must give it again.
    bool modelLost();
    // The display preferences as the next frame reads them.
    scene_style_t sceneStyle() const;

    // Camera and rotations back to the start; with a centre (model units) the model is
    // centred and the eye moves back by radius / 200. The projection is rebuilt at once and a
    // frame requested.
    void resetCamera(const float *center, float radius);
    // The Center command: resetCamera with the model's centre and radius (l may be null), then
    // the eye moves further back if the model's box would not fit the view. The model's
    // extents are remembered for the Front, Side and Top views.
    void centerOnModel(const lsys_t *l);

    // What the status bar says when the model l is flat and seen edge-on (edgeOnAxis): the
    // axis view that faces it, with its key. Empty otherwise.
    QString edgeOnNote(const lsys_t *l) const;

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
    // The spin timer runs only while the animation is on: an idle view never wakes.
    void setAnimating(bool on);

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
    // A frame with the model last given to showModel has been drawn; uploaded is false when
    // GL had no memory for its buffers (the frame then shows no model).
    void modelShown(bool uploaded);

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
    // Uploads a model waiting for the context (which must be current); true when there was one.
    bool uploadPending();
    void animationTimer();
    void showCursor(view_cursor_t cursor);
    double now() const;

    Preferences *_prefs;
    scene_t _scene{};
    spin_t _spin{};
    QTimer _timer;
    QElapsedTimer _clock;
    model_gl_t _model{};
    std::shared_ptr<const model_arrays_t> _pending; // waiting to be uploaded
    floor_t _pendingFloor{};
    bool _hasPending = false;
    bool _uploaded = true; // the last upload got its memory
    bool _pickMode = false;
    // What the last centring was on, for the axis views: centre and radius as resetCamera
    // takes them, and the half extents the framing fits.
    bool _hasCentre = false;
    float _centre[3] = {0, 0, 0}, _radius = 0, _half[3] = {0, 0, 0};
    bool _hasHalf = false;
};

#endif
