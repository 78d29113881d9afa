// Tests of the streaming expansion: the simplifying iterator over the raw walk, and its budget.
#include "engine_test.h"

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

// Rows of expand/simplified.txt: an axiom, an angle, the stream, count and tokens (unless 0),
// and the depth (1 unless given).
TEST(Expand, SimplifiedStream) {
    for (const auto &r : dataRows("expand/simplified.txt")) {
        LsysPtr l = modelFrom("axiom " + r[0]);
        simple_tok_t s;
        const uint32_t count = (uint32_t)atoi(r[3].c_str()), tokens = (uint32_t)atoi(r[4].c_str());
        const uint16_t depth = r.size() > 5 ? (uint16_t)atoi(r[5].c_str()) : 1;
        EXPECT_EQ(simplified(l.get(), depth, strtof(r[1].c_str(), nullptr), &s), r[2]) << r[0];
        EXPECT_EQ(count ? s.count : 0, count) << r[0];
        EXPECT_EQ(count ? l->token_count : 0, tokens) << r[0];
        EXPECT_EQ(nextSimplerToken(l.get(), &s, 45, 100), 0) << r[0]; // stays at the end
    }
}

// Catches walks that only drop, merge or rewrite running past the budget inside one call. The
// last text's rules a..z, A..F each double into the next, the last empty: 2^31 bodies and no
// token.
TEST(Expand, BudgetEndsRunawayWalksInsideOneCall) {
    std::string chain = "axiom a\nrule F=\n", names = "abcdefghijklmnopqrstuvwxyzABCDEF";
    for (size_t i = 0; i + 1 < names.size(); i++)
        chain += "rule " + names.substr(i, 1) + "=" + names.substr(i + 1, 1) + names[i + 1] + "\n";
    const std::string texts[] = {"axiom X\nrule X=XX\n", "axiom +\nrule +=++\n",
                                 "axiom f\nrule f=ff\n", "axiom .\nrule .=..\n",
                                 "axiom c\nrule c=cc\n", chain};
    simple_tok_t s;
    for (const std::string &text : texts) {
        LsysPtr l = modelFrom(text);
        l->token_limit = 100000;
        simplified(l.get(), 60, 45, &s);
        EXPECT_LE(l->token_count, l->token_limit + 1) << text;
        EXPECT_LE(l->rewrite_count, l->token_limit + 1) << text;
        EXPECT_TRUE(l->token_count > l->token_limit || l->rewrite_count > l->token_limit) << text;
        EXPECT_EQ(nextToken(l.get()), l->rules[LSYS_AXIOM] + 1) << text; // the walk is over
    }
    // Within the budget the walk is whole.
    LsysPtr l = modelFrom("axiom X\nrule X=XX\n");
    l->token_limit = 65536;
    simplified(l.get(), 16, 45, &s);
    EXPECT_EQ(l->token_count, 65536u);
    EXPECT_EQ(l->rewrite_count, 65535u);
}
