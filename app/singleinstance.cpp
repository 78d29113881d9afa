// Local-socket hand-over of a file between Sprig processes.
//
// Protocol: the client sends the path's length as four bytes, most significant first, then
// the path's bytes (an absolute path, 1 to PATH_MAX bytes, no NUL); the server answers "ok\n"
// and only then emits openRequested. Anything else is dropped unanswered and the connection
// closed. The bytes are never decoded on the way, so a newline or a byte that is not UTF-8
// arrives as it was sent.
#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QtEndian>

#include <errno.h>
#include <limits.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kReply = "ok\n";
// The most a connection buffers: one request and a byte to tell that more was sent.
const qint64 kMaxRequest = 4 + PATH_MAX + 1;
// sockaddr_un holds 108 bytes with the NUL; longer socket names are shortened to a hash.
const int kMaxSocketPath = 100;

// The user id of the process at the other end of a connected local socket, or -1.
long long peerUid(QLocalSocket *socket) {
    struct ucred cred = {};
    socklen_t len = sizeof cred;
    const int fd = int(socket->socketDescriptor());
    if (fd < 0 || getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return -1;
    return cred.uid;
}

bool isOwnPeer(QLocalSocket *socket) {
    return peerUid(socket) == (long long)geteuid();
}

// Empty when `dir` is a folder (not a symbolic link) of this user that nobody else may enter;
// otherwise why not.
QString privacyProblem(const QString &dir) {
    struct stat st;
    if (lstat(QFile::encodeName(dir).constData(), &st) != 0)
        return QStringLiteral("%1: %2").arg(dir, QString::fromLocal8Bit(strerror(errno)));
    if (S_ISLNK(st.st_mode)) return QStringLiteral("%1 is a symbolic link").arg(dir);
    if (!S_ISDIR(st.st_mode)) return QStringLiteral("%1 is not a folder").arg(dir);
    if (st.st_uid != geteuid())
        return QStringLiteral("%1 belongs to another user (uid %2)").arg(dir).arg(st.st_uid);
    if (st.st_mode & 077)
        return QStringLiteral("%1 is open to other users (mode %2)")
            .arg(dir)
            .arg(st.st_mode & 07777, 0, 8);
    return QString();
}

// The user's private folder for the socket, or empty with the reason in *why.
QString privateDir(QString *why) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && privacyProblem(runtime).isEmpty())
        return runtime;
    // Not "sprig-<uid>": that was the socket itself in earlier versions.
    const QString own = QStringLiteral("%1/sprig-run-%2").arg(QDir::tempPath()).arg(geteuid());
    // mkdir never follows a link planted under the name; what is already there is checked.
    if (mkdir(QFile::encodeName(own).constData(), 0700) == 0)
        chmod(QFile::encodeName(own).constData(), 0700); // whatever the umask took away
    *why = privacyProblem(own);
    return why->isEmpty() ? own : QString();
}

// The display this process shows its window on, as a file name: X11 and Wayland displays
// both count, each byte outside [A-Za-z0-9:_-] written as %XX so that different displays
// never share a name.
QString displayName() {
    QByteArray name = "sprig";
    const char *const vars[2][2] = {{"DISPLAY", ".x11-"}, {"WAYLAND_DISPLAY", ".wayland-"}};
    for (const auto &v : vars) {
        const QByteArray value = qgetenv(v[0]);
        if (value.isEmpty()) continue;
        name += v[1];
        for (const char c : value) {
            const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                               (c >= '0' && c <= '9') || c == ':' || c == '_' || c == '-';
            if (plain)
                name += c;
            else
                name += '%' + QByteArray(1, c).toHex().toUpper();
        }
    }
    return QString::fromLatin1(name);
}

} // namespace

SingleInstance::SingleInstance(QObject *parent) : QObject(parent) {
    _path = socketPath(&_problem);
}

SingleInstance::SingleInstance(const QString &path, QObject *parent)
    : QObject(parent), _path(path) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketPath(QString *why) {
    const QString dir = privateDir(why);
    if (dir.isEmpty()) return QString();
    QString name = displayName();
    if (QFile::encodeName(dir).size() + 1 + name.size() > kMaxSocketPath)
        name = "sprig-" +
               QCryptographicHash::hash(name.toLatin1(), QCryptographicHash::Sha1).toHex().left(16);
    return dir + '/' + name;
}

bool SingleInstance::isListening() const {
    return _server && _server->isListening();
}

