// QSettings-backed display preferences of the scene view.
#include "preferences.h"

#include <QSettings>

const char *const Preferences::kAA = "aa";
const char *const Preferences::kAxis = "axis";
const char *const Preferences::kBackground = "background";
const char *const Preferences::kBackgroundColor = "backgroundColor";
const char *const Preferences::kDelay = "delay";
const char *const Preferences::kFont = "FontUserDefault";
const char *const Preferences::kVersion = "version";

Preferences::Preferences(QObject *parent)
    : QObject(parent), _settings(std::make_unique<QSettings>("Sprig", "Sprig")) {}

Preferences::Preferences(const QString &path, QObject *parent)
    : QObject(parent), _settings(std::make_unique<QSettings>(path, QSettings::IniFormat)) {}

Preferences::~Preferences() = default;

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

QColor Preferences::clearColor() const {
    if (!background()) return defaultBackgroundColor();
    return backgroundColor();
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
