/* Picking: replays a drawing with every triangle hit-tested against a point instead of drawn,
 * keeps the best fit with the expansion stack at that moment, and prints the derivation of the
 * element found to standard output.
 *
 * The expansion reads one token ahead, so the recorded stack marks the token after the drawing
 * command (after its parameter, if any), at whatever level that token was found.
 */
#include "lsys.h"

#include <math.h>
#include <stdio.h>

pick_t gPick;

/* A triangle seen from a point inside it spans a full turn; the error is how far the three
 * angles its edges subtend fall short of (or exceed) that. Worse than this is no hit. */
static const float NO_HIT = 3.0f;

static void say(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
static void say(const char *fmt, ...) {
    char buf[64];
    va_list ap;
    va_start(ap, fmt);
    lsysFormat(buf, sizeof buf, fmt, ap);
    va_end(ap);
    fputs(buf, stdout);
}

void lsysSelect(lsys_t *l, const float p[3]) {
    for (int i = 0; i < 3; i++)
        gPick.selIp[i] = p[i];
    gPick.select = 1;
    gPick.selErr = NO_HIT;
    gPick.selSp = -1;
    lsysDraw(l, nullTrace);
    gPick.select = 0;

    if (!(gPick.selErr < NO_HIT)) {
        fputs("nothing\n", stdout);
        fflush(stdout);
        return;
    }
    say("err=%f sp=%d\n", gPick.selErr, (int)gPick.selSp);
    for (int i = gPick.selSp - 1; i >= 0; i--) {
        const tok_t *t = gPick.selStack[i] - 1;
        const int slot = findProd(l, t);
        say("%d: ", i);
        if (slot < 0) {
            fputs("??\n", stdout);
            continue;
        }
        if (slot == LSYS_AXIOM)
            fputs("axiom: ", stdout);
        else
            say("rule %c: ", (char)slot);
        for (const tok_t *u = l->rules[slot];; u++) {
            if (u == t) fputs(" >>", stdout);
            if (u->cmd == 0) break;
            putchar(u->cmd);
            if (u->cmd == '(') say("%0.1f)", u->param);
            if (u == t) fputs("<< ", stdout);
        }
        putchar('\n');
    }
    fflush(stdout);
}

void selectTest(lsys_t *l, const float a[3], const float b[3], const float c[3]) {
    const float *corner[3] = {a, b, c};
    float u[3][3];
    for (int k = 0; k < 3; k++) {
        const float d[3] = {corner[k][0] - gPick.selIp[0], corner[k][1] - gPick.selIp[1],
                            corner[k][2] - gPick.selIp[2]};
        const float inv = 1.0f / sqrtf(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        for (int i = 0; i < 3; i++)
            u[k][i] = d[i] * inv;
    }
    const float alpha = acosf(u[0][0] * u[1][0] + u[0][1] * u[1][1] + u[0][2] * u[1][2]);
    const float beta = acosf(u[1][0] * u[2][0] + u[1][1] * u[2][1] + u[1][2] * u[2][2]);
    const float gamma = acosf(u[0][0] * u[2][0] + u[0][1] * u[2][1] + u[0][2] * u[2][2]);
    const float sum = alpha + beta + gamma;
    const float err = fabsf((float)(sum - 6.283185307179586));

    if (err < gPick.selErr) {
        gPick.selErr = err;
        /* The expansion never holds more levels than selStack has room for. */
        const int n = l->depth < (int)LSYS_STACK ? l->depth : (int)LSYS_STACK;
        for (int i = 0; i < n; i++)
            gPick.selStack[i] = l->stack[i];
        gPick.selSp = n;
    }
}
