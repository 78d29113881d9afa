/* Binary little-endian PLY: one vertex element with position, normal and 8-bit colour, and one
 * face element of triangles. */
#include "export.h"
#include "export_file.h"

bool exportPly(const mesh_t &m, FILE *f, std::string * /* nothing can fail but writes */) {
    fprintf(f,
            "ply\n"
            "format binary_little_endian 1.0\n"
            "comment written by Sprig lsys; z is up\n"
            "element vertex %zu\n"
            "property float x\nproperty float y\nproperty float z\n"
            "property float nx\nproperty float ny\nproperty float nz\n"
            "property uchar red\nproperty uchar green\nproperty uchar blue\n"
            "element face %zu\n"
            "property list uchar uint vertex_indices\n"
            "end_header\n",
            m.vertices.size(), m.triangleCount());
    for (const mesh_vertex_t &v : m.vertices) {
        for (float p : v.pos)
            putF32(f, p);
        for (float n : v.normal)
            putF32(f, n);
        unsigned char rgb[3] = {meshByte(v.color[0]), meshByte(v.color[1]), meshByte(v.color[2])};
        fwrite(rgb, 1, 3, f);
    }
    for (size_t t = 0; t < m.triangleCount(); t++) {
        fputc(3, f);
        for (int i = 0; i < 3; i++)
            putU32(f, m.indices[t * 3 + i]);
    }
    return true;
}
