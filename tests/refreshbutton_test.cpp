// Refresh button: spinner placement and painting, and the icons the toolbar draws.
#include "refreshbutton.h"

#include <QtTest>

class RefreshButtonTest : public QObject {
    Q_OBJECT
  private slots:
    void spinnerFrame_data() {
        QTest::addColumn<QRectF>("frame");
        QTest::addColumn<QRectF>("spinner");
        QTest::newRow("wide") << QRectF(7, 11, 30, 20) << QRectF(12, 11, 20, 20);
        QTest::newRow("tall") << QRectF(-3, 2, 24, 32) << QRectF(-3, 6, 24, 24);
        QTest::newRow("odd halves") << QRectF(0.25, 0, 21, 20) << QRectF(0.75, 0, 20, 20);
    }
    void spinnerFrame() {
        QFETCH(QRectF, frame);
        QFETCH(QRectF, spinner);
        QCOMPARE(RefreshButton::spinnerFrame(frame), spinner);
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

    // Each icon loads through the SVG engine and draws something at toolbar size.
    void iconsRender() {
        for (const char *n :
             {"play", "fullscreen", "animate", "center", "donate", "print", "customize"}) {
            const QImage img = QIcon(QString(":/%1.svg").arg(n)).pixmap(24, 24).toImage();
            int opaque = 0;
            for (int i = 0; i < img.width() * img.height(); ++i)
                opaque += qAlpha(img.pixel(i % img.width(), i / img.width())) > 128;
            QVERIFY2(opaque > 24, n);
        }
    }
};

QTEST_MAIN(RefreshButtonTest)
#include "refreshbutton_test.moc"
