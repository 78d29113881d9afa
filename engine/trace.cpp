/* The message channel: traceHook keeps the first TRACE_STORE messages of a refresh for the
 * message display, nullTrace discards everything.
 *
 * A text whose copy cannot be allocated is stored as NULL (the count still rises); consumers
 * show a NULL text as empty.
 */
#include "lsys.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

trace_msg_t trace[TRACE_STORE];
int32_t traceCount = 0;

int traceHook(int32_t code, const char *fmt, ...) {
    if (traceCount >= 0 && traceCount < TRACE_STORE) {
        /* TRACE_TEXT bytes, so at most TRACE_TEXT - 1 characters survive. */
        char buf[TRACE_TEXT];
        buf[0] = 0;
        if (fmt) {
            va_list ap;
            va_start(ap, fmt);
            lsysFormat(buf, sizeof buf, fmt, ap);
            va_end(ap);
        }
        trace[traceCount].code = code;
        trace[traceCount].text = strdup(buf);
    }
    if (traceCount < INT32_MAX) traceCount++;
    return traceCount;
}

int nullTrace(int32_t, const char *, ...) {
    return 0;
}

void traceClear(void) {
    int32_t n = traceCount < TRACE_STORE ? traceCount : TRACE_STORE;
    for (int32_t i = 0; i < n; i++) {
        free(trace[i].text);
        trace[i].text = NULL;
    }
    traceCount = 0;
}