bool SingleInstance::listen() {
    if (isListening()) return true;
    if (_path.isEmpty()) return false;
    if (!_server) {
        _server = new QLocalServer(this);
        // The socket file itself is the user's only, besides the folder.
        _server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
    }
    // Ask first: Qt binds a restricted socket under a temporary name and renames it into
    // place, which would silently take the name from a live instance. Whatever does not
    // answer is a socket file left by a dead process.
    QLocalSocket probe;
    probe.connectToServer(_path);
    if (probe.waitForConnected(500)) return false;
    QLocalServer::removeServer(_path);
    return _server->listen(_path);
}

void SingleInstance::accept() {
    // Every connection is taken from Qt's queue at once, before Qt reads from it, so that its
    // buffer is bounded from the start; a bounded number are kept and the rest closed. A flood
    // of connections therefore cannot use up the process's descriptors (running out would make
    // Qt close the server and remove its socket file) or its memory.
    while (QLocalSocket *s = _server->nextPendingConnection()) {
        s->setReadBufferSize(kMaxRequest);
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        _waiting.removeAll(nullptr);
        if (_clients + _waiting.size() >= kMaxClients + kMaxWaiting) {
            s->abort();
            s->deleteLater();
            continue;
        }
        _waiting.append(s);
    }
    serveWaiting();
}

void SingleInstance::serveWaiting() {
    while (_clients < kMaxClients && !_waiting.isEmpty()) {
        QLocalSocket *s = _waiting.takeFirst();
        if (!s) continue; // closed while it waited
        ++_clients;
        connect(s, &QObject::destroyed, this, [this] {
            --_clients;
            serveWaiting();
        });
        serve(s);
    }
}

void SingleInstance::serve(QLocalSocket *socket) {
    const auto drop = [socket] {
        socket->abort();
        socket->deleteLater();
    };
    // One that ended while it waited, or whose other end is another user, gets nothing.
    if (socket->state() != QLocalSocket::ConnectedState || !isOwnPeer(socket)) return drop();
    auto *timer = new QTimer(socket);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, socket, drop);
    const auto handle = [this, socket, drop] {
        if (socket->bytesAvailable() < 4) return;
        uchar head[4];
        socket->peek(reinterpret_cast<char *>(head), 4);
        const quint32 size = qFromBigEndian<quint32>(head);
        const qint64 available = socket->bytesAvailable() - 4;
        if (size == 0 || size > PATH_MAX || available > qint64(size))
            return drop();                    // not our protocol, or more than one path
        if (available < qint64(size)) return; // not complete yet
        const QByteArray path = socket->readAll().mid(4);
        if (!path.startsWith('/') || path.contains('\0')) return drop();
        socket->write(kReply);
        socket->disconnectFromServer(); // closes once the answer is written
        emit openRequested(path);
    };
    connect(socket, &QLocalSocket::readyRead, this, handle);
    timer->start(kServeMs);
    handle(); // what arrived while it waited its turn
}

bool SingleInstance::forwardToRunning(const QByteArray &path, int timeoutMs) {
    if (_path.isEmpty() || !path.startsWith('/') || path.size() > PATH_MAX || path.contains('\0'))
        return false;
    QLocalSocket socket;
    socket.setReadBufferSize(kReply.size());
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QByteArray reply;
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&socket, &QLocalSocket::errorOccurred, &loop, [&](QLocalSocket::LocalSocketError e) {
        // The server closing after its answer is the normal end, not a failure.
        if (e != QLocalSocket::PeerClosedError) loop.quit();
    });
    connect(&socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
    connect(&socket, &QLocalSocket::connected, &loop, [&] {
        // Whoever listens there must be this user, or the path would leak to someone else.
        if (!isOwnPeer(&socket)) {
            socket.abort();
            loop.quit();
            return;
        }
        uchar head[4];
        qToBigEndian<quint32>(quint32(path.size()), head);
        socket.write(reinterpret_cast<const char *>(head), 4);
        socket.write(path);
    });
    // Never more than the short answer is read, whatever the peer sends.
    auto readReply = [&] {
        reply += socket.read(kReply.size() - reply.size());
        if (!kReply.startsWith(reply) || reply == kReply) loop.quit();
    };
    connect(&socket, &QLocalSocket::readyRead, &loop, readReply);
    timer.start(timeoutMs);
    socket.connectToServer(_path);
    if (socket.state() != QLocalSocket::UnconnectedState)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    // An answer may have arrived together with the disconnection.
    if (reply.size() < kReply.size() && socket.bytesAvailable()) readReply();
    socket.abort();
    return reply == kReply;
}
