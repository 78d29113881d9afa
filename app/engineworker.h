// The window's engine thread: the one thread on which the window process calls the engine.
//
// The engine keeps process-wide state: the message store (trace, traceCount), the picking state
// (gPick) and the C library's random generator (rand, seeded by every drawing). Every engine
// call of the window (refresh, pick, model export, the headless pictures of Export Image and
// Print) runs here, one job after the other, so that state is only ever touched by this thread.
// The GUI thread calls no engine function that uses it; it receives plain results (copies of
// the messages, the model, its vertex arrays) as queued calls.
#ifndef SPRIG_APP_ENGINEWORKER_H
#define SPRIG_APP_ENGINEWORKER_H

#include "lsys.h"

#include <QObject>
#include <QThread>

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class EngineWorker : public QObject {
    Q_OBJECT
  public:
    explicit EngineWorker(QObject *parent = nullptr);
    // Cancels every job, lets the running one end and waits for the thread. Results not yet
    // delivered are dropped.
    ~EngineWorker() override;

    // A cancel flag for one job; the destructor sets every flag still in use.
    std::shared_ptr<lsys_cancel_t> newCancel();

    // Runs work on the engine thread after every job given before it, then done with its
    // result on the thread of context (the GUI thread), unless context is gone by then.
    // context must outlive this worker or be destroyed on its own thread.
    template <typename R>
    void run(QObject *context, std::function<R()> work, std::function<void(R)> done) {
        post([context, work = std::move(work), done = std::move(done)] {
            auto result = std::make_shared<R>(work());
            QMetaObject::invokeMethod(
                context, [done, result] { done(std::move(*result)); }, Qt::QueuedConnection);
        });
    }

    // True when called on the engine thread.
    bool onEngineThread() const { return QThread::currentThread() == &_thread; }

  private:
    void post(std::function<void()> job);

    QThread _thread;
    QObject *_home; // lives on _thread; jobs are queued calls to it
    std::mutex _lock;
    std::vector<std::weak_ptr<lsys_cancel_t>> _cancels;
};

#endif
