// Preferences dialog: the controls write the settings at once and follow outside changes.
#include "preferences.h"
#include "preferencesdialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

class PreferencesDialogTest : public QObject {
    Q_OBJECT
    QTemporaryDir _dir;
  private slots:
    // Catches a box that does not write and announce its key, or writes back outside changes.
    void checkBoxes() {
        Preferences prefs(_dir.filePath("boxes.ini"));
        prefs.writeDefaults();
        PreferencesDialog d(&prefs);
        const QList<std::pair<const char *, QCheckBox *>> boxes = {
            {Preferences::kAA, d.aaBox()},
            {Preferences::kAxis, d.axisBox()},
            {Preferences::kBackground, d.backgroundBox()}};
        for (auto [key, box] : boxes) {
            const bool before = prefs.value(key).toBool();
            QCOMPARE(box->isChecked(), before);
            QSignalSpy spy(&prefs, &Preferences::changed);
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
            QCOMPARE(prefs.value(key).toBool(), !before);
            QCOMPARE(spy.count(), 1);
            QCOMPARE(spy.at(0).at(0).toString(), QString(key));
            prefs.setValue(key, before);
            QCOMPARE(box->isChecked(), before);
            QCOMPARE(spy.count(), 2);
        }
        QCOMPARE(d.colorButton()->isEnabled(), prefs.background());
    }

    // Catches a wrong delay or label at the automatic/manual boundary, or a slider that jumps.
    void delaySlider() {
        Preferences prefs(_dir.filePath("delay.ini"));
        prefs.setDelay(5.0f);
        PreferencesDialog d(&prefs);
        QCOMPARE(d.delaySlider()->value(), 50);
        // The last automatic position, then manual.
        for (auto [position, seconds, text] :
             {std::tuple(108, 10.8f, "10.8 s"), std::tuple(109, 11.0f, "manual")}) {
            d.delaySlider()->setValue(position);
            QCOMPARE(prefs.delay(), seconds);
            QCOMPARE(d.delaySlider()->value(), position);
            QCOMPARE(d.delayLabel()->text(), QString(text));
        }
        prefs.setDelay(3.5f); // changed elsewhere
        QCOMPARE(d.delaySlider()->value(), 35);
        QCOMPARE(d.delayLabel()->text(), QString("3.5 s"));
    }

    // The swatch follows the stored colour; the colour dialog opens on it and stores a choice.
    void colour() {
        Preferences prefs(_dir.filePath("colour.ini"));
        PreferencesDialog d(&prefs);
        prefs.setBackgroundColor(QColor(10, 200, 30));
        QVERIFY(d.colorButton()->styleSheet().contains("#0ac81e"));
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
};

QTEST_MAIN(PreferencesDialogTest)
#include "preferencesdialog_test.moc"
