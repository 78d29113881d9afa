// Trackball: lift onto the sphere, drag rotations, composition and its degenerate cases.
// Tables are in tests/data/trackball.
#include "rows.h"
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

std::vector<row_t> rows(const char *name) {
    auto t = readRows(std::string(SPRIG_TESTS_DIR "/data/trackball/") + name);
    EXPECT_FALSE(t.empty()) << name;
    return t;
}

// The four numbers of a field as an angle-axis rotation.
void rotation(const std::string &field, float r[4]) {
    const std::vector<double> v = rowNumbers(field);
    for (int i = 0; i < 4; i++)
        r[i] = (float)v[i];
}

TEST(Trackball, StartLiftsThePressPointOntoTheSphere) {
    for (const row_t &r : rows("start.txt")) {
        SCOPED_TRACE(r[0]);
        std::vector<double> n;
        for (int i = 1; i <= 6; i++)
            for (double v : rowNumbers(r[i]))
                n.push_back(v);
        startTrackball((int)n[0], (int)n[1], (int)n[2], (int)n[3], (int)n[4], (int)n[5]);
        EXPECT_EQ(gXCenterTrackball, (int)n[6]);
        EXPECT_EQ(gYCenterTrackball, (int)n[7]);
        EXPECT_FLOAT_EQ(gRadiusTrackball, (float)n[8]);
        for (int i = 0; i < 3; i++)
            EXPECT_FLOAT_EQ(gStartPtTrackball[i], (float)n[9 + i]);
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
    for (const row_t &r : rows("outside.txt")) {
        SCOPED_TRACE(r[0]);
        const std::vector<double> press = rowNumbers(r[1]), size = rowNumbers(r[2]),
                                  to = rowNumbers(r[3]);
        const float angle = (float)rowNumber(r[4]), z = (float)rowNumber(r[5]);
        startTrackball((int)press[0], (int)press[1], 0, 0, (int)size[0], (int)size[1]);
        float rot[4] = {7, 7, 7, 7};
        rollToTrackball((int)to[0], (int)to[1], rot);
        ASSERT_TRUE(finite4(rot));
        EXPECT_NEAR(rot[0], angle, 1e-3f);
        if (z == 0) continue; // identity: the axis does not matter
        const float want[4] = {angle, 0, 0, z};
        expectRot(rot, want, 1e-3f);
        EXPECT_EQ(rot[1], 0.0f);
        EXPECT_EQ(rot[2], 0.0f);
    }
}

TEST(Trackball, Compose) {
    const double probes[][3] = {{1, 0, 0}, {0, 1, 0}, {0.3, -0.5, 0.8}};
    for (const row_t &r : rows("compose.txt")) {
        SCOPED_TRACE(r[0]);
        float stored[4], added[4], res[4];
        rotation(r[1], stored);
        rotation(r[2], added);
        rotation(r[1], res);
        addToRotationTrackball(added, res);
        ASSERT_TRUE(finite4(res));
        if (!r[4].empty()) {
            float want[4];
            rotation(r[5], want);
            expectRot(res, want, (float)rowNumber(r[4]));
        }
        for (const auto &v : probes) {
            double step[3], twice[3], once[3];
            rotate(stored, v, step);
            rotate(added, step, twice);
            rotate(res, v, once);
            for (int i = 0; r[3] == "yes" && i < 3; i++)
                EXPECT_NEAR(once[i], twice[i], 1e-4) << i;
        }
    }
}

} // namespace
