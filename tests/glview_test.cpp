/* The scene view's widgets on a real X server (Xvfb): mouse, wheel and key events driven with
 * QTest change the camera, the rotations and the cursor; the spin animation runs and pauses
 * during a drag; anti-aliasing is switched both ways with the model still drawn; full screen
 * is entered and left by a key; printing yields the model on white and a PDF; the display
 * preferences read, store and announce their values. */
#include "basicopenglview.h"
#include "model_gl.h"
#include "preferences.h"

#include <QApplication>
#include <QFileInfo>
#include <QLayout>
#include <QPrinter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QtTest>

#include <GL/gl.h>
#include <memory>

namespace {

/* A tall red plant: the only red thing in a frame once the floor (with its red axis) is off. */
const char *const kPlant = "recursion 2\n"
                           "angle 30\n"
                           "thickness 30\n"
                           "color 2 255 0 0\n"
                           "axiom F\n"
                           "rule F=F[+F]F[-F]F\n";

bool isRed(QRgb p) {
    return qRed(p) > 2 * qGreen(p) + 40 && qRed(p) > 2 * qBlue(p) + 40;
}

int redPixels(const QImage &image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += isRed(image.pixel(x, y));
    return n;
}

int pixelsDiffering(const QImage &a, const QImage &b) {
    if (a.size() != b.size()) return a.width() * a.height();
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) ++n;
    return n;
}

} // namespace

class GLViewTest : public QObject {
    Q_OBJECT

    QTemporaryDir _dir;
    std::unique_ptr<Preferences> _prefs;
    std::unique_ptr<QWidget> _home;
    BasicOpenGLView *_view = nullptr;
    model_gl_t _model{nullptr, 0};
    int _recordings = 0;

