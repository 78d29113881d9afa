// Each export format read back by a reader that is not our writer (PLY, OBJ, STL: written here).
#include <math.h>
#include <string.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <Model/COM/NMR_DLLInterfaces.h>
#include <tiny_gltf.h>

#include "export.h"
#include "lsys.h"

// lib3mf's reader leaks the zip entries it opens (libzip, seen only by module): not ours.
extern "C" const char *__lsan_default_suppressions() {
    return "leak:libzip.so\n";
}

namespace {

// A triangle corner as read back: position, normal, colour (zero where the format has none).
using corner_t = std::array<float, 9>;
using corners_t = std::vector<corner_t>;

corner_t corner(const float *p, const float *n, const float *c) {
    return {p[0], p[1], p[2], n[0], n[1], n[2], c[0], c[1], c[2]};
}

std::string slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

uint32_t u32(const unsigned char *p) {
    return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24;
}

float f32(const unsigned char *p) {
    uint32_t u = u32(p);
    float f;
    memcpy(&f, &u, 4);
    return f;
}

// ---- Readers: each returns false where the file breaks its format ----

bool readStl(const std::string &path, corners_t &out) {
    std::string d = slurp(path);
    const unsigned char *p = (const unsigned char *)d.data();
    if (d.size() < 84 || d.size() != 84 + 50ull * u32(p + 80)) return false;
    for (size_t c = 0; 84 + 50 * (c / 3) < d.size(); c++) { // corner c of facet c / 3
        const unsigned char *f = p + 84 + 50 * (c / 3), *q = f + 12 + 12 * (c % 3);
        out.push_back(
            {f32(q), f32(q + 4), f32(q + 8), f32(f), f32(f + 4), f32(f + 8)}); // facet's normal
    }
    return true;
}

// Binary PLY whose header declares exactly the vertex properties x y z nx ny nz (float) red green
// blue (uchar) and faces as uchar-counted uint lists.
bool readPly(const std::string &path, corners_t &out) {
    const std::string d = slurp(path);
    size_t nv = 0, nf = 0;
    int at = 0;
    const char *header = "ply format binary_little_endian 1.0 comment %*[^\n] element vertex %zu "
                         "property float x property float y property float z property float nx "
                         "property float ny property float nz property uchar red property uchar "
                         "green property uchar blue element face %zu property list uchar uint "
                         "vertex_indices end_header%n";
    if (sscanf(d.c_str(), header, &nv, &nf, &at) != 2 || !at || d[at] != '\n' ||
        d.size() != at + 1 + 27 * nv + 13 * nf)
        return false;
    const unsigned char *v = (const unsigned char *)d.data() + at + 1, *f = v + 27 * nv;
    for (size_t k = 0; k < 3 * nf; k++) {
        const uint32_t i = u32(f + 13 * (k / 3) + 1 + 4 * (k % 3));
        if (f[13 * (k / 3)] != 3 || i >= nv) return false;
        const unsigned char *p = v + 27 * i;
        out.push_back({f32(p), f32(p + 4), f32(p + 8), f32(p + 12), f32(p + 16), f32(p + 20),
                       p[24] / 255.0f, p[25] / 255.0f, p[26] / 255.0f});
    }
    return true;
}

// OBJ "v", "vn" and "f v//n" lines, coloured by the Kd of the MTL material named by "usemtl".
bool readObj(const std::string &path, corners_t &out) {
    std::ifstream in(path);
    std::vector<std::array<float, 3>> v, vn;
    std::map<std::string, std::array<float, 3>> kd;
    std::array<float, 3> colour = {-1, -1, -1};
    for (std::string line; std::getline(in, line);) {
        std::istringstream w(line);
        std::string kw, name;
        w >> kw;
        if (kw == "v" || kw == "vn") {
            std::array<float, 3> a;
            w >> a[0] >> a[1] >> a[2];
            (kw == "v" ? v : vn).push_back(a);
        } else if (kw == "mtllib") { // the MTL must exist beside the OBJ under the name given
            std::ifstream mtl(path.substr(0, path.find_last_of('/') + 1) + (w >> name, name));
            for (std::string l, k; std::getline(mtl, l);) {
                std::istringstream m(l);
                if (m >> k && k == "newmtl") m >> name;
                if (k == "Kd") m >> kd[name][0] >> kd[name][1] >> kd[name][2];
            }
            if (!mtl.eof()) return false;
        } else if (kw == "usemtl") {
            if (!kd.count((w >> name, name))) return false;
            colour = kd[name];
        } else if (kw == "f") {
            for (unsigned k = 0, vi, ni; k < 3; k++)
                if (!(w >> name) || sscanf(name.c_str(), "%u//%u", &vi, &ni) != 2 || !vi || !ni ||
                    vi > v.size() || ni > vn.size())
                    return false;
                else
                    out.push_back(corner(v[vi - 1].data(), vn[ni - 1].data(), colour.data()));
        }
    }
    return true;
}

bool readGltf(const std::string &path, corners_t &out) {
    tinygltf::Model g;
    tinygltf::TinyGLTF loader;
    std::string err, warn;
    bool ok = path.back() == 'b' ? loader.LoadBinaryFromFile(&g, &err, &warn, path)
                                 : loader.LoadASCIIFromFile(&g, &err, &warn, path);
    EXPECT_TRUE(ok) << err << warn;
    if (!ok || g.meshes.empty()) return ok;
    auto read = [&](int a) { // accessor a's float or uint32 values, by the view's stride
        const tinygltf::Accessor &acc = g.accessors[a];
        const tinygltf::BufferView &view = g.bufferViews[acc.bufferView];
        size_t comps = tinygltf::GetNumComponentsInType(acc.type), stride = acc.ByteStride(view);
        const unsigned char *base = &g.buffers[view.buffer].data[view.byteOffset + acc.byteOffset];
        std::vector<float> values;
        for (size_t i = 0; i < acc.count * comps; i++) {
            const unsigned char *q = base + i / comps * stride + 4 * (i % comps);
            values.push_back(acc.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT ? f32(q) : u32(q));
        }
        return values;
    };
    const tinygltf::Primitive &prim = g.meshes[0].primitives[0];
    EXPECT_EQ(prim.mode, TINYGLTF_MODE_TRIANGLES);
    std::vector<float> pos = read(prim.attributes.at("POSITION")),
                       nor = read(prim.attributes.at("NORMAL")),
                       col = read(prim.attributes.at("COLOR_0"));
    for (float i : read(prim.indices)) {
        corner_t c = corner(&pos[3 * (size_t)i], &nor[3 * (size_t)i], &col[3 * (size_t)i]);
        // Back to the model's z-up frame: glTF stores (x, z, -y), and colours as linear.
        out.push_back({c[0], -c[2], c[1], c[3], -c[5], c[4], exportLinearToSrgb(c[6]),
                       exportLinearToSrgb(c[7]), exportLinearToSrgb(c[8])});
    }
    return true;
}

bool read3mf(const std::string &path, corners_t &out) {
    using namespace NMR;
    PLib3MFBase *model = nullptr, *reader = nullptr, *it = nullptr;
    BOOL more = false;
    bool ok = lib3mf_createmodel(&model) == LIB3MF_OK &&
              lib3mf_model_queryreader(model, "3mf", &reader) == LIB3MF_OK &&
              lib3mf_reader_readfromfileutf8(reader, path.c_str()) == LIB3MF_OK &&
              lib3mf_model_getmeshobjects(model, &it) == LIB3MF_OK &&
              lib3mf_resourceiterator_movenext(it, &more) == LIB3MF_OK;
    for (; ok && more; lib3mf_resourceiterator_movenext(it, &more)) {
        PLib3MFBase *mesh = nullptr, *props = nullptr;
        DWORD nv = 0, nt = 0;
        lib3mf_resourceiterator_getcurrent(it, &mesh);
        lib3mf_meshobject_getvertexcount(mesh, &nv);
        lib3mf_meshobject_gettrianglecount(mesh, &nt);
        std::vector<MODELMESHVERTEX> vs(nv);
        std::vector<MODELMESHTRIANGLE> ts(nt);
        lib3mf_meshobject_getvertices(mesh, vs.data(), nv, nullptr);
        lib3mf_meshobject_gettriangleindices(mesh, ts.data(), nt, nullptr);
        lib3mf_meshobject_createpropertyhandler(mesh, &props);
        for (DWORD t = 0, group, index; t < nt; t++) {
            BYTE rgba[4] = {};
            PLib3MFBase *mat = nullptr;
            if (lib3mf_propertyhandler_getbasematerial(props, t, &group, &index) == LIB3MF_OK &&
                lib3mf_model_getbasematerialbyid(model, group, &mat) == LIB3MF_OK)
                lib3mf_basematerial_getdisplaycolor(mat, index, rgba, rgba + 1, rgba + 2, rgba + 3);
            lib3mf_release(mat);
            EXPECT_EQ(rgba[3], 255) << "an opaque colour";
            const float c[3] = {rgba[0] / 255.0f, rgba[1] / 255.0f, rgba[2] / 255.0f}, none[3] = {};
            for (DWORD k : ts[t].m_nIndices)
                out.push_back(corner(vs.at(k).m_fPosition, none, c));
        }
        lib3mf_release(props);
        lib3mf_release(mesh);
    }
    for (PLib3MFBase *p : {it, reader, model})
        lib3mf_release(p);
    return ok;
}

// Draws a description through the exporters' collector.
mesh_t drawMesh(const char *text) {
    mesh_t m;
    const emit_t e = meshEmit(&m);
    lsys_job_t job = {text, 1.0f, nullptr, &e, nullptr, 1, 0};
    lsysFree(lsysBuild(&job, nullTrace));
    return m;
}

bool near3(const corner_t &a, const corner_t &b, int from, float tol) {
    return fabsf(a[from] - b[from]) <= tol && fabsf(a[from + 1] - b[from + 1]) <= tol &&
           fabsf(a[from + 2] - b[from + 2]) <= tol;
}

TEST(Export, EachFormatReadsBackTheModel) {
    char tmpl[] = "/tmp/lsys_export_test.XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    // Tubes of colour 2 (z 0..100) and 4 (100..200); an empty drawing gives valid empty files.
    const mesh_t tubes = drawMesh("axiom Fc(4)F\n"), empty = drawMesh("axiom +\n");
    ASSERT_EQ(tubes.triangleCount(), 64u);
    ASSERT_EQ(empty.triangleCount(), 0u);
    const corner_t ends[2] = {{0, 0, 0, 0, 0, -1, 0.8f, 0.4f, 0.4f},
                              {0, 0, 200, 0, 0, 1, 0.4f, 0.8f, 0.4f}};
    // A reader for every format of the exporters' table, and whether it has normals, colours.
    const std::map<std::string, std::tuple<bool (*)(const std::string &, corners_t &), bool, bool>>
        readers = {{"glb", {readGltf, true, true}}, {"gltf", {readGltf, true, true}},
                   {"3mf", {read3mf, false, true}}, {"ply", {readPly, true, true}},
                   {"obj", {readObj, true, true}},  {"stl", {readStl, true, false}}};
    size_t count;
    const export_format_info_t *formats = exportFormats(&count);
    ASSERT_EQ(count, readers.size());
    for (size_t i = 0; i < count; i++) {
        SCOPED_TRACE(formats[i].name);
        ASSERT_TRUE(readers.count(formats[i].name));
        const auto &[read, normals, colours] = readers.at(formats[i].name);
        // The extension's case does not matter.
        std::string ext = formats[i].name, err;
        if (ext == "obj") ext = "OBJ";
        std::string path = dir + "/model." + ext, emptyPath = dir + "/empty." + ext;
        corners_t got, none;
        export_result_t result;
        ASSERT_TRUE(exportMesh(empty, emptyPath, exportFormatOf(emptyPath), &err)) << err;
        EXPECT_TRUE(read(emptyPath, none) && none.empty());
        ASSERT_TRUE(exportMesh(tubes, path, exportFormatOf(path), &err, &result)) << err;
        EXPECT_EQ(result.triangles, tubes.triangleCount());
        ASSERT_TRUE(read(path, got));
        EXPECT_EQ(got.size(), 3 * tubes.triangleCount());
        int seen[2] = {0, 0};
        for (const corner_t &c : got) {
            // Normals are of unit length, and outward on the tube's side.
            EXPECT_TRUE(!normals || fabsf(c[3] * c[3] + c[4] * c[4] + c[5] * c[5] - 1) < 2e-4);
            EXPECT_TRUE(!normals || fabsf(c[5]) > 0.5f || c[0] * c[3] + c[1] * c[4] > 0);
            for (int e = 0; e < 2; e++) {
                if (!near3(c, ends[e], 0, 1e-4f)) continue;
                seen[e]++;
                EXPECT_TRUE(!normals || near3(c, ends[e], 3, 1e-4f)) << c[3] << " " << c[5];
                EXPECT_TRUE(!colours || near3(c, ends[e], 6, 0.5f / 255 + 1e-4f))
                    << c[6] << " " << c[7] << " " << c[8];
            }
        }
        // Side triangles are wound counter-clockwise seen from outside.
        for (size_t t = 0; t + 2 < got.size(); t += 3) {
            const float *a = got[t].data(), *b = got[t + 1].data(), *c = got[t + 2].data();
            const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]},
                        v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
            if (fabsf(u[0] * v[1] - u[1] * v[0]) > 1e-3f) continue; // a cap
            EXPECT_GT((a[0] + b[0] + c[0]) * (u[1] * v[2] - u[2] * v[1]) +
                          (a[1] + b[1] + c[1]) * (u[2] * v[0] - u[0] * v[2]),
                      0)
                << t;
        }
        EXPECT_EQ((std::array{seen[0], seen[1]}), (std::array{8, 8})); // each cap's 8 triangles
    }
    // The OBJ names its material library by its base name, whatever the extension's case.
    EXPECT_NE(slurp(dir + "/model.OBJ").find("\nmtllib model.mtl\n"), std::string::npos);
    std::filesystem::remove_all(dir);
}

