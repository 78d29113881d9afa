/* Mouse, scroll-wheel and spin arithmetic of the scene view. The mixed single/double precision
 * of each step is deliberate: it is what the drawn numbers are checked against. */
#include "interaction.h"

#include "trackball.h"

bool gTrackball = false;
bool gPan = false;
bool gDolly = false;
int32_t gDollyPanStartPoint[2] = {0, 0};
float gTrackBallRotation[4] = {0.0f, 0.0f, 0.0f, 0.0f};
scene_t *gTrackingViewInfo = nullptr;

static void clearRotation(float r[4]) {
    r[0] = r[1] = r[2] = r[3] = 0.0f;
}

/* Folds a live trackball rotation into worldRotation and forgets it. */
static void commitTrackball(scene_t *s) {
    if (gTrackBallRotation[0] != 0.0f) addToRotationTrackball(gTrackBallRotation, s->worldRotation);
    clearRotation(gTrackBallRotation);
    if (gTrackingViewInfo) clearRotation(gTrackingViewInfo->trackRotation);
    clearRotation(s->trackRotation);
}

drag_mode_t dragModeFor(int button, int modifiers) {
    switch (button) {
    case BUTTON_LEFT:
        if (modifiers & MOD_CONTROL) return DRAG_PAN;
        if (modifiers & MOD_OPTION) return DRAG_DOLLY;
        return DRAG_ROTATE;
    case BUTTON_RIGHT:
        return DRAG_PAN;
    default:
        return DRAG_DOLLY;
    }
}

view_cursor_t cursorForMode(drag_mode_t mode) {
    switch (mode) {
    case DRAG_ROTATE:
        return CURSOR_CROSSHAIR;
    case DRAG_PAN:
        return CURSOR_CLOSED_HAND;
    case DRAG_DOLLY:
        return CURSOR_RESIZE_UP_DOWN;
    default:
        return CURSOR_ARROW;
    }
}

view_cursor_t mousePress(scene_t *s, int button, int modifiers, float x, float y) {
    const drag_mode_t mode = dragModeFor(button, modifiers);
    if (mode == DRAG_ROTATE) {
        gDolly = false;
        gPan = false;
        gTrackball = true;
        startTrackball((int32_t)x, (int32_t)y, 0, 0, s->camera.viewWidth, s->camera.viewHeight);
        gTrackingViewInfo = s;
        return CURSOR_CROSSHAIR;
    }
    if (gTrackball) commitTrackball(s);
    gDolly = mode == DRAG_DOLLY;
    gPan = mode == DRAG_PAN;
    gTrackball = false;
    gDollyPanStartPoint[0] = (int32_t)x;
    gDollyPanStartPoint[1] = (int32_t)y;
    gTrackingViewInfo = s;
    return cursorForMode(mode);
}

bool mouseDrag(scene_t *s, float x, float y, bool *projectionChanged) {
    if (projectionChanged) *projectionChanged = false;
    if (gTrackball) {
        rollToTrackball((int32_t)x, (int32_t)y, gTrackBallRotation);
        if (gTrackingViewInfo == s)
            for (int i = 0; i < 4; ++i)
                s->trackRotation[i] = gTrackBallRotation[i];
        return true;
    }
    if (gDolly) {
        mouseDolly(s, x, y);
        if (projectionChanged) *projectionChanged = true;
        return true;
    }
    if (gPan) {
        mousePan(s, x, y);
        return true;
    }
    return false;
}

view_cursor_t mouseRelease(scene_t *s) {
    if (gDolly) {
        gDolly = false;
    } else if (gPan) {
        gPan = false;
    } else if (gTrackball) {
        gTrackball = false;
        commitTrackball(s);
    }
    gTrackingViewInfo = nullptr;
    return CURSOR_CROSSHAIR;
}

