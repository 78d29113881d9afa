/* What the mouse, the scroll wheel and the spin timer do to the scene, as plain numbers: which
 * button and modifier start a rotation, a pan or a dolly and which cursor they show, one step
 * of each drag, the scroll-wheel zoom, and one tick of the spin animation. No Qt and no GL: the
 * scene view translates its events into these calls and redraws when they say so.
 *
 * Coordinates are view-local pixels with the origin at the top left and y growing downward.
 */
#ifndef SPRIG_VIEW_INTERACTION_H
#define SPRIG_VIEW_INTERACTION_H

#include <stdint.h>

#include "camera.h"

/* Mouse buttons as the view sees them: the primary button, the secondary (right) one, and any
 * other (middle). */
enum { BUTTON_LEFT = 0, BUTTON_RIGHT = 1, BUTTON_OTHER = 2 };

/* Modifier keys that change what a left-button press does. */
enum { MOD_CONTROL = 1, MOD_OPTION = 2 };

typedef enum drag_mode_t { DRAG_NONE = 0, DRAG_ROTATE, DRAG_PAN, DRAG_DOLLY } drag_mode_t;

typedef enum view_cursor_t {
    CURSOR_ARROW = 0,
    CURSOR_CROSSHAIR,
    CURSOR_CLOSED_HAND,
    CURSOR_RESIZE_UP_DOWN
} view_cursor_t;

/* Module-wide drag state: only one drag exists in the whole program. gTrackBallRotation is the
 * live rotation of a trackball drag (angle 0 when none); the dragged scene also carries it in
 * its trackRotation, which is what the frame draws in front of worldRotation. */
extern bool gTrackball;
extern bool gPan;
extern bool gDolly;
extern int32_t gDollyPanStartPoint[2];
extern float gTrackBallRotation[4];
extern scene_t *gTrackingViewInfo;

/* Which drag a press starts: left rotates; left with Control (which wins over Option) or the
 * right button pans; left with Option or any other button dollies. */
drag_mode_t dragModeFor(int button, int modifiers);

/* The cursor a press of that mode shows (rotate: crosshair, pan: closed hand, dolly: resize
 * up-down; none: arrow). */
view_cursor_t cursorForMode(drag_mode_t mode);

/* A press at (x, y) of the scene's view: commits a live trackball rotation when a pan or dolly
 * interrupts it, and starts the drag. Returns the cursor to show. */
view_cursor_t mousePress(scene_t *s, int button, int modifiers, float x, float y);

/* A drag event at (x, y). Returns true when the scene changed and must be redrawn; sets
 * *projectionChanged when the eye moved along z (dolly), so the projection must be rebuilt. */
bool mouseDrag(scene_t *s, float x, float y, bool *projectionChanged);

/* A release: ends the drag, committing a trackball rotation into worldRotation. Returns the
 * cursor to show until the mouse next moves (crosshair). No redraw is needed: the committed
 * rotation draws exactly as the live one did. */
view_cursor_t mouseRelease(scene_t *s);

/* One dolly step: each pixel upward moves the eye 1/300 of its distance toward the model.
 * An eye landing exactly on z = 0 is put at 0.0001. */
void mouseDolly(scene_t *s, float x, float y);

/* One pan step: the eye (and with it the look-at point) moves so that the model follows the
 * mouse; 1/90 camera unit per pixel with the eye at z = -10. */
void mousePan(scene_t *s, float x, float y);

/* Scroll-wheel zoom with the summed deltas of one event (one notch = 1): the aperture narrows
 * by 0.5 % per unit and stays within 0.1..179.9 degrees. Returns false when the deltas sum to
 * 0 (nothing changed, no redraw, no new projection). */
bool scrollWheel(scene_t *s, float dx, float dy, float dz);

/* Spin animation. Velocities in degrees per 1/30 second, accelerations in degrees per 1/30
 * second per 1/30 second, rRot in degrees: the increments not yet drawn. */
typedef struct spin_t {
    bool fAnimate;
    double time; /* seconds of a monotonic clock at the last tick */
    float rRot[3];
    float rVel[3];
    float rAccel[3];
} spin_t;

/* Ticks more than this many seconds apart (a suspended machine, a stalled event loop) are
 * skipped instead of jumping the spin forward. */
#define SPIN_MAX_GAP 10.0

/* Animation off, the starting velocities and accelerations, the clock at now. */
void spinInit(spin_t *sp, double now);

/* Advances the spin by dt seconds: velocities bounce between -2 and 2, and this step's
 * increments are composed into objectRotation about x, then y, then z. */
void updateObjectRotationForTimeDelta(spin_t *sp, scene_t *s, double dt);

/* One timer tick at time now (seconds). With the animation on, advances the spin unless a
 * trackball drag of this scene is in progress or the gap since the last tick is negative or
 * above SPIN_MAX_GAP. The clock is renewed on every tick, animation on or off, so neither
 * switching the animation on nor a long pause ever produces a jump. Returns true when a frame
 * should be drawn (the animation is on). */
bool animationTick(spin_t *sp, scene_t *s, double now);

/* A frame has drawn the pending increments. */
void spinFrameDrawn(spin_t *sp);

#endif
