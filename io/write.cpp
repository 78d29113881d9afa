/* Writing output files safely (see io.h). */
#include "io.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>

namespace {

/* ---- Temporaries the signal handler removes ----
 * A slot is free (0), being filled (1) or names a temporary on disk (2). The handler only reads
 * slots in state 2, whose name is complete, and calls nothing but unlink, sigaction and raise. */
const int kSlots = 16;
char gNames[kSlots][PATH_MAX];
std::atomic<int> gState[kSlots];
struct sigaction gPrevious[2]; /* SIGINT, SIGTERM as they were before */
std::atomic<bool> gInstalled{false};
bool gNamedOnly = false;

void onSignal(int sig) {
    for (int i = 0; i < kSlots; i++)
        if (gState[i].load() == 2) unlink(gNames[i]);
    const struct sigaction &prev = gPrevious[sig == SIGINT ? 0 : 1];
    if (!(prev.sa_flags & SA_SIGINFO) && prev.sa_handler != SIG_DFL && prev.sa_handler != SIG_IGN) {
        prev.sa_handler(sig); /* the program's own handler decides what happens next */
        return;
    }
    sigaction(sig, &prev, NULL);
    raise(sig);
}

void installHandler() {
    if (gInstalled.exchange(true)) return;
    const int sigs[2] = {SIGINT, SIGTERM};
    for (int i = 0; i < 2; i++) {
        struct sigaction sa = {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        if (sigaction(sigs[i], NULL, &gPrevious[i]) != 0) continue;
        /* An ignored signal does not end the process, so there is nothing to clean up. */
        if (!(gPrevious[i].sa_flags & SA_SIGINFO) && gPrevious[i].sa_handler == SIG_IGN) continue;
        sigaction(sigs[i], &sa, NULL);
    }
}

/* Claims a slot for name; -1 when all are taken or the name is too long (the temporary is then
 * simply not removed on a signal). */
int claim(const std::string &name) {
    installHandler();
    if (name.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; i++) {
        int expected = 0;
        if (!gState[i].compare_exchange_strong(expected, 1)) continue;
        memcpy(gNames[i], name.c_str(), name.size() + 1);
        gState[i].store(2);
        return i;
    }
    return -1;
}

void release(int *slot) {
    if (*slot >= 0) gState[*slot].store(0);
    *slot = -1;
}

std::string dirOf(const std::string &path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string &path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

/* A hidden name beside target that nobody can guess: 96 random bits. */
std::string randomName(const std::string &dir, const std::string &target) {
    unsigned char r[12];
    if (getrandom(r, sizeof r, 0) != (ssize_t)sizeof r) {
        /* Not expected on Linux 3.17 and later; O_EXCL still refuses anything planted. */
        for (unsigned char &c : r)
            c = (unsigned char)random();
    }
    std::string name = dir + "/." + baseOf(target).substr(0, 100) + ".";
    for (unsigned char c : r) {
        name += "0123456789abcdef"[c >> 4];
        name += "0123456789abcdef"[c & 15];
    }
    return name;
}

mode_t newFileMode() {
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

/* Where path finally leads through any symlinks, even when the last one dangles. */
bool resolve(const std::string &path, std::string *target, std::string *err) {
    std::string p = path;
    for (int hops = 0;; hops++) {
        struct stat st;
        if (lstat(p.c_str(), &st) != 0) {
            if (errno != ENOENT) return *err = strerror(errno), false;
            break;
        }
        if (!S_ISLNK(st.st_mode)) break;
        if (hops == 40) return *err = strerror(ELOOP), false;
        char buf[PATH_MAX];
        ssize_t n = readlink(p.c_str(), buf, sizeof buf - 1);
        if (n < 0) return *err = strerror(errno), false;
        std::string link(buf, (size_t)n);
        p = link[0] == '/' ? link : dirOf(p) + "/" + link;
    }
    *target = p;
    return true;
}

} // namespace

IoOut::~IoOut() {
    if (file) fclose(file);
    if (!temp.empty()) unlink(temp.c_str());
    release(&slot);
}

bool ioOutOpen(IoOut *o, const std::string &path, std::string *err) {
    struct stat st;
    bool exists = stat(path.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) return *err = strerror(errno), false;
    if (exists && S_ISDIR(st.st_mode)) return *err = strerror(EISDIR), false;
    if (exists && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) {
        /* A terminal, /dev/null or a pipe: written into, never replaced. O_NONBLOCK so that a
         * FIFO nobody reads is refused instead of waited on. */
        int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return *err = errno == ENXIO ? "no program is reading from the FIFO" : strerror(errno),
                   false;
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        o->file = fdopen(fd, "wb");
        if (!o->file) return *err = strerror(errno), close(fd), false;
        o->direct = true;
        o->target = path;
        return true;
    }
    if (exists && !S_ISREG(st.st_mode))
        return *err = "not a regular file (a block device or socket is never replaced)", false;
    if (exists && access(path.c_str(), W_OK) != 0) return *err = strerror(errno), false;

    if (!resolve(path, &o->target, err)) return false;
    o->dir = dirOf(o->target);
    const mode_t mode = exists ? st.st_mode & 07777 : newFileMode();
    int fd = gNamedOnly ? -1 : open(o->dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (gNamedOnly || (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))) {
        /* No O_TMPFILE on this file system: a named temporary, removed on a signal. */
        for (int tries = 0; fd < 0 && tries < 8; tries++) {
            o->temp = randomName(o->dir, o->target);
            o->slot = claim(o->temp);
            fd = open(o->temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
            if (fd < 0) {
                release(&o->slot);
                o->temp.clear();
                if (errno != EEXIST) break;
            }
        }
    }
    if (fd < 0) return *err = "cannot create a file in " + o->dir + ": " + strerror(errno), false;
    fchmod(fd, mode);
    o->file = fdopen(fd, "wb");
    if (!o->file) return *err = strerror(errno), close(fd), false;
    return true;
}

namespace {

/* Gives an O_TMPFILE file a (random, registered) name in its folder. */
bool nameTemporary(IoOut *o, std::string *err) {
    char proc[64];
    snprintf(proc, sizeof proc, "/proc/self/fd/%d", fileno(o->file));
    for (int tries = 0; tries < 8; tries++) {
        o->temp = randomName(o->dir, o->target);
        o->slot = claim(o->temp);
        if (linkat(AT_FDCWD, proc, AT_FDCWD, o->temp.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
            linkat(fileno(o->file), "", AT_FDCWD, o->temp.c_str(), AT_EMPTY_PATH) == 0)
            return true;
        int e = errno;
        release(&o->slot);
        o->temp.clear();
        if (e != EEXIST) return *err = strerror(e), false;
    }
    return *err = strerror(EEXIST), false;
}

bool place(IoOut *o, std::string *err) {
    if (o->direct) {
        bool bad = fclose(o->file) != 0;
        o->file = nullptr;
        return bad ? (*err = std::string("write failed: ") + strerror(errno), false) : true;
    }
    if (o->temp.empty() && !nameTemporary(o, err)) return false;
    if (rename(o->temp.c_str(), o->target.c_str()) != 0) return *err = strerror(errno), false;
    o->temp.clear();
    release(&o->slot);
    fclose(o->file);
    o->file = nullptr;
    return true;
}

} // namespace

bool ioOutCommit(IoOut *const *outs, size_t n, std::string *err) {
    for (size_t i = 0; i < n; i++) {
        IoOut *o = outs[i];
        if (!o->file) return *err = "the file was not opened", false;
        errno = 0;
        bool bad = ferror(o->file) || fflush(o->file) != 0;
        /* Data in place before the name: a crash must not leave an empty file under it. */
        if (!bad && !o->direct && fsync(fileno(o->file)) != 0) bad = true;
        if (bad) {
            *err = std::string("write failed: ") + strerror(errno ? errno : EIO);
            if (i + 1 < n) *err = "cannot write " + o->target + ": " + *err;
            return false;
        }
    }
    /* One exclusive lock on the folder while the files go in place, so two programs writing
     * the same pair of names cannot interleave their pairs. */
    int lock = n > 1 ? open(outs[0]->dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (lock >= 0) flock(lock, LOCK_EX);
    bool ok = true;
    for (size_t i = 0; ok && i < n; i++) {
        ok = place(outs[i], err);
        if (!ok && i + 1 < n) *err = "cannot write " + outs[i]->target + ": " + *err;
    }
    if (lock >= 0) close(lock);
    return ok;
}

void ioUseNamedTemporaries(bool on) {
    gNamedOnly = on;
}

bool ioWriteFile(const std::string &path, const void *data, size_t size, std::string *err) {
    IoOut out;
    if (!ioOutOpen(&out, path, err)) return false;
    if (size) fwrite(data, 1, size, out.file);
    IoOut *one = &out;
    return ioOutCommit(&one, 1, err);
}
