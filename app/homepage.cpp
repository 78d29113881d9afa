// Donate address resolution.
#include "homepage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

QString resolveHomepage(const QString &configured, const QString &appDir,
                        const QString &relativePath, const QString &sourceReadme) {
    const QUrl url(configured);
    if (!configured.isEmpty() && (!url.isLocalFile() || QFileInfo::exists(url.toLocalFile())))
        return configured;
    const QString local = QDir::cleanPath(appDir + QStringLiteral("/../") + relativePath);
    if (!appDir.isEmpty() && !relativePath.isEmpty() && QFileInfo::exists(local))
        return QUrl::fromLocalFile(local).toString();
    if (!sourceReadme.isEmpty() && QFileInfo::exists(sourceReadme))
        return QUrl::fromLocalFile(sourceReadme).toString();
    return configured.isEmpty() ? QUrl::fromLocalFile(sourceReadme).toString() : configured;
}

QString sprigHomepage() {
    return resolveHomepage(QStringLiteral(SPRIG_HOMEPAGE), QCoreApplication::applicationDirPath(),
                           QStringLiteral(SPRIG_HOMEPAGE_RELATIVE),
                           QStringLiteral(SPRIG_SOURCE_README));
}
