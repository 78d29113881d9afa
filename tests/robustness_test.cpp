/* Robustness of the whole engine, parse to triangles: every gallery description draws cleanly,
 * every saved fuzzing input is harmless, and hostile texts (huge or non-finite numbers, deep
 * nesting, very long lines, every byte value, runaway expansions) end in a finished drawing with
 * a clear message instead of a crash or a hang. */
#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lsys.h"
#include "trace_log.h"

#if defined(__SANITIZE_ADDRESS__)
#define SPRIG_SLOW_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SPRIG_SLOW_BUILD 1
#endif
#endif

namespace {

namespace fs = std::filesystem;

/* An emit_t that counts the calls and checks what it is handed: a GL_TRIANGLES batch needs
 * vertices in threes, and a non-finite coordinate would poison the view's bounds and depth. */
struct count_sink_t {
    uint64_t colors = 0, normals = 0, vertices = 0;
    uint64_t nonFinite = 0;
};

void countColor(void *ctx, const float rgb[3]) {
    count_sink_t *s = (count_sink_t *)ctx;
    s->colors++;
    if (!isfinite(rgb[0]) || !isfinite(rgb[1]) || !isfinite(rgb[2])) s->nonFinite++;
}

void countNormal(void *ctx, const float n[3]) {
    (void)n;
    ((count_sink_t *)ctx)->normals++;
}

void countVertex(void *ctx, const float v[3]) {
    count_sink_t *s = (count_sink_t *)ctx;
    s->vertices++;
    if (!isfinite(v[0]) || !isfinite(v[1]) || !isfinite(v[2])) s->nonFinite++;
}

struct drawing_t {
    uint32_t polygons = 0;
    uint32_t polyLimit = 0;
    bounds_t bounds{};
    count_sink_t sink;
    std::vector<logged_msg_t> messages;
};

/* Parses and draws text as the application does (srand(0) first). A limit of 0 keeps what the
 * text set; otherwise the smaller of the two wins. */
drawing_t parseAndDraw(const std::string &text, uint32_t tokenLimit = 0, uint32_t polyLimit = 0) {
    drawing_t d;
    traceLogClear();
    lsys_t *l = lsysInit();
    lsysParse(l, traceLog, text.c_str());
    if (tokenLimit && tokenLimit < l->token_limit) l->token_limit = tokenLimit;
    if (polyLimit && polyLimit < l->poly_limit) l->poly_limit = polyLimit;
    emit_t emit = {&d.sink, countColor, countNormal, countVertex};
    l->sink = &emit;
    srand(0);
    lsysDraw(l, traceLog);
    d.polygons = l->polygon_count;
    d.polyLimit = l->poly_limit;
    d.bounds = l->bounds;
    d.messages = traceLogged();
    lsysFree(l);
    traceLogClear();
    return d;
}

std::string readFile(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<std::string> filesIn(const char *dir, const char *extension) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto &e : fs::directory_iterator(dir, ec))
        if (e.is_regular_file() && (!*extension || e.path().extension() == extension))
            out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

std::string testName(const std::string &path) {
    std::string name = fs::path(path).stem().string();
    for (char &c : name)
        if (!isalnum((unsigned char)c)) c = '_';
    return name;
}

std::string describe(const std::vector<logged_msg_t> &messages) {
    std::string out;
    for (const auto &m : messages)
        out += "  [" + std::to_string(m.code) + "] " + m.text + "\n";
    return out;
}

bool hasMessage(const std::vector<logged_msg_t> &messages, const std::string &text) {
    for (const auto &m : messages)
        if (m.text == text) return true;
    return false;
}

/* Every drawing, however bad its input, ends with the five statistics lines, in order. */
void expectFinished(const drawing_t &d) {
    ASSERT_GE(d.messages.size(), 5u) << describe(d.messages);
    const size_t n = d.messages.size();
    const char *prefixes[5] = {"polygons: ", "tokens: ", "stacks: ", "bounds: ", "time: "};
    for (int i = 0; i < 5; i++) {
        const logged_msg_t &m = d.messages[n - 5 + i];
        EXPECT_EQ(m.code, CODE_INFO) << m.text;
        EXPECT_EQ(m.text.rfind(prefixes[i], 0), 0u) << m.text;
    }
    EXPECT_EQ(d.messages[n - 5].text, "polygons: " + std::to_string((int)d.polygons));
    EXPECT_EQ(d.sink.vertices % 3, 0u) << "vertices must come in whole triangles";
}

/* The limit is checked before each command, so one command may overshoot it: at most a
 * polygon of a full vertex buffer, or a segment with both caps, plus the closing cap. */
void expectWithinPolyLimit(const drawing_t &d) {
    EXPECT_LE((uint64_t)d.polygons, (uint64_t)d.polyLimit + LSYS_VERTICES + 24);
}

/* ---- The gallery ---- */

std::vector<std::string> examples() {
    return filesIn(SPRIG_EXAMPLES_DIR, ".ls");
}

TEST(Gallery, HoldsATreeAndAtLeastTwelveDescriptions) {
    const std::vector<std::string> all = examples();
    EXPECT_GE(all.size(), 12u);
    EXPECT_TRUE(fs::exists(fs::path(SPRIG_EXAMPLES_DIR) / "tree.ls"));
}

class Example : public ::testing::TestWithParam<std::string> {};

TEST_P(Example, DrawsCleanlyWellWithinTheLimits) {
    const std::string text = readFile(GetParam());
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text[0], '#') << "a gallery description starts with a comment saying what it shows";

