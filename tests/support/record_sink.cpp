/* Recording emit_t for tests: see record_sink.h. */
#include "record_sink.h"

#include <math.h>
#include <string.h>

static void recColor(void *ctx, const float rgb[3]) {
    RecordSink *s = static_cast<RecordSink *>(ctx);
    memcpy(s->color, rgb, sizeof s->color);
    s->colorCalls++;
}

static void recNormal(void *ctx, const float n[3]) {
    RecordSink *s = static_cast<RecordSink *>(ctx);
    memcpy(s->normal, n, sizeof s->normal);
    s->normalCalls++;
}

static void recVertex(void *ctx, const float v[3]) {
    RecordSink *s = static_cast<RecordSink *>(ctx);
    rec_vertex_t r;
    memcpy(r.pos, v, sizeof r.pos);
    memcpy(r.normal, s->normal, sizeof r.normal);
    memcpy(r.color, s->color, sizeof r.color);
    s->vertices.push_back(r);
}

RecordSink::RecordSink() : emit_{this, recColor, recNormal, recVertex} {}

void RecordSink::clear() {
    vertices.clear();
    colorCalls = normalCalls = 0;
}

bool recordedFaceNormal(const RecordSink &s, size_t t, float out[3]) {
    const float *a = s.corner(t, 0).pos, *b = s.corner(t, 1).pos, *c = s.corner(t, 2).pos;
    const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                         u[0] * w[1] - u[1] * w[0]};
    const double len = sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(len > 0)) return false;
    for (int i = 0; i < 3; i++)
        out[i] = (float)(n[i] / len);
    return true;
}
