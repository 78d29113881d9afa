// The window's picture jobs when memory runs out: whichever large allocation fails while an SVG
// picture or a growth animation is drawn and written, the job returns a failure, so the window
// reports it and keeps its text, instead of the exception ending the program.
#include "picturejobs.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdlib.h>

#include <atomic>
#include <new>

namespace {
// 0: allocations succeed; n: the n-th allocation of 1 MiB or more through operator new fails.
std::atomic<int> failBigAt{0}, bigSeen{0};
} // namespace

void *operator new(size_t size) {
    if (size >= (1u << 20) && failBigAt.load() && ++bigSeen == failBigAt.load())
        throw std::bad_alloc();
    if (void *p = malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept {
    free(p);
}
void operator delete(void *p, size_t) noexcept {
    free(p);
}

// Under AddressSanitizer the other forms of new (nothrow, aligned) stay the sanitizer's, and
// the OpenGL driver frees some of those through the delete above.
extern "C" __attribute__((used)) const char *__asan_default_options() {
    return "alloc_dealloc_mismatch=0";
}

// Mesa's software driver keeps a few hundred bytes of each context it made: held loaded to the
// end, it is named in the leak report and set aside, and a context of ours left open is not.
const void *const kDriver = dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_LAZY);
extern "C" __attribute__((used)) const char *__lsan_default_suppressions() {
    return "leak:swrast_dri.so\n";
}

TEST(PictureJobs, EveryLargeAllocationThatFailsIsReported) {
    QTemporaryDir dir;
    const description_t d{"recursion 5\nangle 30\nthickness 30\naxiom F\nrule F=F[&F]F[^F]F\n"};
    render_request_t r = renderRequestDefaults();
    r.width = r.height = 64;
    for (const bool animation : {false, true}) {
        int failed = 0;
        for (int k = 1;; k++) {
            bigSeen = 0;
            failBigAt = k;
            std::atomic<int> done{0};
            const job_outcome_t out =
                animation
                    ? growthFramesJob(d, r, 0.5f, 1.0f, 2, dir.filePath("g.svg"), &done, nullptr)
                    : pictureFileJob(d, r, dir.filePath("p.svg"), nullptr);
            failBigAt = 0;
            if (bigSeen < k) { // all allocations made: the picture is whole
                EXPECT_TRUE(out.ok) << qPrintable(out.why);
                break;
            }
            EXPECT_FALSE(out.ok) << "allocation " << k << " failed unreported";
            failed++;
        }
        EXPECT_GT(failed, 1) << "the SVG " << (animation ? "animation" : "picture")
                             << " made fewer large allocations than this test needs";
    }
}
