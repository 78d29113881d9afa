// Recent-file labels and menu, and the window's place between runs.
#include "windowmemory.h"

#include "files.h"

#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QSettings>
#include <QToolBar>

static const char *const kGeometryKey = "windowGeometry";
static const char *const kStateKey = "windowState";

// The folders above a file, the nearest first ("/a/b/f.ls": b, a).
static QStringList foldersAbove(const QString &path) {
    QStringList parts = QDir::cleanPath(QFileInfo(path).absolutePath()).split(QLatin1Char('/'));
    parts.removeAll(QString());
    std::reverse(parts.begin(), parts.end());
    return parts;
}

static QString menuText(QString text) {
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QStringList recentLabels(const QStringList &paths) {
    QStringList labels;
    for (const QString &path : paths) {
        const QString name = QFileInfo(path).fileName();
        const QStringList mine = foldersAbove(path);
        // The most folders needed to differ from any other file of this name.
        int need = 0;
        for (const QString &other : paths) {
            if (other == path || QFileInfo(other).fileName() != name) continue;
            const QStringList theirs = foldersAbove(other);
            int k = 1;
            while (k <= mine.size() && k <= theirs.size() && mine[k - 1] == theirs[k - 1])
                ++k;
            need = qMax(need, k);
        }
        QString label = menuText(name);
        if (need > 0) {
            QStringList shown = mine.mid(0, need);
            std::reverse(shown.begin(), shown.end());
            const QString folders = shown.join(QLatin1Char('/'));
            label += QStringLiteral(" \u2014 ") +
                     menuText(need >= mine.size() ? QLatin1Char('/') + folders : folders);
        }
        labels << label;
    }
    return labels;
}

void buildRecentMenu(QMenu *menu, QSettings &settings, std::function<void(const QString &)> open) {
    menu->setToolTipsVisible(true);
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, &settings, open] {
        menu->clear();
        const QStringList paths = recentFiles(settings);
        const QStringList labels = recentLabels(paths);
        for (int i = 0; i < paths.size(); ++i)
            menu->addAction(labels[i], menu, [open, path = paths[i]] { open(path); })
                ->setToolTip(paths[i]);
        if (paths.isEmpty()) menu->addAction(QMenu::tr("No Recent Files"))->setEnabled(false);
        menu->addSeparator();
        menu->addAction(QMenu::tr("Clear Menu"), menu, [&settings] { clearRecentFiles(settings); })
            ->setEnabled(!paths.isEmpty());
    });
}

void restoreWindow(QMainWindow *window, QSettings &settings) {
    if (!window->restoreGeometry(settings.value(kGeometryKey).toByteArray()))
        window->resize(1200, 760);
    const QList<QToolBar *> bars = window->findChildren<QToolBar *>();
    QList<bool> hidden;
    for (const QToolBar *bar : bars)
        hidden << bar->isHidden();
    window->restoreState(settings.value(kStateKey).toByteArray());
    for (int i = 0; i < bars.size(); ++i)
        bars[i]->setHidden(hidden[i]);
}

void saveWindow(const QMainWindow *window, QSettings &settings) {
    settings.setValue(kGeometryKey, window->saveGeometry());
    settings.setValue(kStateKey, window->saveState());
}
