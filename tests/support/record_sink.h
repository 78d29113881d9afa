// An emit_t that records, like GL, each vertex with the current colour and normal (three make a
// triangle); a batched sink records batches the same way, one colour call per batch.
#ifndef SPRIG_TESTS_RECORD_SINK_H
#define SPRIG_TESTS_RECORD_SINK_H

#include <stddef.h>

#include <vector>

#include "lsys.h"

// A vertex with the normal and the colour that were current when it was sent.
struct rec_vertex_t {
    float pos[3], normal[3], color[3];
};

class RecordSink {
  public:
    explicit RecordSink(bool batched = false);
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
    emit_t emit_{};
};

// The unit normal of triangle t's counter-clockwise winding; false when it has no area.
bool recordedFaceNormal(const RecordSink &s, size_t t, float out[3]);

#endif
