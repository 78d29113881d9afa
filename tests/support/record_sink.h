// An emit_t that records, like GL, each vertex with the current colour and normal (three make a
// triangle); a batched sink records batches the same way, one colour call per batch.
#ifndef SPRIG_TESTS_RECORD_SINK_H
#define SPRIG_TESTS_RECORD_SINK_H

#include <string.h>

#include <vector>

#include "lsys.h"

// A vertex with the normal and the colour that were current when it was sent.
struct rec_vertex_t {
    float pos[3], normal[3], color[3];
};

class RecordSink {
  public:
    explicit RecordSink(bool batched = false) {
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
        if (batched)
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
    RecordSink(const RecordSink &) = delete; // emit.ctx points at this object
    RecordSink &operator=(const RecordSink &) = delete;

    const emit_t *emit() const { return &emit_; } // hand this to lsys_t::sink
    void clear() { vertices.clear(), batchSizes.clear(), colorCalls = normalCalls = 0; }
    size_t triangleCount() const { return vertices.size() / 3; }
    // Corner k (0..2) of triangle t.
    const rec_vertex_t &corner(size_t t, int k) const { return vertices[3 * t + k]; }

    std::vector<rec_vertex_t> vertices;
    std::vector<int> batchSizes; // vertices of each batch call, in order
    size_t colorCalls = 0, normalCalls = 0;
    float color[3] = {0, 0, 0}, normal[3] = {0, 0, 1};

  private:
    static RecordSink *self(void *ctx) { return static_cast<RecordSink *>(ctx); }
    emit_t emit_{};
};

#endif
