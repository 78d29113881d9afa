// Camera numbers: frustum, viewport changes, reset, model centre and floor, framing.
#include "camera.h"

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

namespace {

TEST(Camera, ProjectionFrustum) {
    const double t = 0.3639702, wd = 0.4852936; // tan 20 degrees; x 4/3
    const double H = 1e300, wH = wd * H, tH = t * H;
    const struct {
        const char *what;
        int w, h;
        double eyeZ, aperture, expect[6];
    } cases[] = {
        {"wide", 400, 300, -10, 40, {-wd, wd, -t, t, 1, 1010}},
        {"tall: the aperture spans the width", 200, 800, -10, 90, {-1, 1, -4, 4, 1, 1010}},
        {"dollied back", 400, 300, -1500, 40, {-wd * 500, wd * 500, -t * 500, t * 500, 500, 2500}},
        {"height 0", 400, 0, -10, 40, {-t, t, -t, t, 1, 1010}},
        {"width 0", 0, 300, -10, 40, {-t, t, -t, t, 1, 1010}},
        {"eye past the front clip plane", 400, 300, 1500, 40, {-wd, wd, -t, t, 1, 2}},
        {"eye at infinity", 400, 300, -INFINITY, 40, {-wd, wd, -t, t, 1, 1010}},
        {"beyond double precision", 400, 300, -H, 40, {-wH, wH, -tH, tH, H, 1.000001 * H}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        scene_t s = {};
        resetCamera(&s, NULL, 0);
        s.camera.aperture = c.aperture;
        sceneResize(&s, c.w, c.h);
        s.camera.viewPos.z = c.eyeZ;
        double f[6];
        projectionFrustum(&s, f);
        for (int i = 0; i < 6; i++) {
            ASSERT_TRUE(isfinite(f[i])) << i;
            EXPECT_NEAR(f[i], c.expect[i], 1e-5 * fmax(1.0, fabs(c.expect[i]))) << i;
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

TEST(Camera, ResetWithAndWithoutCentre) {
    scene_t s;
    memset(&s, 0x7f, sizeof s); // junk that the reset must overwrite
    const float centre[3] = {10, 20, 30};
    resetCamera(&s, centre, 400);
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(s.objectCenter[i], -centre[i]);
    // -10 + 400 x 0.5 x (double)(-0.01f): the factor is the float -0.01, widened.
    EXPECT_NEAR(s.camera.viewPos.z, -11.9999999553, 1e-10);
    const double got[] = {s.camera.viewPos.x, s.camera.viewPos.y,  s.camera.viewDir.z,
                          s.camera.viewUp.y,  s.camera.rotPoint.x, s.camera.aperture};
    const double want[] = {0, 0, 10, 1, 0, 40};
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(got[i], want[i]) << i;
    for (int i = 0; i < 4; i++)
        EXPECT_TRUE(s.worldRotation[i] == 0 && s.objectRotation[i] == 0) << i;
    memset(&s, 0x7f, sizeof s);
    resetCamera(&s, NULL, 999); // no centre: the radius is ignored
    EXPECT_EQ(s.camera.viewPos.z, -10);
    for (float c : s.objectCenter)
        EXPECT_EQ(c, 0);
}

TEST(Camera, CentreAndFloorOfAModel) {
    const float B = 1e30f, M = 3e38f, I = INFINITY;
    const struct {
        const char *what;
        int polygons; // -1: no model at all
        bounds_t bounds;
        // centre x, y, z, radius; floor cx, cy, z, rx, ry; half extents x, y, z
        float thickness, want[12];
    } cases[] = {
        // Fallbacks: the origin and 200 plus the thickness everywhere (want left empty).
        {"no model", -1, {}, 0, {}},
        {"nothing drawn", 0, {{B, B, B}, {-B, -B, -B}}, 100, {}},
        {"infinite bounds", 8, {{-I, 0, 0}, {0, 0, 0}}, 10, {}},
        {"extent overflows", 8, {{-M, 0, 0}, {M, 0, 0}}, 0, {}},
        {"box",
         24,
         {{-10, 0, 0}, {30, 40, 100}},
         20,
         {10, 20, 50, 70, 10, 20, -2, 40, 40, 40, 40, 70}},
        {"flat", 8, {{5, -60, 10}, {5, 60, 10}}, 0, {5, 0, 10, 60, 5, 0, 8, 0, 60, 0, 60, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        lsys_t *l = c.polygons < 0 ? NULL : lsysInit();
        if (l) {
            l->polygon_count = c.polygons;
            l->bounds = c.bounds;
            l->thickness = c.thickness;
        }
        float got[12];
        modelCenter(l, got, &got[3]);
        floor_t f;
        modelFloor(l, &f);
        got[4] = f.cx, got[5] = f.cy, got[6] = f.z, got[7] = f.rx, got[8] = f.ry;
        modelHalfExtents(l, &got[9]);
        const float r = 200 + c.thickness;
        const float fallback[12] = {0, 0, 0, r, 0, 0, 0, r, r, r, r, r};
        for (int i = 0; i < 12; i++)
            EXPECT_FLOAT_EQ(got[i], c.want[3] ? c.want[i] : fallback[i]) << i;
        if (l) lsysFree(l);
    }
}

// The eye backs off only until the widest corner fills SCENE_FRAME_FILL, inside the clip planes.
TEST(Camera, FramingFitsTheBoxOnlyWhenNeeded) {
    const float I = INFINITY, H = 100; // H: sizes in hundreds of model units
    const struct {
        const char *what;
        bool tall;                     // a 300 x 400 view, else 400 x 300
        float radius, half[3], rot[4]; // radius and half extents in hundreds
        float seen[3]; // half extents as the view shows them: across, up, along the sight line
        bool moves;
    } cases[] = {
        {"fits already", false, 4, {.05f, .05f, 1}, {}, {.05f, 1, .05f}, false},
        {"wide curve, tall view", true, 50, {50, .1f, 20}, {}, {50, 20, .1f}, true},
        {"side", false, 30, {1, 30, 5}, {90, 0, 1, 0}, {30, 5, 1}, true},
        {"top", false, 30, {30, 1, 5}, {-90, 1, 0, 0}, {30, 1, 5}, true},
        {"beyond the clip planes", false, 1e4f, {1e4f, 1e4f, 1e4f}, {}, {1e4f, 1e4f, 1e4f}, true},
        {"non-finite", false, 4, {I, 1, 1}, {}, {}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        scene_t s = {};
        sceneResize(&s, c.tall ? 300 : 400, c.tall ? 400 : 300);
        const float centre[3] = {10, 20, 30},
                    half[3] = {H * c.half[0], H * c.half[1], H * c.half[2]};
        resetCamera(&s, centre, H * c.radius);
        const double resetZ = s.camera.viewPos.z;
        for (int i = 0; i < 4; i++)
            s.worldRotation[i] = c.rot[i];
        frameCamera(&s, half);
        EXPECT_EQ(s.objectCenter[0], -10); // framing only moves the eye back
        if (!c.moves) {
            EXPECT_EQ(s.camera.viewPos.z, resetZ); // exactly the reset distance
            continue;
        }
        const double d = -s.camera.viewPos.z;
        ASSERT_GT(d, -resetZ);
        double f[6];
        projectionFrustum(&s, f);
        // Largest share of the half width or height that a corner takes, at its depth.
        double fill = 0;
        for (int sz = -1; sz <= 1; sz += 2) {
            const double depth = d + sz * c.seen[2]; // camera units are hundreds
            EXPECT_GT(depth, f[4]) << "in front of the near plane";
            EXPECT_LT(depth, f[5]) << "beyond the far plane";
            fill = fmax(fill, c.seen[0] / (f[1] / f[4] * depth));
            fill = fmax(fill, c.seen[1] / (f[3] / f[4] * depth));
        }
        EXPECT_NEAR(fill, SCENE_FRAME_FILL, 1e-4);
    }
}

} // namespace
