/* Command-line argument helpers: strict number parsing and option scanning. */
#ifndef SPRIG_CLI_ARGS_H
#define SPRIG_CLI_ARGS_H

#include <string>
#include <vector>

/* The whole text as a finite number in the "C" locale (no trailing characters). */
bool argsNumber(const char *text, double *out);

/* One subcommand's arguments split into options and operands. Options take the forms
 * "--name VALUE", "--name=VALUE", "-o VALUE" or a bare flag; "--" ends the options. */
struct args_t {
    std::vector<std::string> operands;
    std::string growth; /* empty when not given */
    std::string output;
    bool json = false, stats = false, help = false;
    std::string error; /* set when the arguments cannot be read */
};

/* Scans argv[first..argc-1]. allowed lists the options the subcommand accepts, among
 * "growth", "output", "json", "stats". */
args_t argsScan(int argc, char **argv, int first, const std::vector<std::string> &allowed);

#endif
