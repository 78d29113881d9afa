/* The model's OpenGL side: the vertex arrays of one drawing (model_arrays.h) uploaded into vertex
 * buffer objects and drawn with the fixed-function pipeline on every frame, and the floor disc
 * and axis lines under the model. No Qt. Every function here needs the GL context that owns (or
 * is to own) the buffers to be current.
 */
#ifndef SPRIG_VIEW_MODEL_GL_H
#define SPRIG_VIEW_MODEL_GL_H

#include "camera.h"
#include "model_arrays.h"

/* The model in GL: its buffers (names 0 = none), how much of them is in use and how large
 * they are, and the floor under the model. The buffers are kept from one model to the next and
 * only made larger (or much smaller) when a model needs it: rewriting a buffer in place takes no
 * fresh memory, which is most of what a new buffer costs. */
typedef struct model_gl_t {
    unsigned vertexBuffer; /* model_vertex_t records */
    unsigned indexBuffer;  /* uint32 triangle indices */
    unsigned lineBuffer;   /* model_vertex_t records, two per line */
    uint32_t indexCount;   /* indices to draw (three per triangle) */
    uint32_t lineVertices; /* vertices to draw as lines */
    size_t capacity[3];    /* bytes of the three buffers */
    floor_t floor;         /* the floor disc and axis lines (camera.h) */
} model_gl_t;

/* Puts a's contents into m's buffers (the arrays may be freed afterwards); the previous model is
 * gone. False, with m left without a model, when GL refused the memory (GL_OUT_OF_MEMORY). */
bool modelUpload(model_gl_t *m, const model_arrays_t *a);

/* Draws the model's triangles (and lines); nothing without buffers. GL's array and buffer
 * bindings are left as they were found (none). */
void modelDraw(const model_gl_t *m);

/* True when m holds a model whose buffers exist in the current context: false after the
 * context that held them was replaced by one that does not share them. */
bool modelBuffersValid(const model_gl_t *m);

/* Deletes the buffers (the floor stays), e.g. before the context is replaced. */
void modelDelete(model_gl_t *m);

/* The floor disc and axis lines under the model. */
void drawFloor(const floor_t *f);

/* drawScene callbacks; ctx is a model_gl_t*. */
void modelDrawCallback(void *ctx);
void modelFloorCallback(void *ctx);

#endif
