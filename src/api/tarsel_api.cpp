// The library's two exports.
#include <exception>
#include <string>

#include "api/library_pin.h"
#include "log/logger.h"
#include "service/tarsel_service.h"
#include "tarsel/tarsel.h"

namespace {

void DeleteService(tarsel::TarselService* service) {
    delete service;
    tarsel::Logger::GetInstance().Log(tarsel::INFO, "[tarsel_api] TarselService instance destroyed");
}

}  // namespace

#if TARSEL_MSVC_VTABLE
ITarselService* tarsel::TarselService::DeletingDestructor(unsigned int flags) {
    // As MSVC's own: flags & 1 frees the memory as well (scalar delete).
    if ((flags & 1u) != 0) {
        delete this;
    } else {
        this->~TarselService();
    }
    return this;
}
#endif

extern "C" TARSEL_EXPORT ITarselService* TARSEL_CALL CreateTarselService() {
    using tarsel::Logger;
    tarsel::PinLibrary();
    Logger::GetInstance().Log(tarsel::INFO, "[tarsel_api] CreateTarselService called");
    try {
        ITarselService* service = new tarsel::TarselService();
        Logger::GetInstance().Log(tarsel::INFO,
                                  "[tarsel_api] TarselService instance created successfully");
        return service;
    } catch (const std::exception& e) {
        Logger::GetInstance().Log(tarsel::ERROR,
                                  std::string("[tarsel_api] Failed to create TarselService: ") + e.what());
    } catch (...) {
        // Nothing may unwind into the host's C caller.
        Logger::GetInstance().Log(tarsel::ERROR,
                                  "[tarsel_api] Failed to create TarselService: unknown exception");
    }
    return nullptr;
}

extern "C" TARSEL_EXPORT void TARSEL_CALL DestroyTarselService(ITarselService* service) {
    tarsel::Logger::GetInstance().Log(tarsel::INFO, "[tarsel_api] DestroyTarselService called");
    if (service == nullptr) return;
    // Every ITarselService this library hands out is a TarselService.
    auto* own = static_cast<tarsel::TarselService*>(service);
    // Called from inside a callback on the service's own worker, the object is
    // freed by that worker once the callback has returned.
    if (own->PrepareDestroy(&DeleteService)) DeleteService(own);
}
