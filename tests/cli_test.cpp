/* Runs the real lsys program on descriptions written to a temporary directory and checks what
 * it prints and how it exits. */
#include <dirent.h>
#include <fcntl.h>
#include <math.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct run_t {
    int status = -1;
    std::string out, err;
};

std::string slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class LsysTest : public ::testing::Test {
  protected:
    std::string dir;

    void SetUp() override {
        char tmpl[] = "/tmp/lsys_cli_test.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        std::string cmd = "rm -rf '" + dir + "'";
        ASSERT_EQ(system(cmd.c_str()), 0);
    }

    std::string write(const std::string &name, const std::string &bytes) {
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    /* Runs lsys with the arguments; stdout and stderr are captured separately. */
    run_t run(const std::vector<std::string> &args) {
        std::string outPath = dir + "/.stdout", errPath = dir + "/.stderr";
        pid_t pid = fork();
        if (pid == 0) {
            int o = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            int e = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(o, 1);
            dup2(e, 2);
            std::vector<char *> argv;
            argv.push_back(const_cast<char *>(LSYS_BINARY));
            for (const std::string &a : args)
                argv.push_back(const_cast<char *>(a.c_str()));
            argv.push_back(nullptr);
            execv(LSYS_BINARY, argv.data());
            _exit(127);
        }
        run_t r;
        int st = 0;
        waitpid(pid, &st, 0);
        r.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
        r.out = slurp(outPath);
        r.err = slurp(errPath);
        unlink(outPath.c_str());
        unlink(errPath.c_str());
        return r;
    }

    std::set<std::string> entries() {
        std::set<std::string> names;
        DIR *d = opendir(dir.c_str());
        while (dirent *e = readdir(d))
            if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) names.insert(e->d_name);
        closedir(d);
        return names;
    }
};

/* ---- A small JSON reader, enough for lsys's output ---- */

struct json_t {
    enum { NUL, NUM, STR, ARR, OBJ } kind = NUL;
    double num = 0;
    std::string str; /* code points below 256 as single bytes, others as '?' */
    std::vector<json_t> arr;
    std::map<std::string, json_t> obj;
    const json_t &operator[](const std::string &k) const { return obj.at(k); }
};

struct json_reader_t {
    const std::string &s;
    size_t i = 0;
    bool ok = true;

    void ws() {
        while (i < s.size() && isspace((unsigned char)s[i]))
            i++;
    }
    bool eat(char c) {
        ws();
        if (i < s.size() && s[i] == c) return ++i, true;
        return false;
    }
    std::string string() {
        std::string out;
        if (!eat('"')) return ok = false, out;
        while (i < s.size() && s[i] != '"') {
            unsigned char c = (unsigned char)s[i++];
            if (c < 0x20) ok = false; /* raw control characters are not JSON */
            if (c != '\\') {
                out += (char)c;
                continue;
            }
            char e = s[i++];
            switch (e) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                unsigned v = (unsigned)strtoul(s.substr(i, 4).c_str(), nullptr, 16);
                i += 4;
                out += v < 256 ? (char)v : '?';
                break;
            }
            default:
                out += e;
            }
        }
        if (i >= s.size()) ok = false;
        i++;
        return out;
    }
    json_t value() {
        json_t v;
        ws();
        if (i >= s.size()) return ok = false, v;
        if (s[i] == '"') {
            v.kind = json_t::STR;
            v.str = string();
        } else if (eat('[')) {
            v.kind = json_t::ARR;
            if (!eat(']')) {
                do
                    v.arr.push_back(value());
                while (eat(','));
                ok = ok && eat(']');
            }
        } else if (eat('{')) {
            v.kind = json_t::OBJ;
            if (!eat('}')) {
                do {
                    std::string k = string();
                    ok = ok && eat(':');
                    v.obj[k] = value();
                } while (eat(','));
                ok = ok && eat('}');
            }
        } else if (s.compare(i, 4, "null") == 0) {
            i += 4;
        } else {
            char *end = nullptr;
            v.kind = json_t::NUM;
            v.num = strtod(s.c_str() + i, &end);
            if (end == s.c_str() + i) ok = false;
            i = (size_t)(end - s.c_str());
        }
        return v;
    }
};

