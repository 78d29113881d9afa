// The shared reader and safe writer: what they accept and refuse; no temporary is left behind.
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "io.h"

namespace {

namespace fs = std::filesystem;

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
    // Names in dir that start with a dot: a left-over temporary.
    int hidden() const {
        int n = 0;
        for (const auto &e : fs::directory_iterator(dir))
            n += e.path().filename().string()[0] == '.';
        return n;
    }
    void makeSocket(const std::string &name) const {
        int s = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr = {};
        addr.sun_family = AF_UNIX;
        snprintf(addr.sun_path, sizeof addr.sun_path, "%s", at(name).c_str());
        ASSERT_EQ(bind(s, (sockaddr *)&addr, sizeof addr), 0);
        close(s);
    }
};

TEST_F(IoTest, ReadsRegularFilesOnly) {
    const std::string nul("axiom F\n\0rule X=F\n", 18);
    put("nul.ls", nul);
    ASSERT_EQ(mkfifo(at("fifo").c_str(), 0600), 0); // no writer: opening it would block
    fs::create_directory(at("dir"));
    ASSERT_EQ(truncate((put("huge", ""), at("huge")).c_str(), IO_MAX_READ + 1), 0);
    ASSERT_EQ(truncate((put("max", ""), at("max")).c_str(), IO_MAX_READ), 0);
    makeSocket("sock");
    const std::pair<std::string, std::string> cases[] = {
        {at("nul.ls"), ""}, // every byte, the NUL and what follows included
        {at("max"), ""},
        {at("fifo"), "not a regular file"},
        {at("sock"), "No such device or address"},
        {at("dir"), "Is a directory"},
        {at("huge"), "file too large (more than 64 MiB)"},
        {at("missing"), "No such file or directory"},
    };
    for (const auto &[path, want] : cases) {
        std::string bytes = "old", err;
        EXPECT_EQ(ioReadFile(path, &bytes, &err), want.empty()) << path;
        EXPECT_EQ(err, want) << path;
        EXPECT_TRUE(path != at("nul.ls") || bytes == nul);
        EXPECT_TRUE(path != at("max") || bytes.size() == (size_t)IO_MAX_READ);
    }
}

TEST_F(IoTest, WritesWholeFilesAndNeverReplacesSpecialOnes) {
    mode_t mask = umask(0);
    umask(mask);
    const mode_t plain = 0666 & ~mask;
    auto mode = [&](const std::string &p) {
        struct stat st;
        return lstat(p.c_str(), &st) == 0 ? st.st_mode : 0;
    };
    put("private", "old");
    chmod(at("private").c_str(), 0600);
    put("target", "old");
    fs::create_symlink("target", at("link"));
    fs::create_symlink("sub/new", at("dangling"));
    fs::create_directory(at("sub"));
    fs::create_symlink("/dev/null", at("null"));
    ASSERT_EQ(mkfifo(at("fifo").c_str(), 0600), 0);
    makeSocket("sock");
    // A character device of our own (as root), else the system's /dev/null.
    const std::string dev =
        mknod(at("dev").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 ? at("dev") : "/dev/null";

    // {path written, error wanted, file whose content must then be "new", its mode}
    const std::tuple<std::string, std::string, std::string, mode_t> cases[] = {
        {at("fresh"), "", at("fresh"), S_IFREG | plain},
        {at("private"), "", at("private"), S_IFREG | 0600}, // keeps its permission bits
        {at("link"), "", at("target"), S_IFREG | plain},    // written through the symlink
        {at("dangling"), "", at("sub/new"), S_IFREG | plain},
        {at("null"), "", "", 0},
        {dev, "", "", 0},
        {at("fifo"), "no program is reading from the FIFO", "", 0},
        {at("sock"), "not a regular file (a block device or socket is never replaced)", "", 0},
        {at("sub"), "Is a directory", "", 0},
        {at("no/such"), "cannot create a file in " + at("no") + ": No such file or directory", "",
         0},
    };
    for (bool named : {false, true}) {
        ioUseNamedTemporaries(named);
        for (const auto &[path, want, written, wantMode] : cases) {
            SCOPED_TRACE(path + (named ? " (named temporary)" : ""));
            const mode_t before = mode(path);
            std::string err;
            EXPECT_EQ(ioWriteFile(path, "new", 3, &err), want.empty());
            EXPECT_EQ(err, want);
            if (!written.empty()) {
                EXPECT_EQ(get(written.substr(dir.size() + 1)), "new");
                EXPECT_EQ(mode(written), wantMode);
                put(written.substr(dir.size() + 1), "old");
            }
            if (written != path) {
                EXPECT_EQ(mode(path), before); // still a link, a device, ...
            }
            EXPECT_EQ(hidden(), 0);
        }
    }
    ioUseNamedTemporaries(false);
}

TEST_F(IoTest, UnfinishedFilesLeaveNothing) {
    for (bool named : {false, true}) {
        ioUseNamedTemporaries(named);
        put("keep", "old");
        { // abandoned: an error or an exception before the commit
            IoOut out;
            std::string err;
            ASSERT_TRUE(ioOutOpen(&out, at("keep"), &err));
            fputs("partial", out.file);
        }
        EXPECT_EQ(get("keep"), "old");
        EXPECT_EQ(hidden(), 0);
        // Interrupted: the handler removes the named temporary and the signal ends the process.
        pid_t child = fork();
        if (child == 0) {
            IoOut out;
            std::string err;
            if (!ioOutOpen(&out, at("keep"), &err)) _exit(3);
            fputs("partial", out.file);
            fflush(out.file);
            if ((hidden() == 1) != named) _exit(4); // only a named temporary shows
            raise(SIGINT);
            _exit(5);
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
        EXPECT_EQ(get("keep"), "old");
        EXPECT_EQ(hidden(), 0);
    }
    ioUseNamedTemporaries(false);
}

} // namespace
