// The Preferences dialog: live controls for anti-aliasing, floor and axes, the plain
// background and its colour, and the refresh delay. Every change is written at once through
// Preferences::setValue (whose changed(key) the window observes); the controls also follow
// changes made elsewhere. There is no OK/Cancel: the dialog only has Close.
#ifndef SPRIG_APP_PREFERENCESDIALOG_H
#define SPRIG_APP_PREFERENCESDIALOG_H

#include <QDialog>

class Preferences;
class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

class PreferencesDialog : public QDialog {
    Q_OBJECT
  public:
    // The delay slider counts tenths of a second from 0 to 11 s; positions of 10.9 s and up
    // mean manual refresh.
    static constexpr int kDelaySteps = 110;

    explicit PreferencesDialog(Preferences *prefs, QWidget *parent = nullptr);

    // The text shown beside the delay slider for `seconds` ("manual" at 10.9 and above).
    static QString delayText(float seconds);
    // The delay written for a slider position: tenths of a second, except that every
    // position that reads "manual" writes a whole 11 s, which no float rounding turns into an
    // automatic delay.
    static float delayForPosition(int tenths);

    QCheckBox *aaBox() const { return _aa; }
    QCheckBox *axisBox() const { return _axis; }
    QCheckBox *backgroundBox() const { return _background; }
    QPushButton *colorButton() const { return _color; }
    QSlider *delaySlider() const { return _delay; }
    QLabel *delayLabel() const { return _delayLabel; }

  public slots:
    // Opens a colour dialog on the stored background colour; a chosen colour is stored.
    void chooseColor();

  private:
    void sync(const QString &key);
    void showColor();

    Preferences *_prefs;
    QCheckBox *_aa;
    QCheckBox *_axis;
    QCheckBox *_background;
    QPushButton *_color;
    QSlider *_delay;
    QLabel *_delayLabel;
};

#endif
