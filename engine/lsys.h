/* The L-system engine's public interface: the model record, the message channel, the parser,
 * the streaming expansion, the turtle interpreter, geometry emission and picking.
 *
 * The engine is toolkit-free procedural code over plain records. It never stops on bad input:
 * every problem goes through a trace_t callback with a position code, and the offending line or
 * command is skipped. It emits triangles through an emit_t sink (colour, normal and vertex calls,
 * or whole objects as arrays), so the library itself links neither Qt nor OpenGL; the view plugs
 * in the GL calls, tests and exporters plug in recorders.
 */
#ifndef SPRIG_ENGINE_LSYS_H
#define SPRIG_ENGINE_LSYS_H

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#include <atomic>

/* Fixed capacities. */
enum {
    LSYS_AXIOM = 256,     /* rules[] slot of the axiom */
    LSYS_SLOTS = 257,     /* 256 command characters + the axiom */
    LSYS_STACK = 101,     /* expansion stack: the axiom and 100 rewriting levels */
    LSYS_MAX_DEPTH = 100, /* deepest max_depth the interpreter allows */
    LSYS_COLORS = 101,    /* colour table entries 0..100 */
    LSYS_LINE = 1000,     /* characters of one description line */
    LSYS_BRANCHES = 1024, /* [] stack */
    LSYS_POLYGONS = 1024, /* {} stack */
    LSYS_VERTICES = 1024, /* polygon vertex buffer */
    TRACE_STORE = 12,     /* messages kept by traceHook */
    TRACE_TEXT = 255      /* format buffer size: at most 254 characters are kept */
};

/* Default raw-token budget of one drawing (the "token_limit" keyword): far above what an
 * ordinary description expands to, low enough that a runaway expansion stops instead of
 * freezing the editor. It bounds work, not time: a runaway that draws nothing spends it in 0.4
 * to 1.6 s of lsys check on a 2.6 GHz Intel Xeon (random turns, three rand() calls each, the
 * slowest). */
#define LSYS_DEFAULT_TOKEN_LIMIT 80000000u

/* Hard ceilings the window puts over every drawing it makes (lsysWindowCeilings). Chosen when the
 * model was recorded into a display list (2 shared cores, Mesa llvmpipe): one million polygons
 * recorded in 0.6 to 0.8 s of wall time and took about 65 MB of list, two million 1.5 to 1.8 s.
 * The token ceiling is the default budget (see above). */
#define LSYS_CEIL_POLYGONS 1000000u
#define LSYS_CEIL_TOKENS LSYS_DEFAULT_TOKEN_LIMIT

/* Set (to non-zero) from any thread to end a drawing early: the expansion checks it with its
 * token budget and ends as if the budget were spent. */
typedef std::atomic<int> lsys_cancel_t;

/* Position codes: 0 or more is the byte offset of the line's first character. */
enum {
    CODE_NOLINE = -1,   /* parser message about no single line */
    CODE_EXEC = -2,     /* problem met while expanding or drawing */
    CODE_INFO = -10,    /* drawing statistics */
    CODE_UNKNOWN = -100 /* command the interpreter does not know */
};

/* One command of an axiom or rule body. A written parameter "(x)" is a token of its own with
 * cmd '(' and param x, directly after its command. cmd 0 ends a token string. */
typedef struct tok_t {
    unsigned char cmd;
    float param; /* meaningful only when cmd is '(' */
} tok_t;

typedef struct bounds_t {
    float min[3];
    float max[3];
} bounds_t;

/* The emission interface: the three GL calls the geometry needs, with a context pointer, and
 * an optional call that takes a whole object at once. Any member may be NULL (that call is then
 * skipped).
 *
 * When `batch` is set it replaces the three per-vertex calls: every object (a tube segment's
 * side, a cap, a prism, a polygon fan) arrives as `count` corners, three per triangle, and one
 * colour for them all (NULL when the model has no colour table; the previous colour then stays
 * in force). Corner i is the point pos[index[i]]; its normal is normal[index[i]] for a smooth
 * object (`flat` 0: a normal per point) and normal[i / 3], its triangle's, for a flat one. An
 * object of more than LSYS_BATCH corners arrives in several calls, each with the colour again,
 * and an object whose faces were all skipped arrives as one call with count 0, so that the
 * colour still changes. Replaying the batches as color3fv(rgb), then normal3fv and vertex3fv for
 * each corner, gives GL exactly the vertices, normals and colours of the per-vertex calls, bit
 * for bit and in the same order. The arrays are valid during the call only. */
