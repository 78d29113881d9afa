/* Small helpers for the exporters that write their own files: opening and closing with the
 * reason of a failure, and little-endian binary values whatever the host's byte order. */
#ifndef SPRIG_EXPORT_EXPORT_FILE_H
#define SPRIG_EXPORT_EXPORT_FILE_H

#include <stdint.h>
#include <stdio.h>

#include <string>

/* NULL with *err set when the file cannot be created. */
FILE *exportOpen(const std::string &path, std::string *err);
/* Closes f; false with *err set when any earlier write or the close itself failed (a full
 * disk often shows only here). */
bool exportClose(FILE *f, std::string *err);

void putU16(FILE *f, uint16_t v);
void putU32(FILE *f, uint32_t v);
void putF32(FILE *f, float v);

#endif