/* Parses one line of JSON; fails the test when it is not valid. */
json_t parseJson(const std::string &line) {
    json_reader_t r{line};
    json_t v = r.value();
    r.ws();
    EXPECT_TRUE(r.ok && r.i == line.size()) << "not valid JSON: " << line;
    return v;
}

std::vector<std::string> lines(const std::string &text) {
    std::vector<std::string> out;
    std::stringstream s(text);
    for (std::string l; std::getline(s, l);)
        out.push_back(l);
    return out;
}

/* ---- check: human output ---- */

struct check_case_t {
    const char *name;
    std::string text;
    std::vector<std::string> options;
    int status;
    std::vector<std::string> lines; /* expected stdout, "FILE" standing for the path */
};

TEST_F(LsysTest, CheckReportsEachKindOfMessage) {
    const std::string unknownCmd = "ignoring unknown command 'colour' 1 2 3 4";
    const check_case_t cases[] = {
        {"clean", "axiom F\n", {}, 0, {}},
        {"lf", "axiom F\n\ncolour 1 2 3 4\n", {}, 1, {"FILE:3: " + unknownCmd}},
        {"crlf", "axiom F\r\n\r\ncolour 1 2 3 4\r\n", {}, 1, {"FILE:3: " + unknownCmd}},
        {"cr", "axiom F\r\rcolour 1 2 3 4\r", {}, 1, {"FILE:3: " + unknownCmd}},
        /* LF CR is two breaks, not one. */
        {"lfcr", "axiom F\n\rcolour 1 2 3 4", {}, 1, {"FILE:3: " + unknownCmd}},
        {"first line", "colour 1 2 3 4\naxiom F", {}, 1, {"FILE:1: " + unknownCmd}},
        {"noline", "", {}, 1, {"FILE: no axiom"}},
        {"exec", "axiom ]\n", {}, 1, {"FILE: exec: stack [] underflow"}},
        {"unknown", "axiom F(1)(2)\n", {}, 1, {"FILE: unknown: unexpected token '('"}},
        {"stats",
         "axiom F\n",
         {"--stats"},
         0,
         {"FILE: info: polygons: 24", "FILE: info: tokens: 1, simplified to 2",
          "FILE: info: stacks: []=0, {}=0, vertices=0",
          "FILE: info: bounds: (0, 0, 0) .. (0, 0, 100)"}},
        /* The text ends at an embedded NUL, as it does for the engine. */
        {"nul", std::string("axiom F\n\0colour 1 2 3 4\n", 24), {}, 0, {}},
        /* Control characters are shown escaped, Latin-1 letters as UTF-8. */
        {"bytes",
         "axiom F\nwords a\x1b[2J\xe9\x85z\n",
         {},
         1,
         {"FILE:2: ignoring unknown command 'words' a\\x1b[2J\xc3\xa9\\x85z"}},
    };
    for (const check_case_t &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = write("d.ls", c.text);
        std::vector<std::string> args = {"check"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(path);
        run_t r = run(args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err, "");
        std::vector<std::string> got = lines(r.out);
        std::vector<std::string> want;
        for (std::string l : c.lines)
            want.push_back(path + l.substr(4));
        if (!c.options.empty()) {
            /* The last statistic is the time, which varies. */
            ASSERT_EQ(got.size(), want.size() + 1);
            const std::string head = path + ": info: time: ";
            const std::string &last = got.back();
            EXPECT_TRUE(last.compare(0, head.size(), head) == 0 && last.size() > head.size() + 2 &&
                        last.compare(last.size() - 2, 2, "ms") == 0 &&
                        last.find_first_not_of("0123456789.", head.size()) == last.size() - 2)
                << last;
            got.pop_back();
        }
        EXPECT_EQ(got, want);
    }
}

TEST_F(LsysTest, CheckGoesOnAfterFileErrors) {
    std::string good = write("good.ls", "axiom F\n");
    std::string bad = write("bad.ls", "axiom ]\n");
    std::string missing = dir + "/missing.ls";

    run_t r = run({"check", missing, bad, good});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "lsys: " + missing + ": No such file or directory\n");
    EXPECT_EQ(r.out, bad + ": exec: stack [] underflow\n");

    r = run({"check", good, bad});
    EXPECT_EQ(r.status, 1);

    r = run({"check", dir});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "lsys: " + dir + ": Is a directory\n");

    /* With --json the file error still reaches standard error, and standard output says which
     * file failed, so a reader of the JSON lines misses nothing. */
    r = run({"check", "--json", missing, good});
    EXPECT_EQ(r.status, 2);
    std::vector<std::string> out = lines(r.out);
    ASSERT_EQ(out.size(), 2u);
    json_t e = parseJson(out[0]);
    EXPECT_EQ(e["file"].str, missing);
    EXPECT_EQ(e["error"].str, "No such file or directory");
    EXPECT_EQ(parseJson(out[1])["file"].str, good);
}

