/* The description parser: reads the text of an L-system (positional and keyword lines) into a
 * model fresh from lsysInit.
 *
 * It never stops on bad input. Each problem goes to the trace_t with the byte offset of the
 * first character of its line; the line is skipped and reading goes on. Afterwards the model
 * always has an axiom.
 */
#include "lsys.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

/* The item that the next item line (or positional keyword) supplies; it only moves forward,
 * unless a positional keyword sets it. */
enum item_t { ITEM_RECURSION, ITEM_ANGLE, ITEM_THICKNESS, ITEM_AXIOM, ITEM_RULE };

static bool isBlank(char c) {
    unsigned char u = (unsigned char)c;
    return u >= 1 && u <= 32;
}

static bool isWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

/* What lsysTokenSpan asks of a parse: where, in the text, the body that defines one rule slot
 * stands. The parser keeps, for the item it is reading, the text offset of each character left
 * after blank removal (map, with one more entry for the item's end), and copies the body and its
 * offsets when the wanted slot is actually defined. */
struct locate_t {
    int slot;
    int32_t map[LSYS_LINE + 1];
    bool found;
    char body[LSYS_LINE + 1];
    int32_t bodyMap[LSYS_LINE + 1];
    int32_t firstName; /* offset of the first rule's name: the axiom when none is given */
};

struct parser_t {
    lsys_t *l;
    trace_t tr;
    int32_t pos; /* offset of the current line's first character */
    item_t expected;
    int firstRule;
    locate_t *loc; /* NULL for an ordinary parse */
};

/* Records body (which starts at compact index at of the current item) as the wanted one. */
static void keepBody(locate_t *loc, const char *body, size_t at) {
    size_t n = strlen(body);
    memcpy(loc->body, body, n + 1);
    memcpy(loc->bodyMap, loc->map + at, (n + 1) * sizeof loc->map[0]);
    loc->found = true;
}

/* A number the setting cannot read leaves it as it was, with a word to the user. */
static void scanFloat(parser_t *ps, const char *word, const char *arg, float *field) {
    if (lsysScan(arg, "%f", field) == 1) return;
    while (isBlank(*arg))
        arg++;
    ps->tr(ps->pos, "ignoring malformed %s '%s'", word, arg);
}

/* "%d" values are stored as the 32 bits of the unsigned field: -1 stores 4294967295. */
static void scanUnsigned(parser_t *ps, const char *word, const char *arg, uint32_t *field) {
    int v;
    if (lsysScan(arg, "%d", &v) == 1) {
        *field = (uint32_t)v;
        return;
    }
    while (isBlank(*arg))
        arg++;
    ps->tr(ps->pos, "ignoring malformed %s '%s'", word, arg);
}

static void parseColor(parser_t *ps, const char *arg) {
    lsys_t *l = ps->l;
    int i, r, g, b;
    if (lsysScan(arg, "%d %d %d %d", &i, &r, &g, &b) < 4) {
        ps->tr(ps->pos, "ignoring malformed color '%s'", arg);
    } else if ((unsigned)i >= LSYS_COLORS) {
        ps->tr(ps->pos, "ignoring color %d - out of range 0..100", i);
    } else if (l->colors) {
        float *c = l->colors + 3 * i;
        c[0] = (float)(r / 255.0);
        c[1] = (float)(g / 255.0);
        c[2] = (float)(b / 255.0);
    }
}

/* A keyword line that sets a value rather than an item. Returns false for an unknown word. */
static bool parseSetting(parser_t *ps, const char *word, const char *arg) {
    lsys_t *l = ps->l;
    if (!strcmp(word, "min_thickness"))
        scanFloat(ps, word, arg, &l->min_thickness);
    else if (!strcmp(word, "trope"))
        scanFloat(ps, word, arg, &l->trope);
    else if (!strcmp(word, "rand"))
        scanFloat(ps, word, arg, &l->rand);
    else if (!strcmp(word, "poly_limit"))
        scanUnsigned(ps, word, arg, &l->poly_limit);
    else if (!strcmp(word, "shape"))
        scanUnsigned(ps, word, arg, &l->shape);
    else if (!strcmp(word, "color"))
        parseColor(ps, arg);
    else if (!strcmp(word, "token_limit"))
        scanUnsigned(ps, word, arg, &l->token_limit);
    else
        return false;
    return true;
}

