/* One frame of the 3D view in legacy OpenGL (fixed-function lighting, immediate mode).
 *
 * The 2D overlays work in view pixels with the origin at the top left and y growing downward,
 * the way the view's mouse coordinates run.
 */
#include "scene_gl.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <stdio.h>

static void logToStderr(const char *line) {
    fprintf(stderr, "%s\n", line);
}

static void (*gSceneLog)(const char *line) = logToStderr;

void sceneSetLog(void (*log)(const char *line)) {
    gSceneLog = log ? log : logToStderr;
}

scene_style_t sceneStyleDefaults(void) {
    scene_style_t st;
    st.background = false;
    st.hasBackgroundColor = true;
    st.backgroundColor[0] = st.backgroundColor[1] = st.backgroundColor[2] = 0.9f;
    st.axis = true;
    st.transparent = false;
    return st;
}

unsigned glReportError(void) {
    GLenum err = glGetError();
    if (err != GL_NO_ERROR) {
        const GLubyte *text = gluErrorString(err);
        char line[160];
        snprintf(line, sizeof line, "glError: %s", text ? (const char *)text : "unknown error");
        gSceneLog(line);
    }
    return err;
}

void prepareOpenGL(void) {
    glEnable(GL_DEPTH_TEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glShadeModel(GL_SMOOTH);

    const GLfloat specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 50.0f);

    /* The colours emitted with the geometry drive ambient and diffuse reflection. */
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);

    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_TRUE);

    const GLfloat position[4] = {20.0f, -70.0f, 12.0f, 0.0f};
    const GLfloat ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    const GLfloat diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat lightSpecular[4] = {0.2f, 0.2f, 0.1f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, lightSpecular);

    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_RESCALE_NORMAL);
    glReportError();
}

void updateProjection(const scene_t *s) {
    double f[6];
    projectionFrustum(s, f);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(f[0], f[1], f[2], f[3], f[4], f[5]);
}

void updateModelView(const scene_t *s) {
    const recCamera *c = &s->camera;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(c->viewPos.x, c->viewPos.y, c->viewPos.z, c->viewPos.x + c->viewDir.x,
              c->viewPos.y + c->viewDir.y, c->viewPos.z + c->viewDir.z, c->viewUp.x, c->viewUp.y,
              c->viewUp.z);
    /* A drag in progress is drawn in front of the stored rotation; committing it with
     * addToRotationTrackball gives the same matrix. */
    const float *t = s->trackRotation;
    if (t[0] != 0.0f) glRotatef(t[0], t[1], t[2], t[3]);
    glRotatef(s->worldRotation[0], s->worldRotation[1], s->worldRotation[2], s->worldRotation[3]);
    glRotatef(s->objectRotation[0], s->objectRotation[1], s->objectRotation[2],
              s->objectRotation[3]);
    glScalef(0.01f, 0.01f, 0.01f);
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f); /* model z points up the screen */
    glTranslatef(s->objectCenter[0], s->objectCenter[1], s->objectCenter[2]);
}

bool unprojectModelPoint(const scene_t *s, double winX, double winY, double depth, double out[3]) {
    if (!(depth >= 0.0 && depth < 1.0)) return false;
    updateModelView(s);
    GLdouble modelView[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    return gluUnProject(winX, winY, depth, modelView, projection, viewport, &out[0], &out[1],
                        &out[2]) == GL_TRUE;
}

bool resizeOpenGL(scene_t *s, int w, int h) {
    if (!sceneResize(s, w, h)) return false;
    glViewport(0, 0, s->camera.viewWidth, s->camera.viewHeight);
    updateProjection(s);
    return true;
}

void quad(int x, int y, int w, int h) {
    glVertex2i(x, y);
    glVertex2i(x + w, y);
    glVertex2i(x + w, y + h);
    glVertex2i(x, y + h);
}

/* Runs draw in pixel coordinates of the view (origin top left, y down), restoring both
 * matrices and the matrix mode afterwards. */
static void inOverlay(const scene_t *s, void (*draw)(const scene_t *)) {
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, s->camera.viewWidth, s->camera.viewHeight, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    draw(s);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode((GLenum)mode);
}

static const int kCheckerSize = 20;

static void drawChecker(const scene_t *s) {
    glColor3f(0.8f, 0.8f, 0.8f);
    glBegin(GL_QUADS);
    for (int x = 0; x < s->camera.viewWidth; x += kCheckerSize)
        for (int y = 0; y < s->camera.viewHeight; y += kCheckerSize)
            if ((x + y) / kCheckerSize % 2 == 1) quad(x, y, kCheckerSize, kCheckerSize);
    glEnd();
}

void drawBackground(const scene_t *s) {
    glDisable(GL_LIGHTING);
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    inOverlay(s, drawChecker);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_LIGHTING);
}

static void drawFrame(const scene_t *s) {
    int w = s->camera.viewWidth, h = s->camera.viewHeight;
    glDisable(GL_LIGHTING);
    glColor3f(0.6f, 0.6f, 0.6f);
    glBegin(GL_QUADS);
    quad(0, 0, 1, h);
    quad(w - 1, 0, 1, h);
    quad(0, 0, w, 1);
    quad(0, h - 1, w, 1);
    glEnd();
}

void drawInfo(const scene_t *s) {
    GLboolean depth = glIsEnabled(GL_DEPTH_TEST);
    if (depth) glDisable(GL_DEPTH_TEST);
    inOverlay(s, drawFrame);
    if (depth) glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glReportError();
}

void setCameraAndLight(const scene_t *s) {
    updateModelView(s);
    glPushMatrix();
    glLoadIdentity();
    const GLfloat position[4] = {20.0f, 400.0f, 100.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glPopMatrix();
}

void drawScene(scene_t *s, const scene_style_t *style, scene_draw_fn drawModel,
               scene_draw_fn drawFloor, void *ctx) {
    setCameraAndLight(s);
    float rgba[4];
    sceneClearColor(style, rgba);
    glClearColor(rgba[0], rgba[1], rgba[2], rgba[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!style->background && !style->transparent) drawBackground(s);
    if (drawModel) drawModel(ctx);
    if (style->axis && drawFloor) drawFloor(ctx);
    if (!style->transparent) drawInfo(s);
    glReportError();
}

void sceneClearColor(const scene_style_t *style, float rgba[4]) {
    rgba[0] = rgba[1] = rgba[2] = 0.9f;
    rgba[3] = 1.0f;
    if (style->transparent) {
        rgba[0] = rgba[1] = rgba[2] = rgba[3] = 0.0f;
    } else if (style->background && style->hasBackgroundColor) {
        for (int i = 0; i < 3; i++)
            rgba[i] = style->backgroundColor[i];
    }
}

void drawPrintImage(scene_t *s, scene_draw_fn drawModel, void *ctx) {
    setCameraAndLight(s);
    glClearColor(1.0f, 1.0f, 1.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (drawModel) drawModel(ctx);
}
