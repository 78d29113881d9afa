// Tests of the description parser.
#include "engine_test.h"

static std::string fields(const lsys_t *l) {
    char buf[200];
    static const char fmt[] = "recursion=%g angle=%g thickness=%g min_thickness=%g rand=%g "
                              "trope=%g poly_limit=%u shape=%u token_limit=%u";
    lsysFormatf(buf, sizeof buf, fmt, l->recursion, l->angle, l->thickness, l->min_thickness,
                l->rand, l->trope, l->poly_limit, l->shape, l->token_limit);
    std::string s = buf;
    for (int i = 0; i < LSYS_COLORS; i++) {
        const float *c = l->colors + 3 * i;
        s += (lsysFormatf(buf, sizeof buf, " color%d=%g,%g,%g", i, c[0], c[1], c[2]), buf);
    }
    return s;
}

// The settings that differ from a fresh model's, then the axiom and every rule in slot order.
static std::string summary(const lsys_t *l) {
    LsysPtr d(lsysInit());
    std::istringstream got(fields(l)), fresh(fields(d.get()));
    std::string s, a, b;
    while (got >> a && fresh >> b)
        if (a != b) s += a + " ";
    s += "axiom='" + tokString(l->rules[LSYS_AXIOM]) + "'";
    for (int i = 0; i < LSYS_AXIOM; i++)
        if (l->rules[i]) s += std::string(" ") + (char)i + "='" + tokString(l->rules[i]) + "'";
    return s;
}

// Rows of parse/table.txt: a description, the model it gives and its messages; the table again
// under a comma-decimal locale, where numbers keep their decimal point.
TEST(Parse, Table) {
    const auto rows = dataRows("parse/table.txt");
    for (int pass = 0; pass < 2; pass++) {
        if (pass && !useCommaLocale()) GTEST_SKIP() << "no comma-decimal locale on this machine";
        for (const auto &r : rows) {
            LsysPtr l(lsysInit());
            traceLogClear();
            lsysParse(l.get(), traceLog, r[0].c_str());
            std::vector<logged_msg_t> want;
            for (size_t i = 2; i < r.size(); i++)
                want.push_back({atoi(r[i].c_str()), r[i].substr(r[i].find(':') + 1)});
            EXPECT_EQ(summary(l.get()), r[1]) << r[0].substr(0, 80);
            EXPECT_EQ(traceLogged(), want) << r[0].substr(0, 80);
        }
    }
    setlocale(LC_ALL, "C");
}
