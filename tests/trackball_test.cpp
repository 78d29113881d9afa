// Trackball: lift onto the sphere, drag rotations, composition and its degenerate cases.
#include "trackball.h"

#include <gtest/gtest.h>
#include <math.h>

namespace {

void expectRot(const float got[4], const float want[4], float tol) {
    for (int i = 0; i < 4; i++)
        EXPECT_NEAR(got[i], want[i], tol) << i;
}

bool finite4(const float r[4]) {
    return isfinite(r[0]) && isfinite(r[1]) && isfinite(r[2]) && isfinite(r[3]);
}

// v turned by the angle-axis rotation r (Rodrigues), in double precision.
void rotate(const float r[4], const double v[3], double out[3]) {
    double a = r[0] * M_PI / 180, n = sqrt(r[1] * r[1] + r[2] * r[2] + r[3] * r[3]);
    double k[3] = {r[1] / n, r[2] / n, r[3] / n}, c = cos(a), s = sin(a);
    if (a == 0 || n == 0) k[0] = k[1] = k[2] = 0, c = 1, s = 0;
    double d = k[0] * v[0] + k[1] * v[1] + k[2] * v[2];
    double cr[3] = {k[1] * v[2] - k[2] * v[1], k[2] * v[0] - k[0] * v[2],
                    k[0] * v[1] - k[1] * v[0]};
    for (int i = 0; i < 3; i++)
        out[i] = v[i] * c + cr[i] * s + k[i] * d * (1 - c);
}

TEST(Trackball, StartLiftsThePressPointOntoTheSphere) {
    const struct {
        int x, y, ox, oy, w, h, cx, cy;
        float radius, pt[3];
    } cases[] = {
        {60, 45, 10, 20, 100, 50, 60, 45, 25, {0, 0, 25}},        // wide, offset origin: top
        {0, 0, -5, -5, 3, 3, -3, -3, 1.5f, {3, 3, 0}},            // truncation toward zero
        {10, 10, 0, 0, 300, 400, 150, 200, 150, {-140, -190, 0}}, // tall, outside: z 0
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        startTrackball(c.x, c.y, c.ox, c.oy, c.w, c.h);
        EXPECT_EQ(gXCenterTrackball, c.cx);
        EXPECT_EQ(gYCenterTrackball, c.cy);
        EXPECT_FLOAT_EQ(gRadiusTrackball, c.radius);
        for (int i = 0; i < 3; i++)
            EXPECT_FLOAT_EQ(gStartPtTrackball[i], c.pt[i]);
    }
}

TEST(Trackball, RollGivesTheWholeRotationFromThePressPoint) {
    float rot[4] = {0, 0, 0, 0}, want[4] = {36.8699f, 0, 1, 0};
    startTrackball(5, 5, 0, 0, 10, 10);
    rollToTrackball(8, 5, rot);
    expectRot(rot, want, 1e-4f); // the end point lifted to (3, 0, 4)

    // The start never advances: a detour ends where a direct roll would.
    float direct[4] = {0, 0, 0, 0}, detour[4] = {0, 0, 0, 0}, down[4] = {0, 0, 0, 0};
    const float aboutMinusX[4] = {19.47122f, -1, 0, 0};
    startTrackball(200, 150, 0, 0, 400, 300);
    rollToTrackball(260, 100, direct);
    rollToTrackball(120, 210, detour);
    rollToTrackball(260, 100, detour);
    expectRot(detour, direct, 0);
    // Dragging down (y grows) turns about -x in the caller's y-down coordinates.
    rollToTrackball(200, 200, down);
    expectRot(down, aboutMinusX, 1e-4f);

    // Back to the press pixel: the rotation is left alone.
    startTrackball(30, 40, 0, 0, 100, 100);
    float kept[4] = {12.5f, 0.6f, 0.8f, 0.0f};
    rollToTrackball(30, 40, kept);
    const float same[4] = {12.5f, 0.6f, 0.8f, 0.0f};
    expectRot(kept, same, 0);
}

TEST(Trackball, OutsideTheBallOrDegenerateRollsAboutTheViewAxis) {
    const struct {
        int x0, y0, w, h, x1, y1;
        float angle, z;
    } cases[] = {
        // 400 x 300 view: radius 150, so the corners and the side midpoints lie outside.
        {0, 0, 400, 300, 400, 300, 180.0f, 1},   // opposite corners: parallel, a half turn
        {0, 150, 400, 300, 10, 150, 0.0f, 1},    // same direction: no turn
        {0, 0, 400, 300, 400, 0, 106.26020f, 1}, // two top corners
        {0, 0, 0, 0, 3, 4, 0, 0},                // radius 0, press at the centre: identity
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << &c - cases);
        startTrackball(c.x0, c.y0, 0, 0, c.w, c.h);
        float rot[4] = {7, 7, 7, 7};
        rollToTrackball(c.x1, c.y1, rot);
        ASSERT_TRUE(finite4(rot));
        EXPECT_NEAR(rot[0], c.angle, 1e-3f);
        if (c.z == 0) continue; // identity: the axis does not matter
        const float want[4] = {c.angle, 0, 0, c.z};
        expectRot(rot, want, 1e-3f);
        EXPECT_EQ(rot[1], 0.0f);
        EXPECT_EQ(rot[2], 0.0f);
    }
}

TEST(Trackball, Compose) {
    const struct {
        const char *what;
        float stored[4], added[4];
        bool probe; // the result turns vectors as the stored rotation, then the added one
        float tol;  // >= 0: the result is want within tol
        float want[4];
    } cases[] = {
        // Every axis component non-zero, so each term of the product counts.
        {"tilted then tilted", {170, 0.48f, 0.6f, 0.64f}, {-75, 0.36f, 0.48f, 0.8f}, true, -1, {}},
        {"a reset rotation is the identity", {0, 0, 0, 0}, {45, 1, 0, 0}, true, -1, {}},
        // An inverse lands on w = 1, stored exactly as (0, 1, 0, 0).
        {"inverse", {123, 0.6f, 0, 0.8f}, {-123, 0.6f, 0, 0.8f}, true, 0, {0, 1, 0, 0}},
        // w = -1, sin 0: the identity, not 360 degrees about an axis of rounding noise.
        {"two half turns", {180, 0, 0, 1}, {180, 0, 0, 1}, true, 0, {0, 1, 0, 0}},
        {"non-unit axes push w above 1", {90, 0, 0, 3}, {-90, 0, 0, 3}, false, -1, {}},
        {"a corrupted rotation spreads no NaN", {NAN, 1, 0, 0}, {10, 0, 1, 0}, false, -1, {}},
    };
    const double probes[][3] = {{1, 0, 0}, {0, 1, 0}, {0.3, -0.5, 0.8}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        float r[4] = {c.stored[0], c.stored[1], c.stored[2], c.stored[3]};
        addToRotationTrackball(c.added, r);
        ASSERT_TRUE(finite4(r));
        if (c.tol >= 0) expectRot(r, c.want, c.tol);
        for (const auto &v : probes) {
            double step[3], twice[3], once[3];
            rotate(c.stored, v, step);
            rotate(c.added, step, twice);
            rotate(r, v, once);
            for (int i = 0; c.probe && i < 3; i++)
                EXPECT_NEAR(once[i], twice[i], 1e-4) << i;
        }
    }
}

} // namespace
