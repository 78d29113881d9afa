// The hand-over socket: where it lives, who may talk through it, that a path arrives byte for
// byte, and that no peer can hang, flood or take it over (tables in data/singleinstance/).
// "Another user" is a throw-away user id without an account, reached through fork and setuid
// when the tests run as root; those rows are skipped otherwise.
#include "rows.h"
#include "singleinstance.h"

#include <QtTest>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace {

// The rows of a table as the data of a test, each a list of its whitespace-separated columns.
void table(const char *name) {
    QTest::addColumn<QStringList>("row");
    for (const row_t &r : dataRows(std::string("singleinstance/") + name)) {
        const QString line = QString::fromStdString(r[0]).simplified();
        QTest::newRow(qPrintable(line)) << line.split(' ');
    }
}

// Sets the variable; an empty value removes it.
void setEnv(const char *name, const QByteArray &value) {
    value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
}
const char *const kPlaceVars[] = {"XDG_RUNTIME_DIR", "TMPDIR", "DISPLAY", "WAYLAND_DISPLAY"};

// A user id that is neither ours nor anyone's account; 0 when we may not take it (not root).
uid_t otherUid() {
    if (geteuid() != 0) return 0;
    uid_t u = 54321;
    while (getpwuid(u))
        ++u;
    return u;
}

// A local socket at `path`, bound (a stale file once closed) or connected without waiting;
// -1 when that fails. Allocates nothing, so that a forked child may call it.
int rawSocket(const char *path, bool connectIt) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    qstrncpy(addr.sun_path, path, sizeof addr.sun_path);
    auto *a = reinterpret_cast<sockaddr *>(&addr);
    if ((connectIt ? ::connect(fd, a, sizeof addr) : ::bind(fd, a, sizeof addr)) == 0) return fd;
    ::close(fd);
    return -1;
}

const std::string gJunk(1 << 16, 'x'); // what flooding peers send

// A child process running `body`, as `uid` unless it is 0, ended and reaped by the destructor
// if it has not ended by itself. The body allocates nothing: another thread may have held the
// allocator's lock when the process forked.
struct Child {
    Child(uid_t uid, const std::function<void()> &body) : pid(fork()) {
        if (pid != 0) return;
        if (uid && (setgroups(0, nullptr) != 0 || setgid(uid) != 0 || setuid(uid) != 0)) _exit(99);
        body();
        _exit(0);
    }
    ~Child() {
        if (pid <= 0) return;
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    // True once it has ended (reaped here, or by the system where SIGCHLD is ignored).
    bool finished() {
        const pid_t r = waitpid(pid, nullptr, WNOHANG);
        if (r == pid || (r < 0 && errno == ECHILD)) pid = 0;
        return pid == 0;
    }
    pid_t pid;
};

// Reads what arrives on `fd` until its end or `ms` of silence; returns the byte count.
long drain(int fd, int ms) {
    long n = 0;
    char buf[4096];
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, ms) == 1) {
        const ssize_t r = read(fd, buf, sizeof buf);
        if (r <= 0) break;
        n += r;
    }
    return n;
}

