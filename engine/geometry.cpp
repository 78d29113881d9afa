/* Geometry emission: tubes, prisms and polygons as face lists over small vertex arrays, all sent
 * through one face emitter (drawObject) to the model's emit_t sink, as per-vertex calls or as
 * one batch per object, or hit-tested while a pick replays the drawing.
 *
 * A face is four vertex indices a, b, c, d: the triangles (a, b, c) and (c, d, a), or the single
 * triangle (a, b, c) when c == d. With the tables below and the ring construction in
 * drawSegment every tube and prism face is wound counter-clockwise seen from outside, so its
 * normal points outward. Nothing here allocates: at most 17 points and 16 normals per shape, and
 * a batch's LSYS_BATCH corner indices on the stack. The sink is foreign code: after each call
 * into it the vector registers' upper state is cleared again (see vector_state.cpp).
 */
#include "lsys.h"

#include <math.h>
#include <string.h>

const face_t cylinder[8] = {{0, 8, 9, 1},   {1, 9, 10, 2},  {2, 10, 11, 3}, {3, 11, 12, 4},
                            {4, 12, 13, 5}, {5, 13, 14, 6}, {6, 14, 15, 7}, {7, 15, 8, 0}};
const face_t cylinderstart[8] = {{16, 0, 1, 1}, {16, 1, 2, 2}, {16, 2, 3, 3}, {16, 3, 4, 4},
                                 {16, 4, 5, 5}, {16, 5, 6, 6}, {16, 6, 7, 7}, {16, 7, 0, 0}};
const face_t cylinderlast[8] = {{0, 1, 8, 8}, {0, 2, 1, 1}, {0, 3, 2, 2}, {0, 4, 3, 3},
                                {0, 5, 4, 4}, {0, 6, 5, 5}, {0, 7, 6, 6}, {0, 8, 7, 7}};
const face_t cube[6] = {{0, 4, 5, 1}, {1, 5, 6, 2}, {2, 6, 7, 3},
                        {3, 7, 4, 0}, {0, 1, 2, 3}, {7, 6, 5, 4}};

