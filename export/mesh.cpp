/* Collecting the engine's emitted triangles into an indexed mesh (see mesh.h). */
#include "mesh.h"

#include <math.h>
#include <string.h>

static void meshColor(void *ctx, const float rgb[3]) {
    memcpy(static_cast<mesh_t *>(ctx)->curColor, rgb, sizeof(float) * 3);
}

static void meshNormal(void *ctx, const float n[3]) {
    memcpy(static_cast<mesh_t *>(ctx)->curNormal, n, sizeof(float) * 3);
}

static uint32_t meshIndex(mesh_t *m, const mesh_vertex_t &v) {
    mesh_key_t key;
    memcpy(key.data(), &v, sizeof key);
    auto found = m->lookup.emplace(key, (uint32_t)m->vertices.size());
    if (found.second) m->vertices.push_back(v);
    return found.first->second;
}

/* The unit normal of the triangle abc in double precision (no overflow for any finite corners),
 * or (0, 0, 1) when it has no area. */
static void faceNormal(const float *a, const float *b, const float *c, float out[3]) {
    double e1[3], e2[3], n[3];
    for (int i = 0; i < 3; i++)
        e1[i] = (double)b[i] - a[i], e2[i] = (double)c[i] - a[i];
    n[0] = e1[1] * e2[2] - e1[2] * e2[1];
    n[1] = e1[2] * e2[0] - e1[0] * e2[2];
    n[2] = e1[0] * e2[1] - e1[1] * e2[0];
    double len = sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (int i = 0; i < 3; i++)
        out[i] = len > 0 && isfinite(len) ? (float)(n[i] / len) : i == 2;
}

/* Adds the pending triangle, or counts it as dropped when a corner's position is not finite
 * (no format can hold it). Huge but finite models are kept: a normal that overflowed in the
 * engine becomes the face's normal, a colour that is not a number becomes 0. */
static void meshTriangle(mesh_t *m) {
    mesh_vertex_t *v = m->pending;
    for (int k = 0; k < 3; k++)
        for (int i = 0; i < 3; i++)
            if (!isfinite(v[k].pos[i])) {
                m->dropped++;
                return;
            }
    for (int k = 0; k < 3; k++) {
        if (!isfinite(v[k].normal[0]) || !isfinite(v[k].normal[1]) || !isfinite(v[k].normal[2]))
            faceNormal(v[0].pos, v[1].pos, v[2].pos, v[k].normal);
        for (float &c : v[k].color)
            if (!isfinite(c)) c = 0;
    }
    for (const mesh_vertex_t &c : m->pending)
        m->indices.push_back(meshIndex(m, c));
}

static void meshVertex(void *ctx, const float p[3]) {
    mesh_t *m = static_cast<mesh_t *>(ctx);
    mesh_vertex_t &v = m->pending[m->npending++];
    memcpy(v.pos, p, sizeof v.pos);
    memcpy(v.normal, m->curNormal, sizeof v.normal);
    memcpy(v.color, m->curColor, sizeof v.color);
    if (m->npending < 3) return;
    m->npending = 0;
    meshTriangle(m);
}

/* A whole object: the same vertices as the per-vertex calls, without a call for each. */
static void meshBatch(void *ctx, const float *rgb, const float (*pos)[3], const float (*normal)[3],
                      const uint16_t *index, int count, int flat) {
    mesh_t *m = static_cast<mesh_t *>(ctx);
    if (rgb) meshColor(m, rgb);
    for (int i = 0; i < count; i++) {
        memcpy(m->curNormal, normal[flat ? i / 3 : index[i]], sizeof m->curNormal);
        meshVertex(m, pos[index[i]]);
    }
}

emit_t meshEmit(mesh_t *m) {
    emit_t e;
    e.ctx = m;
    e.color3fv = meshColor;
    e.normal3fv = meshNormal;
    e.vertex3fv = meshVertex;
    e.batch = meshBatch;
    return e;
}

uint8_t meshByte(float c) {
    if (!(c > 0)) return 0; /* NaN too */
    if (c >= 1) return 255;
    return (uint8_t)lrintf(c * 255.0f);
}

void meshFaceNormal(const mesh_t &m, size_t tri, float out[3]) {
    const mesh_vertex_t *v[3];
    for (int i = 0; i < 3; i++)
        v[i] = &m.vertices[m.indices[tri * 3 + i]];
    double mean[3], face[3], e1[3], e2[3];
    for (int i = 0; i < 3; i++) {
        mean[i] = (double)v[0]->normal[i] + v[1]->normal[i] + v[2]->normal[i];
        e1[i] = (double)v[1]->pos[i] - v[0]->pos[i];
        e2[i] = (double)v[2]->pos[i] - v[0]->pos[i];
    }
    face[0] = e1[1] * e2[2] - e1[2] * e2[1];
    face[1] = e1[2] * e2[0] - e1[0] * e2[2];
    face[2] = e1[0] * e2[1] - e1[1] * e2[0];
    double fl = sqrt(face[0] * face[0] + face[1] * face[1] + face[2] * face[2]);
    double ml = sqrt(mean[0] * mean[0] + mean[1] * mean[1] + mean[2] * mean[2]);
    const double *use = NULL;
    double len = 0, sign = 1;
    if (fl > 0 && isfinite(fl)) {
        use = face;
        len = fl;
        if (face[0] * mean[0] + face[1] * mean[1] + face[2] * mean[2] < 0) sign = -1;
    } else if (ml > 0 && isfinite(ml)) {
        use = mean;
        len = ml;
    }
    for (int i = 0; i < 3; i++)
        out[i] = use ? (float)(sign * use[i] / len) : 0.0f;
}