    /* What the application's controller does on a new context: record the model again
     * unless its list is still valid there. */
    void contextCreated() {
        _view->makeCurrent();
        if (_model.list == 0 || !glIsList(_model.list)) record();
    }
    void record() {
        _view->makeCurrent();
        modelRefresh(&_model, kPlant, 1.0f, nullTrace);
        ++_recordings;
    }
    void center() {
        float c[3], r;
        modelCenter(_model.gen, c, &r);
        _view->resetCamera(c, r);
    }
    /* The controller's reaction to a change of "aa". */
    void switchAA(bool aa) {
        _view->makeCurrent();
        modelDropList(&_model);
        _view->setAA(aa);
        _view->updateProjection();
    }
    void moveWith(Qt::MouseButtons buttons, QPoint p, Qt::KeyboardModifiers mods = {}) {
        QMouseEvent e(QEvent::MouseMove, QPointF(p), _view->mapToGlobal(QPointF(p)), Qt::NoButton,
                      buttons, mods);
        QApplication::sendEvent(_view, &e);
    }
    QPoint middle() const { return QPoint(_view->width() / 2, _view->height() / 2); }

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
        _view->setDrawCallbacks(modelDrawCallback, modelFloorCallback, &_model);
        connect(_view, &KXGLView::contextCreated, this, &GLViewTest::contextCreated);
        _home->resize(400, 300);
        _home->show();
        QVERIFY(QTest::qWaitForWindowExposed(_home.get()));
        QTRY_VERIFY(_view->hasContext());
        if (!_model.gen) record();
        center();
    }

    void cleanupTestCase() {
        _view->makeCurrent();
        modelRelease(&_model);
        _home.reset();
    }

    void init() {
        center();
        QCOMPARE(_view->scene().camera.viewWidth, _view->width());
    }

    void drawsTheModel() {
        const QImage frame = _view->grabFrame();
        QCOMPARE(frame.size(), _view->size());
        QVERIFY2(redPixels(frame) > 500, qPrintable(QString::number(redPixels(frame))));
    }

    void rotateWithLeftDrag() {
        const QImage before = _view->grabFrame();
        QTest::mousePress(_view, Qt::LeftButton, {}, middle());
        QCOMPARE(_view->cursor().shape(), Qt::CrossCursor);
        moveWith(Qt::LeftButton, middle() + QPoint(60, 0));
        const float live = _view->scene().trackRotation[0];
        QVERIFY(live > 10.0f);
        QCOMPARE(_view->scene().worldRotation[0], 0.0f);
        QTest::mouseRelease(_view, Qt::LeftButton, {}, middle() + QPoint(60, 0));
        QCOMPARE(_view->cursor().shape(), Qt::CrossCursor);
        QCOMPARE(_view->scene().trackRotation[0], 0.0f);
        QVERIFY(qAbs(_view->scene().worldRotation[0] - live) < 1e-3f);
        QVERIFY(pixelsDiffering(before, _view->grabFrame()) > 200);
        // A plain move afterwards shows the arrow again.
        moveWith(Qt::NoButton, middle());
        QCOMPARE(_view->cursor().shape(), Qt::ArrowCursor);
    }

    void panAndDolly_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QPoint>("delta");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("z");
        QTest::newRow("right pans") << int(Qt::RightButton) << 0 << QPoint(90, 0)
                                    << int(Qt::ClosedHandCursor) << 1.0 << 0.0;
        QTest::newRow("left+Control pans")
            << int(Qt::LeftButton) << int(Qt::ControlModifier) << QPoint(-45, 0)
            << int(Qt::ClosedHandCursor) << -0.5 << 0.0;
        QTest::newRow("middle dollies")
            << int(Qt::MiddleButton) << 0 << QPoint(0, -30) << int(Qt::SizeVerCursor) << 0.0 << 0.1;
        QTest::newRow("left+Alt dollies") << int(Qt::LeftButton) << int(Qt::AltModifier)
                                          << QPoint(0, 30) << int(Qt::SizeVerCursor) << 0.0 << -0.1;
    }

    void panAndDolly() {
        QFETCH(int, button);
        QFETCH(int, modifiers);
        QFETCH(QPoint, delta);
        QFETCH(int, cursor);
        QFETCH(double, x);
        QFETCH(double, z);
        // From the default eye (0, 0, -10): x moves by pixels / 90, z by pixels / 300 of 10.
        _view->resetCamera(nullptr, 0.0f);
        const auto b = Qt::MouseButton(button);
        const auto m = Qt::KeyboardModifiers(modifiers);
        QTest::mousePress(_view, b, m, middle());
        QCOMPARE(int(_view->cursor().shape()), cursor);
        moveWith(b, middle() + delta, m);
        QCOMPARE(int(_view->cursor().shape()), cursor); // a drag does not touch the cursor
        QTest::mouseRelease(_view, b, m, middle() + delta);
        QCOMPARE(_view->cursor().shape(), Qt::CrossCursor);
        const recCamera &cam = _view->scene().camera;
        QVERIFY2(qAbs(cam.viewPos.x - x) < 1e-5, qPrintable(QString::number(cam.viewPos.x)));
        QVERIFY(qAbs(cam.viewPos.z - (-10.0 + 10.0 * z)) < 1e-5);
        QCOMPARE(cam.viewDir.z, 10.0);
    }

    void wheelZooms() {
        const int before = redPixels(_view->grabFrame());
        const QPointF p(middle());
        QWheelEvent in(p, _view->mapToGlobal(p), QPoint(), QPoint(0, 120 * 20), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(_view, &in);
        // Twenty notches in one event make one step: 40 - 20 * 0.5 % * 40 = 36.
        QVERIFY(qAbs(_view->scene().camera.aperture - 36.0) < 1e-5);
        QVERIFY(redPixels(_view->grabFrame()) > before);

        QWheelEvent none(p, _view->mapToGlobal(p), QPoint(), QPoint(120, -120), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&*_view, &none);
        QVERIFY(qAbs(_view->scene().camera.aperture - 36.0) < 1e-5);
    }

    void animationSpinsAndPausesDuringDrag() {
        QSignalSpy spy(_view, &BasicOpenGLView::animatingChanged);
        _view->animate();
        QVERIFY(_view->isAnimating());
        QCOMPARE(spy.count(), 1);
        QTRY_VERIFY(_view->scene().objectRotation[0] > 1.0f);

        // While the left button rotates the model, the spin holds still.
        QTest::mousePress(_view, Qt::LeftButton, {}, middle());
        QTest::qWait(50);
        const float held = _view->scene().objectRotation[0];
        QTest::qWait(200);
        QCOMPARE(_view->scene().objectRotation[0], held);
        QTest::mouseRelease(_view, Qt::LeftButton, {}, middle());
        QTRY_VERIFY(_view->scene().objectRotation[0] != held);

        _view->animate();
        QVERIFY(!_view->isAnimating());
        QTest::qWait(50);
        const float stopped = _view->scene().objectRotation[0];
        QTest::qWait(200);
        QCOMPARE(_view->scene().objectRotation[0], stopped);
    }

    void selectForwardsOnlyATrackedPoint() {
        int calls = 0;
        float got[3] = {0, 0, 0};
        _view->setSelectHandler([&](const float *p) {
            ++calls;
            for (int i = 0; i < 3; ++i)
                got[i] = p[i];
        });
        QTest::mouseClick(_view, Qt::LeftButton, {}, middle());
        QCOMPARE(calls, 0);
        const double p[3] = {1.5, -2.0, 300.25};
        _view->setTrackPoint(p);
        QTest::mouseClick(_view, Qt::LeftButton, {}, middle());
        QCOMPARE(calls, 1);
        QCOMPARE(got[2], 300.25f);
        _view->clearTrackPoint();
        _view->setSelectHandler(nullptr);
    }

    void backgroundPreferences() {
        _prefs->setBackground(true);
        _prefs->setBackgroundColor(QColor(0, 0, 255));
        QImage frame = _view->grabFrame();
        QCOMPARE(frame.pixel(5, 5), qRgb(0, 0, 255));
        QCOMPARE(frame.pixel(0, 0), qRgb(153, 153, 153)); // the one-pixel frame, 0.6 grey
        _prefs->setBackground(false);
        frame = _view->grabFrame();
        // The checkerboard: 0.9 grey top left, 0.8 grey in the next square.
        QVERIFY(qAbs(qRed(frame.pixel(5, 5)) - 230) <= 1);
        QVERIFY(qAbs(qRed(frame.pixel(25, 5)) - 204) <= 1);
    }

    void antiAliasingOnAndOff() {
        const int recordings = _recordings;
        switchAA(true);
        QVERIFY(_view->aa());
        QTRY_VERIFY(_view->hasContext());
        QImage frame = _view->grabFrame();
        QVERIFY2(_view->samples() > 1, qPrintable(QString::number(_view->samples())));
        QVERIFY(_recordings > recordings); // the dropped list was recorded in the new context
        QVERIFY2(redPixels(frame) > 500, qPrintable(QString::number(redPixels(frame))));

        switchAA(false);
        QVERIFY(!_view->aa());
        frame = _view->grabFrame();
        QCOMPARE(_view->samples(), 0);
        QVERIFY(redPixels(frame) > 500);
        // Mouse handling survives the new surface.
        QTest::mousePress(_view, Qt::RightButton, {}, middle());
        QCOMPARE(_view->cursor().shape(), Qt::ClosedHandCursor);
        QTest::mouseRelease(_view, Qt::RightButton, {}, middle());
    }

    void fullScreenLeftByAnyKey() {
        const QRect frameBefore = _view->geometry();
        QSignalSpy spy(_view, &KXGLView::fullScreenChanged);
        for (int round = 0; round < 3; ++round) {
            _view->toggleFullScreen();
            QVERIFY(_view->isFullScreen());
            QPointer<QWidget> fs = _view->window();
            QVERIFY(fs != _home.get());
            QVERIFY(fs->windowState() & Qt::WindowFullScreen);
            QVERIFY(fs->windowFlags() & Qt::FramelessWindowHint);
            QWidget *placeholder = _home->findChild<QWidget *>("KXGLViewPlaceholder");
            QVERIFY(placeholder);
            QCOMPARE(_home->layout()->indexOf(placeholder), 0);
            QVERIFY(QTest::qWaitForWindowExposed(fs));
            QTRY_VERIFY(redPixels(_view->grabFrame()) > 500);

            // A key reaching the view, one reaching the window, and a close request.
            // Two keys in quick succession leave once and do not come back.
            if (round == 0) {
                QTest::keyClick(_view, Qt::Key_Space);
                QTest::keyClick(_view, Qt::Key_X);
            } else if (round == 1) {
                QTest::keyClick(fs, Qt::Key_Escape);
            } else {
                fs->close(); // as a window manager would: the view comes home all the same
            }
            QTRY_VERIFY(!_view->isFullScreen());
            QCOMPARE(_view->window(), _home.get());
            QCOMPARE(_home->layout()->indexOf(_view), 0);
            QVERIFY(!_home->findChild<QWidget *>("KXGLViewPlaceholder"));
            QTRY_VERIFY(fs.isNull());
        }
        QTest::qWait(50);
        QVERIFY(!_view->isFullScreen());
        QCOMPARE(spy.count(), 6);
        QTRY_COMPARE(_view->geometry(), frameBefore);
        QVERIFY(redPixels(_view->grabFrame()) > 500);
    }

    void printShowsTheModelOnWhite() {
        const QImage image = _view->printImage();
        QCOMPARE(image.size(), _view->size());
        QVERIFY(redPixels(image) > 500);
        int white = 0, checker = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                if (p == qRgb(255, 255, 255)) ++white;
                if (qRed(p) == 204 && qGreen(p) == 204 && qBlue(p) == 204) ++checker;
            }
        QVERIFY(white > image.width() * image.height() / 2);
        QCOMPARE(checker, 0);
        QCOMPARE(image.pixel(0, 0), qRgb(255, 255, 255)); // no frame overlay either

        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = _dir.filePath("scene.pdf");
        printer.setOutputFileName(pdf);
        QVERIFY(_view->print(&printer));
        QVERIFY(QFileInfo(pdf).size() > 2000);
        // The screen is drawn as before.
        QVERIFY(redPixels(_view->grabFrame()) > 500);
    }

    void printImageMatchesTheScreen_data() {
        QTest::addColumn<int>("width");
        QTest::newRow("400 wide") << 400;
        QTest::newRow("401 wide, rows padded") << 401;
        QTest::newRow("397 wide") << 397;
    }

    void printImageMatchesTheScreen() {
        // The print picture is the screen's model under the same camera: the red pixels sit
        // in the same places (no flipped, shifted or sheared rows).
        QFETCH(int, width);
        _home->resize(width, 300);
        QTRY_COMPARE(_view->width(), width);
        // Tilted on screen, so that a picture upside down or mirrored would not match.
        const float tilt[4] = {30.0f, 0.0f, 0.0f, 1.0f};
        for (int i = 0; i < 4; ++i)
            _view->scene().worldRotation[i] = tilt[i];
        const QImage screen = _view->grabFrame();
        const QImage print = _view->printImage();
        QCOMPARE(print.size(), screen.size());
        int red = 0, mismatched = 0;
        for (int y = 1; y < screen.height() - 1; ++y)
            for (int x = 1; x < screen.width() - 1; ++x) {
                const bool a = isRed(screen.pixel(x, y));
                const bool b = isRed(print.pixel(x, y));
                red += a;
                mismatched += a != b;
            }
        QVERIFY(red > 500);
        QVERIFY2(mismatched < red / 20, qPrintable(QString("%1 of %2").arg(mismatched).arg(red)));
        _home->resize(400, 300);
    }

    void templateDrawsWithoutProblems() {
        // The description every new document starts from parses and draws without a
        // message other than the statistics, and draws something.
        QFile f(SPRIG_RESOURCES_DIR "/untitled.ls");
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        traceClear();
        lsys_t *l = lsysInit();
        lsysParse(l, traceHook, text.constData());
        srand(0);
        lsysDraw(l, traceHook);
        QStringList problems;
        for (int i = 0; i < qMin<int>(traceCount, TRACE_STORE); ++i)
            if (trace[i].code != CODE_INFO) problems << trace[i].text;
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("; ")));
        QVERIFY(l->polygon_count > 1000);
        lsysFree(l);
        traceClear();
    }

    void preferencesStoreAndAnnounce() {
        Preferences prefs(_dir.filePath("fresh.ini"));
        // A first run reads the first-run values.
        QCOMPARE(prefs.aa(), false);
        QCOMPARE(prefs.axis(), true);
        QCOMPARE(prefs.background(), false);
        QCOMPARE(prefs.backgroundColor(), Preferences::defaultBackgroundColor());
        QSignalSpy spy(&prefs, &Preferences::changed);
        prefs.setAA(true);
        prefs.setAA(true);                         // unchanged: no second signal
        prefs.settings().setValue("axis", "true"); // as an INI file reads back
        prefs.setAxis(true);                       // the same value: no signal
        prefs.setBackgroundColor(QColor(10, 20, 30));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toString(), QString("aa"));
        QCOMPARE(spy.at(1).at(0).toString(), QString("backgroundColor"));
        prefs.settings().sync();
        // Another reader of the same file sees the stored values.
        Preferences again(_dir.filePath("fresh.ini"));
        QCOMPARE(again.aa(), true);
        QCOMPARE(again.backgroundColor(), QColor(10, 20, 30));
        QCOMPARE(again.clearColor(), Preferences::defaultBackgroundColor()); // background off
        // Values of the wrong kind fall back to the first-run values.
        again.settings().setValue("axis", "sometimes");
        again.settings().setValue("backgroundColor", "not a colour");
        QCOMPARE(again.axis(), true);
        QCOMPARE(again.backgroundColor(), Preferences::defaultBackgroundColor());
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
