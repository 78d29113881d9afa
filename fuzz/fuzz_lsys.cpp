/* libFuzzer entry point: one input is one description text, parsed, drawn into a sink that
 * reads every emitted value, and now and then picked at.
 *
 * Built twice. fuzz_lsys uses small budgets so that a single run stays in the millisecond range
 * whatever the text asks for, and covers many inputs. fuzz_lsys_defaults (SPRIG_FUZZ_DEFAULTS)
 * keeps the description's own limits and caps them only as the window does (lsysCeil), with
 * messages going to traceHook as in the window: run under libFuzzer's -timeout and
 * -rss_limit_mb, a message flood or a description slower than its budget is a finding. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "lsys.h"

namespace {

#ifndef SPRIG_FUZZ_DEFAULTS
/* Formats the first messages as lsys would (it stores 1000), then keeps them in the engine's
 * store (which traceClear empties after each input), so the formatting and the store are fuzzed
 * as well; past that a message costs a count, as it does in lsys and the window. */
int fuzzTrace(int32_t code, const char *fmt, ...) {
    if (traceCount >= 1000) return traceHook(code, NULL);
    char buf[TRACE_TEXT];
    va_list ap;
    va_start(ap, fmt);
    lsysFormat(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return traceHook(code, "%s", buf);
}
#endif

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

/* The same reads for a whole object. */
void sinkBatch(void *ctx, const float *rgb, const float (*pos)[3], const float (*normal)[3],
               const uint16_t *index, int count, int flat) {
    if (rgb) sinkColor(ctx, rgb);
    for (int i = 0; i < count; i++) {
        sinkVertex(ctx, normal[flat ? i / 3 : index[i]]);
        sinkVertex(ctx, pos[index[i]]);
    }
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

#ifdef SPRIG_FUZZ_DEFAULTS
    const trace_t tr = traceHook;
    const uint32_t maxTokens = LSYS_CEIL_TOKENS, maxPolygons = LSYS_CEIL_POLYGONS;
#else
    const trace_t tr = fuzzTrace;
    const uint32_t maxTokens = 100000u, maxPolygons = 5000u;
#endif
    lsys_t *l = lsysInit();
    if (!l) return 0;
    lsysParse(l, tr, text.c_str());
    /* Keep whatever smaller limit the text itself set: those paths are worth reaching too. */
    lsysCeil(l, maxPolygons, maxTokens, tr);

    /* Half the inputs take the per-vertex calls, half the whole-object batches. */
    const uint32_t hash = hashInput(data, size);
    sink_t sink = {0, 0.0f};
    emit_t emit = {&sink, sinkColor, sinkVertex, sinkVertex, hash % 2 ? sinkBatch : NULL};
    l->sink = &emit;
    srand(0);
    lsysDraw(l, tr);

    /* The plain iterator over the same expansion (max_depth as the drawing left it); the
     * budget ends it as it ends the drawing. */
#ifndef SPRIG_FUZZ_DEFAULTS /* at the full budget this would only double the time */
    initToken(l);
    while (nextToken(l)->cmd) {
    }
#endif
    lsysContains(l, "F+[");

#ifndef SPRIG_FUZZ_DEFAULTS
    /* The locator must find, in the text, the very tokens the parser made: the first and the
     * last token and the end of a few bodies (each look-up parses the text again). */
    for (int slot = LSYS_SLOTS - 1, checked = 0; slot >= 0 && checked < 6; slot--) {
        const tok_t *body = l->rules[slot];
        if (!body) continue;
        checked++;
        int32_t n = 0;
        while (body[n].cmd)
            n++;
        for (int32_t i : {(int32_t)0, n - 1, n}) {
            int32_t at, len;
            if (i < 0) continue;
            const bool found = lsysTokenSpan(text.c_str(), slot, i, &at, &len) != 0;
            /* Only an axiom made from the first rule's name, or an empty one, can be missing. */
            if (!found && slot == LSYS_AXIOM && n <= 1) continue;
            if (!found || at < 0 || len < 0 || (size_t)at + (size_t)len > strlen(text.c_str()))
                abort();
            if (i < n && (len == 0 || (unsigned char)text[at] != body[i].cmd)) abort();
            if (i == n && len != 0) abort();
        }
    }
#endif

    if (hash % 8 == 0) {
        const float point[3] = {25.0f, 0.0f, 50.0f};
        srand(0);
        pick_result_t r;
        lsysPick(l, point, &r);
        /* The window selects the drawing command in the text: the span must lie inside it. */
        int32_t at, n;
        if (r.hit && lsysTokenSpan(text.c_str(), r.drawn.slot, r.drawn.token, &at, &n) &&
            (at < 0 || n < 0 || (size_t)at + (size_t)n > strlen(text.c_str())))
            abort();
        srand(0);
        lsysSelect(l, point);
    }

    lsysFree(l);
    traceClear();
    return 0;
}
