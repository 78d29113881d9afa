// Each export format read back by readers that are not our writers (assimp; lib3mf for 3MF).
#include <array>

#include <Model/COM/NMR_DLLInterfaces.h>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include "engine_test.h"
#include "export.h"

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

// Any format assimp reads, each corner's colour its vertex's or its material's. glTF comes back
// to the model's z-up frame (it stores (x, z, -y)) and from its linear colours.
bool readAssimp(const std::string &path, corners_t &out) {
    Assimp::Importer importer;
    const aiScene *scene = importer.ReadFile(path, 0);
    const std::string why = importer.GetErrorString(); // which for a file of no triangle says so
    if (why.find("no facets") != why.npos || why.find("Unable to extract mesh data") != why.npos)
        return true;
    EXPECT_TRUE(scene) << why;
    const bool gltf = path.find(".gl") != std::string::npos;
    for (unsigned m = 0; scene && m < scene->mNumMeshes; m++) {
        const aiMesh *mesh = scene->mMeshes[m];
        aiColor4D kd(0, 0, 0, 1);
        scene->mMaterials[mesh->mMaterialIndex]->Get(AI_MATKEY_COLOR_DIFFUSE, kd);
        for (unsigned f = 0; f < mesh->mNumFaces; f++)
            for (unsigned k = 0; k < mesh->mFaces[f].mNumIndices; k++) {
                const unsigned i = mesh->mFaces[f].mIndices[k];
                const aiColor4D c = mesh->HasVertexColors(0) ? mesh->mColors[0][i] : kd;
                const aiVector3D p = mesh->mVertices[i], n = mesh->mNormals[i];
                out.push_back(gltf ? corner_t{p.x, -p.z, p.y, n.x, -n.z, n.y,
                                              exportLinearToSrgb(c.r), exportLinearToSrgb(c.g),
                                              exportLinearToSrgb(c.b)}
                                   : corner_t{p.x, p.y, p.z, n.x, n.y, n.z, c.r, c.g, c.b});
            }
    }
    return scene;
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
    size_t count;
    const export_format_info_t *formats = exportFormats(&count);
    for (size_t i = 0; i < count; i++) {
        SCOPED_TRACE(formats[i].name);
        // Every format of the exporters' table is read; STL has no colours, 3MF no normals.
        const std::string name = formats[i].name;
        const auto read = name == "3mf" ? read3mf : readAssimp;
        const bool normals = name != "3mf", colours = name != "stl";
        // The extension's case does not matter.
        std::string ext = name, err;
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
    EXPECT_NE(readFile(dir + "/model.OBJ").find("\nmtllib model.mtl\n"), std::string::npos);
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
