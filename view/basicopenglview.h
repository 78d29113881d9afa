// The scene view: camera and rotations, one frame per paint (background, model, floor, frame
// overlay), mouse rotation with the trackball, pan, dolly, scroll-wheel zoom, cursors and the
// 60 Hz spin animation. The model and the floor are drawn by callbacks of the view's owner.
// The numbers of every mouse and timer step live in interaction.h; this class only translates
// Qt events into those calls.
#ifndef SPRIG_VIEW_BASICOPENGLVIEW_H
#define SPRIG_VIEW_BASICOPENGLVIEW_H

#include "interaction.h"
#include "kxglview.h"
#include "scene_gl.h"

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

  signals:
    void animatingChanged(bool on);

  protected:
    void prepareOpenGL() override;
    void resizeOpenGL(int width, int height) override;
    void drawFrame() override;
    void drawPrintFrame() override;

    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

  private:
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
};

#endif
