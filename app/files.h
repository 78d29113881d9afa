// What the window needs of files outside its widgets: reading a description's bytes, and the
// list of recently used files kept in the settings.
#ifndef SPRIG_APP_FILES_H
#define SPRIG_APP_FILES_H

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>

// Reads a description file whole, as lsys does: regular files only, at most 64 MiB, NUL bytes
// included. False with the reason.
bool readDescription(const QString &path, QByteArray *bytes, QString *why);

// The "recentFiles" list, most recent first, at most 10 entries, no duplicates.
QStringList recentFiles(const QSettings &settings);
void noteRecentFile(QSettings &settings, const QString &absolutePath);
void clearRecentFiles(QSettings &settings);

#endif