enum { LSYS_BATCH = 192 };
typedef struct emit_t {
    void *ctx;
    void (*color3fv)(void *ctx, const float rgb[3]);
    void (*normal3fv)(void *ctx, const float n[3]);
    void (*vertex3fv)(void *ctx, const float v[3]);
    void (*batch)(void *ctx, const float *rgb, const float (*pos)[3], const float (*normal)[3],
                  const uint16_t *index, int count, int flat);
} emit_t;

/* One parsed L-system with the working state of its expansion and drawing. The fields up to
 * `bounds` keep the documented order and widths; the ones after it are Sprig's additions. */
typedef struct lsys_t {
    tok_t *rules[LSYS_SLOTS]; /* rule body per command character; [LSYS_AXIOM] is the axiom */
    float recursion;          /* requested depth, may be fractional */
    float angle;              /* degrees */
    float thickness;          /* percent of segment length */
    float min_thickness;      /* absolute lower bound of a segment's diameter */
    float rand;               /* default parameter of '~' (degrees) */
    float trope;              /* default parameter of 't' (radians per unit) */
    uint32_t poly_limit;      /* highest polygon_count allowed */
    uint32_t shape;           /* 1: joined tubes; anything else: prisms */
    float *colors;            /* LSYS_COLORS x {r, g, b} */
    uint16_t max_depth;       /* deepest level still rewritten (<= LSYS_MAX_DEPTH) */
    uint16_t depth;           /* entries of stack in use; 1 = only the axiom */
    const tok_t *stack[LSYS_STACK];
    uint32_t token_count; /* raw tokens delivered since the expansion started */
    int16_t tube_color;
    int16_t tube_segments;
    float tube_ring[9][3]; /* end point of the last tube segment, then its end ring */
    uint32_t polygon_count;
    bounds_t bounds;

    /* Additions. */
    uint32_t token_limit;        /* raw-token budget of one drawing ("token_limit") */
    const emit_t *sink;          /* where lsysDraw sends triangles; NULL discards them */
    uint32_t rewrite_count;      /* rule bodies entered since the expansion started; bounded by
                                    token_limit too, since empty bodies deliver no token */
    const lsys_cancel_t *cancel; /* NULL, or a flag that ends the expansion when set */
} lsys_t;

/* printf-style message callback; code is a position code (see above). */
typedef int (*trace_t)(int32_t code, const char *fmt, ...);

typedef struct trace_msg_t {
    int32_t code;
    char *text; /* heap copy, owned by the store until traceClear */
} trace_msg_t;

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Model and message channel ---- */

extern const float defaultColors[16][3];

/* The first TRACE_STORE messages since the store was last emptied, and the count of all. Like
 * gPick and the C library's rand(), process-wide: one thread at a time may draw (in the window,
 * only its engine thread does; docs/architecture.md). */
extern trace_msg_t trace[TRACE_STORE];
extern int32_t traceCount;

int traceHook(int32_t code, const char *fmt, ...);
int nullTrace(int32_t code, const char *fmt, ...);
/* Releases the stored texts and sets traceCount to 0. */
void traceClear(void);

/* vsnprintf / vsscanf in the "C" locale whatever the process locale is, so "1.5" is always
 * one and a half and messages always print a decimal point. */
int lsysFormat(char *buf, size_t size, const char *fmt, va_list ap);
int lsysFormatf(char *buf, size_t size, const char *fmt, ...);
int lsysScan(const char *text, const char *fmt, ...);

lsys_t *lsysInit(void);
void lsysFree(lsys_t *l);
tok_t *parseRule(const char *text, int32_t pos, trace_t tr);
/* The characters of token `token` of a rule body text as parseRule splits it: the index of its
 * first one and their number. The end token is an empty span at the end. 0 when there is none. */
