#include "library.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace tarsel_host {

bool Library::Load(const std::string& path, std::string& error) {
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        const char* reason = dlerror();
        error = "cannot load " + path + ": " + (reason != nullptr ? reason : "unknown error");
        return false;
    }
    m_create = reinterpret_cast<ITarselService* (*)()>(dlsym(m_handle, "CreateTarselService"));
    m_destroy = reinterpret_cast<void (*)(ITarselService*)>(dlsym(m_handle, "DestroyTarselService"));
    if (m_create == nullptr || m_destroy == nullptr) {
        error = path + " does not export CreateTarselService and DestroyTarselService";
        return false;
    }
    return true;
}

std::string ExecutableDir() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    std::string self(path, static_cast<size_t>(length));
    const size_t slash = self.rfind('/');
    return slash == std::string::npos ? "." : self.substr(0, slash);
}

}  // namespace tarsel_host
