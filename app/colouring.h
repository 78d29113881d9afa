/* The editor's colouring scanner: a small line scanner of its own, not the parser. It finds
 * which characters the text defines rules for, and for each line the spans to colour: the
 * leading word (dark red), comments (green) and links from a rule character to its definition.
 * It never reports problems and accepts any text.
 *
 * Texts are ISO Latin 1 bytes, one byte per editor character, so every offset here is also a
 * character index in the editor. A line ends at a line feed, a carriage return or the end of the
 * text; a NUL byte ends the text as it does for the parser.
 */
#ifndef SPRIG_APP_COLOURING_H
#define SPRIG_APP_COLOURING_H

#include <stdint.h>

#include <vector>

/* Per byte value: 1 + the offset of the character that defines a rule for it, 0 for none. The
 * first definition in the text wins. */
typedef struct colour_defs_t {
    int32_t at[256];
} colour_defs_t;

typedef enum colour_kind_t { COLOUR_LEADING, COLOUR_COMMENT, COLOUR_LINK } colour_kind_t;

typedef struct colour_span_t {
    int32_t start; /* offset from the start of the scanned text */
    int32_t length;
    colour_kind_t kind;
    int32_t target; /* links: the table entry (definition offset + 1); 0 otherwise */
} colour_span_t;

/* First pass over the whole text (len bytes, or up to a NUL). */
void colourDefinitions(const char *text, int32_t len, colour_defs_t *defs);

/* Second pass over a piece of text made of whole lines (one editor block, which may hold
 * several lines when it contains carriage returns); span offsets are relative to text. Trailing
 * comments after leading words other than "rule" and "axiom" (as in 'angle 30 # steep') are
 * coloured too. */
void colourLines(const char *text, int32_t len, const colour_defs_t *defs,
                 std::vector<colour_span_t> *spans);

#endif
