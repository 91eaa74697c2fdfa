// libtarsel.so loaded at run time, reached only through its two exports.
#ifndef TARSEL_HOST_LIBRARY_H
#define TARSEL_HOST_LIBRARY_H

#include <string>

#include "tarsel/tarsel.h"

namespace tarsel_host {

class Library {
public:
    bool Load(const std::string& path, std::string& error);
    ITarselService* Create() const { return m_create(); }
    void Destroy(ITarselService* service) const { m_destroy(service); }

private:
    // Never unloaded: the library is built not to be, and a host may not
    // unload it under a thread of its own.
    void* m_handle = nullptr;
    ITarselService* (*m_create)() = nullptr;
    void (*m_destroy)(ITarselService*) = nullptr;
};

// The directory of this executable.
std::string ExecutableDir();

}  // namespace tarsel_host

#endif  // TARSEL_HOST_LIBRARY_H
