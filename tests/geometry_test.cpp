// Tests of the geometry emission: normals, the face emitter, fans, joins and winding.
#include "engine_test.h"

TEST(Geometry, MakeNormal) {
    // clang-format off
    const struct { float v[4][3]; bool ok; float n[3]; } rows[] = {
        {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0}}, true, {0, 0, 1}},
        {{{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 0, 0}}, true, {0, 0, -1}},
        {{{0, 0, 0}, {0, 0, 2}, {3, 0, 0}, {9, 9, 9}}, true, {0, 1, 0}}, // d is not used
        {{{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {2, 2, 2}}, false, {}}, // collinear
        {{{0, 0, 0}, {0.09f, 0, 0}, {0, 0.09f, 0}, {0, 0, 0}}, false, {}}, // too small
        {{{0, 0, 0}, {0.11f, 0, 0}, {0, 0.11f, 0}, {0, 0, 0}}, true, {0, 0, 1}},
        {{{NAN, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0}}, false, {}},
        {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, INFINITY, 0}}, false, {}}, // but d is checked
        {{{0, 0, 0}, {1, 0, 0}, {0, 1, -INFINITY}, {0, 1, 0}}, false, {}}};
    // clang-format on
    const face_t face[1] = {{0, 1, 2, 3}};
    for (const auto &r : rows) {
        float n[3] = {7, 7, 7};
        EXPECT_EQ(makeNormal(face, r.v, 0, n) != 0, r.ok) << &r - rows;
        EXPECT_EQ(makeNormal(face, r.v, 0, nullptr) != 0, r.ok) << &r - rows;
        for (int k = 0; k < 3 && r.ok; k++)
            EXPECT_NEAR(n[k], r.n[k], 1e-6) << &r - rows;
    }
}

TEST(Geometry, FaceEmitterColourOrderCountingAndFans) {
    const float v[5][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 2, 0}};
    const float nrm[5][3] = {{0, 0, 1}, {0, 0, 2}, {0, 0, 3}, {0, 0, 4}, {0, 0, 5}};
    const face_t faces[3] = {{0, 1, 2, 3}, {0, 4, 2, 2}, {0, 1, 4, 4}}; // 2nd is degenerate
    const int colours[][2] = {{0, 0}, {7, 7}, {100, 100}, {101, 0}, {65535, 0}};
    for (const auto &c : colours) {
        RecordSink sink;
        LsysPtr l = modelFrom("");
        l->sink = sink.emit();
        l->colors[3 * 100] = 0.25f;
        l->polygon_count = 5;
        drawObject(l.get(), faces, v, nullptr, 3, (uint16_t)c[0]);
        EXPECT_EQ(l->polygon_count, 8u); // the skipped face counts too
        EXPECT_EQ(sink.colorCalls * 100 + sink.normalCalls * 10 + sink.triangleCount(), 123u);
        EXPECT_EQ(sink.vertices[0].color[0], l->colors[3 * c[1]]) << c[0];
    }
    // With explicit normals every face is drawn unchecked, corner by corner: a b c, c d a.
    RecordSink sink;
    LsysPtr l = modelFrom("");
    l->sink = sink.emit();
    drawObject(l.get(), faces, v, nrm, 2, 0);
    const int order[] = {0, 1, 2, 2, 3, 0, 0, 4, 2};
    ASSERT_EQ(sink.vertices.size(), 9u);
    EXPECT_EQ(sink.normalCalls, 9u);
    for (int i = 0; i < 9; i++) {
        EXPECT_TRUE(!memcmp(sink.vertices[i].pos, v[order[i]], 12)) << i;
        EXPECT_EQ(sink.vertices[i].normal[2], nrm[order[i]][2]) << i;
    }
    // A polygon is a fan in recorded order, counter-clockwise seen from +z.
    const float p[5][3] = {{0, 0, 0}, {2, 0, 0}, {3, 1, 0}, {2, 2, 0}, {0, 2, 0}};
    sink.clear();
    drawPolygon(l.get(), p, 5, 4);
    EXPECT_EQ(l->polygon_count, 2u + 3u);
    ASSERT_EQ(sink.triangleCount(), 3u);
    for (size_t i = 0; i < 9; i++) {
        EXPECT_TRUE(!memcmp(sink.vertices[i].pos, p[i % 3 ? i / 3 + i % 3 : 0], 12)) << i;
        EXPECT_EQ(sink.vertices[i].normal[2], 1.0f);
    }
    // No sink, or one whose members are all missing: counted, nothing called.
    LsysPtr quiet = modelFrom("");
    drawObject(quiet.get(), faces, v, nrm, 3, 0);
    emit_t partial = {nullptr, nullptr, nullptr, nullptr};
    quiet->sink = &partial;
    drawObject(quiet.get(), faces, v, nullptr, 3, 0);
    EXPECT_EQ(quiet->polygon_count, 6u);
}

