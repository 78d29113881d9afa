// The address the Donate command shows and opens: the project's web page, set when the build
// is configured (SPRIG_HOMEPAGE). By default it is the installed documentation.
#ifndef SPRIG_APP_HOMEPAGE_H
#define SPRIG_APP_HOMEPAGE_H

#include <QString>

// The configured address; a file:// address that does not exist (the program was installed
// under another prefix, e.g. from the .deb or with `make install PREFIX=...`) is looked up
// again relative to the running program before it is given up.
QString sprigHomepage();

// The rule behind sprigHomepage(): `configured` as is unless it is a file:// URL of a missing
// file and `relativePath` (under `appDir`/..) exists, in which case the latter's URL.
QString resolveHomepage(const QString &configured, const QString &appDir,
                        const QString &relativePath);

#endif
