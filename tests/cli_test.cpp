// Runs the real lsys program in a temporary directory and checks what it prints and how it exits.
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <tiny_gltf.h>

namespace {

namespace fs = std::filesystem;
using json = tinygltf::Value;
using flat_t = std::map<std::string, std::string>;

class LsysTest : public ::testing::Test {
  protected:
    char tmpl[32] = "/tmp/lsys_cli_test.XXXXXX";
    const std::string base = mkdtemp(tmpl) ? tmpl : "/nonexistent", dir = base + "/w";
    std::string cmd, out, err; // the last run's arguments and what it printed
    int status = -1;
    double pickErr = -1;

    void SetUp() override { ASSERT_TRUE(fs::create_directory(dir)); }
    void TearDown() override { fs::remove_all(base); }
    void write(const std::string &name, const std::string &bytes) {
        std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
    }
    static std::string slurp(const std::string &path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    // Masks the number after key with '#' and returns it (-1: none), for run-to-run values.
    static double cut(std::string &s, const std::string &key) {
        size_t at = s.find(key), n = 0;
        if (at != std::string::npos) n = strspn(s.c_str() + (at += key.size()), "0123456789.");
        if (!n) return -1;
        double v = atof(s.c_str() + at);
        s.replace(at, n, "#");
        return v;
    }

    // Runs lsys in dir; the statistic's time and the pick's distance (pickErr) are masked.
    void run(const std::string &args) {
        cmd = args;
        // Grouped, so every command of "a & b; wait" runs in dir and is captured.
        int st = system(("cd " + dir + " && (" LSYS_BINARY " " + args + ") >../o 2>../e").c_str());
        status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        out = slurp(base + "/o");
        err = slurp(base + "/e");
        cut(out, "time: ");
        pickErr = cut(out, "err=");
    }
    void expect(const std::string &args, int wantStatus, const std::string &wantOut,
                const std::string &wantErr = "") {
        run(args);
        EXPECT_EQ(status, wantStatus) << cmd;
        EXPECT_EQ(out, wantOut) << cmd;
        EXPECT_EQ(err, wantErr) << cmd;
    }

    // Each line parsed by a strict JSON reader (as a glTF document's extras) and flattened.
    static std::vector<flat_t> jsonLines(const std::string &text) {
        std::vector<flat_t> values;
        std::istringstream s(text);
        for (std::string line, err, warn; std::getline(s, line);) {
            std::string doc = R"({"asset":{"version":"2.0"},"extras":[)" + line + "]}";
            tinygltf::Model m;
            bool ok = tinygltf::TinyGLTF().LoadASCIIFromString(&m, &err, &warn, doc.c_str(),
                                                               (unsigned)doc.size(), "");
            EXPECT_TRUE(ok && m.extras.ArrayLen() == 1) << "not JSON: " << line << "\n" << err;
            flatten(m.extras.ArrayLen() ? m.extras.Get(0) : json(), "", values.emplace_back());
        }
        return values;
    }
    // v's leaves by path ("messages.3.text"), numbers as "%g" prints them.
    static void flatten(const json &v, const std::string &path, flat_t &out) {
        char number[32];
        snprintf(number, sizeof number, "%g", v.GetNumberAsDouble());
        if (v.IsString() || v.IsNumber()) out[path] = v.IsString() ? v.Get<std::string>() : number;
        for (int i = 0; i < (int)v.ArrayLen(); i++)
            flatten(v.Get(i), path + (path.empty() ? "" : ".") + std::to_string(i), out);
        for (const std::string &key : v.Keys())
            flatten(v.Get(key), path + (path.empty() ? "" : ".") + key, out);
    }
};

TEST_F(LsysTest, CheckReportsEachKindOfMessage) {
    const std::string colour = "ignoring unknown command 'colour' 1 2 3 4\n";
    const std::tuple<std::string, const char *, int, std::string> cases[] = {
        {"axiom F\r\n\r\ncolour 1 2 3 4\r\n", "", 1, "d.ls:3: " + colour},
        {"axiom F\n\rcolour 1 2 3 4", "", 1, "d.ls:3: " + colour}, // LF CR is two breaks
        {"", "", 1, "d.ls: no axiom\n"},
        {"axiom ]\n", "", 1, "d.ls: exec: stack [] underflow\n"},
        {"axiom F(1)(2)\n", "", 1, "d.ls: unknown: unexpected token '('\n"},
        {"axiom F\n", "--stats", 0,
         "d.ls: info: polygons: 24\nd.ls: info: tokens: 1, simplified to 2\nd.ls: info: stacks: "
         "[]=0, {}=0, vertices=0\nd.ls: info: bounds: (0, 0, 0) .. (0, 0, 100)\n"
         "d.ls: info: time: #ms\n"},
        {std::string("axiom F\n\0colour 1 2 3 4\n", 24), "", 0, ""}, // read up to the NUL
        // Control characters escaped, Latin-1 letters as UTF-8.
        {"axiom F\nwords a\x1b[2J\xe9\x85z\n", "", 1,
         "d.ls:2: ignoring unknown command 'words' a\\x1b[2J\xc3\xa9\\x85z\n"},
    };
    for (const auto &[text, option, code, want] : cases) {
        write("d.ls", text);
        expect(std::string("check ") + option + " d.ls", code, want);
    }
}

TEST_F(LsysTest, CheckGoesOnAfterFileErrors) {
    write("good.ls", "axiom F\n");
    write("bad.ls", "axiom ]\n");
    const std::string missing = dir + "/missing.ls",
                      underflow = "bad.ls: exec: stack [] underflow\n",
                      noFile = "lsys: " + missing + ": No such file or directory\n";
    expect("check " + missing + " bad.ls good.ls", 2, underflow, noFile);
    // With --json a file error goes to standard error and into the JSON lines.
    run("check --json " + missing + " good.ls");
    EXPECT_EQ(status, 2);
    EXPECT_EQ(err, noFile);
    std::vector<flat_t> js = jsonLines(out);
    ASSERT_EQ(js.size(), 2u);
    EXPECT_EQ(js[0], (flat_t{{"file", missing}, {"error", "No such file or directory"}}));
    EXPECT_EQ(js[1]["file"], "good.ls");
}

TEST_F(LsysTest, CheckJsonHoldsEveryMessageInOrder) {
    // A problem, one with odd bytes, then the statistics (the cap is EverySubcommand's).
    const std::string unknown = "ignoring unknown command ";
    flat_t want = {{"file", "many.ls"},
                   {"polygon_count", "24"},
                   {"triangles", "32"},
                   {"more_messages", "0"},
                   {"bounds.5", "100"}};
    for (int i = 0; i < 5; i++)
        want["bounds." + std::to_string(i)] = "0";
    int n = 0;
    auto add = [&](int code, int line, const std::string &kind, const std::string &msg) {
        const std::string key = "messages." + std::to_string(n++) + ".";
        want[key + "code"] = std::to_string(code), want[key + "kind"] = kind;
        want[key + "text"] = msg;
        if (line) want[key + "line"] = std::to_string(line);
    };
    add(8, 2, "parse", unknown + "'colour' 1 0 0 0");
    add(23, 3, "parse", unknown + "'odd' \"q\" \\ \x01 \xc3\xa9");
    for (const char *stat :
         {"polygons: 24", "tokens: 1, simplified to 2", "stacks: []=0, {}=0, vertices=0",
          "bounds: (0, 0, 0) .. (0, 0, 100)", "time: #ms"})
        add(-10, 0, "info", stat);
    write("many.ls", "axiom F\ncolour 1 0 0 0\nodd \"q\" \\ \x01 \xe9\n");
    run("check --json many.ls");
    EXPECT_EQ(status, 1);
    std::vector<flat_t> js = jsonLines(out);
    ASSERT_EQ(js.size(), 1u);
    EXPECT_EQ(js[0], want);
}

TEST_F(LsysTest, GrowthMultipliesTheRecursion) {
    write("grow.ls", "recursion 1\naxiom F\nrule F=FF\n");
    const std::pair<const char *, const char *> cases[] = {
        {"", "200"}, {"--growth=3", "800"}, {"--growth 0", "100"}, {"--growth 1.5", "200"}};
    for (const auto &[growth, top] : cases) {
        run(std::string("check --json ") + growth + " grow.ls");
        EXPECT_EQ(status, 0) << cmd;
        EXPECT_EQ(jsonLines(out).at(0)["bounds.5"], top) << cmd;
    }
}

TEST_F(LsysTest, UsageErrorsExitTwoWithAMessage) {
    write("f.ls", "axiom F\n");
    std::vector<std::pair<std::string, std::string>> cases = {
        {"", "no command given"},
        {"grow f.ls", "unknown command 'grow'"},
        {"check", "check needs at least one FILE"},
        {"check --frobnicate f.ls", "Unknown option 'frobnicate'"},
        {"help grow", "unknown command 'grow'"},
        {"export f.ls", "export needs -o OUT"},
        {"export f.ls -o x.dae", "cannot tell the format of"},
        {"export -o x.stl", "export needs exactly one FILE"},
        {"export f.ls --stats -o x.stl", "Unknown option 'stats'"},
        {"render f.ls -o x.bmp",
         LSYS_HAS_RENDER ? "cannot tell the picture format of 'x.bmp'" : "render is not available"},
        {"pick f.ls 1 2", "pick needs FILE X Y Z"},
        {"pick f.ls 1 abc 3", "Y must be a finite number, not 'abc'"},
        {"pick f.ls 0 0 -inf", "Z must be a finite number, not '-inf'"},
        {"pick f.ls 0 0 1e40", "Z must be a finite number, not '1e40'"},
        {"pick f.ls 0 0 1,5", "Z must be a finite number, not '1,5'"},
    };
    // One shared check: its bounds on check, its wiring on the others (render's is render_test's).
    for (std::string v : {"abc", "-1", "1e39"})
        for (std::string command : {"check", "export -o x.stl", "pick --json"})
            if (command == "check" || v == "-1")
                cases.push_back({command + " --growth=" + v + " f.ls",
                                 "--growth needs a finite number of 0 or more, not '" + v + "'"});
    for (const auto &[args, message] : cases) {
        run(args);
        EXPECT_EQ(status, 2) << cmd;
        EXPECT_NE(err.find(message), std::string::npos) << cmd << ": " << err;
        EXPECT_EQ(out, "") << cmd;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1); // refused exports wrote nothing
}

TEST_F(LsysTest, HelpVersionAndRender) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"--help", {"check", "export", "pick", "render", "help", "--growth", "Exit status"}},
        {"help", {"Exit status"}},
        {"help check", {"lsys check", "--stats", "more_messages"}},
        {"check --help", {"lsys check", "--json"}},
        {"help export", {"lsys export", ".3mf", ".mtl"}},
        {"help pick", {"lsys pick", "--json", "mark"}},
        {"help render", {LSYS_HAS_RENDER ? "lsys render" : ""}},
    };
    for (const auto &[args, words] : cases) {
        run(args);
        EXPECT_EQ(status, LSYS_HAS_RENDER || args != "help render" ? 0 : 2) << args;
        for (const std::string &word : words)
            EXPECT_NE(out.find(word), std::string::npos) << args << ": " << word;
    }
    expect("--version", 0, std::string("lsys (Sprig) ") + LSYS_VERSION + "\n");
    if (!LSYS_HAS_RENDER) expect("render", 2, "", "lsys: render is not available in this build\n");
}

