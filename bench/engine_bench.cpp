/* Engine benchmarks: raw expansion (nextToken), the simplifying iterator (nextSimplerToken), a
 * full lsysDraw into a sink that only counts (also right after toolkit code, as in the
 * programs), and peak memory against recursion depth.
 *
 * Each case takes a gallery description and raises its recursion so that one pass takes about a
 * second. Rates are reported as benchmark counters: tokens/s, segments/s, triangles/s and the
 * time per tube segment (triangles included). Peak memory is measured in a fresh child process
 * (this program re-run with --peak-rss), whose ru_maxrss then holds that drawing alone.
 */
#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include "lsys.h"

namespace {

std::string readExample(const char *name) {
    std::ifstream in(std::string(SPRIG_EXAMPLES_DIR) + "/" + name, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

/* A parsed description at a chosen recursion, with the limits lifted so that the whole
 * expansion is measured. */
lsys_t *loadText(const std::string &text, float recursion) {
    if (text.empty()) return nullptr;
    lsys_t *l = lsysInit();
    lsysParse(l, nullTrace, text.c_str());
    l->recursion = recursion;
    l->token_limit = UINT32_MAX;
    l->poly_limit = UINT32_MAX;
    return l;
}

/* The same for a gallery description. */
lsys_t *loadModel(const char *name, float recursion) {
    return loadText(readExample(name), recursion);
}

/* max_depth as lsysDraw derives it, for the iterator benchmarks that bypass lsysDraw. */
uint16_t depthFor(float recursion) {
    uint16_t n = (uint16_t)recursion;
    if (recursion > (float)n) n++;
    return n > (uint16_t)LSYS_MAX_DEPTH ? (uint16_t)LSYS_MAX_DEPTH : n;
}

struct count_sink_t {
    uint64_t colors, normals, vertices;
};

void countColor(void *ctx, const float *) {
    ((count_sink_t *)ctx)->colors++;
}
void countNormal(void *ctx, const float *) {
    ((count_sink_t *)ctx)->normals++;
}
void countVertex(void *ctx, const float *) {
    ((count_sink_t *)ctx)->vertices++;
}
/* A whole object: one call instead of a colour, and a normal and a vertex per corner. */
void countBatch(void *ctx, const float *, const float (*)[3], const float (*)[3], const uint16_t *,
                int n, int) {
    count_sink_t *s = (count_sink_t *)ctx;
    s->colors++;
    s->normals += (uint64_t)n;
    s->vertices += (uint64_t)n;
}

/* ---- Raw expansion ---- */

void BM_NextToken(benchmark::State &state, const char *name, float recursion) {
    lsys_t *l = loadModel(name, recursion);
    if (!l) {
        state.SkipWithError("example not found");
        return;
    }
    uint64_t tokens = 0;
    for (auto _ : state) {
        l->max_depth = depthFor(recursion);
        initToken(l);
        uint64_t n = 0;
        while (nextToken(l)->cmd)
            n++;
        benchmark::DoNotOptimize(n);
        tokens += n;
    }
    state.counters["tokens"] = (double)tokens / (double)state.iterations();
    state.counters["tokens/s"] = benchmark::Counter((double)tokens, benchmark::Counter::kIsRate);
    lsysFree(l);
}

/* ---- Simplifying iterator ---- */

void BM_NextSimplerToken(benchmark::State &state, const char *name, float recursion) {
    lsys_t *l = loadModel(name, recursion);
    if (!l) {
        state.SkipWithError("example not found");
        return;
    }
    uint64_t raw = 0, simplified = 0;
    for (auto _ : state) {
        l->max_depth = depthFor(recursion);
        simple_tok_t s;
        initSimplerToken(l, &s);
        uint64_t n = 0;
        while (nextSimplerToken(l, &s, 30.0f, 100.0f))
            n++;
        benchmark::DoNotOptimize(s.param);
        raw += l->token_count;
        simplified += n;
    }
    state.counters["tokens/s"] = benchmark::Counter((double)raw, benchmark::Counter::kIsRate);
    state.counters["simplified/s"] =
        benchmark::Counter((double)simplified, benchmark::Counter::kIsRate);
    lsysFree(l);
}

/* ---- Full drawing ---- */

/* Number of segment commands (F and Z) that one drawing executes. */
uint64_t countSegments(lsys_t *l, float recursion) {
    l->max_depth = depthFor(recursion);
    simple_tok_t s;
    initSimplerToken(l, &s);
    uint64_t n = 0;
    while (nextSimplerToken(l, &s, l->angle, 100.0f))
        if (s.cmd == 'F') n++;
    return n;
}

/* batched: the sink takes whole objects; otherwise the three per-vertex calls. */
void BM_Draw(benchmark::State &state, const char *name, float recursion, bool batched) {
    lsys_t *l = loadModel(name, recursion);
    if (!l) {
        state.SkipWithError("example not found");
        return;
    }
    const uint64_t segmentsPerDrawing = countSegments(l, recursion);
    count_sink_t sink = {0, 0, 0};
    emit_t emit = {&sink, countColor, countNormal, countVertex, batched ? countBatch : nullptr};
    l->sink = &emit;
    uint64_t polygons = 0;
    for (auto _ : state) {
        srand(0);
        lsysDraw(l, nullTrace);
        polygons += l->polygon_count;
    }
    const double runs = (double)state.iterations();
    const double segments = (double)segmentsPerDrawing * runs;
    state.counters["segments"] = (double)segmentsPerDrawing;
    state.counters["polygons"] = (double)polygons / runs;
    state.counters["segments/s"] = benchmark::Counter(segments, benchmark::Counter::kIsRate);
    state.counters["triangles/s"] =
        benchmark::Counter((double)sink.vertices / 3.0, benchmark::Counter::kIsRate);
    state.counters["time/segment"] =
        benchmark::Counter(segments, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    lsysFree(l);
}

/* What lsys does before it draws: reads its command line with QCommandLineParser and works on
 * some text. On Intel processors with AVX this leaves the upper halves of the vector registers
 * in use, which once made the engine four times slower inside the programs than in BM_Draw. */
void toolkitWork(const char *name) {
    QCommandLineParser parser;
    parser.addOption(QCommandLineOption(QStringList{"growth"}, "growth", "G"));
    parser.addPositionalArgument("file", "description");
    parser.parse(QStringList{"lsys", "--growth", "1", name});
    const QString text = QString::fromLatin1(name).repeated(64).toUpper().simplified();
    benchmark::DoNotOptimize(text.indexOf(QLatin1String("LS")));
}

/* A batched drawing (a gallery description, or a text when name has a line end), each right
 * after toolkitWork when `toolkit` is set (a few microseconds, timed too): the two must take the
 * same time. "upper_in_use" is the share of drawings entered with the upper state in use (0 on a
 * processor that cannot tell, or whose toolkit code leaves it clean). */
void BM_DrawAfterToolkit(benchmark::State &state, const char *name, float recursion, bool toolkit) {
    const bool text = strchr(name, '\n') != nullptr;
    lsys_t *l = text ? loadText(name, recursion) : loadModel(name, recursion);
    if (!l) {
        state.SkipWithError("example not found");
        return;
    }
    count_sink_t sink = {0, 0, 0};
    emit_t emit = {&sink, countColor, countNormal, countVertex, countBatch};
    l->sink = &emit;
    gUpperProbe.checks = gUpperProbe.dirty = 0;
    for (auto _ : state) {
        if (toolkit) toolkitWork(text ? "plant.ls" : name);
        upperProbe();
        srand(0);
        lsysDraw(l, nullTrace);
    }
    state.counters["upper_in_use"] =
        gUpperProbe.checks ? (double)gUpperProbe.dirty / gUpperProbe.checks : 0.0;
    state.counters["tokens/s"] = benchmark::Counter((double)l->token_count * state.iterations(),
                                                    benchmark::Counter::kIsRate);
    lsysFree(l);
}

/* ---- Peak memory against depth ---- */

/* Child side: draw the example at the given recursion and print the process's peak resident
 * set (KiB) and the raw token count. */
int peakChild(const char *name, float recursion) {
    lsys_t *l = loadModel(name, recursion);
    if (!l) return 1;
    count_sink_t sink = {0, 0, 0};
    emit_t emit = {&sink, countColor, countNormal, countVertex, countBatch};
    l->sink = &emit;
    srand(0);
    lsysDraw(l, nullTrace);
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    printf("%ld %u %u\n", ru.ru_maxrss, l->token_count, l->polygon_count);
    lsysFree(l);
    return 0;
}

std::string selfPath() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "";
    buf[n] = 0;
    return buf;
}

void BM_PeakMemory(benchmark::State &state, const char *name) {
    const int depth = (int)state.range(0);
    const std::string cmd = "'" + selfPath() + "' --peak-rss " + name + " " + std::to_string(depth);
    long rss = 0;
    unsigned tokens = 0, polygons = 0;
    for (auto _ : state) {
        FILE *p = popen(cmd.c_str(), "r");
        if (!p || fscanf(p, "%ld %u %u", &rss, &tokens, &polygons) != 3) {
            if (p) pclose(p);
            state.SkipWithError("child run failed");
            return;
        }
        pclose(p);
    }
    state.counters["peak_rss_KiB"] = (double)rss;
    state.counters["tokens"] = (double)tokens;
    state.counters["polygons"] = (double)polygons;
}

/* Raw expansion and simplification on three shapes of expansion: a curve (short bodies, one
 * symbol per level), a bracketed plant and a 3D tree with long bodies. */
BENCHMARK_CAPTURE(BM_NextToken, koch_snowflake_r13, "koch-snowflake.ls", 13.0f)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_NextToken, plant_bracketed_r12, "plant-bracketed.ls", 12.0f)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_NextToken, tree_r14, "tree.ls", 14.0f)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(BM_NextSimplerToken, koch_snowflake_r12, "koch-snowflake.ls", 12.0f)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_NextSimplerToken, plant_bracketed_r11, "plant-bracketed.ls", 11.0f)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_NextSimplerToken, tree_r13, "tree.ls", 13.0f)->Unit(benchmark::kMillisecond);

