/* Choosing an export format by extension and writing it atomically: every output file is
 * written under a temporary name in its target's directory and renamed into place only when
 * complete, so an interrupted or failed export never leaves a truncated file behind. */
#include "export.h"

#include <errno.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

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

namespace {

/* One output file: its final name and the temporary it is written under. */
struct staged_t {
    std::string target;
    std::string temp;
};

std::string dirOf(const std::string &path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string &path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

/* Creates an empty, uniquely named temporary beside the target, with the permissions a plain
 * new file would get (mkstemp alone would make it private to the user). */
bool stage(const std::string &target, staged_t *s, std::string *err) {
    std::string dir = dirOf(target);
    std::string tmpl = dir + "/." + baseOf(target) + ".XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    int fd = mkstemp(buf.data());
    if (fd < 0) {
        const char *reason = strerror(errno);
        *err = "cannot create a file in " + dir + ": " + reason;
        return false;
    }
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    s->target = target;
    s->temp = buf.data();
    return true;
}

void discard(const std::vector<staged_t> &files) {
    for (const staged_t &s : files)
        unlink(s.temp.c_str());
}

} // namespace

/* A directory under a target's name would only make the final rename fail, after the OBJ's
 * material library had already been put in place; refuse it before writing anything. */
static bool isDirectory(const std::string &path, const std::string &prefix, std::string *err) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    *err = prefix + strerror(EISDIR);
    return true;
}

bool exportMesh(const mesh_t &m, const std::string &path, export_format_t format,
                std::string *err) {
    std::vector<staged_t> files;
    std::string mtl;
    if (isDirectory(path, "", err)) return false;
    if (format == EXPORT_OBJ) {
        size_t dot = path.find_last_of('.');
        mtl = path.substr(0, dot) + ".mtl";
        if (isDirectory(mtl, "cannot write " + mtl + ": ", err)) return false;
        staged_t s;
        if (!stage(mtl, &s, err)) return false;
        files.push_back(s);
    }
    staged_t main;
    if (!stage(path, &main, err)) {
        discard(files);
        return false;
    }
    files.push_back(main);

    bool ok = false;
    switch (format) {
    case EXPORT_GLB:
        ok = exportGltf(m, main.temp, true, err);
        break;
    case EXPORT_GLTF:
        ok = exportGltf(m, main.temp, false, err);
        break;
    case EXPORT_3MF:
        ok = export3mf(m, main.temp, err);
        break;
    case EXPORT_PLY:
        ok = exportPly(m, main.temp, err);
        break;
    case EXPORT_OBJ:
        ok = exportObj(m, main.temp, files[0].temp, baseOf(mtl), err);
        break;
    case EXPORT_STL:
        ok = exportStl(m, main.temp, err);
        break;
    case EXPORT_UNKNOWN:
        *err = "unknown export format";
        break;
    }
    if (!ok) {
        discard(files);
        return false;
    }
    /* The OBJ's material library goes first, so a finished OBJ never names a missing MTL. */
    for (size_t i = 0; i < files.size(); i++) {
        if (rename(files[i].temp.c_str(), files[i].target.c_str()) != 0) {
            int e = errno;
            /* The caller names the main target; only the MTL needs naming here. */
            *err =
                files[i].target == path ? std::string() : "cannot write " + files[i].target + ": ";
            *err += strerror(e);
            discard(std::vector<staged_t>(files.begin() + i, files.end()));
            return false;
        }
    }
    return true;
}
