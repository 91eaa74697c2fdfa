// Counts this thread's heap allocations by standing in front of glibc's
// allocator (the executable's definitions win over libc's for the whole
// process, ONNX Runtime included). Built only without sanitizers.
#include <cstddef>
#include <cstdint>

#include "bench_support.h"

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
}

namespace {
thread_local int64_t t_allocations = 0;
}

extern "C" {

void* malloc(size_t size) {
    ++t_allocations;
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
    ++t_allocations;
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, size_t size) {
    ++t_allocations;
    return __libc_realloc(pointer, size);
}

}  // extern "C"

namespace tarsel_bench {

int64_t AllocationsOnThisThread() {
    return t_allocations;
}

}  // namespace tarsel_bench
