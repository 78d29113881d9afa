/* Tests of the description parser: each row is a text, the model it must give (as a summary of
 * every field that differs from a fresh model, plus the axiom and the rules) and the messages
 * with their position codes. */
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "comma_locale.h"
#include "lsys.h"
#include "tok_string.h"
#include "trace_log.h"

namespace {

std::string num(double v) {
    char buf[64];
    lsysFormatf(buf, sizeof buf, "%g", v);
    return buf;
}

/* "field=value" for each setting that differs from lsysInit's, then the changed colour
 * entries, the axiom and every rule in slot order. */
std::string summary(const lsys_t *l) {
    const lsys_t *d = lsysInit();
    std::string s;
    auto f = [&s](const char *name, double v, double def) {
        if (v != def) s += std::string(name) + "=" + num(v) + " ";
    };
    f("recursion", l->recursion, d->recursion);
    f("angle", l->angle, d->angle);
    f("thickness", l->thickness, d->thickness);
    f("min_thickness", l->min_thickness, d->min_thickness);
    f("rand", l->rand, d->rand);
    f("trope", l->trope, d->trope);
    auto u = [&s](const char *name, uint32_t v, uint32_t def) {
        if (v != def) s += std::string(name) + "=" + std::to_string(v) + " ";
    };
    u("poly_limit", l->poly_limit, d->poly_limit);
    u("shape", l->shape, d->shape);
    u("token_limit", l->token_limit, d->token_limit);
    for (int i = 0; i < LSYS_COLORS; i++) {
        const float *c = l->colors + 3 * i, *e = d->colors + 3 * i;
        if (c[0] != e[0] || c[1] != e[1] || c[2] != e[2])
            s += "color" + std::to_string(i) + "=" + num(c[0]) + "," + num(c[1]) + "," + num(c[2]) +
                 " ";
    }
    s += "axiom='" + tokString(l->rules[LSYS_AXIOM]) + "'";
    for (int i = 0; i < LSYS_AXIOM; i++)
        if (l->rules[i]) s += std::string(" ") + (char)i + "='" + tokString(l->rules[i]) + "'";
    lsysFree((lsys_t *)d);
    return s;
}

struct ParseCase {
    const char *name;
    std::string text;
    std::string model;
    std::vector<logged_msg_t> msgs;
};

const logged_msg_t kNoAxiom = {CODE_NOLINE, "no axiom"};

std::string firstRuleAxiom(char c) {
    return std::string("will use first rule '") + c + "' as axiom";
}

const std::vector<ParseCase> kCases = {
    {"empty text", "", "axiom=''", {kNoAxiom}},
    {"only blanks and comments", " \t\n# hello\n\r\n  # x\n", "axiom=''", {kNoAxiom}},
    {"positional example",
     "12\n20\n30\nX\nX=F[+X]F[-X]+X\nF=FF\n@\nrule Y=junk\n",
     "recursion=12 angle=20 thickness=30 axiom='X' F='FF' X='F[+X]F[-X]+X'",
     {}},
    {"keyword example in another order",
     "rule X=F[+X]F[-X]+X\nthickness 30\naxiom X\nangle 20\nrule F=FF\nrecursion 12\n",
     "recursion=12 angle=20 thickness=30 axiom='X' F='FF' X='F[+X]F[-X]+X'",
     {}},
    {"keyword moves the position",
     "angle 30\n5\nF\nX=F\n",
     "angle=30 thickness=5 axiom='F' X='F'",
     {}},
    {"positional keyword continues from its item",
     "thickness 7\nF+F\n3\n",
     "thickness=7 axiom='F+F'",
     {{16, "expected a rule"}}},
    {"word followed by '=' is no keyword", "angle=30\n2\n", "angle=2 axiom=''", {kNoAxiom}},
    {"blanks inside an item are removed",
     "angle 3 0\n1\t2\nF + F\x01[ - F ]\n",
     "angle=30 thickness=12 axiom='F+F[-F]'",
     {}},
    {"bare keyword is an item", "1\n2\n3\naxiom\n", "angle=2 thickness=3 axiom='axiom'", {}},
    {"short first word is an item", "1\n2\n3\nFF X\n", "angle=2 thickness=3 axiom='FFX'", {}},
    {"keyword needs a blank after it",
     "recursion\t5\nangle5\n",
     "recursion=5 axiom=''",
     {kNoAxiom}},
    {"unknown keyword words",
     "1\n2\n3\nF\nAbc =F\ncolour 1 2 3 4\nABC=F\n",
     "angle=2 thickness=3 axiom='F' A='F'",
     {{8, "ignoring unknown command 'Abc' =F"},
      {15, "ignoring unknown command 'colour' 1 2 3 4"},
      {30, "naming rule 'ABC' as just 'A'"}}},
    {"unknown keyword keeps further blanks of its argument",
     "Foo   a  b\n",
     "axiom=''",
     {{0, "ignoring unknown command 'Foo'   a  b"}, kNoAxiom}},
    {"settings",
     "min_thickness 0.5\ntrope -1e-1\nrand 12.5 degrees\nshape 2.5\n",
     "min_thickness=0.5 rand=12.5 trope=-0.1 shape=2 axiom=''",
     {kNoAxiom}},
    {"settings that do not convert keep their values",
     "poly_limit abc\nshape x1\ntrope .\nmin_thickness -\n",
     "axiom=''",
     {kNoAxiom}},
    {"integers are stored as unsigned 32 bits",
     "poly_limit -1\nshape -2\ntoken_limit 1000\n",
     "poly_limit=4294967295 shape=4294967294 token_limit=1000 axiom=''",
     {kNoAxiom}},
    {"token_limit takes an integer like poly_limit",
     "token_limit 12.9\npoly_limit  +7x\n",
     "poly_limit=7 token_limit=12 axiom=''",
     {kNoAxiom}},
    {"colours",
     "color 3 255 0 0\ncolor 100 0 51 255\ncolor 0 -255 510 1\n",
     "color0=-1,2,0.00392157 color3=1,0,0 color100=0,0.2,1 axiom=''",
     {kNoAxiom}},
    {"bad colours",
     "color 101 0 0 0\ncolor -1 0 0 0\ncolor 1 2 3\ncolor x\ncolor 4 1 2 3 extra\n",
     "color4=0.00392157,0.00784314,0.0117647 axiom=''",
     {{0, "ignoring color 101 - out of range 0..100"},
      {16, "ignoring color -1 - out of range 0..100"},
      {31, "ignoring malformed color '1 2 3'"},
      {43, "ignoring malformed color 'x'"},
      kNoAxiom}},
    {"rule names",
     "axiom Y\nrule Xa=F\nrule X==F\nrule Y==\n",
     "axiom='Y' X='F' Y='='",
     {{8, "naming rule 'Xa' as just 'X'"}, {18, "ignoring redefined rule 'X'"}}},
    {"empty body", "axiom A\nA=\n", "axiom='A' A=''", {}},
    {"redefined rule keeps the first",
     "axiom X\nX=F\nX=G\n",
     "axiom='X' X='F'",
     {{12, "ignoring redefined rule 'X'"}}},
    {"extra axiom",
     "1\n2\n3\nA\naxiom B\n",
     "angle=2 thickness=3 axiom='A'",
     {{8, "ignoring extra axiom"}}},
    {"rule without '='",
     "axiom F\nrule F\nG\n",
     "axiom='F'",
     {{8, "expected a rule"}, {15, "expected a rule"}}},
    {"first rule becomes the axiom",
     "rule B=F\nrule A=G\n",
     "axiom='B' A='G' B='F'",
     {{CODE_NOLINE, firstRuleAxiom('B')}}},
    {"first rule counts even when misnamed",
     "rule Qz=F\n",
     "axiom='Q' Q='F'",
     {{0, "naming rule 'Qz' as just 'Q'"}, {CODE_NOLINE, firstRuleAxiom('Q')}}},
    {"comment cuts the line", "axiom X # start\nF=F+F # grow\n#X=G\n", "axiom='X' F='F+F'", {}},
    {"end marker stops reading", "axiom F\n  @  \nrule F=G\nnonsense here\n", "axiom='F'", {}},
    {"'@' with more text is no end marker",
     "axiom F\n@ x\nrule X=G\n",
     "axiom='F' X='G'",
     {{8, "expected a rule"}}},
    {"parameter messages carry the line position",
     "axiom F(x\nrule G=F(2\n",
     "axiom='Fx' G='F(2)'",
     {{0, "missing number after '('"}, {10, "missing closing ')'"}}},
    {"messages of one line come in text order",
     "axiom A\nAb=F(\n",
     "axiom='A' A='F'",
     {{8, "naming rule 'Ab' as just 'A'"}, {8, "missing number after '('"}}},
    {"numbers read as sscanf reads them",
     "1.5e1x\n-.5\n+2.\n",
     "recursion=15 angle=-0.5 thickness=2 axiom=''",
     {kNoAxiom}},
    {"CR LF line ends",
     "12\r\n\r\n20\r\n30\r\nX\r\nX=(\r\n",
     "recursion=12 angle=20 thickness=30 axiom='X' X=''",
     {{17, "missing number after '('"}}},
    {"CR line ends",
     "12\r\r20\r30\rX\rX=(\r",
     "recursion=12 angle=20 thickness=30 axiom='X' X=''",
     {{12, "missing number after '('"}}},
    {"mixed line ends",
     "1\n\r\n\r2\r\n3\n\nX\r\r\n\nX=(",
     "angle=2 thickness=3 axiom='X' X=''",
     {{16, "missing number after '('"}}},
    {"high and control characters",
     "axiom \xe9\x7f\n\xe9=\xff(1)\x01Q\n\x80\x90 \xa0\n",
     "axiom='\xe9\x7f' \xe9='\xff(1)Q'",
     {{18, "expected a rule"}}},
    {"keyword left alone by a comment is an item",
     "axiom \t # none\n1\n",
     "angle=1 axiom=''",
     {kNoAxiom}},
};

TEST(Parse, Table) {
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.name);
        lsys_t *l = lsysInit();
        ASSERT_NE(l, nullptr);
        traceLogClear();
        lsysParse(l, traceLog, c.text.c_str());
        EXPECT_EQ(summary(l), c.model);
        EXPECT_EQ(traceLogged(), c.msgs);
        lsysFree(l);
    }
}

