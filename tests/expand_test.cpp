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
