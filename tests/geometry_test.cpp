/* Tests of the geometry emission: face normals, the face emitter's colour and order rules,
 * polygon fans, tube joining, and the outward winding of every tube, cap and prism face. */
#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <string>

#include "lsys.h"
#include "model_from.h"
#include "record_sink.h"

namespace {

const float NaN = NAN, Inf = INFINITY;

TEST(Geometry, MakeNormal) {
    struct {
        float v[4][3];
        bool ok;
        float n[3];
    } rows[] = {
        {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0}}, true, {0, 0, 1}},
        {{{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 0, 0}}, true, {0, 0, -1}},
        {{{0, 0, 0}, {0, 0, 2}, {3, 0, 0}, {9, 9, 9}}, true, {0, 1, 0}},   /* d is not used */
        {{{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {2, 2, 2}}, false, {}},         /* collinear */
        {{{0, 0, 0}, {0.09f, 0, 0}, {0, 0.09f, 0}, {0, 0, 0}}, false, {}}, /* too small */
        {{{0, 0, 0}, {0.11f, 0, 0}, {0, 0.11f, 0}, {0, 0, 0}}, true, {0, 0, 1}},
        {{{NaN, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0}}, false, {}},
        {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, Inf, 0}}, false, {}}, /* d is checked */
        {{{0, 0, 0}, {1, 0, 0}, {0, 1, -Inf}, {0, 1, 0}}, false, {}},
    };
    const face_t face[1] = {{0, 1, 2, 3}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; i++) {
        float n[3] = {7, 7, 7};
        EXPECT_EQ(makeNormal(face, rows[i].v, 0, n) != 0, rows[i].ok) << "row " << i;
        EXPECT_EQ(makeNormal(face, rows[i].v, 0, nullptr) != 0, rows[i].ok) << "row " << i;
        for (int k = 0; k < 3 && rows[i].ok; k++) {
            EXPECT_NEAR(n[k], rows[i].n[k], 1e-6) << "row " << i;
        }
    }
}

/* A model fresh from lsysInit with a clean tube state, as lsysDraw leaves it at its start. */
LsysPtr bareModel(RecordSink *sink) {
    LsysPtr l = modelFrom("");
    l->sink = sink ? sink->emit() : nullptr;
    l->tube_segments = 0;
    l->tube_color = 0;
    l->tube_ring[0][0] = l->tube_ring[0][1] = l->tube_ring[0][2] = NAN;
    return l;
}

TEST(Geometry, DrawObjectColourOrderAndCounting) {
    const float v[5][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 2, 0}};
    const float nrm[5][3] = {{0, 0, 1}, {0, 0, 2}, {0, 0, 3}, {0, 0, 4}, {0, 0, 5}};
    const face_t faces[3] = {{0, 1, 2, 3}, {0, 4, 2, 2}, {0, 1, 4, 4}}; /* 2nd is degenerate */
    struct {
        uint16_t color;
        int entry;
    } colours[] = {{0, 0}, {7, 7}, {100, 100}, {101, 0}, {(uint16_t)-1, 0}};
    for (const auto &c : colours) {
        RecordSink sink;
        LsysPtr l = bareModel(&sink);
        l->colors[3 * 100] = 0.25f;
        l->polygon_count = 5;
        drawObject(l.get(), faces, v, nullptr, 3, c.color);
        EXPECT_EQ(l->polygon_count, 8u); /* the skipped face counts too */
        EXPECT_EQ(sink.colorCalls, 1u);
        EXPECT_EQ(sink.triangleCount(), 2u + 0u + 1u);
        EXPECT_EQ(sink.normalCalls, 2u); /* once per drawn face */
        EXPECT_EQ(sink.vertices[0].color[0], l->colors[3 * c.entry]) << c.color;
    }

    /* With explicit normals every face is drawn unchecked, corner by corner: a b c, c d a. */
    RecordSink sink;
    LsysPtr l = bareModel(&sink);
    drawObject(l.get(), faces, v, nrm, 2, 0);
    const int order[] = {0, 1, 2, 2, 3, 0, 0, 4, 2};
    ASSERT_EQ(sink.vertices.size(), 9u);
    EXPECT_EQ(sink.normalCalls, 9u);
    for (int i = 0; i < 9; i++) {
        EXPECT_EQ(memcmp(sink.vertices[i].pos, v[order[i]], sizeof v[0]), 0) << i;
        EXPECT_EQ(sink.vertices[i].normal[2], nrm[order[i]][2]) << i;
    }

    /* No sink, or a sink with missing members: counted, nothing called. */
    LsysPtr quiet = bareModel(nullptr);
    drawObject(quiet.get(), faces, v, nrm, 3, 0);
    EXPECT_EQ(quiet->polygon_count, 3u);
    emit_t partial = {nullptr, nullptr, nullptr, nullptr};
    quiet->sink = &partial;
    drawObject(quiet.get(), faces, v, nullptr, 3, 0);
    EXPECT_EQ(quiet->polygon_count, 6u);
}

TEST(Geometry, PolygonIsAFanInRecordedOrder) {
    const float v[5][3] = {{0, 0, 0}, {2, 0, 0}, {3, 1, 0}, {2, 2, 0}, {0, 2, 0}};
    RecordSink sink;
    LsysPtr l = bareModel(&sink);
    drawPolygon(l.get(), v, 5, 4);
    EXPECT_EQ(l->polygon_count, 3u);
    ASSERT_EQ(sink.triangleCount(), 3u);
    for (size_t t = 0; t < 3; t++) {
        const int want[3] = {0, (int)t + 1, (int)t + 2};
        for (int k = 0; k < 3; k++)
            EXPECT_EQ(memcmp(sink.corner(t, k).pos, v[want[k]], sizeof v[0]), 0);
        EXPECT_EQ(sink.corner(t, 0).normal[2], 1.0f); /* counter-clockwise seen from +z */
    }
}

