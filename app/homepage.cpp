// Donate address resolution.
#include "homepage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

QString resolveHomepage(const QString &configured, const QString &appDir,
                        const QString &relativePath) {
    const QUrl url(configured);
    if (!url.isLocalFile() || QFileInfo::exists(url.toLocalFile())) return configured;
    const QString local = QDir::cleanPath(appDir + QStringLiteral("/../") + relativePath);
    if (appDir.isEmpty() || relativePath.isEmpty() || !QFileInfo::exists(local)) return configured;
    return QUrl::fromLocalFile(local).toString();
}

QString sprigHomepage() {
    return resolveHomepage(QStringLiteral(SPRIG_HOMEPAGE), QCoreApplication::applicationDirPath(),
                           QStringLiteral(SPRIG_HOMEPAGE_RELATIVE));
}
