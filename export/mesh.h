/* A triangle mesh collected from the engine's emission calls, shared by the exporters.
 *
 * The engine works like immediate-mode GL: a colour and a normal stay in force until changed,
 * and every three vertex calls make one triangle; a batch is the same calls for a whole object.
 * meshEmit() turns them into an indexed mesh whose vertices are unique (position, normal,
 * colour) triples, so a smooth tube shares its vertices while a colour or crease boundary keeps
 * them apart.
 */
#ifndef SPRIG_EXPORT_MESH_H
#define SPRIG_EXPORT_MESH_H

#include <stdint.h>

#include <array>
#include <unordered_map>
#include <vector>

#include "lsys.h"

struct mesh_vertex_t {
    float pos[3];
    float normal[3];
    float color[3]; /* as the model gives it; may lie outside 0..1 */
};

/* The bit patterns of a vertex's nine floats: the identity used to share vertices. */
typedef std::array<uint32_t, 9> mesh_key_t;
struct mesh_key_hash_t {
    size_t operator()(const mesh_key_t &k) const {
        uint64_t h = 1469598103934665603ull; /* FNV-1a over the words */
        for (uint32_t w : k)
            h = (h ^ w) * 1099511628211ull;
        return (size_t)h;
    }
};

struct mesh_t {
    std::vector<mesh_vertex_t> vertices;
    std::vector<uint32_t> indices; /* three per triangle */
    /* Triangles dropped because a corner's position was not finite (no format can hold them). */
    uint32_t dropped = 0;

    /* Working state of the emission: the current colour and normal, the pending corners. */
    float curColor[3] = {1, 1, 1};
    float curNormal[3] = {0, 0, 1};
    mesh_vertex_t pending[3];
    int npending = 0;
    std::unordered_map<mesh_key_t, uint32_t, mesh_key_hash_t> lookup;

    size_t triangleCount() const { return indices.size() / 3; }
};

/* An emit_t that appends to the mesh; valid while the mesh lives. */
emit_t meshEmit(mesh_t *m);

/* Colour channel to an 8-bit value: clamped to 0..1, then rounded. */
uint8_t meshByte(float c);

/* The unit normal of a triangle's face, turned to agree with the mean of its vertex normals;
 * the mean alone when the face has no area, (0, 0, 0) when neither is usable. */
void meshFaceNormal(const mesh_t &m, size_t tri, float out[3]);

#endif