    const drawing_t d = parseAndDraw(text);
    expectFinished(d);
    std::vector<logged_msg_t> problems;
    for (const auto &m : d.messages)
        if (m.code != CODE_INFO) problems.push_back(m);
    EXPECT_TRUE(problems.empty()) << describe(problems);
    EXPECT_EQ(d.messages.size(), 5u) << "statistics only:\n" << describe(d.messages);

    EXPECT_GT(d.polygons, 0u);
    EXPECT_LE(d.polygons, 250000u) << "well within the default polygon limit";
    EXPECT_GT(d.sink.vertices, 0u);
    EXPECT_EQ(d.sink.nonFinite, 0u);
    for (int i = 0; i < 3; i++) {
        EXPECT_TRUE(isfinite(d.bounds.min[i]) && isfinite(d.bounds.max[i])) << "axis " << i;
        EXPECT_LE(d.bounds.min[i], d.bounds.max[i]) << "axis " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Gallery, Example, ::testing::ValuesIn(examples()),
                         [](const auto &info) { return testName(info.param); });

/* ---- Saved fuzzing inputs ---- */

class FuzzRegression : public ::testing::TestWithParam<std::string> {};

/* Same budgets as the fuzzer, so a saved input replays the run that found it; the sanitizer
 * build turns a recurrence of the fault into a failure. */
TEST_P(FuzzRegression, ParsesDrawsAndPicksWithoutHarm) {
    const std::string text = readFile(GetParam());
    const drawing_t d = parseAndDraw(text, 100000, 5000);
    expectFinished(d);
    expectWithinPolyLimit(d);

    lsys_t *l = lsysInit();
    lsysParse(l, nullTrace, text.c_str());
    l->token_limit = std::min(l->token_limit, 100000u);
    l->poly_limit = std::min(l->poly_limit, 5000u);
    const float point[3] = {25.0f, 0.0f, 50.0f};
    srand(0);
    ::testing::internal::CaptureStdout();
    lsysSelect(l, point);
    const std::string picked = ::testing::internal::GetCapturedStdout();
    EXPECT_FALSE(picked.empty()) << "a pick always prints a result or \"nothing\"";
    EXPECT_EQ(gPick.select, 0) << "select mode must end with the pick";
    lsysFree(l);
}

INSTANTIATE_TEST_SUITE_P(Saved, FuzzRegression,
                         ::testing::ValuesIn(filesIn(SPRIG_TESTS_DIR "/fuzz-regressions", "")),
                         [](const auto &info) { return testName(info.param); });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FuzzRegression);

/* ---- Hostile inputs ---- */

std::string repeat(const std::string &s, size_t n) {
    std::string out;
    out.reserve(s.size() * n);
    for (size_t i = 0; i < n; i++)
        out += s;
    return out;
}

std::string allBytes() {
    std::string out;
    for (int c = 1; c < 256; c++)
        out += (char)c;
    return out;
}

struct hostile_t {
    const char *name;
    std::string text;
    const char *expect; /* a message that must be among those reported, or nullptr */
};