// Only triangles with a position that is not finite are dropped: a huge model whose normals
// overflowed in the engine is kept, with unit normals.
TEST(MeshCollector, DropsOnlyTrianglesThatAreNotFinite) {
    for (const auto &[text, triangles, dropped] :
         {std::make_tuple("axiom F\nthickness 1e30\n", 32u, 0u),
          std::make_tuple("axiom Fc(4)F[+(90){.f+f+f}]c(0)F(1e38)F(1e38)F\nthickness 1e38\n", 74u,
                          32u)}) {
        const mesh_t m = drawMesh(text);
        EXPECT_EQ(m.triangleCount(), triangles) << text;
        EXPECT_EQ(m.dropped, dropped) << text;
        for (const mesh_vertex_t &v : m.vertices)
            EXPECT_NEAR(v.normal[0] * v.normal[0] + v.normal[1] * v.normal[1] +
                            v.normal[2] * v.normal[2],
                        1, 1e-4)
                << text;
    }
}

// The linear colours glTF stores: the standard's mid grey (the glTF reader checks the way
// back); 8-bit channels clamped and rounded.
TEST(ExportColor, SrgbAndBytes) {
    EXPECT_NEAR(exportSrgbToLinear(0.5f), 0.2140f, 1e-4);
    EXPECT_EQ((std::vector<float>{exportSrgbToLinear(2.0f), exportSrgbToLinear(-1.0f)}),
              (std::vector<float>{1.0f, 0.0f}));
    EXPECT_EQ((std::vector<int>{meshByte(2.0f), meshByte(-1.0f), meshByte(NAN), meshByte(0.4f)}),
              (std::vector<int>{255, 0, 0, 102}));
}

} // namespace