static void parseRuleItem(parser_t *ps, char *item) {
    lsys_t *l = ps->l;
    char *eq = strchr(item, '=');
    if (!eq) {
        ps->tr(ps->pos, "expected a rule");
        return;
    }
    unsigned char name = (unsigned char)item[0];
    if (item[1] != '=') {
        *eq = 0; /* item now holds the name part alone */
        ps->tr(ps->pos, "naming rule '%s' as just '%c'", item, name);
    }
    if (l->rules[name]) {
        ps->tr(ps->pos, "ignoring redefined rule '%c'", name);
    } else {
        l->rules[name] = parseRule(eq + 1, ps->pos, ps->tr);
        if (ps->loc && ps->loc->slot == name) keepBody(ps->loc, eq + 1, (size_t)(eq + 1 - item));
    }
    if (ps->firstRule < 0) {
        ps->firstRule = name;
        if (ps->loc) ps->loc->firstName = ps->loc->map[0];
    }
}

/* Removes every blank character, wherever it stands, in place; with a map, also notes the text
 * offset of each character kept (at is the offset of s[0]) and of the end. */
static void removeBlanks(char *s, int32_t at, int32_t *map) {
    char *d = s;
    const char *s0 = s;
    for (; *s; s++) {
        if (isBlank(*s)) continue;
        if (map) map[d - s0] = at + (int32_t)(s - s0);
        *d++ = *s;
    }
    if (map) map[d - s0] = at + (int32_t)(s - s0);
    *d = 0;
}

static const char *const itemWord[] = {"recursion", "angle", "thickness"};

/* item points into the line buffer, at text offset at. */
static void parseItem(parser_t *ps, char *item, int32_t at) {
    lsys_t *l = ps->l;
    removeBlanks(item, at, ps->loc ? ps->loc->map : NULL);
    switch (ps->expected) {
    case ITEM_RECURSION:
    case ITEM_ANGLE:
    case ITEM_THICKNESS: {
        float *field[] = {&l->recursion, &l->angle, &l->thickness};
        scanFloat(ps, itemWord[ps->expected], item, field[ps->expected]);
        ps->expected = (item_t)(ps->expected + 1);
        break;
    }
    case ITEM_AXIOM:
        if (l->rules[LSYS_AXIOM]) {
            ps->tr(ps->pos, "ignoring extra axiom");
        } else {
            l->rules[LSYS_AXIOM] = parseRule(item, ps->pos, ps->tr);
            if (ps->loc && ps->loc->slot == LSYS_AXIOM) keepBody(ps->loc, item, 0);
        }
        ps->expected = ITEM_RULE;
        break;
    case ITEM_RULE:
        parseRuleItem(ps, item);
        break;
    }
}

/* Copies the line starting at *p into buf (at most LSYS_LINE characters, so an over-long line
 * continues as a line of its own) and moves *p past it and the line ends that follow. Returns
 * true when the line went on beyond the buffer. */
static bool readLine(const char **p, char buf[LSYS_LINE + 1]) {
    const char *s = *p;
    size_t n = 0;
    while (n < LSYS_LINE && *s && *s != '\n' && *s != '\r')
        buf[n++] = *s++;
    buf[n] = 0;
    const bool split = *s && *s != '\n' && *s != '\r';
    while (*s == '\n' || *s == '\r')
        s++;
    *p = s;
    return split;
}

/* Cuts the comment and the surrounding blanks; returns the start of what is left. */
static char *trimLine(char *buf) {
    char *hash = strchr(buf, '#');
    if (hash) *hash = 0;
    size_t n = strlen(buf);
    while (n > 0 && isBlank(buf[n - 1]))
        buf[--n] = 0;
    while (isBlank(*buf))
        buf++;
    return buf;
}

