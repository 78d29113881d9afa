/* The turtle interpreter: lsysDraw pulls simplified commands from the expansion, moves and turns
 * a 3D turtle, and hands segments, tube ends and closed polygons to the geometry emitter.
 *
 * Units: lengths are model units, angles in commands are degrees (radians for 't'). The three
 * direction vectors are single precision and only ever rotated, never re-normalised, so that a
 * drawing comes out the same on every run. Problems are reported through the trace_t and the
 * offending command is skipped; only the polygon limit and the raw-token budget stop a drawing.
 */
#include "lsys.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

namespace {

struct turtle_state {
    float position[3];
    float heading[3];
    float left[3];
    float up[3];
    int16_t color;
    float default_length;
    float default_angle;
    float diameter_ratio;
};

/* One saved branch. The tube fields are written and read only when the model draws tubes. */
struct branch_record {
    float position[3];
    float heading[3];
    float left[3];
    float up[3];
    float tube_ring[9][3];
    float default_length;
    float default_angle;
    float diameter_ratio;
    int16_t color;
    int16_t tube_color;
    int16_t tube_segments;
};

const double DEG_TO_RAD = 0.017453292519943295;
const float PI_F = 3.1415927f;

float radians(float degrees) {
    return (float)(degrees * DEG_TO_RAD);
}

/* cosf and sinf of the last two angles turned by. A drawing turns by the same few angles again
 * and again, typically + and - by turns, and their sine and cosine were a seventh of its time. The
 * values kept are the very results of cosf and sinf for the same bits of the angle, so nothing
 * drawn changes. */
struct turn_cache {
    uint32_t key[2]; /* the angle's bits */
    float c[2], s[2];
    int older; /* the entry to replace next */
};

void initTurns(turn_cache *t) {
    const float zero[2] = {0.0f, -0.0f};
    for (int i = 0; i < 2; i++) {
        memcpy(&t->key[i], &zero[i], sizeof t->key[i]);
        t->c[i] = cosf(zero[i]);
        t->s[i] = sinf(zero[i]);
    }
    t->older = 0;
}

/* Rotates a toward b by theta radians; both new vectors come from the old ones. */
void rotate(turn_cache *t, float a[3], float b[3], float theta) {
    uint32_t key;
    memcpy(&key, &theta, sizeof key);
    int k = key == t->key[0] ? 0 : key == t->key[1] ? 1 : -1;
    if (k < 0) {
        k = t->older;
        t->key[k] = key;
        t->c[k] = cosf(theta);
        t->s[k] = sinf(theta);
    }
    t->older = 1 - k;
    const float c = t->c[k], s = t->s[k];
    for (int i = 0; i < 3; i++) {
        const float ai = a[i], bi = b[i];
        a[i] = ai * c + bi * s;
        b[i] = -ai * s + bi * c;
    }
}

void widen(bounds_t *b, const float p[3]) {
    for (int i = 0; i < 3; i++) {
        if (p[i] < b->min[i]) b->min[i] = p[i];
        if (p[i] > b->max[i]) b->max[i] = p[i];
    }
}

/* Integer part of a colour parameter in 16-bit arithmetic. A non-finite value has none: 0. */
int16_t colorPart(float x) {
    if (!isfinite(x)) return 0;
    const double w = fmod(trunc((double)x), 65536.0); /* exact, in (-65536, 65536) */
    return (int16_t)(uint16_t)(int32_t)w;
}

/* Depth and growth fraction from the requested recursion. Every value in [0, 100] behaves as
 * documented (integer part, one more level when there is a fraction, 100 and more clamped with
 * a message). Values the 16-bit depth cannot hold are pinned: negative or NaN draws the bare
 * axiom; above 100 (up to +inf) is clamped to 100, and from 65536 on there is no fraction. */
uint16_t depthOf(float recursion, float *fraction, trace_t tr) {
    *fraction = 0.0f;
    if (!(recursion >= 0.0f)) return 0;
    uint32_t n;
    if (recursion < 65536.0f) {
        n = (uint32_t)recursion;
        *fraction = recursion - (float)n;
        if (*fraction > 0.0f) n++;
    } else {
        n = LSYS_MAX_DEPTH + 1;
    }
    if (n > LSYS_MAX_DEPTH - 1) {
        n = LSYS_MAX_DEPTH;
        tr(CODE_EXEC, "recursion depth limited to %d", LSYS_MAX_DEPTH);
    }
    return (uint16_t)n;
}

double nowMs(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

/* Appends p as a vertex of the open polygons, or reports that the buffer is full. */
void appendVertex(float (*buffer)[3], int *used, const float p[3], trace_t tr) {
    if (*used >= LSYS_VERTICES) {
        tr(CODE_EXEC, "too many vertices");
        return;
    }
    memcpy(buffer[*used], p, sizeof(float[3]));
    (*used)++;
}

} // namespace

void lsysDraw(lsys_t *l, trace_t tr) {
    if (!l) return;
    lsysCleanUpper();
    if (!tr) tr = nullTrace;
    const double start = nowMs();

    branch_record *branches = (branch_record *)malloc(LSYS_BRANCHES * sizeof(branch_record));
    int *polygons = (int *)malloc(LSYS_POLYGONS * sizeof(int));
    float(*vertices)[3] = (float(*)[3])malloc(LSYS_VERTICES * sizeof(float[3]));
    if (!branches || !polygons || !vertices) {
        tr(CODE_EXEC, "not enough memory to startup");
        free(branches);
        free(polygons);
        free(vertices);
        return;
    }

    float fraction;
    l->max_depth = depthOf(l->recursion, &fraction, tr);

    turtle_state ts = {{0, 0, 0}, {0, 0, 1}, {0, 1, 0}, {1, 0, 0},
                       2,         100.0f,    l->angle,  l->thickness / 100.0f};
    l->polygon_count = 0;
    l->tube_segments = 0;
    l->tube_color = 0;
    /* No tube has ended yet: a NaN end point fails every distance test, so the first segment
     * never joins an end ring that this drawing has not set. */
    l->tube_ring[0][0] = l->tube_ring[0][1] = l->tube_ring[0][2] = NAN;
    for (int i = 0; i < 3; i++) {
        l->bounds.min[i] = 1e30f;
        l->bounds.max[i] = -1e30f;
    }

    turn_cache turns;
    initTurns(&turns);
    simple_tok_t s;
    initSimplerToken(l, &s);
    int branchDepth = 0, polygonDepth = 0, used = 0;
    uint32_t maxBranch = 0, maxPolygon = 0, maxVertices = 0;
    /* Set when a limit cut the drawing short: the brackets still open then describe the cut,
     * not the description, so they are not reported. */
    bool cut = false;
    if (gUpperProbe.armed) upperProbe();

    for (;;) {
        const int more = nextSimplerToken(l, &s, ts.default_angle, ts.default_length);
        if (more && l->polygon_count > l->poly_limit) {
            tr(CODE_EXEC, "too many polygons - %d", (int)l->poly_limit);
            cut = true;
            break;
        }
        /* The expansion ends early once its budget is spent (see expand.cpp). */
        if (l->token_count > l->token_limit || l->rewrite_count > l->token_limit) {
            tr(CODE_EXEC, "too many tokens - %d", (int)l->token_limit);
            cut = true;
            break;
        }
        if (!more) break;

        const bool partial = fraction > 0.0f && s.last_level;
        const float p = partial ? s.param * fraction : s.param;
        switch (s.cmd) {
        case 'F': {
            const float ratio = partial ? ts.diameter_ratio * fraction : ts.diameter_ratio;
            float q[3];
            for (int i = 0; i < 3; i++)
                q[i] = ts.position[i] + p * ts.heading[i];
            widen(&l->bounds, ts.position);
            widen(&l->bounds, q);
            drawSegment(l, ts.position, q, ts.up, ratio, ts.color);
            memcpy(ts.position, q, sizeof q);
            break;
        }
        case 'f':
            for (int i = 0; i < 3; i++)
                ts.position[i] = ts.position[i] + p * ts.heading[i];
            if (polygonDepth > 0) appendVertex(vertices, &used, ts.position, tr);
            break;
        case 'g':
            for (int i = 0; i < 3; i++)
                ts.position[i] = ts.position[i] + p * ts.heading[i];
            break;
        case '.':
            if (polygonDepth > 0) appendVertex(vertices, &used, ts.position, tr);
            break;
        case '+':
            rotate(&turns, ts.heading, ts.left, radians(p));
            break;
        case '&':
            rotate(&turns, ts.heading, ts.up, radians(p));
            break;
        case '>':
            rotate(&turns, ts.left, ts.up, radians(-p));
            break;
        case '|':
            rotate(&turns, ts.heading, ts.left, PI_F);
            break;
        case '%':
            rotate(&turns, ts.left, ts.up, PI_F);
            break;
        case '$': {
            if (ts.heading[2] > 0.999f || ts.heading[2] < -0.9999f) break;
            const float r = atan2f(ts.left[2], ts.up[2]);
            const double halfPi = 1.5707963267948966, pi = 3.141592653589793;
            float a;
            if (r >= -halfPi && r <= halfPi)
                a = -r;
            else if (r > halfPi)
                a = (float)(pi - r);
            else
                a = (float)(-pi - r);
            rotate(&turns, ts.left, ts.up, a);
            break;
        }
        case 't': {
            if (ts.heading[2] > 0.999f || ts.heading[2] < -0.9999f) break;
            const float *h = ts.heading;
            const float len = sqrtf(h[0] * h[0] + h[1] * h[1]);
            const float down[3] = {-h[0] / len, -h[1] / len, 0.0f};
            float theta = (h[0] * down[0] + h[1] * down[1] + h[2] * down[2]) * p;
            if (ts.up[2] < 0.0f) theta = -theta;
            rotate(&turns, ts.heading, ts.up, theta);
            break;
        }
        case '~': {
            /* Never scaled by growth; three draws in a fixed order so srand(0) replays it. */
            const float q = s.param;
            float d[3];
            for (int i = 0; i < 3; i++) {
                const float unit = (float)rand() * 4.656612873077393e-10f * q; /* rand() / 2^31 */
                d[i] = (float)(2.0 * unit - q);
            }
            rotate(&turns, ts.heading, ts.left, radians(d[0]));
            rotate(&turns, ts.heading, ts.up, radians(d[1]));
            rotate(&turns, ts.left, ts.up, radians(d[2]));
            break;
        }
        case '!':
            ts.diameter_ratio *= p;
            break;
        case ':':
            ts.default_angle *= p;
            break;
        case '\'':
            ts.default_length *= p;
            break;
        case 'c': {
            const float c = s.param;
            if (c >= 0.0f)
                ts.color = colorPart(c);
            else
                ts.color = (int16_t)(ts.color + colorPart(-c));
            break;
        }
        case '[': {
            if (branchDepth >= LSYS_BRANCHES) {
                tr(CODE_EXEC, "stack [] overflow - %d", LSYS_BRANCHES);
                break;
            }
            branch_record *b = &branches[branchDepth];
            memcpy(b->position, ts.position, sizeof b->position);
            memcpy(b->heading, ts.heading, sizeof b->heading);
            memcpy(b->left, ts.left, sizeof b->left);
            memcpy(b->up, ts.up, sizeof b->up);
            b->default_length = ts.default_length;
            b->default_angle = ts.default_angle;
            b->diameter_ratio = ts.diameter_ratio;
            b->color = ts.color;
            if (l->shape == 1) {
                memcpy(b->tube_ring, l->tube_ring, sizeof b->tube_ring);
                b->tube_color = l->tube_color;
                b->tube_segments = l->tube_segments;
            }
            branchDepth++;
            if ((uint32_t)branchDepth > maxBranch) maxBranch = branchDepth;
            break;
        }
        case ']': {
            if (branchDepth == 0) {
                tr(CODE_EXEC, "stack [] underflow");
                break;
            }
            const branch_record *b = &branches[--branchDepth];
            memcpy(ts.position, b->position, sizeof ts.position);
            memcpy(ts.heading, b->heading, sizeof ts.heading);
            memcpy(ts.left, b->left, sizeof ts.left);
            memcpy(ts.up, b->up, sizeof ts.up);
            ts.default_length = b->default_length;
            ts.default_angle = b->default_angle;
            ts.diameter_ratio = b->diameter_ratio;
            ts.color = b->color;
            if (l->shape == 1) {
                if (l->tube_segments != 0) closeTube(l);
                memcpy(l->tube_ring, b->tube_ring, sizeof l->tube_ring);
                l->tube_color = b->tube_color;
                l->tube_segments = b->tube_segments;
            }
            break;
        }
        case '{':
            if (polygonDepth >= LSYS_POLYGONS) {
                tr(CODE_EXEC, "stack {} overflow - %d", LSYS_POLYGONS);
                break;
            }
            if (used >= LSYS_VERTICES) {
                tr(CODE_EXEC, "too many vertices");
                break;
            }
            polygons[polygonDepth++] = used;
            appendVertex(vertices, &used, ts.position, tr);
            if ((uint32_t)polygonDepth > maxPolygon) maxPolygon = polygonDepth;
            break;
        case '}': {
            if (polygonDepth == 0) {
                tr(CODE_EXEC, "stack {} underflow");
                break;
            }
            if ((uint32_t)used > maxVertices) maxVertices = used;
            const int first = polygons[--polygonDepth];
            const int n = used - first;
            used = first;
            if (n > 2) {
                for (int i = 0; i < n; i++)
                    widen(&l->bounds, vertices[first + i]);
                drawPolygon(l, vertices + first, n, ts.color);
            }
            break;
        }
        default:
            tr(CODE_UNKNOWN, "unexpected token '%c'", s.cmd);
            break;
        }
    }

    if (l->shape == 1 && l->tube_segments != 0) closeTube(l);
    if (branchDepth != 0 && !cut) tr(CODE_EXEC, "missing %d x ']'", branchDepth);
    if (polygonDepth != 0 && !cut) tr(CODE_EXEC, "missing %d x '}'", polygonDepth);
    free(branches);
    free(polygons);
    free(vertices);
    if (l->polygon_count == 0) memset(&l->bounds, 0, sizeof l->bounds);
    if (gUpperProbe.armed) upperProbe();

    tr(CODE_INFO, "polygons: %d", (int)l->polygon_count);
    tr(CODE_INFO, "tokens: %d, simplified to %d", (int)l->token_count, (int)s.count);
    tr(CODE_INFO, "stacks: []=%d, {}=%d, vertices=%d", (int)maxBranch, (int)maxPolygon,
       (int)maxVertices);
    const bounds_t *b = &l->bounds;
    tr(CODE_INFO, "bounds: (%0.0f, %0.0f, %0.0f) .. (%0.0f, %0.0f, %0.0f)", b->min[0], b->min[1],
       b->min[2], b->max[0], b->max[1], b->max[2]);
    tr(CODE_INFO, "time: %0.3fms", nowMs() - start);
}
