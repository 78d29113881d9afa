// The scene view's widget wiring on Xvfb (also run with QT_SCALE_FACTOR=2).
#include "basicopenglview.h"
#include "preferences.h"
#include "red_pixels.h"

#include <QtTest>
#include <QtWidgets>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>

namespace {

// A tall red plant: the only red thing in a frame once the floor (with its red axis) is off.
const char *const kPlant = "recursion 2\nangle 30\nthickness 30\ncolor 2 255 0 0\n"
                           "axiom F\nrule F=F[+F]F[-F]F\n";

// Pixels at which pred holds.
int count(const QImage &image, const std::function<bool(int, int)> &pred) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += pred(x, y);
    return n;
}

} // namespace

class GLViewTest : public QObject {
    Q_OBJECT

    QTemporaryDir _dir;
    std::unique_ptr<Preferences> _prefs;
    std::unique_ptr<QWidget> _home;
    BasicOpenGLView *_view = nullptr;
    lsys_t *_gen = nullptr;
    const char *_text = kPlant; // the description the model is drawn from

    // As the controller on a new context: the model again unless its buffers are valid there.
    void contextCreated() {
        if (_view->modelLost()) record();
    }
    void record() {
        auto arrays = std::make_shared<model_arrays_t>();
        const emit_t sink = modelArraysEmit(arrays.get());
        lsys_job_t job = {_text, 1.0f, nullptr, &sink, nullptr, 1, 0};
        lsysFree(_gen);
        _gen = lsysBuild(&job, nullTrace);
        floor_t floor;
        modelFloor(_gen, &floor);
        _view->showModel(arrays, floor);
    }
    double ratio() const { return _view->devicePixelRatioF(); }
    void moveWith(Qt::MouseButtons buttons, QPoint p, Qt::KeyboardModifiers mods = {}) {
        QMouseEvent e(QEvent::MouseMove, QPointF(p), _view->mapToGlobal(QPointF(p)), Qt::NoButton,
                      buttons, mods);
        QApplication::sendEvent(_view, &e);
    }
    QPoint middle() const { return QPoint(_view->width() / 2, _view->height() / 2); }
    Qt::CursorShape cursor() const { return _view->cursor().shape(); }
    void setRotation(std::array<float, 4> r) {
        std::copy(r.begin(), r.end(), _view->scene().worldRotation);
    }

  private slots:
    void initTestCase() {
        QVERIFY(_dir.isValid());
        _prefs = std::make_unique<Preferences>(_dir.filePath("prefs.ini"));
        _prefs->setAxis(false);
        _home = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(_home.get());
        layout->setContentsMargins(0, 0, 0, 0);
        _view = new BasicOpenGLView(_prefs.get(), _home.get());
        layout->addWidget(_view);
        connect(_view, &KXGLView::contextCreated, this, &GLViewTest::contextCreated);
        _home->resize(400, 300);
        _home->show();
        QVERIFY(QTest::qWaitForWindowExposed(_home.get()));
        QTRY_VERIFY(_view->hasContext());
        if (!_gen) record();
    }

    void cleanupTestCase() {
        _home.reset();
        lsysFree(_gen);
    }

    void init() {
        _view->centerOnModel(_gen);
        QCOMPARE(_view->scene().camera.viewWidth, _view->width());
    }

    // Each button and modifier reaches its drag with its cursor; after the drag the crosshair,
    // and the arrow again for a plain move.
    void panAndDolly() {
        // From the default eye (0, 0, -10): x moves by pixels / 90, z by pixels / 300 of 10.
        const Qt::MouseButton L = Qt::LeftButton, R = Qt::RightButton, M = Qt::MiddleButton;
        const Qt::CursorShape hand = Qt::ClosedHandCursor, updown = Qt::SizeVerCursor;
        const struct {
            const char *what;
            Qt::MouseButton button;
            Qt::KeyboardModifiers mods;
            QPoint delta;
            Qt::CursorShape cursor;
            double x, z;
        } cases[] = {
            {"right pans", R, {}, {90, 0}, hand, 1, -10},
            {"left+Control pans", L, Qt::ControlModifier, {-45, 0}, hand, -0.5, -10},
            {"middle dollies", M, {}, {0, -30}, updown, 0, -9},
            {"left+Alt dollies", L, Qt::AltModifier, {0, 30}, updown, 0, -11},
            {"left rotates", L, {}, {60, 0}, Qt::CrossCursor, 0, -10},
        };
        for (const auto &c : cases) {
            _view->resetCamera(nullptr, 0.0f);
            QTest::mousePress(_view, c.button, c.mods, middle());
            moveWith(c.button, middle() + c.delta, c.mods);
            QVERIFY2(cursor() == c.cursor, c.what); // a drag does not touch the cursor
            QVERIFY2((_view->scene().trackRotation[0] > 10) == (c.cursor == Qt::CrossCursor),
                     c.what);
            QTest::mouseRelease(_view, c.button, c.mods, middle() + c.delta);
            QVERIFY2(cursor() == Qt::CrossCursor, c.what);
            const recCamera &cam = _view->scene().camera;
            QVERIFY2(qAbs(cam.viewPos.x - c.x) < 1e-5 && qAbs(cam.viewPos.z - c.z) < 1e-5, c.what);
        }
        moveWith(Qt::NoButton, middle());
        QCOMPARE(cursor(), Qt::ArrowCursor);
    }

