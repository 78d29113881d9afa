// Hostile description texts (huge or non-finite numbers, deep nesting, very long lines, every
// byte value, runaway expansions, message floods) shared by the robustness and emission tests.
#ifndef SPRIG_TESTS_HOSTILE_H
#define SPRIG_TESTS_HOSTILE_H

#include <stdint.h>

#include <string>
#include <vector>

/* A runaway expansion (tokens > 0) is one in which each token is dropped, merged into the one
 * command under construction, or a bracket that fails once per token (a message flood): only
 * the raw-token budget ends it, and the brackets still open at the cut are not reported, so the
 * budget's message is the last one before the statistics. A flood is drawn with a small budget,
 * since the test collector keeps every message. */
struct hostile_t {
    const char *name;
    std::string text;
    const char *expect; /* a message that must be among those reported, or nullptr */
    uint32_t tokens;    /* 0, or the token budget a runaway is drawn with */
};

std::vector<hostile_t> hostileInputs();

#endif
