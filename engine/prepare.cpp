/* The step that every drawing of a description starts with, in the window and in lsys alike, so
 * that both can never draw differently: a new model, the text parsed into it, the random
 * generator seeded with 0 (the same text always draws the same random variations) and the
 * recursion depth multiplied by the growth factor.
 */
#include "lsys.h"

#include <stdlib.h>

lsys_t *lsysPrepare(const char *text, float growth, trace_t tr) {
    lsys_t *l = lsysInit();
    if (!l) return NULL;
    lsysParse(l, tr, text ? text : "");
    srand(0);
    l->recursion *= growth;
    return l;
}
