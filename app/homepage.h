// The address the Donate command shows and opens: the project's web page when one is set at
// configure time (SPRIG_HOMEPAGE). Without one it is the README installed beside the running
// program (share/doc/sprig under its prefix, wherever that is: /usr for the .deb, /usr/local or
// PREFIX for `make install`), or the source tree's README when the program runs from its build
// folder.
#ifndef SPRIG_APP_HOMEPAGE_H
#define SPRIG_APP_HOMEPAGE_H

#include <QString>

QString sprigHomepage();

// The rule behind sprigHomepage(): `configured` when it is set and is not a file:// URL of a
// missing file; else the first that exists of `relativePath` under `appDir`/.. and
// `sourceReadme`; else `configured` (or, unset, the source README's URL).
QString resolveHomepage(const QString &configured, const QString &appDir,
                        const QString &relativePath, const QString &sourceReadme = QString());

#endif