std::vector<hostile_t> hostileInputs() {
    const std::string bytes = allBytes();
    return {
        {"huge_numbers",
         "recursion 1e30\nangle 1e38\nthickness 1e38\nmin_thickness 3e38\n"
         "axiom F(3e38)+F(-3e38)&(1e38)F>(1e38)F'(1e38)F\n",
         "recursion depth limited to 100"},
        {"huge_integers",
         "poly_limit 99999999999999999999\nshape 4294967296\ncolor 99999999999 1 1 1\n"
         "axiom c(1e30)Fc(-1e30)Fc(65537)F\n",
         nullptr},
        {"out_of_range_colour_indices", "axiom c(101)Fc(-3)Fc(32767)F+c(32767)Fc(-32768)F\n",
         nullptr},
        {"nan_and_infinity",
         "recursion nan\nangle nan\nthickness inf\ntrope nan\nrand inf\n"
         "axiom F(nan)+(inf)F(inf)&(nan)F!(nan)F?(inf)F:(nan)+F'(nan)Fc(nan)F~F~(nan)Ft(inf)F$F\n",
         nullptr},
        {"nan_prisms", "shape 0\nangle nan\naxiom F+F&F>F{.f+f+f}\n", nullptr},
        {"nan_polygon", "angle nan\naxiom {.f+f+f+f}{.f(inf)f(nan)f}\n", nullptr},
        {"fraction_of_huge_growth", "recursion 65535.5\naxiom X\nrule X=F+X\n",
         "recursion depth limited to 100"},
        {"deep_branches", "recursion 100\naxiom X\nrule X=[[[[[[[[[[[+FX\n",
         "stack [] overflow - 1024"},
        {"deep_polygons", "recursion 100\naxiom X\nrule X={{{{{{{{{{{X\n",
         "stack {} overflow - 1024"},
        {"vertex_flood", "recursion 5\naxiom {X}\nrule X=f+fXXXXXX\n", "too many vertices"},
        {"balanced_deep_nesting", "recursion 100\naxiom X\nrule X=[[[[[[[[[[[+FX]]]]]]]]]]]\n",
         "stack [] underflow"},
        {"million_character_axiom_line", "axiom " + repeat("F", 1000000) + "\n", "expected a rule"},
        {"million_character_bracket_line", "axiom F\nrule F=" + repeat("[", 1000000) + "\n",
         nullptr},
        {"million_character_parameter_line", "axiom " + repeat("F(1", 333334) + "\n",
         "missing closing ')'"},
        {"million_character_comment", "# " + repeat("x", 1000000) + "\naxiom F\n", nullptr},
        {"hundred_thousand_line_ends", repeat("\r\n\r", 100000) + "axiom F\n", nullptr},
        {"every_byte_as_a_line", bytes, nullptr},
        {"every_byte_in_the_axiom", "axiom " + bytes, nullptr},
        {"every_byte_in_a_rule", "recursion 3\naxiom X\nrule X=" + bytes, nullptr},
        {"every_byte_as_a_rule_name",
         [] {
             std::string t = "recursion 2\naxiom A\n";
             for (int c = 33; c < 256; c++) {
                 if (c == '#' || c == '@') continue;
                 t += std::string("rule ") + (char)c + "=F+" + (char)(c == 255 ? 33 : c + 1) + "\n";
             }
             return t;
         }(),
         nullptr},
        {"parameter_without_command", "axiom (5)F(2)(3)..(2)\n", "unexpected token '('"},
        {"empty_text", "", "no axiom"},
        {"binary_zero_ends_the_text", std::string("axiom F\0garbage", 15), nullptr},
        {"polygon_limit_stops_doubling", "recursion 100\naxiom F\nrule F=FF\n",
         "too many polygons - 500000"},
    };
}

class Hostile : public ::testing::TestWithParam<hostile_t> {};

TEST_P(Hostile, EndsInAFinishedDrawing) {
    const hostile_t &h = GetParam();
    const drawing_t d = parseAndDraw(h.text);
    expectFinished(d);
    expectWithinPolyLimit(d);
    if (h.expect) {
        EXPECT_TRUE(hasMessage(d.messages, h.expect)) << describe(d.messages);
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, Hostile, ::testing::ValuesIn(hostileInputs()),
                         [](const auto &info) { return std::string(info.param.name); });

/* Runaway expansions that draw nothing: each token is either dropped or merged into the one
 * command under construction, so only the raw-token budget can end them. */
struct runaway_t {
    const char *name;
    const char *text;
};

/* A=BB, B=CC, ... over 40 rule names, the last one empty: 2^39 bodies entered and not one
 * token delivered, so only a budget on the rewriting itself can stop it. */
const char *emptyChain() {
    static std::string text;
    if (text.empty()) {
        const std::string names = "ABCDEGHIJKLMNOPQRSTUVWXYabdehijklmnopqrsu";
        text = "recursion 99\naxiom A\n";
        for (size_t i = 0; i + 1 < names.size(); i++)
            text += std::string("rule ") + names[i] + "=" + names[i + 1] + names[i + 1] + "\n";
        text += std::string("rule ") + names.back() + "=\n";
    }
    return text.c_str();
}

class Runaway : public ::testing::TestWithParam<runaway_t> {};

TEST_P(Runaway, StopsAtTheTokenBudget) {
#ifdef SPRIG_SLOW_BUILD
    const uint32_t limit = 2000000; /* the default budget takes seconds under the sanitizers */
#else
    const uint32_t limit = LSYS_DEFAULT_TOKEN_LIMIT;
#endif
    const drawing_t d = parseAndDraw(GetParam().text, limit);
    expectFinished(d);
    const size_t n = d.messages.size();
    ASSERT_GE(n, 6u);
    EXPECT_EQ(d.messages[n - 6].text, "too many tokens - " + std::to_string(limit))
        << describe(d.messages);
    EXPECT_EQ(d.messages[n - 6].code, CODE_EXEC);
}

INSTANTIATE_TEST_SUITE_P(
    Expansions, Runaway,
    ::testing::Values(runaway_t{"dropped_symbols", "recursion 100\naxiom X\nrule X=XX\n"},
                      runaway_t{"merged_turns", "recursion 100\naxiom +\nrule +=++\n"},
                      runaway_t{"merged_moves", "recursion 100\naxiom f\nrule f=fzf\n"},
                      runaway_t{"merged_colours", "recursion 100\naxiom c\nrule c=cc\n"},
                      runaway_t{"empty_rule_chain", emptyChain()}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
