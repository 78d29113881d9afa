// The frameless top-level window that holds a KXGLView while it is full screen. Any key, and
// any attempt to close the window, hands the view back to its home window.
#ifndef SPRIG_VIEW_FULLSCREENWINDOW_H
#define SPRIG_VIEW_FULLSCREENWINDOW_H

#include <QPointer>
#include <QWidget>

class KXGLView;

class KXFullScreenWindow : public QWidget {
    Q_OBJECT
  public:
    // Takes the view as its only content. The window deletes itself when closed.
    explicit KXFullScreenWindow(KXGLView *view);
    // Forgets the view, which its owner has taken back (or is destroying), and closes.
    void releaseView();
    KXGLView *view() const { return _view; }

  protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    QPointer<KXGLView> _view;
};

#endif
