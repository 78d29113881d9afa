/* Camera reset, projection frustum, viewport bookkeeping and model centring: the numbers
 * behind the scene view's matrices, kept apart from GL so they can be checked exactly. */
#include "camera.h"

#include <math.h>
#include <string.h>

void resetCamera(scene_t *s, const float *center, float radius) {
    recCamera *c = &s->camera;
    c->aperture = 40.0;
    c->rotPoint = recVec{0.0, 0.0, 0.0};
    c->viewPos = recVec{0.0, 0.0, -10.0};
    c->viewDir = recVec{0.0, 0.0, 10.0};
    c->viewUp = recVec{0.0, 1.0, 0.0};
    if (center) {
        for (int i = 0; i < 3; i++)
            s->objectCenter[i] = -center[i];
        /* Model units are 1/100 camera unit: back off by half the radius, scaled. The factor
         * is the single-precision -0.01, widened. */
        c->viewPos.z = -10.0 + (double)radius * 0.5 * (double)(-0.01f);
    } else {
        memset(s->objectCenter, 0, sizeof s->objectCenter);
    }
    memset(s->objectRotation, 0, sizeof s->objectRotation);
    memset(s->worldRotation, 0, sizeof s->worldRotation);
    s->frameDepth = 0.0f;
}

/* Turns v by an angle-axis rotation as glRotatef does (the axis normalised); angle 0 or a zero
 * axis is the identity. */
static void rotateBy(const float r[4], double v[3]) {
    const double len = sqrt((double)r[1] * r[1] + (double)r[2] * r[2] + (double)r[3] * r[3]);
    if (r[0] == 0.0f || !(len > 0.0) || !isfinite(len)) return;
    const double x = r[1] / len, y = r[2] / len, z = r[3] / len;
    const double a = r[0] * M_PI / 180.0, c = cos(a), sn = sin(a), k = 1.0 - c;
    const double in[3] = {v[0], v[1], v[2]};
    v[0] = (x * x * k + c) * in[0] + (x * y * k - z * sn) * in[1] + (x * z * k + y * sn) * in[2];
    v[1] = (y * x * k + z * sn) * in[0] + (y * y * k + c) * in[1] + (y * z * k - x * sn) * in[2];
    v[2] = (z * x * k - y * sn) * in[0] + (z * y * k + x * sn) * in[1] + (z * z * k + c) * in[2];
}

/* Tangents of the half field of view across the view's width and height (as projected). */
static void halfTangents(const recCamera *c, double *tx, double *ty) {
    double t = (double)tanf((float)(c->aperture * 0.0174532925 * 0.5));
    if (!isfinite(t) || t <= 0.0) t = (double)tanf(20.0f * 0.017453292f);
    float aspect = 1.0f;
    if (c->viewWidth > 0 && c->viewHeight > 0) aspect = (float)c->viewWidth / (float)c->viewHeight;
    *tx = aspect >= 1.0f ? aspect * t : t;
    *ty = aspect >= 1.0f ? t : t / aspect;
}

void frameCamera(scene_t *s, const float half[3]) {
    for (int i = 0; i < 3; i++)
        if (!isfinite(half[i]) || half[i] < 0.0f) return;
    double tx, ty;
    halfTangents(&s->camera, &tx, &ty);
    tx *= SCENE_FRAME_FILL;
    ty *= SCENE_FRAME_FILL;
    /* Each corner, in camera units around the centre, goes through the frame's rotations
     * (1/100 scale and z up first, then spin, world and live drag rotations). A corner at
     * (x, y, z) in eye space (x, y as seen, z away from the eye) fits when |x| <= tx (d + z)
     * and |y| <= ty (d + z) for an eye at distance d from the centre. */
    double need = 0.0;
    for (int corner = 0; corner < 8; corner++) {
        const double px = (corner & 1 ? 0.01 : -0.01) * half[0];
        const double py = (corner & 2 ? 0.01 : -0.01) * half[1];
        const double pz = (corner & 4 ? 0.01 : -0.01) * half[2];
        double v[3] = {px, pz, -py};
        rotateBy(s->objectRotation, v);
        rotateBy(s->worldRotation, v);
        rotateBy(s->trackRotation, v);
        need = fmax(need, fmax(fabs(v[0]) / tx, fabs(v[1]) / ty) - v[2]);
    }
    if (!isfinite(need)) return;
    const double reach = 0.01 * sqrt((double)half[0] * half[0] + (double)half[1] * half[1] +
                                     (double)half[2] * half[2]);
    s->frameDepth = (float)reach;
    if (need > -s->camera.viewPos.z) s->camera.viewPos.z = -need;
}

