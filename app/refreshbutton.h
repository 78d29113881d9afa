// The toolbar's refresh button. It shows the play image while the model is up to date or a
// refresh waits for a click, and paints an indeterminate spinner over itself while an
// automatic refresh is pending. The spinner is a square of side min(width, height), centred,
// so it follows the button between 20 and 32 pixels.
#ifndef SPRIG_APP_REFRESHBUTTON_H
#define SPRIG_APP_REFRESHBUTTON_H

#include <QIcon>
#include <QRectF>
#include <QToolButton>

class QTimer;

class RefreshButton : public QToolButton {
    Q_OBJECT
  public:
    explicit RefreshButton(QWidget *parent = nullptr);

    // Shows or hides the play image; the button stays clickable either way.
    void setImageShown(bool shown);
    bool imageShown() const { return _imageShown; }

    void startAnimation();
    void stopAnimation();
    bool isAnimating() const;

    // The spinner's square inside `frame`: side s = min(w, h), centred, halves in double.
    static QRectF spinnerFrame(const QRectF &frame);

    QSize sizeHint() const override { return QSize(28, 28); }

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    QIcon _play;
    QTimer *_timer;
    int _phase = 0; // index of the brightest of the 12 ticks
    bool _imageShown = true;
};

#endif
