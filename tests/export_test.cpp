/* The mesh exporters: each format is written and read back by a reader that is not our writer
 * (tinygltf's loader, lib3mf's reader, small PLY, OBJ and STL readers written here from the
 * formats' documentation), and the triangles, positions, normals and colours compared. */
#include <math.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <Model/COM/NMR_DLLInterfaces.h>
#include <tiny_gltf.h>

#include "export.h"
#include "lsys.h"

/* lib3mf's reader never closes the zip entries it opens; that leak is the library's, not the
 * exporters', so the leak checker of sanitizer builds is told to pass over it. Only lib3mf uses
 * libzip here, and libzip has no frame pointers, so its module is the most a stack shows. */
extern "C" const char *__lsan_default_suppressions() {
    return "leak:libzip.so\n";
}

namespace {

/* One triangle as a reader found it; normals and colours per corner when the format has them. */
struct read_tri_t {
    float p[3][3];
    float n[3][3];
    float c[3][3];
};

struct read_mesh_t {
    bool ok = false;
    bool hasNormals = false, hasColors = false;
    std::vector<read_tri_t> tris;
};

std::string slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

float f32(const unsigned char *p) {
    uint32_t u = p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24;
    float f;
    memcpy(&f, &u, 4);
    return f;
}

uint32_t u32(const unsigned char *p) {
    return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24;
}

/* ---- Readers ---- */

read_mesh_t readStl(const std::string &path) {
    read_mesh_t m;
    std::string d = slurp(path);
    if (d.size() < 84) return m;
    const unsigned char *p = (const unsigned char *)d.data();
    uint32_t n = u32(p + 80);
    if (d.size() != 84 + 50ull * n) return m;
    m.hasNormals = true;
    for (uint32_t t = 0; t < n; t++) {
        const unsigned char *r = p + 84 + 50 * t;
        read_tri_t tri;
        for (int k = 0; k < 3; k++)
            for (int i = 0; i < 3; i++) {
                tri.n[k][i] = f32(r + 4 * i); /* the facet normal stands for every corner */
                tri.p[k][i] = f32(r + 12 + 12 * k + 4 * i);
            }
        m.tris.push_back(tri);
    }
    m.ok = true;
    return m;
}

read_mesh_t readPly(const std::string &path) {
    read_mesh_t m;
    std::string d = slurp(path);
    size_t end = d.find("end_header\n");
    if (d.compare(0, 4, "ply\n") != 0 || end == std::string::npos) return m;
    struct prop_t {
        std::string name, type, countType;
    };
    struct elem_t {
        std::string name;
        size_t count;
        std::vector<prop_t> props;
    };
    std::vector<elem_t> elems;
    std::stringstream header(d.substr(0, end));
    for (std::string line; std::getline(header, line);) {
        std::stringstream w(line);
        std::string kw;
        w >> kw;
        if (kw == "format" && line != "format binary_little_endian 1.0") return m;
        if (kw == "element") {
            elem_t e;
            w >> e.name >> e.count;
            elems.push_back(e);
        } else if (kw == "property") {
            prop_t p;
            w >> p.type;
            if (p.type == "list") w >> p.countType >> p.type;
            w >> p.name;
            elems.back().props.push_back(p);
        }
    }
    const unsigned char *p = (const unsigned char *)d.data() + end + 11;
    const unsigned char *limit = (const unsigned char *)d.data() + d.size();
    auto size = [](const std::string &t) {
        return t == "uchar" || t == "char" ? 1 : t == "ushort" || t == "short" ? 2 : 4;
    };
    bool truncated = false;
    auto value = [&](const std::string &t) -> double {
        if (p + size(t) > limit) {
            truncated = true;
            return 0;
        }
        double v = t == "float" ? f32(p) : t == "uchar" ? *p : (double)u32(p);
        p += size(t);
        return v;
    };
    std::vector<std::map<std::string, double>> verts;
    for (const elem_t &e : elems) {
        for (size_t i = 0; i < e.count; i++) {
            std::map<std::string, double> v;
            std::vector<uint32_t> list;
            for (const prop_t &pr : e.props) {
                if (pr.countType.empty()) {
                    v[pr.name] = value(pr.type);
                } else {
                    int n = (int)value(pr.countType);
                    for (int k = 0; k < n; k++)
                        list.push_back((uint32_t)value(pr.type));
                }
            }
            if (e.name == "vertex") verts.push_back(v);
            if (truncated) return m;
            if (e.name != "face") continue;
            if (list.size() != 3) return m;
            read_tri_t t;
            for (int k = 0; k < 3; k++) {
                if (list[k] >= verts.size()) return m;
                auto &vx = verts[list[k]];
                const char *pn[3] = {"x", "y", "z"}, *nn[3] = {"nx", "ny", "nz"},
                           *cn[3] = {"red", "green", "blue"};
                for (int a = 0; a < 3; a++) {
                    t.p[k][a] = (float)vx[pn[a]];
                    t.n[k][a] = (float)vx[nn[a]];
                    t.c[k][a] = (float)(vx[cn[a]] / 255.0);
                }
            }
            m.tris.push_back(t);
        }
    }
    m.hasNormals = m.hasColors = true;
    m.ok = p == limit;
    return m;
}

read_mesh_t readObj(const std::string &path) {
    read_mesh_t m;
    std::ifstream in(path);
    std::vector<std::array<float, 3>> v, vn;
    std::map<std::string, std::array<float, 3>> kd;
    std::array<float, 3> current = {-1, -1, -1};
    std::string dir = path.substr(0, path.find_last_of('/') + 1);
    for (std::string line; std::getline(in, line);) {
        std::stringstream w(line);
        std::string kw;
        w >> kw;
        if (kw == "mtllib") {
            std::string name;
            w >> name;
            std::ifstream mtl(dir + name);
            if (!mtl) return m; /* the OBJ must name an MTL that exists beside it */
            std::string mat;
            for (std::string l; std::getline(mtl, l);) {
                std::stringstream mw(l);
                std::string k;
                mw >> k;
                if (k == "newmtl") mw >> mat;
                if (k == "Kd") mw >> kd[mat][0] >> kd[mat][1] >> kd[mat][2];
            }
        } else if (kw == "v" || kw == "vn") {
            std::array<float, 3> a;
            w >> a[0] >> a[1] >> a[2];
            (kw == "v" ? v : vn).push_back(a);
        } else if (kw == "usemtl") {
            std::string name;
            w >> name;
            if (!kd.count(name)) return m;
            current = kd[name];
        } else if (kw == "f") {
            read_tri_t t;
            for (int k = 0; k < 3; k++) {
                std::string corner;
                w >> corner;
                unsigned vi = 0, ni = 0;
                if (sscanf(corner.c_str(), "%u//%u", &vi, &ni) != 2 || vi < 1 || ni < 1 ||
                    vi > v.size() || ni > vn.size())
                    return m;
                for (int a = 0; a < 3; a++) {
                    t.p[k][a] = v[vi - 1][a];
                    t.n[k][a] = vn[ni - 1][a];
                    t.c[k][a] = current[a];
                }
            }
            m.tris.push_back(t);
        }
    }
    m.hasNormals = m.hasColors = true;
    m.ok = true;
    return m;
}

read_mesh_t readGltf(const std::string &path, bool binary) {
    read_mesh_t m;
    tinygltf::Model g;
    tinygltf::TinyGLTF loader;
    std::string err, warn;
    bool ok = binary ? loader.LoadBinaryFromFile(&g, &err, &warn, path)
                     : loader.LoadASCIIFromFile(&g, &err, &warn, path);
    EXPECT_TRUE(ok) << err << warn;
    if (!ok) return m;
    m.ok = true;
    if (g.meshes.empty()) return m;
    /* Reads accessor a as float or uint32 values, honouring the view's stride. */
    auto read = [&](int a) {
        const tinygltf::Accessor &acc = g.accessors[a];
        const tinygltf::BufferView &view = g.bufferViews[acc.bufferView];
        const unsigned char *base =
            g.buffers[view.buffer].data.data() + view.byteOffset + acc.byteOffset;
        int comps = tinygltf::GetNumComponentsInType(acc.type);
        size_t stride = view.byteStride ? view.byteStride : 4 * comps;
        std::vector<double> out;
        for (size_t i = 0; i < acc.count; i++)
            for (int c = 0; c < comps; c++) {
                const unsigned char *q = base + i * stride + 4 * c;
                out.push_back(acc.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT ? f32(q) : u32(q));
            }
        return out;
    };
    const tinygltf::Primitive &prim = g.meshes[0].primitives[0];
    EXPECT_EQ(prim.mode, TINYGLTF_MODE_TRIANGLES);
    std::vector<double> pos = read(prim.attributes.at("POSITION"));
    std::vector<double> nor = read(prim.attributes.at("NORMAL"));
    std::vector<double> col = read(prim.attributes.at("COLOR_0"));
    std::vector<double> idx = read(prim.indices);
    for (size_t t = 0; t + 2 < idx.size(); t += 3) {
        read_tri_t tri;
        for (int k = 0; k < 3; k++)
            for (int a = 0; a < 3; a++) {
                size_t i = (size_t)idx[t + k] * 3 + a;
                tri.p[k][a] = (float)pos[i];
                tri.n[k][a] = (float)nor[i];
                tri.c[k][a] = (float)col[i];
            }
        m.tris.push_back(tri);
    }
    m.hasNormals = m.hasColors = true;
    return m;
}

read_mesh_t read3mf(const std::string &path) {
    using namespace NMR;
    read_mesh_t m;
    PLib3MFModel *model = nullptr;
    PLib3MFModelReader *reader = nullptr;
    PLib3MFModelResourceIterator *it = nullptr;
    if (lib3mf_createmodel(&model) != LIB3MF_OK) return m;
    BOOL more = false;
    if (lib3mf_model_queryreader(model, "3mf", &reader) != LIB3MF_OK ||
        lib3mf_reader_readfromfileutf8(reader, path.c_str()) != LIB3MF_OK ||
        lib3mf_model_getmeshobjects(model, &it) != LIB3MF_OK ||
        lib3mf_resourceiterator_movenext(it, &more) != LIB3MF_OK) {
        lib3mf_release(model);
        return m;
    }
    m.ok = true;
    m.hasColors = true;
    while (more) {
        PLib3MFModelResource *res = nullptr;
        lib3mf_resourceiterator_getcurrent(it, &res);
        PLib3MFModelMeshObject *mesh = (PLib3MFModelMeshObject *)res;
        DWORD nv = 0, nt = 0;
        lib3mf_meshobject_getvertexcount(mesh, &nv);
        lib3mf_meshobject_gettrianglecount(mesh, &nt);
        PLib3MFPropertyHandler *props = nullptr;
        lib3mf_meshobject_createpropertyhandler(mesh, &props);
        for (DWORD t = 0; t < nt; t++) {
            MODELMESHTRIANGLE tri;
            lib3mf_meshobject_gettriangle(mesh, t, &tri);
            DWORD group = 0, index = 0;
            BYTE rgba[4] = {0, 0, 0, 0};
            if (lib3mf_propertyhandler_getbasematerial(props, t, &group, &index) == LIB3MF_OK) {
                PLib3MFModelBaseMaterial *mat = nullptr;
                if (lib3mf_model_getbasematerialbyid(model, group, &mat) == LIB3MF_OK) {
                    lib3mf_basematerial_getdisplaycolor(mat, index, &rgba[0], &rgba[1], &rgba[2],
                                                        &rgba[3]);
                    lib3mf_release(mat);
                }
            }
            EXPECT_EQ(rgba[3], 255) << "an opaque colour";
            read_tri_t r;
            for (int k = 0; k < 3; k++) {
                MODELMESHVERTEX v;
                EXPECT_LT(tri.m_nIndices[k], nv);
                lib3mf_meshobject_getvertex(mesh, tri.m_nIndices[k], &v);
                for (int a = 0; a < 3; a++) {
                    r.p[k][a] = v.m_fPosition[a];
                    r.n[k][a] = 0;
                    r.c[k][a] = rgba[a] / 255.0f;
                }
            }
            m.tris.push_back(r);
        }
        lib3mf_release(props);
        lib3mf_release(res);
        lib3mf_resourceiterator_movenext(it, &more);
    }
    lib3mf_release(it);
    lib3mf_release(reader);
    lib3mf_release(model);
    return m;
}

/* ---- The model under test ---- */

/* Draws a description through the exporters' collector, as lsys does. */
mesh_t drawMesh(const char *text) {
    mesh_t m;
    emit_t e = meshEmit(&m);
    lsys_t *l = lsysInit();
    lsysParse(l, nullTrace, text);
    srand(0);
    l->sink = &e;
    lsysDraw(l, nullTrace);
    lsysFree(l);
    return m;
}

bool near3(const float *a, const float *b, float tol) {
    return fabsf(a[0] - b[0]) <= tol && fabsf(a[1] - b[1]) <= tol && fabsf(a[2] - b[2]) <= tol;
}

struct format_case_t {
    const char *ext;
    std::function<read_mesh_t(const std::string &)> read;
    bool yUp;       /* glTF: turned upright */
    bool facetOnly; /* STL: one normal per triangle */
    bool linear;    /* glTF: colours stored linear */
};

const format_case_t kFormats[] = {
    {"glb", [](const std::string &p) { return readGltf(p, true); }, true, false, true},
    {"gltf", [](const std::string &p) { return readGltf(p, false); }, true, false, true},
    {"3mf", read3mf, false, false, false},
    {"ply", readPly, false, false, false},
    {"obj", readObj, false, false, false},
    {"stl", readStl, false, true, false},
};

class ExportTest : public ::testing::Test {
  protected:
    std::string dir;
    void SetUp() override {
        char tmpl[] = "/tmp/lsys_export_test.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        std::string cmd = "rm -rf '" + dir + "'";
        ASSERT_EQ(system(cmd.c_str()), 0);
    }
};

TEST_F(ExportTest, EachFormatReadsBackTheModel) {
    /* Two tubes of different colours: colour 2 from z 0 to 100, colour 4 from 100 to 200. The
     * centres of the end caps are single vertices with axis-aligned normals. */
    mesh_t mesh = drawMesh("axiom Fc(4)F\n");
    ASSERT_EQ(mesh.triangleCount(), 64u);
    const float bottom[3] = {0, 0, 0}, top[3] = {0, 0, 200};
    const float down[3] = {0, 0, -1}, up[3] = {0, 0, 1};
    const float red[3] = {0.8f, 0.4f, 0.4f}, green[3] = {0.4f, 0.8f, 0.4f};

    for (const format_case_t &f : kFormats) {
        SCOPED_TRACE(f.ext);
        std::string path = dir + "/model." + f.ext;
        std::string err;
        ASSERT_TRUE(exportMesh(mesh, path, exportFormatOf(path), &err)) << err;
        read_mesh_t got = f.read(path);
        ASSERT_TRUE(got.ok);
        EXPECT_EQ(got.tris.size(), mesh.triangleCount());

        /* Back to the model's z-up frame: glTF stores (x, z, -y). */
        float lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
        for (read_tri_t &t : got.tris)
            for (int k = 0; k < 3; k++) {
                if (f.yUp) {
                    float p[3] = {t.p[k][0], -t.p[k][2], t.p[k][1]};
                    float n[3] = {t.n[k][0], -t.n[k][2], t.n[k][1]};
                    memcpy(t.p[k], p, sizeof p);
                    memcpy(t.n[k], n, sizeof n);
                }
                if (f.linear)
                    for (float &c : t.c[k])
                        c = exportLinearToSrgb(c);
                for (int a = 0; a < 3; a++) {
                    lo[a] = std::min(lo[a], t.p[k][a]);
                    hi[a] = std::max(hi[a], t.p[k][a]);
                }
            }
        EXPECT_NEAR(lo[2], 0, 1e-4);
        EXPECT_NEAR(hi[2], 200, 1e-4);
        EXPECT_NEAR(hi[0], 50, 0.01);
        EXPECT_NEAR(lo[1], -50, 0.01);

        int seenBottom = 0, seenTop = 0;
        for (const read_tri_t &t : got.tris)
            for (int k = 0; k < 3; k++) {
                bool isBottom = near3(t.p[k], bottom, 1e-4f), isTop = near3(t.p[k], top, 1e-4f);
                if (!isBottom && !isTop) continue;
                (isBottom ? seenBottom : seenTop)++;
                if (got.hasNormals) {
                    EXPECT_TRUE(near3(t.n[k], isBottom ? down : up, 1e-4f));
                }
                if (got.hasColors) {
                    EXPECT_TRUE(near3(t.c[k], isBottom ? red : green, 0.5f / 255 + 1e-4f))
                        << t.c[k][0] << " " << t.c[k][1] << " " << t.c[k][2];
                }
            }
        EXPECT_EQ(seenBottom, 8); /* the eight triangles of each end cap meet at its centre */
        EXPECT_EQ(seenTop, 8);

        if (f.facetOnly) {
            /* Facet normals must face outward: on the tube's side, away from the axis. */
            for (const read_tri_t &t : got.tris) {
                float cx = (t.p[0][0] + t.p[1][0] + t.p[2][0]) / 3;
                float cy = (t.p[0][1] + t.p[1][1] + t.p[2][1]) / 3;
                float len =
                    sqrtf(t.n[0][0] * t.n[0][0] + t.n[0][1] * t.n[0][1] + t.n[0][2] * t.n[0][2]);
                EXPECT_NEAR(len, 1, 1e-4);
                if (fabsf(t.n[0][2]) < 0.5f) {
                    EXPECT_GT(cx * t.n[0][0] + cy * t.n[0][1], 0);
                }
            }
        }
    }
}

TEST_F(ExportTest, ObjNamesItsMaterialLibrary) {
    mesh_t mesh = drawMesh("axiom F\n");
    std::string err;
    ASSERT_TRUE(exportMesh(mesh, dir + "/tree.OBJ", EXPORT_OBJ, &err)) << err;
    std::string obj = slurp(dir + "/tree.OBJ");
    EXPECT_NE(obj.find("\nmtllib tree.mtl\n"), std::string::npos);
    std::string mtl = slurp(dir + "/tree.mtl");
    EXPECT_NE(mtl.find("Kd 0.8 0.4 0.4"), std::string::npos) << mtl;
}

TEST_F(ExportTest, AnEmptyDrawingGivesValidEmptyFiles) {
    mesh_t mesh = drawMesh("axiom +\n");
    ASSERT_EQ(mesh.triangleCount(), 0u);
    for (const format_case_t &f : kFormats) {
        SCOPED_TRACE(f.ext);
        std::string path = dir + "/empty." + f.ext;
        std::string err;
        ASSERT_TRUE(exportMesh(mesh, path, exportFormatOf(path), &err)) << err;
        read_mesh_t got = f.read(path);
        EXPECT_TRUE(got.ok);
        EXPECT_EQ(got.tris.size(), 0u);
    }
}

TEST_F(ExportTest, FailedExportsLeaveNothing) {
    mesh_t mesh = drawMesh("axiom F\n");
    std::string err;
    EXPECT_FALSE(exportMesh(mesh, dir + "/missing/m.glb", EXPORT_GLB, &err));
    EXPECT_NE(err.find("No such file or directory"), std::string::npos) << err;
    std::string busy = dir + "/busy.obj";
    ASSERT_EQ(mkdir(busy.c_str(), 0700), 0);
    err.clear();
    EXPECT_FALSE(exportMesh(mesh, busy, EXPORT_OBJ, &err));
    EXPECT_NE(err.find("Is a directory"), std::string::npos) << err;
    /* The directory is refused before anything is written: no temporary, no MTL. */
    std::string listing;
    FILE *ls = popen(("ls -A '" + dir + "'").c_str(), "r");
    for (int c; (c = fgetc(ls)) != EOF;)
        listing += (char)c;
    pclose(ls);
    EXPECT_EQ(listing, "busy.obj\n");
}

TEST(ExportWriters, ReportAFullDisk) {
    /* Writes to /dev/full fail with ENOSPC, often only when the buffers are flushed. */
    if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
    mesh_t mesh = drawMesh("axiom F\n");
    const struct {
        const char *name;
        std::function<bool(std::string *)> write;
    } cases[] = {
        {"glb", [&](std::string *e) { return exportGltf(mesh, "/dev/full", true, e); }},
        {"gltf", [&](std::string *e) { return exportGltf(mesh, "/dev/full", false, e); }},
        {"3mf", [&](std::string *e) { return export3mf(mesh, "/dev/full", e); }},
        {"ply", [&](std::string *e) { return exportPly(mesh, "/dev/full", e); }},
        {"obj", [&](std::string *e) { return exportObj(mesh, "/dev/full", "/dev/full", "x", e); }},
        {"stl", [&](std::string *e) { return exportStl(mesh, "/dev/full", e); }},
    };
    for (const auto &c : cases) {
        std::string err;
        EXPECT_FALSE(c.write(&err)) << c.name;
        EXPECT_NE(err, "") << c.name;
    }
}

TEST(ExportFormat, ByExtension) {
    const struct {
        const char *path;
        export_format_t format;
    } cases[] = {
        {"a.glb", EXPORT_GLB},     {"a.GLTF", EXPORT_GLTF},       {"dir/a.3mf", EXPORT_3MF},
        {"a.b.ply", EXPORT_PLY},   {"A.Obj", EXPORT_OBJ},         {"/x/a.stl", EXPORT_STL},
        {"a.dae", EXPORT_UNKNOWN}, {"a", EXPORT_UNKNOWN},         {"d.stl/a", EXPORT_UNKNOWN},
        {"a.", EXPORT_UNKNOWN},    {"a.stl.bak", EXPORT_UNKNOWN},
    };
    for (const auto &c : cases)
        EXPECT_EQ(exportFormatOf(c.path), c.format) << c.path;
}

TEST(ExportColor, SrgbRoundTripsAndClamps) {
    for (int i = 0; i <= 255; i++) {
        float c = i / 255.0f;
        EXPECT_NEAR(exportLinearToSrgb(exportSrgbToLinear(c)), c, 1e-5) << i;
    }
    EXPECT_NEAR(exportSrgbToLinear(0.5f), 0.2140f, 1e-4); /* the standard's mid grey */
    EXPECT_EQ(exportSrgbToLinear(2.0f), 1.0f);
    EXPECT_EQ(exportSrgbToLinear(-1.0f), 0.0f);
    EXPECT_EQ(meshByte(2.0f), 255);
    EXPECT_EQ(meshByte(-1.0f), 0);
    EXPECT_EQ(meshByte(NAN), 0);
    EXPECT_EQ(meshByte(0.4f), 102);
}

} // namespace
