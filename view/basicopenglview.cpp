// Scene view: Qt events to the interaction arithmetic, frames through drawScene, the model's
// buffers uploaded when a frame is drawn.
#include "basicopenglview.h"

#include "preferences.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLWidget>
#include <QWheelEvent>

#include <GL/gl.h>
#include <math.h>

BasicOpenGLView::BasicOpenGLView(Preferences *prefs, QWidget *parent)
    : KXGLView(prefs->aa(), parent), _prefs(prefs) {
    ::resetCamera(&_scene, nullptr, 0.0f);
    _clock.start();
    spinInit(&_spin, now());
    // 60 ticks a second from a monotonic clock while the spin is on; Qt timers keep firing
    // during mouse drags.
    _timer.setTimerType(Qt::PreciseTimer);
    _timer.setInterval(16);
    connect(&_timer, &QTimer::timeout, this, &BasicOpenGLView::animationTimer);
    modelFloor(nullptr, &_model.floor);
    setCursor(Qt::ArrowCursor);
}

BasicOpenGLView::~BasicOpenGLView() {
    // The buffers belong to the context, which goes with the surface after this.
    if (hasContext()) {
        makeCurrent();
        modelDelete(&_model);
        doneCurrent();
    }
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

void BasicOpenGLView::showModel(std::shared_ptr<const model_arrays_t> arrays,
                                const floor_t &floor) {
    _pending = std::move(arrays);
    _pendingFloor = floor;
    _hasPending = true;
    requestRedraw();
}

bool BasicOpenGLView::uploadPending() {
    if (!_hasPending) return false;
    static const model_arrays_t none{};
    _uploaded = modelUpload(&_model, _pending ? _pending.get() : &none);
    _model.floor = _pendingFloor;
    _pending.reset(); // the arrays' memory goes as soon as GL has its copy
    _hasPending = false;
    return true;
}

void BasicOpenGLView::dropModel() {
    if (!hasContext()) return;
    makeCurrent();
    modelDelete(&_model);
}

bool BasicOpenGLView::modelLost() {
    if (!_model.vertexBuffer || !hasContext()) return false;
    makeCurrent();
    return !modelBuffersValid(&_model);
}

void BasicOpenGLView::resetCamera(const float *center, float radius) {
    _hasCentre = center != nullptr;
    if (center)
        for (int i = 0; i < 3; ++i)
            _centre[i] = center[i];
    _radius = radius;
    _hasHalf = false;
    ::resetCamera(&_scene, center, radius);
    // A reset restores the aperture and moves the eye, both of which the projection depends
    // on; rebuilding it now keeps an earlier zoom from lingering until the next resize.
    updateProjection();
    requestRedraw();
}

void BasicOpenGLView::centerOnModel(const lsys_t *l) {
    float c[3], r;
    modelCenter(l, c, &r);
    resetCamera(c, r);
    modelHalfExtents(l, _half);
    _hasHalf = true;
    frameCamera(&_scene, _half);
    updateProjection();
}

void BasicOpenGLView::lookAlong(const float rotation[4]) {
    ::resetCamera(&_scene, _hasCentre ? _centre : nullptr, _radius);
    for (int i = 0; i < 4; ++i)
        _scene.worldRotation[i] = rotation[i];
    if (_hasHalf) frameCamera(&_scene, _half);
    updateProjection();
    requestRedraw();
}

// Rotations in front of the opening view (which looks along -y with z up and x to the left):
// a quarter turn about the vertical brings the x axis to the eye, a quarter turn about the
// horizontal brings z to it, the far side (-y) then pointing up the screen.
void BasicOpenGLView::viewFront() {
    const float r[4] = {0, 0, 0, 0};
    lookAlong(r);
}

void BasicOpenGLView::viewSide() {
    const float r[4] = {90, 0, 1, 0};
    lookAlong(r);
}

void BasicOpenGLView::viewTop() {
    const float r[4] = {-90, 1, 0, 0};
    lookAlong(r);
}

QString BasicOpenGLView::edgeOnNote(const lsys_t *l) const {
    // The view that looks along the flat axis: Side along x, Front along y, Top down z.
    switch (edgeOnAxis(&_scene, l)) {
    case 0:
        return tr("This model is flat and seen edge-on: View \u25b8 Side (key 3) faces it.");
    case 1:
        return tr("This model is flat and seen edge-on: View \u25b8 Front (key 1) faces it.");
    case 2:
        return tr("This model is flat and seen edge-on: View \u25b8 Top (key 7) faces it.");
    default:
        return QString();
    }
}

bool BasicOpenGLView::pickAt(QPointF pos, double point[3]) {
    if (!hasContext()) return false;
    const qreal ratio = pixelRatio();
    const int w = qMax(1, int(lround(width() * ratio))), h = qMax(1, int(lround(height() * ratio)));
    const int x = int(pos.x() * ratio), y = int(pos.y() * ratio);
    if (x < 0 || y < 0 || x >= w || y >= h) return false;
    makeCurrent();
    if (uploadPending()) requestRedraw(); // the pick sees the model the next frame shows
    // The model alone, single-sampled, into a framebuffer of our own: the screen's buffer may
    // be multisampled (its depth cannot be read then) and holds the floor too.
    QOpenGLFramebufferObjectFormat format;
    format.setAttachment(QOpenGLFramebufferObject::Depth);
    format.setSamples(0);
    QOpenGLFramebufferObject fbo(w, h, format);
    bool hit = false;
    if (fbo.isValid() && fbo.bind()) {
        glViewport(0, 0, w, h);
        drawPrintImage(&_scene, modelDrawCallback, &_model);
        GLfloat depth = 1.0f;
        glReadPixels(x, h - 1 - y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        hit = unprojectModelPoint(&_scene, x + 0.5, h - 1 - y + 0.5, depth, point);
        fbo.release();
    }
    doneCurrent();
    requestRedraw();
    return hit;
}

void BasicOpenGLView::updateProjection() {
    if (!hasContext()) return; // the new context's prepareOpenGL builds it
    makeCurrent();
    ::updateProjection(&_scene);
}

void BasicOpenGLView::setAnimating(bool on) {
    if (_spin.fAnimate == on) return;
    _spin.fAnimate = on;
    if (on) {
        // The first tick measures from now, not from the last tick of an earlier spin.
        _spin.time = now();
        _timer.start();
    } else {
        _timer.stop();
    }
    Q_EMIT animatingChanged(on);
}

void BasicOpenGLView::animate() {
    setAnimating(!_spin.fAnimate);
}

void BasicOpenGLView::prepareOpenGL() {
    ::prepareOpenGL();
    // A new context has no projection yet, even when the viewport size did not change.
    if (_scene.camera.viewWidth > 0 && _scene.camera.viewHeight > 0) ::updateProjection(&_scene);
}

void BasicOpenGLView::resizeOpenGL(int width, int height) {
    // The scene counts view pixels; the framebuffer has the device's.
    ::resizeOpenGL(&_scene, width, height);
    const qreal r = pixelRatio();
    glViewport(0, 0, int(lround(width * r)), int(lround(height * r)));
}

scene_style_t BasicOpenGLView::sceneStyle() const {
    scene_style_t st = sceneStyleDefaults();
    st.background = _prefs->background();
    const QColor c = _prefs->backgroundColor();
    st.hasBackgroundColor = true; // backgroundColor() already falls back to the 0.9 grey
    st.backgroundColor[0] = float(c.redF());
    st.backgroundColor[1] = float(c.greenF());
    st.backgroundColor[2] = float(c.blueF());
    st.axis = _prefs->axis();
    return st;
}

void BasicOpenGLView::drawFrame() {
    const bool fresh = uploadPending();
    // Settings are read afresh for every frame; nothing is cached.
    const scene_style_t st = sceneStyle();
    drawScene(&_scene, &st, modelDrawCallback, modelFloorCallback, &_model);
    spinFrameDrawn(&_spin);
    if (fresh) {
        // Announced once the frame is done, not from inside the paint.
        const bool uploaded = _uploaded;
        QMetaObject::invokeMethod(
            this, [this, uploaded] { Q_EMIT modelShown(uploaded); }, Qt::QueuedConnection);
    }
}

void BasicOpenGLView::drawPrintFrame() {
    uploadPending();
    drawPrintImage(&_scene, modelDrawCallback, &_model);
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
    const QPointF p = event->position();
    event->accept();
    if (event->button() != Qt::LeftButton) {
        showCursor(mousePress(&_scene, buttonOf(event->button()), modifiersOf(event->modifiers()),
                              float(p.x()), float(p.y())));
        return;
    }
    if (_pickMode || (event->modifiers() & Qt::ShiftModifier)) {
        double point[3];
        if (pickAt(p, point))
            Q_EMIT pointPicked(point[0], point[1], point[2]);
        else
            Q_EMIT pickedNothing();
        return;
    }
    showCursor(mousePress(&_scene, buttonOf(event->button()), modifiersOf(event->modifiers()),
                          float(p.x()), float(p.y())));
}

void BasicOpenGLView::mouseMoveEvent(QMouseEvent *event) {
    if (event->buttons() == Qt::NoButton) {
        // A plain move shows the arrow; during a drag the cursor stays as the press set it.
        showCursor(CURSOR_ARROW);
        return;
    }
    const QPointF p = event->position();
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

void BasicOpenGLView::keyPressEvent(QKeyEvent *event) {
    // The number keys, also on the keypad, as 3D programs use them; only while the view has
    // the focus, so they never take digits from a text field. Full screen: any key leaves.
    if (!isFullScreen() && !event->isAutoRepeat() && !(event->modifiers() & ~Qt::KeypadModifier)) {
        switch (event->key()) {
        case Qt::Key_1:
            viewFront();
            return event->accept();
        case Qt::Key_3:
            viewSide();
            return event->accept();
        case Qt::Key_7:
            viewTop();
            return event->accept();
        default:
            break;
        }
    }
    KXGLView::keyPressEvent(event);
}

void BasicOpenGLView::animationTimer() {
    if (animationTick(&_spin, &_scene, now())) requestRedraw();
}
