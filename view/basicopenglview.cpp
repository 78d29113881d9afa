// Scene view: Qt events to the interaction arithmetic, frames through drawScene.
#include "basicopenglview.h"

#include "preferences.h"
#include "render_image.h"

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

void BasicOpenGLView::setDescription(const QByteArray &text, float growth) {
    _text = text;
    _growth = growth;
    _hasDescription = true;
}

static scene_style_t styleFrom(const Preferences *prefs);

QImage BasicOpenGLView::renderImage(QSize size, bool aa, bool currentView, QString *error) {
    if (!_hasDescription || size.isEmpty()) {
        if (error) *error = tr("There is no picture to draw.");
        return QImage();
    }
    render_request_t r = renderRequestDefaults();
    r.width = size.width();
    r.height = size.height();
    r.aa = aa;
    r.growth = _growth;
    r.style = styleFrom(_prefs);
    r.view = currentView ? &_scene : nullptr;
    // The headless context takes this thread's current context away; Qt makes the surface's
    // context current again before it next draws.
    doneCurrent();
    std::string why;
    QImage image = renderDescription(_text.constData(), r, nullTrace, &why);
    if (image.isNull() && error) *error = QString::fromStdString(why);
    requestRedraw();
    return image;
}

// The printed picture is drawn again at the page's resolution, not scaled up from the screen:
// the view's shape, as large as the page allows, up to the headless renderer's 8192 pixels.
QImage BasicOpenGLView::printPicture(QSize page) {
    if (!_hasDescription) return KXGLView::printPicture(page);
    QSize size(qMax(1, width()), qMax(1, height()));
    size.scale(page.boundedTo(QSize(8192, 8192)), Qt::KeepAspectRatio);
    render_request_t r = renderRequestDefaults();
    r.width = qMax(1, size.width());
    r.height = qMax(1, size.height());
    r.growth = _growth;
    r.print = true;
    r.view = &_scene;
    doneCurrent();
    std::string why;
    QImage image = renderDescription(_text.constData(), r, nullTrace, &why);
    requestRedraw();
    return image;
}

bool BasicOpenGLView::pickAt(QPointF pos, double point[3]) {
    if (!hasContext() || !_drawLSys) return false;
    const qreal ratio = pixelRatio();
    const int w = qMax(1, int(lround(width() * ratio))), h = qMax(1, int(lround(height() * ratio)));
    const int x = int(pos.x() * ratio), y = int(pos.y() * ratio);
    if (x < 0 || y < 0 || x >= w || y >= h) return false;
    makeCurrent();
    // The model alone, single-sampled, into a framebuffer of our own: the screen's buffer may
    // be multisampled (its depth cannot be read then) and holds the floor too.
    QOpenGLFramebufferObjectFormat format;
    format.setAttachment(QOpenGLFramebufferObject::Depth);
    format.setSamples(0);
    QOpenGLFramebufferObject fbo(w, h, format);
    bool hit = false;
    if (fbo.isValid() && fbo.bind()) {
        glViewport(0, 0, w, h);
        drawPrintImage(&_scene, _drawLSys, _drawCtx);
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
    // The scene counts view pixels; the framebuffer has the device's.
    ::resizeOpenGL(&_scene, width, height);
    const qreal r = pixelRatio();
    glViewport(0, 0, int(lround(width * r)), int(lround(height * r)));
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
    const QPointF p = event->position();
    event->accept();
    if (event->button() != Qt::LeftButton) {
        showCursor(mousePress(&_scene, buttonOf(event->button()), modifiersOf(event->modifiers()),
                              float(p.x()), float(p.y())));
        return;
    }
    select();
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
