// Turns SIGTERM and SIGHUP (a logout, `kill`) into a Qt signal on the main thread, so that the
// window asks about unsaved changes instead of the process ending with them. The handler only
// writes one byte to a pipe; a socket notifier reads it in the event loop.
#ifndef SPRIG_APP_SIGNALWATCHER_H
#define SPRIG_APP_SIGNALWATCHER_H

#include <QObject>

class QSocketNotifier;

class SignalWatcher : public QObject {
    Q_OBJECT
  public:
    // Installs the handlers; only one watcher may exist at a time.
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

  signals:
    void terminationRequested(int signal);

  private:
    QSocketNotifier *_notifier = nullptr;
};

#endif
