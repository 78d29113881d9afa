/* Reading descriptions and writing output files, the same way in lsys and in the editor window.
 *
 * Reading takes regular files only, so a FIFO cannot block the caller and a device such as
 * /dev/zero is never read, and refuses files over IO_MAX_READ bytes.
 *
 * Writing never exposes a half-written file: the bytes go to an unnamed (O_TMPFILE) or randomly
 * named temporary in the target's folder, which is put in place only when complete. A symlink
 * is written through to its target; a replaced file keeps its permission bits; a character
 * device or FIFO is written into, never replaced; other special files are refused. SIGINT and
 * SIGTERM remove a named temporary before the process ends.
 */
#ifndef SPRIG_IO_IO_H
#define SPRIG_IO_IO_H

#include <stddef.h>
#include <stdio.h>
#include <sys/types.h>

#include <string>

enum { IO_MAX_READ = 64 << 20 };

/* Every byte of the regular file at path (symlinks followed), NUL bytes included: the file is
 * not cut at a NUL here, callers that hand the text to the engine decide what a NUL means. On
 * failure returns false with a one-line reason in *err ("No such file or directory",
 * "not a regular file", "file too large (more than 64 MiB)", ...). */
bool ioReadFile(const std::string &path, std::string *bytes, std::string *err);

/* One output file being written. ioOutOpen gives a FILE* to fill; ioOutCommit puts the file in
 * place. Destroying it uncommitted (an error, an exception) leaves nothing behind. */
class IoOut {
  public:
    IoOut() = default;
    ~IoOut();
    IoOut(const IoOut &) = delete;
    IoOut &operator=(const IoOut &) = delete;

    FILE *file = nullptr;

    /* Internal state, filled by ioOutOpen. */
    std::string target; /* the path finally written, symlinks resolved */
    std::string dir;
    std::string temp;    /* the temporary's name; empty while it has none (O_TMPFILE) */
    bool direct = false; /* writing straight into a character device or FIFO */
    int slot = -1;       /* its entry in the signal handler's list of temporaries */
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

/* The whole buffer to path through IoOut (for saving the editor's text and other buffers). */
bool ioWriteFile(const std::string &path, const void *data, size_t size, std::string *err);

#endif