TEST_F(LsysTest, EverySubcommandReportsProblemsAsCheckDoes) {
    const std::pair<const char *, int> cases[] = {
        // {description, messages past the first thousand (-1: no cap reached)}
        {"axiom F\n", -1},
        {"axiom F]\ncolour 1\n", -1},
        {"recursion 12\naxiom X\nrule X=[X[X\n", 6167},
    };
    std::vector<std::string> commands = {"export d.ls -o d.stl", "pick d.ls 0 0 50",
                                         "pick --json d.ls 0 0 50"};
    if (LSYS_HAS_RENDER) commands.push_back("render d.ls -o d.png --size 32x24");
    for (const auto &[text, more] : cases) {
        write("d.ls", text);
        run("check d.ls");
        const std::string listed = out;
        const int problems = more < 0 && listed.empty() ? 0 : 1;
        EXPECT_EQ(status, problems) << text;
        if (more >= 0) {
            EXPECT_EQ(std::count(listed.begin(), listed.end(), '\n'), 1001) << text;
            EXPECT_NE(
                listed.find("\nd.ls: " + std::to_string(more) + " more messages not listed\n"),
                std::string::npos)
                << text;
        }
        run("check --json d.ls");
        flat_t js = jsonLines(out).at(0);
        EXPECT_EQ(js["more_messages"], std::to_string(std::max(more, 0)));
        int kept = 0; // problems in the JSON list; the statistics are always kept
        for (const auto &[key, value] : js)
            kept +=
                key.size() > 5 && key.compare(key.size() - 5, 5, ".kind") == 0 && value != "info";
        EXPECT_EQ(kept, more >= 0 ? 1000 : std::count(listed.begin(), listed.end(), '\n'));
        for (const std::string &command : commands) {
            run(command);
            EXPECT_EQ(status, problems) << cmd;
            // Export may add a note of its own after the list.
            EXPECT_TRUE(err.substr(0, listed.size()) == listed &&
                        (err.size() == listed.size() || cmd[0] == 'e'))
                << cmd << "\n"
                << err.substr(0, 400) << "...";
        }
        EXPECT_TRUE(fs::exists(dir + "/d.stl") && (!LSYS_HAS_RENDER || fs::exists(dir + "/d.png")));
    }
}

