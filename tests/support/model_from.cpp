/* Model construction for tests: see model_from.h. */
#include "model_from.h"

LsysPtr modelFrom(const char *text) {
    lsys_t *l = lsysInit();
    if (l) lsysParse(l, nullTrace, text);
    return LsysPtr(l);
}
