/* Tests of the turtle interpreter: statistics and messages of whole drawings, the limits of the
 * stacks and buffers, every turtle command (by where the last segment ends), thickness,
 * colours, partial growth, the depth taken from odd recursion values and the token budget. */
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>

#include <chrono>
#include <string>
#include <vector>

#include "lsys.h"
#include "model_from.h"
#include "record_sink.h"
#include "trace_log.h"

namespace {

/* Draws the model into sink (if given) and returns every message. */
std::vector<logged_msg_t> draw(lsys_t *l, RecordSink *sink = nullptr) {
    l->sink = sink ? sink->emit() : nullptr;
    traceLogClear();
    srand(0);
    lsysDraw(l, traceLog);
    return traceLogged();
}

std::string info(const std::vector<logged_msg_t> &msgs, const char *prefix) {
    for (const auto &m : msgs)
        if (m.code == CODE_INFO && m.text.rfind(prefix, 0) == 0) return m.text;
    return "(none)";
}

std::vector<logged_msg_t> problems(const std::vector<logged_msg_t> &msgs) {
    std::vector<logged_msg_t> out;
    for (const auto &m : msgs)
        if (m.code != CODE_INFO) out.push_back(m);
    return out;
}

struct DrawCase {
    std::string text;
    int polygons;
    const char *stacks; /* nullptr: not checked */
    const char *bounds;
    std::vector<logged_msg_t> problems;
};

/* Three levels of four-fold rules turn one E body into 256 copies: 1024 tokens from "xxxx". */
std::string fourfold(const char *axiom, const char *body) {
    return std::string("recursion 5\naxiom ") + axiom +
           "\nrule A=BBBB\nrule B=CCCC\nrule C=DDDD\nrule D=EEEE\nrule E=" + body + "\n";
}

void PrintTo(const DrawCase &c, std::ostream *os) {
    *os << c.text.substr(0, 60);
}

class DrawTable : public ::testing::TestWithParam<DrawCase> {};

TEST_P(DrawTable, StatisticsAndMessages) {
    const DrawCase &c = GetParam();
    LsysPtr l = modelFrom(c.text.c_str());
    RecordSink sink;
    std::vector<logged_msg_t> msgs = draw(l.get(), &sink);
    EXPECT_EQ(info(msgs, "polygons"), "polygons: " + std::to_string(c.polygons)) << c.text;
    if (c.stacks) {
        EXPECT_EQ(info(msgs, "stacks"), c.stacks) << c.text;
    }
    if (c.bounds) {
        EXPECT_EQ(info(msgs, "bounds"), c.bounds) << c.text;
    }
    EXPECT_EQ(problems(msgs), c.problems) << c.text;
    /* The statistics close every drawing, in this order. */
    ASSERT_GE(msgs.size(), 5u);
    const char *order[] = {"polygons: ", "tokens: ", "stacks: ", "bounds: ", "time: "};
    for (int i = 0; i < 5; i++) {
        const logged_msg_t &m = msgs[msgs.size() - 5 + i];
        EXPECT_EQ(m.code, CODE_INFO);
        EXPECT_EQ(m.text.rfind(order[i], 0), 0u) << m.text;
    }
}

const int EXEC = CODE_EXEC;

INSTANTIATE_TEST_SUITE_P(
    Turtle, DrawTable,
    ::testing::Values(
        DrawCase{"", 0, "stacks: []=0, {}=0, vertices=0", "bounds: (0, 0, 0) .. (0, 0, 0)", {}},
        DrawCase{"axiom F", 24, nullptr, "bounds: (0, 0, 0) .. (0, 0, 100)", {}},
        DrawCase{"axiom F-F", 32, nullptr, nullptr, {}}, /* joined: no caps between */
        DrawCase{"axiom FcF", 48, nullptr, nullptr, {}}, /* colour change: cap and restart */
        DrawCase{"axiom Ff(1)F", 48, nullptr, nullptr, {}},
        DrawCase{"axiom Ff(0.5)F", 32, nullptr, nullptr, {}},
        DrawCase{"axiom FF(0)F", 32, nullptr, nullptr, {}}, /* zero length keeps the tube */
        DrawCase{"shape 0\naxiom F", 6, nullptr, nullptr, {}},
        DrawCase{"shape 2\naxiom FcF", 12, nullptr, nullptr, {}},
        DrawCase{"axiom [F]F", 48, "stacks: []=1, {}=0, vertices=0", nullptr, {}},
        DrawCase{"axiom F[+F]F", 48, nullptr, nullptr, {}}, /* both continue the trunk */
        DrawCase{"axiom {f(10)+(90)f(10)+(90)f(10)}",
                 2,
                 "stacks: []=0, {}=1, vertices=4",
                 "bounds: (0, 0, 0) .. (0, 10, 10)",
                 {}},
        DrawCase{"axiom {.}", 0, "stacks: []=0, {}=1, vertices=2", nullptr, {}},
        DrawCase{"axiom {f(1)g(0)f(1)}", 1, nullptr, nullptr, {}}, /* collinear: counted */
        DrawCase{"axiom {f(1)+(90){f(1)+(90)f(1)}+(90)f(1)}",
                 2,
                 "stacks: []=0, {}=2, vertices=5",
                 nullptr,
                 {}},
        DrawCase{"axiom ]", 0, nullptr, nullptr, {{EXEC, "stack [] underflow"}}},
        DrawCase{"axiom ]]",
                 0,
                 nullptr,
                 nullptr,
                 {{EXEC, "stack [] underflow"}, {EXEC, "stack [] underflow"}}},
        DrawCase{"axiom [", 0, nullptr, nullptr, {{EXEC, "missing 1 x ']'"}}},
        DrawCase{"axiom }", 0, nullptr, nullptr, {{EXEC, "stack {} underflow"}}},
        DrawCase{"axiom {{F", 24, nullptr, nullptr, {{EXEC, "missing 2 x '}'"}}},
        DrawCase{"axiom [{",
                 0,
                 nullptr,
                 nullptr,
                 {{EXEC, "missing 1 x ']'"}, {EXEC, "missing 1 x '}'"}}},
        DrawCase{"axiom F(1)(2)", 24, nullptr, nullptr, {{CODE_UNKNOWN, "unexpected token '('"}}},
        DrawCase{"poly_limit 10\naxiom FF",
                 24,
                 nullptr,
                 "bounds: (0, 0, 0) .. (0, 0, 100)",
                 {{EXEC, "too many polygons - 10"}}},
        DrawCase{"poly_limit 0\naxiom [FF",
                 24,
                 nullptr,
                 nullptr,
                 {{EXEC, "too many polygons - 0"}, {EXEC, "missing 1 x ']'"}}},
        DrawCase{
            "token_limit 3\naxiom FFFF", 32, nullptr, nullptr, {{EXEC, "too many tokens - 3"}}}));

/* The capacities, reached through rules since one line holds at most 1000 characters. */
INSTANTIATE_TEST_SUITE_P(
    Limits, DrawTable,
    ::testing::Values(DrawCase{fourfold("[A", "[[[["),
                               0,
                               "stacks: []=1024, {}=0, vertices=0",
                               nullptr,
                               {{EXEC, "stack [] overflow - 1024"}, {EXEC, "missing 1024 x ']'"}}},
                      DrawCase{fourfold("{A", "{{{{"),
                               0,
                               "stacks: []=0, {}=1024, vertices=0",
                               nullptr,
                               {{EXEC, "stack {} overflow - 1024"}, {EXEC, "missing 1024 x '}'"}}},
                      DrawCase{fourfold("{A}", ".g.g.g.g"),
                               1022,
                               "stacks: []=0, {}=1, vertices=1024",
                               nullptr,
                               {{EXEC, "too many vertices"}}},
                      DrawCase{fourfold("{A{}", ".g.g.g.g"),
                               1022,
                               nullptr,
                               nullptr,
                               {{EXEC, "too many vertices"}, {EXEC, "too many vertices"}}}));

TEST(Turtle, StatisticsCountTokensAndSimplifiedTokens) {
    LsysPtr l = modelFrom("recursion 2\naxiom X\nrule X=F[+X]\n");
    std::vector<logged_msg_t> msgs = draw(l.get());
    /* F [ + F [ + X ] ]: 9 raw tokens; X is dropped, 8 delivered, plus the final call. */
    EXPECT_EQ(info(msgs, "tokens"), "tokens: 9, simplified to 10");
    EXPECT_EQ(info(msgs, "stacks"), "stacks: []=2, {}=0, vertices=0");
    EXPECT_NE(info(msgs, "time"), "(none)");
}

struct EndCase {
    const char *axiom;
    float x, y, z; /* where the last segment ends */
};

void PrintTo(const EndCase &c, std::ostream *os) {
    *os << c.axiom;
}

class TurtleCommand : public ::testing::TestWithParam<EndCase> {};

TEST_P(TurtleCommand, MovesTheLastSegmentEnd) {
    const EndCase &c = GetParam();
    LsysPtr l = modelFrom((std::string("axiom ") + c.axiom).c_str());
    std::vector<logged_msg_t> msgs = draw(l.get());
    EXPECT_EQ(problems(msgs), std::vector<logged_msg_t>{}) << c.axiom;
    const float *end = l->tube_ring[0];
    EXPECT_NEAR(end[0], c.x, 1e-3) << c.axiom;
    EXPECT_NEAR(end[1], c.y, 1e-3) << c.axiom;
    EXPECT_NEAR(end[2], c.z, 1e-3) << c.axiom;
}

INSTANTIATE_TEST_SUITE_P(
    Turtle, TurtleCommand,
    ::testing::Values(
        EndCase{"F", 0, 0, 100}, EndCase{"+(90)F", 0, 100, 0}, EndCase{"-(90)F", 0, -100, 0},
        EndCase{"+(-90)F", 0, -100, 0}, EndCase{"&(90)F", 100, 0, 0}, EndCase{"^(90)F", -100, 0, 0},
        EndCase{">(90)&(90)F", 0, 100, 0}, EndCase{"<(90)&(90)F", 0, -100, 0},
        EndCase{"|F", 0, 0, -100}, EndCase{"%&(90)F", -100, 0, 0}, EndCase{"fF", 0, 0, 200},
        EndCase{"gF", 0, 0, 200}, EndCase{"zF", 0, 0, 150}, EndCase{"ZF", 0, 0, 150},
        EndCase{"Z(10)", 0, 0, 10}, EndCase{"'F", 0, 0, 90}, EndCase{"\"F", 0, 0, 111.11111f},
        EndCase{"'(2)F", 0, 0, 200}, EndCase{":+F", 0, 64.9448f, 76.0406f}, /* 40.5 degrees */
        EndCase{";+F", 0, 76.6044f, 64.2788f},                              /* 50 degrees */
        EndCase{"tF", 0, 0, 100}, EndCase{"$F", 0, 0, 100}, EndCase{"~(0)F", 0, 0, 100},
        EndCase{"&(90)>(30)$+(90)F", 0, 100, 0}, /* levelled: no rise */
        EndCase{"&(90)>(30)+(90)F", 0, 86.6025f, 50},
        EndCase{"&(90)tF", 98.0067f, 0, -19.8669f}, /* bends down 0.2 rad */
        EndCase{"&(90)t(-0.5)F", 87.7583f, 0, 47.9426f}, EndCase{"[+(90)F]F", 0, 0, 100},
        EndCase{"[&(90)'f]F", 0, 0, 100}));

TEST(Turtle, RandomTurnIsRepeatableAndBounded) {
    LsysPtr l = modelFrom("axiom ~F");
    RecordSink a, b;
    draw(l.get(), &a);
    draw(l.get(), &b);
    ASSERT_EQ(a.vertices.size(), b.vertices.size());
    for (size_t i = 0; i < a.vertices.size(); i++)
        for (int k = 0; k < 3; k++)
            EXPECT_EQ(a.vertices[i].pos[k], b.vertices[i].pos[k]);
    const float *end = l->tube_ring[0];
    const double tilt = acos(end[2] / 100.0) * 180 / M_PI;
    EXPECT_GT(tilt, 0.0);
    EXPECT_LT(tilt, 6.0 * sqrt(2.0) + 1e-3); /* two turns of at most 6 degrees each */
}

/* Largest distance of any emitted vertex from the z axis: the radius of a tube along z. */
float tubeRadius(const RecordSink &s) {
    float r = 0;
    for (const auto &v : s.vertices)
        r = fmaxf(r, hypotf(v.pos[0], v.pos[1]));
    return r;
}

TEST(Turtle, Thickness) {
    struct {
        const char *text;
        float radius;
    } rows[] = {{"axiom F", 50},
                {"axiom !F", 35},
                {"axiom ?(2)F", 100},
                {"axiom F(10)", 5},
                {"thickness 10\naxiom F", 5},
                {"min_thickness 30\naxiom F(10)", 15},
                {"min_thickness 30\naxiom F", 50}};
    for (const auto &r : rows) {
        LsysPtr l = modelFrom(r.text);
        RecordSink sink;
        draw(l.get(), &sink);
        EXPECT_NEAR(tubeRadius(sink), r.radius, 1e-3) << r.text;
    }
}

TEST(Turtle, Colours) {
    struct {
        const char *text;
        int entry; /* into the default table; -1 for the red set by the description */
    } rows[] = {{"axiom F", 2},         {"axiom cF", 3},
                {"axiom c(0)F", 0},     {"axiom c(-3)F", 5},
                {"axiom c(12.9)F", 12}, {"axiom c(101)F", 0},
                {"axiom c(65535)F", 0}, /* -1 in 16-bit arithmetic */
                {"axiom c(16)F", 16},   {"color 16 255 0 0\naxiom c(16)F", -1}};
    for (const auto &r : rows) {
        LsysPtr l = modelFrom(r.text);
        RecordSink sink;
        draw(l.get(), &sink);
        ASSERT_GT(sink.vertices.size(), 0u) << r.text;
        const float red[3] = {1, 0, 0}, black[3] = {0, 0, 0};
        const float *want = r.entry < 0 ? red : r.entry >= 16 ? black : defaultColors[r.entry];
        for (const auto &v : sink.vertices)
            for (int k = 0; k < 3; k++)
                ASSERT_EQ(v.color[k], want[k]) << r.text;
        EXPECT_EQ(sink.colorCalls, 3u) << r.text; /* side, start cap, end cap */
    }
}

/* A fractional recursion grows the last generation partly: it must draw exactly what the same
 * commands written out with scaled parameters draw. */
TEST(Turtle, PartialGrowthScalesOnlyTheLastGeneration) {
    struct {
        const char *grown;
        const char *written;
    } rows[] = {
        {"recursion 1.5\naxiom F\nrule F=F+F",
         "recursion 0\naxiom !(0.5)F(50)+(22.5)F(50)+(45)F(50)+(22.5)F(50)"},
        {"recursion 0.5\naxiom +F\nrule F=F+F", "recursion 0\naxiom +(45)!(0.5)F(50)+(22.5)F(50)"},
        {"recursion 0.5\naxiom X\nrule X=&f!F",
         "recursion 0\naxiom &(22.5)f(50)!(0.35)!(0.5)F(50)"},
    };
    for (const auto &r : rows) {
        LsysPtr a = modelFrom(r.grown), b = modelFrom(r.written);
        RecordSink sa, sb;
        draw(a.get(), &sa);
        draw(b.get(), &sb);
        ASSERT_EQ(sa.vertices.size(), sb.vertices.size()) << r.grown;
        for (size_t i = 0; i < sa.vertices.size(); i++)
            for (int k = 0; k < 3; k++)
                ASSERT_EQ(sa.vertices[i].pos[k], sb.vertices[i].pos[k]);
        EXPECT_EQ(a->bounds.max[0], b->bounds.max[0]) << r.grown;
        EXPECT_EQ(a->bounds.max[2], b->bounds.max[2]) << r.grown;
    }
}

TEST(Turtle, DepthFromRecursion) {
    const float inf = INFINITY;
    struct {
        float recursion;
        int depth;
        bool limited;
    } rows[] = {{0, 0, false},         {0.5f, 1, false},   {2.5f, 3, false},   {3, 3, false},
                {99, 99, false},       {99.5f, 100, true}, {100, 100, true},   {150.5f, 100, true},
                {65535.5f, 100, true}, {65536, 100, true}, {1e30f, 100, true}, {inf, 100, true},
                {-0.5f, 0, false},     {-1, 0, false},     {-inf, 0, false},   {NAN, 0, false}};
    for (const auto &r : rows) {
        LsysPtr l = modelFrom("axiom F\nrule G=G");
        l->recursion = r.recursion;
        std::vector<logged_msg_t> p = problems(draw(l.get()));
        EXPECT_EQ(l->max_depth, r.depth) << r.recursion;
        std::vector<logged_msg_t> want;
        if (r.limited) want.push_back({EXEC, "recursion depth limited to 100"});
        EXPECT_EQ(p, want) << r.recursion;
        EXPECT_EQ(l->polygon_count, 24u) << r.recursion;
    }
}

TEST(Turtle, RunawayExpansionStopsAtTheTokenBudget) {
    /* 32 rules, each doubling into the next, the last one empty: 2^31 rule bodies, no token. */
    const char *names = "abcdefghijklmnopqrstuvwxyzABCDEF";
    std::string chain = "recursion 40\naxiom a\nrule F=\n";
    for (size_t i = 0; names[i + 1]; i++)
        chain += std::string("rule ") + names[i] + "=" + names[i + 1] + names[i + 1] + "\n";
    const std::string texts[] = {"recursion 100\naxiom X\nrule X=XX",
                                 "recursion 100\naxiom +F\nrule +=++",
                                 "recursion 100\naxiom Ff\nrule f=ffF", chain};
    const logged_msg_t limited = {EXEC, "recursion depth limited to 100"};
    const logged_msg_t budget = {EXEC,
                                 "too many tokens - " + std::to_string(LSYS_DEFAULT_TOKEN_LIMIT)};
    const logged_msg_t polys = {EXEC, "too many polygons - 500000"};
    for (const std::string &text : texts) {
        LsysPtr l = modelFrom(text.c_str());
        ASSERT_EQ(l->token_limit, LSYS_DEFAULT_TOKEN_LIMIT);
        auto t0 = std::chrono::steady_clock::now();
        std::vector<logged_msg_t> p = problems(draw(l.get()));
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const bool deep = l->recursion >= 100;
        ASSERT_EQ(p.size(), deep ? 2u : 1u) << text;
        if (deep) {
            EXPECT_EQ(p.front(), limited);
        }
        EXPECT_TRUE(p.back() == budget || p.back() == polys) << p.back().text;
        EXPECT_LT(s, 20.0) << text; /* about a second unsanitised */
    }
}

} // namespace
