/* Streaming rule expansion: the plain iterator over raw tokens and the simplifying iterator that
 * hands the turtle one canonical command at a time.
 *
 * The expanded string is never built. The model's `stack` holds one reading position per
 * expansion level (entry 0 reads the axiom); a fetch walks it depth-first, so memory is bounded
 * by the 101 entries whatever the length of the expansion. A token read at level d (stack entry
 * d - 1) is rewritten when its command has a rule and d <= max_depth. A walk that spends the
 * model's token_limit ends early, as if the expansion had ended there.
 */
#include "lsys.h"

#include <string.h>

/* Read position used when a model has no axiom string at all. */
static const tok_t emptyAxiom[1] = {{0, 0.0f}};

/* The walk's working state, kept in registers while an iterator call runs and written back to
 * the model when it returns: the deepest level's reading position (top, which is stack[depth - 1]
 * of the model), the number of levels and the budget's two counts. In memory, every token made
 * a chain of stores and reloads through the stack and the counts. */
struct walk_t {
    const tok_t *top;
    uint32_t depth, tokens, rewrites;
};

static void getWalk(const lsys_t *l, walk_t *w) {
    w->depth = l->depth;
    w->top = l->stack[l->depth - 1];
    w->tokens = l->token_count;
    w->rewrites = l->rewrite_count;
}

static void putWalk(lsys_t *l, const walk_t *w) {
    l->depth = (uint16_t)w->depth;
    l->stack[w->depth - 1] = w->top;
    l->token_count = w->tokens;
    l->rewrite_count = w->rewrites;
}

/* The model's budget bounds the work of one walk: raw tokens delivered and rule bodies
 * entered (a chain of rules that ends in empty bodies delivers nothing, yet can take 2^n steps).
 * Without it a rule such as X=XX at depth 100, whose tokens are all dropped, or +=++, whose
 * tokens all merge into one turn, would keep a single call busy for ever. A caller that no
 * longer wants the drawing spends the budget at once through the cancel flag, looked at every
 * 65,536 steps (a fraction of a millisecond) so that the walk's inner loop stays a compare. Each
 * step that reaches this test adds exactly one token or one rewrite, so the sum passes every
 * multiple. */
static bool overBudget(const lsys_t *l, const walk_t *w) {
    if (w->tokens > l->token_limit || w->rewrites > l->token_limit) return true;
    return ((w->tokens + w->rewrites) & 0xFFFFu) == 0 && l->cancel &&
           l->cancel->load(std::memory_order_relaxed);
}

/* Ends the walk early: only the axiom's end token is left to read. */
static void cutWalk(const lsys_t *l, walk_t *w) {
    const tok_t *t = w->depth == 1 ? w->top : l->stack[0];
    while (t->cmd)
        t++;
    w->top = t;
    w->depth = 1;
}

/* One raw step of the depth-first walk. At the end it returns the axiom's end token and leaves
 * the stack as it is, so every further call returns it again. Inlined: it runs once per token. */
static inline __attribute__((always_inline)) const tok_t *fetch(lsys_t *l, walk_t *w) {
    for (;;) {
        const tok_t *t = w->top;
        if (t->cmd == 0) {
            if (w->depth == 1) return t;
            w->top = l->stack[--w->depth - 1];
            continue;
        }
        if (overBudget(l, w)) {
            cutWalk(l, w);
            continue;
        }
        w->top = t + 1;
        const tok_t *body = l->rules[t->cmd];
        /* The second bound only matters for a caller that set max_depth beyond the limit: the
         * stack then stops growing instead of running off its end. */
        if (body && w->depth <= l->max_depth && w->depth < LSYS_STACK) {
            l->stack[w->depth++ - 1] = t + 1;
            w->top = body;
            w->rewrites++;
            continue;
        }
        w->tokens++;
        return t;
    }
}

lsys_t *initToken(lsys_t *l) {
    lsysCleanUpper(); /* the expansion's own entry; its merging of turns is float code */
    const tok_t *axiom = l->rules[LSYS_AXIOM];
    l->stack[0] = axiom ? axiom : emptyAxiom;
    l->depth = 1;
    l->token_count = 0;
    l->rewrite_count = 0;
    return l;
}

const tok_t *nextToken(lsys_t *l) {
    walk_t w;
    getWalk(l, &w);
    const tok_t *t = fetch(l, &w);
    putWalk(l, &w);
    return t;
}

void initSimplerToken(lsys_t *l, simple_tok_t *s) {
    initToken(l);
    s->next = nextToken(l);
    s->count = 0;
    s->start = s->next;
    s->start_level = 0;
}

/* A minus sign flips the sign bit, so the negation of 0 is -0. */
static float negate(float x) {
    uint32_t bits;
    memcpy(&bits, &x, sizeof bits);
    bits ^= 0x80000000u;
    memcpy(&x, &bits, sizeof bits);
    return x;
}

/* nextSimplerToken, compiled twice: with `pick` set (a pick replay), it keeps the derivation of
 * each command it starts; without, the loop has no trace of that. A test of the flag per token
 * cost a tenth of the simplifier's time. */
