/* Reading, parsing, growing and drawing a description as the editor does (see describe.h). */
#include "describe.h"

#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static std::vector<cli_msg_t> gMessages;

std::vector<cli_msg_t> &cliMessages() {
    return gMessages;
}

void cliMessagesClear() {
    gMessages.clear();
}

int cliTrace(int32_t code, const char *fmt, ...) {
    char buf[TRACE_TEXT];
    va_list ap;
    va_start(ap, fmt);
    lsysFormat(buf, sizeof buf, fmt, ap);
    va_end(ap);
    gMessages.push_back({code, buf});
    return (int)gMessages.size();
}

bool describeRead(const std::string &path, std::string *text, std::string *err) {
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) {
        *err = strerror(errno);
        return false;
    }
    text->clear();
    char buf[65536];
    bool nul = false;
    while (!nul) {
        size_t n = fread(buf, 1, sizeof buf, f);
        const char *end = (const char *)memchr(buf, '\0', n);
        if (end) {
            n = (size_t)(end - buf);
            nul = true;
        }
        if (text->size() + n > DESCRIBE_MAX_BYTES) {
            fclose(f);
            *err = "file too large (more than 64 MiB)";
            return false;
        }
        text->append(buf, n);
        if (n < sizeof buf && !nul) break;
    }
    if (!nul && ferror(f)) {
        int e = errno;
        fclose(f);
        *err = strerror(e ? e : EIO);
        return false;
    }
    fclose(f);
    return true;
}

lsys_t *describeParse(const std::string &text, float growth) {
    return lsysPrepare(text.c_str(), growth, cliTrace);
}

lsys_t *describeDraw(const std::string &text, float growth, const emit_t *emit) {
    lsys_t *l = describeParse(text, growth);
    if (!l) return NULL;
    l->sink = emit;
    lsysDraw(l, cliTrace);
    l->sink = NULL;
    return l;
}