void projectionFrustum(const scene_t *s, double out[6]) {
    const recCamera *c = &s->camera;
    double shape = SCENE_SHAPE_SIZE;
    if (isfinite(s->frameDepth) && 2.0 * s->frameDepth > shape) shape = 2.2 * s->frameDepth;
    double z = c->viewPos.z;
    double nearZ = fmax(1.0, fmax(1e-5, -0.5 * shape - z));
    double farZ = 0.5 * shape - z;
    if (!isfinite(nearZ) || !isfinite(farZ)) {
        /* An eye at infinity (a runaway dolly): fall back to the default eye's planes. */
        nearZ = 1.0;
        farZ = 0.5 * shape + 10.0;
    }
    /* glFrustum needs far > near; at huge distances near + 1 rounds back to near. */
    if (!(farZ > nearZ)) farZ = fmax(nearZ + 1.0, nearZ * 1.000001);

    /* Half angle formed in double, rounded to float; its tangent in single precision. */
    float half = (float)(c->aperture * 0.0174532925 * 0.5);
    double t = (double)tanf(half) * nearZ;
    if (!isfinite(t) || t <= 0.0) t = (double)tanf(20.0f * 0.017453292f) * nearZ;

    float aspect = 1.0f;
    if (c->viewWidth > 0 && c->viewHeight > 0) aspect = (float)c->viewWidth / (float)c->viewHeight;
    if (aspect >= 1.0f) {
        out[0] = -aspect * t, out[1] = aspect * t, out[2] = -t, out[3] = t;
    } else {
        out[0] = -t, out[1] = t, out[2] = -t / aspect, out[3] = t / aspect;
    }
    out[4] = nearZ;
    out[5] = farZ;
}

bool sceneResize(scene_t *s, int w, int h) {
    if (w < 0) w = 0;
    if (h < 0) h = 0;
    if ((float)s->camera.viewHeight == (float)h && (float)s->camera.viewWidth == (float)w)
        return false;
    s->camera.viewWidth = w;
    s->camera.viewHeight = h;
    return true;
}

/* The bounds are usable when the model drew something and they are finite. */
static bool boundsUsable(const lsys_t *l) {
    if (!l || l->polygon_count == 0) return false;
    for (int i = 0; i < 3; i++)
        if (!isfinite(l->bounds.min[i]) || !isfinite(l->bounds.max[i]) ||
            !isfinite(l->bounds.max[i] - l->bounds.min[i]))
            return false;
    return true;
}

/* The model's thickness as an addition to a radius; a non-finite one adds nothing. */
static float thicknessOf(const lsys_t *l) {
    return l && isfinite(l->thickness) ? l->thickness : 0.0f;
}

void modelCenter(const lsys_t *l, float center[3], float *radius) {
    float r = 0.0f;
    if (boundsUsable(l)) {
        for (int i = 0; i < 3; i++) {
            center[i] = (l->bounds.min[i] + l->bounds.max[i]) / 2;
            float half = (l->bounds.max[i] - l->bounds.min[i]) / 2;
            if (half > r) r = half;
        }
    } else {
        center[0] = center[1] = center[2] = 0.0f;
        r = SCENE_EMPTY_RADIUS;
    }
    *radius = r + thicknessOf(l);
}

void modelHalfExtents(const lsys_t *l, float half[3]) {
    for (int i = 0; i < 3; i++)
        half[i] =
            (boundsUsable(l) ? (l->bounds.max[i] - l->bounds.min[i]) / 2 : SCENE_EMPTY_RADIUS) +
            thicknessOf(l);
}

void centerCamera(scene_t *s, const lsys_t *l) {
    float center[3], radius, half[3];
    modelCenter(l, center, &radius);
    modelHalfExtents(l, half);
    resetCamera(s, center, radius);
    frameCamera(s, half);
}

void frameForModel(scene_t *s, const lsys_t *l) {
    float world[4], object[4], centre[3], radius, half[3];
    memcpy(world, s->worldRotation, sizeof world);
    memcpy(object, s->objectRotation, sizeof object);
    modelCenter(l, centre, &radius);
    modelHalfExtents(l, half);
    resetCamera(s, centre, radius);
    memcpy(s->worldRotation, world, sizeof world);
    memcpy(s->objectRotation, object, sizeof object);
    frameCamera(s, half);
}

void modelFloor(const lsys_t *l, floor_t *f) {
    if (boundsUsable(l)) {
        const bounds_t *b = &l->bounds;
        f->cx = (b->min[0] + b->max[0]) / 2;
        f->cy = (b->min[1] + b->max[1]) / 2;
        f->z = b->min[2] - 2;
        f->rx = (b->max[0] - b->min[0]) / 2;
        f->ry = (b->max[1] - b->min[1]) / 2;
    } else {
        f->cx = f->cy = f->z = 0.0f;
        f->rx = f->ry = SCENE_EMPTY_RADIUS;
    }
    f->rx += thicknessOf(l);
    f->ry += thicknessOf(l);
}

