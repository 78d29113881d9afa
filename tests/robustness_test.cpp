/* Robustness of the whole engine, parse to triangles: every gallery description draws cleanly,
 * every saved fuzzing input is harmless, hostile texts (huge or non-finite numbers, deep
 * nesting, very long lines, every byte value, runaway expansions, message floods) end in a
 * finished drawing with a clear message, and the window's ceilings bound any description. */
#include <filesystem>
#include <fstream>

#include "engine_test.h"

#if defined(__SANITIZE_ADDRESS__)
#define SPRIG_SLOW_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SPRIG_SLOW_BUILD 1
#endif
#endif

namespace {

namespace fs = std::filesystem;

/* Counts vertices (whole triangles needed) and non-finite values (they poison the view). */
struct count_sink_t {
    uint64_t vertices = 0, nonFinite = 0;
};

void countValue(void *ctx, const float v[3]) {
    ((count_sink_t *)ctx)->nonFinite += !isfinite(v[0]) || !isfinite(v[1]) || !isfinite(v[2]);
}

void countVertex(void *ctx, const float v[3]) {
    ((count_sink_t *)ctx)->vertices++, countValue(ctx, v);
}

struct drawing_t {
    uint32_t polygons = 0, polyLimit = 0;
    bounds_t bounds{};
    count_sink_t sink;
    std::vector<logged_msg_t> messages;
};

/* Parses and draws text as the application does, under the window's ceilings (unannounced). */
drawing_t parseAndDraw(const std::string &text, uint32_t maxTokens = UINT32_MAX,
                       uint32_t maxPolygons = UINT32_MAX) {
    drawing_t d;
    traceLogClear();
    LsysPtr l(lsysInit());
    lsysParse(l.get(), traceLog, text.c_str());
    lsysCeil(l.get(), maxPolygons, maxTokens, NULL);
    emit_t emit = {&d.sink, countValue, NULL, countVertex};
    l->sink = &emit;
    srand(0);
    lsysDraw(l.get(), traceLog);
    d.polygons = l->polygon_count;
    d.polyLimit = l->poly_limit;
    d.bounds = l->bounds;
    d.messages.swap(traceLogged());
    return d;
}

std::string readFile(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
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
    return std::any_of(messages.begin(), messages.end(), [&](auto &m) { return m.text == text; });
}

/* Every drawing ends with the five statistics, in order, and overshoots its polygon limit by
 * at most one command (a full vertex buffer's polygon, or a segment with both caps). */
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
    EXPECT_LE((uint64_t)d.polygons, (uint64_t)d.polyLimit + LSYS_VERTICES + 24);
}

/* ---- The gallery ---- */

class Example : public ::testing::TestWithParam<std::string> {};

TEST_P(Example, DrawsCleanlyWellWithinTheLimits) {
    const std::string text = readFile(GetParam());
    const drawing_t d = parseAndDraw(text);
    expectFinished(d);
    EXPECT_EQ(d.messages.size(), 5u) << "statistics only:\n" << describe(d.messages);
    EXPECT_GT(d.polygons, 0u);
    EXPECT_GT(d.sink.vertices, 0u);
    EXPECT_LE(d.polygons, 250000u) << "well within the default polygon limit";
    EXPECT_EQ(d.sink.nonFinite, 0u);
    for (int i = 0; i < 3; i++) {
        EXPECT_TRUE(isfinite(d.bounds.min[i]) && isfinite(d.bounds.max[i])) << "axis " << i;
        EXPECT_LE(d.bounds.min[i], d.bounds.max[i]) << "axis " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Gallery, Example, ::testing::ValuesIn(filesIn(SPRIG_EXAMPLES_DIR, ".ls")),
                         [](const auto &info) { return testName(info.param); });

/* ---- Saved fuzzing inputs ---- */

class FuzzRegression : public ::testing::TestWithParam<std::string> {};

/* The fuzzer's budgets, so a saved input replays the run that found it (fails under ASan). */
TEST_P(FuzzRegression, ParsesDrawsAndPicksWithoutHarm) {
    const std::string text = readFile(GetParam());
    expectFinished(parseAndDraw(text, 100000, 5000));

    LsysPtr l = modelFrom(text);
    lsysCeil(l.get(), 5000, 100000, NULL);
    const float point[3] = {25.0f, 0.0f, 50.0f};
    srand(0);
    ::testing::internal::CaptureStdout();
    lsysSelect(l.get(), point);
    EXPECT_NE(::testing::internal::GetCapturedStdout(), "") << "a result or \"nothing\"";
    EXPECT_EQ(gPick.select, 0) << "select mode must end with the pick";
}

INSTANTIATE_TEST_SUITE_P(Saved, FuzzRegression,
                         ::testing::ValuesIn(filesIn(SPRIG_TESTS_DIR "/fuzz-regressions", "")),
                         [](const auto &info) { return testName(info.param); });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FuzzRegression);

/* ---- Hostile inputs ---- */

