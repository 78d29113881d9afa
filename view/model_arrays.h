/* The model as vertex arrays: what one drawing of a description becomes before it goes to GL.
 * The emission sink modelArraysEmit fills them on whichever thread runs the engine; the thread
 * that owns the GL context then uploads them into vertex buffers (model_gl.h). No GL, no Qt.
 *
 * Triangles are indexed. A smooth object (a tube's side) shares its points between its
 * triangles; a flat one (a cap, a prism, a polygon) has three vertices per triangle, each with
 * that triangle's normal, unless it repeats the flat object before it exactly, whose vertices
 * it then shares. Every vertex carries its object's colour. Drawing the indices in order
 * gives GL the vertices, normals and colours of the engine's per-vertex calls, bit for bit and
 * in the same order.
 */
#ifndef SPRIG_VIEW_MODEL_ARRAYS_H
#define SPRIG_VIEW_MODEL_ARRAYS_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "lsys.h"

/* 36 bytes: position, normal and colour as the engine computed them (model units, 0..1). */
typedef struct model_vertex_t {
    float pos[3];
    float normal[3];
    float color[3];
} model_vertex_t;

/* Storage blocks handed back by finished arrays and taken again by the next drawing, on any
 * thread. A block taken is empty with room for a whole block; a block given back is kept while
 * the pool holds less than 64 MB of each type, and freed otherwise. */
void modelBlockTake(std::vector<model_vertex_t> *block, size_t capacity);
void modelBlockTake(std::vector<uint32_t> *block, size_t capacity);
void modelBlockGive(std::vector<model_vertex_t> *block);
void modelBlockGive(std::vector<uint32_t> *block);

/* An array kept in blocks of fixed capacity, appended to without ever moving what it holds.
 * Growing one array of tens of megabytes would copy it at every doubling, and fresh memory from
 * the system costs a page fault per 4 kB: together three times the drawing itself. The blocks
 * are recycled through the pool above, so a refresh after the first writes into memory that is
 * already mapped. Block boundaries carry no meaning: the blocks laid end to end are the array. */
template <typename T> struct model_blocks_t {
    enum { CAPACITY = (2 << 20) / sizeof(T) };
    std::vector<std::vector<T>> blocks;
    size_t count = 0;

    model_blocks_t() = default;
    model_blocks_t(const model_blocks_t &) = delete;
    model_blocks_t &operator=(const model_blocks_t &) = delete;
    model_blocks_t(model_blocks_t &&o) noexcept : blocks(std::move(o.blocks)), count(o.count) {
        o.blocks.clear();
        o.count = 0;
    }
    model_blocks_t &operator=(model_blocks_t &&o) noexcept {
        if (this != &o) {
            release();
            blocks.swap(o.blocks);
            count = o.count;
            o.count = 0;
        }
        return *this;
    }
    ~model_blocks_t() { release(); }

    /* Gives every block back to the pool. */
    void release() {
        for (std::vector<T> &b : blocks)
            modelBlockGive(&b);
        blocks.clear();
        count = 0;
    }

    /* Room for n more elements (n <= CAPACITY) in one piece; the caller fills them all. */
    T *append(size_t n) {
        if (blocks.empty() || blocks.back().size() + n > CAPACITY) {
            blocks.emplace_back();
            modelBlockTake(&blocks.back(), CAPACITY);
        }
        std::vector<T> &b = blocks.back();
        b.resize(b.size() + n);
        count += n;
        return b.data() + b.size() - n;
    }
    /* Back to the first n elements (n <= count). */
    void truncate(size_t n) {
        while (count > n) {
            std::vector<T> &b = blocks.back();
            const size_t drop = count - n < b.size() ? count - n : b.size();
            b.resize(b.size() - drop);
            count -= drop;
            if (b.empty()) {
                modelBlockGive(&b);
                blocks.pop_back();
            }
        }
    }
};

/* The sink's copy of the last flat object: its corners (position, then its triangle's normal),
 * its colour, and the vertex indices it was given. Only the first count entries are used. */
struct model_flat_t {
    int count = 0;
    float color[3];
    float corner[LSYS_BATCH][6];
    uint32_t index[LSYS_BATCH];
};

struct model_arrays_t {
    model_blocks_t<model_vertex_t> vertices;
    model_blocks_t<uint32_t> triangles; /* three indices into vertices per triangle */
    /* Every segment's axis as a line, two vertices each (the normal unused), drawn unlit after
     * the triangles at least one pixel wide: a segment thinner than a pixel still shows, and
     * inside a thicker one the depth test hides the line. */
    model_blocks_t<model_vertex_t> lines;
    /* Memory ran out while the arrays grew: they hold the drawing up to that point. */
    bool incomplete = false;
    /* Working state of the sink: the colour in force (white until the drawing sets one), and
     * the last flat object, whose exact repeats share its vertices. */
    float color[3] = {1.0f, 1.0f, 1.0f};
    model_flat_t lastFlat;
};

/* An emit_t that appends whole objects to a (valid while a lives). */
emit_t modelArraysEmit(model_arrays_t *a);

/* Bytes the arrays' contents take (what an upload copies). */
size_t modelArraysBytes(const model_arrays_t *a);

#endif
