/* Camera numbers: frustum for wide, tall, dollied and degenerate views, viewport changes,
 * camera reset with and without a centre, and the centring and floor extents of a model. */
#include "camera.h"

#include "trace_log.h"

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

namespace {

struct frustum_case_t {
    const char *what;
    int w, h;
    double eyeZ;
    double expect[6];
};

TEST(Camera, ProjectionFrustum) {
    const double t = 0.3639702;    /* tan 20 degrees */
    const double wide = 0.4852936; /* t x 4/3 */
    const frustum_case_t cases[] = {
        {"wide", 400, 300, -10, {-wide, wide, -t, t, 1, 1010}},
        {"tall", 300, 400, -10, {-t, t, -wide, wide, 1, 1010}},
        {"square", 256, 256, -10, {-t, t, -t, t, 1, 1010}},
        {"dollied back", 400, 300, -1500, {-wide * 500, wide * 500, -t * 500, t * 500, 500, 2500}},
        {"centred on a radius 400 model", 400, 300, -12, {-wide, wide, -t, t, 1, 1012}},
        {"height 0", 400, 0, -10, {-t, t, -t, t, 1, 1010}},
        {"width 0", 0, 300, -10, {-t, t, -t, t, 1, 1010}},
        {"never sized", 0, 0, -10, {-t, t, -t, t, 1, 1010}},
        /* Eye past the front clip plane: far would fall behind near. */
        {"eye far forward", 400, 300, 1500, {-wide, wide, -t, t, 1, 2}},
        {"eye at the far edge", 400, 300, 1000, {-wide, wide, -t, t, 1, 2}},
        {"eye at infinity", 400, 300, -INFINITY, {-wide, wide, -t, t, 1, 1010}},
        /* So far back that far - near is below double precision. */
        {"eye beyond precision",
         400,
         300,
         -1e300,
         {-wide * 1e300, wide * 1e300, -t * 1e300, t * 1e300, 1e300, 1.000001e300}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        scene_t s = {};
        resetCamera(&s, NULL, 0);
        sceneResize(&s, c.w, c.h);
        s.camera.viewPos.z = c.eyeZ;
        double f[6];
        projectionFrustum(&s, f);
        for (int i = 0; i < 6; i++) {
            ASSERT_TRUE(isfinite(f[i])) << i;
            EXPECT_NEAR(f[i], c.expect[i], 1e-5 * fmax(1.0, fabs(c.expect[i]))) << i;
        }
        EXPECT_GT(f[5], f[4]);
        EXPECT_GT(f[1], f[0]);
        EXPECT_GT(f[3], f[2]);
    }
}

TEST(Camera, ApertureSpansTheShorterSide) {
    scene_t s = {};
    resetCamera(&s, NULL, 0);
    s.camera.aperture = 90;
    double f[6];
    sceneResize(&s, 200, 800);
    projectionFrustum(&s, f);
    EXPECT_NEAR(f[1], 1.0, 1e-6); /* tan 45 across the width */
    EXPECT_NEAR(f[3], 4.0, 1e-5);
}

TEST(Camera, ResizeReportsOnlyRealChanges) {
    scene_t s = {};
    EXPECT_TRUE(sceneResize(&s, 400, 300)); /* first size always counts */
    EXPECT_FALSE(sceneResize(&s, 400, 300));
    EXPECT_TRUE(sceneResize(&s, 400, 301));
    EXPECT_EQ(s.camera.viewHeight, 301);
    EXPECT_TRUE(sceneResize(&s, -5, 10));
    EXPECT_EQ(s.camera.viewWidth, 0);
    EXPECT_FALSE(sceneResize(&s, -1, 10));
}

void fillJunk(scene_t *s) {
    memset(s, 0x7f, sizeof *s);
}

TEST(Camera, ResetWithCentreBacksOffByHalfTheRadius) {
    scene_t s;
    fillJunk(&s);
    const float centre[3] = {10, 20, 30};
    resetCamera(&s, centre, 400);
    EXPECT_EQ(s.objectCenter[0], -10);
    EXPECT_EQ(s.objectCenter[1], -20);
    EXPECT_EQ(s.objectCenter[2], -30);
    /* -10 + 400 x 0.5 x (double)(-0.01f): the factor is the float -0.01, widened. */
    EXPECT_NEAR(s.camera.viewPos.z, -11.9999999553, 1e-10);
    EXPECT_NEAR(s.camera.viewPos.z + s.camera.viewDir.z, -1.9999999553, 1e-10);
    EXPECT_EQ(s.camera.viewPos.x, 0);
    EXPECT_EQ(s.camera.viewPos.y, 0);
    EXPECT_EQ(s.camera.viewDir.z, 10);
    EXPECT_EQ(s.camera.viewUp.y, 1);
    EXPECT_EQ(s.camera.rotPoint.x, 0);
    EXPECT_EQ(s.camera.aperture, 40);
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(s.worldRotation[i], 0);
        EXPECT_EQ(s.objectRotation[i], 0);
    }
}

TEST(Camera, ResetWithoutCentre) {
    scene_t s;
    fillJunk(&s);
    resetCamera(&s, NULL, 999);
    EXPECT_EQ(s.camera.viewPos.z, -10);
    for (float c : s.objectCenter)
        EXPECT_EQ(c, 0);
    EXPECT_EQ(s.worldRotation[0], 0);
}

/* A model record with hand-set drawing results. */
struct model_case_t {
    const char *what;
    bool exists;
    uint32_t polygons;
    bounds_t bounds;
    float thickness;
    float centre[3], radius;
    floor_t floor;
};

TEST(Camera, CentreAndFloorOfAModel) {
    const model_case_t cases[] = {
        {"no model", false, 0, {}, 0, {0, 0, 0}, 200, {0, 0, 0, 200, 200}},
        {"nothing drawn",
         true,
         0,
         {{1e30f, 1e30f, 1e30f}, {-1e30f, -1e30f, -1e30f}},
         100,
         {0, 0, 0},
         300,
         {0, 0, 0, 300, 300}},
        {"box", true, 24, {{-10, 0, 0}, {30, 40, 100}}, 20, {10, 20, 50}, 70, {10, 20, -2, 40, 40}},
        {"flat in x", true, 8, {{5, -60, 10}, {5, 60, 10}}, 0, {5, 0, 10}, 60, {5, 0, 8, 0, 60}},
        {"infinite bounds",
         true,
         8,
         {{-INFINITY, 0, 0}, {0, 0, 0}},
         10,
         {0, 0, 0},
         210,
         {0, 0, 0, 210, 210}},
        {"extent overflows",
         true,
         8,
         {{-3e38f, 0, 0}, {3e38f, 0, 0}},
         0,
         {0, 0, 0},
         200,
         {0, 0, 0, 200, 200}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        lsys_t *l = NULL;
        if (c.exists) {
            l = lsysInit();
            ASSERT_NE(l, nullptr);
            l->polygon_count = c.polygons;
            l->bounds = c.bounds;
            l->thickness = c.thickness;
        }
        float centre[3], radius;
        modelCenter(l, centre, &radius);
        for (int i = 0; i < 3; i++)
            EXPECT_FLOAT_EQ(centre[i], c.centre[i]) << i;
        EXPECT_FLOAT_EQ(radius, c.radius);
        floor_t f;
        modelFloor(l, &f);
        EXPECT_FLOAT_EQ(f.cx, c.floor.cx);
        EXPECT_FLOAT_EQ(f.cy, c.floor.cy);
        EXPECT_FLOAT_EQ(f.z, c.floor.z);
        EXPECT_FLOAT_EQ(f.rx, c.floor.rx);
        EXPECT_FLOAT_EQ(f.ry, c.floor.ry);
        if (l) lsysFree(l);
    }
}

TEST(Camera, CentresOnADrawnSegment) {
    /* One default segment: a tube from the origin to (0, 0, 100). */
    lsys_t *l = lsysInit();
    ASSERT_NE(l, nullptr);
    lsysParse(l, traceLog, "axiom F\n");
    lsysDraw(l, traceLog);
    ASSERT_GT(l->polygon_count, 0u);
    float centre[3], radius;
    modelCenter(l, centre, &radius);
    EXPECT_FLOAT_EQ(centre[2], 50);
    EXPECT_FLOAT_EQ(radius, 50 + 100); /* half extent plus the default thickness */
    lsysFree(l);
}

} // namespace
