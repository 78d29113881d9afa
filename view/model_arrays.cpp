/* The vertex-array sink (see model_arrays.h). The engine calls it with whole objects; it must
 * not let an exception out, so a failed allocation marks the arrays incomplete and the rest of
 * the drawing is dropped. */
#include "model_arrays.h"

#include <string.h>

#include <mutex>
#include <new>

namespace {

/* Each pool keeps blocks while it holds less than this many bytes. */
const size_t kPoolBytes = 64u << 20;

template <typename T> struct pool_t {
    std::mutex lock;
    std::vector<std::vector<T>> blocks;
    size_t bytes = 0;
};

pool_t<model_vertex_t> gVertexPool;
pool_t<uint32_t> gIndexPool;

template <typename T> void take(pool_t<T> &pool, std::vector<T> *block, size_t capacity) {
    {
        std::lock_guard<std::mutex> hold(pool.lock);
        if (!pool.blocks.empty()) {
            block->swap(pool.blocks.back());
            pool.blocks.pop_back();
            pool.bytes -= block->capacity() * sizeof(T);
        }
    }
    block->clear();
    block->reserve(capacity);
}

template <typename T> void give(pool_t<T> &pool, std::vector<T> *block) {
    const size_t bytes = block->capacity() * sizeof(T);
    if (bytes == 0) return;
    std::lock_guard<std::mutex> hold(pool.lock);
    if (pool.bytes + bytes > kPoolBytes) {
        std::vector<T>().swap(*block);
        return;
    }
    try {
        pool.blocks.emplace_back();
    } catch (const std::bad_alloc &) {
        std::vector<T>().swap(*block);
        return;
    }
    pool.blocks.back().swap(*block);
    pool.bytes += bytes;
}

} // namespace

void modelBlockTake(std::vector<model_vertex_t> *block, size_t capacity) {
    take(gVertexPool, block, capacity);
}

void modelBlockTake(std::vector<uint32_t> *block, size_t capacity) {
    take(gIndexPool, block, capacity);
}

void modelBlockGive(std::vector<model_vertex_t> *block) {
    give(gVertexPool, block);
}

void modelBlockGive(std::vector<uint32_t> *block) {
    give(gIndexPool, block);
}

static void putVertex(model_vertex_t *v, const float pos[3], const float normal[3],
                      const float color[3]) {
    memcpy(v->pos, pos, sizeof v->pos);
    memcpy(v->normal, normal, sizeof v->normal);
    memcpy(v->color, color, sizeof v->color);
}

/* A flat object's corners, each with its triangle's normal. An object that repeats the one
 * before it exactly (a tube segment's end cap is mostly drawn again as the next one's start)
 * takes that one's vertices again: the drawing of a bush then leaves a third fewer vertices
 * for GL to transform on every frame, as a display list's own merging did. */
static void appendFlat(model_arrays_t *a, const float (*pos)[3], const float (*normal)[3],
                       const uint16_t *index, int count) {
    model_flat_t corners;
    corners.count = count;
    memcpy(corners.color, a->color, sizeof corners.color);
    for (int i = 0; i < count; i++) {
        memcpy(corners.corner[i], pos[index[i]], sizeof(float[3]));
        memcpy(corners.corner[i] + 3, normal[i / 3], sizeof(float[3]));
    }
    model_flat_t &last = a->lastFlat;
    const size_t bytes = (size_t)count * sizeof corners.corner[0];
    const bool repeat = last.count == count &&
                        memcmp(last.color, corners.color, sizeof corners.color) == 0 &&
                        memcmp(last.corner, corners.corner, bytes) == 0;
    uint32_t *out = a->triangles.append((size_t)count);
    if (repeat) {
        memcpy(out, last.index, (size_t)count * sizeof(uint32_t));
        return;
    }
    const size_t base = a->vertices.count;
    model_vertex_t *v = a->vertices.append((size_t)count);
    for (int i = 0; i < count; i++) {
        putVertex(&v[i], corners.corner[i], corners.corner[i] + 3, a->color);
        out[i] = (uint32_t)(base + (size_t)i);
    }
    last.count = count;
    memcpy(last.color, corners.color, sizeof last.color);
    memcpy(last.corner, corners.corner, bytes);
    memcpy(last.index, out, (size_t)count * sizeof(uint32_t));
}

