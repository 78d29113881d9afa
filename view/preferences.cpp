// QSettings-backed display preferences of the scene view.
#include "preferences.h"

#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sys/stat.h>

const char *const Preferences::kAA = "aa";
const char *const Preferences::kAxis = "axis";
const char *const Preferences::kBackground = "background";
const char *const Preferences::kBackgroundColor = "backgroundColor";
const char *const Preferences::kDelay = "delay";
const char *const Preferences::kFont = "FontUserDefault";
const char *const Preferences::kVersion = "version";

namespace {

// Every file QSettings("Sprig", "Sprig") may read: per application and per organisation, the
// user's and the system's (Qt's settings folder, and XDG_CONFIG_DIRS where Qt reads them).
QStringList nativeFiles() {
    QStringList dirs{QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation),
                     QLibraryInfo::path(QLibraryInfo::SettingsPath)};
    dirs += qEnvironmentVariable("XDG_CONFIG_DIRS").split(':', Qt::SkipEmptyParts);
    QStringList files;
    for (const QString &d : dirs)
        files << d + "/Sprig/Sprig.conf" << d + "/Sprig.conf";
    return files;
}

// Why `path` must not be read, or empty. A missing file is the first run; one that cannot be
// examined cannot be opened either, so QSettings fails on it without waiting.
QString fileProblem(const QString &path) {
    struct stat st;
    if (stat(QFile::encodeName(path).constData(), &st) != 0) return QString();
    const QString name = QDir::toNativeSeparators(path);
    if (!S_ISREG(st.st_mode)) return QStringLiteral("%1 is not a regular file").arg(name);
    if (st.st_size > Preferences::kMaxFileBytes)
        return QStringLiteral("%1 is larger than 1 MiB").arg(name);
    return QString();
}

} // namespace

Preferences::Preferences(QObject *parent) : QObject(parent) {
    openChecked(nativeFiles(), [] { return new QSettings("Sprig", "Sprig"); });
}

Preferences::Preferences(const QString &path, QObject *parent) : QObject(parent) {
    openChecked({path}, [path] { return new QSettings(path, QSettings::IniFormat); });
}

Preferences::~Preferences() = default;

void Preferences::openChecked(const QStringList &files, const std::function<QSettings *()> &open) {
    for (const QString &f : files) {
        const QString why = fileProblem(f);
        if (why.isEmpty()) continue;
        _problem = QStringLiteral("The preferences were not read: %1. Sprig starts with the "
                                  "default preferences and leaves the file as it is.")
                       .arg(why);
        break;
    }
    if (_problem.isEmpty()) {
        _settings.reset(open());
        return;
    }
    // Changes made in this session go to a scratch file that disappears at the end.
    // Without a scratch folder they stay in memory only.
    _scratch = std::make_unique<QTemporaryDir>();
    const QString scratch = _scratch->isValid() ? _scratch->filePath("Sprig.conf") : QString();
    _settings = std::make_unique<QSettings>(scratch, QSettings::IniFormat);
}

bool Preferences::boolValue(const char *key, bool fallback) const {
    const QVariant v = _settings->value(key);
    // INI files hand booleans back as the strings "true"/"false"; anything else that does not
    // read as a boolean keeps the first-run value.
    if (!v.isValid()) return fallback;
    if (v.typeId() == QMetaType::Bool) return v.toBool();
    const QString s = v.toString().trimmed().toLower();
    if (s == "true" || s == "1" || s == "yes") return true;
    if (s == "false" || s == "0" || s == "no") return false;
    return fallback;
}

bool Preferences::aa() const {
    return boolValue(kAA, false);
}
bool Preferences::axis() const {
    return boolValue(kAxis, true);
}
bool Preferences::background() const {
    return boolValue(kBackground, false);
}

QColor Preferences::backgroundColor() const {
    const QVariant v = _settings->value(kBackgroundColor);
    QColor c;
    if (v.typeId() == QMetaType::QColor)
        c = v.value<QColor>();
    else if (v.canConvert<QString>())
        c = QColor::fromString(v.toString());
    return c.isValid() ? c : defaultBackgroundColor();
}

float Preferences::delay() const {
    bool ok = false;
    const float d = _settings->value(kDelay).toFloat(&ok);
    if (!ok || !(d >= 0.0f)) return 2.0f;
    return d;
}

QVariant Preferences::value(const QString &key, const QVariant &fallback) const {
    return _settings->value(key, fallback);
}

void Preferences::setValue(const QString &key, const QVariant &value) {
    const QVariant old = _settings->value(key);
    if (old.isValid() && old == value) return;
    _settings->setValue(key, value);
    Q_EMIT changed(key);
}

void Preferences::writeDefaults() {
    setValue(kAA, false);
    setValue(kAxis, true);
    setValue(kBackground, false);
    setValue(kBackgroundColor, defaultBackgroundColor());
    setValue(kDelay, 2.0f);
}