TEST_F(LsysTest, PickPrintsTheDerivationOnly) {
    write("tube.ls", "colour 1 2 3 4\naxiom F\n");
    write("grown.ls", "recursion 1\naxiom XG\nrule X=F(2)+\n");
    const std::string warned = "tube.ls:1: ignoring unknown command 'colour' 1 2 3 4\n",
                      hitF = "err=# sp=1\n0: axiom:  >>F<< \n";
    const flat_t jsonF = {
        {"sp", "1"}, {"levels.0.level", "0"}, {"levels.0.body", "F"}, {"levels.0.mark", "0"}};
    // {arguments, printout, the --json object's numbers and strings but "file" and "err"}
    const std::tuple<const char *, std::string, flat_t> cases[] = {
        {"tube.ls -- -50 0 50", hitF, jsonF}, // on the tube's surface, half way up
        {"tube.ls 0 -50 50", hitF, jsonF},
        {"grown.ls 1 0 1 --growth 0", "nothing\n", {}}, // X unexpanded: nothing drawn
        // Both levels listed: the segment's F, and the rule symbol whose body holds it.
        {"grown.ls 1 0 1",
         "err=# sp=2\n1: rule X:  >>F<< (2.0)+\n0: axiom:  >>X<< G\n",
         {{"sp", "2"},
          {"levels.0.level", "1"},
          {"levels.0.rule", "X"},
          {"levels.0.body", "F(2.0)+"},
          {"levels.0.mark", "0"},
          {"levels.1.level", "0"},
          {"levels.1.body", "XG"},
          {"levels.1.mark", "0"}}},
    };
    for (const auto &[args, want, wantJson] : cases) {
        const bool tube = args[0] == 't';
        expect(std::string("pick ") + args, tube, want, tube ? warned : "");
        EXPECT_LT(pickErr, 0.01) << cmd;
        run(std::string("pick --json ") + args);
        flat_t got = jsonLines(out).at(0);
        EXPECT_LT(atof(got["err"].c_str()), 0.01) << cmd;
        EXPECT_EQ(out.find("\"hit\":true") != std::string::npos, want != "nothing\n") << cmd;
        got.erase("err"), got.erase("file");
        EXPECT_EQ(got, wantJson) << cmd;
    }
    expect("pick none.ls 0 0 0", 2, "", "lsys: none.ls: No such file or directory\n");
}

