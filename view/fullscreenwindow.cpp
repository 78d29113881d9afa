// Full-screen window of the scene view.
#include "fullscreenwindow.h"

#include "kxglview.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QVBoxLayout>

KXFullScreenWindow::KXFullScreenWindow(KXGLView *view)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), _view(view) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(view->window() ? view->window()->windowTitle() : QString());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    view->show();
}

void KXFullScreenWindow::releaseView() {
    if (_view && _view->parentWidget() == this) layout()->removeWidget(_view);
    _view = nullptr;
}

void KXFullScreenWindow::keyPressEvent(QKeyEvent *event) {
    event->accept();
    if (_view && !event->isAutoRepeat())
        QMetaObject::invokeMethod(_view.data(), &KXGLView::leaveFullScreen, Qt::QueuedConnection);
}

void KXFullScreenWindow::closeEvent(QCloseEvent *event) {
    if (_view && _view->isFullScreen()) {
        // Closed by the window manager: leave full screen instead, which closes us again.
        event->ignore();
        QMetaObject::invokeMethod(_view.data(), &KXGLView::leaveFullScreen, Qt::QueuedConnection);
        return;
    }
    event->accept();
}
