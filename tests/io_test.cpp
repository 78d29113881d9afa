// The shared reader and safe writer: what they accept and refuse, what a write does to what was
// there, and that no temporary is left behind (the write cases are tests/data/io/write.txt).
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine_test.h"
#include "io.h"

namespace {

namespace fs = std::filesystem;

// The identity taken at reading tells whether the path still leads to the same, unchanged file.
TEST(Io, IdentityNoticesAChangedFile) {
    char tmpl[] = "/tmp/sprig_io_test.XXXXXX";
    const std::string dir = mkdtemp(tmpl), link = dir + "/link", file = dir + "/f.ls";
    std::ofstream(file) << "old";
    fs::create_symlink("f.ls", link);
    std::string bytes, err;
    io_identity_t read, now, missing;
    io_written_t written;
    ASSERT_TRUE(ioReadFile(link, &bytes, &err, &read) && ioIdentify(link, &now, &err));
    EXPECT_TRUE(read.symlink && read.target == file && read.kind == IO_REGULAR);
    EXPECT_TRUE(ioSameIdentity(read, now));
    ASSERT_TRUE(ioWriteFile(link, "new", 3, &err, &written) && ioIdentify(link, &now, &err));
    EXPECT_TRUE(written.file.symlink && written.file.target == file);
    EXPECT_TRUE(!ioSameIdentity(read, now) && ioSameIdentity(written.file, now));
    EXPECT_TRUE(ioIdentify(dir + "/missing", &missing, &err) && missing.kind == IO_MISSING);
    fs::remove_all(dir);
}

// Opens a write of path and leaves it unfinished in a process of its own: "abandon" (an error or
// an exception before the commit), or "kill SIG default|handled", a signal while the write is
// open, with its default action (the writer's handler removes the temporary, then the signal
// ends the process) or a handler of the program's own that calls ioRemoveTemporaries and exits.
// Says how the process ended.
std::string leaveUnfinished(const std::string &path, const std::string &how, bool named) {
    std::string name, action, err;
    std::istringstream(how) >> name >> name >> action;
    int sig = 0;
    for (int s = 1; s < NSIG && !sig && name != "abandon"; s++)
        if (sigabbrev_np(s) && name == sigabbrev_np(s)) sig = s;
    const pid_t child = fork();
    if (child == 0) {
        const rlimit noCore = {0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        if (action == "handled") signal(sig, [](int) { ioRemoveTemporaries(), _exit(0); });
        {
            IoOut out;
            if (!ioOutOpen(&out, path, &err) || fputs("partial", out.file) < 0) _exit(3);
            fflush(out.file);
            if (named && system("[ -n \"$(find . -name '.?*')\" ]") != 0) _exit(4); // none to leave
            if (sig) raise(sig);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status) ? std::string("killed by ") + sigabbrev_np(WTERMSIG(status))
                               : "exit " + std::to_string(WEXITSTATUS(status));
}

// Each case of read.txt (4 fields) or write.txt in a child process: its own mount namespace (for
// a small full file system) and its own limits. The child reports "skip" or the outcome (and a
// write's check) on one line.
std::string runCase(const row_t &f, const std::string &dir, bool named) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return "no pipe";
    pid_t child = fork();
    if (child == 0) {
        close(out[0]);
        if (unshare(CLONE_NEWNS) == 0) mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
        umask(022);
        ioUseNamedTemporaries(named);
        std::string report = "skip";
        if (chdir(dir.c_str()) == 0 &&
            WEXITSTATUS(system(("need() { \"$@\" || exit 77; }; " + f[0]).c_str())) != 77) {
            std::string data = f[2], err;
            if (data.compare(0, 2, "x*") == 0) data.assign(std::stoul(data.substr(2)), 'x');
            io_written_t w;
            const bool unfinished = data == "abandon" || data.compare(0, 5, "kill ") == 0;
            if (unfinished) err = leaveUnfinished(f[1], data, named);
            signal(SIGPIPE, SIG_IGN); // as lsys and the window do
            signal(SIGXFSZ, SIG_IGN);
            const bool ok = f.size() == 4 ? ioReadFile(f[1], &data, &err)
                                          : !unfinished && ioWriteFile(f[1], data.data(),
                                                                       data.size(), &err, &w);
            const char *kinds[] = {"missing", "regular", "device", "fifo", "other"};
            const std::string check = "(" + f.back() + ") && [ -z \"$(find . -name '.?*')\" ]";
            report = f.size() == 4 ? err + " | " + (ok ? std::to_string(data.size()) : "-")
                                   : err + " | " + (ok ? kinds[w.file.kind] : "") + " | " +
                                         (ok ? std::to_string(w.brokenLinks) : "") + " | " +
                                         std::to_string(WEXITSTATUS(system(check.c_str())));
        }
        if (write(out[1], report.data(), report.size()) < 0) _exit(1);
        _exit(0);
    }
    close(out[1]);
    const std::string report = readFile("/dev/fd/" + std::to_string(out[0]));
    close(out[0]);
    waitpid(child, nullptr, 0);
    return report;
}

TEST(Io, ReadsAndWritesAsTheTablesSay) {
    char tmpl[] = "/tmp/sprig_io_test.XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    int done = 0;
    for (const char *table : {"read.txt", "write.txt"})
        for (const row_t &f : dataRows(std::string("io/") + table)) {
            const bool read = f.size() == 4;
            ASSERT_EQ(f.size(), read ? 4u : 7u) << f[0];
            for (bool named : {false, true}) {
                SCOPED_TRACE(f[0] + " | " + f[1] + " | " + f[2] +
                             (named ? " (named temporary)" : ""));
                fs::remove_all(dir);
                fs::create_directory(dir);
                const std::string got = runCase(f, dir, named);
                if (got == "skip") continue;
                EXPECT_EQ(got,
                          read ? f[2] + " | " + f[3] : f[3] + " | " + f[4] + " | " + f[5] + " | 0");
                done++;
            }
        }
    EXPECT_GE(done, 34); // the cases that need no privileges
    fs::remove_all(dir);
}

} // namespace
