// Hostile description texts shared by the robustness and emission tests.
#ifndef SPRIG_TESTS_HOSTILE_H
#define SPRIG_TESTS_HOSTILE_H

#include <stdint.h>

#include <string>
#include <vector>

/* A runaway (tokens > 0) only ends at the token budget, whose message is then the last one. */
struct hostile_t {
    const char *name;
    std::string text;
    const char *expect; /* a message that must be among those reported, or nullptr */
    uint32_t tokens;    /* 0, or the token budget a runaway is drawn with */
};

std::vector<hostile_t> hostileInputs();

#endif