    void wheelZooms() {
        const int before = redPixels(_view->grabFrame());
        const QPointF p(middle());
        QWheelEvent e(p, _view->mapToGlobal(p), QPoint(), QPoint(0, 120 * 20), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(_view, &e);
        // Twenty notches in one event make one step: 40 - 20 * 0.5 % * 40 = 36.
        QVERIFY(qAbs(_view->scene().camera.aperture - 36.0) < 1e-5);
        QVERIFY(redPixels(_view->grabFrame()) > before);
    }

    // The spin turns the model while on; off, it holds still and the view no longer wakes.
    void animationSpinsAndStops() {
        QSignalSpy spy(_view, &BasicOpenGLView::animatingChanged);
        _view->animate();
        QVERIFY(_view->isAnimating());
        QCOMPARE(spy.count(), 1);
        QTRY_VERIFY(_view->scene().objectRotation[0] > 1.0f);
        _view->animate();
        QVERIFY(!_view->isAnimating());
        QTest::qWait(50);
        const float held = _view->scene().objectRotation[0];
        struct TimerCount : QObject {
            int n = 0;
            bool eventFilter(QObject *, QEvent *e) override {
                return n += e->type() == QEvent::Timer, false;
            }
        } timers;
        qApp->installEventFilter(&timers);
        QTest::qWait(500);
        qApp->removeEventFilter(&timers);
        QCOMPARE(_view->scene().objectRotation[0], held);
        QVERIFY2(timers.n < 5, qPrintable(QString::number(timers.n))); // at 60 Hz: 30
    }

    // Keys 1, 3, 7 look along the axes whatever the rotation; a pick (Shift+click, or a click
    // in pick mode) on a vertical tube hits the face toward the eye, one beside it nothing.
    void axisViewsAndPicking() {
        _text = "thickness 30\naxiom F\n"; // up the z axis from 0 to 100, radius 15
        record();
        QSignalSpy hit(_view, &BasicOpenGLView::pointPicked);
        QSignalSpy nothing(_view, &BasicOpenGLView::pickedNothing);
        // The key and the near face's direction from the axis; the top view in pick mode.
        for (auto [key, dx, dy] : {std::tuple(Qt::Key_1, 0, 1), std::tuple(Qt::Key_3, 1, 0),
                                   std::tuple(Qt::Key_7, 0, 0)}) {
            const bool top = key == Qt::Key_7;
            const Qt::KeyboardModifier mod = top ? Qt::NoModifier : Qt::ShiftModifier;
            setRotation({50, 0, 1, 0});
            QTest::keyClick(_view, key);
            QCOMPARE(_view->scene().objectRotation[0], 0.0f);
            const QImage frame = _view->grabFrame();
            QPointF sum; // of the reddish pixels, lit or in shadow
            const int n = count(frame, [&](int x, int y) {
                const QRgb c = frame.pixel(x, y);
                return qRed(c) > qGreen(c) + 30 && (sum += QPointF(x, y), true);
            });
            QVERIFY(n > 20);
            _view->setPickMode(top);
            QTest::mouseClick(_view, Qt::LeftButton, mod, (sum / n / ratio()).toPoint());
            QCOMPARE(_view->scene().trackRotation[0], 0.0f); // a pick is not a drag
            QTest::mouseClick(_view, Qt::LeftButton, mod, QPoint(3, 3));
            _view->setPickMode(false);
            QVERIFY(hit.count() == 1 && nothing.count() == 1);
            nothing.clear();
            const QList<QVariant> p = hit.takeFirst();
            const double x = p[0].toDouble(), y = p[1].toDouble(), z = p[2].toDouble(),
                         across = x * dx + y * dy;
            const QString where = QString("%1: %2 %3 %4").arg(key).arg(x).arg(y).arg(z);
            QVERIFY2(top ? qAbs(z - 100) < 1.5 && qHypot(x, y) < 4
                         : across > 13.5 && across < 15.5 && qHypot(x, y) < 15.5 &&
                               qAbs(z - 50) < 5,
                     qPrintable(where));
        }
        _text = kPlant; // for the tests that follow
        record();
    }

    void backgroundPreferences() {
        _prefs->setBackground(true);
        _prefs->setBackgroundColor(QColor(0, 0, 255));
        // Sizes are view pixels: a screen of device pixel ratio 2 draws them twice as wide.
        const int k = int(ratio());
        QImage frame = _view->grabFrame();
        QCOMPARE(frame.size(), _view->size() * k);
        QVERIFY(redPixels(frame) > 500); // the plant
        for (int x : {0, k - 1, k + 1})  // the one-pixel frame, 0.6 grey, then the colour
            QCOMPARE(frame.pixel(x, 5 * k), x > k ? qRgb(0, 0, 255) : qRgb(153, 153, 153));
        _prefs->setBackground(false);
        frame = _view->grabFrame(); // the checkerboard: 0.9 grey top left, then 0.8 grey
        for (int x : {5, 19, 21, 39})
            QVERIFY2(qAbs(qRed(frame.pixel(x * k, 5 * k)) - (x < 20 ? 230 : 204)) <= 1,
                     qPrintable(QString::number(x)));
    }

    // What the X server shows of the view, not what a fresh render would give.
    QImage onScreen() {
        const QPoint at = _view->mapToGlobal(QPoint(0, 0));
        return _view->screen()
            ->grabWindow(0, at.x(), at.y(), _view->width(), _view->height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }

    void fullScreenLeftByAnyKey() {
        const QRect frameBefore = _view->geometry();
        QSignalSpy spy(_view, &KXGLView::fullScreenChanged);
        for (int round = 0; round < 3; ++round) {
            _view->toggleFullScreen();
            QVERIFY(_view->isFullScreen());
            QPointer<QWidget> fs = _view->window();
            QVERIFY(fs != _home.get() && (fs->windowState() & Qt::WindowFullScreen) &&
                    (fs->windowFlags() & Qt::FramelessWindowHint));
            QWidget *placeholder = _home->findChild<QWidget *>("KXGLViewPlaceholder");
            QVERIFY(placeholder && _home->layout()->indexOf(placeholder) == 0);
            QVERIFY(QTest::qWaitForWindowExposed(fs));
            QTRY_VERIFY(redPixels(onScreen()) > 500);
            // Two quick keys leave once for good; then a key to the window; then a close request.
            if (round == 0)
                QTest::keyClick(_view, Qt::Key_Space), QTest::keyClick(_view, Qt::Key_X);
            if (round == 1) QTest::keyClick(fs, Qt::Key_Escape);
            if (round == 2) fs->close();
            QTRY_VERIFY(!_view->isFullScreen());
            QVERIFY(_view->window() == _home.get() && _home->layout()->indexOf(_view) == 0);
            QVERIFY(!_home->findChild<QWidget *>("KXGLViewPlaceholder"));
            QTRY_VERIFY(fs.isNull());
            // Back home the view shows the model by itself, without input or a redraw request.
            QTRY_VERIFY_WITH_TIMEOUT(redPixels(onScreen()) > 500, 3000);
        }
        QCOMPARE(spy.count(), 6); // the second quick key did not enter again
        QTRY_COMPARE(_view->geometry(), frameBefore);
    }

    // Without a description printing captures the screen: not flipped, shifted or sheared.
    // (The window's tests print it to a PDF.)
    void printFallsBackToTheScreenPicture() {
        for (int width : {400, 401}) {
            _home->resize(width, 300);
            QTRY_COMPARE(_view->width(), width);
            setRotation({30, 0, 0, 1});
            const QImage screen = _view->grabFrame(), print = _view->printImage();
            QCOMPARE(print.size(), screen.size());
            QCOMPARE(print.pixel(0, 0), qRgb(255, 255, 255));      // no frame or checkerboard
            const QRect in = screen.rect().adjusted(1, 1, -1, -1); // less the screen's frame
            const QImage a = screen.copy(in), b = print.copy(in);
            const int r = redPixels(a), mismatched = count(a, [&](int x, int y) {
                                            return isRed(a.pixel(x, y)) != isRed(b.pixel(x, y));
                                        });
            QVERIFY(r > 500);
            QVERIFY2(mismatched < r / 20,
                     qPrintable(QString("%1: %2 of %3").arg(width).arg(mismatched).arg(r)));
        }
        _home->resize(400, 300);
        QVERIFY(redPixels(_view->grabFrame()) > 500); // the screen is drawn as before
    }

    // First-run values for missing or ill-typed keys; announced only on a change.
    void preferencesFallBackAndAnnounceChanges() {
        Preferences prefs(_dir.filePath("fresh.ini"));
        QSignalSpy spy(&prefs, &Preferences::changed);
        prefs.settings().setValue("axis", "true"); // as an INI file reads back
        prefs.setAxis(true);
        prefs.setAA(false); // the first-run value, but not stored yet: stored and announced
        prefs.setAA(false);
        prefs.settings().setValue("background", "sometimes");
        prefs.settings().setValue("backgroundColor", "not a colour");
        QCOMPARE(spy.count(), 1);
        QVERIFY(prefs.axis() && !prefs.aa() && !prefs.background());
        QCOMPARE(prefs.backgroundColor(), Preferences::defaultBackgroundColor());
    }
};

int main(int argc, char **argv) {
    // As the application does: the legacy GL format and one list space for all surfaces.
    QSurfaceFormat::setDefaultFormat(KXGLView::surfaceFormat(false));
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    GLViewTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "glview_test.moc"
