#include "service/ordered_log.h"

#include "log/logger.h"

namespace tarsel {

void OrderedLog::Add(int level, std::string text) {
    std::lock_guard<std::mutex> lock(m_queueMutex);
    m_lines.emplace_back(level, std::move(text));
}

bool OrderedLog::Pop(std::pair<int, std::string>& line) {
    std::lock_guard<std::mutex> lock(m_queueMutex);
    if (m_lines.empty()) return false;
    line = std::move(m_lines.front());
    m_lines.pop_front();
    return true;
}

void OrderedLog::Flush() {
    if (IsWritingThread()) return;  // the outer call on this thread writes it
    for (;;) {
        if (!m_writeMutex.try_lock()) return;  // the writer takes our lines too
        {
            // Released however the writing ends.
            struct Writing {
                OrderedLog& log;
                ~Writing() {
                    log.m_writer.store(std::thread::id());
                    log.m_writeMutex.unlock();
                }
            } writing{*this};
            m_writer.store(std::this_thread::get_id());
            std::pair<int, std::string> line;
            while (Pop(line)) Logger::GetInstance().Log(line.first, line.second);
        }
        // A line queued after the last pop, whose writer found us still
        // holding the write lock, is ours to write.
        std::lock_guard<std::mutex> lock(m_queueMutex);
        if (m_lines.empty()) return;
    }
}

}  // namespace tarsel
