// The window's real toolbar: its items and what they drive, the arrangement, the start-up
// version check and the customisation round trip, read back by the next window on the same
// settings. Expected arrangements are written out here, never taken from the toolbar. Then
// where Donate leads.
#include "appcontroller.h"
#include "basicopenglview.h"
#include "homepage.h"
#include "maintoolbar.h"
#include "preferences.h"
#include "refreshbutton.h"
#include "toolbarcustomizer.h"

#include <QCheckBox>
#include <QListWidget>
#include <QtTest>

namespace {
const QString A = "AnimateToolBarItem", C = "CenterToolBarItem", R = "RefreshToolBarItem",
              F = "FullScreenToolBarItem", D = "DonateToolBarItem", P = "PrintToolBarItem",
              FLEX = "FlexibleSpaceToolBarItem", SEP = "SeparatorToolBarItem",
              SP = "SpaceToolBarItem", CUST = "CustomizeToolBarItem";
// What a first run shows, Donate in front of the default arrangement.
const QStringList kFirstRun{D, A, C, R, FLEX, F, P};
using Launch = MainToolBar::Launch;

// The window on the settings file `ini`.
struct Window {
    explicit Window(const QString &ini) : prefs(ini), window(&prefs) {}
    MainToolBar *bar() { return window.toolbar(); }
    Preferences prefs;
    AppController window;
};
} // namespace

class MainToolBarTest : public QObject {
    Q_OBJECT
    QTemporaryDir _dir;
    QString ini(const QString &name) { return _dir.filePath(name + ".ini"); }

  private slots:
    // The items are the window's own: Refresh is its refresh button, Print its File > Print,
    // Animate turns its view. Unknown or second single items are dropped, spaces repeat.
    void items() {
        QTest::ignoreMessage(QtInfoMsg, "First run - configuring preferences");
        Window w(ini("items"));
        MainToolBar *bar = w.bar();
        bar->setArrangement({"Nope", A, "", R, A, SEP, FLEX, SEP, SP, SP, P});
        QCOMPARE(bar->arrangement(), (QStringList{A, R, SEP, FLEX, SEP, SP, SP, P}));
        const QList<QAction *> acts = bar->actions();
        QCOMPARE(bar->widgetForAction(acts[1])->findChild<RefreshButton *>(),
                 w.window.refreshButton());
        QVERIFY(acts[2]->isSeparator() && !acts[3]->isSeparator());
        QCOMPARE(acts[7]->shortcut(), QKeySequence(QKeySequence::Print)); // File > Print
        acts[0]->trigger();
        QVERIFY(w.window.view()->isAnimating());
        acts[0]->trigger();
        QVERIFY(!w.window.view()->isAnimating());
    }

    // The saved toolbar is hidden. What the check decides is also what the next start finds.
    void versionCheck_data() {
        QTest::addColumn<QString>("stored"); // "" = none
        QTest::addColumn<QStringList>("saved");
        QTest::addColumn<Launch>("launch");
        QTest::addColumn<QStringList>("expected");
        const QStringList mine{C, D, SEP, A};
        QTest::newRow("first run") << "" << QStringList() << Launch::FirstRun << kFirstRun;
        QTest::newRow("same") << "1.2" << mine << Launch::SameVersion << mine;
        QTest::newRow("new moves donate")
            << "1.1" << mine << Launch::NewVersion << QStringList{D, C, SEP, A};
        QTest::newRow("new restores donate")
            << "0.9" << QStringList{A} << Launch::NewVersion << QStringList{D, A};
    }
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
        QCoreApplication::setApplicationVersion("1.2");
        const bool first = launch == Launch::FirstRun;
        if (first) QTest::ignoreMessage(QtInfoMsg, "First run - configuring preferences");
        Window w(path);
        QCOMPARE(w.prefs.value("version").toString(), QString("1.2"));
        QCOMPARE(w.prefs.value("aa").isValid(), first); // defaults only on a first run
        Window again(path);
        for (MainToolBar *bar : {w.bar(), again.bar()}) {
            QCOMPARE(bar->arrangement(), expected);
            QCOMPARE(bar->isHidden(), launch == Launch::SameVersion);
            QCOMPARE(bar->iconsOnly(), first);
        }
    }

    // Catches a customisation, hiding or emptying that the next window on the file loses.
    void customizeRoundTrip() {
        const QString path = ini("roundtrip");
        QTest::ignoreMessage(QtInfoMsg, "First run - configuring preferences");
        Window w(path);
        w.window.show(); // a hidden window's toolbar announces no change of its own visibility
        MainToolBar *bar = w.bar();
        bar->setArrangement({CUST});
        bar->actions().at(0)->trigger();
        auto *dlg = w.window.findChild<ToolbarCustomizer *>();
        QVERIFY(dlg && dlg->isVisible());
        dlg->restoreDefaults();
        // Out-of-range rows (-1: no selection), unknown and second single items change nothing.
        for (int row : {-1, 6})
            dlg->removeAt(row);
        for (int row : {-1, 0, 5, 6})
            dlg->moveBy(row, row == 0 ? -1 : 1);
        for (const QString &id : {QString("Nope"), A})
            dlg->addItem(id);
        QCOMPARE(dlg->arrangement(), (QStringList{A, C, R, FLEX, F, P}));
        dlg->removeAt(0);
        dlg->toolbarList()->setCurrentRow(0);
        dlg->addItem(D);
        dlg->addItem(SEP);
        dlg->addItem(SEP);
        dlg->moveBy(dlg->arrangement().size() - 1, -1);
        dlg->findChild<QCheckBox *>()->setChecked(true);
        dlg->accept();
        const QStringList want{C, D, SEP, SEP, R, FLEX, P, F};
        QCOMPARE(bar->arrangement(), want);
        dlg = bar->customize();
        dlg->removeAt(0);
        dlg->reject();
        bar->toggleViewAction()->trigger();

        Window again(path);
        QCOMPARE(again.bar()->arrangement(), want);
        QVERIFY(again.bar()->iconsOnly() && again.bar()->isHidden());
        again.bar()->setArrangement({});
        again.bar()->saveState();
        QCOMPARE(Window(path).bar()->arrangement(), QStringList());
    }

    // Where Donate leads: a configured address unless it is a missing file, else the README
    // installed under the program's prefix (here a temporary one, the program in its bin).
    void homepage() {
        QTemporaryDir root;
        const QString at = root.path(), readme = "share/doc/sprig/README.md",
                      installed = "file://" + at + "/" + readme, gone = "file:///no/README.md";
        QVERIFY(QDir(at).mkpath("bin") && QDir(at).mkpath("share/doc/sprig"));
        QVERIFY(QFile(root.filePath(readme)).open(QIODevice::WriteOnly));
        const QStringList rows[] = {{"https://example.org/", readme, "https://example.org/"},
                                    {installed, "no", installed}, // the file exists
                                    {"", readme, installed},
                                    {"file:///no/" + readme, readme, installed},
                                    {gone, "no", gone}}; // nowhere better
        for (const QStringList &r : rows)
            QCOMPARE(resolveHomepage(r[0], at + "/bin", r[1]), r[2]);
    }
};

QTEST_MAIN(MainToolBarTest)
#include "maintoolbar_test.moc"
