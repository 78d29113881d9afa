/* Token strings as readable text for test comparisons. */
#include "tok_string.h"

std::string tokString(const tok_t *t) {
    if (!t) return "<null>";
    std::string s;
    for (; t->cmd; t++) {
        if (t->cmd != '(') {
            s += (char)t->cmd;
            continue;
        }
        char buf[64];
        lsysFormatf(buf, sizeof buf, "(%g)", t->param);
        s += buf;
    }
    return s;
}
