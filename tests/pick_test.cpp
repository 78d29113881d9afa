// Picking: the angle-sum hit test, the printed derivation, the pick record and token spans.
#include <fstream>
#include <iterator>

#include "engine_test.h"

TEST(Pick, AngleSumErrorOfOneTriangle) {
    const float a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, c[3] = {0, 1, 0};
    // Recorded as the best so far (error below errBelow) or not: off the plane, on a corner.
    // clang-format off
    const struct { float p[3]; bool hit; float errBelow; } rows[] = {
        {{0.25f, 0.25f, 0}, true, 1e-5f}, {{0.25f, 0.25f, 5}, false, 0},
        {{0, 0, 0}, false, 0}, {{0.6f, 0.6f, 0}, true, 3.0f}, // just outside, in the plane
        {{0.25f, 0.25f, 0.05f}, true, 3.0f},
        {{2e19f, 0, 0}, false, 0}, {{-3e38f, 3e38f, 1}, false, 0}}; // squares overflow a float
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

// The centroid of the first drawn triangle whose centroid height lies in (lo, hi), or nothing.
static std::vector<float> pointIn(lsys_t *l, float lo, float hi) {
    RecordSink sink;
    const emit_t *kept = l->sink;
    l->sink = sink.emit();
    srand(0);
    lsysDraw(l, nullTrace);
    l->sink = kept;
    for (size_t t = 0; t < sink.triangleCount(); t++)
        if (centroid(sink, t, 2) > lo && centroid(sink, t, 2) < hi)
            return {centroid(sink, t, 0), centroid(sink, t, 1), centroid(sink, t, 2)};
    return {};
}

// A located token as "slot:index", the slot as its character or "axiom" ("?" when unknown).
static std::string where(pick_level_t at) {
    std::string slot = at.slot == LSYS_AXIOM ? "axiom"
                       : at.slot < 0         ? "?"
                                             : std::string(1, (char)at.slot);
    return slot + ":" + std::to_string(at.token);
}

// lsysSelect's printout at a point in that band (or p), then lsysPick's "drawn LEVEL SLOT:INDEX".
static std::vector<std::string> pickLines(lsys_t *l, float lo, float hi, const float *p = 0) {
    std::vector<float> q = p ? std::vector<float>(p, p + 3) : pointIn(l, lo, hi);
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
    pick_result_t r;
    srand(0);
    lsysPick(l, q.data(), &r);
    if (r.hit) lines.push_back("drawn " + std::to_string(r.drawn_level) + " " + where(r.drawn));
    return lines;
}

// The mark is the read-ahead; the drawing command is on that level, deeper or shallower.
TEST(Pick, PrintsTheDerivationAndRecordsTheDrawingCommand) {
    // clang-format off
    const struct { const char *text; float zmin, zmax; std::vector<std::string> lines; } rows[] = {
        {"axiom FF", 110, 190, {"sp=1", "0: axiom: F >>F<< ", "drawn 0 axiom:1"}},
        {"axiom F(10)+", 1, 9, {"sp=1", "0: axiom: F(10.0) >>+<< ", "drawn 0 axiom:0"}},
        {"recursion 2\naxiom AB\nrule A=F[\nrule B=]F\n", 10, 90,
         {"sp=2", "1: rule A: F >>[<< ", "0: axiom:  >>A<< B", "drawn 1 A:0"}},
        {"recursion 3\naxiom XG\nrule X=Y\nrule Y=F(20)", 5, 15, {"sp=1", "0: axiom: X >>G<< ", "drawn 2 Y:0"}},
        {"axiom FX\nrule X=G", 10, 90, {"sp=2", "1: rule X:  >>G<< ", "0: axiom: F >>X<< ", "drawn 0 axiom:0"}},
        {"axiom {f+(90)f+(90)f}F", 1, 99,
         {"sp=1", "0: axiom: {f+(90.0)f+(90.0)f} >>F<< ", "drawn 0 axiom:8"}}};
    // clang-format on
    for (const auto &r : rows) {
        LsysPtr l = modelFrom(r.text);
        EXPECT_EQ(pickLines(l.get(), r.zmin, r.zmax), r.lines) << r.text;
    }
    // The deepest level is recorded whole.
    LsysPtr l = modelFrom("recursion 100\naxiom X\nrule X=FX");
    std::vector<std::string> lines = pickLines(l.get(), 9910, 9990);
    ASSERT_EQ(lines.size(), 2u + LSYS_STACK);
    EXPECT_EQ((std::vector{lines[0], lines[1], lines[100], lines[101], lines[102]}),
              (std::vector<std::string>{"sp=101", "100: rule X: F >>X<< ", "1: rule X: F >>X<< ",
                                        "0: axiom:  >>X<< ", "drawn 100 X:0"}));
}

// Far away nothing is picked; the replay draws nothing and leaves drawing on.
TEST(Pick, NothingNearbyAndTheReplayDrawsNothing) {
    const float far[3] = {1e6f, 1e6f, 1e6f}, p[3] = {0, 0, 50};
    for (const char *text : {"axiom F", "axiom {f+f+f}"}) {
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

static std::string span(const std::string &text, int slot, int32_t token) {
    int32_t at = -1, n = -1;
    if (!lsysTokenSpan(text.c_str(), slot, token, &at, &n)) return "none";
    return std::to_string(at) + "+" + std::to_string(n) + " '" + text.substr(at, n) + "'";
}

// Tokens found by the parser's rules; the end token is an empty span after the last one.
TEST(Pick, FindsATokenInTheText) {
    // clang-format off
    const struct { std::string text; int slot; std::vector<std::string> spans; } rows[] = {
        {"axiom F(10)+", LSYS_AXIOM, {"6+1 'F'", "7+4 '(10)'", "11+1 '+'", "12+0 ''", "none"}},
        {"1\n2\n3\nA B\nA=F\n", LSYS_AXIOM, {"6+1 'A'", "8+1 'B'"}}, // positional axiom line
        {"axiom X\nrule  X = F ( 1 0 ) G # c\n", 'X', {"18+1 'F'", "20+7 '( 1 0 )'", "28+1 'G'", "29+0 ''"}},
        {"axiom X\nX=F\nX=GH\n", 'X', {"10+1 'F'"}},                     // the first one wins
        {"axiom X\nXy=F(\nX=G\n", 'X', {"11+1 'F'", "13+0 ''"}}, // misnamed, '(' dropped
        {"axiom X\n@\nX=F\n", 'X', {"none"}},
        {"# none\nrule B=F\nrule A=G\n", LSYS_AXIOM, {"12+1 'B'"}},       // the first rule's name
        {"axiom A\nB=F(2\n", 'B', {"10+1 'F'", "11+2 '(2'"}},              // no closing ')'
        {"axiom A\n#" + std::string(999, 'x') + "B=F\n", 'B', {"1010+1 'F'"}}}; // split line
    // clang-format on
    for (const auto &r : rows)
        for (int32_t token = 0; token < (int32_t)r.spans.size(); token++)
            EXPECT_EQ(span(r.text, r.slot, token), r.spans[token]) << r.text.substr(0, 60) << token;
}

// Every parsed token lies where its span says (picks on the gallery are appcontroller_test's).
TEST(Pick, SpansCoverEveryTokenOfTheGallery) {
    for (const char *name : {"tree.ls", "koch-quadratic.ls"}) {
        std::ifstream in(std::string(SPRIG_EXAMPLES_DIR) + "/" + name);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LsysPtr l = modelFrom(text);
        int checked = 0;
        for (int slot = 0; slot < LSYS_SLOTS; slot++) {
            for (int32_t i = 0; l->rules[slot] && l->rules[slot][i].cmd; i++, checked++) {
                int32_t at, n;
                ASSERT_TRUE(lsysTokenSpan(text.c_str(), slot, i, &at, &n)) << name << slot << i;
                const tok_t *t = l->rules[slot] + i;
                EXPECT_EQ((unsigned char)text[at], t->cmd) << name << " " << slot << " " << i;
                if (t->cmd == '(') {
                    EXPECT_EQ(text[at + n - 1], ')') << name << " " << i;
                    EXPECT_EQ(strtof(text.c_str() + at + 1, 0), t->param) << name << " " << i;
                }
            }
        }
        EXPECT_GT(checked, 20) << name;
    }
}
