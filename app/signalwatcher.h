// The window's answer to Unix signals, so that none of them costs unsaved text unasked:
//
//   SIGTERM, SIGHUP, SIGINT   become terminationRequested on the main thread, where the window
//                             asks about unsaved changes as Quit does (a logout, `kill`, Ctrl+C
//                             in the terminal). One that was ignored when the program started
//                             (as under `nohup`) stays ignored.
//   SIGPIPE, SIGXFSZ          are ignored: a write into a FIFO whose reader went away, or past
//                             the file-size limit, fails with EPIPE or EFBIG and the save
//                             reports it, instead of the process ending.
//   SIGQUIT                   keeps its meaning (end now, with a core dump) and loses unsaved
//                             text; the named temporaries of an unfinished save are removed
//                             first.
//
// The handlers only write one byte to a socket pair (or remove files and re-raise); a socket
// notifier reads the byte in the event loop.
#ifndef SPRIG_APP_SIGNALWATCHER_H
#define SPRIG_APP_SIGNALWATCHER_H

#include <QObject>

class QSocketNotifier;

class SignalWatcher : public QObject {
    Q_OBJECT
  public:
    // Installs the handlers; only one watcher may exist at a time. The destructor puts back
    // what was there before.
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

  signals:
    void terminationRequested(int signal);

  private:
    QSocketNotifier *_notifier = nullptr;
};

#endif
