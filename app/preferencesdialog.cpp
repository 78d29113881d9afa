// Preferences dialog wired straight to the settings.
#include "preferencesdialog.h"

#include "preferences.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

PreferencesDialog::PreferencesDialog(Preferences *prefs, QWidget *parent)
    : QDialog(parent), _prefs(prefs) {
    setWindowTitle(tr("Preferences"));
    setWindowModality(Qt::WindowModal);

    _aa = new QCheckBox(tr("Smooth edges (anti-aliasing)"));
    _axis = new QCheckBox(tr("Show the floor and the axes"));
    _background = new QCheckBox(tr("Plain background:"));
    _color = new QPushButton;
    _color->setToolTip(tr("Background colour"));
    _color->setFixedSize(48, 24);
    _delay = new QSlider(Qt::Horizontal);
    _delay->setRange(0, kDelaySteps);
    _delay->setPageStep(10);
    _delay->setTickInterval(10);
    _delay->setTickPosition(QSlider::TicksBelow);
    _delayLabel = new QLabel;
    _delayLabel->setMinimumWidth(_delayLabel->fontMetrics().horizontalAdvance("10.0 s manual"));

    auto *bg = new QHBoxLayout;
    bg->addWidget(_background);
    bg->addWidget(_color);
    bg->addStretch();
    auto *delay = new QHBoxLayout;
    delay->addWidget(_delay, 1);
    delay->addWidget(_delayLabel);

    auto *form = new QFormLayout;
    form->addRow(tr("View:"), _aa);
    form->addRow(QString(), _axis);
    form->addRow(QString(), bg);
    form->addRow(tr("Refresh after:"), delay);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *top = new QVBoxLayout(this);
    top->addLayout(form);
    top->addWidget(buttons);

    connect(_aa, &QCheckBox::toggled, this, [this](bool on) { _prefs->setAA(on); });
    connect(_axis, &QCheckBox::toggled, this, [this](bool on) { _prefs->setAxis(on); });
    connect(_background, &QCheckBox::toggled, this, [this](bool on) { _prefs->setBackground(on); });
    connect(_color, &QPushButton::clicked, this, &PreferencesDialog::chooseColor);
    connect(_delay, &QSlider::valueChanged, this,
            [this](int tenths) { _prefs->setDelay(delayForPosition(tenths)); });
    connect(_prefs, &Preferences::changed, this, &PreferencesDialog::sync);

    for (const char *key : {Preferences::kAA, Preferences::kAxis, Preferences::kBackground,
                            Preferences::kBackgroundColor, Preferences::kDelay})
        sync(QString::fromLatin1(key));
}

QString PreferencesDialog::delayText(float seconds) {
    if (double(seconds) >= Preferences::kManualDelay) return tr("manual");
    return tr("%1 s").arg(double(seconds), 0, 'f', 1);
}

float PreferencesDialog::delayForPosition(int tenths) {
    if (tenths >= int(std::lround(Preferences::kManualDelay * 10))) return 11.0f;
    return float(std::max(tenths, 0)) / 10.0f;
}

void PreferencesDialog::chooseColor() {
    const QColor c =
        QColorDialog::getColor(_prefs->backgroundColor(), this, tr("Background Colour"));
    if (c.isValid()) _prefs->setBackgroundColor(c);
}

void PreferencesDialog::showColor() {
    const QColor c = _prefs->backgroundColor();
    _color->setStyleSheet(
        QStringLiteral("background-color: %1; border: 1px solid palette(mid);").arg(c.name()));
}

void PreferencesDialog::sync(const QString &key) {
    if (key == QLatin1String(Preferences::kAA)) {
        const QSignalBlocker b(_aa);
        _aa->setChecked(_prefs->aa());
    } else if (key == QLatin1String(Preferences::kAxis)) {
        const QSignalBlocker b(_axis);
        _axis->setChecked(_prefs->axis());
    } else if (key == QLatin1String(Preferences::kBackground)) {
        const QSignalBlocker b(_background);
        _background->setChecked(_prefs->background());
        _color->setEnabled(_prefs->background());
    } else if (key == QLatin1String(Preferences::kBackgroundColor)) {
        showColor();
    } else if (key == QLatin1String(Preferences::kDelay)) {
        const float d = _prefs->delay();
        // A manual delay written from the slider keeps the position the user chose.
        const bool keep = _prefs->manualRefresh() && delayForPosition(_delay->value()) == 11.0f;
        if (!keep) {
            const QSignalBlocker b(_delay);
            _delay->setValue(std::min(int(std::lround(double(d) * 10)), kDelaySteps));
        }
        _delayLabel->setText(delayText(d));
    }
}
