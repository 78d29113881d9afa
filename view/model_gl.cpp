/* The model's display list: the engine's triangles recorded once per refresh and replayed on
 * every frame, plus the floor disc and axis lines drawn under the model. */
#include "model_gl.h"

#include "camera.h"

#include <GL/gl.h>
#include <math.h>
#include <stdlib.h>

static void emitColor(void *, const float rgb[3]) {
    glColor3fv(rgb);
}
static void emitNormal(void *, const float n[3]) {
    glNormal3fv(n);
}
static void emitVertex(void *, const float v[3]) {
    glVertex3fv(v);
}

/* A whole object, through the same three calls: the engine then makes one indirect call per
 * object instead of two per vertex. The normal just sent is not sent again (a flat triangle's
 * corners share theirs), which leaves GL's state, and so the list, as the per-vertex calls
 * leave it. Client vertex arrays (glDrawArrays or glDrawElements per object, or one array for
 * the whole model drawn at the end of the list) were measured too: Mesa compiles an array draw
 * into a list element by element, and recording took 1.6 to 1.9 times as long as these calls
 * (docs/performance.md). */
static void emitBatch(void *, const float *rgb, const float (*pos)[3], const float (*normal)[3],
                      const uint16_t *index, int count, int flat) {
    if (rgb) glColor3fv(rgb);
    const float *last = NULL;
    for (int i = 0; i < count; i++) {
        const float *n = normal[flat ? i / 3 : index[i]];
        if (n != last) glNormal3fv(last = n);
        glVertex3fv(pos[index[i]]);
    }
}

const emit_t glEmit = {NULL, emitColor, emitNormal, emitVertex, emitBatch};

unsigned recordModel(lsys_t *l, unsigned oldList, trace_t tr) {
    if (oldList) glDeleteLists(oldList, 1);
    GLuint list = glGenLists(1);
    const emit_t *saved = l->sink;
    if (list == 0) {
        /* No list (no current context): still draw, into nothing, for the messages. */
        l->sink = NULL;
        lsysDraw(l, tr);
        l->sink = saved;
        return 0;
    }
    glNewList(list, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    l->sink = &glEmit;
    lsysDraw(l, tr);
    /* The model outlives the context's current state; never leave GL calls armed in it. */
    l->sink = saved;
    glEnd();
    glEndList();
    return list;
}

void drawLSys(unsigned list) {
    if (list) glCallList(list);
}

void drawFloor(const lsys_t *l) {
    floor_t f;
    modelFloor(l, &f);
    float z = f.z;
    glNormal3f(0.0f, 0.0f, -1.0f);

    /* The axis lines pass through the model's origin, not through the disc centre. */
    glBegin(GL_LINES);
    glColor3f(1.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 2 * f.ry, z);
    glVertex3f(0.0f, -2 * f.ry, z);
    glColor3f(0.0f, 1.0f, 0.0f);
    glVertex3f(2 * f.rx, 0.0f, z);
    glVertex3f(-2 * f.rx, 0.0f, z);
    glColor3f(0.0f, 0.0f, 1.0f);
    glVertex3f(0.0f, 0.0f, z);
    glVertex3f(0.0f, 0.0f, z - 200);
    glEnd();

    /* An ellipse of 12 segments, 2 below the lines; the last rim vertex closes it. */
    z -= 2;
    glColor3f(0.4f, 0.4f, 0.4f);
    glBegin(GL_TRIANGLE_FAN);
    glVertex3f(f.cx, f.cy, z);
    for (int i = 0; i <= 12; i++) {
        float a = (float)((i % 12) * 2 * M_PI / 12);
        glVertex3f(f.cx + f.rx * sinf(a), f.cy + f.ry * cosf(a), z);
    }
    glEnd();
}

void modelDropList(model_gl_t *m);

void modelRefresh(model_gl_t *m, const char *text, float growth, trace_t tr) {
    modelRefreshWithin(m, text, growth, UINT32_MAX, UINT32_MAX, tr);
}

int modelRefreshWithin(model_gl_t *m, const char *text, float growth, uint32_t maxPolygons,
                       uint32_t maxTokens, trace_t tr) {
    if (m->gen) lsysFree(m->gen);
    m->gen = lsysPrepare(text, growth, tr);
    if (!m->gen) {
        if (tr) tr(CODE_EXEC, "not enough memory to startup");
        modelDropList(m);
        return 0;
    }
    const int lowered = lsysCeil(m->gen, maxPolygons, maxTokens, tr);
    m->list = recordModel(m->gen, m->list, tr);
    return lowered;
}

void modelDropList(model_gl_t *m) {
    if (m->list) glDeleteLists(m->list, 1);
    m->list = 0;
}

void modelRelease(model_gl_t *m) {
    modelDropList(m);
    if (m->gen) lsysFree(m->gen);
    m->gen = NULL;
}

void modelDrawCallback(void *ctx) {
    drawLSys(((model_gl_t *)ctx)->list);
}

void modelFloorCallback(void *ctx) {
    drawFloor(((model_gl_t *)ctx)->gen);
}
