// Tests of the geometry emission: normals, the face emitter, batches, winding and pinned streams.
#include "engine_test.h"
#include "hostile.h"
#include "table.h"

TEST(Geometry, MakeNormal) {
    // clang-format off
    const struct { float v[4][3]; bool ok; float n[3]; } rows[] = {
        {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0}}, true, {0, 0, 1}},
        {{{0, 0, 0}, {0, 0, 2}, {3, 0, 0}, {9, 9, 9}}, true, {0, 1, 0}}, // d is not used
        {{{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {2, 2, 2}}, false, {}}, // collinear
        {{{0, 0, 0}, {0.09f, 0, 0}, {0, 0.09f, 0}, {0, 0, 0}}, false, {}}, // too small
        {{{0, 0, 0}, {0.11f, 0, 0}, {0, 0.11f, 0}, {0, 0, 0}}, true, {0, 0, 1}},
        {{{NAN, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1, 0}}, false, {}},
        {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, INFINITY, 0}}, false, {}}, // but d is checked
        {{{0, 0, 0}, {1, 0, 0}, {0, 1, -INFINITY}, {0, 1, 0}}, false, {}}};
    // clang-format on
    // Catches a batch whose own flat normals refuse or differ from makeNormal's.
    const face_t face[1] = {{0, 1, 2, 3}};
    RecordSink batched(true);
    LsysPtr l = modelFrom("");
    l->sink = batched.emit();
    for (const auto &r : rows) {
        float n[3] = {7, 7, 7};
        EXPECT_EQ(makeNormal(face, r.v, 0, n) != 0, r.ok) << &r - rows;
        EXPECT_EQ(makeNormal(face, r.v, 0, nullptr) != 0, r.ok) << &r - rows;
        for (int k = 0; k < 3 && r.ok; k++)
            EXPECT_NEAR(n[k], r.n[k], 1e-6) << &r - rows;
        batched.clear();
        drawObject(l.get(), face, r.v, nullptr, 1, 0);
        ASSERT_EQ(batched.vertices.size(), r.ok ? 6u : 0u) << &r - rows;
        EXPECT_TRUE(!r.ok || !memcmp(batched.vertices[5].normal, n, sizeof n)) << &r - rows;
    }
}

TEST(Geometry, FaceEmitterColourOrderAndCounting) {
    const float v[5][3] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {2, 2, 0}};
    const float nrm[5][3] = {{0, 0, 1}, {0, 0, 2}, {0, 0, 3}, {0, 0, 4}, {0, 0, 5}};
    const face_t faces[3] = {{0, 1, 2, 3}, {0, 4, 2, 2}, {0, 1, 4, 4}}; // 2nd is degenerate
    const int colours[][2] = {{100, 100}, {101, 0}}; // the last entry, and one past it
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
    // No sink, or one whose members are all missing: counted, nothing called.
    LsysPtr quiet = modelFrom("");
    drawObject(quiet.get(), faces, v, nrm, 3, 0);
    emit_t partial = {nullptr, nullptr, nullptr, nullptr, nullptr};
    quiet->sink = &partial;
    drawObject(quiet.get(), faces, v, nullptr, 3, 0);
    EXPECT_EQ(quiet->polygon_count, 6u);
}

// Catches batches over LSYS_BATCH corners, a lost colour, or a skipped empty object.
TEST(Geometry, BatchesSplitLargeObjectsAndKeepEmptyOnes) {
    RecordSink sink(true);
    LsysPtr l = modelFrom("");
    l->sink = sink.emit();
    float ring[100][3];
    for (int i = 0; i < 100; i++)
        ring[i][0] = 10 * cosf(i * 0.0628f), ring[i][1] = 10 * sinf(i * 0.0628f), ring[i][2] = 0;
    const float line[3][3] = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}, P[3] = {0, 0, 0}, Q[3] = {0, 0, 10},
                up[3] = {1, 0, 0};
    drawPolygon(l.get(), ring, 100, 1);
    drawPolygon(l.get(), line, 3, 5);
    drawSegment(l.get(), P, Q, up, 1.0f, 2); // side, then start cap
    EXPECT_EQ(sink.batchSizes, (std::vector<int>{192, 102, 0, 48, 24}));
    EXPECT_EQ(sink.colorCalls, 5u);
    EXPECT_EQ(memcmp(sink.color, l->colors + 6, 12), 0);
    EXPECT_EQ(sink.normalCalls, 0u);
}

// Catches inward faces or normals against the winding; row 2 must not join the unset tube end.
TEST(Geometry, FacesPointOutward) {
    // clang-format off
    const struct { const char *text; size_t triangles; } rows[] = {
        {"axiom +(33)&(71)>(12)F", 32}, {"axiom c(0)g(1)&(90)g(1)+(90)g(1)F", 32},
        {"shape 0\naxiom +(40)&(25)F", 12}, {"recursion 3\naxiom F\nrule F=F[+F]&F[-F]>F", 0},
        {"shape 0\naxiom F+(30)F[&F]F", 0}};
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

// FNV-1a over every recorded float; NaNs hash alike, their sign and payload vary with the build.
static uint64_t streamHash(const RecordSink &s) {
    uint64_t h = 1469598103934665603ull;
    for (const rec_vertex_t &v : s.vertices) {
        float f[9];
        memcpy(f, &v, sizeof f);
        for (float x : f) {
            uint32_t w = 0x7fc00000u;
            if (!isnan(x)) memcpy(&w, &x, sizeof w);
            h = (h ^ w) * 1099511628211ull;
        }
    }
    return h;
}

// Every gallery description, saved fuzzing input, kept stream input and hostile text, by name.
static std::vector<std::pair<std::string, std::string>> streamInputs() {
    std::vector<std::pair<std::string, std::string>> out;
    const std::pair<const char *, const char *> dirs[] = {
        {SPRIG_EXAMPLES_DIR, ".ls"},
        {SPRIG_TESTS_DIR "/fuzz-regressions", ""},
        {SPRIG_TESTS_DIR "/data/geometry", ".ls"}};
    for (const auto &[dir, extension] : dirs)
        for (const std::string &f : filesIn(dir, extension))
            out.push_back({std::filesystem::path(f).stem().string(), readFile(f)});
    for (const hostile_t &h : hostileInputs())
        if (!h.tokens) out.push_back({h.name, h.text}); // runaways draw nothing but take long
    return out;
}

// Catches batches that differ from per-vertex calls, and any change to the pinned streams
// (tests/data/geometry/stream-hashes.tsv).
TEST(Geometry, BatchesGiveTheSameStreamAsPerVertexCalls) {
    const auto pinned = readTable("geometry/stream-hashes.tsv");
    ASSERT_GE(pinned.size(), 30u);
    size_t matched = 0;
    for (const auto &in : streamInputs()) {
        SCOPED_TRACE(in.first);
        uint64_t hash[2];
        size_t vertices[2];
        for (int batched = 0; batched < 2; batched++) {
            RecordSink sink(batched);
            LsysPtr l(lsysPrepare(in.second.c_str(), 1.0f, nullTrace));
            l->sink = sink.emit();
            lsysDraw(l.get(), nullTrace);
            hash[batched] = streamHash(sink), vertices[batched] = sink.vertices.size();
        }
        EXPECT_EQ(hash[1], hash[0]);
        EXPECT_EQ(vertices[1], vertices[0]);
        for (const auto &p : pinned) {
            if (in.first != p[0]) continue;
            matched++;
            EXPECT_EQ(hash[0], strtoull(p[1].c_str(), nullptr, 16));
        }
    }
    EXPECT_EQ(matched, pinned.size());
}
