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
#include <string>

typedef struct render_request_t {
    int width, height;   /* picture size in pixels, at least 1 each */
    bool aa;             /* 4 samples per pixel where available */
    float growth;        /* multiplies the recursion, as the editor's growth control */
    scene_style_t style; /* background, plain colour and floor */
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
 * messages go to tr. Returns a null image and a one-line reason in *error when no OpenGL
 * context or framebuffer of that size can be had. Whatever context was current on this
 * thread is not current afterwards. */
QImage renderDescription(const char *text, const render_request_t &request, trace_t tr,
                         std::string *error);

#endif
