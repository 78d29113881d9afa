// Tests of the turtle interpreter: whole drawings, every command, its limits, growth and the
// vector state it runs in. Tables are in tests/data/turtle/.
#include "engine_test.h"

#include <map>

// Draws into sink (if given); returns the problems as "text; text", non-CODE_EXEC codes shown.
static std::string draw(lsys_t *l, RecordSink *sink = nullptr) {
    l->sink = sink ? sink->emit() : nullptr;
    traceLogClear();
    srand(0);
    lsysDraw(l, traceLog);
    std::string out;
    for (const auto &m : traceLogged())
        if (m.code != CODE_INFO)
            out += (out.empty() ? "" : "; ") +
                   (m.code == CODE_EXEC ? "" : "#" + std::to_string(m.code) + " ") + m.text;
    return out;
}

// Rows of turtle/drawings.txt: a description, facts of its drawing that must hold ("; " between
// them), and its problems as draw() gives them. A fact is a statistics line ("polygons: 24"),
// "end: X Y Z" (the last segment's end, to 0.001), "radius: R" (the largest distance of a vertex
// from the z axis, to 0.001), "colour: R G B" (of every vertex) or "colour calls: N".
TEST(Turtle, Drawings) {
    for (const auto &r : dataRows("turtle/drawings.txt")) {
        LsysPtr l = modelFrom(r[0]);
        RecordSink sink;
        EXPECT_EQ(draw(l.get(), &sink), r.size() > 2 ? r[2] : "") << r[0];
        std::map<std::string, std::string> facts;
        for (const auto &m : traceLogged())
            facts[m.text.substr(0, m.text.find(':'))] = m.text.substr(m.text.find(':') + 2);
        float end[3], radius = 0;
        for (int i = 0; i < 3; i++)
            end[i] = roundf(l->tube_ring[0][i] * 1000) / 1000;
        for (const auto &v : sink.vertices) {
            radius = fmaxf(radius, roundf(hypotf(v.pos[0], v.pos[1]) * 1000) / 1000);
            const std::string colour = rowText(v.color, 3), seen = facts["colour"];
            facts["colour"] = seen.empty() || seen == colour ? colour : "mixed";
        }
        facts["end"] = rowText(end, 3, 6), facts["radius"] = rowText(&radius, 1, 6);
        facts["colour calls"] = std::to_string(sink.colorCalls);
        std::string want, got;
        for (std::istringstream in(r[1]); std::getline(in >> std::ws, want, ';');)
            got += (got.empty() ? "" : "; ") + want.substr(0, want.find(':') + 2) +
                   facts[want.substr(0, want.find(':'))];
        EXPECT_EQ(got, r[1]) << r[0];
    }
}

// Catches partial growth that differs from the scaled commands, or an unrepeatable random turn.
TEST(Turtle, PartialGrowthAndRandomTurnsAreExact) {
    for (const auto &r : dataRows("turtle/same-drawing.txt")) {
        LsysPtr a = modelFrom(r[0]), b = modelFrom(r[1]);
        RecordSink sa, sb;
        draw(a.get(), &sa);
        draw(b.get(), &sb);
        ASSERT_EQ(sa.vertices.size(), sb.vertices.size()) << r[0];
        ASSERT_FALSE(sa.vertices.empty()) << r[0] << ": two empty drawings tell nothing";
        for (size_t i = 0; i < sa.vertices.size() * 3; i++)
            ASSERT_EQ(sa.vertices[i / 3].pos[i % 3], sb.vertices[i / 3].pos[i % 3]) << r[0];
        EXPECT_EQ(memcmp(&a->bounds, &b->bounds, sizeof a->bounds), 0) << r[0];
    }
}

// Catches a growth example that jumps: sliding the growth by 0.01 changes its size by a few
// percent at most, through every partly grown generation and across the whole ones.
TEST(Turtle, TheGrowthExampleGrowsSmoothly) {
    const std::string text = readFile(SPRIG_EXAMPLES_DIR "/growth-half.ls");
    float last = 0;
    for (int g = 50; g <= 150; g++) {
        LsysPtr l(lsysPrepare(text.c_str(), g / 100.0f, nullTrace));
        lsysDraw(l.get(), nullTrace);
        const float *lo = l->bounds.min, *hi = l->bounds.max;
        const float size = fmaxf(fmaxf(hi[0] - lo[0], hi[1] - lo[1]), hi[2] - lo[2]);
        EXPECT_TRUE(size > 0 && fabsf(size - last) <= 0.05f * fmaxf(size, last) + (g == 50) * size)
            << "growth " << g / 100.0 << ": " << last << " then " << size;
        last = size;
    }
}

#if defined(__x86_64__) || defined(__i386__)
// A VEX 256-bit instruction leaves the upper halves of the vector registers in use.
static void dirtyUpper() {
    __asm__ volatile("vpcmpeqd %%ymm15, %%ymm15, %%ymm15" ::: "xmm15");
}
#else
static void dirtyUpper() {}
#endif

// Catches engine float code run in the upper vector state that the caller or a sink left in use
// (legacy SSE then waits on it: four times slower on Intel processors).
TEST(Turtle, RunsWithTheUpperVectorStateClear) {
    if (!lsysUpperReadable()) GTEST_SKIP() << "this processor shows no upper vector state";
    LsysPtr l = modelFrom("recursion 2\naxiom F\nrule F=F[+F]{.f+f+f.}F");
    for (bool batched : {false, true}) {
        emit_t e = {};
        e.vertex3fv = [](void *, const float *) { dirtyUpper(); };
        if (batched)
            e.batch = [](void *, const float *, const float(*)[3], const float(*)[3],
                         const uint16_t *, int, int) { dirtyUpper(); };
        l->sink = &e;
        gUpperProbe = {1, 0, 0};
        dirtyUpper();
        lsysDraw(l.get(), nullTrace);
        dirtyUpper();
        initToken(l.get()); // the expansion's own entry
        upperProbe();
        gUpperProbe.armed = 0;
        EXPECT_GT(gUpperProbe.checks, 20) << batched;
        EXPECT_EQ(gUpperProbe.dirty, 0) << batched;
    }
}
