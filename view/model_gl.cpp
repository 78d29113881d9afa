/* The model's vertex buffers, uploaded once per drawing and drawn on every frame, plus the floor
 * disc and axis lines drawn under the model.
 *
 * Buffers instead of a display list: Mesa compiles a list at about 80 ns a vertex whatever the
 * program sends, fifteen times the engine's own work on the model, while a buffer is one copy
 * of the arrays (docs/performance.md). The arrays are interleaved (position, normal, colour);
 * colour material turns the colour array into the ambient and diffuse reflection as it did the
 * per-vertex colour calls. OpenGL 1.5 buffer objects are exported by libOpenGL itself, so no
 * loader is needed.
 */
#define GL_GLEXT_PROTOTYPES 1
#include "model_gl.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <math.h>
#include <stddef.h>

static void deleteBuffer(unsigned *name, size_t *capacity) {
    if (*name) glDeleteBuffers(1, name);
    *name = 0;
    *capacity = 0;
}

void modelDelete(model_gl_t *m) {
    deleteBuffer(&m->vertexBuffer, &m->capacity[0]);
    deleteBuffer(&m->indexBuffer, &m->capacity[1]);
    deleteBuffer(&m->lineBuffer, &m->capacity[2]);
    m->indexCount = 0;
    m->lineVertices = 0;
}

/* Writes the blocks one after the other into the buffer name (made when 0), which is made
 * larger first when they do not fit, or smaller when they would use less than a quarter. */
template <typename T>
static void fill(GLenum target, unsigned *name, size_t *capacity, const model_blocks_t<T> &b) {
    const size_t bytes = b.count * sizeof(T);
    if (bytes == 0 && !*name) return;
    if (!*name) glGenBuffers(1, name);
    glBindBuffer(target, *name);
    if (bytes > *capacity || bytes < *capacity / 4) {
        *capacity = bytes + bytes / 8;
        glBufferData(target, (GLsizeiptr)*capacity, NULL, GL_STATIC_DRAW);
    }
    size_t at = 0;
    for (const std::vector<T> &block : b.blocks) {
        const size_t n = block.size() * sizeof(T);
        glBufferSubData(target, (GLintptr)at, (GLsizeiptr)n, block.data());
        at += n;
    }
    glBindBuffer(target, 0);
}

bool modelUpload(model_gl_t *m, const model_arrays_t *a) {
    while (glGetError() != GL_NO_ERROR) {
        /* Errors of earlier work are not this upload's. */
    }
    fill(GL_ARRAY_BUFFER, &m->vertexBuffer, &m->capacity[0], a->vertices);
    fill(GL_ELEMENT_ARRAY_BUFFER, &m->indexBuffer, &m->capacity[1], a->triangles);
    fill(GL_ARRAY_BUFFER, &m->lineBuffer, &m->capacity[2], a->lines);
    if (glGetError() == GL_OUT_OF_MEMORY) {
        modelDelete(m);
        return false;
    }
    m->indexCount = (uint32_t)a->triangles.count;
    m->lineVertices = (uint32_t)a->lines.count;
    return true;
}

bool modelBuffersValid(const model_gl_t *m) {
    return m->vertexBuffer && glIsBuffer(m->vertexBuffer);
}

/* Points the vertex, normal and colour arrays at the bound buffer's records. */
static void pointArrays(bool normals) {
    const GLsizei stride = sizeof(model_vertex_t);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, (const void *)offsetof(model_vertex_t, pos));
    if (normals) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, stride, (const void *)offsetof(model_vertex_t, normal));
    }
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(3, GL_FLOAT, stride, (const void *)offsetof(model_vertex_t, color));
}

static void releaseArrays(void) {
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void modelDraw(const model_gl_t *m) {
    if (m->indexCount && m->vertexBuffer && m->indexBuffer) {
        glBindBuffer(GL_ARRAY_BUFFER, m->vertexBuffer);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m->indexBuffer);
        pointArrays(true);
        glDrawElements(GL_TRIANGLES, (GLsizei)m->indexCount, GL_UNSIGNED_INT, NULL);
        releaseArrays();
    }
    if (m->lineVertices && m->lineBuffer) {
        /* Unlit, in the segment's own colour: a line has no side facing the light. */
        const GLboolean lit = glIsEnabled(GL_LIGHTING);
        glDisable(GL_LIGHTING);
        glLineWidth(1.0f);
        glBindBuffer(GL_ARRAY_BUFFER, m->lineBuffer);
        pointArrays(false);
        glDrawArrays(GL_LINES, 0, (GLsizei)m->lineVertices);
        releaseArrays();
        if (lit) glEnable(GL_LIGHTING);
    }
}

void drawFloor(const floor_t *f) {
    float z = f->z;
    glNormal3f(0.0f, 0.0f, -1.0f);

    /* The axis lines pass through the model's origin, not through the disc centre. */
    glBegin(GL_LINES);
    glColor3f(1.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 2 * f->ry, z);
    glVertex3f(0.0f, -2 * f->ry, z);
    glColor3f(0.0f, 1.0f, 0.0f);
    glVertex3f(2 * f->rx, 0.0f, z);
    glVertex3f(-2 * f->rx, 0.0f, z);
    glColor3f(0.0f, 0.0f, 1.0f);
    glVertex3f(0.0f, 0.0f, z);
    glVertex3f(0.0f, 0.0f, z - 200);
    glEnd();

    /* An ellipse of 12 segments, 2 below the lines; the last rim vertex closes it. */
    z -= 2;
    glColor3f(0.4f, 0.4f, 0.4f);
    glBegin(GL_TRIANGLE_FAN);
    glVertex3f(f->cx, f->cy, z);
    for (int i = 0; i <= 12; i++) {
        float a = (float)((i % 12) * 2 * M_PI / 12);
        glVertex3f(f->cx + f->rx * sinf(a), f->cy + f->ry * cosf(a), z);
    }
    glEnd();
}

void modelDrawCallback(void *ctx) {
    modelDraw((const model_gl_t *)ctx);
}

void modelFloorCallback(void *ctx) {
    drawFloor(&((const model_gl_t *)ctx)->floor);
}
