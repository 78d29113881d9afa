/* Headless picture of a description: offscreen context, model drawn into arrays and uploaded
 * there, one frame. */
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
    r.ceilings = NULL;
    r.cancel = NULL;
    return r;
}

QImage renderDescription(const char *text, const render_request_t &r, trace_t tr,
                         std::string *error) {
    offscreen_t *gl = offscreenCreate(r.width, r.height, r.aa, error);
    if (!gl) return QImage();

    /* The order of opening a file in the editor: fresh view, first resize, refresh, then
     * centring. */
    prepareOpenGL();
    scene_t scene = {};
    resetCamera(&scene, NULL, 0.0f);
    resizeOpenGL(&scene, r.width, r.height);
    model_arrays_t arrays;
    const emit_t sink = modelArraysEmit(&arrays);
    lsys_job_t job = {text, r.growth, r.ceilings, &sink, r.cancel, 1, 0};
    lsys_t *l = lsysBuild(&job, tr);
    model_gl_t model = {};
    modelFloor(l, &model.floor);
    const bool uploaded = modelUpload(&model, &arrays);
    arrays = model_arrays_t();
    if (r.view) {
        scene = *r.view;
        scene.camera.viewWidth = r.width;
        scene.camera.viewHeight = r.height;
    } else {
        centerCamera(&scene, l);
    }
    lsysFree(l);
    updateProjection(&scene);

    if (r.print)
        drawPrintImage(&scene, modelDrawCallback, &model);
    else
        drawScene(&scene, &r.style, modelDrawCallback, modelFloorCallback, &model);
    QImage img;
    if (uploaded)
        img = offscreenRead(gl);
    else if (error)
        *error = "not enough graphics memory for the model";
    modelDelete(&model);
    offscreenFree(gl);
    return img;
}
