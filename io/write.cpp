/* Writing output files safely (see io.h). */
#include "io_internal.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/random.h>
#include <unistd.h>

namespace {

bool gNamedOnly = false;

/* A hidden name beside target that nobody can guess: 96 random bits. */
std::string randomName(const std::string &dir, const std::string &target) {
    unsigned char r[12];
    if (getrandom(r, sizeof r, 0) != (ssize_t)sizeof r) {
        /* Not expected on Linux 3.17 and later; O_EXCL still refuses anything planted. */
        for (unsigned char &c : r)
            c = (unsigned char)random();
    }
    std::string name = dir + "/." + ioBaseOf(target).substr(0, 100) + ".";
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

/* From here o owns fd, whether or not the stream could be made: ~IoOut closes it. */
bool attach(IoOut *o, int fd, std::string *err) {
    o->stream.fd = fd;
    o->file = ioStreamOpen(&o->stream);
    return o->file ? true : (*err = strerror(errno), false);
}

/* A terminal, /dev/null or a pipe: written into, never replaced. O_NONBLOCK so that a FIFO
 * nobody reads is refused instead of waited on; the type is checked again on the open file, in
 * case the path was swapped for a regular file meanwhile. */
bool openDirect(IoOut *o, const std::string &path, std::string *err) {
    int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return *err = errno == ENXIO ? "no program is reading from the FIFO" : strerror(errno),
               false;
    struct stat st;
    if (fstat(fd, &st) != 0 || (!S_ISCHR(st.st_mode) && !S_ISFIFO(st.st_mode))) {
        close(fd);
        return *err = "the file changed while it was being opened", false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    o->kind = ioKindOf(st);
    /* /dev/stdout's last link names a pipe, not a path: then the path is what was written. */
    struct stat link;
    if (lstat(o->target.c_str(), &link) != 0) o->target = o->written.file.target = path;
    return attach(o, fd, err);
}

/* The replaced file's owner, group and permissions on the temporary. Root (or an owner who is
 * in the group) can keep them; anyone else at least keeps the group where they belong to it.
 * chown first: it clears set-id bits, which are not wanted anyway. */
void copyOwnership(int fd, const struct stat &old) {
    if (fchown(fd, old.st_uid, old.st_gid) != 0 && fchown(fd, (uid_t)-1, old.st_gid) != 0)
        return; /* neither: the saver's own owner and group, as for a new file */
}

} // namespace

IoOut::~IoOut() {
    if (file) fclose(file);
    if (stream.fd >= 0) close(stream.fd);
    if (!temp.empty()) unlink(temp.c_str());
    ioReleaseTemporary(&slot);
}

bool ioOutOpen(IoOut *o, const std::string &path, std::string *err) {
    if (!ioResolve(path, &o->target, &o->written.file.symlink, err)) return false;
    o->written.file.target = o->target;
    /* The kernel's view of the path: /dev/stdout's magic links lead to pipes it can name. */
    struct stat st;
    bool exists = stat(path.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) return *err = strerror(errno), false;
    if (exists && S_ISDIR(st.st_mode)) return *err = strerror(EISDIR), false;
    if (exists && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) return openDirect(o, path, err);
    if (exists && !S_ISREG(st.st_mode))
        return *err = "not a regular file (a block device or socket is never replaced)", false;
    if (exists && access(path.c_str(), W_OK) != 0) return *err = strerror(errno), false;

    o->kind = exists ? IO_REGULAR : IO_MISSING;
    o->dir = ioDirOf(o->target);
    int fd = gNamedOnly ? -1 : open(o->dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (gNamedOnly || (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL))) {
        /* No O_TMPFILE on this file system: a named temporary, removed on a signal. */
        for (int tries = 0; fd < 0 && tries < 8; tries++) {
            o->temp = randomName(o->dir, o->target);
            o->slot = ioClaimTemporary(o->temp);
            fd = open(o->temp.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
            if (fd < 0) {
                ioReleaseTemporary(&o->slot);
                o->temp.clear();
                if (errno != EEXIST) break;
            }
        }
    }
    if (fd < 0) return *err = "cannot create a file in " + o->dir + ": " + strerror(errno), false;
    if (exists) {
        copyOwnership(fd, st);
        o->written.brokenLinks = st.st_nlink > 1 ? (unsigned long)st.st_nlink - 1 : 0;
    }
    /* Permission bits only: never set-user-ID or set-group-ID on new content. */
    fchmod(fd, exists ? st.st_mode & 01777 : newFileMode());
    return attach(o, fd, err);
}

namespace {

bool direct(const IoOut *o) {
    return o->kind == IO_DEVICE || o->kind == IO_FIFO;
}

/* Gives an O_TMPFILE file a (random, registered) name in its folder. */
bool nameTemporary(IoOut *o, std::string *err) {
    char proc[64];
    snprintf(proc, sizeof proc, "/proc/self/fd/%d", o->stream.fd);
    for (int tries = 0; tries < 8; tries++) {
        o->temp = randomName(o->dir, o->target);
        o->slot = ioClaimTemporary(o->temp);
        if (linkat(AT_FDCWD, proc, AT_FDCWD, o->temp.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
            linkat(o->stream.fd, "", AT_FDCWD, o->temp.c_str(), AT_EMPTY_PATH) == 0)
            return true;
        int e = errno;
        ioReleaseTemporary(&o->slot);
        o->temp.clear();
        if (e != EEXIST) return *err = strerror(e), false;
    }
    return *err = strerror(EEXIST), false;
}

/* Closes the stream and its descriptor; false with the reason when closing reports a late
 * write error (as NFS can). */
bool finish(IoOut *o, std::string *err) {
    struct stat st;
    if (fstat(o->stream.fd, &st) == 0) ioIdentityFrom(st, &o->written.file);
    fclose(o->file);
    o->file = nullptr;
    int e = close(o->stream.fd) != 0 ? errno : 0;
    o->stream.fd = -1;
    return e ? (*err = std::string("write failed: ") + strerror(e), false) : true;
}

bool place(IoOut *o, std::string *err) {
    if (direct(o)) return finish(o, err);
    if (o->temp.empty() && !nameTemporary(o, err)) return false;
    if (rename(o->temp.c_str(), o->target.c_str()) != 0) return *err = strerror(errno), false;
    o->temp.clear();
    ioReleaseTemporary(&o->slot);
    return finish(o, err);
}

} // namespace

bool ioOutCommit(IoOut *const *outs, size_t n, std::string *err) {
    for (size_t i = 0; i < n; i++) {
        IoOut *o = outs[i];
        if (!o->file) return *err = "the file was not opened", false;
        bool bad = fflush(o->file) != 0 || ferror(o->file);
        int e = o->stream.error;
        /* Data in place before the name: a crash must not leave an empty file under it. */
        if (!bad && !direct(o) && fsync(o->stream.fd) != 0) bad = true, e = errno;
        if (bad) {
            *err = std::string("write failed: ") + strerror(e ? e : EIO);
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

bool ioWriteFile(const std::string &path, const void *data, size_t size, std::string *err,
                 io_written_t *written) {
    IoOut out;
    if (!ioOutOpen(&out, path, err)) return false;
    if (size) fwrite(data, 1, size, out.file);
    IoOut *one = &out;
    if (!ioOutCommit(&one, 1, err)) return false;
    if (written) *written = out.written;
    return true;
}
