// Camera numbers: frustum, viewport changes, model centre and floor, framing. Tables are in
// tests/data/camera.
#include "camera.h"
#include "rows.h"

#include <gtest/gtest.h>
#include <math.h>

namespace {

TEST(Camera, ProjectionFrustum) {
    for (const row_t &r : dataRows("camera/frustum.txt")) {
        SCOPED_TRACE(r[0]);
        const std::vector<double> size = rowNumbers(r[1]), expect = rowNumbers(r[4]);
        scene_t s = {};
        resetCamera(&s, NULL, 0);
        s.camera.aperture = rowNumber(r[3]);
        sceneResize(&s, (int)size[0], (int)size[1]);
        s.camera.viewPos.z = rowNumber(r[2]);
        double f[6];
        projectionFrustum(&s, f);
        for (int i = 0; i < 6; i++) {
            ASSERT_TRUE(isfinite(f[i])) << i;
            EXPECT_NEAR(f[i], expect[i], 1e-5 * fmax(1.0, fabs(expect[i]))) << i;
        }
        EXPECT_GT(f[5], f[4]); // within the tolerance far might not be beyond near
    }
}

TEST(Camera, ResizeReportsOnlyRealChanges) {
    scene_t s = {};
    EXPECT_TRUE(sceneResize(&s, 400, 300)); // first size always counts
    EXPECT_FALSE(sceneResize(&s, 400, 300));
    EXPECT_TRUE(sceneResize(&s, 400, 301));
    EXPECT_TRUE(sceneResize(&s, -5, 10));
    EXPECT_EQ(s.camera.viewWidth, 0);
    EXPECT_FALSE(sceneResize(&s, -1, 10));
}

TEST(Camera, CentreAndFloorOfAModel) {
    for (const row_t &r : dataRows("camera/centre.txt")) {
        SCOPED_TRACE(r[0]);
        const int polygons = (int)rowNumber(r[1]);
        const float thickness = (float)rowNumber(r[4]);
        lsys_t *l = polygons < 0 ? NULL : lsysInit();
        if (l) {
            l->polygon_count = polygons;
            const std::vector<double> lo = rowNumbers(r[2]), hi = rowNumbers(r[3]);
            for (int i = 0; i < 3; i++)
                l->bounds.min[i] = (float)lo[i], l->bounds.max[i] = (float)hi[i];
            l->thickness = thickness;
        }
        float got[12];
        modelCenter(l, got, &got[3]);
        floor_t f;
        modelFloor(l, &f);
        got[4] = f.cx, got[5] = f.cy, got[6] = f.z, got[7] = f.rx, got[8] = f.ry;
        modelHalfExtents(l, &got[9]);
        const float w = 200 + thickness;
        std::vector<double> want = rowNumbers(r[5] + " " + r[6] + " " + r[7]);
        if (want.empty()) want = {0, 0, 0, w, 0, 0, 0, w, w, w, w, w};
        for (int i = 0; i < 12; i++)
            EXPECT_FLOAT_EQ(got[i], (float)want[i]) << i;
        if (l) lsysFree(l);
    }
}

// The eye backs off only until the widest corner fills SCENE_FRAME_FILL, inside the clip planes.
TEST(Camera, FramingFitsTheBoxOnlyWhenNeeded) {
    for (const row_t &r : dataRows("camera/framing.txt")) {
        SCOPED_TRACE(r[0]);
        const std::vector<double> view = rowNumbers(r[1]), half = rowNumbers(r[3]),
                                  rot = rowNumbers(r[4]), seen = rowNumbers(r[5]);
        scene_t s = {};
        sceneResize(&s, (int)view[0], (int)view[1]);
        const float centre[3] = {10, 20, 30},
                    h[3] = {100 * (float)half[0], 100 * (float)half[1], 100 * (float)half[2]};
        resetCamera(&s, centre, 100 * (float)rowNumber(r[2]));
        const double resetZ = s.camera.viewPos.z;
        for (int i = 0; i < 4; i++)
            s.worldRotation[i] = (float)rot[i];
        frameCamera(&s, h);
        EXPECT_EQ(s.objectCenter[0], -10); // framing only moves the eye back
        if (!r[6].empty()) {
            EXPECT_NEAR(s.camera.viewPos.z, rowNumber(r[6]), 1e-10); // the reset distance
            continue;
        }
        const double d = -s.camera.viewPos.z;
        ASSERT_GT(d, -resetZ);
        double f[6];
        projectionFrustum(&s, f);
        // Largest share of the half width or height that a corner takes, at its depth.
        double fill = 0;
        for (int sz = -1; sz <= 1; sz += 2) {
            const double depth = d + sz * seen[2]; // camera units are hundreds
            EXPECT_GT(depth, f[4]) << "in front of the near plane";
            EXPECT_LT(depth, f[5]) << "beyond the far plane";
            fill = fmax(fill, seen[0] / (f[1] / f[4] * depth));
            fill = fmax(fill, seen[1] / (f[3] / f[4] * depth));
        }
        EXPECT_NEAR(fill, SCENE_FRAME_FILL, 1e-4);
    }
}

} // namespace
