/* Reading a description file (see io.h). */
#include "io_internal.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

bool ioReadFile(const std::string &path, std::string *bytes, std::string *err, io_identity_t *id) {
    /* O_NONBLOCK: opening a FIFO without a writer would otherwise wait forever; the file type
     * is checked before any read. */
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *err = strerror(errno);
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int e = errno;
        bool statFailed = fstat(fd, &st) != 0;
        close(fd);
        *err = statFailed            ? strerror(e)
               : S_ISDIR(st.st_mode) ? strerror(EISDIR)
                                     : "not a regular file";
        return false;
    }
    if (st.st_size > IO_MAX_READ) {
        close(fd);
        *err = "file too large (more than 64 MiB)";
        return false;
    }
    if (id) {
        std::string ignored;
        *id = io_identity_t();
        if (!ioResolve(path, &id->target, &id->symlink, &ignored)) id->target = path;
        ioIdentityFrom(st, id);
    }
    bytes->clear();
    bytes->resize((size_t)st.st_size);
    /* The file may grow or shrink while it is read: read to its end, but never past the cap. */
    size_t have = 0;
    for (;;) {
        if (have == bytes->size()) {
            if (have > IO_MAX_READ) {
                close(fd);
                bytes->clear();
                *err = "file too large (more than 64 MiB)";
                return false;
            }
            bytes->resize(have + 65536 < (size_t)IO_MAX_READ + 1 ? have + 65536
                                                                 : (size_t)IO_MAX_READ + 1);
        }
        ssize_t n = read(fd, &(*bytes)[have], bytes->size() - have);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n < 0) {
            *err = strerror(errno);
            close(fd);
            bytes->clear();
            return false;
        }
        if (n == 0) break;
        have += (size_t)n;
    }
    close(fd);
    bytes->resize(have);
    return true;
}
