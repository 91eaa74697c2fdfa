#include "util/posix/sigpipe_guard.h"

#include <pthread.h>
#include <time.h>

namespace tarsel {

namespace {

sigset_t PipeOnly() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    return set;
}

bool PipePending() {
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    return sigismember(&pending, SIGPIPE) == 1;
}

}  // namespace

ScopedSigpipeGuard::ScopedSigpipeGuard() {
    m_wasPending = PipePending();
    const sigset_t pipeOnly = PipeOnly();
    sigemptyset(&m_oldMask);
    m_blocked = pthread_sigmask(SIG_BLOCK, &pipeOnly, &m_oldMask) == 0;
}

ScopedSigpipeGuard::~ScopedSigpipeGuard() {
    if (!m_blocked) return;
    // Consume only a SIGPIPE that arose under the guard.
    if (!m_wasPending && PipePending()) {
        const sigset_t pipeOnly = PipeOnly();
        const timespec zero{0, 0};
        sigtimedwait(&pipeOnly, nullptr, &zero);
    }
    pthread_sigmask(SIG_SETMASK, &m_oldMask, nullptr);
}

}  // namespace tarsel
