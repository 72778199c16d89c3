// Counts the allocator calls a thread makes while counting is switched on, so that the tests can
// tell whether the plugin allocates inside its process calls. The test program replaces malloc,
// calloc, realloc, free and the aligned forms; the C++ runtime's operator new and delete call
// them, and the plugin links that runtime dynamically, so its allocations land here too.
// AddressSanitizer replaces the allocator itself: under it nothing is counted and
// allocationCountingAvailable() is false.
#pragma once

#include <cstdint>

namespace sorvella::test {

struct AllocationCount {
    std::uint64_t allocations = 0;  // malloc, calloc, realloc, the aligned forms, operator new
    std::uint64_t releases = 0;     // free and operator delete of a non-null pointer

    AllocationCount& operator+=(const AllocationCount& other) {
        allocations += other.allocations;
        releases += other.releases;
        return *this;
    }
};

bool allocationCountingAvailable();

// Counts the calling thread's allocator calls while alive; given false, stops counting them
// instead: the host's own bookkeeping inside a callback that the plugin makes from its process
// call is not the plugin's allocation. Scopes nest.
class CountAllocations {
  public:
    explicit CountAllocations(bool counting = true);
    ~CountAllocations();
    CountAllocations(const CountAllocations&) = delete;
    CountAllocations& operator=(const CountAllocations&) = delete;

    // The calls counted on this thread since construction.
    AllocationCount counted() const;

  private:
    bool wasCounting_;
    AllocationCount start_;
};

// Blocks allocated and not yet freed by all threads since the program started; 0 when counting is
// not available.
std::int64_t liveAllocations();

}  // namespace sorvella::test
