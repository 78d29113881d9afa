/* The road from a description to a model, one for every program, so that the window, lsys, the
 * headless renderer and the tests can never draw differently: a new model, the text parsed into
 * it, the random generator seeded with 0 (the same text always draws the same random
 * variations), the recursion depth multiplied by the growth factor, the caller's ceilings over
 * the description's own limits, and the drawing into the caller's sink.
 */
#include "lsys.h"

#include <stdlib.h>

const lsys_limits_t lsysWindowCeilings = {LSYS_CEIL_POLYGONS, LSYS_CEIL_TOKENS};

lsys_t *lsysPrepare(const char *text, float growth, trace_t tr) {
    lsys_t *l = lsysInit();
    if (!l) return NULL;
    lsysParse(l, tr, text ? text : "");
    srand(0);
    l->recursion *= growth;
    return l;
}

lsys_t *lsysBuild(lsys_job_t *job, trace_t tr) {
    if (!tr) tr = nullTrace;
    job->ceiled = 0;
    lsys_t *l = lsysPrepare(job->text, job->growth, tr);
    if (!l) {
        tr(CODE_EXEC, "not enough memory to startup");
        return NULL;
    }
    if (job->ceilings)
        job->ceiled = lsysCeil(l, job->ceilings->polygons, job->ceilings->tokens, tr);
    l->cancel = job->cancel;
    if (job->draw) {
        l->sink = job->sink;
        lsysDraw(l, tr);
        l->sink = NULL;
    }
    return l;
}
