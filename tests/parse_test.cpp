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

const logged_msg_t kNoAxiom = {CODE_NOLINE, "no axiom"};
const char *const kNoRule = "expected a rule", *const kNoNumber = "missing number after '('";
const char *const kSplit = "splitting line longer than 1000 characters";
const std::string F998(998, 'F'), G998(998, 'G');

// clang-format off
const struct { std::string text, model; std::vector<logged_msg_t> msgs; } kCases[] = {
    {"", "axiom=''", {kNoAxiom}}, {" \t\n# hello\n\r\n  # x\n", "axiom=''", {kNoAxiom}},
    // positional items, then the same as keywords in another order
    {"12\n20\n30\nX\nX=F[+X]F[-X]+X\nF=FF\n@\nrule Y=junk\n",
     "recursion=12 angle=20 thickness=30 axiom='X' F='FF' X='F[+X]F[-X]+X'", {}},
    {"rule X=F[+X]F[-X]+X\nthickness 30\naxiom X\nangle 20\nrule F=FF\nrecursion 12\n",
     "recursion=12 angle=20 thickness=30 axiom='X' F='FF' X='F[+X]F[-X]+X'", {}},
    // a keyword moves the position; positional items continue from it
    {"thickness 7\nF+F\n3\n", "thickness=7 axiom='F+F'", {{16, kNoRule}}},
    // no keyword: followed by '=', bare, short, without a blank after it, alone before '#'
    {"angle=30\n2\n", "angle=2 axiom=''", {{0, "ignoring malformed recursion 'angle=30'"}, kNoAxiom}},
    {"axiom \t # none\n1\n", "angle=1 axiom=''", {{0, "ignoring malformed recursion 'axiom'"}, kNoAxiom}},
    {"1\n2\n3,75\naxiom\n", "angle=2 thickness=3 axiom='axiom'", {}},
    {"recursion\t5\nangle5\n", "recursion=5 axiom=''", {{12, "ignoring malformed angle 'angle5'"}, kNoAxiom}},
    // blanks and control characters inside an item are removed
    {"angle 3 0\n1\t2\nF + F\x01[ - F ]\n", "angle=30 thickness=12 axiom='F+F[-F]'", {}},
    {"1\n2\n3\nF\nAbc =F\ncolour 1 2 3 4\nABC=F\n", "angle=2 thickness=3 axiom='F' A='F'",
     {{8, "ignoring unknown command 'Abc' =F"},
      {15, "ignoring unknown command 'colour' 1 2 3 4"}, {30, "naming rule 'ABC' as just 'A'"}}},
    {"min_thickness 0.5\ntrope -1e-1\nrand 12.5 degrees\n",
     "min_thickness=0.5 rand=12.5 trope=-0.1 axiom=''", {kNoAxiom}},
    // a malformed angle still takes its position
    {"angle abc\n1\npoly_limit abc\ntrope .\nmin_thickness  -\n", "thickness=1 axiom=''",
     {{0, "ignoring malformed angle 'abc'"}, {12, "ignoring malformed poly_limit 'abc'"},
      {27, "ignoring malformed trope '.'"}, {35, "ignoring malformed min_thickness '-'"}, kNoAxiom}},
    {"poly_limit -1\ntoken_limit 12.9\nshape  +7x\n",
     "poly_limit=4294967295 shape=7 token_limit=12 axiom=''", {kNoAxiom}},
    {"color 3 255 0 0\ncolor 100 0 51 255\ncolor 0 -255 510 1\n",
     "color0=-1,2,0.00392157 color3=1,0,0 color100=0,0.2,1 axiom=''", {kNoAxiom}},
    {"color 101 0 0 0\ncolor -1 0 0 0\ncolor 1 2 3\ncolor x\ncolor 4 1 2 3 extra\n",
     "color4=0.00392157,0.00784314,0.0117647 axiom=''",
     {{0, "ignoring color 101 - out of range 0..100"},
      {16, "ignoring color -1 - out of range 0..100"}, {31, "ignoring malformed color '1 2 3'"},
      {43, "ignoring malformed color 'x'"}, kNoAxiom}},
    {"axiom Y\nrule Xa=F\nrule X==F\nrule Y==\n", "axiom='Y' X='F' Y='='",
     {{8, "naming rule 'Xa' as just 'X'"}, {18, "ignoring redefined rule 'X'"}}},
    {"1\n2\n3\nA\naxiom B\n", "angle=2 thickness=3 axiom='A'", {{8, "ignoring extra axiom"}}},
    {"axiom F\nrule F\nG\n", "axiom='F'", {{8, kNoRule}, {15, kNoRule}}},
    // the first rule becomes the axiom, even when misnamed
    {"rule Qz=F\nrule A=G\n", "axiom='Q' A='G' Q='F'",
     {{0, "naming rule 'Qz' as just 'Q'"}, {-1, "will use first rule 'Q' as axiom"}}},
    {"axiom X # start\nF=F+F # grow\n#X=G\n", "axiom='X' F='F+F'", {}},
    {"axiom F\n  @  \nrule F=G\nnonsense here\n", "axiom='F'", {}},
    {"axiom A\nA=\n", "axiom='A' A=''", {}},
    {"axiom F\n@ x\nrule X=G\n", "axiom='F' X='G'", {{8, kNoRule}}},
    // rule body messages carry the line position and come after the line's own
    {"axiom F(x\nrule G=F(2.5\n", "axiom='Fx' G='F(2.5)'",
     {{0, kNoNumber}, {10, "missing closing ')'"}}},
    {"axiom A\nAb=F(\n", "axiom='A' A='F'", {{8, "naming rule 'Ab' as just 'A'"}, {8, kNoNumber}}},
    {"1.5e1x\n-.5\n+2.\n", "recursion=15 angle=-0.5 thickness=2 axiom=''", {kNoAxiom}},
    // CR LF, CR and LF CR line ends
    {"1\n\r\n\r2\r\n3\n\nX\r\r\n\nX=(", "angle=2 thickness=3 axiom='X' X=''", {{16, kNoNumber}}},
    {"axiom \xe9\x7f\n\xe9=\xff(1)\x01Q\n\x80\x90 \xa0\n", "axiom='\xe9\x7f' \xe9='\xff(1)Q'",
     {{18, kNoRule}}},
    // long lines split every 1000 characters (exactly 1000 keeps its end; a '#' then comments)
    {"axiom A\nB=" + F998 + "C=" + G998 + std::string(500, 'Q') + "\nD=(\n",
     "axiom='A' B='" + F998 + "' C='" + G998 + "' D=''", {{8, kSplit}, {2008, kNoRule}, {2509, kNoNumber}}},
    {"axiom A\nB=" + F998 + "\r\nC=(\n", "axiom='A' B='" + F998 + "' C=''", {{1010, kNoNumber}}},
    {"axiom A\nB=" + F998 + "#C=G\nD=H\n", "axiom='A' B='" + F998 + "' D='H'", {{8, kSplit}}},
};
// clang-format on

