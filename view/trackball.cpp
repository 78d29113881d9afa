/* Virtual trackball arithmetic (single precision, as the rotations are handed to glRotatef).
 *
 * The four degenerate cases a plain implementation would turn into NaN are treated as the
 * identity or as the obvious half turn, so a rotation fed back into the view never poisons
 * the model-view matrix:
 *  - a zero-length press or current vector (zero radius, press at the centre);
 *  - a zero cross product (both points outside the ball on one line through the centre);
 *  - a composed quaternion whose w rounds slightly above 1 or below -1;
 *  - a composed rotation of 360 degrees (sin of the half angle is 0).
 */
#include "trackball.h"

#include <math.h>

int32_t gXCenterTrackball = 0;
int32_t gYCenterTrackball = 0;
float gRadiusTrackball = 0.0f;
float gStartPtTrackball[3] = {0.0f, 0.0f, 0.0f};
float gEndPtTrackball[3] = {0.0f, 0.0f, 0.0f};

static const float kDegrees = 57.29578f;    /* 180 / pi */
static const float kRadians = 0.017453292f; /* pi / 180 */

/* Lifts p (x and y set, relative to the centre) onto the sphere by setting its z. Points
 * outside the inscribed circle stay where they are with z = 0. */
static void liftToSphere(float p[3]) {
    float d2 = p[0] * p[0] + p[1] * p[1];
    float r2 = gRadiusTrackball * gRadiusTrackball;
    p[2] = d2 > r2 ? 0.0f : sqrtf(r2 - d2);
}

void startTrackball(int32_t x, int32_t y, int32_t originX, int32_t originY, int32_t width,
                    int32_t height) {
    gRadiusTrackball = (float)width > (float)height ? (float)height * 0.5f : (float)width * 0.5f;
    gXCenterTrackball = (int32_t)(originX + width * 0.5);
    gYCenterTrackball = (int32_t)(originY + height * 0.5);
    gStartPtTrackball[0] = (float)(x - gXCenterTrackball);
    gStartPtTrackball[1] = (float)(y - gYCenterTrackball);
    liftToSphere(gStartPtTrackball);
}

void rollToTrackball(int32_t x, int32_t y, float rot[4]) {
    const float *s = gStartPtTrackball;
    float *e = gEndPtTrackball;
    e[0] = (float)(x - gXCenterTrackball);
    e[1] = (float)(y - gYCenterTrackball);
    if (fabsf(e[0] - s[0]) < 0.001f && fabsf(e[1] - s[1]) < 0.001f) return;
    liftToSphere(e);

    float ax = s[1] * e[2] - s[2] * e[1];
    float ay = s[2] * e[0] - s[0] * e[2];
    float az = s[0] * e[1] - s[1] * e[0];
    float lenS = sqrtf(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    float lenE = sqrtf(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
    if (!(lenS > 0.0f) || !(lenE > 0.0f) || !isfinite(lenS) || !isfinite(lenE)) {
        rot[0] = 0.0f, rot[1] = 0.0f, rot[2] = 0.0f, rot[3] = 1.0f;
        return;
    }
    float ls = 1.0f / lenS, le = 1.0f / lenE;
    float lr = sqrtf(ax * ax + ay * ay + az * az);
    float cosA = (s[0] * e[0] + s[1] * e[1] + s[2] * e[2]) * ls * le;
    float sinA = lr * ls * le;
    rot[0] = atan2f(sinA, cosA) * kDegrees;
    if (lr > 0.0f && isfinite(lr)) {
        float inv = 1.0f / lr;
        rot[1] = ax * inv, rot[2] = ay * inv, rot[3] = az * inv;
    } else {
        /* Parallel vectors: both lie in the view plane (z = 0), so the only turn that maps
         * one onto the other is about the view axis: angle 0 or 180 degrees. */
        rot[1] = 0.0f, rot[2] = 0.0f, rot[3] = 1.0f;
    }
}

void rotation2Quat(const float A[4], float q[4]) {
    float half = A[0] * kRadians * 0.5f;
    float s = sinf(half);
    q[0] = A[1] * s;
    q[1] = A[2] * s;
    q[2] = A[3] * s;
    q[3] = cosf(half);
}

static void setIdentity(float A[4]) {
    A[0] = 0.0f, A[1] = 1.0f, A[2] = 0.0f, A[3] = 0.0f;
}

void addToRotationTrackball(const float dA[4], float A[4]) {
    float q0[4], q1[4];
    rotation2Quat(dA, q1);
    rotation2Quat(A, q0);

    float x = q1[3] * q0[0] + q1[0] * q0[3] + q1[1] * q0[2] - q1[2] * q0[1];
    float y = q1[3] * q0[1] + q1[1] * q0[3] + q1[2] * q0[0] - q1[0] * q0[2];
    float z = q1[3] * q0[2] + q1[2] * q0[3] + q1[0] * q0[1] - q1[1] * q0[0];
    float w = q1[3] * q0[3] - q1[0] * q0[0] - q1[1] * q0[1] - q1[2] * q0[2];

    if (fabs((double)w - 1.0) < 1e-7 || !isfinite(w)) {
        setIdentity(A);
        return;
    }
    /* Rounding can push |w| just past 1, where acos is undefined. */
    if (w > 1.0f) w = 1.0f;
    if (w < -1.0f) w = -1.0f;
    float a = acosf(w);
    float s = sinf(a);
    float ox = x / s, oy = y / s, oz = z / s;
    /* s near 0: no turn, or a full 360-degree turn (w = -1), both the identity. Within this
     * threshold the angle is less than 1e-4 degrees from 0 or 360, and x / s would only
     * amplify rounding noise into the axis. */
    if (fabsf(s) < 1e-6f || !isfinite(ox) || !isfinite(oy) || !isfinite(oz)) {
        setIdentity(A);
        return;
    }
    A[0] = 2.0f * a * kDegrees;
    A[1] = ox;
    A[2] = oy;
    A[3] = oz;
}
