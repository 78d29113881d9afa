/* Reading descriptions and writing output files, the same way in lsys and in the editor window.
 *
 * Reading takes regular files only, so a FIFO cannot block the caller and a device such as
 * /dev/zero is never read, and refuses files over IO_MAX_READ bytes.
 *
 * Writing never exposes a half-written file: the bytes go to an unnamed (O_TMPFILE) or randomly
 * named temporary in the target's folder, which is put in place only when complete. A failed
 * write reports the system's own reason ("No space left on device", "File too large", "Broken
 * pipe"), never a generic one, and leaves the old file as it was.
 *
 * What a write does with what is already there:
 * - A symlink is written through to its target, following the kernel's protected_symlinks rule
 *   whatever the system's setting: in a sticky, world-writable folder (/tmp) a link is followed
 *   only when it belongs to the user or to the folder's owner, so a link planted there by
 *   another user cannot send the output into the user's own files.
 * - A replaced regular file keeps its permission bits, and its owner and group where the writer
 *   may set them (root saving another user's file leaves it theirs); set-user-ID and
 *   set-group-ID bits are dropped on every written file, so new content never runs with
 *   another identity.
 * - A file with more than one hard link is still replaced atomically: the other names keep the
 *   old content, and the write result counts them (brokenLinks) so the caller can warn. Writing
 *   in place would keep the links but a full disk, a signal or a crash part-way would destroy
 *   the old content, which is the loss this writer exists to prevent.
 * - A character device or FIFO (a terminal, /dev/null, a pipe) is written into, never replaced;
 *   other special files are refused.
 *
 * Signals: a named temporary is removed when a signal ends the program (every signal whose
 * default action ends it, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGXFSZ, SIGABRT, ... left at that
 * default when the first temporary is made). A program that handles such a signal itself calls
 * ioRemoveTemporaries() from its handler before it ends. Writes into a pipe without a reader
 * fail with EPIPE, and past a file-size limit with EFBIG, only when the program ignores SIGPIPE
 * and SIGXFSZ (lsys and the window do); otherwise those signals end it.
 */
#ifndef SPRIG_IO_IO_H
#define SPRIG_IO_IO_H

#include <stddef.h>
#include <stdio.h>
#include <sys/types.h>
#include <time.h>

#include <string>

enum { IO_MAX_READ = 64 << 20 };

/* What a path leads to. */
enum io_kind_t { IO_MISSING, IO_REGULAR, IO_DEVICE, IO_FIFO, IO_OTHER };

/* A file's identity, taken when it is read or written, so that a later look at the same path
 * can tell whether it still leads to the same, unchanged file. */
struct io_identity_t {
    io_kind_t kind = IO_MISSING;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    struct timespec mtime = {0, 0};
    bool symlink = false; /* the path itself was a symbolic link */
    std::string target;   /* where the path led, links resolved (the path itself if none) */
};

/* The identity of what path leads to now; IO_MISSING when nothing is there. False with a
 * one-line reason in *err when it cannot be looked at (or a protected link is met). */
bool ioIdentify(const std::string &path, io_identity_t *id, std::string *err);

/* True when both name the same file with the same size and modification time. */
bool ioSameIdentity(const io_identity_t &a, const io_identity_t &b);

/* Every byte of the regular file at path (symlinks followed), NUL bytes included: the file is
 * not cut at a NUL here, callers that hand the text to the engine decide what a NUL means. On
 * failure returns false with a one-line reason in *err ("No such file or directory",
 * "not a regular file", "file too large (more than 64 MiB)", ...). *id, when given, is the
 * identity of the file read. */
bool ioReadFile(const std::string &path, std::string *bytes, std::string *err,
                io_identity_t *id = nullptr);

/* What a finished write did. */
struct io_written_t {
    io_identity_t file;            /* the file as written; kind says regular, device or FIFO */
    unsigned long brokenLinks = 0; /* other hard links of the replaced file (old content) */
};

/* A stdio stream over a file descriptor that keeps the reason of its first failed write, so
 * that a failure is reported with the system's own reason however late it is noticed. */
struct io_stream_t {
    int fd = -1;
    int error = 0; /* errno of the first failed write, 0 while none failed */
};

/* A buffered FILE* writing to s->fd; s must outlive it. fclose() does not close the fd. */
FILE *ioStreamOpen(io_stream_t *s);

/* One output file being written. ioOutOpen gives a FILE* to fill; ioOutCommit puts the file in
 * place. Destroying it uncommitted (an error, an exception) leaves nothing behind. */
class IoOut {
  public:
    IoOut() = default;
    ~IoOut();
    IoOut(const IoOut &) = delete;
    IoOut &operator=(const IoOut &) = delete;

    FILE *file = nullptr;
    io_written_t written; /* filled by ioOutCommit */

    /* Internal state, filled by ioOutOpen. */
    io_stream_t stream;
    std::string target; /* the path finally written, symlinks resolved */
    std::string dir;
    std::string temp;            /* the temporary's name; empty while it has none (O_TMPFILE) */
    io_kind_t kind = IO_MISSING; /* what target was: IO_MISSING, IO_REGULAR or written into */
    int slot = -1;               /* its entry in the signal handler's list of temporaries */
};

/* Prepares to write path. False with a one-line reason in *err, nothing created. */
bool ioOutOpen(IoOut *out, const std::string &path, std::string *err);

/* Flushes and syncs the files and puts them in place in the order given, as one step for any
 * other process committing to the same folder (an OBJ and its MTL always come from the same
 * export). False with a reason in *err when a write failed; then none of the files that were
 * not yet in place is changed. */
bool ioOutCommit(IoOut *const *outs, size_t n, std::string *err);

/* Makes ioOutOpen use named temporaries even where O_TMPFILE works, as on file systems without
 * it (the tests use this to reach that path). */
void ioUseNamedTemporaries(bool on);

/* Removes every named temporary not yet put in place. Async-signal-safe (it calls only
 * unlink), for a program's own fatal-signal handler; the files being written are lost. */
void ioRemoveTemporaries(void);

/* The whole buffer to path through IoOut (for saving the editor's text and other buffers). */
bool ioWriteFile(const std::string &path, const void *data, size_t size, std::string *err,
                 io_written_t *written = nullptr);

#endif
