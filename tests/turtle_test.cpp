// Tests of the turtle interpreter: whole drawings, every command, and its limits.
#include "engine_test.h"

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

// Three levels of four-fold rules turn one E body into 256 copies: 1024 tokens from "xxxx".
const std::string kFour =
    "recursion 5\nrule A=BBBB\nrule B=CCCC\nrule C=DDDD\nrule D=EEEE\nrule E=";

// Rows: text, the statistics lines to match ("; "-separated), and the problems.
TEST(Turtle, StatisticsAndMessages) {
    // clang-format off
    const struct { std::string text; const char *info, *problems; } rows[] = {
        {"", "polygons: 0; stacks: []=0, {}=0, vertices=0; bounds: (0, 0, 0) .. (0, 0, 0)", ""},
        {"axiom F", "polygons: 24; bounds: (0, 0, 0) .. (0, 0, 100)", ""},
        // joined, no caps between; a colour change caps and restarts; zero length keeps the tube
        {"axiom F-F", "polygons: 32", ""}, {"axiom FcF", "polygons: 48", ""},
        {"axiom Ff(1)F", "polygons: 48", ""},  {"axiom Ff(0.5)F", "polygons: 32", ""},
        {"axiom FF(0)F", "polygons: 32", ""}, {"axiom F[+F]F", "polygons: 48", ""}, // both join
        {"shape 2\naxiom FcF", "polygons: 12", ""},
        {"axiom [F]F", "polygons: 48; stacks: []=1, {}=0, vertices=0", ""},
        {"recursion 2\naxiom X\nrule X=F[+X]", // X dropped: 8 delivered, and the final call
         "polygons: 48; tokens: 9, simplified to 10; stacks: []=2, {}=0, vertices=0", ""},
        {"axiom {f(10)+(90)f(10)+(90)f(10)}",
         "polygons: 2; stacks: []=0, {}=1, vertices=4; bounds: (0, 0, 0) .. (0, 10, 10)", ""},
        {"axiom {.}", "polygons: 0; stacks: []=0, {}=1, vertices=2", ""},
        {"axiom {f(1)g(0)f(1)}", "polygons: 1", ""}, // collinear: counted
        {"axiom {f(1)+(90){f(1)+(90)f(1)}+(90)f(1)}",
         "polygons: 2; stacks: []=0, {}=2, vertices=5", ""},
        {"axiom ]]", "polygons: 0", "stack [] underflow; stack [] underflow"},
        {"axiom {{F", "polygons: 24", "missing 2 x '}'"},
        {"axiom [{", "polygons: 0", "missing 1 x ']'; missing 1 x '}'"},
        {"axiom F(1)(2)", "polygons: 24", "#-100 unexpected token '('"},
        {"poly_limit 10\naxiom FF", "polygons: 24; bounds: (0, 0, 0) .. (0, 0, 100)",
         "too many polygons - 10"},
        // a cut drawing leaves brackets open that the text closes: they are not reported
        {"poly_limit 0\naxiom [FF]", "polygons: 24", "too many polygons - 0"},
        // the capacities, reached through rules since one line holds at most 1000 characters
        {kFour + "[[[[\naxiom [A", "polygons: 0; stacks: []=1024, {}=0, vertices=0",
         "stack [] overflow - 1024; missing 1024 x ']'"},
        {kFour + "{{{{\naxiom {A", "polygons: 0; stacks: []=0, {}=1024, vertices=0",
         "stack {} overflow - 1024; missing 1024 x '}'"},
        {kFour + ".g.g.g.g\naxiom {A}", "polygons: 1022; stacks: []=0, {}=1, vertices=1024",
         "too many vertices"},
        {kFour + ".g.g.g.g\naxiom {A{}", "polygons: 1022", "too many vertices; too many vertices"}};
    // clang-format on
    for (const auto &r : rows) {
        LsysPtr l = modelFrom(r.text);
        RecordSink sink;
        EXPECT_EQ(draw(l.get(), &sink), r.problems) << r.text;
        const std::vector<logged_msg_t> &m = traceLogged();
        std::string order, got;
        for (size_t i = m.size() < 5 ? 0 : m.size() - 5; i < m.size(); i++) {
            const std::string &t = m[i].text;
            order += m[i].code == CODE_INFO ? t.substr(0, t.find(':') + 1) : "?";
            if (strstr(r.info, t.substr(0, 6).c_str())) got += (got.empty() ? "" : "; ") + t;
        }
        EXPECT_EQ(order, "polygons:tokens:stacks:bounds:time:") << r.text;
        EXPECT_EQ(got, r.info) << r.text;
    }
}

