// The user's preferences, stored with QSettings under the organisation and application "Sprig":
// the display keys "aa", "axis", "background", "backgroundColor" (the scene view reads them on
// every frame), the refresh "delay", the editor's font "FontUserDefault" and the last "version"
// that ran. Every change through setValue() emits changed(key), so the window reacts to "aa"
// (new GL context), "delay" (re-plans a pending refresh) and repaints for the others.
//
// A settings file that is not a regular file (a FIFO would block start-up for ever) or is
// larger than kMaxFileBytes is not read: the preferences then start from their defaults and
// live in a scratch file for the session, so the user's file is left exactly as it was, and
// problem() says so.
#ifndef SPRIG_VIEW_PREFERENCES_H
#define SPRIG_VIEW_PREFERENCES_H

#include <QColor>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

class QSettings;
class QTemporaryDir;

class Preferences : public QObject {
    Q_OBJECT
  public:
    // Key names, used exactly as stored.
    static const char *const kAA;
    static const char *const kAxis;
    static const char *const kBackground;
    static const char *const kBackgroundColor;
    static const char *const kDelay;
    static const char *const kFont;
    static const char *const kVersion;

    // A "delay" of this many seconds or more means: refresh only on request. The stored float
    // is widened to double before the comparison, so a stored 10.9 counts as automatic.
    static constexpr double kManualDelay = 10.9;

    // The largest settings file read: the few keys take a few kilobytes.
    static constexpr qint64 kMaxFileBytes = 1 << 20;

    // Uses the per-user settings of organisation "Sprig", application "Sprig".
    explicit Preferences(QObject *parent = nullptr);
    // Uses the settings file at `path` (INI format); for tests and tools.
    explicit Preferences(const QString &path, QObject *parent = nullptr);
    ~Preferences() override;

    // Why the stored preferences were not read, as a sentence for the user; empty when they
    // were (or there were none yet).
    QString problem() const { return _problem; }

    // Each getter falls back to the value a first run writes when the key is missing or holds
    // something of the wrong type.
    bool aa() const;
    bool axis() const;
    bool background() const;
    QColor backgroundColor() const;
    // Seconds of quiet after an edit before the automatic refresh (a 32-bit float, like the
    // stored value); 2 when missing or unreadable, never negative or NaN.
    float delay() const;
    // True when delay() is 10.9 or more (manual refresh).
    bool manualRefresh() const { return double(delay()) >= kManualDelay; }

    void setAA(bool on) { setValue(kAA, on); }
    void setAxis(bool on) { setValue(kAxis, on); }
    void setBackground(bool on) { setValue(kBackground, on); }
    void setBackgroundColor(const QColor &c) { setValue(kBackgroundColor, c); }
    void setDelay(float seconds) { setValue(kDelay, seconds); }

    // Stores the value and emits changed(key) when it differs from what was stored.
    void setValue(const QString &key, const QVariant &value);
    QVariant value(const QString &key, const QVariant &fallback = QVariant()) const;
    // Writes the first-run values of the display keys and "delay".
    void writeDefaults();

    QSettings &settings() { return *_settings; }

    static QColor defaultBackgroundColor() { return QColor::fromRgbF(0.9f, 0.9f, 0.9f, 1.0f); }

  signals:
    void changed(const QString &key);

  private:
    bool boolValue(const char *key, bool fallback) const;
    // Opens `files`' settings through `open` unless one of them must not be read.
    void openChecked(const QStringList &files, const std::function<QSettings *()> &open);

    std::unique_ptr<QTemporaryDir> _scratch; // holds the session's settings when refused
    std::unique_ptr<QSettings> _settings;
    QString _problem;
};

#endif
