/* A locale whose decimal mark is a comma, for checking that the engine's number reading and
 * formatting do not follow the process locale. */
#ifndef SPRIG_TESTS_COMMA_LOCALE_H
#define SPRIG_TESTS_COMMA_LOCALE_H

#include <locale.h>

/* A comma-decimal locale (owned by the caller: freelocale), or (locale_t)0 when the machine
 * has none (scripts/install-deps.sh generates de_DE.UTF-8). */
locale_t commaLocale(void);

/* Makes a comma-decimal locale current on this thread for the scope's lifetime. */
class CommaLocaleScope {
  public:
    CommaLocaleScope() : loc_(commaLocale()), old_(loc_ ? uselocale(loc_) : (locale_t)0) {}
    ~CommaLocaleScope() {
        if (loc_) {
            uselocale(old_);
            freelocale(loc_);
        }
    }
    bool active() const { return loc_ != (locale_t)0; }
    CommaLocaleScope(const CommaLocaleScope &) = delete;
    CommaLocaleScope &operator=(const CommaLocaleScope &) = delete;

  private:
    locale_t loc_;
    locale_t old_;
};

#endif
