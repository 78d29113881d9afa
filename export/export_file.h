/* Small helpers for the exporters: checking a finished file's writes, and little-endian binary
 * values whatever the host's byte order. */
#ifndef SPRIG_EXPORT_EXPORT_FILE_H
#define SPRIG_EXPORT_EXPORT_FILE_H

#include <stdint.h>
#include <stdio.h>

#include <string>

/* Flushes f; false with *err set when any earlier write or the flush failed (a full disk often
 * shows only here). The file stays open: its owner closes it. */
bool exportFlush(FILE *f, std::string *err);

void putU16(FILE *f, uint16_t v);
void putU32(FILE *f, uint32_t v);
void putF32(FILE *f, float v);

#endif
