// Refresh button with its own spinner painting.
#include "refreshbutton.h"

#include <QPainter>
#include <QTimer>

#include <algorithm>

namespace {
const int kTicks = 12;
const int kTickMs = 80; // one full turn in about a second
} // namespace

RefreshButton::RefreshButton(QWidget *parent)
    : QToolButton(parent), _play(QStringLiteral(":/play.svg")), _timer(new QTimer(this)) {
    setMinimumSize(20, 20);
    setMaximumSize(32, 32);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAutoRaise(true);
    // Icon only: with the image hidden a text would be drawn under the spinner.
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setAccessibleName(tr("Refresh"));
    setToolTip(tr("Refresh"));
    setIcon(_play);
    _timer->setInterval(kTickMs);
    connect(_timer, &QTimer::timeout, this, [this] {
        _phase = (_phase + 1) % kTicks;
        update();
    });
}

void RefreshButton::setImageShown(bool shown) {
    if (_imageShown == shown) return;
    _imageShown = shown;
    setIcon(shown ? _play : QIcon());
}

void RefreshButton::startAnimation() {
    if (_timer->isActive()) return;
    _phase = 0;
    _timer->start();
    update();
}

void RefreshButton::stopAnimation() {
    if (!_timer->isActive()) return;
    _timer->stop();
    update();
}

bool RefreshButton::isAnimating() const {
    return _timer->isActive();
}

QRectF RefreshButton::spinnerFrame(const QRectF &frame) {
    const double w = frame.width(), h = frame.height();
    const double s = std::min(w, h);
    return QRectF(frame.x() + (w - s) / 2.0, frame.y() + (h - s) / 2.0, s, s);
}

void RefreshButton::paintEvent(QPaintEvent *event) {
    QToolButton::paintEvent(event);
    if (!isAnimating()) return;

    const QRectF box = spinnerFrame(QRectF(rect()));
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(box.center());
    const double r = box.width() / 2.0;
    QPen pen(palette().color(QPalette::WindowText));
    pen.setWidthF(std::max(1.5, r / 5.0));
    pen.setCapStyle(Qt::RoundCap);
    // Ticks fade with their distance behind the bright one, which moves clockwise.
    for (int i = 0; i < kTicks; ++i) {
        const int age = (_phase - i + kTicks) % kTicks;
        QColor c = pen.color();
        c.setAlphaF(1.0f - 0.75f * float(age) / float(kTicks - 1));
        pen.setColor(c);
        p.setPen(pen);
        p.save();
        p.rotate(360.0 * i / kTicks);
        p.drawLine(QPointF(0, -r * 0.45), QPointF(0, -r * 0.85));
        p.restore();
    }
}
