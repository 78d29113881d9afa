/* Argument helpers (see args.h). */
#include "args.h"

#include <errno.h>
#include <locale.h>
#include <math.h>
#include <stdlib.h>

#include <ctype.h>

#include <algorithm>

bool argsNumber(const char *text, double *out) {
    static locale_t c = newlocale(LC_ALL_MASK, "C", (locale_t)0);
    if (!text || !*text || !c) return false;
    char *end = NULL;
    errno = 0;
    double v = strtod_l(text, &end, c);
    if (end == text || *end != '\0' || !isfinite(v)) return false;
    if (out) *out = v;
    return true;
}

/* "-5", "-.5", "-inf", "-nan": a negative or malformed number, not an option; the command
 * then says what is wrong with it. */
static bool looksNumeric(const std::string &arg) {
    if (arg.size() < 2 || arg[0] != '-') return false;
    if (isdigit((unsigned char)arg[1]) || arg[1] == '.') return true;
    std::string rest = arg.substr(1, 3);
    for (char &ch : rest)
        ch = (char)tolower((unsigned char)ch);
    return rest == "inf" || rest == "nan";
}

args_t argsScan(int argc, char **argv, int first, const std::vector<std::string> &allowed) {
    args_t a;
    auto accepts = [&](const char *name) {
        return std::find(allowed.begin(), allowed.end(), name) != allowed.end();
    };
    bool options = true;
    for (int i = first; i < argc; i++) {
        std::string arg = argv[i];
        if (!options || arg.size() < 2 || arg[0] != '-' || looksNumeric(arg)) {
            a.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options = false;
            continue;
        }
        std::string name = arg, value;
        bool inlineValue = false;
        size_t eq = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inlineValue = true;
        }
        std::string *target = nullptr;
        if (name == "--help" || name == "-h") {
            a.help = true;
            continue;
        } else if (name == "--growth" && accepts("growth")) {
            target = &a.growth;
        } else if ((name == "-o" || name == "--output") && accepts("output")) {
            target = &a.output;
        } else if (name == "--json" && accepts("json") && !inlineValue) {
            a.json = true;
            continue;
        } else if (name == "--stats" && accepts("stats") && !inlineValue) {
            a.stats = true;
            continue;
        } else {
            a.error = "unknown option '" + arg + "'";
            return a;
        }
        if (!inlineValue) {
            if (i + 1 >= argc) {
                a.error = "option '" + name + "' needs a value";
                return a;
            }
            value = argv[++i];
        }
        *target = value;
    }
    return a;
}