TEST(Turtle, CommandsMoveTheLastSegmentEnd) {
    // clang-format off
    const struct { const char *axiom; float x, y, z; } rows[] = {
        {"F", 0, 0, 100},         {"+(90)F", 0, 100, 0},        {"-(90)F", 0, -100, 0},
        {"&(90)F", 100, 0, 0},    {"^(90)F", -100, 0, 0},       {">(90)&(90)F", 0, 100, 0},
        {"<(90)&(90)F", 0, -100, 0}, {"|F", 0, 0, -100},        {"%&(90)F", -100, 0, 0},
        {"fF", 0, 0, 200},        {"gF", 0, 0, 200},            {"zF", 0, 0, 150},
        {"ZF", 0, 0, 150},        {"'F", 0, 0, 90},             {"\"F", 0, 0, 111.11111f},
        {"tF", 0, 0, 100},        {"~(0)F", 0, 0, 100},         {"[&(90)'f]F", 0, 0, 100},
        {":+F", 0, 64.9448f, 76.0406f}, {";+F", 0, 76.6044f, 64.2788f}, // 40.5 and 50 degrees
        {"&(90)>(30)+(90)F", 0, 86.6025f, 50}, {"&(90)>(30)$+(90)F", 0, 100, 0}, // $ levels
        {"&(90)tF", 98.0067f, 0, -19.8669f}, {"&(90)t(-0.5)F", 87.7583f, 0, 47.9426f}};
    // clang-format on
    for (const auto &r : rows) {
        LsysPtr l = modelFrom(std::string("axiom ") + r.axiom);
        EXPECT_EQ(draw(l.get()), "") << r.axiom;
        const float *e = l->tube_ring[0];
        EXPECT_LT(fmaxf(fmaxf(fabsf(e[0] - r.x), fabsf(e[1] - r.y)), fabsf(e[2] - r.z)), 1e-3)
            << r.axiom << ": " << e[0] << " " << e[1] << " " << e[2];
    }
}

// One tube along z: its radius and colour (a default table entry; -1 for the described red).
TEST(Turtle, ThicknessAndColour) {
    // clang-format off
    const struct { const char *text; float radius; int entry; } rows[] = {
        {"axiom F", 50, 2}, {"axiom !F", 35, 2}, {"axiom ?(2)F", 100, 2}, {"axiom F(10)", 5, 2},
        {"thickness 10\naxiom F", 5, 2}, {"min_thickness 30\naxiom F(10)", 15, 2},
        {"min_thickness 30\naxiom F", 50, 2}, {"axiom cF", 50, 3}, {"axiom c(0)F", 50, 0},
        {"axiom c(-3)F", 50, 5}, {"axiom c(12.9)F", 50, 12}, {"axiom c(101)F", 50, 0},
        {"axiom c(16)F", 50, 16}, {"axiom c(65535)F", 50, 0}, // -1 in 16-bit arithmetic
        {"color 16 255 0 0\naxiom c(16)F", 50, -1}};
    // clang-format on
    const float red[3] = {1, 0, 0}, black[3] = {0, 0, 0};
    for (const auto &r : rows) {
        LsysPtr l = modelFrom(r.text);
        RecordSink sink;
        draw(l.get(), &sink);
        const float *want = r.entry < 0 ? red : r.entry >= 16 ? black : defaultColors[r.entry];
        float radius = 0;
        for (const auto &v : sink.vertices) {
            radius = fmaxf(radius, hypotf(v.pos[0], v.pos[1]));
            ASSERT_EQ(memcmp(v.color, want, sizeof v.color), 0) << r.text;
        }
        EXPECT_NEAR(radius, r.radius, 1e-3) << r.text;
        EXPECT_EQ(sink.colorCalls, 3u) << r.text; // side, start cap, end cap
    }
}

// Catches partial growth that differs from the scaled commands, or an unrepeatable random turn.
TEST(Turtle, PartialGrowthAndRandomTurnsAreExact) {
    const char *rows[][2] = {
        {"recursion 1.5\naxiom F\nrule F=F+F",
         "recursion 0\naxiom !(0.5)F(50)+(22.5)F(50)+(45)F(50)+(22.5)F(50)"},
        {"recursion 0.5\naxiom +F\nrule F=F+F", "recursion 0\naxiom +(45)!(0.5)F(50)+(22.5)F(50)"},
        {"recursion 0.5\naxiom X\nrule X=&f!F",
         "recursion 0\naxiom &(22.5)f(50)!(0.35)!(0.5)F(50)"},
        {"axiom ~F", "axiom ~F"}};
    for (const auto &r : rows) {
        LsysPtr a = modelFrom(r[0]), b = modelFrom(r[1]);
        RecordSink sa, sb;
        draw(a.get(), &sa);
        draw(b.get(), &sb);
        ASSERT_EQ(sa.vertices.size(), sb.vertices.size()) << r[0];
        for (size_t i = 0; i < sa.vertices.size() * 3; i++)
            ASSERT_EQ(sa.vertices[i / 3].pos[i % 3], sb.vertices[i / 3].pos[i % 3]) << r[0];
        EXPECT_EQ(memcmp(&a->bounds, &b->bounds, sizeof a->bounds), 0) << r[0];
    }
    LsysPtr l = modelFrom("axiom ~F");
    draw(l.get());
    const double tilt = acos(l->tube_ring[0][2] / 100.0) * 180 / M_PI;
    EXPECT_TRUE(tilt > 0 && tilt < 6.0 * sqrt(2.0) + 1e-3) << tilt;
}

TEST(Turtle, DepthFromRecursion) {
    // clang-format off
    const struct { float recursion; int depth; } rows[] = {
        {0, 0}, {0.5f, 1}, {3, 3}, {99.5f, 100}, {100, 100}, {65536, 100}, {INFINITY, 100},
        {-0.5f, 0}, {-INFINITY, 0}, {NAN, 0}};
    // clang-format on
    for (const auto &r : rows) {
        LsysPtr l = modelFrom("axiom F\nrule G=G");
        l->recursion = r.recursion;
        const char *limited = r.depth == 100 ? "recursion depth limited to 100" : "";
        EXPECT_EQ(draw(l.get()), limited) << r.recursion;
        EXPECT_EQ(l->max_depth, r.depth) << r.recursion;
        EXPECT_EQ(l->polygon_count, 24u) << r.recursion;
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
