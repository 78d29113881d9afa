/* The description parser: reads the text of an L-system (positional and keyword lines) into a
 * model fresh from lsysInit.
 *
 * It never stops on bad input. Each problem goes to the trace_t with the byte offset of the
 * first character of its line; the line is skipped and reading goes on. Afterwards the model
 * always has an axiom.
 */
#include "lsys.h"

#include <stdint.h>
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

/* "%d" values are stored as the 32 bits of the unsigned field: -1 stores 4294967295. */
static void scanUnsigned(const char *arg, uint32_t *field) {
    int v;
    if (lsysScan(arg, "%d", &v) == 1) *field = (uint32_t)v;
}

static void parseColor(lsys_t *l, trace_t tr, int32_t pos, const char *arg) {
    int i, r, g, b;
    if (lsysScan(arg, "%d %d %d %d", &i, &r, &g, &b) < 4) {
        tr(pos, "ignoring malformed color '%s'", arg);
    } else if ((unsigned)i >= LSYS_COLORS) {
        tr(pos, "ignoring color %d - out of range 0..100", i);
    } else if (l->colors) {
        float *c = l->colors + 3 * i;
        c[0] = (float)(r / 255.0);
        c[1] = (float)(g / 255.0);
        c[2] = (float)(b / 255.0);
    }
}

/* A keyword line that sets a value rather than an item. Returns false for an unknown word. */
static bool parseSetting(lsys_t *l, trace_t tr, int32_t pos, const char *word, const char *arg) {
    if (!strcmp(word, "min_thickness"))
        lsysScan(arg, "%f", &l->min_thickness);
    else if (!strcmp(word, "trope"))
        lsysScan(arg, "%f", &l->trope);
    else if (!strcmp(word, "rand"))
        lsysScan(arg, "%f", &l->rand);
    else if (!strcmp(word, "poly_limit"))
        scanUnsigned(arg, &l->poly_limit);
    else if (!strcmp(word, "shape"))
        scanUnsigned(arg, &l->shape);
    else if (!strcmp(word, "color"))
        parseColor(l, tr, pos, arg);
    else if (!strcmp(word, "token_limit"))
        scanUnsigned(arg, &l->token_limit);
    else
        return false;
    return true;
}

static void parseRuleItem(lsys_t *l, trace_t tr, int32_t pos, char *item, int *firstRule) {
    char *eq = strchr(item, '=');
    if (!eq) {
        tr(pos, "expected a rule");
        return;
    }
    unsigned char name = (unsigned char)item[0];
    if (item[1] != '=') {
        *eq = 0; /* item now holds the name part alone */
        tr(pos, "naming rule '%s' as just '%c'", item, name);
    }
    if (l->rules[name])
        tr(pos, "ignoring redefined rule '%c'", name);
    else
        l->rules[name] = parseRule(eq + 1, pos, tr);
    if (*firstRule < 0) *firstRule = name;
}

/* Removes every blank character, wherever it stands, in place. */
static void removeBlanks(char *s) {
    char *d = s;
    for (; *s; s++)
        if (!isBlank(*s)) *d++ = *s;
    *d = 0;
}

static void parseItem(lsys_t *l, trace_t tr, int32_t pos, char *item, item_t *expected,
                      int *firstRule) {
    removeBlanks(item);
    switch (*expected) {
    case ITEM_RECURSION:
        lsysScan(item, "%f", &l->recursion);
        *expected = ITEM_ANGLE;
        break;
    case ITEM_ANGLE:
        lsysScan(item, "%f", &l->angle);
        *expected = ITEM_THICKNESS;
        break;
    case ITEM_THICKNESS:
        lsysScan(item, "%f", &l->thickness);
        *expected = ITEM_AXIOM;
        break;
    case ITEM_AXIOM:
        if (l->rules[LSYS_AXIOM])
            tr(pos, "ignoring extra axiom");
        else
            l->rules[LSYS_AXIOM] = parseRule(item, pos, tr);
        *expected = ITEM_RULE;
        break;
    case ITEM_RULE:
        parseRuleItem(l, tr, pos, item, firstRule);
        break;
    }
}

/* Copies the line starting at *p into buf (at most LSYS_LINE characters, so an over-long line
 * continues as a line of its own) and moves *p past it and the line ends that follow. */
static void readLine(const char **p, char buf[LSYS_LINE + 1]) {
    const char *s = *p;
    size_t n = 0;
    while (n < LSYS_LINE && *s && *s != '\n' && *s != '\r')
        buf[n++] = *s++;
    buf[n] = 0;
    while (*s == '\n' || *s == '\r')
        s++;
    *p = s;
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

void lsysParse(lsys_t *l, trace_t tr, const char *text) {
    if (!l) return;
    if (!tr) tr = nullTrace;
    if (!text) text = "";

    freeRule(l->rules[LSYS_AXIOM]); /* the placeholder from lsysInit */
    l->rules[LSYS_AXIOM] = NULL;
    item_t expected = ITEM_RECURSION;
    int firstRule = -1;

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
    while (*p) {
        ptrdiff_t offset = p - text;
        int32_t pos = offset > INT32_MAX ? INT32_MAX : (int32_t)offset;
        readLine(&p, buf);
        char *line = trimLine(buf);
        if (!*line) continue;
        if (!strcmp(line, "@")) break;

        /* A keyword word: 3 or more letters or underscores, then one blank character. */
        size_t w = 0;
        while (isWordChar(line[w]))
            w++;
        if (w < 3 || !isBlank(line[w])) {
            parseItem(l, tr, pos, line, &expected, &firstRule);
            continue;
        }
        line[w] = 0;
        char *arg = line + w + 1;

        bool isItem = false;
        for (const auto &k : positional) {
            if (!strcmp(line, k.word)) {
                expected = k.item;
                isItem = true;
                break;
            }
        }
        if (isItem)
            parseItem(l, tr, pos, arg, &expected, &firstRule);
        else if (!parseSetting(l, tr, pos, line, arg))
            tr(pos, "ignoring unknown command '%s' %s", line, arg);
    }

    if (!l->rules[LSYS_AXIOM]) {
        char name[2] = {(char)(firstRule < 0 ? 0 : firstRule), 0};
        l->rules[LSYS_AXIOM] = parseRule(name, CODE_NOLINE, tr);
        if (firstRule < 0)
            tr(CODE_NOLINE, "no axiom");
        else
            tr(CODE_NOLINE, "will use first rule '%c' as axiom", firstRule);
    }
}
