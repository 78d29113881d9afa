// Runs the real lsys program in a temporary directory and checks what it prints and how it exits.
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <tiny_gltf.h>

#include "json.h"

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
        // Grouped, so every command of "a & b; wait" runs in dir and is captured. Mesa keeps
        // allocations past exit, so a sanitized render is not checked for leaks.
        const std::string env = args.rfind("render", 0) == 0 ? "ASAN_OPTIONS=detect_leaks=0 " : "";
        int st = system(
            ("cd " + dir + " && (" + env + LSYS_BINARY " " + args + ") >../o 2>../e").c_str());
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

// Each case of tests/data/cli/runs.txt, run by sh in a fresh folder (as root in a mount
// namespace of its own, where a case may mount a small file system to fill).
TEST_F(LsysTest, RunsAsTheTableSays) {
    const bool unshared = system("unshare -m true 2>/dev/null") == 0;
#if defined(__SANITIZE_ADDRESS__)
    setenv("SANITIZED", "1", 1);
#else
    setenv("SANITIZED", "0", 1);
#endif
    setenv("HAS_RENDER", LSYS_HAS_RENDER ? "1" : "0", 1);
    setenv("LSYS", LSYS_BINARY, 1);
    setenv("VERSION", LSYS_VERSION, 1);
    setenv("COMPLETION", LSYS_COMPLETION, 1);
    setenv("EXAMPLES", SPRIG_EXAMPLES_DIR, 1);
    setenv("SOURCE", SPRIG_SOURCE_DIR, 1);
    setenv("DATA", SPRIG_TESTS_DIR "/data/cli", 1);
    std::ifstream in(SPRIG_TESTS_DIR "/data/cli/runs.txt");
    int ran = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        for (size_t at = 0, bar = 0; bar != std::string::npos; at = bar + 3)
            f.push_back(line.substr(at, (bar = line.find(" | ", at)) - at));
        ASSERT_GE(f.size(), 5u) << line;
        std::string command = f[1];
        for (size_t i = 2; i + 3 < f.size(); i++)
            command += " | " + f[i];
        const std::string &wantErr = f[f.size() - 2];
        fs::remove_all(dir);
        fs::create_directory(dir);
        write("f.ls", "axiom F\n");
        // Mesa keeps allocations past exit: a sanitized render is not checked for leaks.
        const char *env = command.find("render") != std::string::npos
                              ? "export ASAN_OPTIONS=detect_leaks=0\n"
                              : "";
        std::ofstream(base + "/case.sh")
            << env << ". " SPRIG_TESTS_DIR "/data/cli/helpers.sh\ncd " << dir << " || exit 99\n("
            << f[0] << ") >/dev/null 2>&1; s=$?; [ $s = 77 ] && exit 77; [ $s = 0 ] || exit 98\n("
            << command << ") >../o 2>../e; echo $? >../status\n(" << f.back()
            << ") && [ -z \"$(find . -name '.?*')\" ]\n";
        const int st = system(((unshared ? "unshare -m sh " : "sh ") + base + "/case.sh").c_str());
        if (WIFEXITED(st) && WEXITSTATUS(st) == 77) continue;
        ran++;
        err = slurp(base + "/e");
        EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << line << "\n" << err;
        EXPECT_EQ(slurp(base + "/status"), f[f.size() - 3] + "\n") << line << "\n" << err;
        if (wantErr == "-") {
            EXPECT_EQ(err, "") << line;
        }
        EXPECT_TRUE(wantErr == "-" || err.find(wantErr) != std::string::npos) << line << "\n"
                                                                              << err;
    }
    EXPECT_GE(ran, 60);
}

// A float in JSON is the shortest decimal that reads back to it: it reads back, and has as few
// significant digits as the shortest "%.Ne" that does, over random bit patterns.
TEST(JsonNumber, IsTheShortestDecimalThatReadsBack) {
    std::mt19937 random(1);
    for (int i = 0; i < 50000; i++) {
        const uint32_t bits = random();
        float v;
        memcpy(&v, &bits, 4);
        if (!std::isfinite(v)) {
            EXPECT_TRUE(jsonNumber(v).isNull());
            continue;
        }
        std::string text = jsonLine(QJsonObject{{"v", jsonNumber(v)}});
        text = text.substr(5, text.size() - 7); // {"v":...}\n
        EXPECT_EQ(strtof(text.c_str(), nullptr), v) << text;
        std::string digits = text.substr(0, text.find_first_of("eE"));
        digits.erase(std::remove_if(digits.begin(), digits.end(),
                                    [](char c) { return c == '-' || c == '.'; }),
                     digits.end());
        digits = digits.substr(digits.find_first_not_of('0'));
        digits.erase(digits.find_last_not_of('0') + 1);
        int n = 0;
        char buf[32];
        while (snprintf(buf, sizeof buf, "%.*e", n, v), strtof(buf, nullptr) != v)
            n++;
        EXPECT_EQ(digits.size(), (size_t)n + 1) << text << " against " << buf;
    }
}

} // namespace