/* Lines over 1000 characters continue as lines of their own, 1000 characters apart. */
TEST(Parse, LongLinesAreCutEvery1000Characters) {
    std::string head = "axiom A\n"; /* the long line starts at 8 */
    std::string chunk1 = "B=" + std::string(998, 'F');
    std::string chunk2 = "C=" + std::string(998, 'G');
    std::string chunk3 = std::string(500, 'Q'); /* no '=' */
    std::string text = head + chunk1 + chunk2 + chunk3 + "\nD=(\n";

    lsys_t *l = lsysInit();
    traceLogClear();
    lsysParse(l, traceLog, text.c_str());
    EXPECT_EQ(tokString(l->rules['B']), std::string(998, 'F'));
    EXPECT_EQ(tokString(l->rules['C']), std::string(998, 'G'));
    ASSERT_NE(l->rules['D'], nullptr);
    std::vector<logged_msg_t> want = {{2008, "expected a rule"},
                                      {2509, "missing number after '('"}};
    EXPECT_EQ(traceLogged(), want);
    lsysFree(l);
}

TEST(Parse, LineOfExactly1000CharactersKeepsItsLineEnd) {
    std::string text = "axiom A\nB=" + std::string(998, 'F') + "\r\nC=(\n";
    lsys_t *l = lsysInit();
    traceLogClear();
    lsysParse(l, traceLog, text.c_str());
    EXPECT_EQ(tokString(l->rules['B']), std::string(998, 'F'));
    std::vector<logged_msg_t> want = {{1010, "missing number after '('"}};
    EXPECT_EQ(traceLogged(), want);
    lsysFree(l);
}

