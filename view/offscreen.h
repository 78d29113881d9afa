/* Headless OpenGL: a compatibility context on EGL (Mesa's surfaceless platform, or a GPU's
 * EGL) drawing into a framebuffer object, read back as a QImage. Needs no display server and
 * no QGuiApplication. Used by `lsys render`, the render tests and the GL benchmarks.
 */
#ifndef SPRIG_VIEW_OFFSCREEN_H
#define SPRIG_VIEW_OFFSCREEN_H

#include <QImage>
#include <string>

struct offscreen_t;

/* Creates a context and a width x height framebuffer (RGBA8 + depth; with aa, 4 samples
 * clamped to what the implementation allows), makes it current and binds the framebuffer.
 * On failure returns NULL and puts a one-line reason in *error. */
offscreen_t *offscreenCreate(int width, int height, bool aa, std::string *error);

/* Makes the context current and binds the drawing framebuffer again. */
void offscreenBind(offscreen_t *o);

/* Samples per pixel actually in use (0 without anti-aliasing). */
int offscreenSamples(const offscreen_t *o);

/* Resolves multisampling when needed and waits until the picture is complete: what a buffer
 * swap costs a window, without reading anything back. */
void offscreenFinish(offscreen_t *o);

/* Resolves multisampling when needed and reads the picture (top row first): opaque RGB, or
 * with alpha its alpha channel too (premultiplied, as blending over a transparent clear and
 * resolving samples leave it). */
QImage offscreenRead(offscreen_t *o, bool alpha = false);

/* Releases the framebuffer and the context. */
void offscreenFree(offscreen_t *o);

#endif
