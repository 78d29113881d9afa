/* Number reading and message formatting in the "C" locale.
 *
 * A desktop program runs under the user's locale; under one whose decimal mark is a comma the
 * C library would read "1.5" as 1 and print 1.5 as "1,5". Descriptions and messages must not
 * depend on that, so every conversion the engine makes switches this thread to the "C" locale
 * for the duration of the call (uselocale is per thread and cheap).
 */
#include "lsys.h"

#include <locale.h>
#include <stdio.h>

static locale_t cLocale(void) {
    static locale_t c = newlocale(LC_ALL_MASK, "C", (locale_t)0);
    return c;
}

int lsysFormat(char *buf, size_t size, const char *fmt, va_list ap) {
    locale_t c = cLocale();
    locale_t old = c ? uselocale(c) : (locale_t)0;
    int n = vsnprintf(buf, size, fmt, ap);
    if (c) uselocale(old);
    return n;
}

int lsysFormatf(char *buf, size_t size, const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    int n = lsysFormat(buf, size, fmt, ap);
    va_end(ap);
    return n;
}

int lsysScan(const char *text, const char *fmt, ...) {
    locale_t c = cLocale();
    locale_t old = c ? uselocale(c) : (locale_t)0;
    va_list ap;
    va_start(ap, fmt);
    int n = vsscanf(text, fmt, ap);
    va_end(ap);
    if (c) uselocale(old);
    return n;
}
