/* 3D view benchmarks on the headless GL context, at the editor's default size of work:
 *  - Record: what one refresh costs to give GL the model of a bush that reaches the default
 *    polygon limit of 500000: the drawing into vertex arrays (the engine thread's share,
 *    upload:0) and with their upload into vertex buffers (upload:1), the upload alone (the GUI
 *    thread's share, Upload), beside the same drawing into a counting sink and into no sink,
 *    so the cost of the arrays and GL shows as the difference;
 *  - Frame: one whole 800x600 frame (checkerboard, the model, floor, frame overlay) finished as
 *    a buffer swap would finish it, with and without 4-sample anti-aliasing, and the same
 *    frame without a model as the baseline.
 *  - Refresh: the work of the window after an edit, parse to first frame, on a gallery model
 *    and at the polygon limit, beside the engine's share alone.
 * llvmpipe renders on worker threads, so times are wall-clock (UseRealTime); the CPU column
 * shows only this thread's share, process_cpu_ms that of all threads. Counters: polygons in
 * the model, samples per pixel, and MB, the size of the vertex arrays.
 */
#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

#include <GL/gl.h>

#include "camera.h"
#include "lsys.h"
#include "model_arrays.h"
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

/* One GL context with the model uploaded and a centred camera, made once per setting. */
struct bench_scene_t {
    offscreen_t *gl = nullptr;
    lsys_t *gen = nullptr;
    model_gl_t model = {};
    scene_t scene = {};
    std::string error;
};

/* The description drawn into arrays through the pipeline, as the window's engine thread does. */
lsys_t *buildArrays(const char *text, model_arrays_t *arrays) {
    const emit_t sink = modelArraysEmit(arrays);
    lsys_job_t job = {text, 1.0f, nullptr, &sink, nullptr, 1, 0};
    return lsysBuild(&job, nullTrace);
}

/* CPU time of the whole process, llvmpipe's worker threads included (seconds). On a busy
 * machine wall-clock time mostly measures the other work; this measures the work done. */
double processCpu() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return (double)t.tv_sec + 1e-9 * (double)t.tv_nsec;
}

/* Reports the process CPU time per iteration since start, in milliseconds. */
void reportProcessCpu(benchmark::State &state, double start) {
    state.counters["process_cpu_ms"] =
        1e3 * (processCpu() - start) / (double)std::max<int64_t>(1, state.iterations());
}

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
        model_arrays_t arrays;
        b->gen = buildArrays(kBush, &arrays);
        modelUpload(&b->model, &arrays);
        modelFloor(b->gen, &b->model.floor);
        float c[3], r;
        modelCenter(b->gen, c, &r);
        resetCamera(&b->scene, c, r);
        updateProjection(&b->scene);
    }
    offscreenBind(b->gl);
    return b;
}

/* The drawing into fresh vertex arrays and, with upload 1, their upload into new buffers until
 * GL has them; with upload 0 the arrays alone (the engine thread's share of a refresh). */
void BM_Record(benchmark::State &state) {
    const bool upload = state.range(0) != 0;
    bench_scene_t *b = sceneFor(false);
    if (!b->gl) return state.SkipWithError(b->error.c_str());
    lsys_t *l = b->gen;
    size_t bytes = 0;
    const double cpu = processCpu();
    for (auto _ : state) {
        model_arrays_t arrays;
        const emit_t sink = modelArraysEmit(&arrays);
        srand(0);
        l->sink = &sink;
        lsysDraw(l, nullTrace);
        l->sink = NULL;
        if (upload) {
            modelUpload(&b->model, &arrays);
            glFinish();
        }
        bytes = modelArraysBytes(&arrays);
    }
    reportProcessCpu(state, cpu);
    state.counters["polygons"] = l->polygon_count;
    state.counters["MB"] = (double)bytes / 1e6;
}

/* The upload alone (the GUI thread's share of a refresh): arrays made once, copied into new
 * buffers each time. */
