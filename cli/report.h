/* Turning the engine's messages into lsys's human-readable lines:
 *   FILE:LINE: TEXT          parser message about a line (code 0 or more)
 *   FILE: TEXT               parser message about no line (code -1)
 *   FILE: exec: TEXT         problem met while drawing (code -2)
 *   FILE: unknown: TEXT      command the interpreter does not know (code -100)
 *   FILE: info: TEXT         drawing statistics (code -10), only when asked for
 */
#ifndef SPRIG_CLI_REPORT_H
#define SPRIG_CLI_REPORT_H

#include <stdio.h>

#include <string>
#include <vector>

#include "describe.h"

/* The 1-based line that starts at byte offset off: one more than the line breaks before it,
 * where CR LF is one break and a lone CR or a lone LF is one each. */
unsigned reportLine(const std::string &text, size_t off);

/* Message text for a terminal: Latin-1 converted to UTF-8, control characters (C0, DEL and
 * C1) shown as \xHH so a description cannot send escape sequences to the terminal. */
std::string reportText(const std::string &latin1);

/* True for messages that count as problems (everything but the statistics). */
bool reportIsProblem(const cli_msg_t &m);

/* The human-readable line for one message, with its newline. */
std::string reportHuman(const std::string &file, const std::string &text, const cli_msg_t &m);

/* Writes the problems (and the statistics when stats is set) in order. */
void reportHumanAll(FILE *out, const std::string &file, const std::string &text,
                    const std::vector<cli_msg_t> &msgs, bool stats);

#endif