/* A smooth object's points once each, with their own normals; the corners index them. */
static void appendSmooth(model_arrays_t *a, const float (*pos)[3], const float (*normal)[3],
                         const uint16_t *index, int count) {
    int points = 0;
    for (int i = 0; i < count; i++)
        if (index[i] >= points) points = index[i] + 1;
    const size_t base = a->vertices.count;
    model_vertex_t *v = a->vertices.append((size_t)points);
    for (int j = 0; j < points; j++)
        putVertex(&v[j], pos[j], normal[j], a->color);
    uint32_t *out = a->triangles.append((size_t)count);
    for (int i = 0; i < count; i++)
        out[i] = (uint32_t)(base + index[i]);
}

/* The segment an object draws, when it is a segment's body: a tube's side (the only smooth
 * object: its start ring is points 0 to 7, its end ring 8 to 15) or a prism (the only flat
 * object whose first triangle is 0, 4, 5: the square at the start is points 0 to 3, the one at
 * the end 4 to 7; its end squares may be skipped as too small, its sides come first). The axis
 * runs between the centres of the two rings. False for caps and polygons. */
static bool segmentAxis(const float (*pos)[3], const uint16_t *index, int count, int flat,
                        float axis[2][3]) {
    int points;
    if (!flat && count == 48)
        points = 8;
    else if (flat && count >= 24 && index[0] == 0 && index[1] == 4 && index[2] == 5)
        points = 4;
    else
        return false;
    int highest = 0;
    for (int i = 0; i < count; i++)
        if (index[i] > highest) highest = index[i];
    if (highest != 2 * points - 1) return false;
    for (int end = 0; end < 2; end++)
        for (int c = 0; c < 3; c++) {
            float sum = 0.0f;
            for (int j = 0; j < points; j++)
                sum += pos[end * points + j][c];
            axis[end][c] = sum / (float)points;
        }
    return true;
}

/* Share of its colour that a lit tube shows on average across its width (ambient 0.2 plus the
 * mean diffuse light on its visible half): the tone of an unlit line that stands for it. */
static const float kLineShade = 0.6f;

/* A segment's axis as a line in its colour, so that a segment thinner than a pixel still
 * shows. Inside a thicker tube or prism the depth test hides it. */
static void appendLine(model_arrays_t *a, const float axis[2][3]) {
    static const float none[3] = {0.0f, 0.0f, 0.0f};
    const float shade[3] = {a->color[0] * kLineShade, a->color[1] * kLineShade,
                            a->color[2] * kLineShade};
    model_vertex_t *v = a->lines.append(2);
    putVertex(&v[0], axis[0], none, shade);
    putVertex(&v[1], axis[1], none, shade);
}

static void arraysBatch(void *ctx, const float *rgb, const float (*pos)[3],
                        const float (*normal)[3], const uint16_t *index, int count, int flat) {
    model_arrays_t *a = (model_arrays_t *)ctx;
    if (rgb) memcpy(a->color, rgb, sizeof a->color);
    if (count <= 0 || a->incomplete) return;
    if (!flat) a->lastFlat.count = 0; // a repeat must follow directly
    const size_t vertices = a->vertices.count, triangles = a->triangles.count,
                 lines = a->lines.count;
    try {
        if (flat)
            appendFlat(a, pos, normal, index, count);
        else
            appendSmooth(a, pos, normal, index, count);
        float axis[2][3];
        if (segmentAxis(pos, index, count, flat, axis)) appendLine(a, axis);
    } catch (const std::bad_alloc &) {
        /* The object that did not fit is cut back whole. */
        a->incomplete = true;
        a->lastFlat.count = 0;
        a->vertices.truncate(vertices);
        a->triangles.truncate(triangles);
        a->lines.truncate(lines);
    }
}

emit_t modelArraysEmit(model_arrays_t *a) {
    return emit_t{a, nullptr, nullptr, nullptr, arraysBatch};
}

size_t modelArraysBytes(const model_arrays_t *a) {
    return (a->vertices.count + a->lines.count) * sizeof(model_vertex_t) +
           a->triangles.count * sizeof(uint32_t);
}