TEST_F(LsysTest, CheckJsonHoldsEveryMessageInOrder) {
    /* Fifteen problems: more than the editor's store of twelve. */
    std::string text = "axiom F\n";
    std::vector<size_t> offsets;
    for (int i = 1; i <= 15; i++) {
        offsets.push_back(text.size());
        text += "colour " + std::to_string(i) + " 0 0 0\n";
    }
    offsets.push_back(text.size());
    text += "odd \"q\" \\ \x01 \xe9\n";
    std::string path = write("many.ls", text);

    run_t r = run({"check", "--json", path});
    EXPECT_EQ(r.status, 1);
    std::vector<std::string> out = lines(r.out);
    ASSERT_EQ(out.size(), 1u);
    json_t j = parseJson(out[0]);
    EXPECT_EQ(j["file"].str, path);
    const std::vector<json_t> &msgs = j["messages"].arr;
    ASSERT_EQ(msgs.size(), 16u + 5u); /* the problems, then five statistics */
    for (int i = 0; i < 15; i++) {
        EXPECT_EQ(msgs[i]["code"].num, (double)offsets[i]);
        EXPECT_EQ(msgs[i]["text"].str,
                  "ignoring unknown command 'colour' " + std::to_string(i + 1) + " 0 0 0");
    }
    EXPECT_EQ(msgs[15]["code"].num, (double)offsets[15]);
    EXPECT_EQ(msgs[15]["text"].str, "ignoring unknown command 'odd' \"q\" \\ \x01 \xe9");
    EXPECT_EQ(msgs[16]["code"].num, -10);
    EXPECT_EQ(msgs[16]["text"].str, "polygons: 24");
    EXPECT_EQ(j["polygon_count"].num, 24);
    EXPECT_EQ(j["triangles"].num, 32); /* 8 side quads as two triangles, two 8-triangle caps */
    const double bounds[6] = {0, 0, 0, 0, 0, 100};
    ASSERT_EQ(j["bounds"].arr.size(), 6u);
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(j["bounds"].arr[i].num, bounds[i]);
}

TEST_F(LsysTest, GrowthMultipliesTheRecursion) {
    std::string path = write("grow.ls", "recursion 1\naxiom F\nrule F=FF\n");
    const struct {
        std::vector<std::string> growth;
        double top;
    } cases[] = {
        {{}, 200},
        {{"--growth", "2"}, 400},
        {{"--growth=3"}, 800},
        {{"--growth", "0"}, 100},
        /* A fractional depth grows the last generation partly: 1.5 -> two rewritings, the
         * second at half length. */
        {{"--growth", "1.5"}, 200},
    };
    for (const auto &c : cases) {
        std::vector<std::string> args = {"check", "--json"};
        args.insert(args.end(), c.growth.begin(), c.growth.end());
        args.push_back(path);
        run_t r = run(args);
        SCOPED_TRACE(r.out);
        ASSERT_EQ(r.status, 0);
        json_t j = parseJson(lines(r.out).at(0));
        EXPECT_NEAR(j["bounds"].arr.at(5).num, c.top, 1e-3);
    }
}

