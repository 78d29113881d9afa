// One Sprig per user and display: the first process listens on a local socket; a later
// `sprig FILE` on the same display hands FILE (as an absolute path) to it and exits.
//
// The socket lives in a folder only the user can enter: $XDG_RUNTIME_DIR when it is a real
// folder of the user's with no access for others, else "sprig-run-<uid>" in the temporary folder,
// created with mode 0700 and checked the same way. A folder that fails the check turns the
// hand-over off (problem() says why) rather than talk through a place another user controls.
// Both ends also check the other's user id on the connected socket.
//
// Waits and reads are bounded: one path of at most PATH_MAX bytes, a three-byte answer, a
// timeout on each side, a few clients served at a time. A stale socket left by a crashed
// process, a peer that never answers or one that floods cannot hang or exhaust either side.
#ifndef SPRIG_APP_SINGLEINSTANCE_H
#define SPRIG_APP_SINGLEINSTANCE_H

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QLocalServer;
class QLocalSocket;

class SingleInstance : public QObject {
    Q_OBJECT
  public:
    // Clients served at once; kMaxWaiting more wait their turn, any beyond are closed at once.
    static constexpr int kMaxClients = 4;
    static constexpr int kMaxWaiting = 8;
    // How long a connected client may take to send its path, in milliseconds.
    static constexpr int kServeMs = 2000;

    // The socket of this user on this display (see socketPath()).
    explicit SingleInstance(QObject *parent = nullptr);
    // A socket at `path`, taken as it is (no folder check).
    explicit SingleInstance(const QString &path, QObject *parent = nullptr);
    ~SingleInstance() override;

    // Where this user's socket for the display named by DISPLAY and WAYLAND_DISPLAY lives;
    // empty with the reason in *why when no private folder can be had.
    static QString socketPath(QString *why);

    // The socket's path; empty when the hand-over is off.
    QString path() const { return _path; }
    // Why the hand-over is off; empty when it is on.
    QString problem() const { return _problem; }

    // Starts listening. A socket file left by a dead process is removed first; a live server
    // at the path is left alone and listen() returns false.
    bool listen();
    bool isListening() const;

    // Hands the absolute path `path` (its bytes, as the file system names it) to the running
    // instance. True once that one has acknowledged it; false when none runs, it belongs to
    // another user, refuses, or does not answer within `timeoutMs`. Runs a local event loop
    // while it waits, so a server in the same process is served too.
    bool forwardToRunning(const QByteArray &path, int timeoutMs = 2000);

  signals:
    // A path handed over by another process, byte for byte as it was sent.
    void openRequested(const QByteArray &path);

  private:
    void accept();
    void serveWaiting();
    void serve(QLocalSocket *socket);

    QString _path;
    QString _problem;
    QLocalServer *_server = nullptr;
    QList<QPointer<QLocalSocket>> _waiting; // accepted, not yet served (null once closed)
    int _clients = 0;                       // connections being served
};

#endif
