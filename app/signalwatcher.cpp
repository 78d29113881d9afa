// Self-pipe delivery of termination signals to the event loop, and the signals the window
// ignores or ends on.
#include "signalwatcher.h"

#include "io.h"

#include <QSocketNotifier>

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int gPipe[2] = {-1, -1};

// What each handled signal does; the previous actions are put back by the destructor.
enum Kind { Ask, Ignore, Fatal };
struct Handled {
    int sig;
    Kind kind;
};
const Handled kHandled[] = {{SIGTERM, Ask},    {SIGHUP, Ask},     {SIGINT, Ask},
                            {SIGPIPE, Ignore}, {SIGXFSZ, Ignore}, {SIGQUIT, Fatal}};
const int kCount = int(sizeof kHandled / sizeof kHandled[0]);
struct sigaction gPrevious[kCount];
bool gInstalled[kCount];

void onAsk(int sig) {
    const int saved = errno;
    const unsigned char b = (unsigned char)sig;
    if (write(gPipe[1], &b, 1) < 0) {
        // A full pipe drops the repeat: the window is asking already.
    }
    errno = saved;
}

void onFatal(int sig) {
    // An unfinished save leaves no named temporary behind (io only cleans up on signals left
    // at their default action). Only async-signal-safe calls here.
    ioRemoveTemporaries();
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    sigaction(sig, &dfl, nullptr);
    raise(sig); // delivered with its default action once this handler returns
}

} // namespace

SignalWatcher::SignalWatcher(QObject *parent) : QObject(parent) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gPipe) != 0) {
        gPipe[0] = gPipe[1] = -1;
    } else {
        _notifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
        connect(_notifier, &QSocketNotifier::activated, this, [this] {
            unsigned char b = 0;
            while (read(gPipe[0], &b, 1) == 1)
                Q_EMIT terminationRequested(b);
        });
    }
    for (int i = 0; i < kCount; ++i) {
        const Handled &h = kHandled[i];
        struct sigaction sa = {};
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        sa.sa_handler = h.kind == Ask ? onAsk : h.kind == Fatal ? onFatal : SIG_IGN;
        // Without the pipe a request could not reach the window: leave the default then.
        if (h.kind == Ask && !_notifier) continue;
        if (sigaction(h.sig, nullptr, &gPrevious[i]) != 0) continue;
        const bool ignored =
            !(gPrevious[i].sa_flags & SA_SIGINFO) && gPrevious[i].sa_handler == SIG_IGN;
        if (ignored && h.kind != Ignore) continue;
        gInstalled[i] = sigaction(h.sig, &sa, nullptr) == 0;
    }
}

SignalWatcher::~SignalWatcher() {
    for (int i = 0; i < kCount; ++i) {
        if (gInstalled[i]) sigaction(kHandled[i].sig, &gPrevious[i], nullptr);
        gInstalled[i] = false;
    }
    delete _notifier;
    _notifier = nullptr;
    for (int &fd : gPipe) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
}