static float length3(const float v[3]) {
    return sqrtf(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

void drawSegment(lsys_t *l, const float P[3], const float Q[3], const float up[3], float k,
                 int16_t color) {
    const float D[3] = {Q[0] - P[0], Q[1] - P[1], Q[2] - P[2]};
    const float L = length3(D);
    if (L == 0.0f) return;

    const float kl = k * L;
    const float r = 0.5f * (l->min_thickness > kl ? l->min_thickness : kl);
    const float E[3] = {(D[1] * up[2] - D[2] * up[1]) / L, (D[2] * up[0] - D[0] * up[2]) / L,
                        (D[0] * up[1] - D[1] * up[0]) / L};
    float U1[3] = {E[0] + up[0], E[1] + up[1], E[2] + up[2]};
    float U2[3] = {up[0] - E[0], up[1] - E[1], up[2] - E[2]};
    const float n1 = length3(U1), n2 = length3(U2);
    for (int i = 0; i < 3; i++) {
        U1[i] /= n1;
        U2[i] /= n2;
    }

    if (l->shape != 1) {
        /* The square's corners, not its sides, lie at distance r from the axis. */
        float v[8][3];
        for (int i = 0; i < 3; i++) {
            v[0][i] = P[i] + r * U1[i];
            v[1][i] = P[i] + r * U2[i];
            v[2][i] = P[i] - r * U1[i];
            v[3][i] = P[i] - r * U2[i];
        }
        for (int j = 0; j < 4; j++)
            for (int i = 0; i < 3; i++)
                v[4 + j][i] = v[j][i] + D[i];
        drawObject(l, cube, v, NULL, 6, (uint16_t)color);
        return;
    }

    /* Ring point j sits at 45 * j degrees from U1 toward U2. */
    const float h = (float)(r * 0.7071);
    float v[17][3];
    for (int i = 0; i < 3; i++) {
        v[0][i] = P[i] + r * U1[i];
        v[1][i] = P[i] + h * U1[i] + h * U2[i];
        v[2][i] = P[i] + r * U2[i];
        v[3][i] = P[i] - h * U1[i] + h * U2[i];
        v[4][i] = P[i] - r * U1[i];
        v[5][i] = P[i] - h * U1[i] - h * U2[i];
        v[6][i] = P[i] - r * U2[i];
        v[7][i] = P[i] + h * U1[i] - h * U2[i];
    }
    for (int j = 0; j < 8; j++)
        for (int i = 0; i < 3; i++)
            v[8 + j][i] = v[j][i] + D[i];

    /* Joining: same colour and starting where the last tube segment ended. */
    bool joined = false;
    if (color == l->tube_color) {
        const float *end = l->tube_ring[0];
        const float gap[3] = {P[0] - end[0], P[1] - end[1], P[2] - end[2]};
        /* The same decision as |gap| < 1 without the square root: a correctly rounded root
         * is below 1 exactly when its argument is (the largest float below 1 has its root
         * below the midpoint between that float and 1), and NaN fails both. */
        joined = gap[0] * gap[0] + gap[1] * gap[1] + gap[2] * gap[2] < 1.0f;
    }
    if (joined) {
        /* Share the previous end ring, rotated so that its point nearest to the fresh point 0
         * comes first; of equal distances the first wins. The eight distances do not depend on
         * each other, so they are all computed before the serial scan for the smallest. */
        float dist[8];
        for (int j = 0; j < 8; j++) {
            const float *q = l->tube_ring[1 + j];
            const float dx = q[0] - v[0][0], dy = q[1] - v[0][1], dz = q[2] - v[0][2];
            dist[j] = sqrtf(dx * dx + dy * dy + dz * dz);
        }
        int m = 0;
        float best = dist[0];
        for (int j = 1; j < 8; j++) {
            if (dist[j] < best) {
                best = dist[j];
                m = j;
            }
        }
        for (int j = 0; j < 8; j++)
            memcpy(v[j], l->tube_ring[1 + ((m + j) & 7)], sizeof v[j]);
    }

    /* Smooth side normals; the ends of a joined start ring are re-normalised because the
     * shared ring is not centred on this segment's axis. The numerators (and the start
     * normals' divisors) are laid out as flat arrays first and divided in loops of their own,
     * which the compiler issues as packed divisions: divps rounds each quotient exactly as
     * divss does, and there are 12 of them instead of 48 scalar ones. A joined start normal's
     * length comes from locals, not from reading back the three floats just stored, which
     * stalled on store forwarding. */
    union {
        float flat[48];
        float xyz[16][3];
    } normals;
    float scale[24];
    for (int j = 0; j < 8; j++) {
        const float x = v[j][0] - P[0], y = v[j][1] - P[1], z = v[j][2] - P[2];
        const float s = joined ? sqrtf(x * x + y * y + z * z) : r;
        normals.flat[3 * j] = x;
        normals.flat[3 * j + 1] = y;
        normals.flat[3 * j + 2] = z;
        scale[3 * j] = scale[3 * j + 1] = scale[3 * j + 2] = s;
        for (int i = 0; i < 3; i++)
            normals.flat[24 + 3 * j + i] = v[8 + j][i] - Q[i];
    }
    for (int k = 0; k < 24; k++)
        normals.flat[k] /= scale[k];
    for (int k = 24; k < 48; k++)
        normals.flat[k] /= r;

    drawObject(l, cylinder, v, normals.xyz, 8, (uint16_t)color);
    if (joined) {
        if (l->tube_segments < INT16_MAX) l->tube_segments++;
    } else {
        if (l->tube_segments != 0) closeTube(l);
        memcpy(v[16], P, sizeof v[16]);
        drawObject(l, cylinderstart, v, NULL, 8, (uint16_t)color);
        l->tube_segments = 1;
    }

    l->tube_color = color;
    memcpy(l->tube_ring[0], Q, sizeof l->tube_ring[0]);
    memcpy(l->tube_ring[1], v[8], 8 * sizeof v[8]);

    if (gPick.select) {
        /* Picking tests every segment as a closed shape. */
        l->tube_segments = 0;
        closeTube(l);
    }
}

void closeTube(lsys_t *l) {
    drawObject(l, cylinderlast, l->tube_ring, NULL, 8, l->tube_color);
}

void drawPolygon(lsys_t *l, const float (*v)[3], int n, int16_t color) {
    /* The interpreter's vertex buffer never holds more than LSYS_VERTICES points. */
    if (n > LSYS_VERTICES) n = LSYS_VERTICES;
    if (n < 3) return;
    face_t fan[LSYS_VERTICES - 2];
    for (int i = 0; i < n - 2; i++) {
        fan[i][0] = 0;
        fan[i][1] = (int16_t)(i + 1);
        fan[i][2] = fan[i][3] = (int16_t)(i + 2);
    }
    drawObject(l, fan, v, NULL, (int16_t)(n - 2), (uint16_t)color);
}

static const int corner[6] = {0, 1, 2, 2, 3, 0};

/* makeNormal for the eight faces f0 .. f0 + 7 at once (those from f0 + count on are stand-ins,
 * computed and ignored): the same operations in the same order on each face, laid out as
 * arrays across the faces so that the compiler issues them as packed instructions, every lane
 * rounded exactly as the scalar code rounds. ok[i] is makeNormal's answer for face f0 + i, and
 * n[.][i] its normal when ok. */
static void faceNormals8(const face_t *faces, const float (*v)[3], int f0, int count, float n[3][8],
                         bool ok[8]) {
    /* A coordinate times zero is zero when it is finite and NaN when not, so a sum of such
     * products is zero exactly when all the coordinates are finite: the test as arithmetic,
     * without a branch each. The fourth point is a point of its own only in a quadrilateral. */
    float x[3][8], y[3][8], z[3][8], zero[8];
    for (int i = 0; i < 8; i++) {
        const int16_t *f = faces[f0 + (i < count ? i : 0)];
        for (int k = 0; k < 3; k++) {
            x[k][i] = v[f[k]][0];
            y[k][i] = v[f[k]][1];
            z[k][i] = v[f[k]][2];
        }
        const float *d = v[f[3]];
        zero[i] = f[3] == f[2] ? 0.0f : d[0] * 0.0f + d[1] * 0.0f + d[2] * 0.0f;
    }
    float nn[8];
    for (int i = 0; i < 8; i++)
        for (int k = 0; k < 3; k++)
            zero[i] += x[k][i] * 0.0f + y[k][i] * 0.0f + z[k][i] * 0.0f;
    for (int i = 0; i < 8; i++) {
        n[0][i] = y[0][i] * (z[1][i] - z[2][i]) + y[1][i] * (z[2][i] - z[0][i]) +
                  y[2][i] * (z[0][i] - z[1][i]);
        n[1][i] = -(x[0][i] * (z[1][i] - z[2][i]) + x[1][i] * (z[2][i] - z[0][i]) +
                    x[2][i] * (z[0][i] - z[1][i]));
        n[2][i] = x[0][i] * (y[1][i] - y[2][i]) + x[1][i] * (y[2][i] - y[0][i]) +
                  x[2][i] * (y[0][i] - y[1][i]);
        nn[i] = n[0][i] * n[0][i] + n[1][i] * n[1][i] + n[2][i] * n[2][i];
    }
    for (int i = 0; i < 8; i++) {
        /* A face without area is refused below; 1 only keeps its lane from dividing by 0. */
        const float len = nn[i] > 0.0f ? sqrtf(nn[i]) : 1.0f;
        for (int c = 0; c < 3; c++)
            n[c][i] /= len;
    }
    for (int i = 0; i < 8; i++)
        ok[i] = zero[i] == 0.0f && nn[i] > 0.0001f;
}

/* The batch form of drawObject's emission: the same corners in the same order, as indices
 * into the caller's points, each with the normal that the per-vertex calls would have left in
 * force: the caller's own normal of that point for smooth faces, the face's normal (one per
 * triangle) for flat ones. Handed over in calls of at most LSYS_BATCH corners; nothing but the
 * indices and the flat faces' normals is written. */
static void emitBatched(const lsys_t *l, const emit_t *e, const face_t *faces, const float (*v)[3],
                        const float (*normals)[3], int16_t nfaces, uint16_t color) {
    const float *rgb = l->colors ? l->colors + 3 * (color > LSYS_COLORS - 1 ? 0 : color) : NULL;
    const int flat = normals == NULL;
    uint16_t index[LSYS_BATCH];
    float tri[LSYS_BATCH / 3][3];
    const float(*nrm)[3] = flat ? tri : normals;
    float face[3][8];
    bool ok[8];
    int n = 0;
    for (int f = 0; f < nfaces; f++) {
        const int16_t *x = faces[f];
        const int quad = x[2] != x[3];
        if (n + (quad ? 6 : 3) > LSYS_BATCH) {
            e->batch(e->ctx, rgb, v, nrm, index, n, flat);
            lsysCleanUpper();
            n = 0;
        }
        if (flat) {
            if (f % 8 == 0) faceNormals8(faces, v, f, nfaces - f, face, ok);
            if (!ok[f % 8]) continue;
            for (int t = 0; t <= quad; t++)
                for (int c = 0; c < 3; c++)
                    tri[n / 3 + t][c] = face[c][f % 8];
        }
        index[n] = (uint16_t)x[0], index[n + 1] = (uint16_t)x[1];
        index[n + 2] = (uint16_t)x[2], n += 3;
        if (!quad) continue;
        index[n] = (uint16_t)x[2], index[n + 1] = (uint16_t)x[3];
        index[n + 2] = (uint16_t)x[0], n += 3;
    }
    e->batch(e->ctx, rgb, v, nrm, index, n, flat);
    lsysCleanUpper();
}

void drawObject(lsys_t *l, const face_t *faces, const float (*v)[3], const float (*normals)[3],
                int16_t nfaces, uint16_t color) {
    if (nfaces <= 0) return;
    l->polygon_count += (uint32_t)nfaces;

    if (gPick.select) {
        for (int f = 0; f < nfaces; f++) {
            if (!makeNormal(faces, v, f, NULL)) continue;
            const int16_t *x = faces[f];
            selectTest(l, v[x[0]], v[x[1]], v[x[2]]);
            if (x[2] != x[3]) selectTest(l, v[x[2]], v[x[3]], v[x[0]]);
        }
        return;
    }

    const emit_t *e = l->sink;
    if (!e) return;
    if (e->batch) {
        emitBatched(l, e, faces, v, normals, nfaces, color);
        if (gUpperProbe.armed) upperProbe();
        return;
    }
    /* The members are loaded once: after each indirect call the compiler would otherwise have
     * to read them again, since the callee might have changed them. */
    void *const ctx = e->ctx;
    void (*const normal3fv)(void *, const float *) = e->normal3fv;
    void (*const vertex3fv)(void *, const float *) = e->vertex3fv;
    if (e->color3fv && l->colors)
        e->color3fv(ctx, l->colors + 3 * (color > LSYS_COLORS - 1 ? 0 : color));
    for (int f = 0; f < nfaces; f++) {
        const int16_t *x = faces[f];
        const int n = x[2] != x[3] ? 6 : 3;
        if (normals) {
            for (int i = 0; i < n; i++) {
                const int idx = x[corner[i]];
                if (normal3fv) normal3fv(ctx, normals[idx]);
                if (vertex3fv) vertex3fv(ctx, v[idx]);
            }
        } else {
            float nrm[3];
            if (!makeNormal(faces, v, f, nrm)) continue;
            if (normal3fv) normal3fv(ctx, nrm);
            for (int i = 0; i < n; i++)
                if (vertex3fv) vertex3fv(ctx, v[x[corner[i]]]);
        }
    }
    lsysCleanUpper();
    if (gUpperProbe.armed) upperProbe();
}

int makeNormal(const face_t *faces, const float (*v)[3], int face, float out[3]) {
    const int16_t *x = faces[face];
    for (int k = 0; k < 4; k++)
        for (int i = 0; i < 3; i++)
            if (!isfinite(v[x[k]][i])) return 0;

    const float *p0 = v[x[0]], *p1 = v[x[1]], *p2 = v[x[2]];
    const float N[3] = {
        p0[1] * (p1[2] - p2[2]) + p1[1] * (p2[2] - p0[2]) + p2[1] * (p0[2] - p1[2]),
        -(p0[0] * (p1[2] - p2[2]) + p1[0] * (p2[2] - p0[2]) + p2[0] * (p0[2] - p1[2])),
        p0[0] * (p1[1] - p2[1]) + p1[0] * (p2[1] - p0[1]) + p2[0] * (p0[1] - p1[1])};
    const float nn = N[0] * N[0] + N[1] * N[1] + N[2] * N[2];
    if (!(nn > 0.0001f)) return 0;
    if (out) {
        const float len = sqrtf(nn);
        for (int i = 0; i < 3; i++)
            out[i] = N[i] / len;
    }
    return 1;
}
