// What the engine tests share: GoogleTest, the engine, and small helpers over them.
#ifndef SPRIG_TESTS_ENGINE_TEST_H
#define SPRIG_TESTS_ENGINE_TEST_H

#include <gtest/gtest.h>
#include <locale.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "lsys.h"
#include "record_sink.h"
#include "rows.h"
#include "trace_log.h"

struct LsysDeleter {
    void operator()(lsys_t *l) const { lsysFree(l); }
};
using LsysPtr = std::unique_ptr<lsys_t, LsysDeleter>;

// A model from a description, built the way the application does; parser messages dropped.
inline LsysPtr modelFrom(const std::string &text) {
    LsysPtr l(lsysInit());
    if (l) lsysParse(l.get(), nullTrace, text.c_str());
    return l;
}

// Messages print as "code: text" in failure reports.
inline void PrintTo(const logged_msg_t &m, std::ostream *os) {
    *os << m.code << ": " << m.text;
}

// Rules a..z, A..F, each doubling into the next, the last empty: 2^31 bodies and no token.
inline std::string emptyChain() {
    std::string text = "axiom a\nrule F=\n", names = "abcdefghijklmnopqrstuvwxyzABCDEF";
    for (size_t i = 0; i + 1 < names.size(); i++)
        text += "rule " + names.substr(i, 1) + "=" + names.substr(i + 1, 1) + names[i + 1] + "\n";
    return text;
}

// A token string as text, each parameter as "(x)" printed by "%g".
inline std::string tokString(const tok_t *t) {
    std::string s = t ? "" : "<null>";
    for (char buf[64]; t && t->cmd; t++)
        s += t->cmd == '(' ? (lsysFormatf(buf, sizeof buf, "(%g)", t->param), buf)
                           : std::string(1, (char)t->cmd);
    return s;
}

// Coordinate k of the centroid of recorded triangle t.
inline float centroid(const RecordSink &s, size_t t, int k) {
    return (s.corner(t, 0).pos[k] + s.corner(t, 1).pos[k] + s.corner(t, 2).pos[k]) / 3;
}

// The whole file as bytes ("" when it cannot be read).
inline std::string readFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The regular files in dir with the given extension ("" for any), sorted by path.
inline std::vector<std::string> filesIn(const char *dir, const char *extension) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto &e : std::filesystem::directory_iterator(dir, ec))
        if (e.is_regular_file() && (!*extension || e.path().extension() == extension))
            out.push_back(e.path().string());
    std::sort(out.begin(), out.end());
    return out;
}

// Makes a comma-decimal locale current if the C library has one; the caller restores "C".
inline bool useCommaLocale() {
    for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8",
                             "nl_NL.UTF-8", "it_IT.UTF-8", "ru_RU.UTF-8", "de_DE"}) {
        float read = 0;
        char printed[8];
        if (!setlocale(LC_ALL, name)) continue;
        snprintf(printed, sizeof printed, "%.1f", 1.5);
        if (sscanf("1.5", "%f", &read) == 1 && read == 1.0f && !strcmp(printed, "1,5")) return true;
    }
    setlocale(LC_ALL, "C");
    return false;
}

#endif
