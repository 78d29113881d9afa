/* The mesh exporters: glTF 2.0 (binary .glb or embedded .gltf), 3MF, binary PLY, OBJ + MTL and
 * binary STL. No Qt; the tests call these directly.
 *
 * exportMesh() is what the command line uses: it picks the format, writes to temporary files
 * in the target's directory and renames them into place, so a failed export never leaves a
 * half-written file under the target's name. The per-format writers write straight to the
 * path they are given.
 */
#ifndef SPRIG_EXPORT_EXPORT_H
#define SPRIG_EXPORT_EXPORT_H

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

/* Writes the mesh to path in the given format, atomically. On failure returns false with a
 * one-line reason in *err (no program name, no path) and leaves nothing behind. */
bool exportMesh(const mesh_t &m, const std::string &path, export_format_t format, std::string *err);

/* glTF is y-up while the model is z-up: the model is turned -90 degrees about x, so
 * (x, y, z) becomes (x, z, -y). Colours go out as linear values (COLOR_0 is linear in glTF);
 * the model's colours are display (sRGB) values. */
bool exportGltf(const mesh_t &m, const std::string &path, bool binary, std::string *err);
bool export3mf(const mesh_t &m, const std::string &path, std::string *err);
bool exportPly(const mesh_t &m, const std::string &path, std::string *err);
/* mtlName is what the OBJ's "mtllib" line names: the MTL's file name beside the OBJ. */
bool exportObj(const mesh_t &m, const std::string &objPath, const std::string &mtlPath,
               const std::string &mtlName, std::string *err);
bool exportStl(const mesh_t &m, const std::string &path, std::string *err);

/* sRGB transfer function, both ways, on 0..1 (input clamped). */
float exportSrgbToLinear(float c);
float exportLinearToSrgb(float c);

#endif
