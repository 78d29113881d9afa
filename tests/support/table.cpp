// Tab-separated test tables: see table.h.
#include "table.h"

#include <stdlib.h>

#include <fstream>

static std::string unescape(const std::string &s) {
    std::string out;
    for (size_t i = 0; i < s.size(); i++) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        if (c == 'x' && i + 2 < s.size()) {
            out += (char)strtol(s.substr(i + 1, 2).c_str(), nullptr, 16);
            i += 2;
        } else {
            out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
        }
    }
    return out;
}

std::vector<table_row_t> readTable(const std::string &name) {
    std::ifstream in(std::string(SPRIG_TESTS_DIR) + "/data/" + name, std::ios::binary);
    std::vector<table_row_t> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        table_row_t row;
        for (size_t from = 0;;) {
            const size_t tab = line.find('\t', from);
            row.push_back(unescape(line.substr(from, tab - from)));
            if (tab == std::string::npos) break;
            from = tab + 1;
        }
        rows.push_back(row);
    }
    return rows;
}
