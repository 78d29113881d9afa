// What the window remembers for the next start besides the preferences: File > Open Recent
// (labels that tell files of the same name apart, the full path as a tip, and Clear Menu at
// the end), and the window's size, position and toolbar placement.
#ifndef SPRIG_APP_WINDOWMEMORY_H
#define SPRIG_APP_WINDOWMEMORY_H

#include <QStringList>

#include <functional>

class QMainWindow;
class QMenu;
class QSettings;

// The menu labels of recent files: the file name, and for a name that two files share, the
// fewest folders above it that tell them apart ("tree.ls \u2014 examples"; "/" in front when
// that is every folder, as when one folder is inside the other). "&" is doubled, as menus need.
QStringList recentLabels(const QStringList &paths);

// Fills `menu` with the recent files of `settings` each time it opens; a file chosen goes to
// `open`, and Clear Menu empties the list.
void buildRecentMenu(QMenu *menu, QSettings &settings, std::function<void(const QString &)> open);

// Puts the window where it was when it was last closed, at its size and state then (maximised,
// the toolbar's side). Without a stored place it gets a size of 1200 x 760. Whether the toolbar
// is shown stays the toolbar's own setting.
void restoreWindow(QMainWindow *window, QSettings &settings);
void saveWindow(const QMainWindow *window, QSettings &settings);

#endif
