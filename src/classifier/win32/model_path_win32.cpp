// Host paths are bytes; Windows paths are UTF-16. Hosts pass UTF-8 or text in
// the ANSI code page, and a non-ASCII user name in the path is common, so the
// bytes are decoded rather than widened one by one.
#include "classifier/model_path.h"

namespace tarsel {

namespace {

// False when the bytes are not valid in the code page.
bool Decode(UINT codePage, const std::string& bytes, std::wstring& out) {
    out.clear();
    if (bytes.empty()) return true;
    if (bytes.size() > 0x7FFFFFFF) return false;
    const int size = static_cast<int>(bytes.size());
    const int length =
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (length <= 0) return false;
    out.resize(static_cast<size_t>(length));
    return ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, &out[0],
                                 length) == length;
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

ModelPath MakeModelPath(const std::string& bytes) {
    std::wstring utf8;
    std::wstring ansi;
    const bool isUtf8 = Decode(CP_UTF8, bytes, utf8);
    const bool isAnsi = Decode(CP_ACP, bytes, ansi);
    if (isUtf8 && isAnsi && utf8 != ansi) return Exists(ansi) && !Exists(utf8) ? ansi : utf8;
    if (isUtf8) return utf8;
    if (isAnsi) return ansi;
    // Valid in neither: each byte widened as it is, and the load reports the
    // file as missing.
    std::wstring widened;
    for (char byte : bytes) widened.push_back(static_cast<wchar_t>(static_cast<unsigned char>(byte)));
    return widened;
}

}  // namespace tarsel
