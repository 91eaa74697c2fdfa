// The window rule shared by the boss forward batch and the pending frames.
#ifndef TARSEL_SERVICE_KEEP_LAST_H
#define TARSEL_SERVICE_KEEP_LAST_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "service/pic_data.h"

namespace tarsel {

// Keeps the last `limit` entries. The count is compared as unsigned against
// the sign-extended limit, so a negative limit never trims.
inline void KeepLast(std::vector<stPicData>& frames, int32_t limit) {
    const uint64_t count = frames.size();
    const uint64_t bound = static_cast<uint64_t>(static_cast<int64_t>(limit));
    if (count > bound) {
        frames.erase(frames.begin(), frames.begin() + static_cast<std::ptrdiff_t>(count - bound));
    }
}

}  // namespace tarsel

#endif  // TARSEL_SERVICE_KEEP_LAST_H
