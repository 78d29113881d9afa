/* Headless GL through EGL. Mesa's surfaceless platform gives a context with no window system
 * at all; its configs are pbuffer-only, so the config must ask for EGL_PBUFFER_BIT, and the
 * picture goes into a framebuffer object instead of a surface. libOpenGL exports the
 * framebuffer entry points, so no loader is needed.
 */
#define GL_GLEXT_PROTOTYPES 1
#include "offscreen.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <string.h>

struct offscreen_t {
    EGLDisplay display;
    EGLContext context;
    int width, height;
    int samples; /* 0: draw straight into the single-sampled buffers */
    GLuint fbo;  /* single-sampled, read back */
    GLuint color, depth;
    GLuint msFbo; /* multisampled, drawn into when samples > 0 */
    GLuint msColor, msDepth;
};

/* Displays initialised by this module; EGL terminates a display for every context on it, so
 * it is terminated only when the last offscreen_t goes. */
static int gDisplayUsers = 0;

static EGLDisplay openDisplay(std::string *error) {
    EGLDisplay d = EGL_NO_DISPLAY;
    const char *ext = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (ext && strstr(ext, "EGL_MESA_platform_surfaceless")) {
        auto getPlatformDisplay =
            (PFNEGLGETPLATFORMDISPLAYEXTPROC)eglGetProcAddress("eglGetPlatformDisplayEXT");
        if (getPlatformDisplay)
            d = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, NULL);
    }
    /* Elsewhere (a GPU's EGL without the Mesa platform) the default display may do. */
    if (d == EGL_NO_DISPLAY) d = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    if (d == EGL_NO_DISPLAY) {
        *error = "no EGL display available";
        return EGL_NO_DISPLAY;
    }
    EGLint major = 0, minor = 0;
    if (!eglInitialize(d, &major, &minor)) {
        *error = "cannot initialise EGL";
        return EGL_NO_DISPLAY;
    }
    gDisplayUsers++;
    return d;
}

static void closeDisplay(EGLDisplay d) {
    if (--gDisplayUsers == 0) eglTerminate(d);
}

static EGLContext openContext(EGLDisplay d, std::string *error) {
    if (!eglBindAPI(EGL_OPENGL_API)) {
        *error = "EGL has no desktop OpenGL";
        return EGL_NO_CONTEXT;
    }
    const EGLint configAttribs[] = {EGL_SURFACE_TYPE,
                                    EGL_PBUFFER_BIT,
                                    EGL_RENDERABLE_TYPE,
                                    EGL_OPENGL_BIT,
                                    EGL_RED_SIZE,
                                    8,
                                    EGL_GREEN_SIZE,
                                    8,
                                    EGL_BLUE_SIZE,
                                    8,
                                    EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(d, configAttribs, &config, 1, &count) || count < 1) {
        *error = "no EGL configuration for desktop OpenGL";
        return EGL_NO_CONTEXT;
    }
    /* The fixed-function pipeline and immediate mode need a compatibility profile. */
    const EGLint contextAttribs[] = {EGL_CONTEXT_MAJOR_VERSION, 2, EGL_CONTEXT_MINOR_VERSION, 1,
                                     EGL_NONE};
    EGLContext c = eglCreateContext(d, config, EGL_NO_CONTEXT, contextAttribs);
    if (c == EGL_NO_CONTEXT) {
        *error = "cannot create an OpenGL 2.1 context";
        return EGL_NO_CONTEXT;
    }
    if (!eglMakeCurrent(d, EGL_NO_SURFACE, EGL_NO_SURFACE, c)) {
        eglDestroyContext(d, c);
        *error = "cannot make the OpenGL context current without a surface";
        return EGL_NO_CONTEXT;
    }
    return c;
}

/* A complete framebuffer of one colour and one depth renderbuffer; samples 0 = plain. */
static bool makeFramebuffer(int w, int h, int samples, GLuint *fbo, GLuint *color, GLuint *depth) {
    glGenFramebuffers(1, fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, *fbo);
    glGenRenderbuffers(1, color);
    glBindRenderbuffer(GL_RENDERBUFFER, *color);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, w, h);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, *color);
    glGenRenderbuffers(1, depth);
    glBindRenderbuffer(GL_RENDERBUFFER, *depth);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT24, w, h);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, *depth);
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

static void freeFramebuffer(GLuint *fbo, GLuint *color, GLuint *depth) {
    if (*fbo) glDeleteFramebuffers(1, fbo);
    if (*color) glDeleteRenderbuffers(1, color);
    if (*depth) glDeleteRenderbuffers(1, depth);
    *fbo = *color = *depth = 0;
}

