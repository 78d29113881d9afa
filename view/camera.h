/* Camera and scene numbers of the 3D view: the camera record, the rotations and centring the
 * scene view keeps for drawing, the projection frustum, the model's centre, extents and floor,
 * and the eye distance that frames the whole model. Pure arithmetic: no GL, no Qt, so all of
 * it is testable without a context.
 *
 * Units: the model is drawn at 1/100 scale, so one camera unit is 100 model units.
 */
#ifndef SPRIG_VIEW_CAMERA_H
#define SPRIG_VIEW_CAMERA_H

#include <stdint.h>

#include "lsys.h"

typedef struct recVec {
    double x, y, z;
} recVec;

typedef struct recCamera {
    recVec viewPos;    /* eye position */
    recVec viewDir;    /* look-at point = viewPos + viewDir */
    recVec viewUp;     /* up vector */
    recVec rotPoint;   /* origin after every reset; read by nothing */
    double aperture;   /* field of view in degrees across the view's shorter side */
    int32_t viewWidth; /* viewport in view (logical) pixels, whatever the device pixel ratio */
    int32_t viewHeight;
} recCamera;

/* What the scene view keeps for drawing one frame. Zero-initialise, then resetCamera. */
typedef struct scene_t {
    recCamera camera;
    float worldRotation[4];  /* angle-axis, accumulated from trackball drags */
    float objectRotation[4]; /* angle-axis, accumulated by the spin animation */
    float objectCenter[3];   /* translation applied to the model: the negated model centre */
    float trackRotation[4];  /* live rotation of a drag in progress in this view; angle 0 = none */
    float frameDepth;        /* camera units: how far the model reaches from its centre in any
                                direction (set by frameCamera, 0 = unknown); the clip planes
                                widen to enclose it when it exceeds half of SCENE_SHAPE_SIZE */
} scene_t;

/* Depth extent of the scene that the clip planes enclose, in camera units. */
#define SCENE_SHAPE_SIZE 2000.0f

/* Radius used for centring when there is no model or it drew nothing (model units). */
#define SCENE_EMPTY_RADIUS 200.0f

/* Resets camera and rotations. center (3 floats, model units) may be NULL; the eye then stays
 * at (0, 0, -10). With a centre the eye moves back by radius / 200 camera units. The
 * projection is not touched: call projectionFrustum / updateProjection afterwards. */
void resetCamera(scene_t *s, const float *center, float radius);

/* Share of the view's width or height that a framed model fills at most. */
#define SCENE_FRAME_FILL 0.9

/* Moves the eye of a camera just reset onto a centre (resetCamera) back along -z, only as far
 * as needed for the box of half extents half (model units, around that centre) to fit the view
 * at the viewport's aspect, filling at most SCENE_FRAME_FILL of its width and height, under
 * the scene's current rotations. An eye already far enough back stays exactly where it is.
 * Also records the box's reach in frameDepth so the clip planes enclose it. Non-finite or
 * negative extents leave the camera alone. */
void frameCamera(scene_t *s, const float half[3]);

/* glFrustum arguments (left, right, bottom, top, near, far) for the scene's camera and
 * viewport, with the aperture spanning the shorter side. Finite for every input:
 *  - a viewport with zero or negative width or height is treated as square (aspect 1);
 *  - an eye so far forward that far would not lie beyond near gets far just beyond near
 *    (near + 1), so the frustum stays valid for glFrustum (which rejects far <= near);
 *  - an eye at an infinite distance gets the default eye's planes (1, 1010);
 *  - a model reaching further than SCENE_SHAPE_SIZE / 2 from its centre (frameDepth) widens
 *    the depth extent to 2.2 x frameDepth, so neither plane cuts it. */
void projectionFrustum(const scene_t *s, double out[6]);

/* Adopts a new viewport size (negative sizes count as 0). Returns true when it differs from
 * the stored one, i.e. when the viewport and projection must be rebuilt. */
bool sceneResize(scene_t *s, int w, int h);

/* Centring on a model (the Center command): the midpoint of its bounds and the largest half
 * extent plus its thickness. No model, or one that drew no polygon: the origin and 200 (plus
 * the thickness when a model exists). Non-finite bounds fall back to the empty case. */
void modelCenter(const lsys_t *l, float center[3], float *radius);

/* Half extents of the model along x, y and z, each plus its thickness, with the same
 * fallbacks as modelCenter (200 plus the thickness on every axis). */
void modelHalfExtents(const lsys_t *l, float half[3]);

/* The Center command: modelCenter, resetCamera, then frameCamera with modelHalfExtents. */
void centerCamera(scene_t *s, const lsys_t *l);

/* True when the box of the model (centre and half extents as centerCamera frames them) lies
 * wholly outside the view of the scene's camera and rotations: all its corners beyond one side
 * of the view, in front of the near plane or behind the far one. */
bool modelOutsideView(const scene_t *s, const lsys_t *l);

/* Whether a new model should be framed (as the Center command does) when it replaces previous
 * on screen: only when it drew something and previous showed nothing (no model, every line in
 * error, a new document) or it lies wholly outside the view. Otherwise the camera stays as the
 * user left it. */
bool frameNewModel(const scene_t *s, const lsys_t *previous, const lsys_t *next);

/* The model's axis (0 x, 1 y, 2 z) along which it is flat, when it is seen edge-on: its
 * extent along that axis is under 1 % of its largest extent, and across the view (the smaller
 * of its projected width and height, rotations applied, perspective ignored) it is under 1 %
 * of that largest extent too. -1 when it is not flat, not seen edge-on, or drew nothing. */
int edgeOnAxis(const scene_t *s, const lsys_t *l);

/* The Center command under the scene's rotations: s keeps its spin and world rotations and its
 * viewport, and is centred on l and framed as seen from there (a growth animation's camera). */
void frameForModel(scene_t *s, const lsys_t *l);

/* Floor disc and axis lines under a model, in model coordinates: disc centre (cx, cy), the
 * height z of the axis lines (the disc lies 2 below) and the half sizes rx, ry. */
typedef struct floor_t {
    float cx, cy, z, rx, ry;
} floor_t;

void modelFloor(const lsys_t *l, floor_t *f);

#endif
