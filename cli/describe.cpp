/* Reading and drawing a description for the lsys commands (see describe.h). */
#include "describe.h"

#include <stdarg.h>

#include <new>

#include "io.h"

static std::vector<cli_msg_t> gMessages;
static size_t gProblemsKept;
static unsigned long long gOmitted;

const std::vector<cli_msg_t> &cliMessages() {
    return gMessages;
}

unsigned long long cliMessagesOmitted() {
    return gOmitted;
}

bool cliHadProblems() {
    return gProblemsKept > 0 || gOmitted > 0;
}

void cliMessagesClear() {
    std::vector<cli_msg_t>().swap(gMessages);
    gProblemsKept = 0;
    gOmitted = 0;
}

int cliTrace(int32_t code, const char *fmt, ...) {
    const bool problem = code != CODE_INFO;
    if (problem && gProblemsKept >= CLI_MAX_MESSAGES) {
        gOmitted++;
        return (int)gMessages.size();
    }
    char buf[TRACE_TEXT];
    va_list ap;
    va_start(ap, fmt);
    lsysFormat(buf, sizeof buf, fmt, ap);
    va_end(ap);
    /* Called from inside the engine, which must not see an exception: a message that cannot
     * be stored is counted instead. */
    try {
        gMessages.push_back({code, buf});
        gProblemsKept += problem;
    } catch (const std::bad_alloc &) {
        gOmitted += problem;
    }
    return (int)gMessages.size();
}

bool describeRead(const std::string &path, std::string *text, std::string *err) {
    return ioReadFile(path, text, err);
}

lsys_t *describeDraw(const std::string &text, float growth, const emit_t *emit) {
    lsys_job_t job = {text.c_str(), growth, NULL, emit, NULL, 1, 0};
    return lsysBuild(&job, cliTrace);
}
