/* Turning the engine's messages into lsys's human-readable lines:
 *   FILE:LINE: TEXT          parser message about a line (code 0 or more)
 *   FILE: TEXT               parser message about no line (code -1)
 *   FILE: exec: TEXT         problem met while drawing (code -2)
 *   FILE: unknown: TEXT      command the interpreter does not know (code -100)
 *   FILE: info: TEXT         drawing statistics (code -10), only when asked for
 *   FILE: N more messages not listed     after the store's cap
 */
#ifndef SPRIG_CLI_REPORT_H
#define SPRIG_CLI_REPORT_H

#include <stdio.h>

#include <string>
#include <vector>

#include "describe.h"
#include "io.h"

/* The start of every line of a text, found once, so that numbering many messages costs a
 * binary search each. A line ends at CR LF, at a lone CR or at a lone LF. */
class LineIndex {
  public:
    explicit LineIndex(const std::string &text);
    /* The 1-based line holding byte offset off (offsets past the end are on the last line). */
    unsigned line(size_t off) const;

  private:
    std::vector<size_t> starts_;
};

/* Message text for a terminal: Latin-1 converted to UTF-8, control characters (C0, DEL and
 * C1) shown as \xHH so a description cannot send escape sequences to the terminal. */
std::string reportText(const std::string &latin1);

/* True for messages that count as problems (everything but the statistics). */
bool reportIsProblem(const cli_msg_t &m);

/* The message's kind as JSON names it: "parse", "exec", "info" or "unknown". */
const char *reportKind(int32_t code);

/* The human-readable line for one message, with its newline. */
std::string reportHuman(const std::string &file, const LineIndex &lines, const cli_msg_t &m);

/* Writes the stored problems (and the statistics when stats is set) in order, then the count
 * of messages past the store's cap, if any. */
void reportHumanAll(FILE *out, const std::string &file, const std::string &text, bool stats);

/* Says on standard error what writing out did that the user may not expect: the other hard
 * links of a replaced file keep its old content. */
void reportWritten(const std::string &out, const io_written_t &written);

#endif
