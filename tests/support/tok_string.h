/* Token strings as readable text for test comparisons: each command as its character, each
 * parameter token as "(x)" with x printed by "%g". */
#ifndef SPRIG_TESTS_TOK_STRING_H
#define SPRIG_TESTS_TOK_STRING_H

#include <string>

#include "lsys.h"

std::string tokString(const tok_t *t);

#endif
