/* Binary STL: an 80-byte header, the triangle count and 50 bytes per triangle (facet normal,
 * three corners, a zero attribute word). STL has no colour that readers agree on, so none is
 * written. */
#include "export.h"
#include "export_file.h"

#include <string.h>

bool exportStl(const mesh_t &m, FILE *f, std::string *err) {
    size_t n = m.triangleCount();
    if (n > 0xffffffffu) {
        *err = "too many triangles for STL";
        return false;
    }
    char header[80];
    memset(header, ' ', sizeof header);
    /* Must not start with "solid": readers would take the file for ASCII STL. */
    static const char text[] = "Sprig lsys binary STL, z up";
    memcpy(header, text, sizeof text - 1);
    fwrite(header, 1, sizeof header, f);
    putU32(f, (uint32_t)n);
    for (size_t t = 0; t < n; t++) {
        float normal[3];
        meshFaceNormal(m, t, normal);
        for (float c : normal)
            putF32(f, c);
        for (int i = 0; i < 3; i++)
            for (float c : m.vertices[m.indices[t * 3 + i]].pos)
                putF32(f, c);
        putU16(f, 0);
    }
    return true;
}
