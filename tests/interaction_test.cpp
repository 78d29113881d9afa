// Mouse, wheel and spin arithmetic of the scene view. Tables are in tests/data/interaction.
#include "interaction.h"

#include "rows.h"
#include "trackball.h"

#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

namespace {

// A 400 x 300 view with the default camera, and no drag left over from another test.
scene_t freshScene() {
    scene_t s{};
    resetCamera(&s, nullptr, 0.0f);
    sceneResize(&s, 400, 300);
    gTrackball = gPan = gDolly = false;
    for (float &v : gTrackBallRotation)
        v = 0.0f;
    gTrackingViewInfo = nullptr;
    return s;
}

std::vector<row_t> rows(const char *name) {
    auto t = readRows(std::string(SPRIG_TESTS_DIR "/data/interaction/") + name);
    EXPECT_FALSE(t.empty()) << name;
    return t;
}

int button(const std::string &name) {
    return name == "left" ? BUTTON_LEFT : name == "right" ? BUTTON_RIGHT : BUTTON_OTHER;
}

bool yes(const std::string &field) {
    return field == "yes";
}

TEST(Interaction, PressChoosesDragAndCursor) {
    for (const row_t &r : rows("press.txt")) {
        SCOPED_TRACE(r[0]);
        const int mods = (r[2].find("control") != std::string::npos ? MOD_CONTROL : 0) |
                         (r[2].find("option") != std::string::npos ? MOD_OPTION : 0);
        const view_cursor_t cursor = r[4] == "crosshair" ? CURSOR_CROSSHAIR
                                     : r[4] == "hand"    ? CURSOR_CLOSED_HAND
                                                         : CURSOR_RESIZE_UP_DOWN;
        scene_t s = freshScene();
        EXPECT_EQ(mousePress(&s, button(r[1]), mods, 100, 100), cursor);
        EXPECT_EQ(gTrackball, r[3] == "rotate");
        EXPECT_EQ(gPan, r[3] == "pan");
        EXPECT_EQ(gDolly, r[3] == "dolly");
        EXPECT_EQ(gTrackingViewInfo, &s);
        EXPECT_EQ(mouseRelease(&s), CURSOR_CROSSHAIR);
        EXPECT_FALSE(gTrackball || gPan || gDolly);
        EXPECT_EQ(gTrackingViewInfo, nullptr);
    }
}

TEST(Interaction, DollyAndPanSteps) {
    for (const row_t &r : rows("drag.txt")) {
        SCOPED_TRACE(r[0]);
        const std::vector<double> from = rowNumbers(r[3]), to = rowNumbers(r[4]),
                                  eye = rowNumbers(r[5]);
        scene_t s = freshScene();
        s.camera.viewPos.z = rowNumber(r[2]);
        const bool pan = r[1] == "right";
        mousePress(&s, button(r[1]), 0, (float)from[0], (float)from[1]);
        bool projection = pan; // only a dolly changes the projection
        EXPECT_TRUE(mouseDrag(&s, (float)to[0], (float)to[1], &projection));
        EXPECT_EQ(projection, !pan);
        EXPECT_NEAR(s.camera.viewPos.x, eye[0], 1e-6);
        EXPECT_NEAR(s.camera.viewPos.y, eye[1], 1e-6);
        EXPECT_NEAR(s.camera.viewPos.z, eye[2], 1e-6);
        EXPECT_EQ(s.camera.viewDir.z, 10.0);
        EXPECT_EQ(gDollyPanStartPoint[0], (int)to[0]);
        EXPECT_EQ(gDollyPanStartPoint[1], (int)to[1]);
        mouseRelease(&s);
    }
    // A drag without a press does nothing.
    scene_t s = freshScene();
    bool projection = true;
    EXPECT_FALSE(mouseDrag(&s, 10, 10, &projection));
    EXPECT_FALSE(projection);
    EXPECT_EQ(s.camera.viewPos.x, 0.0);
}

TEST(Interaction, ScrollWheelZoomAndClamps) {
    for (const row_t &r : rows("wheel.txt")) {
        SCOPED_TRACE(r[0]);
        const std::vector<double> d = rowNumbers(r[1]);
        scene_t s = freshScene(); // aperture 40
        EXPECT_EQ(scrollWheel(&s, (float)d[0], (float)d[1], (float)d[2]), yes(r[2]));
        EXPECT_NEAR(s.camera.aperture, rowNumber(r[3]), 1e-5);
    }
}

TEST(Interaction, TrackballDragCommitsOnReleaseOrPanPress) {
    scene_t s = freshScene();
    mousePress(&s, BUTTON_LEFT, 0, 200, 150); // a click without moving commits nothing
    mouseRelease(&s);
    EXPECT_EQ(s.worldRotation[0], 0.0f);

    mousePress(&s, BUTTON_LEFT, 0, 200, 150);
    EXPECT_TRUE(mouseDrag(&s, 260, 150, nullptr));
    float live[4];
    memcpy(live, s.trackRotation, sizeof live);
    EXPECT_GT(live[0], 20.0f);                // 60 pixels on a ball of radius 150
    EXPECT_NEAR(fabsf(live[2]), 1.0f, 1e-5f); // a horizontal drag turns about y
    mouseRelease(&s);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(s.worldRotation[i], live[i], 1e-4f) << i;
    EXPECT_EQ(s.trackRotation[0], 0.0f);
    EXPECT_EQ(gTrackBallRotation[0], 0.0f);

    // A pan press during a rotation commits it; the pan's release commits nothing more.
    s = freshScene();
    mousePress(&s, BUTTON_LEFT, 0, 200, 150);
    mouseDrag(&s, 200, 100, nullptr);
    const float angle = s.trackRotation[0];
    ASSERT_GT(angle, 0.0f);
    EXPECT_EQ(mousePress(&s, BUTTON_RIGHT, 0, 200, 100), CURSOR_CLOSED_HAND);
    EXPECT_NEAR(s.worldRotation[0], angle, 1e-4f);
    EXPECT_EQ(s.trackRotation[0], 0.0f);
    EXPECT_FALSE(gTrackball);
    EXPECT_TRUE(gPan);
    mouseRelease(&s);
    EXPECT_NEAR(s.worldRotation[0], angle, 1e-4f);
}

spin_t spinningAt(double t) {
    spin_t sp;
    spinInit(&sp, t);
    sp.fAnimate = true;
    return sp;
}

TEST(Spin, Ticks) {
    // Only a tick 1/60 s after the last advances; the others still renew the clock.
    const float rot[3] = {0.15075f, 0.04875f, 0.101f}; // half a degree per unit of velocity
    for (const row_t &r : rows("ticks.txt")) {
        SCOPED_TRACE(r[0]);
        const double gap = rowNumber(r[3]);
        scene_t s = freshScene();
        spin_t sp = spinningAt(50.0);
        sp.fAnimate = yes(r[1]);
        if (yes(r[2])) mousePress(&s, BUTTON_LEFT, 0, 10, 10);
        EXPECT_EQ(animationTick(&sp, &s, 50.0 + gap), yes(r[4]));
        EXPECT_DOUBLE_EQ(sp.time, 50.0 + gap);
        if (yes(r[5])) {
            // About the vector sum of the three turns (float acos near w = 1: a few per cent).
            const float norm = sqrtf(rot[0] * rot[0] + rot[1] * rot[1] + rot[2] * rot[2]);
            EXPECT_NEAR(s.objectRotation[0], norm, 0.02f);
            for (int i = 0; i < 3; ++i)
                EXPECT_NEAR(s.objectRotation[1 + i], rot[i] / norm, 0.05f) << i;
            spinFrameDrawn(&sp);
            for (float v : sp.rRot)
                EXPECT_EQ(v, 0.0f);
            continue;
        }
        EXPECT_EQ(sp.rVel[0], 0.3f);
        EXPECT_EQ(s.objectRotation[0], 0.0f);
        if (yes(r[2])) mouseRelease(&s);
    }
}

TEST(Spin, VelocityBouncesAtTwo) {
    scene_t s = freshScene();
    spin_t sp = spinningAt(0.0);
    sp.rVel[0] = 1.9999f;  // accelerating upward
    sp.rVel[1] = -1.9999f; // accelerating downward
    updateObjectRotationForTimeDelta(&sp, &s, 1.0 / 60.0);
    EXPECT_EQ(sp.rVel[0], 2.0f);
    EXPECT_FLOAT_EQ(sp.rAccel[0], -0.003f);
    EXPECT_EQ(sp.rVel[1], -2.0f);
    EXPECT_FLOAT_EQ(sp.rAccel[1], 0.005f);
    for (int i = 0; i < 20000; ++i) // a long spin keeps the orientation finite
        updateObjectRotationForTimeDelta(&sp, &s, 1.0 / 60.0);
    for (float v : s.objectRotation)
        ASSERT_TRUE(std::isfinite(v));
}

TEST(Spin, LateFramesDoNotSpeedTheSpinUp) {
    // Two ticks end at the same orientation with or without a frame drawn between them.
    scene_t a = freshScene(), b = freshScene();
    spin_t sa = spinningAt(0.0), sb = spinningAt(0.0);
    for (int i = 1; i <= 2; ++i) {
        animationTick(&sa, &a, i / 60.0);
        spinFrameDrawn(&sa);
        animationTick(&sb, &b, i / 60.0);
    }
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(a.objectRotation[i], b.objectRotation[i], 1e-6f);
    // The undrawn increments add up until the next frame.
    EXPECT_NEAR(sb.rRot[0], 2 * 0.15075f + 0.0015f * 0.5f, 1e-5f);
}

} // namespace
