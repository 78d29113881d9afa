// Tests of the streaming expansion: the raw walk and the simplifying iterator.
#include "engine_test.h"
#include "table.h"

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

// Rows of expand/simplified.tsv: an axiom, an angle, the stream, count and tokens (unless 0).
TEST(Expand, SimplifiedStream) {
    const auto rows = readTable("expand/simplified.tsv");
    ASSERT_GE(rows.size(), 25u);
    for (const auto &r : rows) {
        LsysPtr l = modelFrom("axiom " + r[0]);
        simple_tok_t s;
        const uint32_t count = (uint32_t)atoi(r[3].c_str()), tokens = (uint32_t)atoi(r[4].c_str());
        EXPECT_EQ(simplified(l.get(), 1, strtof(r[1].c_str(), nullptr), &s), r[2]) << r[0];
        EXPECT_EQ(count ? s.count : 0, count) << r[0];
        EXPECT_EQ(count ? l->token_count : 0, tokens) << r[0];
        EXPECT_EQ(nextSimplerToken(l.get(), &s, 45, 100), 0) << r[0]; // stays at the end
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
