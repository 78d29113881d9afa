/* Bracket matching for the editor: which bracket the caret is at and where its partner is.
 * The pairs are ( ), [ ] and { }, each counted on its own (a '[' inside '( )' does not hide a
 * ')'), and a partner is looked for only on the bracket's own line, the one line that holds its
 * rule, and only before a '#' comment, which the parser never reads. Toolkit-free.
 *
 * A line is ISO Latin 1 bytes, one byte per editor character, without its line end; offsets are
 * from the start of the line.
 */
#ifndef SPRIG_APP_BRACKETS_H
#define SPRIG_APP_BRACKETS_H

#include <stdint.h>

typedef struct bracket_pair_t {
    int32_t bracket; /* the bracket at the caret, -1 when there is none */
    int32_t partner; /* its partner, -1 when it has none on the line */
} bracket_pair_t;

/* The bracket at a caret between two bytes (0..len): the byte after the caret when it is a
 * bracket, else the byte before it. */
bracket_pair_t bracketAtCaret(const char *line, int32_t len, int32_t caret);

#endif
