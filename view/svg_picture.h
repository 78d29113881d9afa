/* A frame of the 3D view as an SVG picture: what GL draws, caught in its feedback mode after
 * lighting, projection and clipping, and written as flat polygons and lines. No Qt. The GL
 * context that draws the frame must be current, with the scene's projection and viewport set.
 */
#ifndef SPRIG_VIEW_SVG_PICTURE_H
#define SPRIG_VIEW_SVG_PICTURE_H

#include "scene_gl.h"

#include <stddef.h>

#include <string>

/* The frame drawScene would draw, as SVG text of the viewport's size in view pixels (origin
 * top left):
 *  - the background, unless the style is transparent: a rectangle of the clear colour, then
 *    the checkerboard's squares when the style has one;
 *  - the model and the floor (when style->axis): each lit triangle or clipped polygon filled
 *    with the mean of its corners' colours (what smooth shading gives at its centre), each
 *    line stroked one pixel wide in its colour, all sorted back to front by their mean depth
 *    (the painter's order; two pieces that cross each other cannot both be right);
 *  - the one-pixel frame, unless transparent.
 * expect is the number of feedback values the model will likely need (grown when short).
 * False, with a one-line reason in *error, when GL's feedback buffer cannot hold it. */
bool sceneSvg(scene_t *s, const scene_style_t *style, scene_draw_fn drawModel,
              scene_draw_fn drawFloor, void *ctx, size_t expect, std::string *svg,
              std::string *error);

/* Feedback values a model of that many triangles and lines likely needs. */
size_t svgFeedbackGuess(size_t triangles, size_t lines);

#endif
