// Runs the real lsys program as tests/data/cli/runs.txt says, and checks its JSON numbers.
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "json.h"

namespace {

namespace fs = std::filesystem;

std::string slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Each case of tests/data/cli/runs.txt, run by sh in a fresh folder (as root in a mount
// namespace of its own, where a case may mount a small file system to fill).
TEST(Lsys, RunsAsTheTableSays) {
    char tmpl[] = "/tmp/lsys_cli_test.XXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    const std::string base = tmpl, dir = base + "/w";
    const bool unshared = system("unshare -m true 2>/dev/null") == 0;
    for (const char *var :
         {"LSYS=" LSYS_BINARY, "VERSION=" LSYS_VERSION, "COMPLETION=" LSYS_COMPLETION,
          "EXAMPLES=" SPRIG_EXAMPLES_DIR, "SOURCE=" SPRIG_SOURCE_DIR,
          "DATA=" SPRIG_TESTS_DIR "/data/cli", LSYS_HAS_RENDER ? "HAS_RENDER=1" : "HAS_RENDER=0",
#ifdef __SANITIZE_ADDRESS__
          "SANITIZED=1"})
#else
          "SANITIZED=0"})
#endif
        putenv((char *)var);
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
        std::ofstream(dir + "/f.ls") << "axiom F\n";
        // Mesa keeps allocations past exit: a sanitized render is not checked for leaks.
        std::ofstream(base + "/case.sh")
            << (command.find("render") != std::string::npos ? "export ASAN_OPTIONS=detect_leaks=0\n"
                                                            : "")
            << ". " SPRIG_TESTS_DIR "/data/cli/helpers.sh\ncd " << dir << " || exit 99\n(" << f[0]
            << ") >/dev/null 2>&1; s=$?; [ $s = 77 ] && exit 77; [ $s = 0 ] || exit 98\n("
            << command << ") >../o 2>../e; echo $? >../status\n(" << f.back()
            << ") && [ -z \"$(find . -name '.?*')\" ]\n";
        const int st = system(((unshared ? "unshare -m sh " : "sh ") + base + "/case.sh").c_str());
        if (WIFEXITED(st) && WEXITSTATUS(st) == 77) continue;
        ran++;
        const std::string err = slurp(base + "/e");
        EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 0) << line << "\n" << err;
        EXPECT_EQ(slurp(base + "/status"), f[f.size() - 3] + "\n") << line << "\n" << err;
        EXPECT_TRUE(wantErr == "-" ? err.empty() : err.find(wantErr) != std::string::npos)
            << line << "\n"
            << err;
    }
    EXPECT_GE(ran, 70);
    fs::remove_all(base);
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
        std::string digits; // the significant ones
        for (char c : text.substr(0, text.find_first_of("eE")))
            digits +=
                isdigit((unsigned char)c) && (c != '0' || !digits.empty()) ? std::string(1, c) : "";
        digits.erase(digits.find_last_not_of('0') + 1);
        int n = 0;
        char buf[32];
        while (snprintf(buf, sizeof buf, "%.*e", n, v), strtof(buf, nullptr) != v)
            n++;
        EXPECT_EQ(digits.size(), (size_t)n + 1) << text << " against " << buf;
    }
}

} // namespace
