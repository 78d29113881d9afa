// Tests of the model record, the rule-body tokenizer, the rule queries and the message store.
#include "engine_test.h"

// Bodies tokenized with and without a callback, then again under a comma-decimal locale.
TEST(ParseRule, TokenizesBodiesAndReportsBadParameters) {
    const logged_msg_t N = {77, "missing number after '('"}, C = {77, "missing closing ')'"};
    // clang-format off
    const struct { const char *text, *tokens; std::vector<logged_msg_t> msgs; } cases[] = {
        {"", "", {}},             {"F(1.5e1)G(-0.25)X", "F(15)G(-0.25)X", {}},
        {"F(1.5)G(2,5)", "F(1.5)G(2)", {}}, {"F(x)", "Fx)", {N}}, {"F(2abc)G", "F(2)G", {}},
        {"F(", "F", {N}},         {"((2)", "(2)", {N}},         {"F(1)(2)", "F(1)(2)", {}},
        {"F(3)G(4", "F(3)G(4)", {C}}, {"F(x(2", "Fx(2)", {N, C}},
        {"\xe9(1)\x01\xff", "\xe9(1)\x01\xff", {}}};
    // clang-format on
    for (int pass = 0; pass < 2; pass++) {
        if (pass && !useCommaLocale()) GTEST_SKIP() << "no comma-decimal locale on this machine";
        for (const auto &c : cases) {
            traceLogClear();
            for (trace_t tr : {traceLog, (trace_t)NULL}) {
                tok_t *t = parseRule(c.text, 77, tr);
                EXPECT_EQ(tokString(t), c.tokens) << c.text;
                freeRule(t);
            }
            EXPECT_EQ(traceLogged(), c.msgs) << c.text;
        }
    }
    setlocale(LC_ALL, "C");
}

TEST(Model, InitSetsTheDefaults) {
    LsysPtr l(lsysInit());
    char got[200];
    lsysFormatf(got, sizeof got, "%.9g %.9g %.9g %.9g %.9g %.9g %u %u %u %p", l->recursion,
                l->angle, l->thickness, l->min_thickness, l->rand, l->trope, l->poly_limit,
                l->shape, l->token_limit, (void *)l->sink);
    EXPECT_STREQ(got, "1 45 100 0 6 0.200000003 500000 1 80000000 (nil)");
    EXPECT_EQ(std::count(l->rules, l->rules + LSYS_AXIOM, nullptr), LSYS_AXIOM);
    EXPECT_EQ(tokString(l->rules[LSYS_AXIOM]), "");
    EXPECT_EQ(memcmp(l->colors, defaultColors, sizeof defaultColors), 0);
    EXPECT_EQ(std::count(l->colors + 48, l->colors + LSYS_COLORS * 3, 0.0f), LSYS_COLORS * 3 - 48);
    lsysFree(NULL);
}

// A model with axiom Q(2)X and rules A=F+, X=F[-X]; and an empty one.
TEST(RuleQueries, ContainsAndFindProd) {
    LsysPtr e(lsysInit()), l(lsysInit());
    EXPECT_EQ(lsysContains(e.get(), "F+-[]"), -1);
    EXPECT_EQ(findProd(e.get(), e->rules[LSYS_AXIOM]), LSYS_AXIOM);
    freeRule(l->rules[LSYS_AXIOM]);
    const tok_t *ax = l->rules[LSYS_AXIOM] = parseRule("Q(2)X", 0, NULL);
    const tok_t *x = l->rules['X'] = parseRule("F[-X]", 0, NULL), copy = x[0];
    const tok_t *a = l->rules['A'] = parseRule("F+", 0, NULL);
    // clang-format off
    const struct { const char *set; int slot; } sets[] = {
        {"", -1}, {"F", 'A'}, {"-", 'X'}, {"[+", 'A'}, {"Q", LSYS_AXIOM}, {"(", LSYS_AXIOM},
        {"Z]", 'X'}, {"\xff", -1}};
    const struct { const tok_t *t; int slot; } toks[] = { // x + 5 and ax + 3 are the ends
        {x, 'X'}, {x + 5, 'X'}, {a, 'A'}, {ax, LSYS_AXIOM}, {ax + 3, LSYS_AXIOM}, {&copy, -1},
        {nullptr, -1}};
    // clang-format on
    for (const auto &c : sets)
        EXPECT_EQ(lsysContains(l.get(), c.set), c.slot) << c.set;
    for (const auto &c : toks)
        EXPECT_EQ(findProd(l.get(), c.t), c.slot) << &c - toks;
}

TEST(TraceStore, KeepsTheFirstTwelveCutToTheBufferAndCountsAll) {
    traceClear();
    for (int i = 0; i < 13; i++)
        EXPECT_EQ(traceHook(i - 3, "message %d of %s", i, "many"), i + 1);
    EXPECT_EQ(traceCount, 13);
    for (int i = 0; i < TRACE_STORE; i++)
        EXPECT_EQ(std::to_string(trace[i].code) + ": " + trace[i].text,
                  std::to_string(i - 3) + ": message " + std::to_string(i) + " of many");
    traceClear();
    EXPECT_EQ(traceCount, 0);
    EXPECT_EQ(std::count_if(trace, trace + TRACE_STORE, [](trace_msg_t m) { return m.text; }), 0);
    std::string text;
    for (size_t i = 0; i < 5000; i++)
        text += (char)('a' + i % 26);
    for (size_t length : {0, 253, 254, 255, 5000}) {
        traceClear();
        traceHook(5, "%s", text.substr(0, length).c_str());
        EXPECT_EQ(std::string(trace[0].text), text.substr(0, std::min<size_t>(length, 254)));
    }
    traceClear();
    if (!useCommaLocale()) GTEST_SKIP() << "no comma-decimal locale on this machine";
    traceHook(CODE_INFO, "time: %0.3fms", 1.5);
    setlocale(LC_ALL, "C");
    EXPECT_STREQ(trace[0].text, "time: 1.500ms");
    traceClear();
}