TEST(Geometry, JoinedSegmentSharesTheEndRingExactly) {
    RecordSink sink;
    LsysPtr l = bareModel(&sink);
    const float P[3] = {0, 0, 0}, Q[3] = {0, 0, 10}, R[3] = {0, 3, 18},
                up[3] = {1, 0, 0}; /* up is across both */
    drawSegment(l.get(), P, Q, up, 1.0f, 2);
    float ring[8][3];
    memcpy(ring, l->tube_ring[1], sizeof ring);
    const size_t first = sink.vertices.size();
    drawSegment(l.get(), Q, R, up, 1.0f, 2);
    EXPECT_EQ(l->tube_segments, 2);
    EXPECT_EQ(sink.vertices.size() - first, 48u); /* 8 quadrilaterals, no caps */
    /* Every corner of the new side is either a point of the old end ring or of the new one. */
    int shared = 0;
    for (size_t i = first; i < sink.vertices.size(); i++)
        for (int j = 0; j < 8; j++)
            if (!memcmp(sink.vertices[i].pos, ring[j], sizeof ring[j])) shared++;
    EXPECT_EQ(shared, 24); /* half of the 48 corners */
    /* The start normals of a joined segment are unit length. */
    for (size_t i = first; i < sink.vertices.size(); i++) {
        const float *n = sink.vertices[i].normal;
        EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-4);
    }
}

TEST(Geometry, FirstSegmentNeverJoinsAnUnsetTubeEnd) {
    /* Starts exactly at (1, 1, 1) in colour 0, where no tube has ended. */
    LsysPtr l = modelFrom("axiom c(0)g(1)&(90)g(1)+(90)g(1)F");
    RecordSink sink;
    l->sink = sink.emit();
    lsysDraw(l.get(), nullTrace);
    EXPECT_EQ(l->polygon_count, 24u);
    EXPECT_EQ(sink.triangleCount(), 32u);
    for (const auto &v : sink.vertices)
        for (int k = 0; k < 3; k++)
            ASSERT_TRUE(isfinite(v.pos[k]));
}

TEST(Geometry, PrismCornersLieAtTheRadius) {
    LsysPtr l = modelFrom("shape 0\naxiom F");
    RecordSink sink;
    l->sink = sink.emit();
    lsysDraw(l.get(), nullTrace);
    ASSERT_EQ(sink.triangleCount(), 12u);
    EXPECT_EQ(sink.normalCalls, 6u); /* flat: one normal per face */
    for (const auto &v : sink.vertices) {
        EXPECT_NEAR(hypotf(v.pos[0], v.pos[1]), 50.0f, 1e-3);
        EXPECT_NEAR(fabsf(v.pos[0]), fabsf(v.pos[1]), 1e-3); /* sides at 45 degrees to up */
    }
}

/* Every face of a convex shape faces away from the shape's centre, and the normal sent with
 * each vertex agrees with the face's winding. */
class Winding : public ::testing::TestWithParam<const char *> {};

TEST_P(Winding, FacesPointOutward) {
    LsysPtr l = modelFrom(GetParam());
    RecordSink sink;
    l->sink = sink.emit();
    lsysDraw(l.get(), nullTrace);
    ASSERT_GT(sink.triangleCount(), 0u);
    /* One tube is 24 faces, one prism 6. */
    const bool convex = l->polygon_count == (l->shape == 1 ? 24u : 6u);
    float centre[3];
    for (int k = 0; k < 3; k++)
        centre[k] = 0.5f * (l->bounds.min[k] + l->bounds.max[k]);
    for (size_t t = 0; t < sink.triangleCount(); t++) {
        float w[3];
        ASSERT_TRUE(recordedFaceNormal(sink, t, w));
        for (int k = 0; k < 3; k++) {
            const float *n = sink.corner(t, k).normal;
            /* Smooth normals of a lone tube stay within 22.5 degrees of its faces; at a bend
             * the joined side is skewed, but its normals still point out of it. */
            EXPECT_GT(n[0] * w[0] + n[1] * w[1] + n[2] * w[2], convex ? 0.9f : 0.0f)
                << "triangle " << t;
        }
        if (!convex) continue;
        float out = 0;
        for (int k = 0; k < 3; k++) {
            const float c =
                (sink.corner(t, 0).pos[k] + sink.corner(t, 1).pos[k] + sink.corner(t, 2).pos[k]) /
                3;
            out += (c - centre[k]) * w[k];
        }
        EXPECT_GT(out, 0.0f) << "triangle " << t;
    }
}

/* Single segments (convex) in several orientations, then joined and branched tubes. */
INSTANTIATE_TEST_SUITE_P(Geometry, Winding,
                         ::testing::Values("axiom F", "axiom &(90)F", "axiom +(33)&(71)>(12)F",
                                           "axiom |F", "axiom >(200)^(20)F(7)", "shape 0\naxiom F",
                                           "shape 0\naxiom +(40)&(25)F",
                                           "axiom F+(30)F-(60)F&(45)F", "axiom F[+F][-F]>(90)F",
                                           "recursion 3\naxiom F\nrule F=F[+F]&F[-F]>F",
                                           "shape 0\naxiom F+(30)F[&F]F"));

} // namespace
