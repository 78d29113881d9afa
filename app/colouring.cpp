/* The colouring scanner (see colouring.h). Two linear passes, no allocation per character. */
#include "colouring.h"

#include <string.h>

/* A byte from 1 to 32 other than line feed and carriage return. */
static bool isBlank(unsigned char c) {
    return c >= 1 && c <= 32 && c != '\n' && c != '\r';
}

static bool isWordChar(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

/* Line end: line feed, carriage return, NUL, or the end of the given length. */
static bool atLineEnd(const unsigned char *t, int32_t i, int32_t len) {
    return i >= len || t[i] == '\n' || t[i] == '\r' || t[i] == 0;
}

static void define(colour_defs_t *defs, unsigned char c, int32_t offset) {
    if (defs->at[c] == 0) defs->at[c] = offset + 1;
}

static int32_t skipBlanks(const unsigned char *t, int32_t i, int32_t len) {
    while (i < len && isBlank(t[i]))
        i++;
    return i;
}

/* Past the end of this line and every line feed and carriage return after it. */
static int32_t nextLine(const unsigned char *t, int32_t i, int32_t len) {
    while (!atLineEnd(t, i, len))
        i++;
    while (i < len && (t[i] == '\n' || t[i] == '\r'))
        i++;
    return i;
}

void colourDefinitions(const char *text, int32_t len, colour_defs_t *defs) {
    memset(defs, 0, sizeof *defs);
    const unsigned char *t = (const unsigned char *)text;
    int32_t i = 0;
    while (i < len && t[i] != 0) {
        i = skipBlanks(t, i, len);
        if (i >= len || t[i] == 0) break;
        const int32_t o = i;
        if (len - o >= 4 && memcmp(t + o, "rule", 4) == 0) {
            /* "rule" then the head: defined when followed by a blank, a line end or "=". */
            const int32_t q = skipBlanks(t, o + 4, len);
            if (!atLineEnd(t, q, len)) {
                const int32_t n = q + 1;
                if (n >= len || isBlank(t[n]) || atLineEnd(t, n, len) || t[n] == '=')
                    define(defs, t[q], q);
            }
        } else if (!atLineEnd(t, o, len)) {
            /* Short form: one character, then "=" as the next non-blank on the line. */
            const int32_t n = skipBlanks(t, o + 1, len);
            if (n < len && t[n] == '=') define(defs, t[o], o);
        }
        i = nextLine(t, o, len);
    }
}

static void addSpan(std::vector<colour_span_t> *spans, int32_t start, int32_t length,
                    colour_kind_t kind, int32_t target) {
    spans->push_back({start, length, kind, target});
}

/* From i to the line end: a "#" starts a green comment to the line end; any defined character
 * before it is a link to its definition (when links is true). */
static void scanLinks(const unsigned char *t, int32_t i, int32_t len, const colour_defs_t *defs,
                      bool links, std::vector<colour_span_t> *spans) {
    for (; !atLineEnd(t, i, len); i++) {
        if (t[i] == '#') {
            int32_t e = i;
            while (!atLineEnd(t, e, len))
                e++;
            addSpan(spans, i, e - i, COLOUR_COMMENT, 0);
            return;
        }
        if (links && defs->at[t[i]] != 0) addSpan(spans, i, 1, COLOUR_LINK, defs->at[t[i]]);
    }
}

void colourLines(const char *text, int32_t len, const colour_defs_t *defs,
                 std::vector<colour_span_t> *spans) {
    const unsigned char *t = (const unsigned char *)text;
    int32_t i = 0;
    while (i < len && t[i] != 0) {
        const int32_t s = skipBlanks(t, i, len);
        if (s >= len || t[s] == 0) break;
        int32_t e = s;
        while (e < len && isWordChar(t[e]))
            e++;
        const int32_t run = e - s;
        if (e < len && isBlank(t[e]) && run >= 2) {
            addSpan(spans, s, run, COLOUR_LEADING, 0);
            const bool keyword = (run == 4 && memcmp(t + s, "rule", 4) == 0) ||
                                 (run == 5 && memcmp(t + s, "axiom", 5) == 0);
            scanLinks(t, e, len, defs, keyword, spans);
        } else {
            scanLinks(t, s, len, defs, true, spans);
        }
        i = nextLine(t, s, len);
    }
}
