// What the window needs of files outside its widgets: reading a description's bytes, and the
// list of recently used files kept in the settings.
#ifndef SPRIG_APP_FILES_H
#define SPRIG_APP_FILES_H

#include "io.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>

// Reads a description file whole, as lsys does: regular files only, at most 64 MiB, NUL bytes
// included. The path is the file system's bytes (":/..." names a built-in resource). False with
// the reason; *id, when given, is the identity of the file read.
bool readDescription(const QByteArray &path, QByteArray *bytes, QString *why,
                     io_identity_t *id = nullptr);

// The "recentFiles" list, most recent first, at most 10 entries, no duplicates.
QStringList recentFiles(const QSettings &settings);
void noteRecentFile(QSettings &settings, const QString &absolutePath);
void clearRecentFiles(QSettings &settings);

#endif
