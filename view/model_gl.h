/* The model's OpenGL side: recording a drawing into one display list through the engine's
 * emission sink, replaying it, the floor and axis lines under it, and the refresh sequence
 * that turns a description text into a model and its list. No Qt. Every function here needs
 * the GL context that owns the list to be current.
 */
#ifndef SPRIG_VIEW_MODEL_GL_H
#define SPRIG_VIEW_MODEL_GL_H

#include "lsys.h"

/* The current model and the display list holding its triangles (0 = none). */
typedef struct model_gl_t {
    lsys_t *gen;
    unsigned list;
} model_gl_t;

/* The emission sink that sends the engine's colour, normal and vertex calls, and its whole
 * objects, to GL as immediate-mode calls (inside recordModel's GL_TRIANGLES batch). */
extern const emit_t glEmit;

/* Deletes oldList (when non-zero), generates a list and records lsysDraw(l, tr) into it as
 * one GL_TRIANGLES batch. Returns the new list, or 0 when no list could be made (no current
 * context): the drawing still runs, without geometry, so its messages are reported. */
unsigned recordModel(lsys_t *l, unsigned oldList, trace_t tr);

/* Replays a list; 0 draws nothing. */
void drawLSys(unsigned list);

/* The floor disc and axis lines under the model (l may be NULL). */
void drawFloor(const lsys_t *l);

/* The refresh: replaces m's model by a new one parsed from text (NUL-terminated ISO Latin 1),
 * seeds rand with 0, multiplies recursion by growth and records the drawing into a new list.
 * Parse and drawing messages go to tr. */
void modelRefresh(model_gl_t *m, const char *text, float growth, trace_t tr);
/* modelRefresh with the polygon and token limits lowered to at most the given ceilings after
 * parsing (the window's guard against descriptions that would take it over); returns 1 when
 * a limit was lowered, which is also reported to tr. */
int modelRefreshWithin(model_gl_t *m, const char *text, float growth, uint32_t maxPolygons,
                       uint32_t maxTokens, trace_t tr);

/* Deletes the list (only; the model stays), e.g. before the context is replaced. */
void modelDropList(model_gl_t *m);

/* Frees the model and deletes the list. */
void modelRelease(model_gl_t *m);

/* drawScene callbacks; ctx is a model_gl_t*. */
void modelDrawCallback(void *ctx);
void modelFloorCallback(void *ctx);

#endif
