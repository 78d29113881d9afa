// Toolbar: arrangement, the start-up version check, and the customisation round trip through
// the settings file.
#include "maintoolbar.h"
#include "preferences.h"
#include "refreshbutton.h"
#include "toolbarcustomizer.h"

#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QMainWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
const QString A = "AnimateToolBarItem", C = "CenterToolBarItem", R = "RefreshToolBarItem",
              F = "FullScreenToolBarItem", D = MainToolBar::kDonate, P = MainToolBar::kPrint,
              FLEX = MainToolBar::kFlexibleSpace, SEP = MainToolBar::kSeparator,
              SP = MainToolBar::kSpace, CUST = MainToolBar::kCustomize;

// A window with the toolbar and the items the application registers.
struct Fixture {
    explicit Fixture(const QString &ini) : prefs(ini) {
        bar = new MainToolBar(&prefs, &window);
        window.addToolBar(bar);
        for (const QString &id : {F, A, C, D}) {
            auto *a = new QAction(id.left(id.indexOf("ToolBarItem")), &window);
            bar->registerItem(id, a);
            actions[id] = a;
        }
        bar->registerWidget(R, new RefreshButton, "Refresh");
    }
    Preferences prefs;
    QMainWindow window;
    MainToolBar *bar;
    QHash<QString, QAction *> actions;
};
} // namespace

class MainToolBarTest : public QObject {
    Q_OBJECT
  private slots:
    void registration();
    void arrangement_data();
    void arrangement();
    void versionCheck_data();
    void versionCheck();
    void customizeRoundTrip();
    void customizerEdits_data();
    void customizerEdits();

  private:
    QString ini(const char *name) { return _dir.filePath(QString(name) + ".ini"); }
    QTemporaryDir _dir;
};

void MainToolBarTest::registration() {
    Fixture f(ini("registration"));
    QCOMPARE(f.bar->objectName(), QString("maintoolbar"));
    QCOMPARE(f.bar->count(), 10);
    QCOMPARE(f.bar->allowedItems().size(), 10);
    for (const QString &id : {A, C, R, F, D, P, FLEX, SEP, SP, CUST})
        QVERIFY2(f.bar->allowedItems().contains(id), qPrintable(id));
    QCOMPARE(f.bar->label(R), QString("Refresh"));
    QCOMPARE(f.bar->label(A), QString("Animate"));

    // The window's own print action takes the place of the toolbar's, where it is shown.
    f.bar->setArrangement({A, P});
    QAction own("Print here");
    f.bar->registerItem(P, &own);
    QCOMPARE(f.bar->count(), 10);
    QCOMPARE(f.bar->printAction(), &own);
    QCOMPARE(f.bar->actions().value(1), &own);
    QCOMPARE(f.bar->actions().size(), 2);

    // The toolbar's Customize item opens the dialog.
    f.bar->setArrangement({CUST});
    f.bar->actions().at(0)->trigger();
    QVERIFY(f.window.findChild<ToolbarCustomizer *>());
}

void MainToolBarTest::arrangement_data() {
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("default") << MainToolBar::defaultItems() << MainToolBar::defaultItems();
    QTest::newRow("unknown dropped") << QStringList{"Nope", A, "", C} << QStringList{A, C};
    QTest::newRow("single items once") << QStringList{A, R, A, R} << QStringList{A, R};
    QTest::newRow("spaces repeat")
        << QStringList{SEP, FLEX, SEP, SP, SP, FLEX} << QStringList{SEP, FLEX, SEP, SP, SP, FLEX};
    QTest::newRow("empty") << QStringList{} << QStringList{};
}

// What is shown matches the identifiers, and the widgets in the toolbar are the registered
// items in that order.
void MainToolBarTest::arrangement() {
    QFETCH(QStringList, ids);
    QFETCH(QStringList, shown);
    Fixture f(ini("arrangement"));
    f.bar->setArrangement({D, F, SEP}); // replaced entirely below
    f.bar->setArrangement(ids);
    QCOMPARE(f.bar->arrangement(), shown);
    const QList<QAction *> acts = f.bar->actions();
    QCOMPARE(acts.size(), shown.size());
    for (int i = 0; i < shown.size(); ++i) {
        if (f.actions.contains(shown[i])) QCOMPARE(acts[i], f.actions[shown[i]]);
        if (shown[i] == SEP) QVERIFY(acts[i]->isSeparator());
    }
    if (shown.contains(R)) {
        auto *button = f.bar->findChild<RefreshButton *>();
        QVERIFY(button && f.bar->widgetForAction(acts[shown.indexOf(R)]) == button);
    }
}

void MainToolBarTest::versionCheck_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QStringList>("saved");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<int>("launch");
    QTest::addColumn<QStringList>("expected");

    const QStringList mine{C, D, SEP, A};
    QTest::newRow("first run") << QVariant() << QStringList() << false
                               << int(MainToolBar::Launch::FirstRun)
                               << (QStringList{D} + MainToolBar::defaultItems());
    QTest::newRow("same version") << QVariant("1.2") << mine << true
                                  << int(MainToolBar::Launch::SameVersion) << mine;
    QTest::newRow("new version moves donate")
        << QVariant("1.1") << mine << true << int(MainToolBar::Launch::NewVersion)
        << QStringList{D, C, SEP, A};
    QTest::newRow("new version restores removed donate")
        << QVariant("0.9") << QStringList{A} << true << int(MainToolBar::Launch::NewVersion)
        << QStringList{D, A};
}

