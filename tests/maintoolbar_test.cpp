// Toolbar: arrangement, the start-up version check, and the customisation round trip.
#include "maintoolbar.h"
#include "preferences.h"
#include "refreshbutton.h"
#include "toolbarcustomizer.h"

#include <QCheckBox>
#include <QListWidget>
#include <QMainWindow>
#include <QtTest>

namespace {
const QString A = "AnimateToolBarItem", C = "CenterToolBarItem", R = "RefreshToolBarItem",
              F = "FullScreenToolBarItem", D = "DonateToolBarItem", P = "PrintToolBarItem",
              FLEX = "FlexibleSpaceToolBarItem", SEP = "SeparatorToolBarItem",
              SP = "SpaceToolBarItem", CUST = "CustomizeToolBarItem";
using Launch = MainToolBar::Launch;

// A window with the toolbar and the items the application registers, read from `ini`.
struct Fixture {
    explicit Fixture(const QString &ini) : prefs(ini), bar(new MainToolBar(&prefs, &window)) {
        window.addToolBar(bar);
        for (const QString &id : {F, A, C, D})
            bar->registerItem(id, actions[id] = new QAction(id.chopped(11), &window));
        bar->registerWidget(R, new RefreshButton, "Refresh");
        bar->restoreState();
        window.show();
    }
    Preferences prefs;
    QMainWindow window;
    MainToolBar *bar;
    QHash<QString, QAction *> actions;
};
} // namespace

class MainToolBarTest : public QObject {
    Q_OBJECT
    QTemporaryDir _dir;
    QString ini(const QString &name) { return _dir.filePath(name + ".ini"); }

  private slots:
    // Catches unknown or second single items shown, or repeated spaces and separators lost.
    void arrangement_data() {
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("default") << MainToolBar::defaultItems() << MainToolBar::defaultItems();
        QTest::newRow("filtered") << QStringList{"Nope", A, "", R, A} << QStringList{A, R};
        QTest::newRow("repeats") << QStringList{SEP, FLEX, SEP, SP, SP}
                                 << QStringList{SEP, FLEX, SEP, SP, SP};
    }
    void arrangement() {
        QFETCH(QStringList, ids);
        QFETCH(QStringList, shown);
        Fixture f(ini("arrangement"));
        f.bar->setArrangement({D, F, SEP});
        f.bar->setArrangement(ids);
        QCOMPARE(f.bar->arrangement(), shown);
        const QList<QAction *> acts = f.bar->actions();
        QCOMPARE(acts.size(), shown.size());
        for (int i = 0; i < shown.size(); ++i) {
            if (f.actions.contains(shown[i])) QCOMPARE(acts[i], f.actions[shown[i]]);
            QCOMPARE(acts[i]->isSeparator(), shown[i] == SEP);
            if (shown[i] == R)
                QCOMPARE(f.bar->widgetForAction(acts[i])->findChild<RefreshButton *>(),
                         f.bar->findChild<RefreshButton *>());
        }
    }

    void versionCheck_data() {
        QTest::addColumn<QString>("stored"); // "" = none
        QTest::addColumn<QStringList>("saved");
        QTest::addColumn<Launch>("launch");
        QTest::addColumn<QStringList>("expected");
        const QStringList mine{C, D, SEP, A};
        QTest::newRow("first run") << "" << QStringList() << Launch::FirstRun
                                   << QStringList{D} + MainToolBar::defaultItems();
        QTest::newRow("same") << "1.2" << mine << Launch::SameVersion << mine;
        QTest::newRow("new moves donate")
            << "1.1" << mine << Launch::NewVersion << QStringList{D, C, SEP, A};
        QTest::newRow("new restores donate")
            << "0.9" << QStringList{A} << Launch::NewVersion << QStringList{D, A};
    }
    // The saved toolbar is hidden. What the check decides is also what the next start finds.
    void versionCheck() {
        QFETCH(QString, stored);
        QFETCH(QStringList, saved);
        QFETCH(Launch, launch);
        QFETCH(QStringList, expected);
        const QString path = ini(QTest::currentDataTag());
        {
            QSettings s(path, QSettings::IniFormat);
            if (!stored.isEmpty()) s.setValue("version", stored);
            if (!saved.isEmpty()) s.setValue("maintoolbar/items", saved.join(','));
            s.setValue("maintoolbar/visible", false);
        }
        Fixture f(path);
        const QStringList keys = f.prefs.settings().allKeys();
        const bool first = launch == Launch::FirstRun;
        if (first) QTest::ignoreMessage(QtInfoMsg, "First run - configuring preferences");
        QCOMPARE(f.bar->checkVersion("1.2"), launch);
        QCOMPARE(f.prefs.value("version").toString(), QString("1.2"));
        QCOMPARE(f.prefs.value("aa").isValid(), first); // defaults only on a first run
        if (launch == Launch::SameVersion) QCOMPARE(f.prefs.settings().allKeys(), keys);
        Fixture again(path);
        for (MainToolBar *bar : {f.bar, again.bar}) {
            QCOMPARE(bar->arrangement(), expected);
            QCOMPARE(bar->isHidden(), launch == Launch::SameVersion);
            QCOMPARE(bar->iconsOnly(), first);
        }
    }

    // Catches a customisation, hiding or emptying that the next toolbar on the file loses.
    void customizeRoundTrip() {
        const QString path = ini("roundtrip");
        Fixture f(path);
        f.bar->setArrangement({CUST});
        f.bar->actions().at(0)->trigger();
        auto *dlg = f.window.findChild<ToolbarCustomizer *>();
        QVERIFY(dlg && dlg->isVisible());
        dlg->restoreDefaults();
        // Out-of-range rows (-1: no selection), unknown and second single items change nothing.
        for (int row : {-1, 6})
            dlg->removeAt(row);
        for (int row : {-1, 0, 5, 6})
            dlg->moveBy(row, row == 0 ? -1 : 1);
        for (const QString &id : {QString("Nope"), A})
            dlg->addItem(id);
        QCOMPARE(dlg->arrangement(), MainToolBar::defaultItems());
        dlg->removeAt(0);
        dlg->toolbarList()->setCurrentRow(0);
        dlg->addItem(D);
        dlg->addItem(SEP);
        dlg->addItem(SEP);
        dlg->moveBy(dlg->arrangement().size() - 1, -1);
        dlg->findChild<QCheckBox *>()->setChecked(true);
        dlg->accept();
        const QStringList want{C, D, SEP, SEP, R, FLEX, P, F};
        QCOMPARE(f.bar->arrangement(), want);
        dlg = f.bar->customize();
        dlg->removeAt(0);
        dlg->reject();
        f.bar->toggleViewAction()->trigger();

        Fixture again(path);
        QAction own("Print here");
        again.bar->registerItem(P, &own);
        QCOMPARE(again.bar->arrangement(), want);
        QCOMPARE(again.bar->actions().value(6), &own);
        QVERIFY(again.bar->iconsOnly() && again.bar->isHidden());
        again.bar->setArrangement({});
        again.bar->saveState();
        QCOMPARE(Fixture(path).bar->arrangement(), QStringList());
    }
};

QTEST_MAIN(MainToolBarTest)
#include "maintoolbar_test.moc"
