// Sanitizer builds: the sanitizer owns malloc, so allocations are not counted.
#include "bench_support.h"

namespace tarsel_bench {

int64_t AllocationsOnThisThread() {
    return -1;
}

}  // namespace tarsel_bench
