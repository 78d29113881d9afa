// Refresh button: spinner placement and painting (the toolbar's test checks the icons).
#include "refreshbutton.h"

#include <QtTest>

class RefreshButtonTest : public QObject {
    Q_OBJECT
  private slots:
    // The spinner is the square centred in the frame, as wide as the frame's shorter side.
    void spinnerFrame() {
        const QRectF rows[][2] = {{{7, 11, 30, 20}, {12, 11, 20, 20}},
                                  {{-3, 2, 24, 32}, {-3, 6, 24, 24}},
                                  {{0.25, 0, 21, 20}, {0.75, 0, 20, 20}}};
        for (const auto &r : rows)
            QCOMPARE(RefreshButton::spinnerFrame(r[0]), r[1]);
    }

    // Catches a spinner drawn when idle, outside the centred square or frozen; or a stuck image.
    void paintsSpinnerOnlyWhileAnimating() {
        RefreshButton b;
        b.resize(32, 20);
        b.setImageShown(false);
        b.show();
        QVERIFY(QTest::qWaitForWindowExposed(&b));
        const QImage idle = b.grab().toImage();
        b.startAnimation();
        const QImage spin1 = b.grab().toImage();
        QTest::qWait(200);
        QVERIFY(b.isAnimating() && b.grab().toImage() != spin1);
        b.stopAnimation();
        QVERIFY(!b.isAnimating());
        QCOMPARE(b.grab().toImage(), idle);
        int inside = 0;
        for (int y = 0; y < idle.height(); ++y)
            for (int x = 0; x < idle.width(); ++x) {
                const bool changed = spin1.pixel(x, y) != idle.pixel(x, y);
                QVERIFY2(!changed || (x >= 6 && x < 26), qPrintable(QString::number(x)));
                inside += changed;
            }
        QVERIFY(inside > 20);
        b.setImageShown(true);
        QVERIFY(b.imageShown() && b.grab().toImage() != idle);
    }
};

QTEST_MAIN(RefreshButtonTest)
#include "refreshbutton_test.moc"
