/* Writing JSON values: strings from the engine's ISO Latin 1 texts or from file names, and
 * numbers that do not depend on the process locale. */
#ifndef SPRIG_CLI_JSON_H
#define SPRIG_CLI_JSON_H

#include <string>

/* A quoted JSON string of Latin-1 bytes: every byte of 128 or more becomes the \u00XX escape
 * of its Latin-1 character; control characters, quote and backslash are escaped. */
std::string jsonLatin1(const std::string &bytes);

/* The same for a file name: passed through as UTF-8 when it is valid UTF-8 (as Linux file
 * names usually are), read as Latin-1 otherwise, so the result is always valid JSON. */
std::string jsonFileName(const std::string &bytes);

/* A number in the "C" locale with enough digits to read back the same float; null when it is
 * not finite (JSON has no infinity or NaN). */
std::string jsonNumber(double v);

#endif
