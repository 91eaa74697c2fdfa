// The window rule shared by the boss forward batch and the pending frames.
#ifndef TARSEL_SERVICE_KEEP_LAST_H
#define TARSEL_SERVICE_KEEP_LAST_H

#include <algorithm>
#include <cstdint>
#include <vector>

#include "service/pic_data.h"

namespace tarsel {

// Copies of the last `limit` records with non-empty text, in their order. The
// count is compared as unsigned against the sign-extended limit, so a
// negative limit keeps them all. Only the records kept are copied.
inline std::vector<stPicData> LastNonEmpty(const std::vector<stPicData>& records, int32_t limit) {
    const uint64_t bound = static_cast<uint64_t>(static_cast<int64_t>(limit));
    std::vector<const stPicData*> kept;
    for (auto it = records.rbegin(); it != records.rend() && kept.size() < bound; ++it) {
        if (!it->base64.empty()) kept.push_back(&*it);
    }
    std::vector<stPicData> out;
    out.reserve(kept.size());
    for (auto it = kept.rbegin(); it != kept.rend(); ++it) out.push_back(**it);
    return out;
}

}  // namespace tarsel

#endif  // TARSEL_SERVICE_KEEP_LAST_H
