/* Builds a model from a description text for tests, the way the application does: lsysInit,
 * then lsysParse. Parser messages are discarded so that a test sees only its own. */
#ifndef SPRIG_TESTS_MODEL_FROM_H
#define SPRIG_TESTS_MODEL_FROM_H

#include <memory>

#include "lsys.h"

struct LsysDeleter {
    void operator()(lsys_t *l) const { lsysFree(l); }
};
using LsysPtr = std::unique_ptr<lsys_t, LsysDeleter>;

LsysPtr modelFrom(const char *text);

#endif
