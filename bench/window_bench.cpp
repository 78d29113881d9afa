/* Edit-to-picture latency of the real window, run under Xvfb:
 *
 *     xvfb-run -a -s "-screen 0 1280x800x24" build/bench/sprig_window_bench [FILE.ls ...]
 *
 * For each description (by default examples/weed-2d.ls and a bush at the window's polygon
 * ceiling) the window loads it with the refresh delay at 0, then a space is typed at the end
 * of the text and taken back, again and again. Each edit is timed from the key to the first
 * frame the view draws afterwards and puts on screen (paintGL, then the window's buffer swap;
 * nothing but the new model asks the view for a frame meanwhile), and a 5 ms timer on the GUI
 * thread measures the longest time the thread was busy (the longest gap between two of its
 * ticks, less the interval) in the same span; and the same up to the start of the view's first
 * paint, which is the refresh's own share, without the frame (which llvmpipe rasterises before
 * the swap returns, as it does for every frame of the old picture); and the frame's time from
 * its paint to the swap.
 * Prints medians, and the longest busy time, of 9 edits per description.
 */
#include "appcontroller.h"
#include "basicopenglview.h"
#include "document.h"
#include "preferences.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QOpenGLWidget>
#include <QPlainTextEdit>
#include <QSurfaceFormat>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <stdio.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

// Three branches per level, 13 levels: far past the polygon ceiling of one million, which the
// window puts over the description's "poly_limit -1".
const char kBushAtCeiling[] = "poly_limit -1\nrecursion 13\nangle 25\nthickness 20\n"
                              "color 1 120 80 40\ncolor 2 60 160 60\naxiom c(1)A\n"
                              "rule A=F[c(2)&A]>(137)[c(2)&A]>(137)[c(2)&A]\n";
const int kEdits = 9;
const int kTickMs = 5;

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs the event loop until pred holds (or 60 s pass).
template <typename P> bool until(P pred) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > 60000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void measure(AppController &w, const QString &name, const QString &file) {
    w.document()->setFile(file, false);
    // The window swaps its buffers whenever any of its widgets repaints; a frame of the view is
    // a swap after the view's own surface painted.
    QOpenGLWidget *surface = w.view()->surface();
    QElapsedTimer clock;
    clock.start();
    int frames = 0;
    bool painted = false;
    qint64 paintStart = 0, frameTime = 0;
    struct PaintWatch : QObject {
        std::function<void()> onPaint;
        bool eventFilter(QObject *, QEvent *e) override {
            if (e->type() == QEvent::Paint) onPaint();
            return false;
        }
    } watch;
    qint64 lastTick = 0, longestGap = 0, gapBeforePaint = -1;
    watch.onPaint = [&] {
        painted = true;
        paintStart = clock.nsecsElapsed();
        if (gapBeforePaint < 0) gapBeforePaint = std::max(longestGap, paintStart - lastTick);
    };
    surface->installEventFilter(&watch);
    QObject::connect(surface, &QOpenGLWidget::frameSwapped, [&] {
        if (painted) {
            ++frames;
            frameTime = clock.nsecsElapsed() - paintStart;
        }
        painted = false;
    });
    // The loaded model on screen, and the window idle.
    until([&] { return frames > 0; });
    QTest::qWait(1500);

    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(kTickMs);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });
    ticker.start();

    std::vector<double> latency, busy, refresh, frame;
    QPlainTextEdit *editor = w.editor();
    for (int i = 0; i < kEdits; ++i) {
        editor->moveCursor(QTextCursor::End);
        const int before = frames;
        QTest::qWait(50);
        lastTick = clock.nsecsElapsed();
        longestGap = 0;
        gapBeforePaint = -1;
        const qint64 start = clock.nsecsElapsed();
        QTest::keyClick(editor, i % 2 ? Qt::Key_Backspace : Qt::Key_Space);
        if (!until([&] { return frames > before; })) {
            fprintf(stderr, "%s: no frame after the edit\n", qPrintable(name));
            return;
        }
        const qint64 end = clock.nsecsElapsed();
        longestGap = std::max(longestGap, end - lastTick);
        latency.push_back((end - start) * 1e-6);
        busy.push_back(std::max<qint64>(0, longestGap - kTickMs * 1000000LL) * 1e-6);
        refresh.push_back(std::max<qint64>(0, gapBeforePaint - kTickMs * 1000000LL) * 1e-6);
        frame.push_back(frameTime * 1e-6);
        QTest::qWait(800);
    }
    printf("%-20s edit to picture %6.1f ms; GUI thread busy %6.1f ms (longest %6.1f), before "
           "the frame %6.1f ms (longest %6.1f); frame %6.1f ms\n",
           qPrintable(name), median(latency), median(busy),
           *std::max_element(busy.begin(), busy.end()), median(refresh),
           *std::max_element(refresh.begin(), refresh.end()), median(frame));
    fflush(stdout);
}

} // namespace

int main(int argc, char **argv) {
    QSurfaceFormat::setDefaultFormat(KXGLView::surfaceFormat(false));
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Preferences prefs(dir.filePath("settings.ini"));
    prefs.writeDefaults();
    prefs.setValue(Preferences::kVersion, QCoreApplication::applicationVersion());
    prefs.setDelay(0.0f);
    prefs.setAxis(true);
    AppController w(&prefs);
    w.resize(1200, 760);
    w.show();
    if (!QTest::qWaitForWindowExposed(&w)) {
        fprintf(stderr, "sprig_window_bench: the window was never shown (run it under Xvfb)\n");
        return 1;
    }

    QStringList files = app.arguments().mid(1);
    if (files.isEmpty()) {
        files << SPRIG_EXAMPLES_DIR "/weed-2d.ls";
        const QString bush = dir.filePath("bush-at-ceiling.ls");
        QFile f(bush);
        if (f.open(QIODevice::WriteOnly)) f.write(kBushAtCeiling);
        files << bush;
    }
    for (const QString &file : files)
        measure(w, QFileInfo(file).fileName(), file);
    return 0;
}
