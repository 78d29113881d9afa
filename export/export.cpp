/* Choosing an export format by extension and writing it through the safe writer, so an
 * interrupted or failed export never leaves a truncated file behind. */
#include "export.h"

#include "io.h"

#include <math.h>

#include <algorithm>

namespace {

const export_format_info_t kFormats[] = {
    {EXPORT_GLB, "glb", "glTF binary"},
    {EXPORT_GLTF, "gltf", "glTF"},
    {EXPORT_3MF, "3mf", "3MF"},
    {EXPORT_PLY, "ply", "PLY"},
    {EXPORT_OBJ, "obj", "OBJ with materials"},
    {EXPORT_STL, "stl", "STL"},
};
const size_t kFormatCount = sizeof kFormats / sizeof kFormats[0];

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return (char)tolower(c); });
    return s;
}

} // namespace

const export_format_info_t *exportFormats(size_t *count) {
    *count = kFormatCount;
    return kFormats;
}

export_format_t exportFormatNamed(const std::string &name) {
    const std::string key = lower(name);
    for (const export_format_info_t &f : kFormats)
        if (key == f.name) return f.format;
    return EXPORT_UNKNOWN;
}

export_format_t exportFormatOf(const std::string &path) {
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return EXPORT_UNKNOWN;
    return exportFormatNamed(path.substr(dot + 1));
}

std::string exportExtensionList() {
    std::string out;
    for (size_t i = 0; i < kFormatCount; i++)
        out += std::string(i == 0                 ? ""
                           : i + 1 < kFormatCount ? ", "
                                                  : " or ") +
               "." + kFormats[i].name;
    return out;
}

std::vector<std::string> exportNameFilters() {
    std::vector<std::string> out;
    for (const export_format_info_t &f : kFormats)
        out.push_back(std::string(f.description) + " (*." + f.name + ")");
    return out;
}

float exportSrgbToLinear(float c) {
    c = std::min(1.0f, std::max(0.0f, c));
    return c <= 0.04045f ? c / 12.92f : powf((c + 0.055f) / 1.055f, 2.4f);
}

float exportLinearToSrgb(float c) {
    c = std::min(1.0f, std::max(0.0f, c));
    return c <= 0.0031308f ? c * 12.92f : 1.055f * powf(c, 1.0f / 2.4f) - 0.055f;
}

namespace {

bool writeFormat(const mesh_t &m, export_format_t format, IoOut *main, IoOut *mtl,
                 const std::string &mtlName, std::string *err) {
    switch (format) {
    case EXPORT_GLB:
    case EXPORT_GLTF:
        return exportGltf(m, main->file, format == EXPORT_GLB, err);
    case EXPORT_3MF:
        return export3mf(m, main->file, err);
    case EXPORT_PLY:
        return exportPly(m, main->file, err);
    case EXPORT_OBJ:
        return exportObj(m, main->file, mtl->file, mtlName, err);
    case EXPORT_STL:
        return exportStl(m, main->file, err);
    case EXPORT_UNKNOWN:
        break;
    }
    *err = "unknown export format";
    return false;
}

} // namespace

bool exportMesh(const mesh_t &m, const std::string &path, export_format_t format, std::string *err,
                export_result_t *result) {
    IoOut main, mtl;
    std::string mainPath = path, mtlPath;
    if (format == EXPORT_OBJ) {
        /* The MTL goes beside the file the OBJ really is, where its "mtllib" line points. */
        io_identity_t id;
        if (!ioIdentify(path, &id, err)) return false;
        if (id.kind == IO_DEVICE || id.kind == IO_FIFO) {
            *err = "an OBJ must go to a regular file, with its MTL beside it";
            return false;
        }
        mainPath = id.target;
        const std::string base = mainPath.substr(0, mainPath.find_last_of('/') + 1),
                          name = mainPath.substr(base.size());
        mtlPath = base + name.substr(0, name.find_last_of('.')) + ".mtl";
        if (!ioOutOpen(&mtl, mtlPath, err)) {
            *err = "cannot write " + mtlPath + ": " + *err;
            return false;
        }
    }
    if (!ioOutOpen(&main, mainPath, err)) return false;
    if (!writeFormat(m, format, &main, &mtl, mtlPath.substr(mtlPath.find_last_of('/') + 1), err))
        return false;
    /* The material library goes first, so a finished OBJ never names a missing MTL. */
    IoOut *both[2] = {&mtl, &main};
    if (!(format == EXPORT_OBJ ? ioOutCommit(both, 2, err) : ioOutCommit(both + 1, 1, err)))
        return false;
    if (result) {
        result->triangles = m.triangleCount();
        result->dropped = m.dropped;
        result->written = main.written;
    }
    return true;
}
