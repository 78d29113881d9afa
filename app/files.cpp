// Reading description files and the recent-files list.
#include "files.h"

#include "io.h"

#include <QFile>

static const char *const kRecentKey = "recentFiles";
static const int kRecentMax = 10;

bool readDescription(const QByteArray &path, QByteArray *bytes, QString *why, io_identity_t *id) {
    // The built-in template lives in the program's resources, not on disk.
    if (path.startsWith(":/")) {
        QFile f(QString::fromUtf8(path));
        if (!f.open(QIODevice::ReadOnly)) {
            *why = f.errorString();
            return false;
        }
        *bytes = f.readAll();
        return true;
    }
    std::string data, err;
    if (!ioReadFile(path.toStdString(), &data, &err, id)) {
        *why = QString::fromLocal8Bit(err.c_str());
        return false;
    }
    *bytes = QByteArray(data.data(), qsizetype(data.size()));
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

void clearRecentFiles(QSettings &settings) {
    settings.remove(kRecentKey);
}
