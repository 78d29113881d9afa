/* Choosing an export format by extension and writing it through the safe writer, so an
 * interrupted or failed export never leaves a truncated file behind. */
#include "export.h"

#include "io.h"

#include <math.h>

#include <algorithm>

export_format_t exportFormatOf(const std::string &path) {
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return EXPORT_UNKNOWN;
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return (char)tolower(c); });
    if (ext == "glb") return EXPORT_GLB;
    if (ext == "gltf") return EXPORT_GLTF;
    if (ext == "3mf") return EXPORT_3MF;
    if (ext == "ply") return EXPORT_PLY;
    if (ext == "obj") return EXPORT_OBJ;
    if (ext == "stl") return EXPORT_STL;
    return EXPORT_UNKNOWN;
}

float exportSrgbToLinear(float c) {
    c = std::min(1.0f, std::max(0.0f, c));
    return c <= 0.04045f ? c / 12.92f : powf((c + 0.055f) / 1.055f, 2.4f);
}

float exportLinearToSrgb(float c) {
    c = std::min(1.0f, std::max(0.0f, c));
    return c <= 0.0031308f ? c * 12.92f : 1.055f * powf(c, 1.0f / 2.4f) - 0.055f;
}

static std::string baseOf(const std::string &path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool exportMesh(const mesh_t &m, const std::string &path, export_format_t format,
                std::string *err) {
    IoOut main, mtl;
    std::string mtlPath;
    if (format == EXPORT_OBJ) {
        mtlPath = path.substr(0, path.find_last_of('.')) + ".mtl";
        if (!ioOutOpen(&mtl, mtlPath, err)) {
            *err = "cannot write " + mtlPath + ": " + *err;
            return false;
        }
    }
    if (!ioOutOpen(&main, path, err)) return false;

    bool ok = false;
    switch (format) {
    case EXPORT_GLB:
    case EXPORT_GLTF:
        ok = exportGltf(m, main.file, format == EXPORT_GLB, err);
        break;
    case EXPORT_3MF:
        ok = export3mf(m, main.file, err);
        break;
    case EXPORT_PLY:
        ok = exportPly(m, main.file, err);
        break;
    case EXPORT_OBJ:
        ok = exportObj(m, main.file, mtl.file, baseOf(mtlPath), err);
        break;
    case EXPORT_STL:
        ok = exportStl(m, main.file, err);
        break;
    case EXPORT_UNKNOWN:
        *err = "unknown export format";
        break;
    }
    if (!ok) return false;
    /* The material library goes first, so a finished OBJ never names a missing MTL. */
    IoOut *both[2] = {&mtl, &main};
    return format == EXPORT_OBJ ? ioOutCommit(both, 2, err) : ioOutCommit(both + 1, 1, err);
}
