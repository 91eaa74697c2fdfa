// Polls a condition of a test: true as soon as it holds, false after limit.
#ifndef TARSEL_TESTS_WAIT_UNTIL_H
#define TARSEL_TESTS_WAIT_UNTIL_H

#include <chrono>
#include <functional>
#include <thread>

namespace tarsel_test {

inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

}  // namespace tarsel_test

#endif  // TARSEL_TESTS_WAIT_UNTIL_H
