// The window's real toolbar: its items, their icons and what they drive, the arrangement, the
// start-up version check (tests/data/maintoolbar/launch.txt) and the customisation round trip,
// read back by the next window on the same settings. Expected arrangements are written out
// here, never taken from the toolbar. Then where Donate leads.
#include "basicopenglview.h"
#include "homepage.h"
#include "maintoolbar.h"
#include "refreshbutton.h"
#include "test_window.h"
#include "toolbarcustomizer.h"

namespace {
// Toolbar items by their short names: "Animate Refresh" for AnimateToolBarItem, RefreshToolBarItem.
QStringList ids(const QString &names) {
    QStringList out;
    for (const QString &n : names.split(' ', Qt::SkipEmptyParts))
        out << n + "ToolBarItem";
    return out;
}

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
    // Animate turns its view; each icon draws at toolbar size. Unknown or second single items
    // are dropped, spaces repeat.
    void items() {
        QTest::ignoreMessage(QtInfoMsg, "First run - configuring preferences");
        Window w(ini("items"));
        MainToolBar *bar = w.bar();
        for (const QString &id : bar->allowedItems()) {
            const QImage img = bar->icon(id).pixmap(24, 24).toImage();
            int opaque = 0;
            for (int i = 0; i < img.width() * img.height(); ++i)
                opaque += qAlpha(img.pixel(i % img.width(), i / img.width())) > 128;
            QVERIFY2(opaque > 24 || MainToolBar::isRepeatable(id) || id == ids("Refresh")[0],
                     qPrintable(id));
        }
        bar->setArrangement(ids("Nope Animate Refresh Animate Separator FlexibleSpace Separator "
                                "Space Space Print"));
        QCOMPARE(bar->arrangement(),
                 ids("Animate Refresh Separator FlexibleSpace Separator Space Space Print"));
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
    void versionCheck() {
        QCoreApplication::setApplicationVersion("1.2");
        for (const QStringList &r : testTable("maintoolbar/launch.txt")) {
            const QString path = ini(r[0]);
            {
                QSettings s(path, QSettings::IniFormat);
                if (!r[1].isEmpty()) s.setValue("version", r[1]);
                if (!r[2].isEmpty()) s.setValue("maintoolbar/items", ids(r[2]).join(','));
                s.setValue("maintoolbar/visible", false);
            }
            if (r[3] == "first")
                QTest::ignoreMessage(QtInfoMsg, "First run - configuring preferences");
            Window w(path);
            QCOMPARE(w.prefs.value("version").toString(), QString("1.2"));
            QCOMPARE(w.prefs.value("aa").isValid(), r[3] == "first"); // defaults only then
            Window again(path);
            for (MainToolBar *bar : {w.bar(), again.bar()}) {
                QVERIFY2(bar->arrangement() == ids(r[4]), qPrintable(r[0]));
                QVERIFY2(bar->isHidden() == (r[3] == "same"), qPrintable(r[0]));
                QVERIFY2(bar->iconsOnly() == (r[3] == "first"), qPrintable(r[0]));
            }
        }
    }

    // Catches a customisation, hiding or emptying that the next window on the file loses.
    void customizeRoundTrip() {
        const QString path = ini("roundtrip");
        QTest::ignoreMessage(QtInfoMsg, "First run - configuring preferences");
        Window w(path);
        w.window.show(); // a hidden window's toolbar announces no change of its own visibility
        MainToolBar *bar = w.bar();
        bar->setArrangement(ids("Customize"));
        bar->actions().at(0)->trigger();
        auto *dlg = w.window.findChild<ToolbarCustomizer *>();
        QVERIFY(dlg && dlg->isVisible());
        dlg->restoreDefaults();
        // Out-of-range rows (-1: no selection), unknown and second single items change nothing.
        for (int row : {-1, 6})
            dlg->removeAt(row);
        for (int row : {-1, 0, 5, 6})
            dlg->moveBy(row, row == 0 ? -1 : 1);
        for (const QString &id : ids("Nope Animate"))
            dlg->addItem(id);
        QCOMPARE(dlg->arrangement(), ids("Animate Center Refresh FlexibleSpace FullScreen Print"));
        dlg->removeAt(0);
        dlg->toolbarList()->setCurrentRow(0);
        for (const QString &id : ids("Donate Separator Separator"))
            dlg->addItem(id);
        dlg->moveBy(dlg->arrangement().size() - 1, -1);
        dlg->findChild<QCheckBox *>()->setChecked(true);
        dlg->accept();
        const QStringList want = ids("Center Donate Separator Separator Refresh FlexibleSpace "
                                     "Print FullScreen");
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

    // Where Donate leads (tests/data/maintoolbar/homepage.txt), here from a temporary prefix.
    void homepage() {
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath("bin") && QDir(root.path()).mkpath("share/doc/sprig"));
        QVERIFY(QFile(root.filePath("share/doc/sprig/README.md")).open(QIODevice::WriteOnly));
        for (QStringList r : testTable("maintoolbar/homepage.txt")) {
            r.replaceInStrings("$ROOT", root.path());
            QCOMPARE(resolveHomepage(r[0], root.path() + "/bin", r[1]), r[2]);
        }
    }
};

QTEST_MAIN(MainToolBarTest)
#include "maintoolbar_test.moc"
