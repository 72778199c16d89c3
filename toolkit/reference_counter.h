// Shared ownership for objects that several owners hold by plain pointer, such as skin bitmaps
// shared by every editor of a process: each owner takes one reference with remember() and gives it
// back with forget(); the last forget() deletes the object.
#pragma once

#include <atomic>
#include <cstdint>

namespace sorvella {

class CReferenceCounter {
  public:
    CReferenceCounter() = default;
    CReferenceCounter(const CReferenceCounter&) = delete;
    CReferenceCounter& operator=(const CReferenceCounter&) = delete;

    void remember() { count_.fetch_add(1, std::memory_order_relaxed); }
    void forget() {
        if (count_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }
    int32_t getNbReference() const { return count_.load(std::memory_order_relaxed); }

  protected:
    virtual ~CReferenceCounter() = default;

  private:
    std::atomic<int32_t> count_{1};
};

}  // namespace sorvella
