// Tests of the geometry emission: normals, the face emitter, batches and winding. (That batches
// give the per-vertex stream is robustness_test's property over every input.)
#include "engine_test.h"

// Rows of geometry/normals.txt. Catches a batch whose own flat normals refuse or differ from
// makeNormal's.
TEST(Geometry, MakeNormal) {
    const face_t face[1] = {{0, 1, 2, 3}};
    RecordSink batched(true);
    LsysPtr l = modelFrom("");
    l->sink = batched.emit();
    for (const auto &r : dataRows("geometry/normals.txt")) {
        float v[4][3], n[3] = {7, 7, 7};
        for (int i = 0; i < 12; i++)
            v[i / 3][i % 3] = (float)rowNumbers(r[1 + i / 3])[i % 3];
        const bool ok = !r[5].empty();
        EXPECT_EQ(makeNormal(face, v, 0, n) != 0, ok) << r[0];
        EXPECT_EQ(makeNormal(face, v, 0, nullptr) != 0, ok) << r[0];
        EXPECT_EQ(ok ? rowText(n, 3) : "", r[5]) << r[0];
        batched.clear();
        drawObject(l.get(), face, v, nullptr, 1, 0);
        ASSERT_EQ(batched.vertices.size(), ok ? 6u : 0u) << r[0];
        EXPECT_TRUE(!ok || !memcmp(batched.vertices[5].normal, n, sizeof n)) << r[0];
    }
}

// Catches a skipped face left uncounted, more than one colour call an object or one normal call
// a flat face, and a call through a sink's missing member.
TEST(Geometry, FaceEmitterCallsAndCounting) {
    const float v[5][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 2, 0}};
    const face_t faces[3] = {{0, 1, 2, 3}, {0, 4, 2, 2}, {0, 1, 4, 4}}; // 2nd is degenerate
    RecordSink sink;
    LsysPtr l = modelFrom("");
    l->sink = sink.emit();
    l->polygon_count = 5;
    drawObject(l.get(), faces, v, nullptr, 3, 0);
    EXPECT_EQ(l->polygon_count, 8u);
    EXPECT_EQ(sink.colorCalls * 100 + sink.normalCalls * 10 + sink.triangleCount(), 123u);
    emit_t partial = {nullptr, nullptr, nullptr, nullptr, nullptr};
    l->sink = &partial;
    drawObject(l.get(), faces, v, nullptr, 3, 0);
    l->sink = nullptr;
    drawObject(l.get(), faces, v, nullptr, 3, 0);
    EXPECT_EQ(l->polygon_count, 14u);
}

// Catches a skipped empty object: its batch still comes, with its colour. (That batches are
// whole, small enough and coloured is robustness_test's, over every input.)
TEST(Geometry, EmptyObjectsStillSetTheirColour) {
    RecordSink sink(true);
    LsysPtr l = modelFrom("");
    l->sink = sink.emit();
    const float line[3][3] = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}};
    drawPolygon(l.get(), line, 3, 5);
    EXPECT_EQ(sink.batchSizes, std::vector<int>{0});
    EXPECT_EQ(memcmp(sink.color, l->colors + 15, 12), 0);
}

// Rows of geometry/outward.txt. Catches inward faces or normals against the winding.
TEST(Geometry, FacesPointOutward) {
    for (const auto &r : dataRows("geometry/outward.txt")) {
        SCOPED_TRACE(r[0]);
        RecordSink sink;
        LsysPtr l = modelFrom(r[0]);
        l->sink = sink.emit();
        lsysDraw(l.get(), nullTrace);
        const size_t triangles = (size_t)rowNumber(r[1]);
        const bool convex = triangles != 0;
        EXPECT_EQ(convex, l->polygon_count == (l->shape == 1 ? 24u : 6u));
        EXPECT_TRUE(convex ? sink.triangleCount() == triangles : sink.triangleCount() > 0);
        const face_t face[1] = {{0, 1, 2, 2}};
        for (size_t t = 0; t < sink.triangleCount(); t++) {
            float w[3], out = 0, v[3][3]; // w: the winding's normal
            for (int k = 0; k < 3; k++)
                memcpy(v[k], sink.corner(t, k).pos, sizeof v[k]);
            ASSERT_TRUE(makeNormal(face, v, 0, w));
            for (int k = 0; k < 3; k++) {
                const float *n = sink.corner(t, k).normal;
                EXPECT_GT(n[0] * w[0] + n[1] * w[1] + n[2] * w[2], convex ? 0.9f : 0.0f) << t;
                out += (centroid(sink, t, k) - 0.5f * (l->bounds.min[k] + l->bounds.max[k])) * w[k];
            }
            EXPECT_TRUE(!convex || out > 0) << "triangle " << t;
        }
    }
}
