// The instrument's 256 voices, built once: a stack of free voices and the doubly linked list of
// sounding ones, newest at the head.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "engine/voice.h"

namespace sorvella {

class VoicePool {
  public:
    static constexpr std::int32_t kVoices = 256;

    explicit VoicePool(VoiceContext& owner);
    ~VoicePool();
    VoicePool(const VoicePool&) = delete;
    VoicePool& operator=(const VoicePool&) = delete;

    // Every voice back on the free stack, the sounding list emptied, a new polyphony limit.
    void reset(std::int32_t newLimit);

    // The voice on top of the free stack, now counted in use, or null when none is free.
    MyNote* take();
    // Unlinks a finished voice, frees its buffers and puts it back on the stack.
    void giveBack(MyNote* voice);
    void pushFront(MyNote* voice);

    MyNote* head() const { return head_; }
    std::int32_t inUse() const { return inUse_; }
    std::int32_t limit() const { return limit_; }
    std::int32_t freeCount() const { return freeCount_; }

  private:
    void unlink(MyNote* voice);

    // Everything the voices touch while rendering lies in one block, so that the places of
    // these parts relative to each other are always the same: left to the allocator, some
    // starts of a program rendered 32 voices a quarter slower than others.
    struct Block;
    struct FreeBlock {
        void operator()(Block* block) const;
    };
    VoiceContext& owner_;
    std::unique_ptr<Block, FreeBlock> block_;
    std::array<MyNote*, kVoices> voices_{};
    std::array<MyNote*, kVoices> free_{};
    std::int32_t freeCount_ = 0;
    std::int32_t inUse_ = 0;
    std::int32_t limit_ = 1;
    MyNote* head_ = nullptr;
};

}  // namespace sorvella
