/* Tests of the streaming expansion: the raw walk (levels, depth limit, lengths against closed
 * forms) and the simplifying iterator (binding, defaults, merges, counts, the token budget). */
#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <algorithm>
#include <string>

#include "lsys.h"
#include "model_from.h"

namespace {

/* The raw expansion as text, parameters as "(x)". */
std::string rawWalk(lsys_t *l, uint16_t maxDepth) {
    l->max_depth = maxDepth;
    initToken(l);
    std::string out;
    char buf[32];
    for (const tok_t *t = nextToken(l); t->cmd; t = nextToken(l)) {
        if (t->cmd == '(') {
            lsysFormatf(buf, sizeof buf, "(%g)", t->param);
            out += buf;
        } else {
            out += (char)t->cmd;
        }
    }
    return out;
}

/* Commands whose parameter the interpreter does not read are shown bare. */
bool showsParam(unsigned char c) {
    return !strchr(".([]{}|$%", c);
}

/* The simplified stream as "cmd param" words; '*' marks tokens of the last level. */
std::string simplified(lsys_t *l, uint16_t maxDepth, float angle, float length,
                       simple_tok_t *s = nullptr) {
    simple_tok_t local;
    if (!s) s = &local;
    l->max_depth = maxDepth;
    initSimplerToken(l, s);
    std::string out;
    char buf[48];
    while (nextSimplerToken(l, s, angle, length)) {
        if (!out.empty()) out += ' ';
        if (showsParam(s->cmd))
            lsysFormatf(buf, sizeof buf, "%c%g", s->cmd, s->param);
        else
            lsysFormatf(buf, sizeof buf, "%c", s->cmd);
        out += buf;
        if (s->last_level) out += '*';
    }
    return out;
}

struct SimpleCase {
    const char *axiom;
    float angle;
    const char *expected; /* at max_depth 1, so axiom tokens carry no '*' */
    uint32_t count;       /* 0: not checked */
    uint32_t tokens;
};

class SimplifyTable : public ::testing::TestWithParam<SimpleCase> {};

TEST_P(SimplifyTable, MergesAndDefaults) {
    const SimpleCase &c = GetParam();
    std::string text = std::string("axiom ") + c.axiom + "\n";
    LsysPtr l = modelFrom(text.c_str());
    simple_tok_t s;
    EXPECT_EQ(simplified(l.get(), 1, c.angle, 100.0f, &s), c.expected) << c.axiom;
    if (c.count) {
        EXPECT_EQ(s.count, c.count) << c.axiom;
        EXPECT_EQ(l->token_count, c.tokens) << c.axiom;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Expand, SimplifyTable,
    ::testing::Values(SimpleCase{"F+F", 45, "F100 +45 F100", 4, 3},
                      SimpleCase{"++-", 30, "+30", 2, 3}, SimpleCase{"+(10)-(5)", 30, "+5", 2, 4},
                      SimpleCase{"--", 30, "+-60", 0, 0},
                      SimpleCase{"-(0)", 30, "+-0", 0, 0}, /* sign flip: minus zero */
                      SimpleCase{"&^^", 20, "&-20", 0, 0}, SimpleCase{"<>>", 20, ">20", 0, 0},
                      SimpleCase{"+ABC-", 45, "+45 +-45", 6, 5}, /* a dropped symbol ends a run */
                      SimpleCase{"!!", 0, "!0.49", 0, 0}, SimpleCase{"?(2)", 0, "!2", 0, 0},
                      SimpleCase{"?", 0, "!1.42857", 0, 0}, SimpleCase{";(3)", 0, ":3", 0, 0},
                      SimpleCase{"\"(2)'", 0, "'1.8", 0, 0}, SimpleCase{"fz", 0, "f150", 2, 2},
                      SimpleCase{"zz(7)f", 0, "f157", 0, 0}, SimpleCase{"ZF", 0, "F50 F100", 3, 2},
                      SimpleCase{"Z(10)", 0, "F10", 0, 0}, SimpleCase{"gg(5)g", 0, "g205", 0, 0},
                      SimpleCase{"ccc", 0, "c-3", 0, 0}, SimpleCase{"c(5)c", 0, "c6", 0, 0},
                      SimpleCase{"cc(3)", 0, "c3", 0, 0}, SimpleCase{"X(5)F", 0, "F100", 3, 3},
                      SimpleCase{"..(2)", 0, ". (", 3, 3}, SimpleCase{"(5)F", 0, "( F100", 0, 0},
                      SimpleCase{"F(10)(20)", 0, "F10 (", 0, 0},
                      SimpleCase{"t~", 0, "t0.2 ~6", 0, 0},
                      SimpleCase{"t(1)~(2)", 0, "t1 ~2", 0, 0},
                      SimpleCase{"[F]{.}|$%", 0, "[ F100 ] { . } | $ %", 0, 0},
                      SimpleCase{"FF", 0, "F100 F100", 0, 0}, SimpleCase{"", 0, "", 1, 0}));

TEST(Expand, ReciprocalMergesUseDoublePrecisionFactors) {
    LsysPtr l = modelFrom("axiom :;'\"\n");
    simple_tok_t s;
    l->max_depth = 0;
    initSimplerToken(l.get(), &s);
    ASSERT_EQ(nextSimplerToken(l.get(), &s, 45, 100), 1);
    EXPECT_EQ(s.cmd, ':');
    EXPECT_EQ(s.param, (float)(0.9f * (1.0 / 0.9)));
    ASSERT_EQ(nextSimplerToken(l.get(), &s, 45, 100), 1);
    EXPECT_EQ(s.cmd, '\'');
    EXPECT_EQ(s.param, (float)(0.9f * (1.0 / 0.9)));
    EXPECT_EQ(nextSimplerToken(l.get(), &s, 45, 100), 0);
    EXPECT_EQ(nextSimplerToken(l.get(), &s, 45, 100), 0); /* stays at the end */
    EXPECT_EQ(s.count, 4u);
}

TEST(Expand, ParameterBindsAcrossRuleBoundaries) {
    struct {
        const char *text;
        const char *expected;
    } rows[] = {
        {"axiom X(5)\nrule X=F+\n", "F100* +5*"}, /* binds to the rule's last token */
        {"axiom A(7)\nrule A=F\n", "F7*"},
        {"axiom A(7)B\nrule A=F\nrule B=+\n", "F7* +45*"}, /* and not to the next rule */
        {"axiom F+X\nrule X=F-\n", "F100 +45 F100* +-45*"},
    };
    for (const auto &r : rows) {
        LsysPtr l = modelFrom(r.text);
        EXPECT_EQ(simplified(l.get(), 1, 45, 100), r.expected) << r.text;
    }
}

TEST(Expand, LevelsAndDepthLimit) {
    LsysPtr l = modelFrom("axiom X\nrule X=F[+X]\n");
    EXPECT_EQ(rawWalk(l.get(), 2), "F[+F[+X]]");
    EXPECT_EQ(l->token_count, 9u);
    EXPECT_EQ(rawWalk(l.get(), 0), "X");

    /* Depth 0: the axiom is delivered as written, all of it from the last level. */
    LsysPtr m = modelFrom("axiom F+F\nrule F=FF\n");
    EXPECT_EQ(simplified(m.get(), 0, 45, 100), "F100* +45* F100*");

    /* A self-rewriting rule at the deepest allowed level fills all 101 stack entries. */
    LsysPtr d = modelFrom("axiom X\nrule X=FX\n");
    d->max_depth = LSYS_MAX_DEPTH;
    initToken(d.get());
    int fs = 0, maxDepth = 0;
    const tok_t *t;
    while ((t = nextToken(d.get()))->cmd == 'F') {
        fs++;
        if (d->depth > maxDepth) maxDepth = d->depth;
    }
    EXPECT_EQ(fs, 100);
    EXPECT_EQ(t->cmd, 'X');
    EXPECT_EQ(d->depth, LSYS_STACK);
    EXPECT_EQ(nextToken(d.get())->cmd, 0);
    EXPECT_EQ(nextToken(d.get()), d->rules[LSYS_AXIOM] + 1); /* the axiom's end, again */

    /* A caller that asks for more levels than the stack holds gets the deepest it can hold. */
    d->max_depth = 500;
    EXPECT_EQ(rawWalk(d.get(), 500), std::string(100, 'F') + "X");
}

TEST(Expand, LengthsMatchClosedForms) {
    LsysPtr l = modelFrom("axiom F\nrule F=F[+F]F[-F]F\n");
    LsysPtr x = modelFrom("axiom X\nrule X=XX\n");
    uint32_t five = 1, two = 1;
    for (uint16_t n = 0; n <= 6; n++) {
        std::string s = rawWalk(l.get(), n);
        size_t fs = std::count(s.begin(), s.end(), 'F');
        EXPECT_EQ(fs, five) << n;
        EXPECT_EQ(l->token_count, s.size());
        five *= 5;
    }
    for (uint16_t n = 0; n <= 20; n++) {
        x->max_depth = n;
        initToken(x.get());
        while (nextToken(x.get())->cmd) {
        }
        EXPECT_EQ(x->token_count, two) << n;
        two *= 2;
    }
}

/* Rules a..z, A..F, each doubling into the next, the last one empty: 2^31 rewrites, no token. */
std::string emptyChain() {
    const char *names = "abcdefghijklmnopqrstuvwxyzABCDEF";
    std::string text = "axiom a\n";
    for (size_t i = 0; names[i + 1]; i++)
        text += std::string("rule ") + names[i] + "=" + names[i + 1] + names[i + 1] + "\n";
    return text + "rule F=\n";
}

TEST(Expand, BudgetEndsRunawayWalksInsideOneCall) {
    /* X=XX only drops tokens, +=++ only merges them, the chain only rewrites: none of them
     * would return from one call. */
    const std::string texts[] = {"axiom X\nrule X=XX\n", "axiom +\nrule +=++\n",
                                 "axiom f\nrule f=ff\n", "axiom .\nrule .=..\n",
                                 "axiom c\nrule c=cc\n", emptyChain()};
    for (const std::string &text : texts) {
        LsysPtr l = modelFrom(text.c_str());
        l->token_limit = 100000;
        l->max_depth = 60;
        simple_tok_t s;
        initSimplerToken(l.get(), &s);
        while (nextSimplerToken(l.get(), &s, 45, 100)) {
        }
        EXPECT_LE(l->token_count, l->token_limit + 1) << text;
        EXPECT_LE(l->rewrite_count, l->token_limit + 1) << text;
        EXPECT_TRUE(l->token_count > l->token_limit || l->rewrite_count > l->token_limit) << text;
        EXPECT_EQ(nextToken(l.get()), l->rules[LSYS_AXIOM] + 1) << text; /* the walk is over */
    }

    /* Within the budget the walk is whole: 2^16 X's at depth 16 with a budget of exactly that. */
    LsysPtr l = modelFrom("axiom X\nrule X=XX\n");
    l->token_limit = 65536;
    EXPECT_EQ(rawWalk(l.get(), 16), std::string(65536, 'X'));
    EXPECT_EQ(l->rewrite_count, 65535u);
}

} // namespace