long maxRssKiB() {
    rusage u{};
    return getrusage(RUSAGE_SELF, &u), u.ru_maxrss;
}

} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        for (const char *n : kPlaceVars)
            _env[n] = qgetenv(n);
    }
    void init() { // every test starts from the environment the tests were given
        for (const char *n : kPlaceVars)
            setEnv(n, _env[n]);
        if (QString(QTest::currentDataTag()).split(' ').contains("other") && !otherUid())
            QSKIP("needs root to act as another user");
    }

    // XDG_RUNTIME_DIR when it is private, else our own 0700 folder in TMPDIR, else nothing.
    void privateFolder_data() { table("folders.txt"); }
    void privateFolder() {
        QFETCH(QStringList, row);
        const uid_t other = otherUid();
        QTemporaryDir root;
        const QString xdg = root.filePath("run"),
                      own = root.filePath(QString("sprig-run-%1").arg(geteuid()));
        const auto make = [&](const QString &kind, const QString &path) {
            const QByteArray p = QFile::encodeName(path);
            if (kind == "file") QFile(path).open(QIODevice::WriteOnly);
            if (kind == "private" || kind == "open" || kind == "other")
                mkdir(p, kind == "open" ? 0755 : 0700);
            if (kind == "other") QVERIFY(chown(p, other, other) == 0);
            if (kind == "link")
                QVERIFY(mkdir(p + "-target", 0700) == 0 && symlink(p + "-target", p) == 0);
        };
        make(row[0], xdg);
        make(row[1], own);
        setEnv("XDG_RUNTIME_DIR", row[0] == "-" ? QByteArray() : QFile::encodeName(xdg));
        setEnv("TMPDIR", QFile::encodeName(root.path()));
        QString why;
        const QString path = SingleInstance::socketPath(&why);
        const QString lands = row[2] == "xdg" ? xdg : row[2] == "tmp" ? own : QString();
        QCOMPARE(lands.isEmpty() ? path : QFileInfo(path).path(), lands);
        QVERIFY2(why.contains(row[3] == "-" ? "" : row[3]), qPrintable(why));
        struct stat st {};
        if (lands == own) QVERIFY(lstat(QFile::encodeName(own), &st) == 0 && st.st_mode == 040700);
    }

    // Each display has its own socket (a Wayland display may be a path), all in the folder.
    void oneSocketPerDisplay() {
        QTemporaryDir run;
        setEnv("XDG_RUNTIME_DIR", QFile::encodeName(run.path()));
        QSet<QString> paths;
        QString why;
        for (const QByteArray d :
             {":93 ", ":94 ", " wayland-0", ":93 wayland-0", " /x/wayland-0", " "}) {
            setEnv("DISPLAY", d.split(' ')[0]);
            setEnv("WAYLAND_DISPLAY", d.split(' ')[1]);
            paths << SingleInstance::socketPath(&why);
            QCOMPARE(QFileInfo(SingleInstance::socketPath(&why)).path(), run.path());
        }
        QCOMPARE(paths.size(), 6); // so `sprig FILE` on :94 never reaches :93
    }

    // Nothing that is not a live Sprig of this user gets the path, hangs or floods the client.
    void peers_data() { table("peers.txt"); }
    void peers() {
        QFETCH(QStringList, row);
        const QString kind = row[0];
        const uid_t owner = row[1] == "other" ? otherUid() : 0;
        QTemporaryDir run; // private, and ours: another user's socket can be put here by root
        setEnv("XDG_RUNTIME_DIR", QFile::encodeName(run.path()));
        const int fd = rawSocket(QFile::encodeName(SingleInstance().path()), false);
        QVERIFY(fd >= 0);
        int report[2];
        QVERIFY(pipe(report) == 0);
        const bool silent = kind == "silent", endless = kind == "endless";
        std::unique_ptr<Child> peer;
        if (kind != "stale") {
            peer = std::make_unique<Child>(owner, [&] {
                ::listen(fd, 4);
                (void)!write(report[1], "L", 1); // listening now
                if (silent) pause();
                long seen = 0;
                pollfd p{fd, POLLIN, 0};
                while (poll(&p, 1, 1500) == 1) { // until nobody comes for a while
                    const int c = accept(fd, nullptr, nullptr);
                    if (endless)
                        while (send(c, gJunk.data(), gJunk.size(), MSG_NOSIGNAL) > 0) {
                        }
                    seen += drain(c, 500);
                    (void)!send(c, "ok\n", 3, MSG_NOSIGNAL);
                    ::close(c);
                }
                char text[32];
                (void)!write(report[1], text, snprintf(text, sizeof text, "%ld", seen));
            });
        }
        ::close(fd);
        ::close(report[1]);
        char seen[32] = "L";
        if (peer) QVERIFY(read(report[0], seen, 1) == 1);
        const long rss = maxRssKiB();
        SingleInstance client;
        QVERIFY(!client.forwardToRunning("/home/u/secret-project.ls", 1000));
        QVERIFY(maxRssKiB() - rss < 32 * 1024); // the endless answer was not read
        QCOMPARE(client.listen(), row[2] == "yes");
        if (silent || endless) peer.reset();
        if (peer) QTRY_VERIFY_WITH_TIMEOUT(peer->finished(), 5000);
        const qint64 n = read(report[0], seen, sizeof seen - 1);
        ::close(report[0]);
        if (owner) QCOMPARE(QByteArray(seen, qMax(n, qint64(0))), QByteArray("0")); // read nothing
    }

    // What the running window opens, and that it stays reachable whatever was sent.
    void requests_data() { table("requests.txt"); }
    void requests() {
        QFETCH(QStringList, row);
        const uid_t owner = row[1] == "other" ? otherUid() : 0;
        QTemporaryDir dir;
        QVERIFY(chmod(QFile::encodeName(dir.path()), 0755) == 0);
        const QString sock = dir.filePath("s");
        SingleInstance server(sock), client(sock);
        QVERIFY(server.listen());
        QVERIFY(chmod(QFile::encodeName(sock), 0777) == 0); // reachable for the other user
        QSignalSpy opened(&server, &SingleInstance::openRequested);
        const QByteArray bytes = QByteArray::fromPercentEncoding(row[2].toLatin1());
        if (row[0] == "forward") {
            QCOMPARE(client.forwardToRunning(bytes), row[3] == "yes");
        } else {
            const QByteArray path = QFile::encodeName(sock);
            const bool flood = row[2] == "flood";
            Child sender(owner, [&] {
                const int fd = rawSocket(path.constData(), true);
                if (flood)
                    while (send(fd, gJunk.data(), gJunk.size(), MSG_NOSIGNAL) > 0) {
                    }
                (void)!send(fd, bytes.constData(), bytes.size(), MSG_NOSIGNAL);
                drain(fd, 3000);
            });
            QTRY_VERIFY_WITH_TIMEOUT(sender.finished(), 5000);
        }
        QTRY_COMPARE(opened.count(), row[3] == "yes" ? 1 : 0);
        if (opened.count()) QCOMPARE(opened.at(0).at(0).toByteArray(), bytes);
        QVERIFY(client.forwardToRunning("/tmp/after.ls"));
    }

    // Connections held open by the hundred neither use up the window's descriptors (Qt would
    // then close the server and remove its socket) nor keep it from serving once they go.
    void floodLeavesItServing() {
        QTemporaryDir dir;
        const QString sock = dir.filePath("s");
        SingleInstance server(sock), client(sock);
        QVERIFY(server.listen());
        rlimit saved{};
        getrlimit(RLIMIT_NOFILE, &saved);
        const rlimit low = {256, saved.rlim_max}; // the window's; the flood keeps its own
        setrlimit(RLIMIT_NOFILE, &low);
        int done[2];
        QVERIFY(pipe(done) == 0);
        const QByteArray path = QFile::encodeName(sock);
        auto flood = std::make_unique<Child>(0, [&] {
            setrlimit(RLIMIT_NOFILE, &saved);
            for (int held = 0, tries = 0; held < 600 && tries < 1500; ++tries)
                rawSocket(path.constData(), true) >= 0 ? ++held : usleep(1000); // else queue full
            (void)!write(done[1], "d", 1);
            pause(); // holding them all
        });
        pollfd flooded{done[0], POLLIN, 0};
        QTRY_VERIFY_WITH_TIMEOUT(poll(&flooded, 1, 0) == 1, 10000);
        setrlimit(RLIMIT_NOFILE, &saved);
        QVERIFY(server.isListening() && QFileInfo::exists(sock));
        flood.reset();
        // With every place taken by a silent client, a Sprig waits its turn and is served.
        for (int i = 0; i < SingleInstance::kMaxClients; ++i)
            QVERIFY(rawSocket(path, true) >= 0);
        QVERIFY(client.forwardToRunning("/tmp/a.ls", 2 * SingleInstance::kServeMs + 1000));
    }

  private:
    QHash<QByteArray, QByteArray> _env;
};

QTEST_MAIN(SingleInstanceTest)
#include "singleinstance_test.moc"