/* Full drawing: joined tubes along a curve, a branching plant (every branch capped), a tree
 * with polygon leaves, and square prisms, into a sink that takes whole objects; the first two
 * again through the per-vertex calls that a sink without batches gets. */
BENCHMARK_CAPTURE(BM_Draw, koch_quadratic_r6, "koch-quadratic.ls", 6.0f, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Draw, plant_bracketed_r9, "plant-bracketed.ls", 9.0f, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Draw, tree_r11, "tree.ls", 11.0f, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Draw, prisms_r18, "prisms-cross.ls", 18.0f, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Draw, koch_quadratic_r6_per_vertex, "koch-quadratic.ls", 6.0f, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Draw, plant_bracketed_r9_per_vertex, "plant-bracketed.ls", 9.0f, false)
    ->Unit(benchmark::kMillisecond);

/* Drawings without and right after toolkit code, in pairs: a tree, and a branching plant that
 * draws nothing, all turns and branches (24 M tokens). */
const char kTurns[] = "angle 25.7\naxiom X\nrule X=X[+X]X[-X]X\n";
BENCHMARK_CAPTURE(BM_DrawAfterToolkit, tree_r11_plain, "tree.ls", 11.0f, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DrawAfterToolkit, tree_r11, "tree.ls", 11.0f, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DrawAfterToolkit, turns_r10_plain, kTurns, 10.0f, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DrawAfterToolkit, turns_r10, kTurns, 10.0f, true)
    ->Unit(benchmark::kMillisecond);

/* Peak memory: a depth-first stream needs the same memory at every depth, whether the
 * expansion grows in length (the dragon curve doubles per level) or in depth (the flower head
 * nests one level per four florets, down to the deepest level allowed). */
BENCHMARK_CAPTURE(BM_PeakMemory, dragon_curve, "dragon-curve.ls")
    ->DenseRange(4, 20, 4)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PeakMemory, phyllotaxis, "phyllotaxis.ls")
    ->Arg(10)
    ->Arg(50)
    ->Arg(99)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    if (argc == 4 && !strcmp(argv[1], "--peak-rss")) return peakChild(argv[2], atof(argv[3]));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
