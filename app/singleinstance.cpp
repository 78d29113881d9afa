// Local-socket hand-over of files between Sprig processes.
//
// Protocol: the client sends each path as UTF-8 followed by '\n', then an empty line; the
// server answers "ok\n" and only then emits openRequested for each path. A request larger
// than kMaxRequest or not finished within kServeMs is dropped unanswered.
#include "singleinstance.h"

#include <QDir>
#include <QEventLoop>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <unistd.h>

namespace {
const qint64 kMaxRequest = 1 << 20;
const int kServeMs = 5000;
} // namespace

SingleInstance::SingleInstance(const QString &name, QObject *parent)
    : QObject(parent), _name(name) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultName() {
    return QStringLiteral("sprig-%1").arg(uint(getuid()));
}

bool SingleInstance::isListening() const {
    return _server && _server->isListening();
}

bool SingleInstance::listen() {
    if (isListening()) return true;
    if (!_server) {
        _server = new QLocalServer(this);
        // Only this user may hand files over.
        _server->setSocketOptions(QLocalServer::UserAccessOption);
        connect(_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket *s = _server->nextPendingConnection())
                serve(s);
        });
    }
    // Ask first: Qt binds a restricted socket under a temporary name and renames it into
    // place, which would silently take the name from a live instance. Whatever does not
    // answer is a socket file left by a dead process.
    QLocalSocket probe;
    probe.connectToServer(_name);
    if (probe.waitForConnected(500)) return false;
    QLocalServer::removeServer(_name);
    return _server->listen(_name);
}

void SingleInstance::serve(QLocalSocket *socket) {
    auto *timer = new QTimer(socket);
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, socket, &QLocalSocket::abort);
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
        if (socket->bytesAvailable() > kMaxRequest) {
            socket->abort();
            return;
        }
        const QByteArray data = socket->peek(socket->bytesAvailable());
        if (!data.endsWith("\n\n") && data != "\n") return; // not complete yet
        socket->readAll();
        QStringList paths;
        for (const QByteArray &line : data.split('\n')) {
            const QString path = QString::fromUtf8(line);
            // Only absolute paths: the two processes may have different working folders.
            if (!path.isEmpty() && QDir::isAbsolutePath(path)) paths << QDir::cleanPath(path);
        }
        socket->write("ok\n");
        socket->flush();
        socket->disconnectFromServer();
        for (const QString &p : paths)
            emit openRequested(p);
    });
    timer->start(kServeMs);
}

bool SingleInstance::forwardToRunning(const QStringList &absPaths, int timeoutMs) {
    QLocalSocket socket;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    bool acknowledged = false;
    QByteArray reply;
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&socket, &QLocalSocket::errorOccurred, &loop, [&](QLocalSocket::LocalSocketError e) {
        // The server closing after its answer is the normal end, not a failure.
        if (e != QLocalSocket::PeerClosedError) loop.quit();
    });
    connect(&socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
    connect(&socket, &QLocalSocket::connected, &loop, [&] {
        QByteArray request;
        for (const QString &p : absPaths) {
            QString line = p;
            line.remove(QLatin1Char('\n'));
            request += line.toUtf8() + '\n';
        }
        request += '\n';
        socket.write(request);
    });
    connect(&socket, &QLocalSocket::readyRead, &loop, [&] {
        reply += socket.readAll();
        if (reply.startsWith("ok\n")) {
            acknowledged = true;
            loop.quit();
        }
    });
    timer.start(timeoutMs);
    socket.connectToServer(_name);
    if (socket.state() != QLocalSocket::UnconnectedState)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    // A reply may have arrived together with the disconnection.
    if (!acknowledged && socket.bytesAvailable()) reply += socket.readAll();
    acknowledged = acknowledged || reply.startsWith("ok\n");
    socket.abort();
    return acknowledged;
}
