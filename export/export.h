/* The mesh exporters: glTF 2.0 (binary .glb or embedded .gltf), 3MF, binary PLY, OBJ + MTL and
 * binary STL. No Qt; the tests call these directly.
 *
 * exportMesh() is what lsys and the window use: it picks the format and writes through the
 * safe writer of io.h, so a failed export never leaves a half-written file under the target's
 * name. The per-format writers write to an open file and leave it open.
 */
#ifndef SPRIG_EXPORT_EXPORT_H
#define SPRIG_EXPORT_EXPORT_H

#include <stdio.h>

#include <string>

#include "mesh.h"

enum export_format_t {
    EXPORT_UNKNOWN,
    EXPORT_GLB,
    EXPORT_GLTF,
    EXPORT_3MF,
    EXPORT_PLY,
    EXPORT_OBJ,
    EXPORT_STL
};

/* The format named by the path's extension (case ignored); EXPORT_UNKNOWN for any other. */
export_format_t exportFormatOf(const std::string &path);

/* Writes the mesh to path in the given format, atomically (an OBJ together with its MTL). On
 * failure returns false with a one-line reason in *err (no program name, no path unless it is
 * the MTL's) and leaves nothing behind. */
bool exportMesh(const mesh_t &m, const std::string &path, export_format_t format, std::string *err);

/* The per-format writers: false with a reason in *err when a write failed.
 * glTF is y-up while the model is z-up: the model is turned -90 degrees about x, so
 * (x, y, z) becomes (x, z, -y). Colours go out as linear values (COLOR_0 is linear in glTF);
 * the model's colours are display (sRGB) values. */
bool exportGltf(const mesh_t &m, FILE *f, bool binary, std::string *err);
bool export3mf(const mesh_t &m, FILE *f, std::string *err);
bool exportPly(const mesh_t &m, FILE *f, std::string *err);
/* mtlName is what the OBJ's "mtllib" line names: the MTL's file name beside the OBJ. */
bool exportObj(const mesh_t &m, FILE *obj, FILE *mtl, const std::string &mtlName, std::string *err);
bool exportStl(const mesh_t &m, FILE *f, std::string *err);

/* sRGB transfer function, both ways, on 0..1 (input clamped). */
float exportSrgbToLinear(float c);
float exportLinearToSrgb(float c);

#endif
