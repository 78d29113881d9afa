/* The step every lsys command shares: read the description as bytes and draw it through the
 * engine's one pipeline (lsysBuild), as the window does, but with the description's own
 * limits where the window puts its ceilings over them.
 *
 * Messages are kept up to CLI_MAX_MESSAGES per description; past that a message is only
 * counted (not formatted), so a description that repeats one fault millions of times costs a
 * counter, not gigabytes. The drawing statistics are always kept. */
#ifndef SPRIG_CLI_DESCRIBE_H
#define SPRIG_CLI_DESCRIBE_H

#include <stdint.h>

#include <string>
#include <vector>

#include "lsys.h"

enum { CLI_MAX_MESSAGES = 1000 };

struct cli_msg_t {
    int32_t code;
    std::string text; /* ISO Latin 1 bytes, cut to 254 like the editor's messages */
};

/* The messages kept since the last cliMessagesClear, in order of arrival. */
const std::vector<cli_msg_t> &cliMessages();
/* How many messages arrived after the store was full (none of them statistics). */
unsigned long long cliMessagesOmitted();
/* True when any message since the last clear, kept or not, was a problem (not a statistic). */
bool cliHadProblems();
void cliMessagesClear();
/* The trace_t that fills the store. */
int cliTrace(int32_t code, const char *fmt, ...);

/* The file's bytes (all of them: the engine reads up to the first NUL, as in the editor),
 * through the reading function shared with the window. False with the reason in *err. */
bool describeRead(const std::string &path, std::string *text, std::string *err);

/* lsysBuild of the text with growth and no ceilings, drawn into emit (NULL discards the
 * triangles). Messages go to cliTrace. NULL when out of memory. The caller frees the model with
 * lsysFree. */
lsys_t *describeDraw(const std::string &text, float growth, const emit_t *emit);

#endif
