// The engine thread: the one thread on which the window process calls the engine.
//
// The engine keeps process-wide state: the message store (trace, traceCount), the picking state
// (gPick) and the C library's random generator (rand, seeded by every drawing). Every engine
// call of a window (refresh, pick, model export, the headless pictures of Export Image and
// Print) runs here, one job after the other, so that state is only ever touched by this thread;
// every window of the process shares it (shared()). The GUI thread calls no engine function
// that uses that state; it receives plain results (copies of the messages, the model, its
// vertex arrays) as queued calls.
#ifndef SPRIG_APP_ENGINEWORKER_H
#define SPRIG_APP_ENGINEWORKER_H

#include "lsys.h"

#include <QObject>
#include <QPointer>
#include <QThread>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class EngineWorker : public QObject {
    Q_OBJECT
  public:
    // The process's engine thread, made for the first window that asks and stopped when the
    // last one lets go. Call on the GUI thread.
    static std::shared_ptr<EngineWorker> shared();

    EngineWorker();
    // Cancels every job, lets the running one end and waits for the thread. Results not yet
    // delivered are dropped.
    ~EngineWorker() override;

    // A cancel flag for one job; the destructor sets every flag still in use.
    std::shared_ptr<lsys_cancel_t> newCancel();

    // Runs work on the engine thread after every job given before it, then done with its
    // result on the GUI thread, unless context (an object of the GUI thread) is gone by then.
    // Call on the GUI thread.
    template <typename R>
    void run(QObject *context, std::function<R()> work, std::function<void(R)> done) {
        QPointer<QObject> guard(context); // read on the GUI thread only
        post([this, guard, work = std::move(work), done = std::move(done)] {
            auto result = std::make_shared<R>(work());
            QMetaObject::invokeMethod(
                this,
                [guard, done, result] {
                    if (guard) done(std::move(*result));
                },
                Qt::QueuedConnection);
        });
    }

  private:
    void post(std::function<void()> job);

    QThread _thread;
    QObject *_home; // lives on _thread; jobs are queued calls to it
    std::mutex _lock;
    std::vector<std::weak_ptr<lsys_cancel_t>> _cancels;
};

#endif
