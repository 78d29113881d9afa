/* Picking: replays a drawing with every triangle hit-tested against a point instead of drawn,
 * keeps the best fit with the expansion stack at that moment, and describes where in the rules
 * the element found came from: as a record (lsysPick) or printed (lsysSelect).
 *
 * The expansion reads one token ahead, and by the time a command draws, its read-ahead may have
 * left the command's rule body or entered another. So the derivation recorded is the stack as
 * the expansion kept it when the command itself was read (pick_t's cmdStack), not the stack as
 * it stands while the command draws. Every triangle of a replay is emitted by the command at
 * hand, since select mode closes each tube segment at once (geometry.cpp).
 */
#include "lsys.h"

#include <float.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

pick_t gPick;

/* A triangle seen from a point inside it spans a full turn; the error is how far the three
 * angles its edges subtend fall short of (or exceed) that. Worse than this is no hit. */
static const float NO_HIT = 3.0f;

static pick_level_t locate(const lsys_t *l, const tok_t *t) {
    pick_level_t at = {-1, -1};
    const int slot = findProd(l, t);
    if (slot >= 0) {
        at.slot = (int16_t)slot;
        at.token = (int32_t)(t - l->rules[slot]);
    }
    return at;
}

void lsysPick(lsys_t *l, const float p[3], pick_result_t *out) {
    out->hit = 0;
    out->err = NO_HIT;
    out->levels = 0;
    out->drawn_level = -1;
    out->drawn.slot = -1;
    out->drawn.token = -1;
    if (!l || !p) return;

    for (int i = 0; i < 3; i++)
        gPick.selIp[i] = p[i];
    gPick.select = 1;
    gPick.selErr = NO_HIT;
    gPick.selSp = -1;
    gPick.cmdDepth = 0;
    lsysDraw(l, nullTrace);
    gPick.select = 0;

    if (!(gPick.selErr < NO_HIT)) return;
    out->hit = 1;
    out->err = gPick.selErr;
    out->levels = gPick.selSp;
    for (int i = 0; i < gPick.selSp; i++)
        out->level[i] = locate(l, gPick.selStack[i] - 1);
    if (out->levels > 0 && out->level[out->levels - 1].slot >= 0) {
        out->drawn_level = out->levels - 1;
        out->drawn = out->level[out->drawn_level];
    }
}

/* Appends a formatted piece to buf at *n, counting what did not fit (snprintf style). */
static void put(char *buf, size_t size, size_t *n, const char *fmt, ...)
    __attribute__((format(printf, 4, 5)));
static void put(char *buf, size_t size, size_t *n, const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    const int k = lsysFormat(*n < size ? buf + *n : NULL, *n < size ? size - *n : 0, fmt, ap);
    va_end(ap);
    if (k > 0) *n += (size_t)k;
}

size_t lsysPickLine(const lsys_t *l, const pick_result_t *r, int i, char *buf, size_t size) {
    size_t n = 0;
    if (size) buf[0] = 0;
    const pick_level_t at = r->level[i];
    put(buf, size, &n, "%d: ", i);
    if (at.slot < 0) {
        put(buf, size, &n, "??");
        return n;
    }
    if (at.slot == LSYS_AXIOM)
        put(buf, size, &n, "axiom: ");
    else
        put(buf, size, &n, "rule %c: ", (char)at.slot);
    const tok_t *t = l->rules[at.slot] + at.token;
    for (const tok_t *u = l->rules[at.slot];; u++) {
        if (u == t) put(buf, size, &n, " >>");
        if (u->cmd == 0) break;
        put(buf, size, &n, "%c", (char)u->cmd);
        if (u->cmd == '(') put(buf, size, &n, "%0.1f)", u->param);
        if (u == t) put(buf, size, &n, "<< ");
    }
    return n;
}

void lsysSelect(lsys_t *l, const float p[3]) {
    static pick_result_t r; /* 832 bytes; picking is not reentrant anyway */
    lsysPick(l, p, &r);
    if (!r.hit) {
        fputs("nothing\n", stdout);
        fflush(stdout);
        return;
    }
    char line[256];
    lsysFormatf(line, sizeof line, "err=%f sp=%d\n", r.err, (int)r.levels);
    fputs(line, stdout);
    for (int i = r.levels - 1; i >= 0; i--) {
        const size_t n = lsysPickLine(l, &r, i, NULL, 0);
        char *text = (char *)malloc(n + 1);
        if (!text) continue;
        lsysPickLine(l, &r, i, text, n + 1);
        fputs(text, stdout);
        putchar('\n');
        free(text);
    }
    fflush(stdout);
}

static void direction(const float p[3], float u[3]) {
    const float d[3] = {p[0] - gPick.selIp[0], p[1] - gPick.selIp[1], p[2] - gPick.selIp[2]};
    const float n2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    float inv;
    if (n2 <= FLT_MAX) {
        inv = 1.0f / sqrtf(n2);
    } else {
        const double x = d[0], y = d[1], z = d[2];
        inv = (float)(1.0 / sqrt(x * x + y * y + z * z));
    }
    for (int i = 0; i < 3; i++)
        u[i] = d[i] * inv;
}

void selectTest(lsys_t *, const float a[3], const float b[3], const float c[3]) {
    float u[3][3];
    direction(a, u[0]);
    direction(b, u[1]);
    direction(c, u[2]);
    const float alpha = acosf(u[0][0] * u[1][0] + u[0][1] * u[1][1] + u[0][2] * u[1][2]);
    const float beta = acosf(u[1][0] * u[2][0] + u[1][1] * u[2][1] + u[1][2] * u[2][2]);
    const float gamma = acosf(u[0][0] * u[2][0] + u[0][1] * u[2][1] + u[0][2] * u[2][2]);
    const float sum = alpha + beta + gamma;
    const float err = fabsf((float)(sum - 6.283185307179586));

    if (err < gPick.selErr) {
        gPick.selErr = err;
        /* The expansion never holds more levels than selStack has room for. */
        const int n = gPick.cmdDepth < (int)LSYS_STACK ? gPick.cmdDepth : (int)LSYS_STACK;
        memcpy(gPick.selStack, gPick.cmdStack, (size_t)n * sizeof gPick.selStack[0]);
        gPick.selSp = n;
    }
}