std::string repeat(const std::string &s, size_t n) {
    std::string out;
    for (size_t i = 0; i < n; i++)
        out += s;
    return out;
}

/* A runaway (tokens > 0) only the token budget ends, so its message is the last before the
 * statistics; message floods get a small budget, the test collector keeping every message. */
struct hostile_t {
    const char *name;
    std::string text;
    const char *expect; /* a message that must be among those reported, or nullptr */
    uint32_t tokens;    /* 0, or the token budget a runaway is drawn with */
};

std::vector<hostile_t> hostileInputs() {
#ifdef SPRIG_SLOW_BUILD
    const uint32_t budget = 2000000; /* the default budget takes seconds under the sanitizers */
#else
    const uint32_t budget = LSYS_DEFAULT_TOKEN_LIMIT;
#endif
    const uint32_t flood = 100000;
    std::string bytes, names = "recursion 2\naxiom A\n";
    for (int c = 1; c < 256; c++)
        bytes += (char)c;
    for (int c = 33; c < 256; c++)
        if (c != '#' && c != '@')
            names += std::string("rule ") + (char)c + "=F+" + (char)(c == 255 ? 33 : c + 1) + "\n";
    // clang-format off
    return {
        {"huge_numbers", "recursion 1e30\nangle 1e38\nthickness 1e38\nmin_thickness 3e38\n"
         "axiom F(3e38)+F(-3e38)&(1e38)F>(1e38)F'(1e38)F\n", "recursion depth limited to 100", 0},
        {"huge_integers", "poly_limit 99999999999999999999\nshape 4294967296\n"
         "color 99999999999 1 1 1\naxiom c(1e30)Fc(-1e30)Fc(65537)F\n", nullptr, 0},
        {"out_of_range_colour_indices", "axiom c(101)Fc(-3)Fc(32767)F+c(32767)Fc(-32768)F\n", nullptr, 0},
        {"nan_and_infinity", "recursion nan\nangle nan\nthickness inf\ntrope nan\nrand inf\naxiom "
         "F(nan)+(inf)F(inf)&(nan)F!(nan)F?(inf)F:(nan)+F'(nan)Fc(nan)F~F~(nan)Ft(inf)F$F\n", nullptr, 0},
        {"nan_prisms", "shape 0\nangle nan\naxiom F+F&F>F{.f+f+f}\n", nullptr, 0},
        {"nan_polygon", "angle nan\naxiom {.f+f+f+f}{.f(inf)f(nan)f}\n", nullptr, 0},
        {"fraction_of_huge_growth", "recursion 65535.5\naxiom X\nrule X=F+X\n", "recursion depth limited to 100", 0},
        {"deep_branches", "recursion 100\naxiom X\nrule X=[[[[[[[[[[[+FX\n", "stack [] overflow - 1024", 0},
        {"deep_polygons", "recursion 100\naxiom X\nrule X={{{{{{{{{{{X\n", "stack {} overflow - 1024", 0},
        {"vertex_flood", "recursion 5\naxiom {X}\nrule X=f+fXXXXXX\n", "too many vertices", 0},
        {"balanced_deep_nesting", "recursion 100\naxiom X\nrule X=[[[[[[[[[[[+FX]]]]]]]]]]]\n", "stack [] underflow", 0},
        {"million_character_axiom_line", "axiom " + repeat("F", 1000000) + "\n", "expected a rule", 0},
        {"million_character_bracket_line", "axiom F\nrule F=" + repeat("[", 1000000) + "\n",
         "splitting line longer than 1000 characters", 0},
        {"million_character_parameter_line", "axiom " + repeat("F(1", 333334) + "\n", "missing closing ')'", 0},
        {"million_character_comment", "# " + repeat("x", 1000000) + "\naxiom F\n", nullptr, 0},
        {"hundred_thousand_line_ends", repeat("\r\n\r", 100000) + "axiom F\n", nullptr, 0},
        {"every_byte_as_a_line", bytes, nullptr, 0},
        {"every_byte_in_the_axiom", "axiom " + bytes, nullptr, 0},
        {"every_byte_in_a_rule", "recursion 3\naxiom X\nrule X=" + bytes, nullptr, 0},
        {"every_byte_as_a_rule_name", names, nullptr, 0},
        {"parameter_without_command", "axiom (5)F(2)(3)..(2)\n", "unexpected token '('", 0},
        {"empty_text", "", "no axiom", 0},
        {"binary_zero_ends_the_text", std::string("axiom F\0garbage", 15), nullptr, 0},
        {"polygon_limit_stops_doubling", "recursion 100\naxiom F\nrule F=FF\n", "too many polygons - 500000", 0},
        {"dropped_symbols", "recursion 100\naxiom X\nrule X=XX\n", nullptr, budget},
        {"merged_turns", "recursion 100\naxiom +\nrule +=++\n", nullptr, budget},
        {"merged_moves", "recursion 100\naxiom f\nrule f=fzf\n", nullptr, budget},
        {"merged_colours", "recursion 100\naxiom c\nrule c=cc\n", nullptr, budget},
        {"empty_rule_chain", "recursion 99\n" + emptyChain(), nullptr, budget},
        {"branch_flood", "recursion 100\naxiom X\nrule X=[XX\n", "stack [] overflow - 1024", flood},
        {"branch_pairs", "recursion 100\naxiom X\nrule X=[X[X\n", "stack [] overflow - 1024", flood},
        {"closing_flood", "recursion 100\naxiom X\nrule X=]XX\n", "stack [] underflow", flood},
        {"polygon_flood", "recursion 100\naxiom {X\nrule X={XX\n", "stack {} overflow - 1024", flood},
        {"closing_polygons", "recursion 100\naxiom X\nrule X=}XX\n", "stack {} underflow", flood}};
    // clang-format on
}

