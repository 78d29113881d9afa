/* Virtual trackball: turns a mouse drag inside the scene view into an angle-axis rotation and
 * composes rotations through quaternions.
 *
 * An angle-axis rotation is float[4] = (angle in degrees, axis x, y, z), ready for
 * glRotatef(r[0], r[1], r[2], r[3]). Angle 0 is the identity whatever the axis; composition
 * stores the identity as (0, 1, 0, 0). Only one drag can be in progress in the whole program,
 * so the drag state is module-wide. No GL here: the functions are pure arithmetic.
 */
#ifndef SPRIG_VIEW_TRACKBALL_H
#define SPRIG_VIEW_TRACKBALL_H

#include <stdint.h>

/* Trackball state: centre and radius in the caller's pixel coordinates, and the press and
 * current points relative to the centre, lifted onto the sphere. All zero at start-up. */
extern int32_t gXCenterTrackball;
extern int32_t gYCenterTrackball;
extern float gRadiusTrackball;
extern float gStartPtTrackball[3];
extern float gEndPtTrackball[3];

/* Starts a drag at (x, y) in a trackball inscribed in the rectangle (originX, originY, width,
 * height). */
void startTrackball(int32_t x, int32_t y, int32_t originX, int32_t originY, int32_t width,
                    int32_t height);

/* The whole rotation from the press point to (x, y), written to rot. When (x, y) is the press
 * point (within 0.001 on both axes) rot is left exactly as the caller had it. Degenerate drags
 * (zero radius, press at the centre) give the identity (0, 0, 0, 1); a half turn between two
 * opposite points outside the ball turns about the view axis. The result is always finite. */
void rollToTrackball(int32_t x, int32_t y, float rot[4]);

/* A becomes the rotation that first turns by A and then by dA. dA is only read. A composition
 * that lands on the identity (including a full 360-degree turn) stores (0, 1, 0, 0). */
void addToRotationTrackball(const float dA[4], float A[4]);

/* Angle-axis rotation to quaternion (x, y, z, w), scalar last. */
void rotation2Quat(const float A[4], float q[4]);

#endif