void MainToolBarTest::versionCheck() {
    QFETCH(QVariant, stored);
    QFETCH(QStringList, saved);
    QFETCH(bool, hidden);
    QFETCH(int, launch);
    QFETCH(QStringList, expected);
    const QString path = ini(QTest::currentDataTag());
    {
        QSettings s(path, QSettings::IniFormat);
        s.clear();
        if (stored.isValid()) s.setValue("version", stored);
        if (!saved.isEmpty()) {
            s.setValue("maintoolbar/items", saved.join(','));
            s.setValue("maintoolbar/visible", !hidden);
            s.setValue("maintoolbar/iconsOnly", false);
        }
    }
    Fixture f(path);
    f.bar->restoreState();
    f.window.show();
    const auto before = f.prefs.settings().allKeys();

    const bool first = launch == int(MainToolBar::Launch::FirstRun);
    if (first) QTest::ignoreMessage(QtInfoMsg, "First run - configuring preferences");
    QCOMPARE(int(f.bar->checkVersion("1.2")), launch);
    QCOMPARE(f.bar->arrangement(), expected);
    QCOMPARE(f.prefs.value(Preferences::kVersion).toString(), QString("1.2"));
    QCOMPARE(f.bar->isHidden(), launch == int(MainToolBar::Launch::SameVersion) && hidden);
    QCOMPARE(f.bar->iconsOnly(), first);
    QCOMPARE(f.prefs.value(Preferences::kAA).isValid(), first); // defaults only on first run
    if (launch == int(MainToolBar::Launch::SameVersion))
        QCOMPARE(f.prefs.settings().allKeys(), before);

    // What the check decided is what the next start finds.
    Fixture again(path);
    again.bar->restoreState();
    QCOMPARE(again.bar->arrangement(), expected);
    QCOMPARE(again.bar->iconsOnly(), first);
    QCOMPARE(again.bar->isHidden(), f.bar->isHidden());
}

// Customize, accept, and a second toolbar on the same settings shows the same thing; a
// cancelled dialog changes nothing; hiding the toolbar is remembered.
void MainToolBarTest::customizeRoundTrip() {
    const QString path = ini("roundtrip");
    Fixture f(path);
    f.bar->restoreState();
    f.window.show();
    QCOMPARE(f.bar->arrangement(), MainToolBar::defaultItems());

    ToolbarCustomizer *dlg = f.bar->customize();
    QVERIFY(dlg->isVisible());
    dlg->removeAt(0);                     // Animate
    dlg->toolbarList()->setCurrentRow(0); // after Center
    dlg->addItem(D);
    dlg->moveBy(dlg->arrangement().size() - 1, -1); // print before fullscreen
    dlg->findChild<QCheckBox *>()->setChecked(true);
    dlg->accept();
    const QStringList want{C, D, R, FLEX, P, F};
    QCOMPARE(f.bar->arrangement(), want);
    QVERIFY(f.bar->iconsOnly());

    dlg = f.bar->customize();
    dlg->restoreDefaults();
    dlg->reject();
    QCOMPARE(f.bar->arrangement(), want);

    f.bar->toggleViewAction()->trigger(); // the window's "Hide Toolbar"
    QVERIFY(f.bar->isHidden());

    Fixture again(path);
    again.bar->restoreState();
    again.window.show();
    QCOMPARE(again.bar->arrangement(), want);
    QVERIFY(again.bar->iconsOnly());
    QVERIFY(again.bar->isHidden());

    // A toolbar emptied by the user stays empty.
    again.bar->setArrangement({});
    again.bar->saveState();
    Fixture third(path);
    third.bar->restoreState();
    QCOMPARE(third.bar->arrangement(), QStringList());
}

void MainToolBarTest::customizerEdits_data() {
    QTest::addColumn<QString>("ops"); // a=add id, r=remove row, m=move row by, d=defaults
    QTest::addColumn<QStringList>("result");
    QTest::newRow("add at end") << "a:Nope a:" + SEP + " a:" + D << QStringList{A, C, SEP, D};
    QTest::newRow("no second copy")
        << "a:" + A + " a:" + SP + " a:" + SP << QStringList{A, C, SP, SP};
    QTest::newRow("remove out of range") << "r:5 r:-1 r:1" << QStringList{A};
    QTest::newRow("move inside bounds") << "m:0:1 m:1:1 m:0:-1" << QStringList{C, A};
    QTest::newRow("defaults") << "r:0 d" << MainToolBar::defaultItems();
}

void MainToolBarTest::customizerEdits() {
    QFETCH(QString, ops);
    QFETCH(QStringList, result);
    Fixture f(ini("edits"));
    f.bar->setArrangement({A, C});
    ToolbarCustomizer dlg(f.bar);
    for (const QString &op : ops.split(' ')) {
        const QStringList p = op.split(':');
        if (p[0] == "a") dlg.addItem(p[1]);
        if (p[0] == "r") dlg.removeAt(p[1].toInt());
        if (p[0] == "m") dlg.moveBy(p[1].toInt(), p[2].toInt());
        if (p[0] == "d") dlg.restoreDefaults();
        dlg.toolbarList()->setCurrentRow(-1);
    }
    QCOMPARE(dlg.arrangement(), result);
    QCOMPARE(dlg.toolbarList()->count(), result.size());
}

QTEST_MAIN(MainToolBarTest)
#include "maintoolbar_test.moc"
