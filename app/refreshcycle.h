// The refresh cycle: when the model is drawn again after an edit, the drawing on the engine
// thread, and which drawing reaches the screen.
//
// States, visible in the Refresh action and the refresh button:
//   clean       no refresh pending; Refresh disabled
//   automatic   a refresh is scheduled "delay" seconds after the last edit (spinner)
//   manual      "delay" is 10.9 or more: Refresh enabled, waiting for the user
// Every edit re-plans it; refresh() always ends clean.
//
// A refresh hands the description to the engine thread and returns at once. Whatever the state,
// a drawing may be running there: an edit or a new refresh cancels it at once, and only the
// result of the latest refresh is ever delivered, so a stale picture is never shown. While
// drawings have been running for more than 150 ms the cycle is busy (the spinner turns too).
#ifndef SPRIG_APP_REFRESHCYCLE_H
#define SPRIG_APP_REFRESHCYCLE_H

#include "enginejobs.h"

#include <QObject>
#include <QTimer>

class EngineWorker;
class Preferences;

class RefreshCycle : public QObject {
    Q_OBJECT
  public:
    enum class State { Clean, Automatic, Manual };

    // How long drawings may run before the cycle says it is busy.
    static const int kBusyAfterMs = 150;
    // Another time for that (tests make it 0, so that any running drawing shows).
    void setBusyAfter(int ms) { _busyTimer.setInterval(ms); }

    RefreshCycle(Preferences *prefs, EngineWorker *worker, QObject *parent = nullptr);
    // A drawing still running for this cycle is cancelled.
    ~RefreshCycle() override;

    State state() const { return _state; }
    // The refresh button: its spinner turns while automatic or busy; its image is hidden while
    // an automatic refresh is pending after an edit, shown otherwise.
    bool spinnerOn() const { return _state == State::Automatic || _busy; }
    bool imageShown() const { return _imageShown; }
    // A drawing handed to the engine thread has not come back yet.
    bool isRunning() const { return _inFlight > 0; }

  public slots:
    // The text-change step: cancels a running drawing, then to automatic (a refresh after
    // "delay") or manual.
    void textChanged();
    // To clean, and the description drawn on the engine thread; refreshed() delivers it.
    void refresh(const description_t &d);
    // A change of "delay": re-plans a pending refresh (nothing when clean).
    void delayChanged();

  signals:
    // The automatic delay has passed: the owner refreshes.
    void due();
    // State, spinner or image changed.
    void changed();
    // Drawings have run for more than kBusyAfterMs (true), or all have come back (false).
    void busyChanged(bool busy);
    // The latest refresh's drawing, to be shown.
    void refreshed(const refresh_result_t &result);

  private:
    void setState(State s, bool imageShown);
    void cancelRunning();
    void jobDone(const refresh_result_t &result, quint64 generation);

    Preferences *_prefs;
    EngineWorker *_worker;
    QTimer _delay;
    QTimer _busyTimer;
    State _state = State::Clean;
    bool _imageShown = true;
    bool _busy = false;
    int _inFlight = 0;
    quint64 _generation = 0; // of the latest refresh; an edit moves it on too
    std::shared_ptr<lsys_cancel_t> _cancel;
};

#endif