static void parseText(lsys_t *l, trace_t tr, const char *text, locate_t *loc) {
    freeRule(l->rules[LSYS_AXIOM]); /* the placeholder from lsysInit */
    l->rules[LSYS_AXIOM] = NULL;
    parser_t ps = {l, tr, 0, ITEM_RECURSION, -1, loc};

    static const struct {
        const char *word;
        item_t item;
    } positional[] = {{"recursion", ITEM_RECURSION},
                      {"angle", ITEM_ANGLE},
                      {"thickness", ITEM_THICKNESS},
                      {"axiom", ITEM_AXIOM},
                      {"rule", ITEM_RULE}};

    char buf[LSYS_LINE + 1];
    const char *p = text;
    bool continued = false; /* this piece is the tail of a split line */
    while (*p) {
        ptrdiff_t offset = p - text;
        ps.pos = offset > INT32_MAX ? INT32_MAX : (int32_t)offset;
        const bool split = readLine(&p, buf);
        if (split && !continued)
            tr(ps.pos, "splitting line longer than %d characters", (int)LSYS_LINE);
        continued = split;
        char *line = trimLine(buf);
        if (!*line) continue;
        if (!strcmp(line, "@")) break;
        const int32_t at = ps.pos + (int32_t)(line - buf);

        /* A keyword word: 3 or more letters or underscores, then one blank character. */
        size_t w = 0;
        while (isWordChar(line[w]))
            w++;
        if (w < 3 || !isBlank(line[w])) {
            parseItem(&ps, line, at);
            continue;
        }
        line[w] = 0;
        char *arg = line + w + 1;

        bool isItem = false;
        for (const auto &k : positional) {
            if (!strcmp(line, k.word)) {
                ps.expected = k.item;
                isItem = true;
                break;
            }
        }
        if (isItem)
            parseItem(&ps, arg, at + (int32_t)(w + 1));
        else if (!parseSetting(&ps, line, arg))
            tr(ps.pos, "ignoring unknown command '%s' %s", line, arg);
    }

    if (!l->rules[LSYS_AXIOM]) {
        const int first = ps.firstRule;
        char name[2] = {(char)(first < 0 ? 0 : first), 0};
        l->rules[LSYS_AXIOM] = parseRule(name, CODE_NOLINE, tr);
        if (loc && loc->slot == LSYS_AXIOM && first >= 0) {
            /* The axiom is the first rule's name, where that stands in the text. */
            loc->map[0] = loc->firstName;
            loc->map[1] = loc->firstName + 1;
            keepBody(loc, name, 0);
        }
        if (first < 0)
            tr(CODE_NOLINE, "no axiom");
        else
            tr(CODE_NOLINE, "will use first rule '%c' as axiom", first);
    }
}

void lsysParse(lsys_t *l, trace_t tr, const char *text) {
    if (!l) return;
    parseText(l, tr ? tr : nullTrace, text ? text : "", NULL);
}

int lsysTokenSpan(const char *text, int slot, int32_t token, int32_t *offset, int32_t *length) {
    if (!text || slot < 0 || slot >= LSYS_SLOTS || token < 0) return 0;
    lsys_t *l = lsysInit();
    locate_t *loc = (locate_t *)calloc(1, sizeof(locate_t));
    int found = 0;
    if (l && loc) {
        loc->slot = slot;
        parseText(l, nullTrace, text, loc);
        int32_t from, n;
        if (loc->found && lsysBodyToken(loc->body, token, &from, &n)) {
            *offset = loc->bodyMap[from];
            /* From the first character to the last, blanks inside a parameter included. */
            *length = n ? loc->bodyMap[from + n - 1] + 1 - *offset : 0;
            found = 1;
        }
    }
    free(loc);
    lsysFree(l);
    return found;
}
