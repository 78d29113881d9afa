/* The L-system model: creating and releasing it, the rule-body tokenizer, and the two questions
 * asked about the rules (which rule uses one of some commands, which rule holds a token).
 *
 * Memory that cannot be obtained never crashes the engine and is not reported:
 * - lsysInit returns NULL when the record or its colour table cannot be had; callers check.
 * - parseRule then returns one shared, read-only empty token string instead of a new one, so
 *   that its result is always a complete token string; freeRule and lsysFree never free it.
 */
#include "lsys.h"

#include <stdlib.h>
#include <string.h>

const float defaultColors[16][3] = {
    {0.5f, 0.5f, 0.5f}, {0.3f, 0.3f, 0.3f}, {0.8f, 0.4f, 0.4f}, {0.8f, 0.8f, 0.4f},
    {0.4f, 0.8f, 0.4f}, {0.4f, 0.8f, 0.8f}, {0.4f, 0.4f, 0.8f}, {0.8f, 0.4f, 0.8f},
    {0.2f, 0.5f, 0.2f}, {0.2f, 0.5f, 0.5f}, {0.2f, 0.2f, 0.5f}, {0.5f, 0.2f, 0.5f},
    {0.6f, 0.2f, 0.2f}, {0.5f, 0.5f, 0.5f}, {0.7f, 0.7f, 0.7f}, {0.9f, 0.9f, 0.9f},
};

/* Handed out when a token string cannot be allocated. Never written: nothing writes into a
 * token string after parseRule has built it. */
static tok_t emptyRule[1] = {{0, 0.0f}};

void freeRule(tok_t *t) {
    if (t != emptyRule) free(t);
}

lsys_t *lsysInit(void) {
    lsys_t *l = (lsys_t *)calloc(1, sizeof(lsys_t));
    if (!l) return NULL;
    l->colors = (float *)calloc(LSYS_COLORS * 3, sizeof(float));
    if (!l->colors) {
        free(l);
        return NULL;
    }
    memcpy(l->colors, defaultColors, sizeof defaultColors);

    l->recursion = 1.0f;
    l->angle = 45.0f;
    l->thickness = 100.0f;
    l->min_thickness = 0.0f;
    l->rand = 6.0f;
    l->trope = 0.2f;
    l->poly_limit = 500000;
    l->shape = 1;
    l->token_limit = LSYS_DEFAULT_TOKEN_LIMIT;
    l->sink = NULL;

    /* calloc left every rule slot NULL; an empty axiom lets an unparsed model draw nothing. */
    l->rules[LSYS_AXIOM] = parseRule("", 0, NULL);
    return l;
}

void lsysFree(lsys_t *l) {
    if (!l) return;
    for (int i = 0; i < LSYS_SLOTS; i++)
        freeRule(l->rules[i]);
    free(l->colors);
    free(l);
}

/* Reads the "%f" number that starts at s. Only the characters before the next ')' can belong
 * to it, and at most LSYS_LINE of them are looked at: a parser line never holds more, and the
 * bound keeps a long text full of '(' from costing quadratic time. */
static int readParam(const char *s, float *out) {
    char buf[LSYS_LINE + 1];
    size_t n = 0;
    while (n < LSYS_LINE && s[n] && s[n] != ')') {
        buf[n] = s[n];
        n++;
    }
    buf[n] = 0;
    return lsysScan(buf, "%f", out) == 1;
}

/* One step of the body tokenizer, shared by parseRule and lsysBodyToken so that a token's place
 * in the text is found by the very rules that made it: stores the next token of *p in *t and its
 * first character in *from, moves *p past it, and returns 0 at the end of the text. */
static int bodyStep(const char **p, tok_t *t, const char **from, int32_t pos, trace_t tr) {
    for (;;) {
        const char *s = *p;
        if (!*s) return 0;
        const unsigned char c = (unsigned char)*s++;
        t->cmd = c;
        t->param = 0.0f; /* meaningless unless c is '('; set so no reader sees garbage */
        *from = s - 1;
        *p = s;
        if (c != '(') return 1;
        float x;
        if (!readParam(s, &x)) {
            /* The '(' is dropped; what follows it is read as commands. */
            if (tr) tr(pos, "missing number after '('");
            continue;
        }
        t->param = x;
        const char *close = strchr(s, ')');
        if (!close) {
            if (tr) tr(pos, "missing closing ')'");
            *p = s + strlen(s); /* the parameter is the last token */
            return 1;
        }
        *p = close + 1;
        return 1;
    }
}

tok_t *parseRule(const char *text, int32_t pos, trace_t tr) {
    if (!text) text = "";
    size_t len = strlen(text);
    /* Every character yields at most one token, plus the end token. */
    tok_t *toks = (tok_t *)malloc((len + 1) * sizeof(tok_t));
    if (!toks) return emptyRule;

    tok_t *t = toks;
    const char *p = text, *from;
    while (bodyStep(&p, t, &from, pos, tr))
        t++;
    t->cmd = 0;
    return toks;
}

int lsysBodyToken(const char *body, int32_t token, int32_t *from, int32_t *length) {
    if (!body || token < 0) return 0;
    const char *p = body, *first;
    tok_t t;
    int32_t i = 0;
    for (; bodyStep(&p, &t, &first, 0, NULL); i++) {
        if (i == token) {
            *from = (int32_t)(first - body);
            *length = (int32_t)(p - first);
            return 1;
        }
    }
    if (i != token) return 0;
    /* The end token: an empty span at the end of the text. */
    *from = (int32_t)(p - body);
    *length = 0;
    return 1;
}

int lsysContains(const lsys_t *l, const char *set) {
    if (!l || !set || !*set) return -1;
    for (int i = 0; i < LSYS_SLOTS; i++) {
        const tok_t *t = l->rules[i];
        if (!t) continue;
        for (; t->cmd; t++)
            if (strchr(set, t->cmd)) return i;
    }
    return -1;
}

int findProd(const lsys_t *l, const tok_t *t) {
    if (!l || !t) return -1;
    for (int i = 0; i < LSYS_SLOTS; i++) {
        const tok_t *s = l->rules[i];
        if (!s) continue;
        /* The end token belongs to its string too. */
        for (;; s++) {
            if (s == t) return i;
            if (!s->cmd) break;
        }
    }
    return -1;
}
