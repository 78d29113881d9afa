/* Following symlinks the way the kernel allows, and taking a file's identity (see io.h). */
#include "io_internal.h"

#include <errno.h>
#include <limits.h>
#include <string.h>
#include <unistd.h>

std::string ioDirOf(const std::string &path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string ioBaseOf(const std::string &path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

io_kind_t ioKindOf(const struct stat &st) {
    if (S_ISREG(st.st_mode)) return IO_REGULAR;
    if (S_ISCHR(st.st_mode)) return IO_DEVICE;
    if (S_ISFIFO(st.st_mode)) return IO_FIFO;
    return IO_OTHER;
}

void ioIdentityFrom(const struct stat &st, io_identity_t *id) {
    id->kind = ioKindOf(st);
    id->device = st.st_dev;
    id->inode = st.st_ino;
    id->size = st.st_size;
    id->mtime = st.st_mtim;
}

namespace {

/* The kernel's protected_symlinks rule for the link at path (lstat'ed as link): followed when
 * the user owns it, when its folder is not both sticky and world-writable, or when the folder's
 * owner owns it too. */
bool mayFollow(const std::string &path, const struct stat &link, std::string *err) {
    if (link.st_uid == geteuid()) return true;
    struct stat dir;
    if (stat(ioDirOf(path).c_str(), &dir) != 0) return *err = strerror(errno), false;
    if ((dir.st_mode & (S_ISVTX | S_IWOTH)) != (S_ISVTX | S_IWOTH)) return true;
    if (dir.st_uid == link.st_uid) return true;
    *err = "not following the symlink " + path +
           ": in a sticky, world-writable folder it belongs to neither you nor the folder's owner";
    return false;
}

} // namespace

bool ioResolve(const std::string &path, std::string *target, bool *wasLink, std::string *err) {
    std::string p = path;
    *wasLink = false;
    for (int hops = 0;; hops++) {
        struct stat st;
        if (lstat(p.c_str(), &st) != 0) {
            if (errno != ENOENT) return *err = strerror(errno), false;
            break;
        }
        if (!S_ISLNK(st.st_mode)) break;
        if (hops == 40) return *err = strerror(ELOOP), false;
        if (!mayFollow(p, st, err)) return false;
        *wasLink = true;
        char buf[PATH_MAX];
        ssize_t n = readlink(p.c_str(), buf, sizeof buf - 1);
        if (n < 0) return *err = strerror(errno), false;
        std::string link(buf, (size_t)n);
        p = !link.empty() && link[0] == '/' ? link : ioDirOf(p) + "/" + link;
    }
    *target = p;
    return true;
}

bool ioIdentify(const std::string &path, io_identity_t *id, std::string *err) {
    *id = io_identity_t();
    if (!ioResolve(path, &id->target, &id->symlink, err)) return false;
    /* stat follows what the kernel follows (/dev/stdout's magic links included). */
    struct stat st;
    if (stat(path.c_str(), &st) == 0) {
        ioIdentityFrom(st, id);
    } else if (errno != ENOENT) {
        *err = strerror(errno);
        return false;
    }
    return true;
}

bool ioSameIdentity(const io_identity_t &a, const io_identity_t &b) {
    return a.kind == b.kind && a.device == b.device && a.inode == b.inode && a.size == b.size &&
           a.mtime.tv_sec == b.mtime.tv_sec && a.mtime.tv_nsec == b.mtime.tv_nsec;
}
