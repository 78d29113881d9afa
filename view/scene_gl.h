/* Drawing of one frame of the 3D view with legacy OpenGL: fixed GL state, projection and
 * model-view matrices, the checkerboard background, the one-pixel frame overlay, and the
 * frame sequence around the model and floor callbacks. No Qt: the caller makes its context
 * current first and reads the user's settings into a scene_style_t.
 */
#ifndef SPRIG_VIEW_SCENE_GL_H
#define SPRIG_VIEW_SCENE_GL_H

#include "camera.h"

/* The settings a frame depends on, read afresh by the caller for every frame. */
typedef struct scene_style_t {
    bool background;          /* true: plain clear colour; false: the checkerboard */
    bool hasBackgroundColor;  /* a stored colour exists and is readable */
    float backgroundColor[3]; /* r, g, b in 0..1, used when both flags are true */
    bool axis;                /* draw the floor */
    bool transparent;         /* no background at all: alpha 0 where nothing is drawn, no
                                 checkerboard and no frame (pictures only, never the window) */
} scene_style_t;

/* Defaults of a first run: checkerboard, floor on, plain colour 0.9 grey, opaque. */
scene_style_t sceneStyleDefaults(void);

/* Where glReportError writes its "glError: %s" lines; NULL restores the default (stderr). */
void sceneSetLog(void (*log)(const char *line));

/* Fixed GL state (depth test, material, lighting). Run once on every new context, with it
 * current, before the first frame. */
void prepareOpenGL(void);

/* Loads the projection matrix (projectionFrustum). */
void updateProjection(const scene_t *s);

/* Loads the model-view matrix: eye, live drag rotation, world and object rotations, 1/100
 * scale, z up, model centring. */
void updateModelView(const scene_t *s);

/* The model-space point drawn at window position (winX, winY) of the current viewport (GL
 * window coordinates: origin bottom left, in framebuffer pixels) with the depth-buffer value
 * depth in 0..1: the frame's projection and model-view (camera, live drag, world and spin
 * rotations, 1/100 scale, z up, centring) undone. Loads the model-view matrix. False when the
 * depth is the far plane (1 or more: nothing drawn there) or the matrices cannot be undone. */
bool unprojectModelPoint(const scene_t *s, double winX, double winY, double depth, double out[3]);

/* Adopts a new viewport size; when it changed, sets glViewport and rebuilds the projection.
 * Returns whether it changed. */
bool resizeOpenGL(scene_t *s, int w, int h);

/* 2D overlays in view pixels (origin top left): the 20-pixel checkerboard and the 0.6 grey
 * one-pixel frame around the view. */
void drawBackground(const scene_t *s);
void drawInfo(const scene_t *s);

/* The four corners of an axis-aligned rectangle; call between glBegin(GL_QUADS) and glEnd. */
void quad(int x, int y, int w, int h);

/* Logs the first pending GL error, if any, as "glError: %s". Returns the error (0 = none). */
unsigned glReportError(void);

/* The colour a frame is cleared to (r, g, b, alpha): the plain colour or the checkerboard's
 * 0.9 grey, opaque; transparent black for a transparent style. */
void sceneClearColor(const scene_style_t *style, float rgba[4]);

typedef void (*scene_draw_fn)(void *ctx);

/* One whole frame except the buffer swap: model-view, eye-fixed light, clear (plain colour or
 * 0.9 grey + checkerboard), model, floor when style->axis, frame overlay (not when
 * transparent), error report. drawModel and drawFloor may be NULL. */
void drawScene(scene_t *s, const scene_style_t *style, scene_draw_fn drawModel,
               scene_draw_fn drawFloor, void *ctx);

/* The camera, and light 0 as a directional light fixed relative to the eye: the first step of
 * every frame (drawScene and drawPrintImage do it themselves). */
void setCameraAndLight(const scene_t *s);

/* The picture that goes to the printer: the model alone on white, under the same camera. Draw
 * into a single-sampled framebuffer and read it back. */
void drawPrintImage(scene_t *s, scene_draw_fn drawModel, void *ctx);

#endif
