// The GL surface view: inner QOpenGLWidget, anti-aliasing switch, full screen, print capture.
#include "kxglview.h"

#include "fullscreenwindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMainWindow>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QOpenGLWidget>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QSplitter>
#include <QVBoxLayout>

#include <GL/gl.h>

#ifndef GL_SAMPLES
#define GL_SAMPLES 0x80A9
#endif

// The GL surface proper: forwards the QOpenGLWidget hooks to its owner, which has the context
// current whenever they run.
class KXGLView::Surface : public QOpenGLWidget {
  public:
    Surface(KXGLView *owner, bool aa) : QOpenGLWidget(owner), _owner(owner) {
        setFormat(KXGLView::surfaceFormat(aa));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }
    bool samplesKnown = false;

  protected:
    void initializeGL() override {
        samplesKnown = false;
        _owner->prepareOpenGL();
        _owner->surfaceInitialized();
    }
    void resizeGL(int w, int h) override { _owner->resizeOpenGL(w, h); }
    void paintGL() override {
        if (!samplesKnown) {
            // The widget's framebuffer is bound only from here on; it carries the samples.
            GLint n = 0;
            context()->functions()->glGetIntegerv(GL_SAMPLES, &n);
            _owner->_samples = n;
            samplesKnown = true;
        }
        _owner->drawFrame();
    }

  private:
    KXGLView *_owner;
};

QSurfaceFormat KXGLView::surfaceFormat(bool aa) {
    QSurfaceFormat f;
    f.setRenderableType(QSurfaceFormat::OpenGL);
    f.setVersion(2, 1);
    f.setProfile(QSurfaceFormat::CompatibilityProfile);
    f.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    f.setDepthBufferSize(24);
    f.setSwapInterval(1);
    f.setSamples(aa ? 4 : 0);
    return f;
}

KXGLView::KXGLView(bool aa, QWidget *parent) : QWidget(parent) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(64, 64);
    setAA(aa);
}

KXGLView::~KXGLView() {
    // Destroyed while full screen: the full-screen window closes and the placeholder goes.
    if (_fullScreenWindow) {
        _fullScreenWindow->releaseView();
        _fullScreenWindow->close();
    }
    delete _dummy;
}

void KXGLView::setAA(bool aa) {
    _aa = aa;
    Surface *old = _surface;
    _surface = new Surface(this, aa);
    _samples = 0;
    if (old) {
        _surface->setGeometry(old->geometry());
        layout()->replaceWidget(old, _surface);
        delete old; // its context, and every list that only it held, goes with it
    } else {
        layout()->addWidget(_surface);
    }
    // Showing the surface inside a visible window creates its context at once.
    _surface->show();
    if (isVisible() && !_surface->isValid()) qWarning("Invalid opengl pixelformat");
}

void KXGLView::surfaceInitialized() {
    if (!_surface->context() || !_surface->context()->isValid()) {
        qWarning("Invalid opengl pixelformat");
        return;
    }
    Q_EMIT contextCreated();
}

QOpenGLWidget *KXGLView::surface() const {
    return _surface;
}

bool KXGLView::hasContext() const {
    return _surface && _surface->isValid();
}

void KXGLView::makeCurrent() {
    if (hasContext()) _surface->makeCurrent();
}

void KXGLView::doneCurrent() {
    if (hasContext()) _surface->doneCurrent();
}

void KXGLView::requestRedraw() {
    if (_surface) _surface->update();
}

qreal KXGLView::pixelRatio() const {
    return _surface ? _surface->devicePixelRatioF() : 1.0;
}

QImage KXGLView::grabFrame() {
    if (!hasContext()) return QImage();
    return _surface->grabFramebuffer();
}

QImage KXGLView::printImage() {
    if (!hasContext()) return QImage();
    const qreal r = pixelRatio();
    const int w = qMax(1, int(_surface->width() * r));
    const int h = qMax(1, int(_surface->height() * r));
    _surface->makeCurrent();
    QOpenGLFunctions *gl = _surface->context()->functions();
    // A framebuffer of our own with one sample per pixel: pixels read back from a
    // multisampled one would be refused.
    QOpenGLFramebufferObjectFormat format;
    format.setAttachment(QOpenGLFramebufferObject::Depth);
    format.setSamples(0);
    QOpenGLFramebufferObject fbo(w, h, format);
    QImage image;
    if (fbo.isValid() && fbo.bind()) {
        gl->glViewport(0, 0, w, h);
        drawPrintFrame();
        gl->glFinish();
        // Colour only: the alpha of the white clear is 0 and means nothing. GL and QImage
        // both start every row on a 4-byte boundary, so the rows land where QImage has them.
        image = QImage(w, h, QImage::Format_RGB888);
        gl->glPixelStorei(GL_PACK_ALIGNMENT, 4);
        gl->glPixelStorei(GL_PACK_ROW_LENGTH, 0);
        gl->glPixelStorei(GL_PACK_SKIP_ROWS, 0);
        gl->glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
        gl->glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, image.bits());
        image = image.mirrored(false, true); // GL rows run bottom-up
        fbo.release();
    }
    _surface->doneCurrent();
    requestRedraw();
    return image;
}

