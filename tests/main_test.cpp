// The sprig program end to end (table in data/main/startup.txt): which signals end it only
// through Quit and which it ignores or dies of, a settings file it must neither read nor
// touch, a file name Qt cannot carry, and a file too large for the editor under a memory cap.
// Then what SIGQUIT leaves of an unfinished save.
#include "io.h"
#include "rows.h"
#include "signalwatcher.h"

#include <QtTest>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#if defined(__SANITIZE_ADDRESS__)
#define SPRIG_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SPRIG_ASAN 1
#endif
#endif

namespace {

const QDir::Filters kAll = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;

int signalNamed(const QString &name) {
    for (int s = 1; s < NSIG; ++s)
        if (sigabbrev_np(s) && name == sigabbrev_np(s)) return s;
    return 0;
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
        for (const row_t &line : dataRows("main/startup.txt")) {
            const QStringList r = QString::fromStdString(line[0]).split(' ', Qt::SkipEmptyParts);
            QTest::newRow(qPrintable(r[0])) << r;
        }
    }
    void startup() {
        QFETCH(QStringList, row);
        QTemporaryDir tmp;
        const QString run = tmp.filePath("run"), settings = tmp.filePath("config/Sprig/Sprig.conf");
        QVERIFY(QDir().mkpath(run) && QDir().mkpath(QFileInfo(settings).path()));
        QVERIFY(QFile::setPermissions(run, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        if (row[1] == "fifo") QVERIFY(mkfifo(QFile::encodeName(settings), 0600) == 0);
        if (row[1] == "big")
            QVERIFY(QFile(settings).open(QIODevice::WriteOnly) &&
                    QFile::resize(settings, (1 << 20) + 1));
        const QString before = identity(settings);

        QProcess sprig;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", run);
        env.insert("XDG_CONFIG_HOME", tmp.filePath("config"));
        sprig.setProcessEnvironment(env);
        sprig.setWorkingDirectory(tmp.path());
        // Files too large for the editor, or for the address space it may use.
        const rlim_t cap = row[2] == "long" ? 4ull << 30 : row[2] == "tight" ? 1400ull << 20 : 0;
#ifdef SPRIG_ASAN
        if (cap) QSKIP("AddressSanitizer's shadow memory does not fit an address-space limit");
#endif
        if (cap) {
            QFile big(tmp.filePath("big.ls"));
            QVERIFY(big.open(QIODevice::WriteOnly));
            big.write(row[2] == "long"
                          ? "axiom " + QByteArray(16 << 20, 'F') + "\n"
                          : QByteArray("rule F=F[+F]F[-F]F  # a line\n").repeated(400000));
        }
        // As a terminal would start it: default signal actions, nothing blocked, no core file.
        sprig.setChildProcessModifier([cap] {
            for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ, SIGQUIT})
                signal(s, SIG_DFL);
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            const rlimit noCore{0, 0};
            setrlimit(RLIMIT_CORE, &noCore);
            const rlimit space{cap, cap};
            if (cap) setrlimit(RLIMIT_AS, &space);
        });
        if (cap) {
            sprig.start(SPRIG_BINARY, {"big.ls"});
        } else if (row[2] == "latin1") {
            // Qt cannot name it, so the shell makes it and passes its name on.
            sprig.start("/bin/sh", {"-c",
                                    "f=$(printf 'lat\\351.ls'); printf 'axiom F\\n' > \"$f\" && "
                                    "exec \"$0\" \"$f\"",
                                    SPRIG_BINARY});
        } else {
            sprig.start(SPRIG_BINARY);
        }
        // Its hand-over socket appears once the signal handlers are in place.
        QTRY_VERIFY_WITH_TIMEOUT(
            !QDir(run).isEmpty(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot) ||
                sprig.state() == QProcess::NotRunning,
            60000);
        QCOMPARE(sprig.state(), QProcess::Running);
        for (const QString &s : row[3].split(','))
            kill(pid_t(sprig.processId()), signalNamed(s));
        QVERIFY(sprig.waitForFinished(60000));
        const QString err = QString::fromLocal8Bit(sprig.readAllStandardError());
        if (row[4] == "exit") {
            QVERIFY2(sprig.exitStatus() == QProcess::NormalExit && sprig.exitCode() == 0,
                     qPrintable(QString("ended by %1: %2").arg(sprig.exitCode()).arg(err)));
        } else {
            QCOMPARE(sprig.exitStatus(), QProcess::CrashExit);
            QCOMPARE(sprig.exitCode(), signalNamed(row[4]));
        }
        if (row[5] != "-")
            QVERIFY2(err.contains(QString(row[5]).replace('_', ' ')), qPrintable(err));
        if (row[1] != "-") QCOMPARE(identity(settings), before);
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