static inline __attribute__((always_inline)) int
simplerToken(lsys_t *l, simple_tok_t *s, float angle, float length, bool pick) {
    const tok_t *u, *t;
    bool explicitParam;
    uint16_t level;
    walk_t w;
    getWalk(l, &w);
    for (;;) {
        s->count++;
        t = s->next;
        s->cmd = t->cmd;
        /* Nothing has been fetched since t, so the top of the stack is still t's level. */
        level = (uint16_t)(w.depth - 1);
        s->last_level = w.depth > l->max_depth ? 1 : 0;
        if (t->cmd == 0) {
            putWalk(l, &w);
            return 0;
        }
        if (pick) {
            /* The stack as it stands now, with t last read at its deepest entry. */
            memcpy(gPick.cmdStack, l->stack, (w.depth - 1) * sizeof l->stack[0]);
            gPick.cmdStack[w.depth - 1] = w.top;
            gPick.cmdDepth = (int32_t)w.depth;
        }

        u = fetch(l, &w);
        explicitParam = u->cmd == '(';
        if (explicitParam) {
            s->param = u->param;
            u = fetch(l, &w);
        }

        switch (t->cmd) {
        case '+':
        case '-':
        case '&':
        case '^':
        case '>':
        case '<':
        case ':':
        case ';':
        case '!':
        case '?':
        case '\'':
        case '"':
        case 'f':
        case 'z':
        case 'g':
        case 'c':
        case '.':
        case 'F':
        case 'Z':
        case 't':
        case '~':
        case '$':
        case '%':
        case '(':
        case '[':
        case ']':
        case '{':
        case '|':
        case '}':
            break;
        default:
            /* Dropped together with its parameter; the look-ahead becomes the next start. */
            s->next = u;
            continue;
        }
        break;
    }
    s->start = t;
    s->start_level = level;

    const float x = s->param;
    switch (s->cmd) {
    case '+':
    case '-':
    case '&':
    case '^':
    case '>':
    case '<': {
        const bool reverse = s->cmd == '-' || s->cmd == '^' || s->cmd == '<';
        unsigned char add, sub;
        if (s->cmd == '+' || s->cmd == '-')
            add = '+', sub = '-';
        else if (s->cmd == '&' || s->cmd == '^')
            add = '&', sub = '^';
        else
            add = '>', sub = '<';
        s->cmd = add;
        s->param = explicitParam ? x : angle;
        if (reverse) s->param = negate(s->param);
        while ((u->cmd == add || u->cmd == sub)) {
            const tok_t *m = u;
            u = fetch(l, &w);
            float v = angle;
            if (u->cmd == '(') {
                v = u->param;
                u = fetch(l, &w);
            }
            s->param = m->cmd == add ? s->param + v : s->param - v;
        }
        break;
    }
    case ':':
    case ';':
    case '!':
    case '?':
    case '\'':
    case '"': {
        /* Multiplying groups: canonical command, its factor and its reciprocal's. */
        unsigned char mul, inv;
        double factor;
        if (s->cmd == ':' || s->cmd == ';')
            mul = ':', inv = ';', factor = 0.9;
        else if (s->cmd == '!' || s->cmd == '?')
            mul = '!', inv = '?', factor = 0.7;
        else
            mul = '\'', inv = '"', factor = 0.9;
        if (!explicitParam) {
            if (mul == '!')
                s->param = s->cmd == mul ? 0.7f : 1.4285715f;
            else
                s->param = s->cmd == mul ? 0.9f : 1.1111112f;
        }
        s->cmd = mul;
        while ((u->cmd == mul || u->cmd == inv)) {
            const tok_t *m = u;
            u = fetch(l, &w);
            if (u->cmd == '(') {
                s->param = (float)((double)s->param * u->param);
                u = fetch(l, &w);
            } else {
                s->param = (float)(s->param * (m->cmd == mul ? factor : 1.0 / factor));
            }
        }
        break;
    }
    case 'f':
    case 'z':
        if (!explicitParam) s->param = s->cmd == 'f' ? length : (float)(length * 0.5);
        s->cmd = 'f';
        while ((u->cmd == 'f' || u->cmd == 'z')) {
            const tok_t *m = u;
            u = fetch(l, &w);
            if (u->cmd == '(') {
                s->param = s->param + u->param;
                u = fetch(l, &w);
            } else {
                s->param = (float)(s->param + (m->cmd == 'f' ? (double)length : length * 0.5));
            }
        }
        break;
    case 'g':
        if (!explicitParam) s->param = length;
        while (u->cmd == 'g') {
            u = fetch(l, &w);
            if (u->cmd == '(') {
                s->param = s->param + u->param;
                u = fetch(l, &w);
            } else {
                s->param = s->param + length;
            }
        }
        break;
    case 'c':
        if (!explicitParam) s->param = -1.0f;
        while (u->cmd == 'c') {
            u = fetch(l, &w);
            if (u->cmd == '(') {
                s->param = u->param;
                u = fetch(l, &w);
            } else {
                s->param = s->param < 0.0f ? s->param - 1.0f : s->param + 1.0f;
            }
        }
        break;
    case '.':
        /* A parameter after an absorbed '.' stays in the stream as a command of its own. */
        while (u->cmd == '.')
            u = fetch(l, &w);
        break;
    case 'F':
    case 'Z':
        if (!explicitParam) s->param = s->cmd == 'F' ? length : (float)(length * 0.5);
        s->cmd = 'F';
        break;
    case 't':
        if (!explicitParam) s->param = l->trope;
        break;
    case '~':
        if (!explicitParam) s->param = l->rand;
        break;
    default:
        /* '$', '%', '(', brackets and '|': the parameter is not read by the interpreter. */
        break;
    }
    s->next = u;
    putWalk(l, &w);
    return 1;
}

int nextSimplerToken(lsys_t *l, simple_tok_t *s, float angle, float length) {
    return gPick.select ? simplerToken(l, s, angle, length, true)
                        : simplerToken(l, s, angle, length, false);
}
