/* Reading one subcommand's command line with QCommandLineParser, plus strict number parsing.
 *
 * Arguments are handed to the parser as Latin-1, which maps every byte to one character and
 * back, so file names that are not valid UTF-8 reach the program unchanged. */
#ifndef SPRIG_CLI_ARGS_H
#define SPRIG_CLI_ARGS_H

#include <map>
#include <string>
#include <vector>

/* The whole text as a finite number in the "C" locale (no trailing characters). */
bool argsNumber(const char *text, double *out);

/* An option a subcommand accepts: its names ("o,output") and, for options that take a value,
 * the value's name in the help ("OUT"); NULL for a flag. */
struct arg_option_t {
    const char *names;
    const char *value;
};

struct args_t {
    std::vector<std::string> operands;
    std::map<std::string, std::string> values; /* by the option's last name: the last value */
    std::vector<std::string> flags;            /* flags given, by their last name */
    bool help = false;
    std::string error; /* set when the arguments cannot be read */

    bool has(const std::string &flag) const;
    /* The option's value, or fallback when it was not given. */
    std::string value(const std::string &name, const std::string &fallback = "") const;
};

/* Reads argv[first..argc-1]: options may come anywhere ("--name VALUE", "--name=VALUE",
 * "-o VALUE"), "--" ends them, and a negative number such as "-5" is an operand. -h and --help
 * are always accepted. */
args_t argsScan(int argc, char **argv, int first, const std::vector<arg_option_t> &options);

/* The --growth value (1 when absent): false with *err set when it is not a finite number of 0
 * or more. */
bool argsGrowth(const args_t &a, float *growth, std::string *err);

#endif