void BM_Upload(benchmark::State &state) {
    bench_scene_t *b = sceneFor(false);
    if (!b->gl) return state.SkipWithError(b->error.c_str());
    model_arrays_t arrays;
    lsysFree(buildArrays(kBush, &arrays));
    const double cpu = processCpu();
    for (auto _ : state) {
        modelUpload(&b->model, &arrays);
        glFinish();
    }
    reportProcessCpu(state, cpu);
    state.counters["MB"] = (double)modelArraysBytes(&arrays) / 1e6;
}

/* What a sink that takes whole objects and only counts them costs on top of the drawing: the
 * engine's full work on the model, against which the recording is measured. */
void countBatch(void *ctx, const float *, const float (*)[3], const float (*)[3], const uint16_t *,
                int n, int) {
    *(uint64_t *)ctx += (uint64_t)n;
}

void BM_DrawCountingSink(benchmark::State &state) {
    bench_scene_t *b = sceneFor(false);
    if (!b->gl) return state.SkipWithError(b->error.c_str());
    lsys_t *l = b->gen;
    uint64_t corners = 0;
    emit_t counter = {&corners, nullptr, nullptr, nullptr, countBatch};
    for (auto _ : state) {
        srand(0);
        l->sink = &counter;
        lsysDraw(l, nullTrace);
        l->sink = NULL;
    }
    state.counters["polygons"] = l->polygon_count;
    state.counters["triangles"] = (double)corners / 3 / (double)state.iterations();
}

void BM_DrawWithoutSink(benchmark::State &state) {
    bench_scene_t *b = sceneFor(false);
    if (!b->gl) return state.SkipWithError(b->error.c_str());
    lsys_t *l = b->gen;
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
    const double cpu = processCpu();
    for (auto _ : state) {
        drawScene(&b->scene, &style, withModel ? modelDrawCallback : NULL,
                  withModel ? modelFloorCallback : NULL, &b->model);
        offscreenFinish(b->gl);
    }
    reportProcessCpu(state, cpu);
    state.counters["samples"] = offscreenSamples(b->gl);
    state.counters["polygons"] = withModel ? b->gen->polygon_count : 0;
}

/* The work of the window after an edit, up to the first frame on screen: parse and draw into
 * arrays (lsysBuild), upload, then one whole frame of the new model. With gl 0 only the engine's
 * share: the same parse and drawing into a counting sink. Models: the largest gallery
 * description (weed-2d) and the bush at the polygon limit. */
void BM_Refresh(benchmark::State &state) {
    const bool atLimit = state.range(0) != 0, gl = state.range(1) != 0;
    std::string text = kBush;
    if (!atLimit) {
        std::ifstream in(SPRIG_EXAMPLES_DIR "/weed-2d.ls", std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        text = out.str();
        if (text.empty()) return state.SkipWithError("example not found");
    }
    bench_scene_t *b = sceneFor(false);
    if (!b->gl) return state.SkipWithError(b->error.c_str());
    scene_style_t style = sceneStyleDefaults();
    model_gl_t model = {};
    uint64_t corners = 0;
    emit_t counter = {&corners, nullptr, nullptr, nullptr, countBatch};
    uint32_t polygons = 0;
    const double cpu = processCpu();
    for (auto _ : state) {
        lsys_t *l;
        if (gl) {
            model_arrays_t arrays;
            l = buildArrays(text.c_str(), &arrays);
            modelUpload(&model, &arrays);
            modelFloor(l, &model.floor);
            drawScene(&b->scene, &style, modelDrawCallback, modelFloorCallback, &model);
            offscreenFinish(b->gl);
        } else {
            lsys_job_t job = {text.c_str(), 1.0f, nullptr, &counter, nullptr, 1, 0};
            l = lsysBuild(&job, nullTrace);
        }
        polygons = l->polygon_count;
        lsysFree(l);
    }
    reportProcessCpu(state, cpu);
    modelDelete(&model);
    state.counters["polygons"] = polygons;
}

} // namespace

BENCHMARK(BM_Record)
    ->ArgName("upload")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Upload)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DrawCountingSink)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DrawWithoutSink)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Frame)
    ->ArgNames({"aa", "model"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_Refresh)
    ->ArgNames({"limit", "gl"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
