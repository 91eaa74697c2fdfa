// Which services the calling thread is inside an operation of. A host callback
// reached from an operation may destroy the service; the destruction then
// waits for that operation to end, so the operation never runs on a freed
// object.
#include <algorithm>
#include <vector>

#include "service/tarsel_service.h"

namespace tarsel {

namespace {

struct Entry {
    const TarselService* service;
    int depth;
    TarselService::Destroyer destroy;
};

// Per thread: a host callback of one service may call into another.
thread_local std::vector<Entry> t_operations;

Entry* Find(const TarselService* service) {
    for (Entry& entry : t_operations) {
        if (entry.service == service) return &entry;
    }
    return nullptr;
}

}  // namespace

TarselService::OperationScope::OperationScope(TarselService& service) : m_service(service) {
    if (Entry* entry = Find(&service)) {
        ++entry->depth;
    } else {
        t_operations.push_back(Entry{&service, 1, nullptr});
    }
}

TarselService::OperationScope::~OperationScope() {
    Entry* entry = Find(&m_service);
    if (entry == nullptr || --entry->depth > 0) return;
    const Destroyer destroy = entry->destroy;
    t_operations.erase(t_operations.begin() + (entry - t_operations.data()));
    if (destroy != nullptr) destroy(&m_service);
}

bool TarselService::InOperationOnThisThread() const {
    return Find(this) != nullptr;
}

bool TarselService::PrepareDestroy(Destroyer destroy) {
    if (IsWorkerThread()) {
        m_workerDestroy = destroy;
        StopSceneMonitor();
        return false;
    }
    if (Entry* entry = Find(this)) {
        entry->destroy = destroy;
        return false;
    }
    return true;
}

}  // namespace tarsel
