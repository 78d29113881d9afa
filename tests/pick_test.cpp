// Picking: the angle-sum hit test, the derivation of the command that drew the element found,
// and where its tokens stand in the text. Tables are in tests/data/pick/.
#include <set>

#include "engine_test.h"

// Rows: a point, "hit" or "miss" against the triangle (0,0,0) (1,0,0) (0,1,0), and for a hit a
// bound on its error.
TEST(Pick, AngleSumErrorOfOneTriangle) {
    const float a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, c[3] = {0, 1, 0};
    LsysPtr l = modelFrom("axiom FF");
    const tok_t *first = l->rules[LSYS_AXIOM] + 1, *second = first + 1;
    gPick.cmdStack[0] = first;
    gPick.cmdDepth = 1;
    for (const auto &r : dataRows("pick/angle-sum.txt")) {
        for (int i = 0; i < 3; i++)
            gPick.selIp[i] = (float)rowNumbers(r[0])[i];
        gPick.selErr = 3.0f;
        gPick.selSp = -1;
        selectTest(l.get(), a, b, c);
        const bool hit = r[1] == "hit";
        EXPECT_TRUE(gPick.selSp == (hit ? 1 : -1) && gPick.selStack[0] == first) << r[0];
        EXPECT_TRUE(hit ? gPick.selErr < (float)rowNumber(r[2]) : gPick.selErr == 3.0f) << r[0];
    }
    // An equal error (the last row's again) keeps the earlier triangle's command.
    gPick.cmdStack[0] = second;
    const float err = gPick.selErr;
    selectTest(l.get(), a, b, c);
    EXPECT_EQ(gPick.selErr, err);
    EXPECT_EQ(gPick.selStack[0], first);
}

// Where a token of the model lies, as lsysPick locates it.
static pick_level_t at(const lsys_t *l, const tok_t *t) {
    const int slot = findProd(l, t);
    return {(int16_t)slot, slot < 0 ? -1 : (int32_t)(t - l->rules[slot])};
}

static bool operator==(const pick_level_t &a, const pick_level_t &b) {
    return a.slot == b.slot && a.token == b.token;
}

// The derivation of every drawing token (F, Z, '}') the expansion delivers, in order: the stack
// as the raw walk holds it when it hands the token over, before anything is read after it.
static std::vector<std::vector<pick_level_t>> drawingCommands(lsys_t *l) {
    std::vector<std::vector<pick_level_t>> out;
    initToken(l); // at the max_depth of the last drawing
    for (const tok_t *t; (t = nextToken(l))->cmd;) {
        if (!strchr("FZ}", t->cmd)) continue;
        out.emplace_back();
        for (int i = 0; i < l->depth; i++)
            out.back().push_back(at(l, l->stack[i] - 1));
    }
    return out;
}

// Rows of pick/drawings.txt: a description (or '@' and a gallery file), the recursion to draw it
// at (else its own), and optionally a band of heights and what lsysSelect prints ("err=..."
// masked) for the first triangle drawn with its centroid in the band (none there: a far point).
// Catches a derivation that marks anything but the command that drew the element: the centroid
// of every drawn triangle picks the derivation of one drawing command of the expansion, the
// token the editor selects is its last level, every command is picked, and tube sides (which
// their own command emits, in order) pick the commands in order. A pick draws nothing.
TEST(Pick, MarksTheCommandThatDrewEachTriangle) {
    static pick_result_t p;
    for (const auto &r : dataRows("pick/drawings.txt")) {
        const bool gallery = r[0][0] == '@';
        LsysPtr l = modelFrom(gallery ? readFile(SPRIG_EXAMPLES_DIR "/" + r[0].substr(1)) : r[0]);
        if (r.size() > 1 && !r[1].empty()) l->recursion = (float)rowNumber(r[1]);
        RecordSink sink;
        l->sink = sink.emit();
        srand(0);
        lsysDraw(l.get(), nullTrace);
        const auto commands = drawingCommands(l.get());
        const std::vector<double> band = rowNumbers(r.size() > 2 ? r[2] : "");
        const size_t drawn = sink.triangleCount();
        ASSERT_GT(drawn, 0u) << r[0] << ": nothing drawn, so nothing to pick";
        std::set<size_t> picked;
        size_t lastSide = 0;
        float q[3] = {1e6f, 1e6f, 1e6f};
        for (size_t t = 0; t < drawn; t++) {
            const float c[3] = {centroid(sink, t, 0), centroid(sink, t, 1), centroid(sink, t, 2)};
            if (band.size() == 2 && q[0] == 1e6f && c[2] > band[0] && c[2] < band[1])
                memcpy(q, c, sizeof q);
            srand(0);
            lsysPick(l.get(), c, &p);
            ASSERT_TRUE(p.hit && p.err < 1e-3f) << r[0] << ", triangle " << t;
            const std::vector<pick_level_t> got(p.level, p.level + p.levels);
            const size_t k = std::find(commands.begin(), commands.end(), got) - commands.begin();
            char line[256];
            lsysPickLine(l.get(), &p, p.levels - 1, line, sizeof line);
            ASSERT_LT(k, commands.size()) << r[0] << ", triangle " << t << ": " << line;
            EXPECT_TRUE(p.drawn_level == p.levels - 1 && p.drawn == got.back()) << line;
            picked.insert(k);
            const float *n0 = sink.corner(t, 0).normal, *n2 = sink.corner(t, 2).normal;
            if (memcmp(n0, n2, sizeof(float[3])) == 0) continue; // flat: a cap or a polygon
            EXPECT_GE(k, lastSide) << r[0] << ", triangle " << t << ": " << line;
            lastSide = k;
        }
        EXPECT_EQ(picked.size(), commands.size()) << r[0];
        if (band.empty()) continue;
        testing::internal::CaptureStdout();
        srand(0);
        lsysSelect(l.get(), q);
        std::string out = testing::internal::GetCapturedStdout();
        if (out.rfind("err=0.0000", 0) == 0) out.erase(0, out.find(' ') + 1);
        EXPECT_EQ(out, r[3]) << r[0];
        EXPECT_EQ(gPick.select, 0);
        EXPECT_EQ(sink.triangleCount(), drawn) << "a pick replay draws nothing";
    }
}

// Rows: a description, the slot (a character, or "axiom"), and the spans of its tokens 0, 1,
// ... as "offset+length 'text'", or "none".
TEST(Pick, FindsATokenInTheText) {
    for (const auto &r : dataRows("pick/spans.txt")) {
        const int slot = r[1] == "axiom" ? (int)LSYS_AXIOM : (unsigned char)r[1][0];
        for (int32_t token = 0; token + 2 < (int32_t)r.size(); token++) {
            int32_t at = -1, n = -1;
            std::string span = "none";
            if (lsysTokenSpan(r[0].c_str(), slot, token, &at, &n))
                span =
                    std::to_string(at) + "+" + std::to_string(n) + " '" + r[0].substr(at, n) + "'";
            EXPECT_EQ(span, r[2 + token]) << r[0].substr(0, 60) << " token " << token;
        }
    }
}
