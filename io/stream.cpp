/* A stdio stream that remembers why its first write failed (see io.h). stdio itself keeps only
 * an error flag: by the time a program checks it, errno says something else (or nothing), and
 * a full disk used to read as "Input/output error". */
#include "io.h"

#include <errno.h>
#include <unistd.h>

static ssize_t streamWrite(void *cookie, const char *buf, size_t n) {
    io_stream_t *s = static_cast<io_stream_t *>(cookie);
    size_t done = 0;
    while (done < n) {
        ssize_t w = write(s->fd, buf + done, n - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            if (!s->error) s->error = w < 0 ? errno : EIO;
            break;
        }
        done += (size_t)w;
    }
    return (ssize_t)done; /* a short count sets the stream's error flag */
}

FILE *ioStreamOpen(io_stream_t *s) {
    cookie_io_functions_t fns = {NULL, streamWrite, NULL, NULL};
    FILE *f = fopencookie(s, "w", fns);
    /* Larger than stdio's default, for the exporters' many small writes. */
    if (f) setvbuf(f, NULL, _IOFBF, 1 << 16);
    return f;
}
