// The engine thread and its queue of jobs.
#include "engineworker.h"

std::shared_ptr<EngineWorker> EngineWorker::shared() {
    static std::weak_ptr<EngineWorker> gWorker;
    std::shared_ptr<EngineWorker> w = gWorker.lock();
    if (!w) {
        w = std::make_shared<EngineWorker>();
        gWorker = w;
    }
    return w;
}

EngineWorker::EngineWorker() : _home(new QObject) {
    _thread.setObjectName(QStringLiteral("engine"));
    _home->moveToThread(&_thread);
    connect(&_thread, &QThread::finished, _home, &QObject::deleteLater);
    _thread.start();
}

EngineWorker::~EngineWorker() {
    {
        std::lock_guard<std::mutex> hold(_lock);
        for (const std::weak_ptr<lsys_cancel_t> &w : _cancels)
            if (auto flag = w.lock()) flag->store(1);
    }
    // Jobs still queued run with their flags set, which ends each at once.
    _thread.quit();
    _thread.wait();
}

std::shared_ptr<lsys_cancel_t> EngineWorker::newCancel() {
    auto flag = std::make_shared<lsys_cancel_t>(0);
    std::lock_guard<std::mutex> hold(_lock);
    // Forget the flags of finished jobs, so the list stays as short as the queue.
    std::vector<std::weak_ptr<lsys_cancel_t>> alive;
    for (const std::weak_ptr<lsys_cancel_t> &w : _cancels)
        if (!w.expired()) alive.push_back(w);
    alive.push_back(flag);
    _cancels.swap(alive);
    return flag;
}

void EngineWorker::post(std::function<void()> job) {
    QMetaObject::invokeMethod(_home, std::move(job), Qt::QueuedConnection);
}
