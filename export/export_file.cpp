/* File helpers shared by the PLY, OBJ and STL writers (see export_file.h). */
#include "export_file.h"

#include <errno.h>
#include <string.h>

FILE *exportOpen(const std::string &path, std::string *err) {
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) *err = strerror(errno);
    return f;
}

bool exportClose(FILE *f, std::string *err) {
    bool bad = ferror(f) != 0;
    int saved = errno;
    if (fclose(f) != 0 && !bad) {
        saved = errno;
        bad = true;
    }
    if (bad) *err = std::string("write failed: ") + strerror(saved ? saved : EIO);
    return !bad;
}

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
