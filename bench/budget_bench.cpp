/* The token budget's cost: descriptions that only a budget ends, drawn at the default budget
 * with messages going to traceHook as in the window. A runaway that reports nothing is the
 * baseline; a message flood (a bracket that fails once per token, tens of millions of
 * messages) must cost about the same, since past the store a message is only counted. The
 * "messages" counter shows how many were reported.
 */
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include "lsys.h"

namespace {

void BM_Budget(benchmark::State &state, const char *text) {
    lsys_t *l = lsysPrepare(text, 1.0f, nullTrace);
    if (!l) return state.SkipWithError("no model");
    int32_t messages = 0;
    for (auto _ : state) {
        traceClear();
        srand(0);
        lsysDraw(l, traceHook);
        messages = traceCount;
    }
    traceClear();
    state.counters["messages"] = messages;
    state.counters["tokens"] = l->token_count;
    lsysFree(l);
}

} // namespace

BENCHMARK_CAPTURE(BM_Budget, silent_runaway, "recursion 100\naxiom X\nrule X=XX\n")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Budget, branch_flood, "recursion 100\naxiom X\nrule X=[XX\n")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Budget, closing_flood, "recursion 100\naxiom X\nrule X=]XX\n")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Budget, polygon_flood, "recursion 100\naxiom {X\nrule X={XX\n")
    ->Unit(benchmark::kMillisecond);
