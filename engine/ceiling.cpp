/* Hard ceilings on a drawing's limits, for a caller that must stay responsive whatever the
 * description asks (the window: a frozen editor could lose unsaved text). lsys does not apply
 * them: batch use keeps honouring the description's own poly_limit and token_limit.
 */
#include "lsys.h"

int lsysCeil(lsys_t *l, uint32_t maxPolygons, uint32_t maxTokens, trace_t tr) {
    if (!l) return 0;
    if (!tr) tr = nullTrace;
    const bool polygons = l->poly_limit > maxPolygons;
    const bool tokens = l->token_limit > maxTokens;
    if (polygons) l->poly_limit = maxPolygons;
    if (tokens) l->token_limit = maxTokens;
    /* Unsigned values: a limit of -1 in the text is stored as 4294967295. */
    if (polygons && tokens)
        tr(CODE_INFO, "lowering poly_limit to %u and token_limit to %u", maxPolygons, maxTokens);
    else if (polygons)
        tr(CODE_INFO, "lowering poly_limit to %u", maxPolygons);
    else if (tokens)
        tr(CODE_INFO, "lowering token_limit to %u", maxTokens);
    return polygons || tokens;
}
