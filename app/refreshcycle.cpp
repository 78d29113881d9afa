// The refresh cycle's states, its timer and its drawings on the engine thread.
#include "refreshcycle.h"

#include "engineworker.h"
#include "preferences.h"

RefreshCycle::RefreshCycle(Preferences *prefs, EngineWorker *worker, QObject *parent)
    : QObject(parent), _prefs(prefs), _worker(worker) {
    _delay.setSingleShot(true);
    connect(&_delay, &QTimer::timeout, this, &RefreshCycle::due);
    _busyTimer.setSingleShot(true);
    _busyTimer.setInterval(kBusyAfterMs);
    connect(&_busyTimer, &QTimer::timeout, this, [this] {
        _busy = true;
        Q_EMIT busyChanged(true);
        Q_EMIT changed();
    });
}

RefreshCycle::~RefreshCycle() {
    if (_cancel) _cancel->store(1);
}

void RefreshCycle::setState(State s, bool imageShown) {
    if (_state == s && _imageShown == imageShown) return;
    _state = s;
    _imageShown = imageShown;
    Q_EMIT changed();
}

void RefreshCycle::cancelRunning() {
    if (_cancel) _cancel->store(1);
    _cancel.reset();
    ++_generation; // whatever is running now is stale
}

void RefreshCycle::textChanged() {
    cancelRunning();
    _delay.stop();
    if (_prefs->manualRefresh()) {
        setState(State::Manual, _imageShown);
    } else {
        _delay.start(int(qMin(_prefs->delay(), 1e6f) * 1000.0f));
        setState(State::Automatic, false);
    }
}

void RefreshCycle::delayChanged() {
    if (_state == State::Clean) return;
    _delay.stop();
    if (_prefs->manualRefresh()) {
        setState(State::Manual, true);
    } else {
        _delay.start(int(qMin(_prefs->delay(), 1e6f) * 1000.0f));
        setState(State::Automatic, _imageShown); // the button keeps its image
    }
}

void RefreshCycle::refresh(const description_t &d) {
    _delay.stop();
    // With a manual delay the image is already shown; it stays as it is.
    setState(State::Clean, _prefs->manualRefresh() ? _imageShown : true);
    cancelRunning();
    _cancel = _worker->newCancel();
    const quint64 generation = _generation;
    if (_inFlight++ == 0) _busyTimer.start();
    std::shared_ptr<lsys_cancel_t> cancel = _cancel;
    _worker->run<refresh_result_t>(
        this, [d, cancel] { return refreshJob(d, cancel.get()); },
        [this, generation](refresh_result_t r) { jobDone(r, generation); });
}

void RefreshCycle::jobDone(const refresh_result_t &result, quint64 generation) {
    if (--_inFlight == 0) {
        _busyTimer.stop();
        if (_busy) {
            _busy = false;
            Q_EMIT busyChanged(false);
            Q_EMIT changed();
        }
    }
    if (generation != _generation || result.cancelled) return;
    _cancel.reset();
    Q_EMIT refreshed(result);
}
