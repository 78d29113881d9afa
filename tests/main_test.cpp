// The sprig program end to end (table in data/main/startup.txt): which signals end it only
// through Quit and which it ignores or dies of, a settings file it must neither read nor
// touch, and a file name Qt cannot carry. Then what SIGQUIT leaves of an unfinished save.
#include "io.h"
#include "signalwatcher.h"

#include <QtTest>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

const QDir::Filters kAll = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;

// The rows of data/main/startup.txt, fields separated by '|' and trimmed.
QList<QStringList> rows() {
    QFile f(SPRIG_TESTS_DIR "/data/main/startup.txt");
    QList<QStringList> out;
    if (!f.open(QIODevice::ReadOnly)) qFatal("missing table");
    for (const QString &line : QString::fromUtf8(f.readAll()).split('\n'))
        if (!line.trimmed().isEmpty() && !line.startsWith('#'))
            out << line.split('|').replaceInStrings(QRegularExpression("^\\s+|\\s+$"), "");
    return out;
}

// Kind, size, modification time and inode: what any write or replacement would change.
QString identity(const QString &path) {
    struct stat st {};
    stat(QFile::encodeName(path), &st);
    return QString::asprintf("%o %ld %ld.%ld %lu", st.st_mode, long(st.st_size),
                             long(st.st_mtim.tv_sec), st.st_mtim.tv_nsec, (unsigned long)st.st_ino);
}

} // namespace

class MainTest : public QObject {
    Q_OBJECT
  private slots:
    void startup_data() {
        QTest::addColumn<QStringList>("row");
        for (const QStringList &r : rows())
            QTest::newRow(qPrintable(r[0])) << r;
    }
    void startup() {
        QFETCH(QStringList, row);
        QTemporaryDir tmp;
        const QString run = tmp.filePath("run"), settings = tmp.filePath("config/Sprig/Sprig.conf");
        QVERIFY(QDir().mkpath(run) && QDir().mkpath(QFileInfo(settings).path()));
        QVERIFY(QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(system(qPrintable(
                    QString("cd '%1' && S='%2' && %3").arg(tmp.path(), settings, row[1]))) == 0);
        const QString before = QFileInfo::exists(settings) ? identity(settings) : QString();

        QProcess sprig;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", run);
        env.insert("XDG_CONFIG_HOME", tmp.filePath("config"));
        sprig.setProcessEnvironment(env);
        sprig.setWorkingDirectory(tmp.path());
        // As a terminal would start it: default signal actions, nothing blocked, no core file.
        sprig.setChildProcessModifier([] {
            for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ, SIGQUIT})
                signal(s, SIG_DFL);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            const rlimit noCore{0, 0};
            setrlimit(RLIMIT_CORE, &noCore);
        });
        sprig.start("/bin/sh", {"-c", "exec \"$0\" " + row[2], SPRIG_BINARY});
        // Its hand-over socket appears once the signal handlers are in place.
        QTRY_VERIFY_WITH_TIMEOUT(
            !QDir(run).isEmpty(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot) ||
                sprig.state() == QProcess::NotRunning,
            60000);
        QCOMPARE(sprig.state(), QProcess::Running);
        for (const QString &s : row[3].split(','))
            QProcess::execute("/bin/sh",
                              {"-c", "kill -s " + s + " " + QString::number(sprig.processId())});
        QVERIFY(sprig.waitForFinished(60000));
        const QString err = QString::fromLocal8Bit(sprig.readAllStandardError());
        const QString ended = sprig.exitStatus() == QProcess::CrashExit
                                  ? sigabbrev_np(sprig.exitCode())
                                  : QString::number(sprig.exitCode());
        QVERIFY2(ended == row[4], qPrintable(ended + ": " + err));
        QVERIFY2(err.contains(row[5] == "-" ? "" : row[5]), qPrintable(err));
        if (!before.isEmpty()) QCOMPARE(identity(settings), before);
    }

    // SIGQUIT ends the window at once, but not before the named temporary of an unfinished
    // save (on file systems without unnamed ones) is removed.
    void quitRemovesTemporaries() {
        QTemporaryDir dir;
        const std::string target = QFile::encodeName(dir.filePath("doc.ls")).toStdString();
        const pid_t child = fork();
        if (child == 0) {
            const rlimit noCore{0, 0};
            setrlimit(RLIMIT_CORE, &noCore);
            SignalWatcher watcher;
            ioUseNamedTemporaries(true);
            IoOut out;
            std::string err;
            if (!ioOutOpen(&out, target, &err) || QDir(dir.path()).isEmpty(kAll)) _exit(3);
            raise(SIGQUIT);
            _exit(4);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGQUIT,
                 qPrintable(QString::number(status)));
        QVERIFY(QDir(dir.path()).isEmpty(kAll));
    }
};

QTEST_MAIN(MainTest)
#include "main_test.moc"
