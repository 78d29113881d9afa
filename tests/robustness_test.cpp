/* Robustness, parse to triangles: gallery, saved fuzzing inputs, hostile texts, ceilings. */
#include "engine_test.h"
#include "hostile.h"

namespace {

struct drawing_t {
    uint32_t polygons = 0, polyLimit = 0;
    bounds_t bounds{};
    size_t vertices = 0;
    std::vector<logged_msg_t> messages;
};

/* Parses and draws text as the application does, its limits lowered to the given ceilings. */
drawing_t parseAndDraw(const std::string &text, uint32_t maxTokens = UINT32_MAX,
                       uint32_t maxPolygons = UINT32_MAX) {
    drawing_t d;
    traceLogClear();
    LsysPtr l(lsysInit());
    lsysParse(l.get(), traceLog, text.c_str());
    lsysCeil(l.get(), maxPolygons, maxTokens, NULL);
    RecordSink sink;
    l->sink = sink.emit();
    srand(0);
    lsysDraw(l.get(), traceLog);
    d.polygons = l->polygon_count;
    d.polyLimit = l->poly_limit;
    d.bounds = l->bounds;
    d.vertices = sink.vertices.size();
    d.messages.swap(traceLogged());
    return d;
}

std::string testName(const std::string &path) {
    std::string name = std::filesystem::path(path).stem().string();
    for (char &c : name)
        if (!isalnum((unsigned char)c)) c = '_';
    return name;
}

/* Catches missing statistics, or a polygon limit overshot by more than one command's worth. */
void expectFinished(const drawing_t &d) {
    ASSERT_GE(d.messages.size(), 5u) << ::testing::PrintToString(d.messages);
    const size_t n = d.messages.size();
    const char *prefixes[5] = {"polygons: ", "tokens: ", "stacks: ", "bounds: ", "time: "};
    for (int i = 0; i < 5; i++) {
        const logged_msg_t &m = d.messages[n - 5 + i];
        EXPECT_EQ(m.code, CODE_INFO) << m.text;
        EXPECT_EQ(m.text.rfind(prefixes[i], 0), 0u) << m.text;
    }
    EXPECT_EQ(d.messages[n - 5].text, "polygons: " + std::to_string((int)d.polygons));
    EXPECT_EQ(d.vertices % 3, 0u) << "vertices must come in whole triangles";
    EXPECT_LE((uint64_t)d.polygons, (uint64_t)d.polyLimit + LSYS_VERTICES + 24);
}

class Example : public ::testing::TestWithParam<std::string> {};

TEST_P(Example, DrawsCleanlyWellWithinTheLimits) {
    const drawing_t d = parseAndDraw(readFile(GetParam()));
    expectFinished(d);
    EXPECT_EQ(d.messages.size(), 5u) << "statistics only: " << ::testing::PrintToString(d.messages);
    for (int i = 0; i < 3; i++) {
        EXPECT_TRUE(isfinite(d.bounds.min[i]) && isfinite(d.bounds.max[i])) << "axis " << i;
        EXPECT_LE(d.bounds.min[i], d.bounds.max[i]) << "axis " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Gallery, Example, ::testing::ValuesIn(filesIn(SPRIG_EXAMPLES_DIR, ".ls")),
                         [](const auto &info) { return testName(info.param); });

class FuzzRegression : public ::testing::TestWithParam<std::string> {};

/* The fuzzer's budgets, so a saved input replays the run that found it under the sanitizers. */
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

class Hostile : public ::testing::TestWithParam<hostile_t> {};

TEST_P(Hostile, EndsInAFinishedDrawing) {
    const hostile_t &h = GetParam();
    const drawing_t d = parseAndDraw(h.text, h.tokens ? h.tokens : UINT32_MAX);
    expectFinished(d);
    const size_t n = d.messages.size();
    const auto said = [&](const logged_msg_t &m) { return m.text == h.expect; };
    EXPECT_TRUE(!h.expect || std::any_of(d.messages.begin(), d.messages.end(), said))
        << ::testing::PrintToString(d.messages);
    if (h.tokens) {
        ASSERT_GE(n, 6u);
        EXPECT_EQ(d.messages[n - 6],
                  (logged_msg_t{CODE_EXEC, "too many tokens - " + std::to_string(h.tokens)}));
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, Hostile, ::testing::ValuesIn(hostileInputs()),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(Ceiling, LowersOnlyLimitsAboveItAndSaysSo) {
    // clang-format off
    const struct { const char *text; uint32_t polys, tokens; int lowered; uint32_t polyLimit, tokenLimit; const char *msg; } rows[] = {
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
}

TEST(NullTrace, DiscardsTheMessagesOfEveryStep) {
    const char *text = "recursion 200\nangle x\npoly_limit 30\naxiom [F(]]}X\nrule X=F[X\n";
    LsysPtr l(lsysPrepare(text, 2.0f, NULL));
    ASSERT_TRUE(l);
    EXPECT_EQ(lsysCeil(l.get(), 20, 20, NULL), 1);
    lsysDraw(l.get(), NULL);
    EXPECT_GT(l->polygon_count, 20u);
    lsysDraw(NULL, NULL);
    lsysParse(l.get(), NULL, NULL);
    EXPECT_EQ(tokString(l->rules[LSYS_AXIOM]), "");
    lsysParse(NULL, traceLog, "F");
}

} // namespace
