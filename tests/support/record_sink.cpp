// Recording emit_t for tests: see record_sink.h.
#include "record_sink.h"

#include <math.h>
#include <string.h>

static RecordSink *self(void *ctx) {
    return static_cast<RecordSink *>(ctx);
}

RecordSink::RecordSink(bool batched) {
    emit_.ctx = this;
    emit_.color3fv = [](void *c, const float rgb[3]) {
        memcpy(self(c)->color, rgb, sizeof self(c)->color), self(c)->colorCalls++;
    };
    emit_.normal3fv = [](void *c, const float n[3]) {
        memcpy(self(c)->normal, n, sizeof self(c)->normal), self(c)->normalCalls++;
    };
    emit_.vertex3fv = [](void *c, const float v[3]) {
        rec_vertex_t r;
        memcpy(r.pos, v, sizeof r.pos);
        memcpy(r.normal, self(c)->normal, sizeof r.normal);
        memcpy(r.color, self(c)->color, sizeof r.color);
        self(c)->vertices.push_back(r);
    };
    if (!batched) return;
    emit_.batch = [](void *c, const float *rgb, const float(*p)[3], const float(*n)[3],
                     const uint16_t *index, int count, int flat) {
        self(c)->batchSizes.push_back(count);
        if (rgb) self(c)->emit_.color3fv(c, rgb);
        for (int i = 0; i < count; i++) {
            memcpy(self(c)->normal, n[flat ? i / 3 : index[i]], sizeof self(c)->normal);
            self(c)->emit_.vertex3fv(c, p[index[i]]);
        }
    };
}

bool recordedFaceNormal(const RecordSink &s, size_t t, float out[3]) {
    const float *a = s.corner(t, 0).pos, *b = s.corner(t, 1).pos, *c = s.corner(t, 2).pos;
    const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const double w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    const double n[3] = {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                         u[0] * w[1] - u[1] * w[0]};
    const double len = sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    for (int i = 0; i < 3 && len > 0; i++)
        out[i] = (float)(n[i] / len);
    return len > 0;
}
