/* Tests of the model record, the rule-body tokenizer, the rule queries and the message store. */
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "comma_locale.h"
#include "lsys.h"
#include "tok_string.h"
#include "trace_log.h"

namespace {

struct RuleCase {
    const char *text;
    const char *tokens; /* tokString of the result */
    std::vector<logged_msg_t> msgs;
};

const std::vector<RuleCase> kRuleCases = {
    {"", "", {}},
    {"F+F", "F+F", {}},
    {"F(2)X", "F(2)X", {}},
    {"F(1.5e1)", "F(15)", {}},
    {"F(-0.25)", "F(-0.25)", {}},
    {"F(x)", "Fx)", {{77, "missing number after '('"}}},
    {"F(2", "F(2)", {{77, "missing closing ')'"}}},
    {"F(2abc)G", "F(2)G", {}},
    {"()", ")", {{77, "missing number after '('"}}},
    {"(", "", {{77, "missing number after '('"}}},
    {"F(", "F", {{77, "missing number after '('"}}},
    {"((2)", "(2)", {{77, "missing number after '('"}}},
    {"F(1)(2)", "F(1)(2)", {}},
    {"F(2)G)", "F(2)G)", {}},
    {"F(3)G(4", "F(3)G(4)", {{77, "missing closing ')'"}}},
    {"(x(y", "xy", {{77, "missing number after '('"}, {77, "missing number after '('"}}},
    {"\xe9(1)\x01\xff", "\xe9(1)\x01\xff", {}},
};

TEST(ParseRule, TokenizesBodiesAndReportsBadParameters) {
    for (const auto &c : kRuleCases) {
        SCOPED_TRACE(c.text);
        traceLogClear();
        tok_t *t = parseRule(c.text, 77, traceLog);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(tokString(t), c.tokens);
        EXPECT_EQ(traceLogged(), c.msgs);
        freeRule(t);
    }
}

TEST(ParseRule, ToleratesAMissingCallback) {
    tok_t *t = parseRule("F(x(2", 0, NULL);
    EXPECT_EQ(tokString(t), "Fx(2)");
    freeRule(t);
}

TEST(ParseRule, ReadsNumbersWithADecimalPointUnderACommaLocale) {
    CommaLocaleScope scope;
    if (!scope.active()) GTEST_SKIP() << "no comma-decimal locale on this machine";
    ASSERT_STREQ(localeconv()->decimal_point, ",");
    float probe = 0;
    ASSERT_EQ(sscanf("1.5", "%f", &probe), 1);
    ASSERT_EQ(probe, 1.0f) << "the locale should stop the C library at the point";

    tok_t *t = parseRule("F(1.5)G(2,5)", 0, traceLog);
    EXPECT_EQ(tokString(t), "F(1.5)G(2)");
    freeRule(t);
}

TEST(Model, InitSetsTheDefaults) {
    lsys_t *l = lsysInit();
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->recursion, 1.0f);
    EXPECT_EQ(l->angle, 45.0f);
    EXPECT_EQ(l->thickness, 100.0f);
    EXPECT_EQ(l->min_thickness, 0.0f);
    EXPECT_EQ(l->rand, 6.0f);
    EXPECT_EQ(l->trope, 0.2f);
    EXPECT_EQ(l->poly_limit, 500000u);
    EXPECT_EQ(l->shape, 1u);
    EXPECT_EQ(l->token_limit, LSYS_DEFAULT_TOKEN_LIMIT);
    EXPECT_EQ(l->sink, nullptr);
    for (int i = 0; i < LSYS_AXIOM; i++)
        EXPECT_EQ(l->rules[i], nullptr) << i;
    ASSERT_NE(l->rules[LSYS_AXIOM], nullptr);
    EXPECT_EQ(l->rules[LSYS_AXIOM][0].cmd, 0);
    lsysFree(l);
}

TEST(Model, ColourTableStartsFromTheSixteenDefaults) {
    static const float expected[16][3] = {
        {0.5f, 0.5f, 0.5f}, {0.3f, 0.3f, 0.3f}, {0.8f, 0.4f, 0.4f}, {0.8f, 0.8f, 0.4f},
        {0.4f, 0.8f, 0.4f}, {0.4f, 0.8f, 0.8f}, {0.4f, 0.4f, 0.8f}, {0.8f, 0.4f, 0.8f},
        {0.2f, 0.5f, 0.2f}, {0.2f, 0.5f, 0.5f}, {0.2f, 0.2f, 0.5f}, {0.5f, 0.2f, 0.5f},
        {0.6f, 0.2f, 0.2f}, {0.5f, 0.5f, 0.5f}, {0.7f, 0.7f, 0.7f}, {0.9f, 0.9f, 0.9f}};
    lsys_t *l = lsysInit();
    ASSERT_NE(l, nullptr);
    for (int i = 0; i < LSYS_COLORS; i++) {
        for (int k = 0; k < 3; k++) {
            float want = i < 16 ? expected[i][k] : 0.0f;
            EXPECT_EQ(l->colors[3 * i + k], want) << "entry " << i << " channel " << k;
            if (i < 16) {
                EXPECT_EQ(defaultColors[i][k], want);
            }
        }
    }
    lsysFree(l);
}

