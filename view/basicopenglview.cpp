// Scene view: Qt events to the interaction arithmetic, frames through drawScene.
#include "basicopenglview.h"

#include "preferences.h"

#include <QMouseEvent>
#include <QWheelEvent>

BasicOpenGLView::BasicOpenGLView(Preferences *prefs, QWidget *parent)
    : KXGLView(prefs->aa(), parent), _prefs(prefs) {
    ::resetCamera(&_scene, nullptr, 0.0f);
    _clock.start();
    spinInit(&_spin, now());
    // 60 ticks a second from a monotonic clock; Qt timers keep firing during mouse drags.
    _timer.setTimerType(Qt::PreciseTimer);
    _timer.setInterval(16);
    connect(&_timer, &QTimer::timeout, this, &BasicOpenGLView::animationTimer);
    _timer.start();
    setCursor(Qt::ArrowCursor);
}

BasicOpenGLView::~BasicOpenGLView() {
    // A drag of this view cannot outlive it.
    if (gTrackingViewInfo == &_scene) {
        gTrackball = gPan = gDolly = false;
        for (float &v : gTrackBallRotation)
            v = 0.0f;
        gTrackingViewInfo = nullptr;
    }
}

double BasicOpenGLView::now() const {
    return _clock.nsecsElapsed() * 1e-9;
}

void BasicOpenGLView::setDrawCallbacks(scene_draw_fn drawLSys, scene_draw_fn drawFloor, void *ctx) {
    _drawLSys = drawLSys;
    _drawFloor = drawFloor;
    _drawCtx = ctx;
    requestRedraw();
}

void BasicOpenGLView::resetCamera(const float *center, float radius) {
    ::resetCamera(&_scene, center, radius);
    // A reset restores the aperture and moves the eye, both of which the projection depends
    // on; rebuilding it now keeps an earlier zoom from lingering until the next resize.
    updateProjection();
    requestRedraw();
}

void BasicOpenGLView::updateProjection() {
    if (!hasContext()) return; // the new context's prepareOpenGL builds it
    makeCurrent();
    ::updateProjection(&_scene);
}

void BasicOpenGLView::setAnimating(bool on) {
    if (_spin.fAnimate == on) return;
    _spin.fAnimate = on;
    Q_EMIT animatingChanged(on);
}

void BasicOpenGLView::animate() {
    setAnimating(!_spin.fAnimate);
}

void BasicOpenGLView::setTrackPoint(const double point[3]) {
    for (int i = 0; i < 3; ++i)
        _trackPos[i] = point[i];
    _trackValid = true;
}

void BasicOpenGLView::select() {
    if (!_trackValid || !_select) return;
    const float p[3] = {float(_trackPos[0]), float(_trackPos[1]), float(_trackPos[2])};
    _select(p);
}

void BasicOpenGLView::prepareOpenGL() {
    ::prepareOpenGL();
    // A new context has no projection yet, even when the viewport size did not change.
    if (_scene.camera.viewWidth > 0 && _scene.camera.viewHeight > 0) ::updateProjection(&_scene);
}

void BasicOpenGLView::resizeOpenGL(int width, int height) {
    ::resizeOpenGL(&_scene, width, height);
}

static scene_style_t styleFrom(const Preferences *prefs) {
    scene_style_t st = sceneStyleDefaults();
    st.background = prefs->background();
    const QColor c = prefs->backgroundColor();
    st.hasBackgroundColor = true; // backgroundColor() already falls back to the 0.9 grey
    st.backgroundColor[0] = float(c.redF());
    st.backgroundColor[1] = float(c.greenF());
    st.backgroundColor[2] = float(c.blueF());
    st.axis = prefs->axis();
    return st;
}

void BasicOpenGLView::drawFrame() {
    // Settings are read afresh for every frame; nothing is cached.
    const scene_style_t st = styleFrom(_prefs);
    drawScene(&_scene, &st, _drawLSys, _drawFloor, _drawCtx);
    spinFrameDrawn(&_spin);
}

void BasicOpenGLView::drawPrintFrame() {
    drawPrintImage(&_scene, _drawLSys, _drawCtx);
}

void BasicOpenGLView::showCursor(view_cursor_t cursor) {
    switch (cursor) {
    case CURSOR_CROSSHAIR:
        setCursor(Qt::CrossCursor);
        break;
    case CURSOR_CLOSED_HAND:
        setCursor(Qt::ClosedHandCursor);
        break;
    case CURSOR_RESIZE_UP_DOWN:
        setCursor(Qt::SizeVerCursor);
        break;
    default:
        setCursor(Qt::ArrowCursor);
        break;
    }
}

static int buttonOf(Qt::MouseButton b) {
    if (b == Qt::LeftButton) return BUTTON_LEFT;
    if (b == Qt::RightButton) return BUTTON_RIGHT;
    return BUTTON_OTHER;
}

static int modifiersOf(Qt::KeyboardModifiers m) {
    int out = 0;
    if (m & Qt::ControlModifier) out |= MOD_CONTROL;
    if (m & Qt::AltModifier) out |= MOD_OPTION;
    return out;
}

void BasicOpenGLView::mousePressEvent(QMouseEvent *event) {
    setFocus(Qt::MouseFocusReason);
    const QPointF p = event->position() * pixelRatio();
    select();
    showCursor(mousePress(&_scene, buttonOf(event->button()), modifiersOf(event->modifiers()),
                          float(p.x()), float(p.y())));
    event->accept();
}

void BasicOpenGLView::mouseMoveEvent(QMouseEvent *event) {
    if (event->buttons() == Qt::NoButton) {
        // A plain move shows the arrow; during a drag the cursor stays as the press set it.
        showCursor(CURSOR_ARROW);
        return;
    }
    const QPointF p = event->position() * pixelRatio();
    bool projectionChanged = false;
    if (mouseDrag(&_scene, float(p.x()), float(p.y()), &projectionChanged)) {
        if (projectionChanged) updateProjection();
        requestRedraw();
    }
    event->accept();
}

void BasicOpenGLView::mouseReleaseEvent(QMouseEvent *event) {
    // The committed rotation draws exactly as the live one did: no new frame is needed.
    showCursor(mouseRelease(&_scene));
    event->accept();
}

void BasicOpenGLView::wheelEvent(QWheelEvent *event) {
    // One notch of an ordinary wheel is 120 eighths of a degree and counts as 1.
    const QPoint d = event->angleDelta();
    if (scrollWheel(&_scene, d.x() / 120.0f, d.y() / 120.0f, 0.0f)) {
        updateProjection();
        requestRedraw();
    }
    event->accept();
}

void BasicOpenGLView::animationTimer() {
    if (animationTick(&_spin, &_scene, now())) requestRedraw();
}
