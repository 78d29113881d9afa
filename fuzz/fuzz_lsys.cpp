/* libFuzzer entry point: one input is one description text, parsed, drawn into a sink that
 * reads every emitted value, and now and then picked at, with small budgets so that a single
 * run stays in the millisecond range whatever the text asks for. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "lsys.h"

namespace {

/* Formats every message as the application would, then keeps it in the engine's store (which
 * traceClear empties after each input), so the formatting and the store are fuzzed as well. */
int fuzzTrace(int32_t code, const char *fmt, ...) {
    char buf[TRACE_TEXT];
    va_list ap;
    va_start(ap, fmt);
    lsysFormat(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return traceHook(code, "%s", buf);
}

/* Reads each value it is handed, so that ASan sees any emitted pointer into freed or foreign
 * memory; the sum is kept only so the reads cannot be optimised away. */
struct sink_t {
    uint64_t calls;
    float sum;
};

void sinkColor(void *ctx, const float rgb[3]) {
    sink_t *s = (sink_t *)ctx;
    s->calls++;
    s->sum += rgb[0] + rgb[1] + rgb[2];
}

void sinkVertex(void *ctx, const float v[3]) {
    sink_t *s = (sink_t *)ctx;
    s->calls++;
    s->sum += v[0] + v[1] + v[2];
}

/* A cheap content hash decides which inputs are also picked at, so a crash found there
 * reproduces from the saved input alone. */
uint32_t hashInput(const uint8_t *data, size_t size) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; i++)
        h = (h ^ data[i]) * 16777619u;
    return h;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    /* Picking prints its derivation to standard output; libFuzzer reports on standard error. */
    if (!freopen("/dev/null", "w", stdout)) return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string text((const char *)data, size); /* c_str() adds the terminating NUL */

    lsys_t *l = lsysInit();
    if (!l) return 0;
    lsysParse(l, fuzzTrace, text.c_str());

    /* Keep whatever smaller limit the text itself set: those paths are worth reaching too. */
    if (l->token_limit > 100000u) l->token_limit = 100000u;
    if (l->poly_limit > 5000u) l->poly_limit = 5000u;

    sink_t sink = {0, 0.0f};
    emit_t emit = {&sink, sinkColor, sinkVertex, sinkVertex};
    l->sink = &emit;
    srand(0);
    lsysDraw(l, fuzzTrace);

    /* The plain iterator over the same expansion (max_depth as the drawing left it); the
     * budget ends it as it ends the drawing. */
    initToken(l);
    while (nextToken(l)->cmd) {
    }
    lsysContains(l, "F+[");

    if (hashInput(data, size) % 8 == 0) {
        const float point[3] = {25.0f, 0.0f, 50.0f};
        srand(0);
        lsysSelect(l, point);
    }

    lsysFree(l);
    traceClear();
    return 0;
}
