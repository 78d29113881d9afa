/* JSON string and number formatting (see json.h). */
#include "json.h"

#include <math.h>
#include <stdio.h>

#include "lsys.h"

static void escapeByte(std::string &out, unsigned char c) {
    char buf[8];
    switch (c) {
    case '"':
        out += "\\\"";
        return;
    case '\\':
        out += "\\\\";
        return;
    case '\n':
        out += "\\n";
        return;
    case '\r':
        out += "\\r";
        return;
    case '\t':
        out += "\\t";
        return;
    default:
        if (c < 0x20 || c >= 0x7f) {
            snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += (char)c;
        }
    }
}

std::string jsonLatin1(const std::string &bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes)
        escapeByte(out, c);
    return out + "\"";
}

/* Length of the valid UTF-8 sequence at s[i], 0 when there is none. */
static size_t utf8Length(const std::string &s, size_t i) {
    unsigned char c = (unsigned char)s[i];
    size_t n;
    uint32_t cp;
    if (c >= 0xc2 && c <= 0xdf)
        n = 2, cp = c & 0x1f;
    else if (c >= 0xe0 && c <= 0xef)
        n = 3, cp = c & 0x0f;
    else if (c >= 0xf0 && c <= 0xf4)
        n = 4, cp = c & 0x07;
    else
        return 0;
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; k++) {
        unsigned char d = (unsigned char)s[i + k];
        if ((d & 0xc0) != 0x80) return 0;
        cp = (cp << 6) | (d & 0x3f);
    }
    /* Overlong forms, surrogates and values past U+10FFFF are not valid. */
    if ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) || cp > 0x10ffff ||
        (cp >= 0xd800 && cp <= 0xdfff))
        return 0;
    return n;
}

std::string jsonFileName(const std::string &bytes) {
    for (size_t i = 0; i < bytes.size();) {
        if ((unsigned char)bytes[i] < 0x80) {
            i++;
            continue;
        }
        size_t n = utf8Length(bytes, i);
        if (!n) return jsonLatin1(bytes);
        i += n;
    }
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c >= 0x80)
            out += (char)c; /* part of a valid UTF-8 sequence */
        else
            escapeByte(out, c);
    }
    return out + "\"";
}

std::string jsonNumber(double v) {
    if (!isfinite(v)) return "null";
    char buf[32];
    lsysFormatf(buf, sizeof buf, "%.9g", v);
    return buf;
}
