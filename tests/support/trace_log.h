/* A trace_t that keeps every message (code and formatted text) for tests to inspect. */
#ifndef SPRIG_TESTS_TRACE_LOG_H
#define SPRIG_TESTS_TRACE_LOG_H

#include <string>
#include <vector>

#include "lsys.h"

struct logged_msg_t {
    int code;
    std::string text;
    bool operator==(const logged_msg_t &o) const { return code == o.code && text == o.text; }
};

/* Messages received by traceLog since the last traceLogClear. */
std::vector<logged_msg_t> &traceLogged();
void traceLogClear();
int traceLog(int32_t code, const char *fmt, ...);

#endif
