// The document's file: reading, writing, and what became of it on disk.
#include "documentfile.h"

#include "documenttext.h"
#include "files.h"

#include <QFile>

#include <new>

#include <stdlib.h>
#include <unistd.h>

namespace {

bool sameContent(const io_identity_t &a, const io_identity_t &b) {
    return a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.mtime.tv_sec == b.mtime.tv_sec && a.mtime.tv_nsec == b.mtime.tv_nsec;
}

bool sameState(const io_identity_t &a, const io_identity_t &b) {
    return a.kind == b.kind && a.symlink == b.symlink && a.target == b.target && sameContent(a, b);
}

} // namespace

disk_state_t compareIdentity(const io_identity_t &known, const io_identity_t &now) {
    if (now.kind == IO_MISSING) return disk_state_t::Missing;
    if (now.kind != known.kind || now.symlink != known.symlink || now.target != known.target)
        return disk_state_t::Elsewhere;
    return sameContent(known, now) ? disk_state_t::Same : disk_state_t::Changed;
}

DocumentFile::DocumentFile(QObject *parent) : QObject(parent) {
    _settle.setSingleShot(true);
    _settle.setInterval(kSettleMs);
    connect(&_settle, &QTimer::timeout, this, &DocumentFile::settle);
    connect(&_watcher, &QFileSystemWatcher::fileChanged, &_settle, qOverload<>(&QTimer::start));
    connect(&_watcher, &QFileSystemWatcher::directoryChanged, &_settle,
            qOverload<>(&QTimer::start));
}

QByteArray DocumentFile::absolute(const QByteArray &path) {
    if (path.isEmpty() || path.startsWith('/') || path.startsWith(":/")) return path;
    char *cwd = getcwd(nullptr, 0);
    const QByteArray dir(cwd ? cwd : "");
    free(cwd);
    return dir.isEmpty() ? path : dir + '/' + path;
}

bool DocumentFile::read(const QByteArray &path, QByteArray *bytes, io_identity_t *id,
                        QString *headline, QString *why) {
    const QString name = QFile::decodeName(path);
    *headline = tr("The file \"%1\" could not be opened.").arg(name);
    try {
        if (!readDescription(path, bytes, why, id)) return false;
    } catch (const std::bad_alloc &) {
        *why = tr("There is not enough memory to read it.");
        return false;
    }
    QString limit = editorLimitProblem(*bytes);
    if (limit.isEmpty()) limit = memoryProblem(editorMemory(*bytes));
    if (limit.isEmpty()) return true;
    bytes->clear();
    *headline = tr("The file \"%1\" is too large for the editor.").arg(name);
    *why = limit + ' ' +
           tr("lsys checks, renders and exports files of up to 64 MiB as they are: "
              "lsys check \"%1\".")
               .arg(name);
    return false;
}

void DocumentFile::bind(const QByteArray &path, const io_identity_t &id) {
    if (path != _path) unbind();
    _path = path;
    _name = QFile::decodeName(path);
    _known = _reported = id;
    watchPaths();
}

void DocumentFile::unbind() {
    _settle.stop();
    if (!_watcher.files().isEmpty()) _watcher.removePaths(_watcher.files());
    if (!_watcher.directories().isEmpty()) _watcher.removePaths(_watcher.directories());
    _path.clear();
    _name.clear();
    _known = _reported = io_identity_t();
}

DocumentFile::Written DocumentFile::write(const QByteArray &path, const QByteArray &bytes,
                                          QString *why, unsigned long *brokenLinks) {
    std::string err;
    io_written_t written;
    bool ok = false;
    try {
        ok = ioWriteFile(path.toStdString(), bytes.constData(), size_t(bytes.size()), &err,
                         &written);
    } catch (const std::bad_alloc &) {
        err = "not enough memory";
    }
    if (!ok) {
        *why = QString::fromLocal8Bit(err.c_str());
        return Written::Failed;
    }
    if (written.file.kind != IO_REGULAR) return Written::NotSaved;
    bind(path, written.file);
    *brokenLinks = written.brokenLinks;
    return Written::Saved;
}

// The file and its folder; the watch on a file ends when the file is replaced, so it is taken
// again after every change.
void DocumentFile::watchPaths() {
    if (QFile::encodeName(_name) != _path) return;
    const int slash = int(_path.lastIndexOf('/'));
    const QString dir = slash > 0 ? QFile::decodeName(_path.left(slash)) : QStringLiteral("/");
    if (!_watcher.directories().contains(dir)) _watcher.addPath(dir);
    if (!_watcher.files().contains(_name) && QFile::exists(_name)) _watcher.addPath(_name);
}

disk_state_t DocumentFile::stateNow(io_identity_t *now, QString *why) const {
    std::string err;
    if (!ioIdentify(_path.toStdString(), now, &err)) {
        *why = QString::fromLocal8Bit(err.c_str());
        return disk_state_t::Elsewhere;
    }
    return compareIdentity(_known, *now);
}

disk_state_t DocumentFile::state() const {
    io_identity_t now;
    QString why;
    return isBound() ? stateNow(&now, &why) : disk_state_t::Same;
}

bool DocumentFile::askFirst(QString *question, QString *informative) const {
    if (!isBound()) return false;
    io_identity_t now;
    QString why;
    const disk_state_t state = stateNow(&now, &why);
    const QString file = _name.section('/', -1);
    if (state == disk_state_t::Changed) {
        *question = tr("\"%1\" has been changed on disk since it was opened.").arg(file);
        why = tr("Another program has written it.");
    } else if (state == disk_state_t::Elsewhere) {
        *question = tr("\"%1\" now leads to another file.").arg(file);
        if (why.isEmpty())
            why = now.kind == IO_REGULAR
                      ? tr("It now leads to %1, not to the file that was opened.")
                            .arg(QFile::decodeName(QByteArray::fromStdString(now.target)))
                      : tr("It is no longer a regular file.");
    } else {
        return false;
    }
    *informative = why + ' ' +
                   tr("Overwrite it with this text, save this text under another name, or cancel?");
    return true;
}

void DocumentFile::settle() {
    if (!isBound()) return;
    watchPaths();
    io_identity_t now;
    QString why;
    const disk_state_t s = stateNow(&now, &why);
    if (s == disk_state_t::Same || sameState(now, _reported)) return;
    _reported = now;
    Q_EMIT changed();
}