TEST(Geometry, JoinedSegmentSharesTheEndRingExactly) {
    RecordSink sink;
    LsysPtr l = modelFrom("");
    l->sink = sink.emit();
    const float P[3] = {0, 0, 0}, Q[3] = {0, 0, 10}, R[3] = {0, 3, 18}, up[3] = {1, 0, 0};
    drawSegment(l.get(), P, Q, up, 1.0f, 2);
    const std::vector<float> ring(&l->tube_ring[1][0], &l->tube_ring[1][0] + 24);
    const size_t first = sink.vertices.size();
    drawSegment(l.get(), Q, R, up, 1.0f, 2);
    EXPECT_EQ(l->tube_segments, 2);
    EXPECT_EQ(sink.vertices.size() - first, 48u); // 8 quadrilaterals, no caps
    // Half the corners of the new side are points of the old end ring, all normals unit.
    int shared = 0;
    for (size_t i = first; i < sink.vertices.size(); i++) {
        for (int j = 0; j < 8; j++)
            shared += !memcmp(sink.vertices[i].pos, &ring[3 * j], 12);
        const float *n = sink.vertices[i].normal;
        EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-4);
    }
    EXPECT_EQ(shared, 24);
}

TEST(Geometry, PrismCornersLieAtTheRadius) {
    RecordSink sink;
    LsysPtr l = modelFrom("shape 0\naxiom F");
    l->sink = sink.emit();
    lsysDraw(l.get(), nullTrace);
    EXPECT_EQ(sink.normalCalls, 6u); // flat: one normal per face
    for (const auto &v : sink.vertices) {
        EXPECT_NEAR(hypotf(v.pos[0], v.pos[1]), 50.0f, 1e-3);
        EXPECT_NEAR(fabsf(v.pos[0]), fabsf(v.pos[1]), 1e-3); // sides at 45 degrees to up
    }
}

// Every face of a lone tube or prism faces away from its centre, and the normals sent with each
// vertex agree with the face's winding: within 22.5 degrees on a lone tube, and still pointing
// out of the skewed side at a bend. The fourth starts at (1, 1, 1) in colour 0, where no tube
// has ended, and must not join that unset end.
TEST(Geometry, FacesPointOutward) {
    // clang-format off
    const struct { const char *text; size_t triangles; } rows[] = {
        {"axiom F", 32}, {"axiom &(90)F", 32}, {"axiom +(33)&(71)>(12)F", 32},
        {"axiom c(0)g(1)&(90)g(1)+(90)g(1)F", 32}, {"axiom |F", 32}, {"axiom >(200)^(20)F(7)", 32},
        {"shape 0\naxiom F", 12}, {"shape 0\naxiom +(40)&(25)F", 12},
        {"axiom F+(30)F-(60)F&(45)F", 0}, {"axiom F[+F][-F]>(90)F", 0},
        {"recursion 3\naxiom F\nrule F=F[+F]&F[-F]>F", 0}, {"shape 0\naxiom F+(30)F[&F]F", 0}};
    // clang-format on
    for (const auto &r : rows) {
        SCOPED_TRACE(r.text);
        RecordSink sink;
        LsysPtr l = modelFrom(r.text);
        l->sink = sink.emit();
        lsysDraw(l.get(), nullTrace);
        const bool convex = r.triangles != 0;
        EXPECT_EQ(convex, l->polygon_count == (l->shape == 1 ? 24u : 6u));
        EXPECT_TRUE(convex ? sink.triangleCount() == r.triangles : sink.triangleCount() > 0);
        for (size_t t = 0; t < sink.triangleCount(); t++) {
            float w[3], out = 0;
            ASSERT_TRUE(recordedFaceNormal(sink, t, w));
            for (int k = 0; k < 3; k++) {
                const float *n = sink.corner(t, k).normal;
                EXPECT_GT(n[0] * w[0] + n[1] * w[1] + n[2] * w[2], convex ? 0.9f : 0.0f) << t;
                out += (centroid(sink, t, k) - 0.5f * (l->bounds.min[k] + l->bounds.max[k])) * w[k];
            }
            EXPECT_TRUE(!convex || out > 0) << "triangle " << t;
        }
    }
}