/* A model point (model units) in eye space, camera units: x to the right of the view, y up,
 * d the distance in front of the eye along the sight line. The frame's transformations in
 * the order GL applies them: centring, z up, 1/100 scale, spin, world and drag rotations,
 * then the eye. */
static void eyePoint(const scene_t *s, const double p[3], double out[3]) {
    double v[3] = {0.01 * (p[0] + s->objectCenter[0]), 0.01 * (p[2] + s->objectCenter[2]),
                   -0.01 * (p[1] + s->objectCenter[1])};
    rotateBy(s->objectRotation, v);
    rotateBy(s->worldRotation, v);
    rotateBy(s->trackRotation, v);
    const recCamera *c = &s->camera;
    const double f[3] = {c->viewDir.x, c->viewDir.y, c->viewDir.z};
    const double up[3] = {c->viewUp.x, c->viewUp.y, c->viewUp.z};
    double side[3] = {f[1] * up[2] - f[2] * up[1], f[2] * up[0] - f[0] * up[2],
                      f[0] * up[1] - f[1] * up[0]};
    const double fl = sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    const double sl = sqrt(side[0] * side[0] + side[1] * side[1] + side[2] * side[2]);
    const double fn[3] = {f[0] / fl, f[1] / fl, f[2] / fl};
    for (double &x : side)
        x /= sl;
    const double u[3] = {side[1] * fn[2] - side[2] * fn[1], side[2] * fn[0] - side[0] * fn[2],
                         side[0] * fn[1] - side[1] * fn[0]};
    const double rel[3] = {v[0] - c->viewPos.x, v[1] - c->viewPos.y, v[2] - c->viewPos.z};
    out[0] = side[0] * rel[0] + side[1] * rel[1] + side[2] * rel[2];
    out[1] = u[0] * rel[0] + u[1] * rel[1] + u[2] * rel[2];
    out[2] = fn[0] * rel[0] + fn[1] * rel[1] + fn[2] * rel[2];
}

bool modelOutsideView(const scene_t *s, const lsys_t *l) {
    float centre[3], radius, half[3];
    modelCenter(l, centre, &radius);
    modelHalfExtents(l, half);
    double frustum[6];
    projectionFrustum(s, frustum);
    /* Tangents of the half angles across and up: a point is inside when |x| <= tx d and
     * |y| <= ty d with near <= d <= far. Each count says how many corners lie beyond one side. */
    const double tx = frustum[1] / frustum[4], ty = frustum[3] / frustum[4];
    int beyond[6] = {0, 0, 0, 0, 0, 0};
    for (int corner = 0; corner < 8; corner++) {
        double p[3], e[3];
        for (int i = 0; i < 3; i++)
            p[i] = centre[i] + (corner >> i & 1 ? half[i] : -half[i]);
        eyePoint(s, p, e);
        beyond[0] += e[0] > tx * e[2];
        beyond[1] += e[0] < -tx * e[2];
        beyond[2] += e[1] > ty * e[2];
        beyond[3] += e[1] < -ty * e[2];
        beyond[4] += e[2] < frustum[4];
        beyond[5] += e[2] > frustum[5];
    }
    for (int side = 0; side < 6; side++)
        if (beyond[side] == 8) return true;
    return false;
}

bool frameNewModel(const scene_t *s, const lsys_t *previous, const lsys_t *next) {
    if (!next || next->polygon_count == 0) return false;
    if (!previous || previous->polygon_count == 0) return true;
    return modelOutsideView(s, next);
}

int edgeOnAxis(const scene_t *s, const lsys_t *l) {
    if (!boundsUsable(l)) return -1;
    double extent[3], size = 0.0;
    for (int i = 0; i < 3; i++) {
        extent[i] = (double)l->bounds.max[i] - l->bounds.min[i];
        size = fmax(size, extent[i]);
    }
    if (!(size > 0.0)) return -1;
    /* Flat along exactly one axis: a straight stick is a line from every side. */
    int flat = -1;
    for (int i = 0; i < 3; i++) {
        if (extent[i] >= 0.01 * size) continue;
        if (flat >= 0) return -1;
        flat = i;
    }
    if (flat < 0) return -1;
    /* The box's width and height on the screen: each model axis turned into the view. */
    scene_t turned = *s;
    memset(turned.objectCenter, 0, sizeof turned.objectCenter);
    turned.camera.viewPos = recVec{0.0, 0.0, 0.0};
    double across = 0.0, up = 0.0;
    for (int i = 0; i < 3; i++) {
        double axis[3] = {0.0, 0.0, 0.0}, e[3];
        axis[i] = 100.0 * extent[i];
        eyePoint(&turned, axis, e);
        across += fabs(e[0]);
        up += fabs(e[1]);
    }
    return fmin(across, up) < 0.01 * size ? flat : -1;
}
