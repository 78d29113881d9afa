/* Little-endian binary values for the exporters, whatever the host's byte order. Write errors
 * are not checked here: the stream remembers the first, and committing the file reports it. */
#ifndef SPRIG_EXPORT_EXPORT_FILE_H
#define SPRIG_EXPORT_EXPORT_FILE_H

#include <stdint.h>
#include <stdio.h>

void putU16(FILE *f, uint16_t v);
void putU32(FILE *f, uint32_t v);
void putF32(FILE *f, float v);

#endif
