// Blocks SIGPIPE on this thread for the guard's life and swallows one raised
// meanwhile: a write to a peer that has gone away (the X server, a TLS
// connection, a closed standard output) must not kill the host, and a library
// may not change the process's signal handlers.
#ifndef TARSEL_UTIL_POSIX_SIGPIPE_GUARD_H
#define TARSEL_UTIL_POSIX_SIGPIPE_GUARD_H

#include <signal.h>

namespace tarsel {

class ScopedSigpipeGuard {
public:
    ScopedSigpipeGuard();
    ~ScopedSigpipeGuard();

    ScopedSigpipeGuard(const ScopedSigpipeGuard&) = delete;
    ScopedSigpipeGuard& operator=(const ScopedSigpipeGuard&) = delete;

private:
    bool m_wasPending = false;
    bool m_blocked = false;
    sigset_t m_oldMask;
};

}  // namespace tarsel

#endif  // TARSEL_UTIL_POSIX_SIGPIPE_GUARD_H
