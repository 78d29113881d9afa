// The document's file: its path as the file system names it (bytes, from the command line, the
// hand-over or a file panel) and as shown (decoded, with replacement characters where the bytes
// are not UTF-8); reading it for the editor; writing it; and what has become of it on disk.
//
// A file is read whole (regular files only, at most 64 MiB) and taken only within the editor's
// limits (documenttext.h). A write goes through the safe writer; it counts as saved, binding
// the document to the path, only when it wrote a regular file: a device or FIFO reached through
// the name (/dev/null, a pipe) receives the text, but the document stays as it was.
//
// The file's identity is taken when it is read or written (device, inode, size, modification
// time; whether the name was a symbolic link and where it led). Before a save the document asks
// when the name now leads elsewhere or the file changed (askFirst()); while the file is bound, a
// change made by another program is announced (changed()) so that the window can offer to
// reload it. Changes are watched with QFileSystemWatcher on the file and on its folder (another
// program may replace the file by a new one, or swap the link), reported once per new state of
// the file, a moment after the last event, so that a write in several steps is one change.
// QFileSystemWatcher takes names as text: a file whose name is not UTF-8 is checked only before
// a save.
#ifndef SPRIG_APP_DOCUMENTFILE_H
#define SPRIG_APP_DOCUMENTFILE_H

#include "io.h"

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

enum class disk_state_t {
    Same,      // the file as it was read or written
    Changed,   // the same name and link, but other content (written or replaced since)
    Elsewhere, // the name now leads to another file, a device or FIFO, or cannot be followed
    Missing,   // nothing is there any more
};

// What became of a file whose identity was `known`, now that its path shows `now`.
disk_state_t compareIdentity(const io_identity_t &known, const io_identity_t &now);

class DocumentFile : public QObject {
    Q_OBJECT
  public:
    // How long the file must be quiet before a change is reported, in milliseconds.
    static const int kSettleMs = 200;

    explicit DocumentFile(QObject *parent = nullptr);

    // Empty when untitled.
    const QByteArray &path() const { return _path; }
    const QString &name() const { return _name; }
    bool isBound() const { return !_path.isEmpty(); }
    // `path` made absolute against the working folder, byte for byte (":/..." resources and
    // the empty path stay as they are).
    static QByteArray absolute(const QByteArray &path);

    // Reads the file at path for the editor. False with a headline and the reason.
    static bool read(const QByteArray &path, QByteArray *bytes, io_identity_t *id,
                     QString *headline, QString *why);
    // Binds the document to the file at path, whose identity as read or written is id.
    void bind(const QByteArray &path, const io_identity_t &id);
    void unbind();

    enum class Written { Failed, Saved, NotSaved };
    // Writes bytes to path. Saved (and bound to path) when a regular file was written; NotSaved
    // when a device or FIFO received them; Failed with the reason. *brokenLinks counts the
    // other hard links of a replaced file, which keep its old content.
    Written write(const QByteArray &path, const QByteArray &bytes, QString *why,
                  unsigned long *brokenLinks);

    // What the bound path shows now, against what was read or written.
    disk_state_t state() const;
    // Whether a save to the bound path must ask first (the name now leads elsewhere, or the
    // file changed); then the question and what it is about.
    bool askFirst(QString *question, QString *informative) const;

  signals:
    // The file is no longer what was read or written, and not what the last report said.
    void changed();

  private:
    void settle();
    void watchPaths();
    disk_state_t stateNow(io_identity_t *now, QString *why) const;

    QFileSystemWatcher _watcher;
    QTimer _settle;
    QByteArray _path;
    QString _name;
    io_identity_t _known;
    io_identity_t _reported; // the state last reported, so that it is reported once
};

#endif
