// An emit_t that records what the engine emits, for tests and exporter checks. Like GL it keeps
// the current colour and normal, and stores one entry per vertex call: every three entries form
// one triangle with its colours and normals. A batched sink takes whole objects and records
// their vertices the same way (each batch counts as one colour call, no normal calls).
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

// Outward check of triangle t: the unit normal of its winding (counter-clockwise seen from the
// side it faces), or false when the triangle has no area.
bool recordedFaceNormal(const RecordSink &s, size_t t, float out[3]);

#endif