bool KXGLView::print(QPrinter *printer, const QImage &image) {
    if (image.isNull()) return false;
    QPainter painter;
    if (!painter.begin(printer)) return false;
    const QRect page = painter.viewport();
    QSize size = image.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    const QRect target(page.x() + (page.width() - size.width()) / 2,
                       page.y() + (page.height() - size.height()) / 2, size.width(), size.height());
    painter.drawImage(target, image);
    return painter.end();
}

// Puts `to` where `from` is in its parent: a layout slot, a splitter pane, a main window's
// central widget, or else the same geometry in the same parent. `from` ends up without a
// parent; the caller decides what becomes of it.
static void swapInParent(QWidget *from, QWidget *to) {
    QWidget *parent = from->parentWidget();
    to->setGeometry(from->geometry());
    if (!parent) {
        to->setParent(nullptr);
        to->show();
        return;
    }
    if (auto *splitter = qobject_cast<QSplitter *>(parent)) {
        splitter->replaceWidget(splitter->indexOf(from), to);
    } else if (auto *mw = qobject_cast<QMainWindow *>(parent); mw && mw->centralWidget() == from) {
        mw->takeCentralWidget();
        mw->setCentralWidget(to);
    } else if (QLayoutItem *old =
                   parent->layout() ? parent->layout()->replaceWidget(from, to) : nullptr) {
        delete old; // the layout item only; the widget stays ours
    } else {
        to->setParent(parent);
    }
    from->setParent(nullptr);
    to->show();
}

void KXGLView::toggleFullScreen() {
    if (_dummy) {
        // Leaving: back into the placeholder's place, with the placeholder's current frame.
        QPointer<KXFullScreenWindow> fs = _fullScreenWindow;
        _fullScreenWindow = nullptr;
        if (fs) fs->releaseView();
        QWidget *dummy = _dummy;
        _dummy = nullptr;
        swapInParent(dummy, this);
        delete dummy;
        if (fs) fs->close();
        if (window()) {
            window()->raise();
            window()->activateWindow();
        }
        setFocus(Qt::OtherFocusReason);
        requestRedraw();
        Q_EMIT fullScreenChanged(false);
        return;
    }
    // Entering: a placeholder of the same size policy keeps the home window's layout.
    auto *dummy = new QWidget;
    dummy->setSizePolicy(sizePolicy());
    dummy->setMinimumSize(minimumSize());
    dummy->setObjectName("KXGLViewPlaceholder");
    QWidget *home = window();
    if (home != this) {
        swapInParent(this, dummy);
    } else {
        // A top-level view has no home layout; the placeholder only remembers its frame.
        dummy->setGeometry(geometry());
    }
    _dummy = dummy;
    auto *fs = new KXFullScreenWindow(this);
    _fullScreenWindow = fs;
    // The screen the home window is on; its whole frame also without a window manager that
    // honours the full-screen state.
    QScreen *screen = home->screen() ? home->screen() : QGuiApplication::primaryScreen();
    if (screen) fs->setGeometry(screen->geometry());
    fs->showFullScreen();
    fs->raise();
    fs->activateWindow();
    setFocus(Qt::OtherFocusReason);
    Q_EMIT fullScreenChanged(true);
}

void KXGLView::leaveFullScreen() {
    if (isFullScreen()) toggleFullScreen();
}

void KXGLView::keyPressEvent(QKeyEvent *event) {
    if (isFullScreen()) {
        // Any key leaves full screen; a held key's repeats do not toggle back and forth.
        event->accept();
        if (event->isAutoRepeat()) return;
        QMetaObject::invokeMethod(this, &KXGLView::leaveFullScreen, Qt::QueuedConnection);
        return;
    }
    QWidget::keyPressEvent(event);
}
