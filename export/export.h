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
#include <vector>

#include "io.h"
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

/* One export format. The table of them is the one list of formats: the exporter dispatch, the
 * window's file filter, lsys's --format, messages and help are made from it, and a test checks
 * the bash completion, the manual page and the README against it. */
struct export_format_info_t {
    export_format_t format;
    const char *name;        /* its extension (without the dot) and its --format name */
    const char *description; /* for file dialogs: "glTF binary" */
};

/* The formats in the order they are offered; *count is set to their number. */
const export_format_info_t *exportFormats(size_t *count);

/* The format named by the path's extension (case ignored); EXPORT_UNKNOWN for any other. */
export_format_t exportFormatOf(const std::string &path);

/* The format of that name ("stl", case ignored); EXPORT_UNKNOWN for any other. */
export_format_t exportFormatNamed(const std::string &name);

/* The extensions for a message: ".glb, .gltf, .3mf, .ply, .obj or .stl". */
std::string exportExtensionList();

/* A file dialog's name filters, one per format: "glTF binary (*.glb)". */
std::vector<std::string> exportNameFilters();

/* What an export wrote. */
struct export_result_t {
    size_t triangles = 0; /* in the file */
    uint32_t dropped = 0; /* left out: a corner's position was not finite */
    io_written_t written; /* the main file (the OBJ, not its MTL) */
};

/* Writes the mesh to path in the given format, atomically (an OBJ together with its MTL, both
 * in the folder where path leads, symlinks resolved). On failure returns false with a one-line
 * reason in *err (no program name, no path unless it is the MTL's) and leaves nothing behind.
 * *result, when given, says what was written. */
bool exportMesh(const mesh_t &m, const std::string &path, export_format_t format, std::string *err,
                export_result_t *result = nullptr);

/* The per-format writers: false with a reason in *err when the format cannot hold the mesh or
 * its library fails. Write errors are left to the stream, whose commit reports them.
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
