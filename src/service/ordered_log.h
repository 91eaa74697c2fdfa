// Lines composed under a lock, written after it in the order they were made.
//
// A line is queued while its state change is still locked, so lines keep the
// order of the changes across threads. It is written after the lock is
// released, so no host log callback ever runs under that lock: the callback
// may call back into the service, even stop it and join its worker, without
// a thread of ours waiting on a lock it holds. Nobody ever blocks to write:
// a thread that finds another one writing leaves its lines to it.
#ifndef TARSEL_SERVICE_ORDERED_LOG_H
#define TARSEL_SERVICE_ORDERED_LOG_H

#include <atomic>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace tarsel {

class OrderedLog {
public:
    // Queues a line; call with the lock that orders the state held.
    void Add(int level, std::string text);
    // Writes every queued line unless another thread (or an outer call on this
    // thread, inside a host callback) is writing them already.
    void Flush();
    // This thread is writing lines, so it is inside a host log callback.
    bool IsWritingThread() const { return m_writer.load() == std::this_thread::get_id(); }

private:
    bool Pop(std::pair<int, std::string>& line);

    std::mutex m_queueMutex;
    std::deque<std::pair<int, std::string>> m_lines;
    std::mutex m_writeMutex;  // only ever try-locked
    std::atomic<std::thread::id> m_writer{};
};

}  // namespace tarsel

#endif  // TARSEL_SERVICE_ORDERED_LOG_H
