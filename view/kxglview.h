// A widget that owns an OpenGL surface of its own: the pixel format with or without 4x
// anti-aliasing, replacing the surface (and so the context) when that choice changes, full
// screen in a frameless top-level window, and capture of the rendered picture for printing.
//
// A QOpenGLWidget cannot change its format once it has a context, so the GL surface is an inner
// QOpenGLWidget that this view creates, and setAA() swaps in a new one. The inner surface is
// transparent for mouse events: the view itself receives them, shows the cursor and takes the
// keyboard focus. Subclasses draw through the hooks prepareOpenGL, resizeOpenGL and drawFrame,
// which always run with the surface's context current.
#ifndef SPRIG_VIEW_KXGLVIEW_H
#define SPRIG_VIEW_KXGLVIEW_H

#include <QImage>
#include <QPointer>
#include <QSurfaceFormat>
#include <QWidget>

class QOpenGLWidget;
class QPrinter;
class KXFullScreenWindow;

class KXGLView : public QWidget {
    Q_OBJECT
  public:
    explicit KXGLView(bool aa, QWidget *parent = nullptr);
    ~KXGLView() override;

    // The format of a scene surface: OpenGL 2.1 compatibility profile (the fixed-function
    // pipeline and immediate mode need it), double buffer, 24-bit depth, swap interval 1, and 4
    // samples with anti-aliasing or none without. The application sets it as the default format.
    static QSurfaceFormat surfaceFormat(bool aa);

    // Replaces the GL surface by one with or without anti-aliasing. The old context and
    // everything in it (buffer objects) is gone afterwards unless it is shared; the new context
    // announces itself through contextCreated().
    void setAA(bool aa);
    bool aa() const { return _aa; }
    // Samples per pixel of the current context as GL reports them (0 before it exists).
    int samples() const { return _samples; }

    QOpenGLWidget *surface() const;
    // True once the current surface has a valid context.
    bool hasContext() const;
    // Makes the surface's context current (for work on the model's buffers).
    void makeCurrent();
    void doneCurrent();
    // Asks for a new frame.
    void requestRedraw();

    bool isFullScreen() const { return _dummy != nullptr; }

    // The picture for the printer, rendered single-sampled at the view's size through the
    // subclass's drawPrintFrame (the model on white). Null when there is no context.
    QImage printImage();
    // The current on-screen frame, single-sampled. Null when there is no context.
    QImage grabFrame();
    // Draws picture on the printer's page, scaled to fit and centred. False when the picture is
    // null or the printer could not be opened.
    static bool print(QPrinter *printer, const QImage &picture);

  public slots:
    // Enters or leaves full screen: the view moves into a frameless full-screen window and a
    // placeholder keeps its place in the home window's layout; leaving puts it back there.
    void toggleFullScreen();
    // Leaves full screen when in it; requests queued by several keys leave only once.
    void leaveFullScreen();

  signals:
    // A new context is ready: prepareOpenGL has run in it. Buffers of an earlier, unshared
    // context must be uploaded again.
    void contextCreated();
    void fullScreenChanged(bool fullScreen);

  protected:
    virtual void prepareOpenGL() {}
    // The surface's new size in view (logical) pixels.
    virtual void resizeOpenGL(int width, int height) {
        Q_UNUSED(width);
        Q_UNUSED(height);
    }
    virtual void drawFrame() {}
    // Draws the print picture into the currently bound (single-sampled) framebuffer.
    virtual void drawPrintFrame() {}

    void keyPressEvent(QKeyEvent *event) override;
    // Pixels per logical pixel of the surface, to turn mouse positions into viewport pixels.
    qreal pixelRatio() const;

  private:
    class Surface;
    friend class Surface;
    void surfaceInitialized();

    Surface *_surface = nullptr;
    bool _aa = false;
    int _samples = 0;
    QWidget *_dummy = nullptr; // placeholder in the home window while full screen
    QPointer<KXFullScreenWindow> _fullScreenWindow;
};

#endif
