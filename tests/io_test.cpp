// The shared reader and safe writer: what they accept and refuse, what a write does to what was
// there, and that no temporary is left behind (the write cases are tests/data/io/write.txt).
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "io.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> dataLines(const char *name) {
    std::ifstream in(std::string(SPRIG_TESTS_DIR "/data/io/") + name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    EXPECT_FALSE(lines.empty()) << name;
    return lines;
}

std::vector<std::string> fields(const std::string &line) {
    std::vector<std::string> out;
    for (size_t at = 0, bar;; at = bar + 3) {
        bar = line.find(" | ", at);
        out.push_back(line.substr(at, bar == std::string::npos ? bar : bar - at));
        if (bar == std::string::npos) return out;
    }
}

class IoTest : public ::testing::Test {
  protected:
    char tmpl[32] = "/tmp/sprig_io_test.XXXXXX";
    const std::string dir = mkdtemp(tmpl) ? tmpl : "/nonexistent";
    ~IoTest() override { fs::remove_all(dir); }

    std::string at(const std::string &name) const { return dir + "/" + name; }
    void put(const std::string &name, const std::string &bytes) const {
        std::ofstream(at(name), std::ios::binary) << bytes;
    }
    std::string get(const std::string &name) const {
        std::ifstream in(at(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    int hidden() const { // names starting with a dot: left-over temporaries
        int n = 0;
        for (const auto &e : fs::recursive_directory_iterator(dir))
            n += e.path().filename().string()[0] == '.';
        return n;
    }
};

// The identity taken at reading tells whether the path still leads to the same, unchanged file.
TEST_F(IoTest, IdentityNoticesAChangedFile) {
    put("f.ls", "old");
    fs::create_symlink("f.ls", at("link"));
    std::string bytes, err;
    io_identity_t read, now;
    ASSERT_TRUE(ioReadFile(at("link"), &bytes, &err, &read));
    EXPECT_TRUE(read.symlink && read.target == at("f.ls") && read.kind == IO_REGULAR);
    ASSERT_TRUE(ioIdentify(at("link"), &now, &err));
    EXPECT_TRUE(ioSameIdentity(read, now));
    io_written_t written;
    ASSERT_TRUE(ioWriteFile(at("link"), "new", 3, &err, &written));
    EXPECT_TRUE(written.file.symlink && written.file.target == at("f.ls"));
    ASSERT_TRUE(ioIdentify(at("link"), &now, &err));
    EXPECT_FALSE(ioSameIdentity(read, now));
    EXPECT_TRUE(ioSameIdentity(written.file, now));
    ASSERT_TRUE(ioIdentify(at("missing"), &now, &err));
    EXPECT_EQ(now.kind, IO_MISSING);
}

// Each case of read.txt (4 fields) or write.txt in a child process: its own mount namespace (for
// a small full file system), its own limits, and SIGPIPE and SIGXFSZ ignored as lsys and the
// window ignore them. The child reports "skip" or the outcome (and a write's check) on one line.
std::string runCase(const std::vector<std::string> &f, const std::string &dir, bool named) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return "no pipe";
    pid_t child = fork();
    if (child == 0) {
        close(out[0]);
        if (unshare(CLONE_NEWNS) == 0) mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
        signal(SIGPIPE, SIG_IGN);
        signal(SIGXFSZ, SIG_IGN);
        umask(022);
        ioUseNamedTemporaries(named);
        std::string report = "skip";
        if (chdir(dir.c_str()) == 0 && WEXITSTATUS(system(f[0].c_str())) != 77) {
            std::string data = f[2], err;
            if (data.compare(0, 2, "x*") == 0) data.assign(std::stoul(data.substr(2)), 'x');
            io_written_t w;
            const bool ok = f.size() == 4 ? ioReadFile(f[1], &data, &err)
                                          : ioWriteFile(f[1], data.data(), data.size(), &err, &w);
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
    std::string report;
    char buf[512];
    for (ssize_t n; (n = read(out[0], buf, sizeof buf)) > 0;)
        report.append(buf, (size_t)n);
    close(out[0]);
    waitpid(child, nullptr, 0);
    return report;
}

TEST_F(IoTest, ReadsAndWritesAsTheTablesSay) {
    int done = 0;
    for (const char *table : {"read.txt", "write.txt"})
        for (const std::string &line : dataLines(table)) {
            const std::vector<std::string> f = fields(line);
            const bool read = f.size() == 4;
            ASSERT_EQ(f.size(), read ? 4u : 7u) << line;
            for (bool named : {false, true}) {
                SCOPED_TRACE(line + (named ? " (named temporary)" : ""));
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
}

TEST_F(IoTest, UnfinishedFilesLeaveNothing) {
    for (bool named : {false, true}) { // abandoned: an error or an exception before the commit
        ioUseNamedTemporaries(named);
        put("keep", "old");
        {
            IoOut out;
            std::string err;
            ASSERT_TRUE(ioOutOpen(&out, at("keep"), &err));
            fputs("partial", out.file);
        }
        EXPECT_EQ(get("keep"), "old");
        EXPECT_EQ(hidden(), 0);
    }
    // Ended by a signal while a named temporary exists (as where O_TMPFILE is missing).
    for (const std::string &line : dataLines("signals.txt")) {
        SCOPED_TRACE(line);
        std::string name, how;
        std::istringstream(line) >> name >> how;
        int sig = 0;
        for (int s = 1; s < NSIG && !sig; s++)
            if (sigabbrev_np(s) && name == sigabbrev_np(s)) sig = s;
        ASSERT_NE(sig, 0);
        pid_t child = fork();
        if (child == 0) {
            const rlimit noCore = {0, 0};
            setrlimit(RLIMIT_CORE, &noCore);
            if (how == "handled") signal(sig, [](int) { ioRemoveTemporaries(), _exit(0); });
            ioUseNamedTemporaries(true);
            IoOut out;
            std::string err;
            if (!ioOutOpen(&out, at("keep"), &err)) _exit(3);
            fputs("partial", out.file);
            fflush(out.file);
            if (hidden() != 1) _exit(4);
            raise(sig);
            _exit(5);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (how == "handled")
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        else
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
        EXPECT_EQ(get("keep"), "old");
        EXPECT_EQ(hidden(), 0);
    }
    ioUseNamedTemporaries(false);
}

} // namespace
