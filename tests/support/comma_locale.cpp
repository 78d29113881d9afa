/* Finds a locale whose decimal mark is a comma. */
#include "comma_locale.h"

#include <string.h>

locale_t commaLocale(void) {
    static const char *const names[] = {"de_DE.UTF-8", "de_DE.utf8",  "fr_FR.UTF-8", "fr_FR.utf8",
                                        "nl_NL.UTF-8", "it_IT.UTF-8", "es_ES.UTF-8", "ru_RU.UTF-8",
                                        "de_DE",       "fr_FR"};
    for (const char *name : names) {
        locale_t loc = newlocale(LC_ALL_MASK, name, (locale_t)0);
        if (!loc) continue;
        locale_t old = uselocale(loc);
        bool comma = strcmp(localeconv()->decimal_point, ",") == 0;
        uselocale(old);
        if (comma) return loc;
        freelocale(loc);
    }
    return (locale_t)0;
}
