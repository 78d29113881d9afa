/* One picture of a description, drawn headless (EGL) at any size: drawn through the engine's
 * pipeline (lsysBuild) into vertex arrays, uploaded into the offscreen context's own buffers, and
 * drawn as the 3D view draws a frame (or, for printing, the model alone on white). Used by
 * `lsys render` and, on the window's engine thread, by Export Image and printing. No display
 * server and no QGuiApplication needed.
 */
#ifndef SPRIG_VIEW_RENDER_IMAGE_H
#define SPRIG_VIEW_RENDER_IMAGE_H

#include "scene_gl.h"

#include <QImage>

#include <functional>
#include <string>

typedef struct render_request_t {
    int width, height;   /* picture size in pixels, at least 1 each */
    bool aa;             /* 4 samples per pixel where available */
    float growth;        /* multiplies the recursion, as the editor's growth control */
    scene_style_t style; /* background, plain colour, floor, transparency */
    bool print;          /* the printed look: the model alone on white, no floor or frame */
    const scene_t *view; /* camera and rotations to draw with (its viewport size is replaced
                            by this picture's); NULL: centred on the model as after opening */
    const lsys_limits_t *ceilings; /* over the description's limits (the window's); NULL: none */
    const lsys_cancel_t *cancel;   /* ends the drawing early when set; NULL: never */
} render_request_t;

/* 800 x 600, no anti-aliasing, growth 1, the first-run style, centred, screen look, the
 * description's own limits, not cancelled. */
render_request_t renderRequestDefaults(void);

/* Draws text (NUL-terminated ISO Latin 1) as requested; the parser's and the drawing's
 * messages go to tr. With a transparent style the picture has an alpha channel (0 where
 * nothing is drawn). Returns a null image and a one-line reason in *error when no OpenGL
 * context or framebuffer of that size can be had. Whatever context was current on this
 * thread is not current afterwards. */
QImage renderDescription(const char *text, const render_request_t &request, trace_t tr,
                         std::string *error);

/* The same picture as SVG text (svg_picture.h), into *svg. The print look is not offered.
 * False with a one-line reason in *error. */
bool renderDescriptionSvg(const char *text, const render_request_t &request, trace_t tr,
                          std::string *svg, std::string *error);

/* One frame of a growth animation, handed over as it is drawn: its number from 0, its growth,
 * and the picture (the image, or with svg the SVG text). False stops the animation. */
typedef std::function<bool(int frame, float growth, const QImage &image, const std::string &svg)>
    render_frame_fn;

/* A growth animation: frames pictures of text at growths from `from` to `to` in equal steps
 * (both ends included; one frame is drawn at `to`), all under one camera framed for the last
 * frame's model: the request's view with its rotations (or the opening view), centred on
 * that model and backed off until it fits. The request's own growth is not used. Messages of
 * the last frame's drawing go to tr. False when the frames stop early: *error says why, and
 * is empty when take stopped them. */
bool renderGrowthFrames(const char *text, const render_request_t &request, float from, float to,
                        int frames, bool svg, trace_t tr, const render_frame_fn &take,
                        std::string *error);

#endif
