// Mouse, wheel and spin arithmetic of the scene view.
#include "interaction.h"

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

TEST(Interaction, PressChoosesDragAndCursor) {
    const int L = BUTTON_LEFT, R = BUTTON_RIGHT, M = BUTTON_OTHER, C = MOD_CONTROL, O = MOD_OPTION;
    const view_cursor_t hand = CURSOR_CLOSED_HAND, updown = CURSOR_RESIZE_UP_DOWN;
    const struct {
        const char *what;
        int button, mods;
        drag_mode_t mode;
        view_cursor_t cursor;
    } cases[] = {
        {"left", L, 0, DRAG_ROTATE, CURSOR_CROSSHAIR},
        {"left + Control", L, C, DRAG_PAN, hand},
        {"left + Option", L, O, DRAG_DOLLY, updown},
        {"left + both: Control wins", L, C | O, DRAG_PAN, hand},
        {"right", R, 0, DRAG_PAN, hand},
        {"right + Option stays a pan", R, O, DRAG_PAN, hand},
        {"middle", M, 0, DRAG_DOLLY, updown},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        scene_t s = freshScene();
        EXPECT_EQ(mousePress(&s, c.button, c.mods, 100, 100), c.cursor);
        EXPECT_EQ(gTrackball, c.mode == DRAG_ROTATE);
        EXPECT_EQ(gPan, c.mode == DRAG_PAN);
        EXPECT_EQ(gDolly, c.mode == DRAG_DOLLY);
        EXPECT_EQ(gTrackingViewInfo, &s);
        EXPECT_EQ(mouseRelease(&s), CURSOR_CROSSHAIR);
        EXPECT_FALSE(gTrackball || gPan || gDolly);
        EXPECT_EQ(gTrackingViewInfo, nullptr);
    }
}

TEST(Interaction, DollyAndPanSteps) {
    const struct {
        const char *what;
        int button;
        double eyeZ;
        float x0, y0, x1, y1;
        double x, y, z; // the eye afterwards; the look-at point moves with it
    } cases[] = {
        // Steps scale with the eye's distance: a tenth of it for 30 pixels, 1 unit per 90 at 10.
        {"dolly: 30 pixels up moves in", BUTTON_OTHER, -100, 50, 200, 80, 170, 0, 0, -90},
        {"dolly: landing exactly on 0 is nudged", BUTTON_OTHER, -10, 50, 400, 80, 100, 0, 0, 1e-4},
        {"pan: 90 pixels right, 45 up", BUTTON_RIGHT, -20, 200, 150, 290, 105, 2, -1, -20},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        scene_t s = freshScene();
        s.camera.viewPos.z = c.eyeZ;
        mousePress(&s, c.button, 0, c.x0, c.y0);
        bool projection = c.button == BUTTON_RIGHT; // only a dolly changes the projection
        EXPECT_TRUE(mouseDrag(&s, c.x1, c.y1, &projection));
        EXPECT_EQ(projection, c.button != BUTTON_RIGHT);
        EXPECT_NEAR(s.camera.viewPos.x, c.x, 1e-6);
        EXPECT_NEAR(s.camera.viewPos.y, c.y, 1e-6);
        EXPECT_NEAR(s.camera.viewPos.z, c.z, 1e-6);
        EXPECT_EQ(s.camera.viewDir.z, 10.0);
        EXPECT_EQ(gDollyPanStartPoint[0], (int)c.x1);
        EXPECT_EQ(gDollyPanStartPoint[1], (int)c.y1);
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
    const struct {
        const char *what;
        float dx, dy, dz;
        bool changed;
        double aperture;
    } cases[] = {
        {"deltas are summed: one notch in", 0.5, 0.25, 0.25, true, 39.8},
        {"deltas cancelling out", 1, -1, 0, false, 40},
        {"huge zoom in clamps", 0, 1000, 0, true, 0.1},
        {"huge zoom out clamps", 0, -1e6f, 0, true, 179.9},
        {"not a number changes nothing", 0, NAN, 0, false, 40},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        scene_t s = freshScene(); // aperture 40
        EXPECT_EQ(scrollWheel(&s, c.dx, c.dy, c.dz), c.changed);
        EXPECT_NEAR(s.camera.aperture, c.aperture, 1e-5);
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
    const struct {
        const char *what;
        bool animate, dragging;
        double gap;
        bool redraw, advances;
    } cases[] = {
        {"at sixty hertz", true, false, 1.0 / 60.0, true, true},
        {"animation off", false, false, 1.0 / 60.0, false, false},
        {"gap above ten seconds", true, false, 10.5, true, false},
        {"clock going backwards", true, false, -1.0, true, false},
        {"trackball drag in this view", true, true, 1.0 / 60.0, true, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        scene_t s = freshScene();
        spin_t sp = spinningAt(50.0);
        sp.fAnimate = c.animate;
        if (c.dragging) mousePress(&s, BUTTON_LEFT, 0, 10, 10);
        EXPECT_EQ(animationTick(&sp, &s, 50.0 + c.gap), c.redraw);
        EXPECT_DOUBLE_EQ(sp.time, 50.0 + c.gap);
        if (c.advances) {
            // About the vector sum of the three turns (float acos near w = 1: a few per cent).
            const float norm = sqrtf(rot[0] * rot[0] + rot[1] * rot[1] + rot[2] * rot[2]);
            EXPECT_NEAR(s.objectRotation[0], norm, 0.02f);
            for (int i = 0; i < 3; ++i)
                EXPECT_NEAR(s.objectRotation[1 + i], rot[i] / norm, 0.05f) << i;
            spinFrameDrawn(&sp);
            for (float r : sp.rRot)
                EXPECT_EQ(r, 0.0f);
            continue;
        }
        EXPECT_EQ(sp.rVel[0], 0.3f);
        EXPECT_EQ(s.objectRotation[0], 0.0f);
        if (c.dragging) mouseRelease(&s);
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