/* ---- usage errors ---- */

TEST_F(LsysTest, UsageErrorsExitTwoWithAMessage) {
    std::string f = write("f.ls", "axiom F\n");
    const struct {
        std::vector<std::string> args;
        const char *stderrHas;
    } cases[] = {
        {{}, "no command given"},
        {{"grow", f}, "unknown command 'grow'"},
        {{"check"}, "check needs at least one FILE"},
        {{"check", "--frobnicate", f}, "unknown option '--frobnicate'"},
        {{"check", f, "--growth"}, "option '--growth' needs a value"},
        {{"check", "--growth", "abc", f}, "--growth needs a finite number of 0 or more, not 'abc'"},
        {{"check", "--growth", "-1", f}, "not '-1'"},
        {{"check", "--growth", "nan", f}, "not 'nan'"},
        {{"check", "--growth", "inf", f}, "not 'inf'"},
        {{"check", "--growth", "2x", f}, "not '2x'"},
        {{"check", "--growth", "1e39", f}, "not '1e39'"},
        {{"check", "--json=yes", f}, "unknown option '--json=yes'"},
        {{"export", f}, "export needs -o OUT"},
        {{"export", f, "-o", dir + "/x.dae"}, "cannot tell the format of"},
        {{"export", f, "-o", dir + "/noext"}, "cannot tell the format of"},
        {{"export", "-o", dir + "/x.stl"}, "export needs exactly one FILE"},
        {{"export", f, "--stats", "-o", dir + "/x.stl"}, "unknown option '--stats'"},
        {{"pick", f, "1", "2"}, "pick needs FILE X Y Z"},
        {{"pick", f, "1", "abc", "3"}, "Y must be a finite number, not 'abc'"},
        {{"pick", f, "nan", "0", "0"}, "X must be a finite number, not 'nan'"},
        {{"pick", f, "0", "0", "-inf"}, "Z must be a finite number, not '-inf'"},
        {{"pick", f, "0", "0", "1e40"}, "Z must be a finite number, not '1e40'"},
        {{"pick", f, "0", "0", "1,5"}, "Z must be a finite number, not '1,5'"},
    };
    for (const auto &c : cases) {
        std::string joined;
        for (const std::string &a : c.args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        run_t r = run(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.stderrHas), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    /* Nothing was written by the refused exports. */
    EXPECT_EQ(entries(), std::set<std::string>{"f.ls"});
}

TEST_F(LsysTest, HelpVersionAndRender) {
    run_t r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char *word : {"check", "export", "pick", "render", "--growth", ".3mf"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    r = run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("lsys (Sprig) ") + LSYS_VERSION + "\n");
    if (!LSYS_HAS_RENDER) {
        r = run({"render"});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "lsys: render is not available in this build\n");
    }
}

/* ---- pick ---- */

/* A pick's printout: the "err=%f sp=%d" line, then the derivation lines. */
struct pick_out_t {
    double err = 1e9;
    int sp = -1;
    std::string rest;
};

pick_out_t splitPick(const std::string &out) {
    pick_out_t p;
    int used = 0;
    if (sscanf(out.c_str(), "err=%lf sp=%d\n%n", &p.err, &p.sp, &used) == 2 && used > 0)
        p.rest = out.substr((size_t)used);
    return p;
}

TEST_F(LsysTest, PickPrintsTheDerivationOnly) {
    std::string tube = write("tube.ls", "colour 1 2 3 4\naxiom F\n");
    std::string grown = write("grown.ls", "recursion 1\naxiom XG\nrule X=F+\n");

    const struct {
        std::vector<std::string> args;
        bool hits;
    } cases[] = {
        /* On the tube's surface: radius 50 around the z axis, half way up. */
        {{"pick", tube, "50", "0", "50"}, true},
        {{"pick", tube, "--", "-50", "0", "50"}, true},
        {{"pick", tube, "0", "-50", "50"}, true},
        {{"pick", tube, "5000", "5000", "5000"}, false},
        /* Growth 0 keeps the axiom X unexpanded, so nothing is drawn to hit. */
        {{"pick", grown, "50", "0", "50", "--growth", "0"}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args[2] + " " + c.args[3]);
        run_t r = run(c.args);
        EXPECT_EQ(r.status, 0);
        if (c.hits) {
            pick_out_t p = splitPick(r.out);
            EXPECT_LT(p.err, 0.01) << r.out;
            EXPECT_EQ(p.sp, 1);
            EXPECT_EQ(p.rest, "0: axiom:  >>F<< \n");
        } else {
            EXPECT_EQ(r.out, "nothing\n");
        }
    }
    /* The description's problems go to standard error, never into the printout. */
    run_t r = run({"pick", tube, "50", "0", "50"});
    EXPECT_EQ(r.err, tube + ":1: ignoring unknown command 'colour' 1 2 3 4\n");

    /* The same point with the rule grown: F is drawn from rule X's body, so both levels are
     * listed, each marking the token its read position has just passed (the expansion reads
     * one token ahead of the drawing command). */
    r = run({"pick", grown, "50", "0", "50"});
    EXPECT_EQ(r.status, 0);
    pick_out_t p = splitPick(r.out);
    EXPECT_LT(p.err, 0.01) << r.out;
    EXPECT_EQ(p.sp, 2);
    EXPECT_EQ(p.rest, "1: rule X: F >>+<< \n0: axiom:  >>X<< G\n");

    r = run({"pick", dir + "/none.ls", "0", "0", "0"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "lsys: " + dir + "/none.ls: No such file or directory\n");
}

/* ---- export (the formats themselves are tested in export_test) ---- */

TEST_F(LsysTest, ExportWritesWholeFilesOrNothing) {
    std::string f = write("f.ls", "axiom F\n");

    run_t r = run({"export", f, "-o", dir + "/out.stl"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp(dir + "/out.stl").size(), 84u + 50u * 32u);

    /* Replacing a file: the new content arrives whole, with ordinary permissions. */
    std::string big = write("big.ls", "axiom FcF\n");
    r = run({"export", big, "--output", dir + "/out.stl"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp(dir + "/out.stl").size(), 84u + 50u * 64u);
    struct stat st;
    ASSERT_EQ(stat((dir + "/out.stl").c_str(), &st), 0);
    mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);

    r = run({"export", f, "-o", dir + "/no/such/dir/out.glb"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("lsys: " + dir + "/no/such/dir/out.glb: "), std::string::npos);
    EXPECT_NE(r.err.find("No such file or directory"), std::string::npos) << r.err;

    /* The target name is taken by a directory: the rename fails and the temporary goes. */
    ASSERT_EQ(mkdir((dir + "/taken.ply").c_str(), 0700), 0);
    r = run({"export", f, "-o", dir + "/taken.ply"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("taken.ply"), std::string::npos) << r.err;

    r = run({"export", dir + "/missing.ls", "-o", dir + "/m.obj"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "lsys: " + dir + "/missing.ls: No such file or directory\n");

    EXPECT_EQ(entries(), (std::set<std::string>{"f.ls", "big.ls", "out.stl", "taken.ply"}));

    /* A description with problems still exports what it draws, and says what is wrong. */
    std::string odd = write("odd.ls", "axiom F]\n");
    r = run({"export", odd, "-o", dir + "/odd.obj"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, odd + ": exec: stack [] underflow\n");
    EXPECT_TRUE(entries().count("odd.mtl"));
}

} // namespace
