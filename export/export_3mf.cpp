/* 3MF through lib3mf: one mesh object whose vertices are shared by position (so closed tubes
 * stay closed for slicers), one base material per distinct colour, each triangle assigned the
 * colour of its first corner. 3MF is z-up like the model; lengths are the model's own units
 * (3MF's default unit, millimetres). Triangles whose corners coincide after sharing have no
 * area and are left out, as 3MF forbids them. */
#include "export.h"
#include "export_file.h"

#include <string.h>

#include <map>

#include <Model/COM/NMR_DLLInterfaces.h>

using namespace NMR;

namespace {

/* Releases lib3mf handles in reverse order of acquisition. */
struct handles_t {
    std::vector<PLib3MFBase *> held;
    ~handles_t() {
        for (size_t i = held.size(); i-- > 0;)
            lib3mf_release(held[i]);
    }
    template <class T> T *keep(T *p) {
        if (p) held.push_back(p);
        return p;
    }
};

bool failed(HRESULT r, PLib3MFBase *source, const char *what, std::string *err) {
    if (r == LIB3MF_OK) return false;
    LPCSTR msg = NULL;
    DWORD code = 0;
    if (source) lib3mf_getlasterror(source, &code, &msg);
    char buf[64];
    snprintf(buf, sizeof buf, " (lib3mf error 0x%x", (unsigned)r);
    *err = std::string(what) + buf + (msg && *msg ? std::string(": ") + msg : "") + ")";
    return true;
}

std::array<uint32_t, 3> posKey(const mesh_vertex_t &v) {
    std::array<uint32_t, 3> k;
    memcpy(k.data(), v.pos, sizeof v.pos);
    return k;
}

} // namespace

static bool write3mf(const mesh_t &m, FILE *f, std::string *err) {
    handles_t h;
    PLib3MFModel *model = NULL;
    if (failed(lib3mf_createmodel(&model), NULL, "cannot create a 3MF model", err)) return false;
    h.keep(model);

    std::vector<MODELMESHVERTEX> verts;
    std::vector<MODELMESHTRIANGLE> tris;
    std::vector<DWORD> triColor; /* material index per triangle */
    std::map<std::array<uint32_t, 3>, DWORD> byPos;
    std::map<std::array<uint8_t, 3>, DWORD> byColor;
    std::vector<std::array<uint8_t, 3>> colors;
    std::vector<DWORD> remap(m.vertices.size());
    for (size_t i = 0; i < m.vertices.size(); i++) {
        auto found = byPos.emplace(posKey(m.vertices[i]), (DWORD)verts.size());
        if (found.second) {
            MODELMESHVERTEX v;
            memcpy(v.m_fPosition, m.vertices[i].pos, sizeof v.m_fPosition);
            verts.push_back(v);
        }
        remap[i] = found.first->second;
    }
    for (size_t t = 0; t < m.triangleCount(); t++) {
        MODELMESHTRIANGLE tri;
        for (int i = 0; i < 3; i++)
            tri.m_nIndices[i] = remap[m.indices[t * 3 + i]];
        if (tri.m_nIndices[0] == tri.m_nIndices[1] || tri.m_nIndices[1] == tri.m_nIndices[2] ||
            tri.m_nIndices[0] == tri.m_nIndices[2])
            continue;
        const float *c = m.vertices[m.indices[t * 3]].color;
        std::array<uint8_t, 3> rgb = {meshByte(c[0]), meshByte(c[1]), meshByte(c[2])};
        auto found = byColor.emplace(rgb, (DWORD)colors.size());
        if (found.second) colors.push_back(rgb);
        tris.push_back(tri);
        triColor.push_back(found.first->second);
    }

    if (!tris.empty()) {
        PLib3MFModelBaseMaterial *group = NULL;
        if (failed(lib3mf_model_addbasematerialgroup(model, &group), model,
                   "cannot add the 3MF materials", err))
            return false;
        h.keep(group);
        for (const auto &rgb : colors) {
            char name[32];
            snprintf(name, sizeof name, "color %02x%02x%02x", rgb[0], rgb[1], rgb[2]);
            DWORD index = 0;
            if (failed(lib3mf_basematerial_addmaterialutf8(group, name, rgb[0], rgb[1], rgb[2],
                                                           &index),
                       group, "cannot add a 3MF material", err))
                return false;
            /* Adding a material leaves its alpha at 0 (fully transparent) in this lib3mf. */
            if (failed(lib3mf_basematerial_setdisplaycolorrgba(group, index, rgb[0], rgb[1], rgb[2],
                                                               255),
                       group, "cannot set a 3MF colour", err))
                return false;
        }
        DWORD groupId = 0;
        if (failed(lib3mf_resource_getresourceid(group, &groupId), group,
                   "cannot read the 3MF material id", err))
            return false;

        PLib3MFModelMeshObject *mesh = NULL;
        if (failed(lib3mf_model_addmeshobject(model, &mesh), model, "cannot add the 3MF mesh", err))
            return false;
        h.keep(mesh);
        lib3mf_object_setnameutf8(mesh, "lsys");
        if (failed(lib3mf_meshobject_setgeometry(mesh, verts.data(), (DWORD)verts.size(),
                                                 tris.data(), (DWORD)tris.size()),
                   mesh, "cannot store the 3MF mesh", err))
            return false;

        PLib3MFPropertyHandler *props = NULL;
        if (failed(lib3mf_meshobject_createpropertyhandler(mesh, &props), mesh,
                   "cannot colour the 3MF mesh", err))
            return false;
        h.keep(props);
        std::vector<ModelResourceID> groups(tris.size(), (ModelResourceID)groupId);
        if (failed(
                lib3mf_propertyhandler_setbasematerialarray(props, groups.data(), triColor.data()),
                props, "cannot colour the 3MF mesh", err))
            return false;
        PLib3MFDefaultPropertyHandler *def = NULL;
        if (lib3mf_object_createdefaultpropertyhandler(mesh, &def) == LIB3MF_OK) {
            h.keep(def);
            lib3mf_defaultpropertyhandler_setbasematerial(def, groupId, triColor[0]);
        }

        PLib3MFModelBuildItem *item = NULL;
        if (failed(lib3mf_model_addbuilditem(model, mesh, NULL, &item), model,
                   "cannot add the 3MF build item", err))
            return false;
        h.keep(item);
    }

    PLib3MFModelWriter *writer = NULL;
    if (failed(lib3mf_model_querywriter(model, "3mf", &writer), model,
               "cannot create the 3MF writer", err))
        return false;
    h.keep(writer);
    /* lib3mf finishes its file in a destructor, where a failed write or seek throws and ends
     * the program. So the package is built in memory and written out through checked I/O. */
    ULONG64 size = 0;
    if (failed(lib3mf_writer_getstreamsize(writer, &size), writer, "the 3MF writer failed", err))
        return false;
    std::vector<BYTE> bytes((size_t)size);
    if (failed(lib3mf_writer_writetobuffer(writer, bytes.data(), size), writer,
               "the 3MF writer failed", err))
        return false;
    fwrite(bytes.data(), 1, bytes.size(), f);
    return true;
}

/* lib3mf's C interface lets some C++ exceptions through; they must not end the program. */
bool export3mf(const mesh_t &m, FILE *f, std::string *err) {
    try {
        return write3mf(m, f, err);
    } catch (const std::exception &e) {
        *err = std::string("the 3MF writer failed: ") + e.what();
    } catch (...) {
        *err = "the 3MF writer failed";
    }
    return false;
}