void mouseDolly(scene_t *s, float x, float y) {
    double z = s->camera.viewPos.z;
    const float diff = (float)gDollyPanStartPoint[1] - y;
    const float step = (float)((double)diff * -z / 300.0);
    z = z + step;
    if (z == 0.0) z = 0.0001;
    s->camera.viewPos.z = z;
    gDollyPanStartPoint[0] = (int32_t)x;
    gDollyPanStartPoint[1] = (int32_t)y;
}

void mousePan(scene_t *s, float x, float y) {
    const double k = -900.0 / s->camera.viewPos.z;
    const float dy = (float)((double)((float)gDollyPanStartPoint[1] - y) / k);
    const float dx = (float)((double)((float)gDollyPanStartPoint[0] - x) / k);
    s->camera.viewPos.x -= dx;
    s->camera.viewPos.y -= dy;
    gDollyPanStartPoint[0] = (int32_t)x;
    gDollyPanStartPoint[1] = (int32_t)y;
}

bool scrollWheel(scene_t *s, float dx, float dy, float dz) {
    const float sum = dx + dy + dz;
    if (sum == 0.0f || sum != sum) return false;
    const float q = (float)((double)sum * -s->camera.aperture / 200.0);
    double a = s->camera.aperture + q;
    if (a < 0.1) a = 0.1;
    if (a > 179.9) a = 179.9;
    s->camera.aperture = a;
    return true;
}

void spinInit(spin_t *sp, double now) {
    static const float vel[3] = {0.3f, 0.1f, 0.2f};
    static const float accel[3] = {0.003f, -0.005f, 0.004f};
    sp->fAnimate = false;
    sp->time = now;
    for (int i = 0; i < 3; ++i) {
        sp->rRot[i] = 0.0f;
        sp->rVel[i] = vel[i];
        sp->rAccel[i] = accel[i];
    }
}

static float wrapDegrees(float a) {
    while (a > 360.0f)
        a -= 360.0f;
    while (a < -360.0f)
        a += 360.0f;
    return a;
}

void updateObjectRotationForTimeDelta(spin_t *sp, scene_t *s, double dt) {
    float step[3];
    for (int i = 0; i < 3; ++i) {
        sp->rVel[i] = (float)(sp->rVel[i] + sp->rAccel[i] * dt * 30.0);
        if (sp->rVel[i] > 2.0f) {
            sp->rAccel[i] = -sp->rAccel[i];
            sp->rVel[i] = 2.0f;
        } else if (sp->rVel[i] < -2.0f) {
            sp->rAccel[i] = -sp->rAccel[i];
            sp->rVel[i] = -2.0f;
        }
        step[i] = wrapDegrees((float)(sp->rVel[i] * dt * 30.0));
        sp->rRot[i] = wrapDegrees((float)(sp->rRot[i] + sp->rVel[i] * dt * 30.0));
    }
    /* Only this step's increments are composed. rRot keeps the sum of the increments not yet
     * drawn, but composing that sum on every tick would re-apply earlier increments whenever a
     * frame is late, and the spin would speed up exactly when drawing is slow. */
    const float rx[4] = {step[0], 1.0f, 0.0f, 0.0f};
    const float ry[4] = {step[1], 0.0f, 1.0f, 0.0f};
    const float rz[4] = {step[2], 0.0f, 0.0f, 1.0f};
    addToRotationTrackball(rx, s->objectRotation);
    addToRotationTrackball(ry, s->objectRotation);
    addToRotationTrackball(rz, s->objectRotation);
}

bool animationTick(spin_t *sp, scene_t *s, double now) {
    const bool animate = sp->fAnimate;
    if (animate) {
        const double dt = now - sp->time;
        const bool dragging = gTrackball && gTrackingViewInfo == s;
        if (dt >= 0.0 && dt <= SPIN_MAX_GAP && !dragging)
            updateObjectRotationForTimeDelta(sp, s, dt);
    }
    sp->time = now;
    return animate;
}

void spinFrameDrawn(spin_t *sp) {
    sp->rRot[0] = sp->rRot[1] = sp->rRot[2] = 0.0f;
}
