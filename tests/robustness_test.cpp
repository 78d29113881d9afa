/* Robustness, description to triangles: every gallery description, saved fuzzing input, hostile
 * text and random description ends in a finished drawing, and its batches give GL exactly the
 * per-vertex calls' stream; a few gallery streams are pinned. Then the ceilings. */
#include <random>

#include "engine_test.h"

namespace {

enum kind_t { GALLERY, SAVED, HOSTILE, RANDOM };

struct input_t {
    kind_t kind;
    std::string name, text, expect; /* expect: a message that must be among those reported */
    uint32_t tokens = UINT32_MAX, polygons = UINT32_MAX; /* the ceilings it is drawn under */
    bool runaway = false; /* ends only at the token budget, and draws nothing */
};

void PrintTo(const input_t &in, std::ostream *os) {
    *os << in.name;
}

/* A file's stem as the name of a test. */
std::string testName(std::string stem) {
    std::replace(stem.begin(), stem.end(), '-', '_');
    return stem;
}

std::string repeat(const std::string &s, size_t n) {
    std::string out;
    while (n--)
        out += s;
    return out;
}

std::vector<input_t> inputs() {
    std::vector<input_t> out;
    for (const auto &[kind, dir] : {std::make_pair(GALLERY, SPRIG_EXAMPLES_DIR),
                                    std::make_pair(SAVED, SPRIG_TESTS_DIR "/fuzz-regressions"),
                                    std::make_pair(HOSTILE, SPRIG_TESTS_DIR "/data/robustness")})
        for (const auto &f : std::filesystem::directory_iterator(dir)) /* the fuzzer's budgets */
            if (f.path().extension() == ".ls")
                out.push_back({kind, testName(f.path().stem()), readFile(f.path()), "",
                               kind == SAVED ? 100000u : UINT32_MAX,
                               kind == SAVED ? 5000u : UINT32_MAX});
#ifdef __SANITIZE_ADDRESS__
    const uint32_t budget = 2000000; /* the default budget takes seconds under the sanitizers */
#else
    const uint32_t budget = LSYS_DEFAULT_TOKEN_LIMIT;
#endif
    for (const row_t &r : dataRows("robustness/hostile.txt")) {
        const uint32_t tokens = r[3] == "budget" ? budget : (uint32_t)atoi(r[3].c_str());
        out.push_back({HOSTILE, r[0], r[1], r[2], tokens ? tokens : UINT32_MAX});
        out.back().runaway = tokens != 0;
    }
    const std::pair<const char *, std::string> made[] = {
        {"million_character_axiom_line", "axiom " + repeat("F", 1000000) + "\n"},
        {"million_character_parameter_line", "axiom " + repeat("F(1", 333334) + "\n"},
        {"million_character_comment", "# " + repeat("x", 1000000) + "\naxiom F\n"},
        {"hundred_thousand_line_ends", repeat("\r\n\r", 100000) + "axiom F\n"}};
    for (const auto &[name, text] : made)
        out.push_back({HOSTILE, name, text, ""});
    /* Random descriptions over every command, with parameters, and random bytes (mostly ones
     * that mean something to the parser), under small ceilings. */
    static const char commands[] = "FfZzGg+-&^<>|%$[]{}.!?:;'\"ct~ABC",
                      special[] = "\r\n#@=() \t.-+0123456789eFX_ruleaxiomcolor";
    std::mt19937 random(7);
    for (int i = 0; i < 200; i++) {
        std::string text = i % 2 ? "" : "recursion " + std::to_string(random() % 6) + "\n";
        for (const char *head : {"axiom ", "rule A=", "rule B=", "rule C="}) {
            text += i % 2 ? "" : head;
            for (int n = random() % (i % 2 ? 750 : 20); n > 0; n--) {
                text += i % 2 && random() % 3 == 0 ? (char)(1 + random() % 255)
                        : i % 2                    ? special[random() % (sizeof special - 1)]
                                                   : commands[random() % (sizeof commands - 1)];
                if (i % 2 == 0 && random() % 4 == 0)
                    text += "(" + std::to_string((int)(random() % 200) - 100) + ")";
            }
            text += i % 2 ? "" : "\n";
        }
        out.push_back({RANDOM, "random_" + std::to_string(i), text, "", 100000, 20000});
    }
    return out;
}

/* FNV-1a over every recorded float; NaNs hash alike, their sign and payload vary with the build. */
uint64_t streamHash(const std::vector<rec_vertex_t> &vertices) {
    uint64_t h = 1469598103934665603ull;
    for (const rec_vertex_t &v : vertices) {
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

/* Draws as every program does, under the input's ceilings; the messages are in traceLogged(). */
LsysPtr draw(const input_t &in, RecordSink &sink) {
    const lsys_limits_t ceilings = {in.polygons, in.tokens};
    traceLogClear();
    lsys_job_t job = {in.text.c_str(), 1.0f, &ceilings, sink.emit(), nullptr, 1, 0};
    return LsysPtr(lsysBuild(&job, traceLog));
}

class Drawing : public ::testing::TestWithParam<input_t> {};

TEST_P(Drawing, EndsFinishedAndBatchesGiveTheSameStream) {
    const input_t &in = GetParam();
    uint64_t hash[2] = {0, 0};
    size_t vertices = 0;
    uint32_t polygons = 0, polyLimit = 0;
    bounds_t bounds{};
    LsysPtr l;
    for (int batched = 0; batched < (in.runaway ? 1 : 2); batched++) {
        RecordSink sink(batched);
        l = draw(in, sink);
        ASSERT_TRUE(l);
        hash[batched] = streamHash(sink.vertices), vertices = sink.vertices.size();
        for (int size :
             sink.batchSizes) /* whole triangles, at most LSYS_BATCH corners, a colour each */
            EXPECT_TRUE(size % 3 == 0 && size <= LSYS_BATCH && sink.normalCalls == 0) << size;
        EXPECT_TRUE(!batched || sink.colorCalls == sink.batchSizes.size());
        polygons = l->polygon_count, polyLimit = l->poly_limit, bounds = l->bounds;
    }
    if (in.runaway) /* drawn once only: nothing to replay */
        EXPECT_EQ(vertices, 0u) << "a runaway draws nothing";
    else
        EXPECT_EQ(hash[1], hash[0]) << "batches must replay the per-vertex calls";
    /* Catches missing statistics, or a polygon limit overshot by more than one command's worth. */
    const std::vector<logged_msg_t> &m = traceLogged();
    const size_t n = m.size();
    ASSERT_GE(n, 5u) << ::testing::PrintToString(m);
    std::string order;
    for (size_t i = n - 5; i < n; i++)
        order += m[i].code == CODE_INFO ? m[i].text.substr(0, m[i].text.find(':') + 1) : "?";
    EXPECT_EQ(order, "polygons:tokens:stacks:bounds:time:");
    EXPECT_EQ(m[n - 5].text, "polygons: " + std::to_string(polygons));
    for (const logged_msg_t &msg : m) { /* a parser message stands at a line start, or a split */
        bool start = msg.code < 0;
        for (int32_t at = msg.code; !start && at >= 0; at -= LSYS_LINE)
            start = at == 0 || in.text[at - 1] == '\n' || in.text[at - 1] == '\r';
        EXPECT_TRUE(start && msg.code < (int32_t)in.text.size() + 1) << msg.code << " " << msg.text;
    }
    EXPECT_EQ(vertices % 3, 0u) << "vertices must come in whole triangles";
    EXPECT_LE((uint64_t)polygons, (uint64_t)polyLimit + LSYS_VERTICES + 24);
    const auto said = [&](const logged_msg_t &msg) { return msg.text == in.expect; };
    EXPECT_TRUE(in.expect.empty() || std::any_of(m.begin(), m.end(), said))
        << ::testing::PrintToString(m);
    if (in.runaway) {
        ASSERT_GE(n, 6u);
        EXPECT_EQ(m[n - 6],
                  (logged_msg_t{CODE_EXEC, "too many tokens - " + std::to_string(in.tokens)}));
    }
    if (in.kind == GALLERY) {
        EXPECT_EQ(n, 5u) << "statistics only: " << ::testing::PrintToString(m);
        for (int i = 0; i < 3; i++)
            EXPECT_TRUE(isfinite(bounds.min[i]) && bounds.min[i] <= bounds.max[i]) << i;
        /* every parsed token lies where its span says */
        for (int slot = 0; slot < LSYS_SLOTS; slot++)
            for (int32_t i = 0, at, len; l->rules[slot] && l->rules[slot][i].cmd; i++) {
                const tok_t *t = l->rules[slot] + i;
                ASSERT_TRUE(lsysTokenSpan(in.text.c_str(), slot, i, &at, &len)) << slot << " " << i;
                EXPECT_EQ((unsigned char)in.text[at], t->cmd) << slot << " " << i;
                EXPECT_TRUE(t->cmd != '(' || (in.text[at + len - 1] == ')' &&
                                              strtof(in.text.c_str() + at + 1, 0) == t->param));
            }
    }
    if (in.kind == SAVED) { /* the pick replays the run that found it, as under the fuzzer */
        const float point[3] = {25.0f, 0.0f, 50.0f};
        ::testing::internal::CaptureStdout();
        srand(0);
        lsysSelect(l.get(), point);
        EXPECT_NE(::testing::internal::GetCapturedStdout(), "") << "a result or \"nothing\"";
        EXPECT_EQ(gPick.select, 0) << "select mode must end with the pick";
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, Drawing, ::testing::ValuesIn(inputs()),
                         [](const auto &info) { return info.param.name; });

/* Rows of robustness/streams.txt: a few gallery drawings, pinned. */
TEST(Stream, PinnedDrawingsAreUnchanged) {
    for (const row_t &r : dataRows("robustness/streams.txt")) {
        RecordSink sink;
        draw({GALLERY, r[0], readFile(SPRIG_EXAMPLES_DIR "/" + r[0] + ".ls"), ""}, sink);
        EXPECT_EQ(streamHash(sink.vertices), strtoull(r[1].c_str(), nullptr, 16)) << r[0];
    }
}

/* Rows of robustness/ceilings.txt. */
TEST(Ceiling, LowersOnlyLimitsAboveItAndSaysSo) {
    for (const row_t &r : dataRows("robustness/ceilings.txt")) {
        LsysPtr l = modelFrom(r[0]);
        traceLogClear();
        const int lowered =
            lsysCeil(l.get(), (uint32_t)rowNumber(r[1]), (uint32_t)rowNumber(r[2]), traceLog);
        std::string got = std::to_string(lowered) + " " + std::to_string(l->poly_limit) + " " +
                          std::to_string(l->token_limit) + " ";
        for (const auto &msg : traceLogged())
            got += (msg.code == CODE_INFO ? "" : "not info: ") + msg.text;
        EXPECT_EQ(got, r[3] + " " + r[4] + " " + r[5] + " " + r[6]) << r[0];
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
