// Viewer window: loads a description, keeps its model's display list in the scene view's
// context, and reports the engine's messages on standard error.
#include "viewerwindow.h"

#include "basicopenglview.h"
#include "camera.h"
#include "preferences.h"

#include <QAction>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QVBoxLayout>

#include <GL/gl.h>
#include <stdio.h>

ViewerWindow::ViewerWindow(Preferences *prefs, QWidget *parent)
    : QMainWindow(parent), _prefs(prefs) {
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    _view = new BasicOpenGLView(prefs, central);
    layout->addWidget(_view);
    setCentralWidget(central);
    _view->setDrawCallbacks(modelDrawCallback, modelFloorCallback, &_model);
    connect(_view, &KXGLView::contextCreated, this, &ViewerWindow::contextCreated);
    connect(prefs, &Preferences::changed, this, &ViewerWindow::preferenceChanged);

    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Open..."), QKeySequence::Open, this, &ViewerWindow::openFile);
    file->addAction(tr("&Print..."), QKeySequence::Print, this, &ViewerWindow::printScene);
    file->addSeparator();
    file->addAction(tr("&Quit"), QKeySequence::Quit, this, &QWidget::close);

    QMenu *view = menuBar()->addMenu(tr("&View"));
    QAction *full = view->addAction(tr("&Fullscreen"), _view, &KXGLView::toggleFullScreen);
    full->setShortcuts({QKeySequence(Qt::Key_F11), QKeySequence::FullScreen});
    _animateAction = view->addAction(tr("&Animate"), QKeySequence(tr("Ctrl+Shift+A")), _view,
                                     &BasicOpenGLView::animate);
    _animateAction->setCheckable(true);
    connect(_view, &BasicOpenGLView::animatingChanged, _animateAction, &QAction::setChecked);
    view->addAction(tr("&Center"), QKeySequence(tr("Ctrl+Shift+C")), this, &ViewerWindow::center);
    view->addSeparator();
    _aaAction = view->addAction(tr("Anti-&aliasing"));
    _aaAction->setCheckable(true);
    _aaAction->setChecked(prefs->aa());
    connect(_aaAction, &QAction::toggled, prefs, &Preferences::setAA);
    _axisAction = view->addAction(tr("F&loor and Axes"));
    _axisAction->setCheckable(true);
    _axisAction->setChecked(prefs->axis());
    connect(_axisAction, &QAction::toggled, prefs, &Preferences::setAxis);
    _backgroundAction = view->addAction(tr("&Plain Background"));
    _backgroundAction->setCheckable(true);
    _backgroundAction->setChecked(prefs->background());
    connect(_backgroundAction, &QAction::toggled, prefs, &Preferences::setBackground);
}

ViewerWindow::~ViewerWindow() {
    // Bring the view home first, so that it is destroyed with this window.
    if (_view->isFullScreen()) _view->toggleFullScreen();
    // The list belongs to the view's context: delete it there, then free the model.
    _view->makeCurrent();
    if (!_view->hasContext()) _model.list = 0;
    modelRelease(&_model);
}

bool ViewerWindow::loadFile(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        fprintf(stderr, "sprig: cannot open '%s': %s\n", qPrintable(path),
                qPrintable(f.errorString()));
        loadText("# created " + QDateTime::currentDateTime().toString().toLatin1() + "\n",
                 "untitled.ls");
        return false;
    }
    const QByteArray text = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        fprintf(stderr, "sprig: cannot read '%s': %s\n", qPrintable(path),
                qPrintable(f.errorString()));
        loadText("# created " + QDateTime::currentDateTime().toString().toLatin1() + "\n",
                 "untitled.ls");
        return false;
    }
    loadText(text, QFileInfo(path).fileName());
    setWindowFilePath(QFileInfo(path).absoluteFilePath());
    return true;
}

void ViewerWindow::loadTemplate() {
    QFile f(":/untitled.ls");
    QByteArray text;
    if (f.open(QIODevice::ReadOnly)) text = f.readAll();
    loadText(text, "untitled.ls");
}

void ViewerWindow::loadText(const QByteArray &text, const QString &title) {
    _text = text;
    _loaded = true;
    _centerPending = true;
    setWindowFilePath(QString());
    setWindowTitle(title);
    // Without a context yet (window not shown) the first frame's context does it.
    if (_view->hasContext()) refresh();
}

void ViewerWindow::refresh() {
    if (!_loaded || !_view->hasContext()) return;
    _view->makeCurrent();
    // The engine reads a NUL-terminated string; a NUL inside a file ends the description.
    modelRefresh(&_model, _text.constData(), 1.0f, traceHook);
    reportMessages();
    if (_centerPending) {
        _centerPending = false;
        center();
    }
    _view->requestRedraw();
}

void ViewerWindow::center() {
    float c[3], radius;
    modelCenter(_model.gen, c, &radius);
    _view->resetCamera(c, radius);
}

void ViewerWindow::contextCreated() {
    // A context that does not share the old one's lists needs the model recorded again.
    if (!_loaded) return;
    _view->makeCurrent();
    if (_model.list == 0 || !glIsList(_model.list)) {
        _model.list = 0;
        refresh();
    }
}

void ViewerWindow::preferenceChanged(const QString &key) {
    if (key == Preferences::kAA) {
        const bool aa = _prefs->aa();
        _aaAction->setChecked(aa);
        if (aa != _view->aa()) {
            _view->makeCurrent();
            if (_view->hasContext()) modelDropList(&_model);
            _view->setAA(aa); // announces the new context, which records the model again
            _view->updateProjection();
        }
    } else if (key == Preferences::kAxis) {
        _axisAction->setChecked(_prefs->axis());
    } else if (key == Preferences::kBackground) {
        _backgroundAction->setChecked(_prefs->background());
    }
    _view->requestRedraw();
}

void ViewerWindow::printScene() {
    if (_view->isFullScreen()) _view->toggleFullScreen();
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted) return;
    if (!_view->print(&printer)) fprintf(stderr, "sprig: nothing could be printed\n");
}

void ViewerWindow::openFile() {
    if (_view->isFullScreen()) _view->toggleFullScreen();
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Open"), QString(), tr("L-system descriptions (*.ls);;All files (*)"));
    if (!path.isEmpty()) loadFile(path);
}

// Line number (from 1) of a byte offset into the text.
static int lineOf(const QByteArray &text, int offset) {
    int line = 1;
    const int end = qMin(offset, int(text.size()));
    for (int i = 0; i < end; ++i) {
        // CR LF, LF and a lone CR each end one line.
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
            ++line;
    }
    return line;
}

void ViewerWindow::reportMessages() {
    const int n = qMin<int>(traceCount, TRACE_STORE);
    const QByteArray name = windowTitle().toLocal8Bit();
    for (int i = 0; i < n; ++i) {
        const int code = trace[i].code;
        const char *text = trace[i].text ? trace[i].text : "";
        if (code >= 0)
            fprintf(stderr, "%s:%d: %s\n", name.constData(), lineOf(_text, code), text);
        else if (code == CODE_NOLINE)
            fprintf(stderr, "%s: %s\n", name.constData(), text);
        else
            fprintf(stderr, "%s: %s\n",
                    code == CODE_INFO   ? "info"
                    : code == CODE_EXEC ? "exec"
                                        : "unknown",
                    text);
    }
    if (traceCount > TRACE_STORE)
        fprintf(stderr, "... additional %d messages ignored\n", int(traceCount - TRACE_STORE));
    traceClear();
}
