// Tables of test cases kept in data files (tests/data/...): one row a line, fields separated by
// '|' and trimmed, a field in double quotes keeps its blanks, "\n", "\t" and "\xNN" are decoded
// ("\x7c" is a '|' inside a field); blank lines and lines starting with '#' are skipped. Numbers
// are read with strtod, so "inf", "-inf", "nan" and "1e300" work. A field may be a script of
// steps, run by runScript.
#ifndef SPRIG_TESTS_ROWS_H
#define SPRIG_TESTS_ROWS_H

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using row_t = std::vector<std::string>;

inline std::string rowField(std::string f) {
    const size_t a = f.find_first_not_of(" \t"), b = f.find_last_not_of(" \t\r");
    f = a == std::string::npos ? std::string() : f.substr(a, b - a + 1);
    if (f.size() >= 2 && f.front() == '"' && f.back() == '"') f = f.substr(1, f.size() - 2);
    std::string out;
    for (size_t i = 0; i < f.size(); ++i) {
        if (f[i] != '\\' || i + 1 == f.size()) {
            out += f[i];
        } else if (f[++i] == 'x') {
            out += (char)strtol(f.substr(i + 1, 2).c_str(), nullptr, 16);
            i += 2;
        } else {
            out += f[i] == 'n' ? '\n' : f[i] == 't' ? '\t' : f[i];
        }
    }
    return out;
}

// The rows of the table at path; none when it cannot be read.
inline std::vector<row_t> readRows(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<row_t> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos || line[0] == '#') continue;
        row_t row;
        std::istringstream fields(line);
        for (std::string f; std::getline(fields, f, '|');)
            row.push_back(rowField(f));
        if (line.find_last_not_of(" \t\r") == line.rfind('|')) row.push_back(std::string());
        rows.push_back(row);
    }
    return rows;
}

// The rows of tests/data/<name>; a table that is missing or empty ends the test program.
inline std::vector<row_t> dataRows(const std::string &name) {
    std::vector<row_t> rows = readRows(SPRIG_TESTS_DIR "/data/" + name);
    if (rows.empty()) fprintf(stderr, "no rows in tests/data/%s\n", name.c_str()), abort();
    return rows;
}

inline double rowNumber(const std::string &field) {
    return strtod(field.c_str(), nullptr);
}

// The next word of a script step as a number (">>" would refuse "inf" and "nan"); 0 at its end.
inline double readNumber(std::istream &in) {
    std::string w;
    return in >> w ? rowNumber(w) : 0.0;
}

// The numbers of a field separated by blanks.
inline std::vector<double> rowNumbers(const std::string &field) {
    std::istringstream in(field);
    std::vector<double> out;
    for (std::string w; in >> w;)
        out.push_back(rowNumber(w));
    return out;
}

// Numbers as script tables write them: `digits` significant digits, 0 for anything below 1e-6.
template <class T> std::string rowText(const T *v, int n, int digits = 5) {
    std::string out;
    for (char buf[40]; n-- > 0; out += buf, v++)
        snprintf(buf, sizeof buf, n ? "%.*g " : "%.*g", digits, fabs(*v) < 1e-6 ? 0.0 : (double)*v);
    return out;
}

// A script of steps separated by ';': each goes to step(name, rest of the step) as its first
// word and an istream over the rest; the answers it returns are joined by blanks.
template <class F> std::string runScript(const std::string &script, F step) {
    std::string out, text, name;
    std::istringstream steps(script);
    while (std::getline(steps, text, ';')) {
        std::istringstream in(text);
        in >> name;
        const std::string answer = step(name, in);
        out += (out.empty() || answer.empty() ? "" : " ") + answer;
    }
    return out;
}

#endif