/* The 1001st character of an over-long line is a '#', which must not cut the line before it
 * nor be lost: it starts the continuation line, which is then all comment. */
TEST(Parse, CommentAtTheCutStartsTheContinuation) {
    std::string text = "axiom A\nB=" + std::string(998, 'F') + "#C=G\nD=H\n";
    lsys_t *l = lsysInit();
    traceLogClear();
    lsysParse(l, traceLog, text.c_str());
    EXPECT_EQ(l->rules['C'], nullptr);
    EXPECT_EQ(tokString(l->rules['D']), "H");
    EXPECT_TRUE(traceLogged().empty());
    lsysFree(l);
}

TEST(Parse, NumbersIgnoreACommaLocale) {
    CommaLocaleScope scope;
    if (!scope.active()) GTEST_SKIP() << "no comma-decimal locale on this machine";
    ASSERT_STREQ(localeconv()->decimal_point, ",");
    float probe = 0;
    ASSERT_EQ(sscanf("2.5", "%f", &probe), 1);
    ASSERT_EQ(probe, 2.0f) << "the locale should stop the C library at the point";

    lsys_t *l = lsysInit();
    traceLogClear();
    lsysParse(l, traceLog, "2.5\n22.5\n3,75\nF(1.25)\nmin_thickness 0.75\ntrope 0.125\nrand 1.5\n");
    EXPECT_EQ(l->recursion, 2.5f);
    EXPECT_EQ(l->angle, 22.5f);
    EXPECT_EQ(l->thickness, 3.0f);
    EXPECT_EQ(tokString(l->rules[LSYS_AXIOM]), "F(1.25)");
    EXPECT_EQ(l->min_thickness, 0.75f);
    EXPECT_EQ(l->trope, 0.125f);
    EXPECT_EQ(l->rand, 1.5f);
    EXPECT_TRUE(traceLogged().empty());
    lsysFree(l);
}

