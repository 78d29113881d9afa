// Refresh button: spinner placement, painting while spinning, and the icons it and the
// toolbar draw.
#include "refreshbutton.h"

#include <QIcon>
#include <QImage>
#include <QtTest>

class RefreshButtonTest : public QObject {
    Q_OBJECT
  private slots:
    void spinnerFrame_data();
    void spinnerFrame();
    void paintsSpinnerOnlyWhileAnimating();
    void iconsRender_data();
    void iconsRender();
};

void RefreshButtonTest::spinnerFrame_data() {
    QTest::addColumn<QRectF>("frame");
    QTest::addColumn<QRectF>("spinner");
    QTest::newRow("wide") << QRectF(7, 11, 30, 20) << QRectF(12, 11, 20, 20);
    QTest::newRow("tall") << QRectF(-3, 2, 24, 32) << QRectF(-3, 6, 24, 24);
    QTest::newRow("odd halves") << QRectF(0.25, 0, 21, 20) << QRectF(0.75, 0, 20, 20);
    QTest::newRow("square") << QRectF(1, 1, 32, 32) << QRectF(1, 1, 32, 32);
}

void RefreshButtonTest::spinnerFrame() {
    QFETCH(QRectF, frame);
    QFETCH(QRectF, spinner);
    QCOMPARE(RefreshButton::spinnerFrame(frame), spinner);
}

// Grabs of a 32 x 20 button: the spinner appears only while animating, only inside the
// centred 20 x 20 square, and it turns between frames; the play image follows setImageShown.
void RefreshButtonTest::paintsSpinnerOnlyWhileAnimating() {
    RefreshButton b;
    b.resize(32, 20);
    b.setImageShown(false);
    QVERIFY(b.icon().isNull());
    b.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b));
    const QImage idle = b.grab().toImage();

    b.startAnimation();
    QVERIFY(b.isAnimating());
    const QImage spin1 = b.grab().toImage();
    QTest::qWait(200);
    const QImage spin2 = b.grab().toImage();
    b.stopAnimation();
    QVERIFY(!b.isAnimating());
    QCOMPARE(b.grab().toImage(), idle);

    int changedInside = 0;
    for (int y = 0; y < idle.height(); ++y)
        for (int x = 0; x < idle.width(); ++x) {
            const bool changed = spin1.pixel(x, y) != idle.pixel(x, y);
            const bool inside = x >= 6 && x < 26;
            QVERIFY2(inside || !changed, qPrintable(QString("pixel %1,%2").arg(x).arg(y)));
            changedInside += changed;
        }
    QVERIFY(changedInside > 20);
    QVERIFY(spin1 != spin2);

    b.setImageShown(true);
    QVERIFY(b.imageShown() && !b.icon().isNull());
    QVERIFY(b.grab().toImage() != idle);
}

void RefreshButtonTest::iconsRender_data() {
    QTest::addColumn<QString>("name");
    for (const char *n : {"play", "fullscreen", "animate", "center", "donate"})
        QTest::newRow(n) << QString(":/%1.svg").arg(n);
}

// Each icon loads through the SVG engine and draws something at toolbar size.
void RefreshButtonTest::iconsRender() {
    QFETCH(QString, name);
    const QImage img = QIcon(name).pixmap(24, 24).toImage();
    QVERIFY2(!img.isNull(), qPrintable(name));
    int opaque = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            opaque += qAlpha(img.pixel(x, y)) > 128;
    QVERIFY2(opaque > 24, qPrintable(name));
}

QTEST_MAIN(RefreshButtonTest)
#include "refreshbutton_test.moc"
