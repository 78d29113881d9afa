/* The x86 vector registers' upper state, which the engine clears before its own float code runs.
 *
 * The engine is compiled for the x86-64 baseline, so its float code is legacy SSE. When code that
 * ran before it (the toolkit, a library, a sink) leaves the upper halves of the YMM/ZMM registers
 * in use, every legacy-SSE instruction on an Intel processor then merges with them and carries a
 * false dependency: the turtle ran about four times slower inside lsys than in the benchmarks.
 * vzeroupper ends that state; it changes no value the engine holds (the lower 128 bits stay, and
 * it is issued from a function of its own, across which no vector register is live anyway).
 *
 * The probe lets a test see the state the engine's float code actually runs in: xgetbv with
 * ECX = 1 reads which register states are in use.
 */
#include "lsys.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define LSYS_X86 1
#endif

upper_probe_t gUpperProbe;

#ifdef LSYS_X86

/* vzeroupper is an AVX instruction: without AVX (or without the system's support for its state)
 * it faults, and there is no upper state. Read once, before main. */
static bool detectAvx(void) {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx");
}
static const bool hasAvx = detectAvx();

/* XINUSE bits 2 (upper halves of YMM0-15) and 6 (upper halves of ZMM0-15): what vzeroupper
 * clears and what legacy SSE merges with. -1 when the processor cannot report it. */
static int upperInUse(void) {
    unsigned a, b, c, d;
    if (!hasAvx || !__get_cpuid_count(0xd, 1, &a, &b, &c, &d) || !(a & 4)) return -1;
    unsigned lo, hi;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(1));
    return (lo & 0x44u) != 0;
}

__attribute__((noinline)) void lsysCleanUpper(void) {
    if (hasAvx) __asm__ volatile("vzeroupper");
}

#else

static int upperInUse(void) {
    return -1;
}

void lsysCleanUpper(void) {}

#endif

int lsysUpperReadable(void) {
    return upperInUse() >= 0;
}

void upperProbe(void) {
    const int dirty = upperInUse();
    if (dirty < 0) return;
    gUpperProbe.checks++;
    gUpperProbe.dirty += dirty;
}
