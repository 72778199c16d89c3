#include "tests/plugin/allocation_counter.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__) && !defined(SORVELLA_NO_ALLOCATION_COUNTING)
#define SORVELLA_NO_ALLOCATION_COUNTING
#endif
#if defined(__has_feature)
#if __has_feature(address_sanitizer) && !defined(SORVELLA_NO_ALLOCATION_COUNTING)
#define SORVELLA_NO_ALLOCATION_COUNTING
#endif
#endif

namespace {

// Plain zero-initialised thread-locals of the executable: reading them never allocates. Without
// the replacements below they stay 0.
thread_local bool tCounting = false;
thread_local std::uint64_t tAllocations = 0;
thread_local std::uint64_t tReleases = 0;
std::atomic<std::int64_t> gLive{0};

}  // namespace

#ifndef SORVELLA_NO_ALLOCATION_COUNTING

// glibc's own allocator under its exported internal names: the replacements forward here, so
// every block still comes from (and goes back to) the one C library heap.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void __libc_free(void* pointer);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {

void* counted(void* block) {
    if (tCounting) ++tAllocations;
    if (block != nullptr) gLive.fetch_add(1, std::memory_order_relaxed);
    return block;
}

void release(void* block) {
    if (block == nullptr) return;
    if (tCounting) ++tReleases;
    gLive.fetch_sub(1, std::memory_order_relaxed);
    __libc_free(block);
}

bool validAlignment(std::size_t alignment) {
    return alignment != 0 && (alignment & (alignment - 1)) == 0;
}

void* alignedBlock(std::size_t alignment, std::size_t size) {
    if (alignment < alignof(std::max_align_t)) alignment = alignof(std::max_align_t);
    return counted(__libc_memalign(alignment, size));
}

}  // namespace

#define SORVELLA_EXPORT __attribute__((visibility("default")))

extern "C" {

SORVELLA_EXPORT void* malloc(std::size_t size) noexcept {
    return counted(__libc_malloc(size));
}

SORVELLA_EXPORT void* calloc(std::size_t count, std::size_t size) noexcept {
    return counted(__libc_calloc(count, size));
}

SORVELLA_EXPORT void* realloc(void* pointer, std::size_t size) noexcept {
    if (pointer == nullptr) return counted(__libc_realloc(nullptr, size));
    if (size == 0) {
        release(pointer);
        return nullptr;
    }
    if (tCounting) ++tAllocations;
    return __libc_realloc(pointer, size);
}

SORVELLA_EXPORT void free(void* pointer) noexcept {
    release(pointer);
}

SORVELLA_EXPORT void* memalign(std::size_t alignment, std::size_t size) noexcept {
    return alignedBlock(alignment, size);
}

SORVELLA_EXPORT void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept {
    if (!validAlignment(alignment)) {
        errno = EINVAL;
        return nullptr;
    }
    return alignedBlock(alignment, size);
}

SORVELLA_EXPORT int posix_memalign(void** result, std::size_t alignment,
                                   std::size_t size) noexcept {
    if (!validAlignment(alignment) || alignment % sizeof(void*) != 0) return EINVAL;
    void* block = alignedBlock(alignment, size);
    if (block == nullptr) return ENOMEM;
    *result = block;
    return 0;
}

}  // extern "C"

#endif

namespace sorvella::test {

bool allocationCountingAvailable() {
#ifdef SORVELLA_NO_ALLOCATION_COUNTING
    return false;
#else
    return true;
#endif
}

CountAllocations::CountAllocations(bool counting)
    : wasCounting_(tCounting), start_{tAllocations, tReleases} {
    tCounting = counting;
}

CountAllocations::~CountAllocations() {
    tCounting = wasCounting_;
}

AllocationCount CountAllocations::counted() const {
    return {tAllocations - start_.allocations, tReleases - start_.releases};
}

std::int64_t liveAllocations() {
    return gLive.load(std::memory_order_relaxed);
}

}  // namespace sorvella::test
