/* Tests of picking: the angle-sum hit test, and the derivation lsysSelect prints for points on
 * drawn triangles (taken from a recorded drawing of the same model). */
#include <gtest/gtest.h>

#include <stdlib.h>

#include <sstream>
#include <string>
#include <vector>

#include "lsys.h"
#include "model_from.h"
#include "record_sink.h"

namespace {

TEST(Pick, AngleSumErrorOfOneTriangle) {
    const float a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, c[3] = {0, 1, 0};
    struct {
        float p[3];
        bool hit;       /* recorded as the best so far */
        float errBelow; /* and its error below this */
    } rows[] = {
        {{0.25f, 0.25f, 0}, true, 1e-5f}, /* inside, in the plane */
        {{0.25f, 0.25f, 0.05f}, true, 3.0f},
        {{0.25f, 0.25f, 5}, false, 0}, /* far off the plane: error near 2 pi */
        {{0.6f, 0.6f, 0}, true, 3.0f}, /* in the plane, just outside */
        {{5, 5, 0}, false, 0},         /* in the plane, far outside */
        {{0, 0, 0}, false, 0},         /* on a corner: no direction, never recorded */
    };
    LsysPtr l = modelFrom("axiom F");
    initToken(l.get());
    for (const auto &r : rows) {
        for (int k = 0; k < 3; k++)
            gPick.selIp[k] = r.p[k];
        gPick.selErr = 3.0f;
        gPick.selSp = -1;
        selectTest(l.get(), a, b, c);
        EXPECT_EQ(gPick.selSp, r.hit ? 1 : -1) << r.p[0] << " " << r.p[2];
        if (r.hit) {
            EXPECT_LT(gPick.selErr, r.errBelow);
            EXPECT_EQ(gPick.selStack[0], l->rules[LSYS_AXIOM]);
        }
    }

    /* An equal error keeps the earlier triangle; a better one replaces it. */
    for (int k = 0; k < 3; k++)
        gPick.selIp[k] = k < 2 ? 0.25f : 0.05f;
    gPick.selErr = 3.0f;
    selectTest(l.get(), a, b, c);
    const float first = gPick.selErr;
    l->depth = 1;
    l->stack[0] = l->rules[LSYS_AXIOM] + 1;
    selectTest(l.get(), a, b, c);
    EXPECT_EQ(gPick.selErr, first);
    EXPECT_EQ(gPick.selStack[0], l->rules[LSYS_AXIOM]);
}

/* Centroid of the first recorded triangle whose centroid satisfies the predicate. */
template <class Pred> std::vector<float> pointOn(lsys_t *l, Pred pred) {
    RecordSink sink;
    l->sink = sink.emit();
    srand(0);
    lsysDraw(l, nullTrace);
    l->sink = nullptr;
    for (size_t t = 0; t < sink.triangleCount(); t++) {
        std::vector<float> c(3);
        for (int k = 0; k < 3; k++)
            c[k] =
                (sink.corner(t, 0).pos[k] + sink.corner(t, 1).pos[k] + sink.corner(t, 2).pos[k]) /
                3;
        if (pred(c)) return c;
    }
    return {};
}

std::vector<std::string> pickLines(lsys_t *l, const std::vector<float> &p) {
    testing::internal::CaptureStdout();
    srand(0);
    lsysSelect(l, p.data());
    std::istringstream in(testing::internal::GetCapturedStdout());
    std::vector<std::string> lines;
    for (std::string s; std::getline(in, s);)
        lines.push_back(s);
    return lines;
}

struct PickCase {
    const char *text;
    float zmin, zmax; /* pick a triangle whose centre lies in this height band */
    const char *sp;
    std::vector<std::string> derivation;
};

void PrintTo(const PickCase &c, std::ostream *os) {
    *os << c.text;
}

class PickTable : public ::testing::TestWithParam<PickCase> {};

TEST_P(PickTable, PrintsTheDerivation) {
    const PickCase &c = GetParam();
    LsysPtr l = modelFrom(c.text);
    std::vector<float> p = pointOn(
        l.get(), [&](const std::vector<float> &q) { return q[2] > c.zmin && q[2] < c.zmax; });
    ASSERT_EQ(p.size(), 3u);
    std::vector<std::string> lines = pickLines(l.get(), p);
    ASSERT_EQ(lines.size(), c.derivation.size() + 1);
    EXPECT_EQ(lines[0].rfind("err=0.0000", 0), 0u) << lines[0];
    EXPECT_EQ(lines[0].substr(lines[0].find(' ')), std::string(" sp=") + c.sp);
    for (size_t i = 0; i < c.derivation.size(); i++)
        EXPECT_EQ(lines[i + 1], c.derivation[i]);
    EXPECT_EQ(gPick.select, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Pick, PickTable,
    ::testing::Values(
        PickCase{"axiom F", 10, 90, "1", {"0: axiom:  >>F<< "}},
        /* the read-ahead marks the token after the drawing command */
        PickCase{"axiom FF", 10, 90, "1", {"0: axiom: F >>F<< "}},
        PickCase{"axiom FF", 110, 190, "1", {"0: axiom: F >>F<< "}},
        PickCase{"axiom F(10)+", 1, 9, "1", {"0: axiom: F(10.0) >>+<< "}},
        PickCase{"axiom X\nrule X=F+", 10, 90, "2", {"1: rule X: F >>+<< ", "0: axiom:  >>X<< "}},
        PickCase{"recursion 2\naxiom AB\nrule A=F[\nrule B=]F\n",
                 10,
                 90,
                 "2",
                 {"1: rule A: F >>[<< ", "0: axiom:  >>A<< B"}}));

TEST(Pick, DeepestLevelIsRecordedWhole) {
    LsysPtr l = modelFrom("recursion 100\naxiom X\nrule X=FX");
    std::vector<float> p =
        pointOn(l.get(), [](const std::vector<float> &q) { return q[2] > 9910 && q[2] < 9990; });
    ASSERT_EQ(p.size(), 3u);
    std::vector<std::string> lines = pickLines(l.get(), p);
    ASSERT_EQ(lines.size(), 1u + LSYS_STACK);
    EXPECT_NE(lines[0].find(" sp=101"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1], "100: rule X: F >>X<< ");
    EXPECT_EQ(lines[100], "1: rule X: F >>X<< ");
    EXPECT_EQ(lines[101], "0: axiom:  >>X<< ");
}

TEST(Pick, NothingNearby) {
    const char *texts[] = {"axiom F", "", "axiom {f+f+f}"};
    for (const char *text : texts) {
        LsysPtr l = modelFrom(text);
        EXPECT_EQ(pickLines(l.get(), {1e6f, 1e6f, 1e6f}), std::vector<std::string>{"nothing"});
    }
}

TEST(Pick, ReplayDrawsNothingAndLeavesDrawingOn) {
    LsysPtr l = modelFrom("axiom F[+F]F");
    RecordSink sink;
    l->sink = sink.emit();
    pickLines(l.get(), {0, 0, 50});
    EXPECT_EQ(sink.vertices.size(), 0u);
    /* Select mode caps every segment at once; the joins stay as drawn. */
    EXPECT_EQ(l->polygon_count, 56u);
    lsysDraw(l.get(), nullTrace);
    EXPECT_EQ(l->polygon_count, 48u);
    EXPECT_EQ(sink.triangleCount(), 72u);
}

} // namespace