TEST(Parse, ToleratesMissingTextAndCallback) {
    lsys_t *l = lsysInit();
    lsysParse(l, NULL, NULL);
    ASSERT_NE(l->rules[LSYS_AXIOM], nullptr);
    EXPECT_EQ(l->rules[LSYS_AXIOM][0].cmd, 0);
    lsysFree(l);
    lsysParse(NULL, traceLog, "F");
}

/* Random bytes weighted toward the characters the parser treats specially: whatever the text,
 * the parser finishes, leaves an axiom, and positions every message at a line start. */
TEST(Parse, ArbitraryBytesGiveAnAxiomAndLinePositions) {
    static const char special[] = "\r\n#@=() \t.-+0123456789eFX_ruleaxiomcolor";
    srand(1234);
    for (int round = 0; round < 300; round++) {
        size_t len = (size_t)(rand() % 3000);
        std::string text(len, ' ');
        for (auto &ch : text)
            ch = rand() % 3 ? special[rand() % (sizeof special - 1)] : (char)(1 + rand() % 255);
        lsys_t *l = lsysInit();
        traceLogClear();
        lsysParse(l, traceLog, text.c_str());
        ASSERT_NE(l->rules[LSYS_AXIOM], nullptr);
        for (const auto &m : traceLogged()) {
            ASSERT_GE(m.code, CODE_NOLINE);
            if (m.code <= 0) continue;
            ASSERT_LT((size_t)m.code, len);
            char before = text[m.code - 1];
            bool lineStart = before == '\n' || before == '\r';
            /* Otherwise a continuation: some line start lies a multiple of 1000 before it. */
            for (int32_t back = 1000; !lineStart && back <= m.code; back += 1000) {
                int32_t start = m.code - back;
                lineStart = start == 0 || text[start - 1] == '\n' || text[start - 1] == '\r';
            }
            ASSERT_TRUE(lineStart) << "message at " << m.code;
        }
        lsysFree(l);
    }
}

} // namespace
