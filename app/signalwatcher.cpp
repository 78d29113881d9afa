// Self-pipe delivery of termination signals to the event loop.
#include "signalwatcher.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

static int gPipe[2] = {-1, -1};

static void onSignal(int sig) {
    const unsigned char b = (unsigned char)sig;
    // Nothing else is async-signal-safe enough here; a full pipe drops the repeat.
    if (write(gPipe[1], &b, 1) < 0) return;
}

SignalWatcher::SignalWatcher(QObject *parent) : QObject(parent) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gPipe) != 0) return;
    fcntl(gPipe[1], F_SETFL, O_NONBLOCK);
    _notifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
    connect(_notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char b = 0;
        if (read(gPipe[0], &b, 1) == 1) Q_EMIT terminationRequested(b);
    });
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
}

SignalWatcher::~SignalWatcher() {
    signal(SIGTERM, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    delete _notifier;
    _notifier = nullptr;
    for (int &fd : gPipe) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
}
