#include "recorder.h"

#include <json/json.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "base64_decode.h"
#include "contact_sheet.h"

namespace tarsel_host {

namespace {

struct Parsed {
    std::string base64;
    uint32_t classId;
    uint64_t timestamp;
};

std::vector<Parsed> ParseBatch(const char* json) {
    std::vector<Parsed> frames;
    Json::Value root;
    Json::Reader reader;
    if (json == nullptr || !reader.parse(json, root) || !root.isArray()) return frames;
    for (const Json::Value& item : root) {
        if (!item.isObject()) continue;
        frames.push_back({item["base64"].asString(), item["classId"].asUInt(), item["timestamp"].asUInt64()});
    }
    return frames;
}

bool WriteFile(const std::string& path, const void* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out);
}

}  // namespace

bool Recorder::Open(const std::string& folder, std::string& error) {
    m_folder = folder;
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
        error = "cannot create the output folder " + folder + ": " + std::strerror(errno);
        return false;
    }
    const std::string probe = folder + "/.write-test";
    if (!WriteFile(probe, "x", 1)) {
        error = "cannot write into the output folder " + folder;
        return false;
    }
    std::remove(probe.c_str());
    return true;
}

void Recorder::OnLogLine(const std::string& line) {
    // The library announces a forward batch just before delivering it.
    if (line.find(" 张图片 (forward)") != std::string::npos) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nextIsForward = true;
        ++m_bossSequence;
    }
}

void Recorder::OnFrameBatch(int classId, const char* json) {
    const int delivery = ++m_deliveries;
    const std::vector<Parsed> frames = ParseBatch(json);
    m_frames += static_cast<int>(frames.size());
    std::string kind;
    int sequence;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        kind = m_nextIsForward ? "forward" : "backward";
        m_nextIsForward = false;
        sequence = m_bossSequence;
    }
    (void)classId;
    for (size_t i = 0; i < frames.size(); ++i) {
        SavedFrame frame;
        frame.file = "boss" + std::to_string(sequence) + "-d" + std::to_string(delivery) + "-" +
                     kind + "-" + std::to_string(i + 1) + ".jpg";
        frame.kind = kind;
        frame.delivery = delivery;
        frame.sequence = sequence;
        frame.classId = frames[i].classId;
        frame.timestamp = frames[i].timestamp;
        Save(frames[i].base64, frame);
    }
}

void Recorder::AddSpeech(const char* json) {
    const std::vector<Parsed> frames = ParseBatch(json);
    m_frames += static_cast<int>(frames.size());
    int window;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        window = ++m_speechWindow;
    }
    for (size_t i = 0; i < frames.size(); ++i) {
        SavedFrame frame;
        frame.file = "speech" + std::to_string(window) + "-" + std::to_string(i + 1) + ".jpg";
        frame.kind = "speech";
        frame.sequence = window;
        frame.classId = frames[i].classId;
        frame.timestamp = frames[i].timestamp;
        Save(frames[i].base64, frame);
    }
}

void Recorder::AddScreenshot(const char* base64, int width, int height, const std::string& name) {
    SavedFrame frame;
    frame.file = name;
    frame.kind = "screenshot";
    frame.width = width;
    frame.height = height;
    Save(base64 != nullptr ? base64 : "", frame);
}

void Recorder::Save(const std::string& base64, SavedFrame frame) {
    const std::vector<uint8_t> jpeg = tarsel_tools::Base64Decode(base64);
    const bool written = WriteFile(m_folder + "/" + frame.file, jpeg.data(), jpeg.size());
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!written && m_writeError.empty()) m_writeError = "cannot write " + m_folder + "/" + frame.file;
    m_saved.push_back(std::move(frame));
}

std::vector<SavedFrame> Recorder::Frames() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_saved;
}

bool Recorder::Finish(std::string& error) {
    const std::vector<SavedFrame> frames = Frames();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_writeError.empty()) {
            error = m_writeError;
            return false;
        }
    }
    Json::Value index(Json::arrayValue);
    for (const SavedFrame& frame : frames) {
        Json::Value item(Json::objectValue);
        item["file"] = frame.file;
        item["kind"] = frame.kind;
        item["delivery"] = frame.delivery;
        item["sequence"] = frame.sequence;
        item["classId"] = frame.classId;
        item["timestamp"] = static_cast<Json::UInt64>(frame.timestamp);
        if (frame.kind == "screenshot") {
            item["width"] = frame.width;
            item["height"] = frame.height;
        }
        index.append(item);
    }
    const std::string json = Json::StyledWriter().write(index);
    const std::string html = ContactSheet(frames);
    if (!WriteFile(m_folder + "/index.json", json.data(), json.size()) ||
        !WriteFile(m_folder + "/index.html", html.data(), html.size())) {
        error = "cannot write the index into " + m_folder;
        return false;
    }
    return true;
}

}  // namespace tarsel_host