// The table again under a comma-decimal locale: numbers keep their decimal point.
TEST(Parse, Table) {
    for (int pass = 0; pass < 2; pass++) {
        if (pass && !useCommaLocale()) GTEST_SKIP() << "no comma-decimal locale on this machine";
        for (const auto &c : kCases) {
            LsysPtr l(lsysInit());
            traceLogClear();
            lsysParse(l.get(), traceLog, c.text.c_str());
            EXPECT_EQ(summary(l.get()), c.model) << c.text.substr(0, 80);
            EXPECT_EQ(traceLogged(), c.msgs) << c.text.substr(0, 80);
        }
    }
    setlocale(LC_ALL, "C");
}

// Random bytes, mostly special ones, leave an axiom and messages at (split) line starts.
TEST(Parse, ArbitraryBytesGiveAnAxiomAndLinePositions) {
    static const char special[] = "\r\n#@=() \t.-+0123456789eFX_ruleaxiomcolor";
    srand(1234);
    for (int round = 0; round < 300; round++) {
        std::string text((size_t)(rand() % 3000), ' ');
        for (auto &ch : text)
            ch = rand() % 3 ? special[rand() % (sizeof special - 1)] : (char)(1 + rand() % 255);
        LsysPtr l(lsysInit());
        traceLogClear();
        lsysParse(l.get(), traceLog, text.c_str());
        ASSERT_NE(l->rules[LSYS_AXIOM], nullptr);
        for (const auto &m : traceLogged()) {
            ASSERT_GE(m.code, CODE_NOLINE);
            ASSERT_LT(m.code, (int)text.size() + (m.code <= 0));
            bool lineStart = m.code <= 0;
            for (int32_t start = m.code; !lineStart && start >= 0; start -= 1000)
                lineStart = start == 0 || text[start - 1] == '\n' || text[start - 1] == '\r';
            ASSERT_TRUE(lineStart) << "message at " << m.code;
        }
    }
}