int lsysBodyToken(const char *body, int32_t token, int32_t *from, int32_t *length);
/* Releases a token string from parseRule (NULL and the shared empty string are left alone). */
void freeRule(tok_t *t);
int lsysContains(const lsys_t *l, const char *set);
int findProd(const lsys_t *l, const tok_t *t);

/* ---- Parser ---- */

void lsysParse(lsys_t *l, trace_t tr, const char *text);

/* lsysInit, lsysParse(text), srand(0), recursion *= growth: how the window's refresh and every
 * lsys command start a drawing. NULL when no model could be had. */
lsys_t *lsysPrepare(const char *text, float growth, trace_t tr);

/* Lowers the model's poly_limit and token_limit to at most the given ceilings, after parsing
 * and before drawing. Returns 1 when it lowered either, and then reports one CODE_INFO message
 * naming what it lowered; 0 (and no message) when the description's limits are within them. */
int lsysCeil(lsys_t *l, uint32_t maxPolygons, uint32_t maxTokens, trace_t tr);

/* ---- The pipeline: description text to model ---- */

/* Ceilings a caller puts over a description's own poly_limit and token_limit. */
typedef struct lsys_limits_t {
    uint32_t polygons;
    uint32_t tokens;
} lsys_limits_t;

/* The window's ceilings: LSYS_CEIL_POLYGONS and LSYS_CEIL_TOKENS. */
extern const lsys_limits_t lsysWindowCeilings;

/* One drawing of a description, as every program draws it. */
typedef struct lsys_job_t {
    const char *text;              /* NUL-terminated ISO Latin 1; NULL reads as "" */
    float growth;                  /* multiplies the parsed recursion */
    const lsys_limits_t *ceilings; /* NULL keeps the description's own limits */
    const emit_t *sink;            /* where the triangles go; NULL discards them */
    const lsys_cancel_t *cancel;   /* NULL: never cancelled */
    int draw;                      /* 0: stop before drawing (lsysPick replays it itself) */
    int ceiled;                    /* out: 1 when a ceiling lowered the description's limits */
} lsys_job_t;

/* The one road from a description to a model, used by the window, lsys, the headless renderer
 * and the tests: lsysPrepare (parse, srand(0), growth), lsysCeil with the job's ceilings, the
 * cancel flag installed, and, with draw set, lsysDraw into the job's sink (the model keeps no
 * sink afterwards; it keeps the cancel flag, which also ends a later lsysPick). Messages go to
 * tr. NULL, after "not enough memory to startup" (CODE_EXEC), when no model could be had. The
 * caller frees the model with lsysFree. */
lsys_t *lsysBuild(lsys_job_t *job, trace_t tr);

/* ---- Rule expansion ---- */

typedef struct simple_tok_t {
    unsigned char cmd;    /* canonical command; 0 after the end */
    float param;          /* explicit, defaulted or merged parameter */
    uint16_t last_level;  /* 1 when read below max_depth (the partly grown generation) */
    const tok_t *next;    /* raw look-ahead token */
    uint32_t count;       /* raw tokens taken as the start of a simplified token */
    const tok_t *start;   /* raw token the delivered command started at (its own command) */
    uint16_t start_level; /* stack entry that token was read from: 0 is the axiom */
} simple_tok_t;

lsys_t *initToken(lsys_t *l);
const tok_t *nextToken(lsys_t *l);
void initSimplerToken(lsys_t *l, simple_tok_t *s);
int nextSimplerToken(lsys_t *l, simple_tok_t *s, float angle, float length);

/* ---- Turtle interpreter ---- */

void lsysDraw(lsys_t *l, trace_t tr);

/* ---- Geometry emission ---- */

typedef int16_t face_t[4];

extern const face_t cylinder[8];
extern const face_t cylinderstart[8];
extern const face_t cylinderlast[8];
extern const face_t cube[6];

void drawSegment(lsys_t *l, const float P[3], const float Q[3], const float up[3], float k,
                 int16_t color);
void closeTube(lsys_t *l);
void drawPolygon(lsys_t *l, const float (*v)[3], int n, int16_t color);
void drawObject(lsys_t *l, const face_t *faces, const float (*v)[3], const float (*normals)[3],
                int16_t nfaces, uint16_t color);
int makeNormal(const face_t *faces, const float (*v)[3], int face, float out[3]);