offscreen_t *offscreenCreate(int width, int height, bool aa, std::string *error) {
    std::string dummy;
    if (!error) error = &dummy;
    if (width < 1 || height < 1) {
        *error = "picture size must be at least 1x1";
        return NULL;
    }
    EGLDisplay d = openDisplay(error);
    if (d == EGL_NO_DISPLAY) return NULL;
    EGLContext c = openContext(d, error);
    if (c == EGL_NO_CONTEXT) {
        closeDisplay(d);
        return NULL;
    }

    GLint maxRenderbuffer = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maxRenderbuffer);
    if (width > maxRenderbuffer || height > maxRenderbuffer) {
        *error = "picture size exceeds the OpenGL limit of " + std::to_string(maxRenderbuffer) +
                 " pixels per side";
        eglMakeCurrent(d, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(d, c);
        closeDisplay(d);
        return NULL;
    }

    offscreen_t *o = new offscreen_t();
    o->display = d;
    o->context = c;
    o->width = width;
    o->height = height;
    bool ok = makeFramebuffer(width, height, 0, &o->fbo, &o->color, &o->depth);
    if (ok && aa) {
        GLint maxSamples = 0;
        glGetIntegerv(GL_MAX_SAMPLES, &maxSamples);
        o->samples = maxSamples < 4 ? maxSamples : 4;
        if (o->samples > 0)
            ok = makeFramebuffer(width, height, o->samples, &o->msFbo, &o->msColor, &o->msDepth);
    }
    if (!ok) {
        *error = "cannot create an OpenGL framebuffer of " + std::to_string(width) + "x" +
                 std::to_string(height);
        offscreenFree(o);
        return NULL;
    }
    offscreenBind(o);
    return o;
}

void offscreenBind(offscreen_t *o) {
    eglMakeCurrent(o->display, EGL_NO_SURFACE, EGL_NO_SURFACE, o->context);
    glBindFramebuffer(GL_FRAMEBUFFER, o->samples > 0 ? o->msFbo : o->fbo);
    glViewport(0, 0, o->width, o->height);
}

int offscreenSamples(const offscreen_t *o) {
    return o->samples;
}

/* Leaves the finished picture in the single-sampled framebuffer, bound. */
static void resolve(offscreen_t *o) {
    eglMakeCurrent(o->display, EGL_NO_SURFACE, EGL_NO_SURFACE, o->context);
    if (o->samples > 0) {
        /* Multisampled buffers cannot be read directly: resolve into the plain one. */
        glBindFramebuffer(GL_READ_FRAMEBUFFER, o->msFbo);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, o->fbo);
        glBlitFramebuffer(0, 0, o->width, o->height, 0, 0, o->width, o->height, GL_COLOR_BUFFER_BIT,
                          GL_NEAREST);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, o->fbo);
    glFinish();
}

void offscreenFinish(offscreen_t *o) {
    resolve(o);
    offscreenBind(o);
}

QImage offscreenRead(offscreen_t *o, bool alpha) {
    resolve(o);

    /* Four bytes a pixel in memory order R, G, B, A either way; with alpha they are read as
     * premultiplied, which they are. */
    QImage img(o->width, o->height,
               alpha ? QImage::Format_RGBA8888_Premultiplied : QImage::Format_RGBA8888);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, (GLint)(img.bytesPerLine() / 4));
    glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_PACK_SKIP_ROWS, 0);
    glReadPixels(0, 0, o->width, o->height, GL_RGBA, GL_UNSIGNED_BYTE, img.bits());
    glPopClientAttrib();
    offscreenBind(o);
    if (alpha)
        return img.mirrored(false, true).convertToFormat(QImage::Format_ARGB32_Premultiplied);

    /* The alpha channel holds whatever the clear and the colours left there (the print path
     * clears to alpha 0); the picture is opaque. GL rows run bottom-up. */
    for (int y = 0; y < o->height; y++) {
        uchar *p = img.scanLine(y);
        for (int x = 0; x < o->width; x++)
            p[4 * x + 3] = 255;
    }
    return img.mirrored(false, true).convertToFormat(QImage::Format_RGB32);
}

void offscreenFree(offscreen_t *o) {
    if (!o) return;
    eglMakeCurrent(o->display, EGL_NO_SURFACE, EGL_NO_SURFACE, o->context);
    freeFramebuffer(&o->msFbo, &o->msColor, &o->msDepth);
    freeFramebuffer(&o->fbo, &o->color, &o->depth);
    eglMakeCurrent(o->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(o->display, o->context);
    closeDisplay(o->display);
    delete o;
}
