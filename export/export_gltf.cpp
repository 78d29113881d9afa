/* glTF 2.0 through tinygltf: one mesh of indexed triangles with POSITION, NORMAL and COLOR_0,
 * written as a binary .glb or as a single .gltf with its buffer embedded. The model is turned
 * upright for glTF's y-up convention and its colours converted to linear (see export.h). A
 * drawing without triangles gives a valid file whose scene is empty. */
#include "export.h"
#include "export_file.h"

#include <sstream>

#include <tiny_gltf.h>

namespace {

/* Appends raw little-endian values to the buffer and describes them with a view and an
 * accessor; returns the accessor's index. */
int addAccessor(tinygltf::Model &g, const void *data, size_t bytes, size_t count, int type,
                int componentType, int target) {
    tinygltf::Buffer &buf = g.buffers[0];
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = buf.data.size();
    view.byteLength = bytes;
    view.target = target;
    const unsigned char *p = static_cast<const unsigned char *>(data);
    buf.data.insert(buf.data.end(), p, p + bytes);
    g.bufferViews.push_back(view);

    tinygltf::Accessor acc;
    acc.bufferView = (int)g.bufferViews.size() - 1;
    acc.byteOffset = 0;
    acc.componentType = componentType;
    acc.count = count;
    acc.type = type;
    g.accessors.push_back(acc);
    return (int)g.accessors.size() - 1;
}

} // namespace

bool exportGltf(const mesh_t &m, FILE *f, bool binary, std::string *err) {
    tinygltf::Model g;
    g.asset.version = "2.0";
    g.asset.generator = "Sprig lsys";
    g.buffers.resize(1);
    tinygltf::Scene scene;

    if (m.triangleCount() > 0) {
        size_t n = m.vertices.size();
        std::vector<float> pos(n * 3), nor(n * 3), col(n * 3);
        std::vector<double> lo(3, 1e300), hi(3, -1e300);
        for (size_t i = 0; i < n; i++) {
            const mesh_vertex_t &v = m.vertices[i];
            /* -90 degrees about x: (x, y, z) -> (x, z, -y). */
            float p[3] = {v.pos[0], v.pos[2], -v.pos[1]};
            float q[3] = {v.normal[0], v.normal[2], -v.normal[1]};
            for (int k = 0; k < 3; k++) {
                pos[i * 3 + k] = p[k];
                nor[i * 3 + k] = q[k];
                col[i * 3 + k] = exportSrgbToLinear(v.color[k]);
                lo[k] = std::min(lo[k], (double)p[k]);
                hi[k] = std::max(hi[k], (double)p[k]);
            }
        }
        tinygltf::Primitive prim;
        prim.mode = TINYGLTF_MODE_TRIANGLES;
        prim.attributes["POSITION"] =
            addAccessor(g, pos.data(), pos.size() * 4, n, TINYGLTF_TYPE_VEC3,
                        TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TARGET_ARRAY_BUFFER);
        g.accessors.back().minValues = lo;
        g.accessors.back().maxValues = hi;
        prim.attributes["NORMAL"] =
            addAccessor(g, nor.data(), nor.size() * 4, n, TINYGLTF_TYPE_VEC3,
                        TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TARGET_ARRAY_BUFFER);
        prim.attributes["COLOR_0"] =
            addAccessor(g, col.data(), col.size() * 4, n, TINYGLTF_TYPE_VEC3,
                        TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TARGET_ARRAY_BUFFER);
        prim.indices = addAccessor(g, m.indices.data(), m.indices.size() * 4, m.indices.size(),
                                   TINYGLTF_TYPE_SCALAR, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT,
                                   TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);

        /* A plain matte material so that the vertex colours show as they do in the editor
         * (the glTF default is fully metallic, which renders dark). Polygons are single
         * faces, so both sides are drawn. */
        tinygltf::Material mat;
        mat.name = "lsys";
        mat.pbrMetallicRoughness.baseColorFactor = {1, 1, 1, 1};
        mat.pbrMetallicRoughness.metallicFactor = 0;
        mat.pbrMetallicRoughness.roughnessFactor = 0.8;
        mat.doubleSided = true;
        g.materials.push_back(mat);
        prim.material = 0;

        tinygltf::Mesh mesh;
        mesh.name = "lsys";
        mesh.primitives.push_back(prim);
        g.meshes.push_back(mesh);
        tinygltf::Node node;
        node.name = "lsys";
        node.mesh = 0;
        g.nodes.push_back(node);
        scene.nodes.push_back(0);
    }
    if (g.buffers[0].data.empty()) g.buffers.clear();
    /* Named, because tinygltf writes a scene with no members as null, which readers
     * (tinygltf's own among them) reject. */
    scene.name = "lsys";
    g.scenes.push_back(scene);
    g.defaultScene = 0;

    /* The writer does not check its own file writes, so it serialises into memory and the
     * bytes go out through checked I/O. */
    std::ostringstream bytes;
    tinygltf::TinyGLTF writer;
    if (!writer.WriteGltfSceneToStream(&g, bytes, !binary, binary)) {
        *err = "the glTF writer failed";
        return false;
    }
    const std::string &data = bytes.str();
    fwrite(data.data(), 1, data.size(), f);
    return true;
}