/* ---- Picking ---- */

/* Picking state shared by lsysSelect, the expansion and the face emitter. The stacks hold every
 * level the expansion can reach, so a hit at any depth is recorded whole. */
typedef struct pick_t {
    int16_t select; /* non-zero while a pick replays the drawing */
    float selIp[3];
    float selErr;
    int32_t selSp;
    const tok_t *selStack[LSYS_STACK]; /* with the best hit: cmdStack as it was then */
    /* During the replay, the expansion stack as it stood when the command being drawn was read,
     * before the read-ahead moved it: entry i points after the token read at level i, so the
     * last one points after the command itself (an F or Z, or the '}' closing a polygon). */
    const tok_t *cmdStack[LSYS_STACK];
    int32_t cmdDepth;
} pick_t;

extern pick_t gPick;

/* A token of the description located by rule slot and position in that slot's body. */
typedef struct pick_level_t {
    int16_t slot;  /* rules[] slot: a command character, LSYS_AXIOM, or -1 when none holds it */
    int32_t token; /* index in the slot's body; the body's length for its end token; -1 */
} pick_level_t;

/* What a pick found: the derivation of the command that drew the triangle hit. level[i]
 * locates the token read at stack entry i (0 = the axiom) when that command was read, the one
 * lsysSelect marks: at the deepest entry the command itself (an F or Z, or the '}' that closed a
 * polygon; never merged with others, and without its parameter group, which is the next token
 * of the same body), at each entry above it the rule symbol whose body the next entry reads.
 * `drawn` repeats the deepest entry (drawn_level = levels - 1): the token the editor selects. */
typedef struct pick_result_t {
    int32_t hit;    /* 0: nothing near the point; nothing below is meaningful */
    float err;      /* angle-sum error of the triangle found (0 on its surface) */
    int32_t levels; /* entries of level[] in use */
    pick_level_t level[LSYS_STACK];
    int32_t drawn_level; /* -1 when unknown */
    pick_level_t drawn;
} pick_result_t;

/* Replays the drawing in select mode and fills *out; seed with srand(0) first to replay the
 * shape on screen. Messages of the replay are discarded. */
void lsysPick(lsys_t *l, const float p[3], pick_result_t *out);
/* The derivation line of recorded level i ("1: rule F: F >>[<< ..."), without a line end, into
 * buf (size bytes, always terminated when size > 0); returns the length it needs, as snprintf. */
size_t lsysPickLine(const lsys_t *l, const pick_result_t *r, int i, char *buf, size_t size);
/* lsysPick, then prints the derivation to standard output ("nothing" when there was no hit). */
void lsysSelect(lsys_t *l, const float p[3]);
void selectTest(lsys_t *l, const float a[3], const float b[3], const float c[3]);

/* Where the token `token` of rule slot `slot` (as in pick_level_t) stands in the description
 * text that was parsed: the byte offset of its first character and its length in bytes (a
 * parameter "(x)" is one token from '(' to ')'). The line is found with the parser's own rules.
 * Returns 0, leaving the outputs alone, when the text defines no such token. */
int lsysTokenSpan(const char *text, int slot, int32_t token, int32_t *offset, int32_t *length);

/* ---- Vector register state ---- */

/* Clears the upper halves of the vector registers on an x86 processor with AVX; elsewhere it
 * does nothing. Legacy-SSE code run while another program part has left them in use is several
 * times slower on Intel processors, so the engine calls this at its entries (lsysDraw, which
 * lsysPick replays, and initToken) and after each object it hands to a sink. Changes no value. */
void lsysCleanUpper(void);

/* A check for tests: while `armed`, the engine reads the register state at its own float code
 * (the start of the turtle's loop, after each object a sink took, the end of a drawing) and
 * counts the reads and those that found the upper state in use. */
typedef struct upper_probe_t {
    int32_t armed;
    int32_t checks;
    int32_t dirty;
} upper_probe_t;
extern upper_probe_t gUpperProbe;
void upperProbe(void);
/* 1 when this processor reports the state (x86 with AVX and XGETBV 1), so the probe can see it. */
int lsysUpperReadable(void);

#ifdef __cplusplus
}
#endif

#endif
