/* Trackball: lifting onto the sphere, drag rotations, composition order and the guards that
 * keep every degenerate drag or composition finite. */
#include "trackball.h"

#include <gtest/gtest.h>
#include <math.h>

namespace {

void expectRot(const float got[4], float a, float x, float y, float z, float tol = 1e-4f) {
    EXPECT_NEAR(got[0], a, tol);
    EXPECT_NEAR(got[1], x, tol);
    EXPECT_NEAR(got[2], y, tol);
    EXPECT_NEAR(got[3], z, tol);
}

bool finite4(const float r[4]) {
    return isfinite(r[0]) && isfinite(r[1]) && isfinite(r[2]) && isfinite(r[3]);
}

/* v turned by the angle-axis rotation r (Rodrigues), in double precision. */
void rotate(const float r[4], const double v[3], double out[3]) {
    double a = r[0] * M_PI / 180, k[3] = {r[1], r[2], r[3]};
    double n = sqrt(k[0] * k[0] + k[1] * k[1] + k[2] * k[2]);
    if (a == 0 || n == 0) {
        for (int i = 0; i < 3; i++)
            out[i] = v[i];
        return;
    }
    for (double &c : k)
        c /= n;
    double c = cos(a), s = sin(a), d = k[0] * v[0] + k[1] * v[1] + k[2] * v[2];
    double cr[3] = {k[1] * v[2] - k[2] * v[1], k[2] * v[0] - k[0] * v[2],
                    k[0] * v[1] - k[1] * v[0]};
    for (int i = 0; i < 3; i++)
        out[i] = v[i] * c + cr[i] * s + k[i] * d * (1 - c);
}

struct start_case_t {
    int x, y, ox, oy, w, h;
    int cx, cy;
    float radius;
    float pt[3];
};

TEST(Trackball, StartLiftsThePressPointOntoTheSphere) {
    const start_case_t cases[] = {
        {200, 150, 0, 0, 400, 300, 200, 150, 150, {0, 0, 150}},   /* centre of a wide view */
        {5, 5, 0, 0, 10, 10, 5, 5, 5, {0, 0, 5}},                 /* square view */
        {0, 0, 0, 0, 400, 300, 200, 150, 150, {-200, -150, 0}},   /* corner: outside, z 0 */
        {200, 0, 0, 0, 400, 300, 200, 150, 150, {0, -150, 0}},    /* on the rim */
        {60, 45, 10, 20, 100, 50, 60, 45, 25, {0, 0, 25}},        /* offset origin */
        {2, 0, 0, 0, 5, 300, 2, 150, 2.5f, {0, -150, 0}},         /* odd width truncates */
        {0, 0, -5, -5, 3, 3, -3, -3, 1.5f, {3, 3, 0}},            /* truncation toward zero */
        {10, 10, 0, 0, 300, 400, 150, 200, 150, {-140, -190, 0}}, /* tall view */
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "press (" << c.x << "," << c.y << ") in " << c.w << "x"
                                        << c.h << " at (" << c.ox << "," << c.oy << ")");
        startTrackball(c.x, c.y, c.ox, c.oy, c.w, c.h);
        EXPECT_EQ(gXCenterTrackball, c.cx);
        EXPECT_EQ(gYCenterTrackball, c.cy);
        EXPECT_FLOAT_EQ(gRadiusTrackball, c.radius);
        for (int i = 0; i < 3; i++)
            EXPECT_FLOAT_EQ(gStartPtTrackball[i], c.pt[i]);
    }
}

TEST(Trackball, RollGivesTheWholeRotationFromThePressPoint) {
    float rot[4] = {0, 0, 0, 0};
    startTrackball(5, 5, 0, 0, 10, 10);
    rollToTrackball(8, 5, rot);
    expectRot(rot, 36.8699f, 0, 1, 0);
    EXPECT_FLOAT_EQ(gEndPtTrackball[0], 3);
    EXPECT_FLOAT_EQ(gEndPtTrackball[1], 0);
    EXPECT_FLOAT_EQ(gEndPtTrackball[2], 4);

    /* The start never advances: a detour ends where a direct roll would. */
    float direct[4] = {0, 0, 0, 0};
    startTrackball(200, 150, 0, 0, 400, 300);
    rollToTrackball(260, 100, direct);
    float detour[4] = {0, 0, 0, 0};
    rollToTrackball(120, 210, detour);
    rollToTrackball(260, 100, detour);
    for (int i = 0; i < 4; i++)
        EXPECT_FLOAT_EQ(detour[i], direct[i]);
    /* Dragging down (y grows) turns about -x in the caller's y-down coordinates. */
    float down[4] = {0, 0, 0, 0};
    rollToTrackball(200, 200, down);
    EXPECT_GT(down[0], 0);
    expectRot(down, down[0], -1, 0, 0);
}

TEST(Trackball, RollToThePressPixelLeavesRotationUntouched) {
    startTrackball(30, 40, 0, 0, 100, 100);
    gEndPtTrackball[2] = 123.0f;
    float rot[4] = {12.5f, 0.6f, 0.8f, 0.0f};
    rollToTrackball(30, 40, rot);
    expectRot(rot, 12.5f, 0.6f, 0.8f, 0.0f, 0);
    EXPECT_FLOAT_EQ(gEndPtTrackball[2], 123.0f); /* z not lifted */
}

