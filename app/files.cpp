// Reading description files and the recent-files list.
#include "files.h"

#include <QFile>
#include <QFileInfo>

// Larger descriptions are refused rather than held in memory (lsys refuses them too).
static const qint64 kMaxDescriptionBytes = qint64(64) << 20;

static const char *const kRecentKey = "recentFiles";
static const int kRecentMax = 10;

bool readDescription(const QString &path, QByteArray *bytes, QString *why) {
    const QFileInfo info(path);
    if (!info.exists()) {
        *why = QObject::tr("No such file.");
        return false;
    }
    // A FIFO would block forever and a device never ends: only regular files are read.
    if (!info.isFile()) {
        *why = info.isDir() ? QObject::tr("It is a folder, not a file.")
                            : QObject::tr("It is not a regular file.");
        return false;
    }
    if (info.size() > kMaxDescriptionBytes) {
        *why = QObject::tr("The file is too large (more than 64 MiB).");
        return false;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *why = f.errorString();
        return false;
    }
    *bytes = f.read(kMaxDescriptionBytes + 1);
    if (f.error() != QFileDevice::NoError) {
        *why = f.errorString();
        return false;
    }
    if (bytes->size() > kMaxDescriptionBytes) {
        *why = QObject::tr("The file is too large (more than 64 MiB).");
        return false;
    }
    return true;
}

QStringList recentFiles(const QSettings &settings) {
    QStringList out;
    for (const QString &p : settings.value(kRecentKey).toStringList())
        if (!p.isEmpty() && !out.contains(p) && out.size() < kRecentMax) out << p;
    return out;
}

void noteRecentFile(QSettings &settings, const QString &absolutePath) {
    QStringList list = recentFiles(settings);
    list.removeAll(absolutePath);
    list.prepend(absolutePath);
    while (list.size() > kRecentMax)
        list.removeLast();
    settings.setValue(kRecentKey, list);
}
