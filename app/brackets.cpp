/* Bracket matching on one line (see brackets.h). */
#include "brackets.h"

#include <string.h>

static const char kOpen[] = "([{";
static const char kClose[] = ")]}";

/* The length of the part of the line the parser reads: up to a '#' comment. */
static int32_t codeLength(const char *line, int32_t len) {
    const void *hash = len > 0 ? memchr(line, '#', (size_t)len) : nullptr;
    return hash ? (int32_t)((const char *)hash - line) : len;
}

static bool isBracket(char c) {
    return c != 0 && (strchr(kOpen, c) || strchr(kClose, c));
}

/* The partner of the bracket at `at`, counting only brackets of its own kind. */
static int32_t partnerOf(const char *line, int32_t code, int32_t at) {
    const char *open = strchr(kOpen, line[at]);
    const char self = line[at];
    const char other = open ? kClose[open - kOpen] : kOpen[strchr(kClose, self) - kClose];
    const int32_t step = open ? 1 : -1;
    int32_t depth = 0;
    for (int32_t i = at; i >= 0 && i < code; i += step) {
        if (line[i] == self)
            depth++;
        else if (line[i] == other && --depth == 0)
            return i;
    }
    return -1;
}

bracket_pair_t bracketAtCaret(const char *line, int32_t len, int32_t caret) {
    bracket_pair_t pair = {-1, -1};
    const int32_t code = codeLength(line, len);
    if (caret < code && caret >= 0 && isBracket(line[caret]))
        pair.bracket = caret;
    else if (caret > 0 && caret <= code && isBracket(line[caret - 1]))
        pair.bracket = caret - 1;
    if (pair.bracket >= 0) pair.partner = partnerOf(line, code, pair.bracket);
    return pair;
}
