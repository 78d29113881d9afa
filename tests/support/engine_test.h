// What the engine tests share: GoogleTest, the engine, a message log, and small helpers.
#ifndef SPRIG_TESTS_ENGINE_TEST_H
#define SPRIG_TESTS_ENGINE_TEST_H

#include <gtest/gtest.h>
#include <locale.h>
#include <math.h>
#include <stdarg.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "lsys.h"
#include "record_sink.h"
#include "rows.h"

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

// A message as traceLog keeps it; printed as "code: text" in failure reports.
struct logged_msg_t {
    int code;
    std::string text;
    bool operator==(const logged_msg_t &o) const { return code == o.code && text == o.text; }
};
inline void PrintTo(const logged_msg_t &m, std::ostream *os) {
    *os << m.code << ": " << m.text;
}

// A trace_t that keeps every message (formatted as traceHook does) until traceLogClear.
inline std::vector<logged_msg_t> &traceLogged() {
    static std::vector<logged_msg_t> logged;
    return logged;
}
inline void traceLogClear() {
    traceLogged().clear();
}
inline int traceLog(int32_t code, const char *fmt, ...) {
    char buf[TRACE_TEXT];
    va_list ap;
    va_start(ap, fmt);
    lsysFormat(buf, sizeof buf, fmt, ap);
    va_end(ap);
    traceLogged().push_back({code, buf});
    return (int)traceLogged().size();
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

// Makes the comma-decimal locale current (built for the tests by CMake, found via LOCPATH) if
// there is one; the caller restores "C".
inline bool useCommaLocale() {
    char printed[8] = "";
    if (setlocale(LC_ALL, "de_DE.UTF-8")) snprintf(printed, sizeof printed, "%.1f", 1.5);
    if (!strcmp(printed, "1,5")) return true;
    setlocale(LC_ALL, "C");
    return false;
}

#endif
