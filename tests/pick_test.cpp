// Tests of picking: the angle-sum hit test and the derivation lsysSelect prints.
#include "engine_test.h"

TEST(Pick, AngleSumErrorOfOneTriangle) {
    const float a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, c[3] = {0, 1, 0};
    // Recorded as the best so far (with an error below errBelow) or not. Off the plane by 5, far
    // outside it, or on a corner (no direction) never is.
    // clang-format off
    const struct { float p[3]; bool hit; float errBelow; } rows[] = {
        {{0.25f, 0.25f, 0}, true, 1e-5f}, {{0.25f, 0.25f, 5}, false, 0}, {{5, 5, 0}, false, 0},
        {{0, 0, 0}, false, 0}, {{0.6f, 0.6f, 0}, true, 3.0f}, // just outside, in the plane
        {{0.25f, 0.25f, 0.05f}, true, 3.0f}};
    // clang-format on
    LsysPtr l = modelFrom("axiom F");
    initToken(l.get());
    for (const auto &r : rows) {
        memcpy(gPick.selIp, r.p, sizeof r.p);
        gPick.selErr = 3.0f;
        gPick.selSp = -1;
        selectTest(l.get(), a, b, c);
        EXPECT_EQ(gPick.selSp, r.hit ? 1 : -1) << &r - rows;
        EXPECT_TRUE(r.hit ? gPick.selErr < r.errBelow : gPick.selErr == 3.0f) << &r - rows;
        EXPECT_EQ(gPick.selStack[0], l->rules[LSYS_AXIOM]) << &r - rows;
    }
    // An equal error (the last row's again) keeps the earlier triangle.
    const float err = gPick.selErr;
    l->depth = 1;
    l->stack[0] = l->rules[LSYS_AXIOM] + 1;
    selectTest(l.get(), a, b, c);
    EXPECT_EQ(gPick.selErr, err);
    EXPECT_EQ(gPick.selStack[0], l->rules[LSYS_AXIOM]);
}

// What lsysSelect prints for the centroid of the first drawn triangle whose centroid height lies
// in (lo, hi), or for p itself when given; a leading error of 0.0000... is cut off.
static std::vector<std::string> pickLines(lsys_t *l, float lo, float hi, const float *p = 0) {
    RecordSink sink;
    const emit_t *kept = l->sink;
    l->sink = sink.emit();
    srand(0);
    lsysDraw(l, nullTrace);
    l->sink = kept;
    std::vector<float> q(p, p ? p + 3 : p);
    for (size_t t = 0; q.empty() && t < sink.triangleCount(); t++)
        if (centroid(sink, t, 2) > lo && centroid(sink, t, 2) < hi)
            q = {centroid(sink, t, 0), centroid(sink, t, 1), centroid(sink, t, 2)};
    if (q.empty()) return {"no triangle in the band"};
    testing::internal::CaptureStdout();
    srand(0);
    lsysSelect(l, q.data());
    std::istringstream in(testing::internal::GetCapturedStdout());
    std::vector<std::string> lines;
    for (std::string s; std::getline(in, s);)
        lines.push_back(s);
    EXPECT_EQ(gPick.select, 0);
    if (!lines.empty() && lines[0].rfind("err=0.0000", 0) == 0)
        lines[0].erase(0, lines[0].find(' ') + 1);
    return lines;
}

TEST(Pick, PrintsTheDerivation) {
    // The read-ahead marks the token after the drawing command.
    // clang-format off
    const struct { const char *text; float zmin, zmax; std::vector<std::string> lines; } rows[] = {
        {"axiom F", 10, 90, {"sp=1", "0: axiom:  >>F<< "}},
        {"axiom FF", 10, 90, {"sp=1", "0: axiom: F >>F<< "}},
        {"axiom FF", 110, 190, {"sp=1", "0: axiom: F >>F<< "}},
        {"axiom F(10)+", 1, 9, {"sp=1", "0: axiom: F(10.0) >>+<< "}},
        {"axiom X\nrule X=F+", 10, 90, {"sp=2", "1: rule X: F >>+<< ", "0: axiom:  >>X<< "}},
        {"recursion 2\naxiom AB\nrule A=F[\nrule B=]F\n", 10, 90,
         {"sp=2", "1: rule A: F >>[<< ", "0: axiom:  >>A<< B"}}};
    // clang-format on
    for (const auto &r : rows) {
        LsysPtr l = modelFrom(r.text);
        EXPECT_EQ(pickLines(l.get(), r.zmin, r.zmax), r.lines) << r.text;
    }
    // The deepest level is recorded whole.
    LsysPtr l = modelFrom("recursion 100\naxiom X\nrule X=FX");
    std::vector<std::string> lines = pickLines(l.get(), 9910, 9990);
    ASSERT_EQ(lines.size(), 1u + LSYS_STACK);
    EXPECT_EQ(lines[0], "sp=101");
    EXPECT_EQ(lines[1], "100: rule X: F >>X<< ");
    EXPECT_EQ(lines[100], "1: rule X: F >>X<< ");
    EXPECT_EQ(lines[101], "0: axiom:  >>X<< ");
}

// Far from everything nothing is picked. The replay draws nothing and leaves drawing on; select
// mode caps every segment at once, the joins stay as drawn.
TEST(Pick, NothingNearbyAndTheReplayDrawsNothing) {
    const float far[3] = {1e6f, 1e6f, 1e6f}, p[3] = {0, 0, 50};
    for (const char *text : {"axiom F", "", "axiom {f+f+f}"}) {
        LsysPtr l = modelFrom(text);
        EXPECT_EQ(pickLines(l.get(), 0, 0, far), std::vector<std::string>{"nothing"}) << text;
    }
    LsysPtr l = modelFrom("axiom F[+F]F");
    RecordSink sink;
    l->sink = sink.emit();
    pickLines(l.get(), 0, 0, p);
    EXPECT_EQ(sink.vertices.size(), 0u);
    EXPECT_EQ(l->polygon_count, 56u);
    lsysDraw(l.get(), nullTrace);
    EXPECT_EQ(l->polygon_count, 48u);
    EXPECT_EQ(sink.triangleCount(), 72u);
}