// Outputs come out whole even when interrupted, out of memory, or written twice at once.
TEST_F(LsysTest, OutputsAreWrittenSafely) {
    write("f.ls", "axiom F\n");
    write("red.ls", "axiom c(1)F\n");
    write("blue.ls", "axiom c(3)F\n");
    write("two.ls", "axiom FcF\n");
    ASSERT_TRUE(fs::create_directory(dir + "/taken.obj"));
    expect("export two.ls --output " + dir + "/out.stl", 0, "");
    EXPECT_EQ(slurp(dir + "/out.stl").size(), 84u + 50u * 64u);
    expect("export f.ls -o taken.obj", 2, "", "lsys: taken.obj: Is a directory\n");
    EXPECT_FALSE(fs::exists(dir + "/taken.mtl"));

    // Two exports to one OBJ name at once leave a pair from the same run.
    for (int i = 0; i < 15; i++) {
        run("export red.ls -o m.obj & " LSYS_BINARY " export blue.ls -o m.obj; wait");
        const std::string obj = slurp(dir + "/m.obj"), mtl = slurp(dir + "/m.mtl");
        const size_t use = obj.find("usemtl ");
        ASSERT_NE(use, std::string::npos);
        const std::string name = obj.substr(use + 7, obj.find('\n', use) - use - 7);
        EXPECT_NE(mtl.find("newmtl " + name + "\n"), std::string::npos) << name << "\n" << mtl;
    }

    // Interrupted while writing, or out of memory: no output, no temporary.
    write("big.ls", "recursion 16\naxiom F\nrule F=F[+F]F\n");
    run("export big.ls -o big.stl & sleep 0.3; kill -INT $!; wait");
    EXPECT_FALSE(fs::exists(dir + "/big.stl") && fs::file_size(dir + "/big.stl") < 84);
#if !defined(__SANITIZE_ADDRESS__) // a sanitizer reserves more address space than the limit
    fs::remove(dir + "/big.stl");
    run("--version >/dev/null; ulimit -v 150000; " LSYS_BINARY " export big.ls -o big.stl");
    EXPECT_EQ(status, 2);
    EXPECT_NE(err.find("lsys: out of memory\n"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir + "/big.stl"));
#endif
    for (const auto &e : fs::directory_iterator(dir))
        EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
}

