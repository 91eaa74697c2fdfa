// Everything the library delivers, written to an output folder as JPEG files
// with a JSON index: boss batches and backward frames (from the frame
// callback), the pulled speech frames and screenshots.
#ifndef TARSEL_HOST_RECORDER_H
#define TARSEL_HOST_RECORDER_H

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace tarsel_host {

struct SavedFrame {
    std::string file;      // relative to the output folder
    std::string kind;      // "forward", "backward", "speech" or "screenshot"
    int delivery = 0;      // the delivery it came in, counted from 1
    int sequence = 0;      // boss sequence or speech window, counted from 1
    uint32_t classId = 0;
    uint64_t timestamp = 0;
    int width = 0;         // screenshots only: the captured size
    int height = 0;
};

class Recorder {
public:
    // Fails when the folder cannot be created or written.
    bool Open(const std::string& folder, std::string& error);

    // The library's callbacks (the first on the worker thread).
    void OnFrameBatch(int classId, const char* json);
    void OnLogLine(const std::string& line);
    void AddSpeech(const char* json);
    void AddScreenshot(const char* base64, int width, int height, const std::string& name);

    int Deliveries() const { return m_deliveries.load(); }
    int FramesReceived() const { return m_frames.load(); }
    std::vector<SavedFrame> Frames() const;
    const std::string& Folder() const { return m_folder; }

    // index.json and index.html; false (with the reason) on a write failure.
    bool Finish(std::string& error);

private:
    void Save(const std::string& base64, SavedFrame frame);

    std::string m_folder;
    mutable std::mutex m_mutex;
    std::vector<SavedFrame> m_saved;
    std::string m_writeError;
    bool m_nextIsForward = false;
    int m_bossSequence = 0;
    int m_speechWindow = 0;
    std::atomic<int> m_deliveries{0};
    std::atomic<int> m_frames{0};
};

}  // namespace tarsel_host

#endif  // TARSEL_HOST_RECORDER_H
