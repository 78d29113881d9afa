/* The step every lsys command shares, done exactly as the editor's refresh does it: read the
 * description as bytes, parse it, seed the random generator with 0, multiply the recursion by
 * the growth factor, and (for drawing commands) draw. Messages are collected in full. */
#ifndef SPRIG_CLI_DESCRIBE_H
#define SPRIG_CLI_DESCRIBE_H

#include <stdint.h>

#include <string>
#include <vector>

#include "lsys.h"

/* Largest description read; anything longer is refused rather than held in memory. */
enum { DESCRIBE_MAX_BYTES = 64 << 20 };

struct cli_msg_t {
    int32_t code;
    std::string text; /* ISO Latin 1 bytes, cut to 254 like the editor's messages */
};

/* Every message since the last cliMessagesClear, in order of arrival. */
std::vector<cli_msg_t> &cliMessages();
void cliMessagesClear();
/* A trace_t that keeps every message (the editor's store keeps only twelve). */
int cliTrace(int32_t code, const char *fmt, ...);

/* Reads the file's bytes up to its first NUL byte (which ends the text for the engine as it
 * would in the editor). False with the system's reason in *err when it cannot be read. */
bool describeRead(const std::string &path, std::string *text, std::string *err);

/* lsysInit, lsysParse, srand(0), recursion *= growth. Messages go to cliTrace. The caller
 * frees the model with lsysFree. */
lsys_t *describeParse(const std::string &text, float growth);

/* describeParse, then lsysDraw into emit (which may be NULL to discard the triangles). */
lsys_t *describeDraw(const std::string &text, float growth, const emit_t *emit);

#endif
