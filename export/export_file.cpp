/* File helpers shared by the writers (see export_file.h). */
#include "export_file.h"

#include <string.h>

void putU16(FILE *f, uint16_t v) {
    unsigned char b[2] = {(unsigned char)v, (unsigned char)(v >> 8)};
    fwrite(b, 1, 2, f);
}

void putU32(FILE *f, uint32_t v) {
    unsigned char b[4] = {(unsigned char)v, (unsigned char)(v >> 8), (unsigned char)(v >> 16),
                          (unsigned char)(v >> 24)};
    fwrite(b, 1, 4, f);
}

void putF32(FILE *f, float v) {
    uint32_t u;
    memcpy(&u, &v, 4);
    putU32(f, u);
}
