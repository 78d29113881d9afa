/* Named temporaries that a fatal signal must not leave behind (see io.h).
 *
 * A slot is free (0), being filled (1) or names a temporary on disk (2). The handler only reads
 * slots in state 2, whose name is complete, and calls nothing but unlink, sigaction and raise. */
#include "io_internal.h"

#include <errno.h>
#include <limits.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <atomic>

namespace {

const int kSlots = 16;
char gNames[kSlots][PATH_MAX];
std::atomic<int> gState[kSlots];
std::atomic<bool> gInstalled{false};

/* The signals whose default action ends the process. */
const int kFatal[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGILL,  SIGABRT, SIGBUS,  SIGFPE,
                      SIGUSR1, SIGSEGV, SIGUSR2,   SIGPIPE, SIGALRM, SIGTERM, SIGSTKFLT,
                      SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGPOLL, SIGPWR,  SIGSYS};

void onFatalSignal(int sig) {
    const int saved = errno;
    ioRemoveTemporaries();
    /* The default action then ends the process with this signal, as it would have. */
    struct sigaction dfl = {};
    dfl.sa_handler = SIG_DFL;
    sigaction(sig, &dfl, NULL);
    raise(sig);
    errno = saved;
}

/* Only over the default action: a signal the program ignores does not end it, and one it
 * handles is its own to clean up after (with ioRemoveTemporaries). */
void installHandler() {
    if (gInstalled.exchange(true)) return;
    for (int sig : kFatal) {
        struct sigaction prev;
        if (sigaction(sig, NULL, &prev) != 0) continue;
        if ((prev.sa_flags & SA_SIGINFO) || prev.sa_handler != SIG_DFL) continue;
        struct sigaction sa = {};
        sa.sa_handler = onFatalSignal;
        sigemptyset(&sa.sa_mask);
        sigaction(sig, &sa, NULL);
    }
}

} // namespace

void ioRemoveTemporaries(void) {
    for (int i = 0; i < kSlots; i++)
        if (gState[i].load() == 2) unlink(gNames[i]);
}

int ioClaimTemporary(const std::string &name) {
    installHandler();
    if (name.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; i++) {
        int expected = 0;
        if (!gState[i].compare_exchange_strong(expected, 1)) continue;
        memcpy(gNames[i], name.c_str(), name.size() + 1);
        gState[i].store(2);
        return i;
    }
    return -1;
}

void ioReleaseTemporary(int *slot) {
    if (*slot >= 0) gState[*slot].store(0);
    *slot = -1;
}
