// Preferences dialog: the controls write the settings at once and follow outside changes.
#include "preferences.h"
#include "preferencesdialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

class PreferencesDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void checkBoxesWriteAndFollow_data();
    void checkBoxesWriteAndFollow();
    void delaySlider_data();
    void delaySlider();
    void colourFollowsAndIsStored();

  private:
    QTemporaryDir _dir;
};

static QCheckBox *box(PreferencesDialog &d, const QString &key) {
    if (key == Preferences::kAA) return d.aaBox();
    if (key == Preferences::kAxis) return d.axisBox();
    return d.backgroundBox();
}

static bool stored(Preferences &p, const QString &key) {
    if (key == Preferences::kAA) return p.aa();
    if (key == Preferences::kAxis) return p.axis();
    return p.background();
}

void PreferencesDialogTest::checkBoxesWriteAndFollow_data() {
    QTest::addColumn<QString>("key");
    for (const char *k : {Preferences::kAA, Preferences::kAxis, Preferences::kBackground})
        QTest::newRow(k) << QString(k);
}

// Clicking a box flips the stored value and announces the key once; a value written
// elsewhere moves the box without writing back.
void PreferencesDialogTest::checkBoxesWriteAndFollow() {
    QFETCH(QString, key);
    Preferences prefs(_dir.filePath(key + ".ini"));
    prefs.writeDefaults();
    PreferencesDialog d(&prefs);
    QCheckBox *b = box(d, key);
    const bool before = stored(prefs, key);
    QCOMPARE(b->isChecked(), before);

    QSignalSpy spy(&prefs, &Preferences::changed);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    QCOMPARE(stored(prefs, key), !before);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toString(), key);

    prefs.setValue(key, before);
    QCOMPARE(b->isChecked(), before);
    QCOMPARE(stored(prefs, key), before);
    QCOMPARE(spy.count(), 2);
    if (key == Preferences::kBackground) QCOMPARE(d.colorButton()->isEnabled(), before);
}

void PreferencesDialogTest::delaySlider_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<float>("seconds");
    QTest::addColumn<bool>("manual");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0 << 0.0f << false << "0.0 s";
    QTest::newRow("default") << 20 << 2.0f << false << "2.0 s";
    QTest::newRow("last automatic") << 108 << 10.8f << false << "10.8 s";
    QTest::newRow("first manual") << 109 << 11.0f << true << "manual";
    QTest::newRow("end") << 110 << 11.0f << true << "manual";
}

// Each slider position stores its delay; the positions that read "manual" are manual for the
// window too, and the slider stays where the user put it.
void PreferencesDialogTest::delaySlider() {
    QFETCH(int, position);
    QFETCH(float, seconds);
    QFETCH(bool, manual);
    QFETCH(QString, text);
    Preferences prefs(_dir.filePath("delay.ini"));
    prefs.setDelay(5.0f);
    PreferencesDialog d(&prefs);
    QCOMPARE(d.delaySlider()->value(), 50);
    d.delaySlider()->setValue(position);
    QCOMPARE(prefs.delay(), seconds);
    QCOMPARE(prefs.manualRefresh(), manual);
    QCOMPARE(d.delaySlider()->value(), position);
    QCOMPARE(d.delayLabel()->text(), text);

    prefs.setDelay(3.5f);
    QCOMPARE(d.delaySlider()->value(), 35);
    QCOMPARE(d.delayLabel()->text(), QString("3.5 s"));
}

void PreferencesDialogTest::colourFollowsAndIsStored() {
    Preferences prefs(_dir.filePath("colour.ini"));
    prefs.writeDefaults();
    PreferencesDialog d(&prefs);
    QVERIFY(!d.colorButton()->isEnabled()); // plain background is off by default
    prefs.setBackgroundColor(QColor(10, 200, 30));
    QVERIFY(d.colorButton()->styleSheet().contains("#0ac81e"));

    // The colour dialog opens on the stored colour; choosing another stores it.
    QTimer::singleShot(0, this, [] {
        auto *cd = qobject_cast<QColorDialog *>(QApplication::activeModalWidget());
        QVERIFY(cd);
        QCOMPARE(cd->currentColor(), QColor(10, 200, 30));
        cd->setCurrentColor(QColor(1, 2, 3));
        cd->accept();
    });
    d.chooseColor();
    QCOMPARE(prefs.backgroundColor(), QColor(1, 2, 3));
}

QTEST_MAIN(PreferencesDialogTest)
#include "preferencesdialog_test.moc"
