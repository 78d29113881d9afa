// The editor window for the window's GUI tests: settings in a scratch file with the values of a
// start after the first one, the window shown and active, menu commands found by their labels.
#ifndef SPRIG_TESTS_TEST_WINDOW_H
#define SPRIG_TESTS_TEST_WINDOW_H

#include "appcontroller.h"
#include "preferences.h"
#include "rows.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

// Preferences kept in `path`, as a start after the first leaves them.
inline std::unique_ptr<Preferences> testPreferences(const QString &path) {
    auto prefs = std::make_unique<Preferences>(path);
    prefs->writeDefaults();
    prefs->setValue(Preferences::kVersion, QCoreApplication::applicationVersion());
    prefs->setDelay(0.2f);
    return prefs;
}

inline bool showActive(QWidget *window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// The command of the window's menus at a path of labels ("File", "Open Example", "tree"),
// the labels without their "&" marks.
inline QAction *menuAction(QMainWindow *window, const QStringList &path) {
    QList<QAction *> actions = window->menuBar()->actions();
    QAction *found = nullptr;
    for (const QString &label : path) {
        found = nullptr;
        for (QAction *a : actions)
            if (QString(a->text()).remove('&') == label) found = a;
        if (!found) return nullptr;
        if (found->menu()) {
            Q_EMIT found->menu()->aboutToShow(); // menus that fill themselves when opened
            actions = found->menu()->actions();
        }
    }
    return found;
}

// A table of tests/data/<name> (rows.h) as UTF-8 text, or ISO Latin 1 (descriptions' bytes).
inline QList<QStringList> testTable(const QString &name, bool latin1 = false) {
    QList<QStringList> rows;
    for (const row_t &r : readRows(SPRIG_TESTS_DIR "/data/" + name.toStdString())) {
        QStringList row;
        for (const std::string &f : r)
            row << (latin1 ? QString::fromLatin1(f.data(), qsizetype(f.size()))
                           : QString::fromUtf8(f.data(), qsizetype(f.size())));
        rows << row;
    }
    if (rows.isEmpty()) qFatal("no table %s", qPrintable(name));
    return rows;
}

#endif
