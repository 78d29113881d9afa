// Tests of the streaming expansion: the raw walk and the simplifying iterator.
#include "engine_test.h"

static std::string rawWalk(lsys_t *l, uint16_t maxDepth) {
    l->max_depth = maxDepth;
    initToken(l);
    std::vector<tok_t> toks;
    for (const tok_t *t = nextToken(l); t->cmd; t = nextToken(l))
        toks.push_back(*t);
    toks.push_back({0, 0});
    return tokString(toks.data());
}

// The simplified stream as "cmd param" words (no unread parameters); '*' marks the last level.
static std::string simplified(lsys_t *l, uint16_t maxDepth, float angle, simple_tok_t *s) {
    l->max_depth = maxDepth;
    initSimplerToken(l, s);
    std::string out;
    for (char buf[48]; nextSimplerToken(l, s, angle, 100.0f);) {
        const bool bare = strchr(".([]{}|$%", s->cmd);
        lsysFormatf(buf, sizeof buf, bare ? " %c" : " %c%.8g", s->cmd, s->param);
        out += buf + std::string(s->last_level ? "*" : "");
    }
    return out.empty() ? out : out.substr(1);
}

// Rows are "axiom " + text; count and tokens (s.count and token_count) are checked unless 0.
TEST(Expand, SimplifiedStream) {
    // clang-format off
    const struct { const char *text; float angle; const char *want; uint32_t count, tokens; }
    rows[] = {
        {"F+F", 45, "F100 +45 F100", 4, 3}, {"++-", 30, "+30", 2, 3}, {"+(10)-(5)", 30, "+5", 2, 4},
        {"-(0)", 30, "+-0", 0, 0}, // minus zero
        {"&^^", 20, "&-20", 0, 0},  {"<>>", 20, ">20", 0, 0},
        {"+ABC-", 45, "+45 +-45", 6, 5}, // a dropped symbol ends a run
        {"!!", 0, "!0.48999998", 0, 0}, {"?(2)", 0, "!2", 0, 0}, {"?", 0, "!1.4285715", 0, 0},
        {":;'\"", 0, ":1 '1", 3, 4}, // reciprocal factors in double precision: exactly 1
        {";(3)", 0, ":3", 0, 0},    {"\"(2)'", 0, "'1.8", 0, 0},
        {"zz(7)f", 0, "f157", 0, 0}, {"ZF", 0, "F50 F100", 3, 2}, {"Z(10)", 0, "F10", 0, 0},
        {"gg(5)g", 0, "g205", 0, 0}, {"ccc", 0, "c-3", 0, 0},    {"c(5)c", 0, "c6", 0, 0},
        {"cc(3)", 0, "c3", 0, 0},   {"X(5)F", 0, "F100", 3, 3},  {"..(2)", 0, ". (", 3, 3},
        {"(5)F", 0, "( F100", 0, 0}, {"t~", 0, "t0.2 ~6", 0, 0},
        {"t(1)~(2)", 0, "t1 ~2", 0, 0}, {"[F]{.}|$%", 0, "[ F100 ] { . } | $ %", 0, 0},
        {"", 0, "", 1, 0},
        // a parameter binds to the last token of a rule's body, not to the next rule
        {"X(5)\nrule X=F+", 45, "F100* +5*", 0, 0},
        {"A(7)B\nrule A=F\nrule B=+", 45, "F7* +45*", 0, 0},
        {"F+X\nrule X=F-", 45, "F100 +45 F100* +-45*", 0, 0}};
    // clang-format on
    for (const auto &r : rows) {
        LsysPtr l = modelFrom(std::string("axiom ") + r.text);
        simple_tok_t s;
        EXPECT_EQ(simplified(l.get(), 1, r.angle, &s), r.want) << r.text;
        EXPECT_EQ(r.count ? s.count : 0, r.count) << r.text;
        EXPECT_EQ(r.count ? l->token_count : 0, r.tokens) << r.text;
        EXPECT_EQ(nextSimplerToken(l.get(), &s, 45, 100), 0) << r.text; // stays at the end
    }
    // Depth 0: the axiom is delivered as written, all of it from the last level.
    LsysPtr l = modelFrom("axiom F+F\nrule F=FF\n");
    simple_tok_t s;
    EXPECT_EQ(simplified(l.get(), 0, 45, &s), "F100* +45* F100*");
}

TEST(Expand, LevelsAndDepthLimit) {
    LsysPtr l = modelFrom("axiom X\nrule X=F[+X]\n");
    EXPECT_EQ(rawWalk(l.get(), 2), "F[+F[+X]]");
    EXPECT_EQ(l->token_count, 9u);
    EXPECT_EQ(rawWalk(l.get(), 0), "X");
    // More levels than the stack holds give the deepest it holds: the axiom and 100 more.
    LsysPtr d = modelFrom("axiom X\nrule X=FX\n");
    EXPECT_EQ(rawWalk(d.get(), 500), std::string(100, 'F') + "X");
}

// Catches walks that only drop, merge or rewrite running past the budget inside one call.
TEST(Expand, BudgetEndsRunawayWalksInsideOneCall) {
    const std::string texts[] = {"axiom X\nrule X=XX\n", "axiom +\nrule +=++\n",
                                 "axiom f\nrule f=ff\n", "axiom .\nrule .=..\n",
                                 "axiom c\nrule c=cc\n", emptyChain()};
    for (const std::string &text : texts) {
        LsysPtr l = modelFrom(text);
        l->token_limit = 100000;
        simple_tok_t s;
        simplified(l.get(), 60, 45, &s);
        EXPECT_LE(l->token_count, l->token_limit + 1) << text;
        EXPECT_LE(l->rewrite_count, l->token_limit + 1) << text;
        EXPECT_TRUE(l->token_count > l->token_limit || l->rewrite_count > l->token_limit) << text;
        EXPECT_EQ(nextToken(l.get()), l->rules[LSYS_AXIOM] + 1) << text; // the walk is over
    }
    // Within the budget the walk is whole.
    LsysPtr l = modelFrom("axiom X\nrule X=XX\n");
    l->token_limit = 65536;
    EXPECT_EQ(rawWalk(l.get(), 16), std::string(65536, 'X'));
    EXPECT_EQ(l->rewrite_count, 65535u);
}
