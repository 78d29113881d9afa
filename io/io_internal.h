/* What the io files share and callers do not see: following links under the kernel's rule,
 * and the list of named temporaries that the signal handler removes. */
#ifndef SPRIG_IO_IO_INTERNAL_H
#define SPRIG_IO_IO_INTERNAL_H

#include <sys/stat.h>

#include <string>

#include "io.h"

/* Where path leads through any symlinks, even when the last one dangles; *wasLink says whether
 * path itself was a link. A link in a sticky, world-writable folder that belongs to neither the
 * user nor the folder's owner is refused, as the kernel's protected_symlinks rule does. */
bool ioResolve(const std::string &path, std::string *target, bool *wasLink, std::string *err);

/* The kind of file st describes. */
io_kind_t ioKindOf(const struct stat &st);

/* Fills id's fields from st (not symlink and target). */
void ioIdentityFrom(const struct stat &st, io_identity_t *id);

std::string ioDirOf(const std::string &path);
std::string ioBaseOf(const std::string &path);

/* Registers name as a temporary on disk; returns its slot, or -1 when it cannot be registered
 * (all slots taken, name too long: it is then simply not removed on a signal). The first call
 * installs the signal handler. */
int ioClaimTemporary(const std::string &name);
/* Forgets the slot's temporary (put in place or removed) and sets *slot to -1. */
void ioReleaseTemporary(int *slot);

#endif
