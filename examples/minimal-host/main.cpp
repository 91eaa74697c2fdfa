// minimal-host WINDOW_ID OUT.jpg: binds an X window, takes one screenshot and
// writes it as a JPEG file.
#include <tarsel/tarsel.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Base64Decode(const char* text) {
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (const char* p = text; *p != '\0' && *p != '='; ++p) {
        const char c = *p;
        const int v = c >= 'A' && c <= 'Z' ? c - 'A' : c >= 'a' && c <= 'z' ? c - 'a' + 26
                    : c >= '0' && c <= '9' ? c - '0' + 52 : c == '+' ? 62 : 63;
        bits = (bits << 6) | static_cast<unsigned>(v);
        if ((count += 6) >= 8) out.push_back(static_cast<char>((bits >> (count -= 8)) & 0xFF));
    }
    return out;
}

void OnScreenshot(const char* base64, int width, int height, int code, const char* message, void* out) {
    if (code != 0) {
        std::fprintf(stderr, "minimal-host: screenshot failed (%d): %s\n", code, message);
        return;
    }
    const std::string jpeg = Base64Decode(base64);
    std::FILE* file = std::fopen(static_cast<const char*>(out), "wb");
    if (file == nullptr || std::fwrite(jpeg.data(), 1, jpeg.size(), file) != jpeg.size()) {
        std::fprintf(stderr, "minimal-host: cannot write %s\n", static_cast<const char*>(out));
    } else {
        std::printf("minimal-host: %dx%d written to %s\n", width, height, static_cast<const char*>(out));
    }
    if (file != nullptr) std::fclose(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: minimal-host WINDOW_ID OUT.jpg\n");
        return 2;
    }
    const uintptr_t window = std::strtoul(argv[1], nullptr, 0);
    ITarselService* service = CreateTarselService();
    if (service == nullptr) return 1;
    service->Init(reinterpret_cast<HWND>(window));
    service->CaptureScreenAsync(0, &OnScreenshot, argv[2]);
    DestroyTarselService(service);
    return 0;
}
