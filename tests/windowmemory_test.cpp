// What the window remembers, in the real window under Xvfb: recent-file labels that tell files
// of one name apart (tests/data/windowmemory), File > Open Recent with full paths as tips and
// Clear Menu, and the window's size, place and toolbar side in the next window.
#include "files.h"
#include "maintoolbar.h"
#include "test_window.h"

class WindowMemoryTest : public QObject {
    Q_OBJECT
    QTemporaryDir _dir;

  private slots:
    void recentMenu() {
        auto prefs = testPreferences(_dir.filePath("recent.ini"));
        QSettings &settings = prefs->settings();
        for (const QStringList &r : testTable("windowmemory/labels.txt")) {
            QStringList paths, labels;
            for (int i = 0; i + 1 < r.size(); i += 2) {
                paths << r[i];
                labels << r[i + 1];
            }
            // The menu lists them, the most recent first, with their paths as tips.
            clearRecentFiles(settings);
            for (int i = paths.size() - 1; i >= 0; --i)
                noteRecentFile(settings, paths[i]);
            AppController w(prefs.get());
            QMenu *menu = menuAction(&w, {"File", "Open Recent"})->menu();
            QStringList shown, tips;
            for (QAction *a : menu->actions()) {
                if (a->isSeparator()) continue;
                shown << a->text();
                tips << a->toolTip();
            }
            QCOMPARE(shown, labels + QStringList("Clear Menu"));
            QCOMPARE(tips.mid(0, paths.size()), paths);
            menu->actions().last()->trigger();
            QVERIFY(recentFiles(settings).isEmpty());
            Q_EMIT menu->aboutToShow();
            QVERIFY(!menu->actions().first()->isEnabled() && !menu->actions().last()->isEnabled());
        }
    }

    // Size, place and the toolbar's side come back in the next window; whether the toolbar
    // shows stays its own setting, which a new version turns on.
    void geometry() {
        auto prefs = testPreferences(_dir.filePath("geometry.ini"));
        {
            AppController first(prefs.get());
            QVERIFY(showActive(&first));
            first.setGeometry(60, 50, 900, 610);
            first.addToolBar(Qt::LeftToolBarArea, first.toolbar());
            first.toolbar()->hide();
            QTRY_COMPARE(first.geometry(), QRect(60, 50, 900, 610));
            QVERIFY(first.close());
        }
        prefs->setValue(Preferences::kVersion, "0.0.1");
        AppController second(prefs.get());
        QVERIFY(showActive(&second));
        QTRY_COMPARE(second.geometry(), QRect(60, 50, 900, 610));
        QCOMPARE(second.toolBarArea(second.toolbar()), Qt::LeftToolBarArea);
        QVERIFY(second.toolbar()->isVisible());
    }
};

QTEST_MAIN(WindowMemoryTest)
#include "windowmemory_test.moc"
