// Single instance hand-over (live, stale and silent peers) and where the Donate address leads.
#include "homepage.h"
#include "singleinstance.h"

#include <QLocalServer>
#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
QString uniqueName(const char *tag) {
    return QString("sprig-test-%1-%2").arg(tag).arg(QCoreApplication::applicationPid());
}
// A socket file under `name` whose owner never accepts (listening) or is gone, as after a crash.
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
} // namespace

class SingleInstanceTest : public QObject {
    Q_OBJECT
  private slots:
    void handsOverToRunning() {
        const QString name = uniqueName("pair");
        SingleInstance first(name), second(name);
        QVERIFY(!second.forwardToRunning({"/tmp/a.ls"}, 300)); // nobody runs yet
        QVERIFY(first.listen());
        QVERIFY(!second.listen()); // a live instance keeps its name
        QSignalSpy opened(&first, &SingleInstance::openRequested);
        QVERIFY(second.forwardToRunning({"/tmp/a b.ls", "relative.ls", "/tmp/x/../ü.ls"}));
        QTRY_COMPARE(opened.count(), 2); // a relative path means nothing to the other process
        QCOMPARE(opened.at(0).at(0).toString(), QString("/tmp/a b.ls"));
        QCOMPARE(opened.at(1).at(0).toString(), QString("/tmp/ü.ls"));
    }

    // Catches a hang, a stale file blocking a new instance, or a silent live one losing its name.
    void deadOrSilentPeer_data() {
        QTest::addColumn<bool>("listening");
        QTest::newRow("stale socket file") << false;
        QTest::newRow("peer never answers") << true;
    }
    void deadOrSilentPeer() {
        QFETCH(bool, listening);
        const QString name = uniqueName(listening ? "silent" : "stale");
        const int fd = rawSocket(name, listening);
        QVERIFY(fd >= 0);
        SingleInstance client(name), server(name);
        QElapsedTimer t;
        t.start();
        QVERIFY(!client.forwardToRunning({"/tmp/a.ls"}, 300));
        QVERIFY(t.elapsed() < 2000);
        QCOMPARE(server.listen(), !listening);
        QSignalSpy opened(&server, &SingleInstance::openRequested);
        QCOMPARE(client.forwardToRunning({"/tmp/b.ls"}, 300), !listening);
        QTRY_COMPARE(opened.count(), listening ? 0 : 1);
        ::close(fd);
        if (listening) QLocalServer::removeServer(name);
    }

    // "@" stands for a prefix holding share/doc/sprig/README.md, with the program in @/bin.
    void homepage_data() {
        QTest::addColumn<QString>("configured");
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QString>("expected");
        const QString readme = "share/doc/sprig/README.md";
        QTest::newRow("web page") << "https://example.org/" << readme << "https://example.org/";
        QTest::newRow("file exists") << "file://@/" + readme << "no"
                                     << "file://@/" + readme;
        QTest::newRow("unset") << "" << readme << "file://@/" + readme;
        QTest::newRow("installed elsewhere")
            << "file:///no/" + readme << readme << "file://@/" + readme;
        QTest::newRow("nowhere") << "file:///no/README.md"
                                 << "no"
                                 << "file:///no/README.md";
    }
    void homepage() {
        QFETCH(QString, configured);
        QFETCH(QString, relative);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath("bin") && QDir(root.path()).mkpath("share/doc/sprig"));
        QFile readme(root.filePath("share/doc/sprig/README.md"));
        QVERIFY(readme.open(QIODevice::WriteOnly));
        const QString at = root.path();
        QCOMPARE(resolveHomepage(configured.replace("@", at), at + "/bin", relative),
                 expected.replace("@", at));
    }
};

QTEST_MAIN(SingleInstanceTest)
#include "singleinstance_test.moc"
