// Test tables kept as data files under tests/data/: one row a line, fields separated by tabs,
// with the escapes \n, \t, \\ and \xHH inside fields; blank lines and lines that start with '#'
// are skipped. A file that cannot be read gives no rows, which every caller checks.
#ifndef SPRIG_TESTS_TABLE_H
#define SPRIG_TESTS_TABLE_H

#include <string>
#include <vector>

using table_row_t = std::vector<std::string>;

// The rows of tests/data/<name>.
std::vector<table_row_t> readTable(const std::string &name);

#endif