TEST_F(LsysTest, RenderChoosesTheFormatByExtension) {
    if (!LSYS_HAS_RENDER) GTEST_SKIP() << "no render in this build";
    write("f.ls", "axiom F\n");
    const std::pair<const char *, std::string> cases[] = {
        {"pic.png", "\x89PNG"}, {"pic.JPG", "\xff\xd8\xff"}, {"pic.jpeg", "\xff\xd8\xff"}};
    for (const auto &[name, magic] : cases) {
        expect(std::string("render f.ls --size 16x12 -o ") + name, 0, "");
        EXPECT_EQ(slurp(dir + "/" + name).substr(0, magic.size()), magic) << name;
    }
}

TEST_F(LsysTest, BashCompletesCommandsOptionsAndFiles) {
    write("f.ls", "");
    write("m.stl", "");
    write("p.png", "");
    const std::pair<const char *, const char *> cases[] = {
        {"lsys ch", "check"},
        {"lsys help re", "render"},
        {"lsys render f.ls --a", "--aa"},
        {"lsys check ", "f.ls"},
        {"lsys export f.ls -o ", "m.stl"},
        {"lsys render f.ls -o ", "p.png"},
    };
    // Completes the line given as $1 as bash would on a Tab at its end.
    std::ofstream(base + "/complete.sh")
        << "shopt -s extglob; source " LSYS_COMPLETION "\n"
        << "read -ra COMP_WORDS <<< \"$1\"; [[ $1 == *' ' ]] && COMP_WORDS+=('')\n"
        << "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _lsys; echo \"${COMPREPLY[*]}\"\n";
    for (const auto &[line, want] : cases) {
        int st = system(("cd " + dir + " && bash ../complete.sh '" + line + "' >../o").c_str());
        EXPECT_EQ(st, 0) << line;
        EXPECT_EQ(slurp(base + "/o"), std::string(want) + "\n") << line;
    }
}

} // namespace