TEST(Trackball, OutsideTheBallRollsAboutTheViewAxis) {
    /* 400 x 300 view: radius 150, so the corners and the side midpoints lie outside. */
    struct {
        int x0, y0, x1, y1;
        float angle, z;
    } cases[] = {
        {0, 0, 400, 300, 180.0f, 1},    /* opposite corners: parallel, a half turn */
        {0, 150, 400, 150, 180.0f, 1},  /* opposite points on a line through the centre */
        {0, 150, 10, 150, 0.0f, 1},     /* same direction: no turn */
        {0, 0, 400, 0, 106.26020f, 1},  /* two top corners */
        {400, 0, 0, 0, 106.26020f, -1}, /* the reverse drag turns the other way */
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.x0 << "," << c.y0 << " -> " << c.x1 << "," << c.y1);
        startTrackball(c.x0, c.y0, 0, 0, 400, 300);
        float rot[4] = {7, 7, 7, 7};
        rollToTrackball(c.x1, c.y1, rot);
        ASSERT_TRUE(finite4(rot));
        expectRot(rot, c.angle, 0, 0, c.z, 1e-3f);
        EXPECT_EQ(rot[1], 0.0f);
        EXPECT_EQ(rot[2], 0.0f);
    }
}

TEST(Trackball, DegenerateBallGivesFiniteIdentity) {
    startTrackball(0, 0, 0, 0, 0, 0); /* radius 0, press at the centre */
    float rot[4] = {7, 7, 7, 7};
    rollToTrackball(3, 4, rot);
    ASSERT_TRUE(finite4(rot));
    EXPECT_EQ(rot[0], 0.0f);

    startTrackball(50, 0, 0, 0, 100, 0); /* zero height: radius 0, press on the centre */
    rollToTrackball(60, 0, rot);
    ASSERT_TRUE(finite4(rot));
    EXPECT_EQ(rot[0], 0.0f);

    /* Zero height, press off the centre: an ordinary roll in the view plane. */
    startTrackball(50, 50, 0, 0, 100, 0);
    rollToTrackball(60, 50, rot);
    expectRot(rot, 11.30993f, 0, 0, -1, 1e-3f);
}

TEST(Trackball, ComposeAppliesTheStoredRotationFirst) {
    const float pairs[][2][4] = {
        {{90, 1, 0, 0}, {90, 0, 0, 1}},        {{90, 0, 0, 1}, {90, 1, 0, 0}},
        {{30, 0, 1, 0}, {-75, 0.6f, 0.8f, 0}}, {{170, 0, 0.6f, 0.8f}, {100, 1, 0, 0}},
        {{0, 0, 0, 0}, {45, 1, 0, 0}}, /* a reset rotation composes as the identity */
    };
    const double probes[][3] = {{1, 0, 0}, {0, 1, 0}, {0.3, -0.5, 0.8}};
    for (const auto &p : pairs) {
        float A[4] = {p[0][0], p[0][1], p[0][2], p[0][3]};
        addToRotationTrackball(p[1], A);
        ASSERT_TRUE(finite4(A));
        for (const auto &v : probes) {
            double step[3], twice[3], once[3];
            rotate(p[0], v, step);
            rotate(p[1], step, twice);
            rotate(A, v, once);
            for (int i = 0; i < 3; i++)
                EXPECT_NEAR(once[i], twice[i], 1e-4);
        }
    }
}

TEST(Trackball, ComposeEdgeCases) {
    float A[4] = {90, 0, 0, 1};
    const float quarter[4] = {90, 0, 0, 1};
    addToRotationTrackball(quarter, A);
    expectRot(A, 180, 0, 0, 1, 1e-3f);

    /* Inverse: the product lands on w = 1, stored exactly as (0, 1, 0, 0). */
    const float rots[][4] = {{30, 0, 1, 0}, {123, 0.6f, 0, 0.8f}, {5, 1, 0, 0}};
    for (const auto &r : rots) {
        float B[4] = {r[0], r[1], r[2], r[3]};
        const float inv[4] = {-r[0], r[1], r[2], r[3]};
        addToRotationTrackball(inv, B);
        expectRot(B, 0, 1, 0, 0, 0);
    }

    /* Two half turns make a full turn: w = -1, sin 0. The identity, not 360 degrees about
     * an axis made of rounding noise. */
    float C[4] = {180, 0, 0, 1};
    const float half[4] = {180, 0, 0, 1};
    addToRotationTrackball(half, C);
    expectRot(C, 0, 1, 0, 0, 0);

    /* Non-unit axes can push w far above 1; the result must stay finite. */
    float D[4] = {90, 0, 0, 3};
    const float E[4] = {-90, 0, 0, 3};
    addToRotationTrackball(E, D);
    EXPECT_TRUE(finite4(D));

    /* A corrupted rotation does not spread NaN into the view. */
    float F[4] = {NAN, 1, 0, 0};
    const float G[4] = {10, 0, 1, 0};
    addToRotationTrackball(G, F);
    EXPECT_TRUE(finite4(F));
}

} // namespace