TEST(Model, FreeAcceptsNull) {
    lsysFree(NULL);
}

/* A model with hand-made rules: A=F+, X=F[-X], axiom Q(2)X. */
struct RulesFixture : ::testing::Test {
    lsys_t *l = nullptr;
    void SetUp() override {
        l = lsysInit();
        ASSERT_NE(l, nullptr);
        freeRule(l->rules[LSYS_AXIOM]);
        l->rules[LSYS_AXIOM] = parseRule("Q(2)X", 0, traceLog);
        l->rules['X'] = parseRule("F[-X]", 0, traceLog);
        l->rules['A'] = parseRule("F+", 0, traceLog);
    }
    void TearDown() override { lsysFree(l); }
};

TEST_F(RulesFixture, ContainsFindsTheLowestSlotUsingTheSet) {
    struct {
        const char *set;
        int slot;
    } cases[] = {
        {"", -1},          {"F", 'A'}, {"-", 'X'},  {"[+", 'A'},  {"Q", LSYS_AXIOM},
        {"(", LSYS_AXIOM}, {"Z", -1},  {"Z]", 'X'}, {"\xff", -1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.set);
        EXPECT_EQ(lsysContains(l, c.set), c.slot);
    }
}

TEST_F(RulesFixture, FindProdMapsATokenAddressToItsSlot) {
    const tok_t *x = l->rules['X'];
    const tok_t *axiom = l->rules[LSYS_AXIOM];
    tok_t copy = x[0];
    struct {
        const tok_t *t;
        int slot;
    } cases[] = {
        {x, 'X'},
        {x + 2, 'X'},
        {x + 5, 'X'} /* end token */,
        {l->rules['A'] + 2, 'A'},
        {axiom, LSYS_AXIOM},
        {axiom + 3, LSYS_AXIOM} /* end */,
        {&copy, -1},
        {nullptr, -1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(findProd(l, c.t), c.slot);
}

TEST(RuleQueries, EmptyModelMatchesNothing) {
    lsys_t *l = lsysInit();
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(lsysContains(l, "F+-[]"), -1);
    EXPECT_EQ(findProd(l, l->rules[LSYS_AXIOM]), LSYS_AXIOM);
    lsysFree(l);
}

struct TraceStore : ::testing::Test {
    void SetUp() override { traceClear(); }
    void TearDown() override { traceClear(); }
};

TEST_F(TraceStore, KeepsTheFirstTwelveAndCountsAll) {
    for (int i = 0; i < 13; i++)
        EXPECT_EQ(traceHook(i - 3, "message %d of %s", i, "many"), i + 1);
    EXPECT_EQ(traceCount, 13);
    for (int i = 0; i < TRACE_STORE; i++) {
        EXPECT_EQ(trace[i].code, i - 3);
        ASSERT_NE(trace[i].text, nullptr);
        EXPECT_EQ(std::string(trace[i].text), "message " + std::to_string(i) + " of many");
    }
    traceClear();
    EXPECT_EQ(traceCount, 0);
    for (int i = 0; i < TRACE_STORE; i++)
        EXPECT_EQ(trace[i].text, nullptr);

    /* After emptying, storing starts again at entry 0. */
    EXPECT_EQ(traceHook(CODE_EXEC, "stack [] overflow - %d", 1024), 1);
    EXPECT_EQ(trace[0].code, CODE_EXEC);
    EXPECT_STREQ(trace[0].text, "stack [] overflow - 1024");
}

TEST_F(TraceStore, CutsLongTextsTo254Characters) {
    struct {
        size_t length, kept;
    } cases[] = {{0, 0}, {253, 253}, {254, 254}, {255, 254}, {300, 254}, {5000, 254}};
    for (const auto &c : cases) {
        traceClear();
        std::string text(c.length, 'x');
        for (size_t i = 0; i < c.length; i++)
            text[i] = (char)('a' + i % 26);
        traceHook(5, "%s", text.c_str());
        ASSERT_NE(trace[0].text, nullptr);
        EXPECT_EQ(std::string(trace[0].text), text.substr(0, c.kept)) << c.length;
    }
}

TEST_F(TraceStore, FormatsNumbersWithADecimalPointUnderACommaLocale) {
    CommaLocaleScope scope;
    if (!scope.active()) GTEST_SKIP() << "no comma-decimal locale on this machine";
    char probe[16];
    snprintf(probe, sizeof probe, "%0.1f", 1.5);
    ASSERT_STREQ(probe, "1,5");
    traceHook(CODE_INFO, "time: %0.3fms", 1.5);
    EXPECT_STREQ(trace[0].text, "time: 1.500ms");
}

} // namespace
