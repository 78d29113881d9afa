/* Wavefront OBJ with its MTL: positions and normals per vertex, one material per distinct
 * colour (named after the colour's 8-bit values), faces grouped under "usemtl" wherever the
 * colour changes. Numbers are printed in the "C" locale. */
#include "export.h"
#include "export_file.h"

#include <stdarg.h>

#include <map>
#include <vector>

/* One formatted line, however long (a file name can take 255 bytes). */
static void putLine(FILE *f, const char *fmt, ...) {
    char buf[256];
    va_list ap, again;
    va_start(ap, fmt);
    va_copy(again, ap);
    int n = lsysFormat(buf, sizeof buf, fmt, ap);
    if (n >= (int)sizeof buf) {
        std::vector<char> big((size_t)n + 1);
        lsysFormat(big.data(), big.size(), fmt, again);
        fwrite(big.data(), 1, (size_t)n, f);
    } else if (n > 0) {
        fwrite(buf, 1, (size_t)n, f);
    }
    va_end(again);
    va_end(ap);
}

static std::string materialName(const float color[3]) {
    char buf[32];
    snprintf(buf, sizeof buf, "color_%02x%02x%02x", meshByte(color[0]), meshByte(color[1]),
             meshByte(color[2]));
    return buf;
}

bool exportObj(const mesh_t &m, FILE *f, FILE *mtl, const std::string &mtlName,
               std::string * /* nothing can fail but writes */) {
    /* A triangle takes the colour of its first corner: the engine colours whole faces. */
    std::map<std::string, const float *> materials;
    for (size_t t = 0; t < m.triangleCount(); t++) {
        const float *c = m.vertices[m.indices[t * 3]].color;
        materials.emplace(materialName(c), c);
    }

    putLine(mtl, "# written by Sprig lsys\n");
    for (const auto &mat : materials) {
        const float *c = mat.second;
        putLine(mtl, "\nnewmtl %s\nKa 0 0 0\nKd %.6g %.6g %.6g\nKs 0 0 0\nillum 1\n",
                mat.first.c_str(), meshByte(c[0]) / 255.0, meshByte(c[1]) / 255.0,
                meshByte(c[2]) / 255.0);
    }

    putLine(f, "# written by Sprig lsys; z is up\nmtllib %s\n", mtlName.c_str());
    for (const mesh_vertex_t &v : m.vertices)
        putLine(f, "v %.9g %.9g %.9g\n", v.pos[0], v.pos[1], v.pos[2]);
    for (const mesh_vertex_t &v : m.vertices)
        putLine(f, "vn %.9g %.9g %.9g\n", v.normal[0], v.normal[1], v.normal[2]);
    std::string current;
    for (size_t t = 0; t < m.triangleCount(); t++) {
        std::string name = materialName(m.vertices[m.indices[t * 3]].color);
        if (name != current) {
            putLine(f, "usemtl %s\n", name.c_str());
            current = name;
        }
        /* OBJ indices count from 1; vertex and normal share an index. */
        uint32_t a = m.indices[t * 3] + 1, b = m.indices[t * 3 + 1] + 1,
                 c = m.indices[t * 3 + 2] + 1;
        putLine(f, "f %u//%u %u//%u %u//%u\n", a, a, b, b, c, c);
    }
    return true;
}
