// Single instance: hand-over between two objects in one process, a stale socket file left by
// a dead process, and a peer that never answers.
#include "homepage.h"
#include "singleinstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
// A bound socket file under `name` whose process never accepts (listening) or is gone (not
// listening, the file left behind as after a crash).
int rawSocket(const QString &name, bool listening) {
    const QByteArray path = QFile::encodeName(QDir::tempPath() + "/" + name);
    ::unlink(path.constData());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    qstrncpy(addr.sun_path, path.constData(), sizeof addr.sun_path);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) return -1;
    if (listening) ::listen(fd, 4);
    return fd;
}
QString uniqueName(const char *tag) {
    return QString("sprig-test-%1-%2").arg(tag).arg(QCoreApplication::applicationPid());
}
} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
  private slots:
    void handsOverToRunning();
    void deadOrSilentPeer_data();
    void deadOrSilentPeer();
    void homepage_data();
    void homepage();
};

void SingleInstanceTest::handsOverToRunning() {
    const QString name = uniqueName("pair");
    SingleInstance first(name), second(name);
    QVERIFY(!second.forwardToRunning({"/tmp/a.ls"}, 300)); // nobody runs yet
    QVERIFY(first.listen());
    QVERIFY(!second.listen()); // a live instance keeps its name
    QVERIFY(first.isListening());

    QSignalSpy spy(&first, &SingleInstance::openRequested);
    QVERIFY(second.forwardToRunning({"/tmp/a b.ls", "relative.ls", "/tmp/x/../ü.ls"}));
    QTRY_COMPARE(spy.count(), 2); // the relative path is not opened
    QCOMPARE(spy.at(0).at(0).toString(), QString("/tmp/a b.ls"));
    QCOMPARE(spy.at(1).at(0).toString(), QString("/tmp/ü.ls"));
    QVERIFY(second.forwardToRunning({}));
}

void SingleInstanceTest::deadOrSilentPeer_data() {
    QTest::addColumn<bool>("listening");
    QTest::newRow("stale socket file") << false;
    QTest::newRow("peer never answers") << true;
}

// Neither case hangs: the hand-over fails within its time limit. A stale file is replaced by
// a new instance; a silent live one keeps the name.
void SingleInstanceTest::deadOrSilentPeer() {
    QFETCH(bool, listening);
    const QString name = uniqueName(listening ? "silent" : "stale");
    const int fd = rawSocket(name, listening);
    QVERIFY(fd >= 0);
    SingleInstance client(name);
    QElapsedTimer t;
    t.start();
    QVERIFY(!client.forwardToRunning({"/tmp/a.ls"}, 300));
    QVERIFY(t.elapsed() < 2000);

    SingleInstance server(name);
    QCOMPARE(server.listen(), !listening);
    if (!listening) {
        QSignalSpy spy(&server, &SingleInstance::openRequested);
        QVERIFY(client.forwardToRunning({"/tmp/b.ls"}));
        QTRY_COMPARE(spy.count(), 1);
    }
    ::close(fd);
    if (listening) ::unlink(QFile::encodeName(QDir::tempPath() + "/" + name).constData());
}

void SingleInstanceTest::homepage_data() {
    QTest::addColumn<QString>("configured");
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QString>("expected");
    // appDir is <tmp>/bin; <tmp>/share/doc/sprig/README.md exists.
    QTest::newRow("web page kept") << "https://example.org/sprig"
                                   << "share/doc/sprig/README.md"
                                   << "https://example.org/sprig";
    QTest::newRow("existing file kept") << "file://@/share/doc/sprig/README.md"
                                        << "nothing/here"
                                        << "file://@/share/doc/sprig/README.md";
    QTest::newRow("moved install found") << "file:///nonexistent/share/doc/sprig/README.md"
                                         << "share/doc/sprig/README.md"
                                         << "file://@/share/doc/sprig/README.md";
    QTest::newRow("nothing found") << "file:///nonexistent/README.md"
                                   << "nothing/here"
                                   << "file:///nonexistent/README.md";
}

void SingleInstanceTest::homepage() {
    QFETCH(QString, configured);
    QFETCH(QString, relative);
    QFETCH(QString, expected);
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath("bin") && QDir(root.path()).mkpath("share/doc/sprig"));
    QFile readme(root.filePath("share/doc/sprig/README.md"));
    QVERIFY(readme.open(QIODevice::WriteOnly));
    readme.close();
    const QString at = root.path();
    QCOMPARE(resolveHomepage(configured.replace("@", at), root.filePath("bin"), relative),
             expected.replace("@", at));
    QVERIFY(!sprigHomepage().isEmpty());
}

QTEST_MAIN(SingleInstanceTest)
#include "singleinstance_test.moc"
