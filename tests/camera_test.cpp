// Camera numbers as scripts of steps (tests/data/camera/scripts.txt): the projection, viewport
// changes, a model's centre, floor and half extents, and framing.
#include "camera.h"
#include "engine_test.h"

namespace {

// Steps: "size W H" (answers changed or same), "reset [X Y Z RADIUS]", "aperture A", "eye Z",
// "rotation A X Y Z", "model POLYGONS MIN(3) MAX(3) THICKNESS" (none before it: no model),
// "frame HX HY HZ" (model units); "frustum?", "eye?", "centre?" (and radius), "floor?",
// "half?", "offset?" (the model's translation), and "fill? X Y Z": the largest share of the half
// width or height that a box of these half extents across, up and along the sight line (camera
// units) takes at its near or far face, and whether both faces lie between the clip planes.
std::string run(const std::string &script) {
    scene_t s = {};
    LsysPtr l;
    return runScript(script, [&](const std::string &op, std::istream &in) -> std::string {
        double v[12] = {};
        float f[12] = {};
        int n = 0;
        for (std::string w; n < 12 && in >> w; n++)
            f[n] = (float)(v[n] = rowNumber(w));
        floor_t fl;
        if (op == "size") return sceneResize(&s, (int)v[0], (int)v[1]) ? "changed" : "same";
        if (op == "reset") resetCamera(&s, n ? f : nullptr, f[3]);
        if (op == "aperture") s.camera.aperture = v[0];
        if (op == "eye") s.camera.viewPos.z = v[0];
        if (op == "rotation") memcpy(s.worldRotation, f, sizeof s.worldRotation);
        if (op == "frame") frameCamera(&s, f);
        if (op == "model") {
            l.reset(lsysInit());
            l->polygon_count = (uint32_t)v[0], l->thickness = f[7];
            memcpy(&l->bounds, f + 1, sizeof l->bounds);
        }
        if (op == "eye?") return rowText(&s.camera.viewPos.z, 1, 12);
        if (op == "offset?") return rowText(s.objectCenter, 3);
        if (op == "half?") return modelHalfExtents(l.get(), f), rowText(f, 3);
        if (op == "centre?") return modelCenter(l.get(), f, f + 3), rowText(f, 4);
        if (op == "floor?") return modelFloor(l.get(), &fl), rowText(&fl.cx, 5);
        double fr[6];
        projectionFrustum(&s, fr);
        if (op == "frustum?") return rowText(fr, 6, 7);
        if (op != "fill?") return "";
        double fill = 0, d = -s.camera.viewPos.z;
        bool inside = true;
        for (int side = -1; side <= 1; side += 2) {
            const double depth = d + side * v[2];
            inside = inside && depth > fr[4] && depth < fr[5];
            fill = fmax(fill, fmax(v[0] / (fr[1] / fr[4] * depth), v[1] / (fr[3] / fr[4] * depth)));
        }
        return rowText(&fill, 1) + (inside ? " inside" : " outside");
    });
}

TEST(Camera, ScriptsAnswerAsTheTableSays) {
    for (const row_t &r : dataRows("camera/scripts.txt"))
        EXPECT_EQ(run(r[1]), r[2]) << r[0];
}

// Framing a new model only when the old picture cannot show it; flat models seen edge-on.
TEST(Camera, NewModelFramingAndEdgeOn) {
    for (const row_t &r : dataRows("camera/new-model.txt")) {
        SCOPED_TRACE(r[0]);
        const int previous = (int)rowNumber(r[1]);
        const std::vector<double> lo = rowNumbers(r[2]), hi = rowNumbers(r[3]),
                                  rot = rowNumbers(r[5]);
        lsys_t *before = previous < 0 ? NULL : lsysInit(), *next = lsysInit();
        if (before) before->polygon_count = (uint32_t)previous;
        next->polygon_count = (uint32_t)rowNumber(r[4]);
        next->thickness = 10;
        for (int i = 0; i < 3; i++)
            next->bounds.min[i] = (float)lo[i], next->bounds.max[i] = (float)hi[i];
        scene_t s = {};
        sceneResize(&s, 400, 300);
        const float origin[3] = {0, 0, 0};
        resetCamera(&s, origin, 100);
        for (int i = 0; i < 4; i++)
            s.worldRotation[i] = (float)rot[i];
        s.camera.viewPos.x = rowNumber(r[6]);
        EXPECT_EQ(frameNewModel(&s, before, next), r[7] == "yes");
        EXPECT_EQ(edgeOnAxis(&s, next), (int)rowNumber(r[8]));
        if (before) lsysFree(before);
        lsysFree(next);
    }
}

} // namespace
