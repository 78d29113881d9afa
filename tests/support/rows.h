// Tables of test cases kept in data files (tests/data/...): one row a line, fields separated by
// '|' and trimmed, a field in double quotes keeps its blanks, "\n", "\t" and "\xNN" are decoded
// ("\x7c" is a '|' inside a field); blank lines and lines starting with '#' are skipped. Numbers
// are read with strtod, so "inf", "-inf", "nan" and "1e300" work.
#ifndef SPRIG_TESTS_ROWS_H
#define SPRIG_TESTS_ROWS_H

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

#ifdef SPRIG_TESTS_DIR
// The rows of tests/data/<name>; a table that is missing or empty ends the test program.
inline std::vector<row_t> dataRows(const std::string &name) {
    std::vector<row_t> rows = readRows(SPRIG_TESTS_DIR "/data/" + name);
    if (rows.empty()) fprintf(stderr, "no rows in tests/data/%s\n", name.c_str()), abort();
    return rows;
}
#endif

inline double rowNumber(const std::string &field) {
    return strtod(field.c_str(), nullptr);
}

// The numbers of a field separated by blanks.
inline std::vector<double> rowNumbers(const std::string &field) {
    std::istringstream in(field);
    std::vector<double> out;
    for (std::string w; in >> w;)
        out.push_back(rowNumber(w));
    return out;
}

#endif
