/* Headless picture of a description: offscreen context, model recorded there, one frame. */
#include "render_image.h"

#include "camera.h"
#include "model_gl.h"
#include "offscreen.h"

render_request_t renderRequestDefaults(void) {
    render_request_t r;
    r.width = 800;
    r.height = 600;
    r.aa = false;
    r.growth = 1.0f;
    r.style = sceneStyleDefaults();
    r.print = false;
    r.view = NULL;
    return r;
}

QImage renderDescription(const char *text, const render_request_t &r, trace_t tr,
                         std::string *error) {
    offscreen_t *gl = offscreenCreate(r.width, r.height, r.aa, error);
    if (!gl) return QImage();

    /* The order of opening a file in the editor: fresh view, first resize, refresh, then
     * centring. The offscreen context shares no display list with any window, so the model
     * is recorded here again. */
    prepareOpenGL();
    scene_t scene = {};
    resetCamera(&scene, NULL, 0.0f);
    resizeOpenGL(&scene, r.width, r.height);
    model_gl_t model = {};
    modelRefresh(&model, text ? text : "", r.growth, tr);
    if (r.view) {
        scene = *r.view;
        scene.camera.viewWidth = r.width;
        scene.camera.viewHeight = r.height;
    } else {
        centerCamera(&scene, model.gen);
    }
    updateProjection(&scene);

    if (r.print)
        drawPrintImage(&scene, modelDrawCallback, &model);
    else
        drawScene(&scene, &r.style, modelDrawCallback, modelFloorCallback, &model);
    QImage img = offscreenRead(gl);
    modelRelease(&model);
    offscreenFree(gl);
    return img;
}
