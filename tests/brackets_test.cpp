// Bracket matching on one line, from the table tests/data/brackets/caret.txt; every partner
// found leads back to its bracket.
#include "brackets.h"
#include "rows.h"

#include <gtest/gtest.h>

#include <stdlib.h>

TEST(Brackets, PartnerAtCaret) {
    for (const row_t &r : dataRows("brackets/caret.txt")) {
        const int32_t len = int32_t(r[0].size());
        const bracket_pair_t p = bracketAtCaret(r[0].data(), len, atoi(r[1].c_str()));
        EXPECT_EQ(p.bracket, atoi(r[2].c_str())) << r[0] << " at " << r[1];
        EXPECT_EQ(p.partner, atoi(r[3].c_str())) << r[0] << " at " << r[1];
        if (p.partner >= 0) {
            EXPECT_EQ(bracketAtCaret(r[0].data(), len, p.partner).partner, p.bracket);
        }
    }
}