class Hostile : public ::testing::TestWithParam<hostile_t> {};

TEST_P(Hostile, EndsInAFinishedDrawing) {
    const hostile_t &h = GetParam();
    const drawing_t d = parseAndDraw(h.text, h.tokens ? h.tokens : UINT32_MAX);
    expectFinished(d);
    const size_t n = d.messages.size();
    if (h.expect) {
        EXPECT_TRUE(hasMessage(d.messages, h.expect)) << describe(d.messages);
    }
    if (h.tokens) {
        ASSERT_GE(n, 6u);
        EXPECT_EQ(d.messages[n - 6].text, "too many tokens - " + std::to_string(h.tokens))
            << describe(std::vector<logged_msg_t>(d.messages.end() - 6, d.messages.end()));
        EXPECT_EQ(d.messages[n - 6].code, CODE_EXEC);
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, Hostile, ::testing::ValuesIn(hostileInputs()),
                         [](const auto &info) { return std::string(info.param.name); });

/* ---- The window's ceilings and a NULL message channel ---- */

TEST(Ceiling, LowersOnlyLimitsAboveItAndSaysSo) {
    // clang-format off
    const struct { const char *text; uint32_t polys, tokens; int lowered; uint32_t polyLimit, tokenLimit; const char *msg; } rows[] = {
        {"axiom F", 500000, LSYS_DEFAULT_TOKEN_LIMIT, 0, 500000, LSYS_DEFAULT_TOKEN_LIMIT, ""},
        {"poly_limit -1\naxiom F", 1000, UINT32_MAX, 1, 1000, LSYS_DEFAULT_TOKEN_LIMIT, "lowering poly_limit to 1000"},
        {"token_limit -1\naxiom F", UINT32_MAX, 5000, 1, 500000, 5000, "lowering token_limit to 5000"},
        {"token_limit 7\naxiom F", 10, 5000, 1, 10, 7, "lowering poly_limit to 10"},
        {"axiom F", 10, 20, 1, 10, 20, "lowering poly_limit to 10 and token_limit to 20"},
        {"poly_limit 10\ntoken_limit 20\naxiom F", 10, 20, 0, 10, 20, ""}};
    // clang-format on
    for (const auto &r : rows) {
        LsysPtr l = modelFrom(r.text);
        traceLogClear();
        EXPECT_EQ(lsysCeil(l.get(), r.polys, r.tokens, traceLog), r.lowered) << r.text;
        EXPECT_EQ(l->poly_limit, r.polyLimit) << r.text;
        EXPECT_EQ(l->token_limit, r.tokenLimit) << r.text;
        std::string got;
        for (const auto &m : traceLogged())
            got += (m.code == CODE_INFO ? "" : "not info: ") + m.text;
        EXPECT_EQ(got, r.msg) << r.text;
    }
    // Limits that remove the budget end at the ceilings.
    EXPECT_TRUE(hasMessage(
        parseAndDraw("recursion 100\npoly_limit -1\naxiom F\nrule F=FF", UINT32_MAX, 3000).messages,
        "too many polygons - 3000"));
    EXPECT_TRUE(
        hasMessage(parseAndDraw("recursion 100\ntoken_limit -1\naxiom X\nrule X=XX", 3000).messages,
                   "too many tokens - 3000"));
}

TEST(NullTrace, DiscardsTheMessagesOfEveryStep) {
    const char *text = "recursion 200\nangle x\npoly_limit 30\naxiom [F(]]}X\nrule X=F[X\n";
    LsysPtr l(lsysPrepare(text, 2.0f, NULL));
    ASSERT_TRUE(l);
    EXPECT_EQ(lsysCeil(l.get(), 20, 20, NULL), 1);
    lsysDraw(l.get(), NULL);
    EXPECT_GT(l->polygon_count, 20u);
    lsysDraw(NULL, NULL);
    freeRule(parseRule("F(", 0, NULL));
    lsysParse(l.get(), NULL, NULL);
    EXPECT_EQ(tokString(l->rules[LSYS_AXIOM]), "");
    lsysParse(NULL, traceLog, "F");
}

} // namespace
