/* 3D view benchmarks on the headless GL context, at the editor's default size of work:
 *  - Record: one refresh's display-list recording (lsysDraw emitting into glNewList) of a
 *    bush that reaches the default polygon limit of 500000, beside the same drawing into no
 *    sink, so the cost of GL recording shows as the difference;
 *  - Frame: one whole 800x600 frame (checkerboard, the list, floor, frame overlay) finished as
 *    a buffer swap would finish it, with and without 4-sample anti-aliasing, and the same
 *    frame without a model as the baseline.
 * llvmpipe renders on worker threads, so times are wall-clock (UseRealTime); the CPU column
 * shows only this thread's share. Counters: polygons in the list, samples per pixel, and
 * polygons/s for the recording.
 */
#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>

#include <string>

#include <GL/gl.h>

#include "camera.h"
#include "lsys.h"
#include "model_gl.h"
#include "offscreen.h"
#include "scene_gl.h"

namespace {

/* Three branches per level, 12 levels: 3^12 segments, far more than the polygon limit, so
 * the drawing stops at the default 500000 polygons. */
const char kBush[] = "recursion 12\n"
                     "angle 25\n"
                     "thickness 20\n"
                     "color 1 120 80 40\n"
                     "color 2 60 160 60\n"
                     "axiom c(1)A\n"
                     "rule A=F[c(2)&A]>(137)[c(2)&A]>(137)[c(2)&A]\n";

const int kWidth = 800, kHeight = 600;

/* One GL context with a recorded model and a centred camera, made once per setting. */
struct bench_scene_t {
    offscreen_t *gl = nullptr;
    model_gl_t model = {};
    scene_t scene = {};
    std::string error;
};

bench_scene_t *sceneFor(bool aa) {
    static bench_scene_t *scenes[2] = {nullptr, nullptr};
    bench_scene_t *&b = scenes[aa];
    if (!b) {
        b = new bench_scene_t();
        b->gl = offscreenCreate(kWidth, kHeight, aa, &b->error);
        if (!b->gl) return b;
        prepareOpenGL();
        resetCamera(&b->scene, NULL, 0);
        resizeOpenGL(&b->scene, kWidth, kHeight);
        modelRefresh(&b->model, kBush, 1.0f, nullTrace);
        float c[3], r;
        modelCenter(b->model.gen, c, &r);
        resetCamera(&b->scene, c, r);
        updateProjection(&b->scene);
    }
    offscreenBind(b->gl);
    return b;
}

void BM_RecordList(benchmark::State &state) {
    bench_scene_t *b = sceneFor(false);
    if (!b->gl) return state.SkipWithError(b->error.c_str());
    lsys_t *l = b->model.gen;
    for (auto _ : state) {
        srand(0);
        b->model.list = recordModel(l, b->model.list, nullTrace);
        glFinish();
    }
    state.counters["polygons"] = l->polygon_count;
    state.counters["polygons/s"] =
        benchmark::Counter((double)l->polygon_count, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_DrawWithoutSink(benchmark::State &state) {
    bench_scene_t *b = sceneFor(false);
    if (!b->gl) return state.SkipWithError(b->error.c_str());
    lsys_t *l = b->model.gen;
    for (auto _ : state) {
        srand(0);
        l->sink = NULL;
        lsysDraw(l, nullTrace);
    }
    state.counters["polygons"] = l->polygon_count;
}

void BM_Frame(benchmark::State &state) {
    bool aa = state.range(0) != 0;
    bool withModel = state.range(1) != 0;
    bench_scene_t *b = sceneFor(aa);
    if (!b->gl) return state.SkipWithError(b->error.c_str());
    if (aa && offscreenSamples(b->gl) == 0) return state.SkipWithError("no multisampling");
    scene_style_t style = sceneStyleDefaults();
    for (auto _ : state) {
        drawScene(&b->scene, &style, withModel ? modelDrawCallback : NULL,
                  withModel ? modelFloorCallback : NULL, &b->model);
        offscreenFinish(b->gl);
    }
    state.counters["samples"] = offscreenSamples(b->gl);
    state.counters["polygons"] = withModel ? b->model.gen->polygon_count : 0;
}

} // namespace

BENCHMARK(BM_RecordList)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DrawWithoutSink)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Frame)
    ->ArgNames({"aa", "model"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
