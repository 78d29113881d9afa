/* Headless pictures of a description: offscreen context, model drawn into arrays and uploaded
 * there, then one frame read back as pixels or caught as SVG; a growth animation keeps one
 * context and one camera for all its frames. */
#include "render_image.h"

#include "camera.h"
#include "model_gl.h"
#include "offscreen.h"
#include "svg_picture.h"

#include <string.h>

#include <memory>

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

namespace {

/* One drawing of the description in the current context's buffers. */
struct built_t {
    lsys_t *l = NULL;
    model_gl_t model = {};
    bool uploaded = false;
    bool whole = false; /* every triangle found room in the arrays */
    size_t triangles = 0, lines = 0;

    built_t() = default;
    built_t(const built_t &) = delete;
    built_t &operator=(const built_t &) = delete;
    ~built_t() {
        modelDelete(&model);
        lsysFree(l);
    }
};

void build(built_t *b, const char *text, float growth, const render_request_t &r, trace_t tr) {
    model_arrays_t arrays;
    const emit_t sink = modelArraysEmit(&arrays);
    lsys_job_t job = {text, growth, r.ceilings, &sink, r.cancel, 1, 0};
    b->l = lsysBuild(&job, tr);
    modelFloor(b->l, &b->model.floor);
    b->whole = !arrays.incomplete;
    b->uploaded = modelUpload(&b->model, &arrays);
    b->triangles = arrays.triangles.count / 3;
    b->lines = arrays.lines.count / 2;
}

/* The context, freed however a picture ends: an allocation can fail while it is drawn. */
struct offscreen_free_t {
    void operator()(offscreen_t *o) const { offscreenFree(o); }
};
typedef std::unique_ptr<offscreen_t, offscreen_free_t> offscreen_ptr;

/* The context and the first frame's set-up, in the order of opening a file in the editor:
 * fresh view, first resize, then the model. */
offscreen_ptr open(const render_request_t &r, scene_t *scene, std::string *error) {
    offscreen_ptr gl(offscreenCreate(r.width, r.height, r.aa, error));
    if (!gl) return gl;
    prepareOpenGL();
    *scene = scene_t{};
    resetCamera(scene, NULL, 0.0f);
    resizeOpenGL(scene, r.width, r.height);
    return gl;
}

/* The request's camera (its viewport replaced by the picture's), or centred on l. */
void aim(scene_t *scene, const render_request_t &r, const lsys_t *l) {
    if (r.view) {
        *scene = *r.view;
        scene->camera.viewWidth = r.width;
        scene->camera.viewHeight = r.height;
    } else {
        centerCamera(scene, l);
    }
    updateProjection(scene);
}

/* Draws b under scene and reads it back as an image, or with svg as SVG text. */
bool take(offscreen_t *gl, scene_t *scene, const render_request_t &r, built_t *b, bool svg,
          QImage *img, std::string *text, std::string *error) {
    /* A picture of part of the model would pass for the whole one. */
    if (!b->whole) {
        *error = "not enough memory for the whole model";
        return false;
    }
    if (!b->uploaded) {
        *error = "not enough graphics memory for the model";
        return false;
    }
    if (svg)
        return sceneSvg(scene, &r.style, modelDrawCallback, modelFloorCallback, &b->model,
                        svgFeedbackGuess(b->triangles, b->lines), text, error);
    if (r.print)
        drawPrintImage(scene, modelDrawCallback, &b->model);
    else
        drawScene(scene, &r.style, modelDrawCallback, modelFloorCallback, &b->model);
    *img = offscreenRead(gl, r.style.transparent && !r.print);
    return true;
}

/* One picture, as an image or as SVG. */
bool picture(const char *text, const render_request_t &r, trace_t tr, bool svg, QImage *img,
             std::string *out, std::string *error) {
    std::string dummy;
    if (!error) error = &dummy;
    scene_t scene;
    const offscreen_ptr gl = open(r, &scene, error);
    if (!gl) return false;
    built_t b; /* after gl, so that its buffers go while the context is still there */
    build(&b, text, r.growth, r, tr);
    aim(&scene, r, b.l);
    return take(gl.get(), &scene, r, &b, svg, img, out, error);
}

} // namespace

QImage renderDescription(const char *text, const render_request_t &r, trace_t tr,
                         std::string *error) {
    QImage img;
    picture(text, r, tr, false, &img, NULL, error);
    return img;
}

bool renderDescriptionSvg(const char *text, const render_request_t &r, trace_t tr, std::string *svg,
                          std::string *error) {
    return picture(text, r, tr, true, NULL, svg, error);
}

bool renderGrowthFrames(const char *text, const render_request_t &r, float from, float to,
                        int frames, bool svg, trace_t tr, const render_frame_fn &take_,
                        std::string *error) {
    std::string dummy;
    if (!error) error = &dummy;
    error->clear();
    if (frames < 1) {
        *error = "an animation needs at least one frame";
        return false;
    }
    scene_t scene;
    const offscreen_ptr gl = open(r, &scene, error);
    if (!gl) return false;
    /* The camera is framed once, on the last frame's model, and kept for every frame. The
     * framing needs only its bounds, which the drawing finds without a sink: no arrays, no
     * upload. */
    {
        lsys_job_t job = {text, to, r.ceilings, NULL, r.cancel, 1, 0};
        lsys_t *last = lsysBuild(&job, tr);
        if (r.view) {
            memcpy(scene.worldRotation, r.view->worldRotation, sizeof scene.worldRotation);
            memcpy(scene.objectRotation, r.view->objectRotation, sizeof scene.objectRotation);
        }
        frameForModel(&scene, last);
        updateProjection(&scene);
        lsysFree(last);
    }
    bool ok = true;
    for (int i = 0; i < frames && ok; i++) {
        if (r.cancel && r.cancel->load()) {
            *error = "cancelled";
            ok = false;
            break;
        }
        const float g = frames == 1 ? to : from + (to - from) * (float)i / (float)(frames - 1);
        built_t b;
        build(&b, text, g, r, nullTrace);
        QImage img;
        std::string out;
        ok = take(gl.get(), &scene, r, &b, svg, &img, &out, error) && take_(i, g, img, out);
    }
    return ok;
}
