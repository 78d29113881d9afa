/* Message collector for tests: formats like traceHook but keeps every message. */
#include "trace_log.h"

#include <stdarg.h>

static std::vector<logged_msg_t> gLogged;

std::vector<logged_msg_t> &traceLogged() {
    return gLogged;
}

void traceLogClear() {
    gLogged.clear();
}

int traceLog(int32_t code, const char *fmt, ...) {
    char buf[TRACE_TEXT];
    va_list ap;
    va_start(ap, fmt);
    lsysFormat(buf, sizeof buf, fmt, ap);
    va_end(ap);
    gLogged.push_back({code, buf});
    return (int)gLogged.size();
}
