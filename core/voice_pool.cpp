#include "core/voice_pool.h"

#include <algorithm>

namespace sorvella {

VoicePool::VoicePool(VoiceContext& owner)
    : owner_(owner), scratch_(std::make_unique<VoiceRunScratch>()) {
    owner_.scratch = scratch_.get();
    for (auto& voice : voices_)
        voice = std::make_unique<MyNote>(owner);
    reset(1);
}

VoicePool::~VoicePool() {
    owner_.scratch = nullptr;
}

void VoicePool::reset(std::int32_t newLimit) {
    head_ = nullptr;
    for (std::int32_t i = 0; i < kVoices; ++i) {
        MyNote* voice = voices_[static_cast<std::size_t>(i)].get();
        voice->previous = nullptr;
        voice->next = nullptr;
        voice->finished = true;
        voice->releaseBuffers();
        // The first voice ends on top of the stack.
        free_[static_cast<std::size_t>(kVoices - 1 - i)] = voice;
    }
    freeCount_ = kVoices;
    inUse_ = 0;
    limit_ = std::max(newLimit, 1);
}

MyNote* VoicePool::take() {
    if (freeCount_ == 0) return nullptr;
    ++inUse_;
    return free_[static_cast<std::size_t>(--freeCount_)];
}

void VoicePool::pushFront(MyNote* voice) {
    voice->previous = nullptr;
    voice->next = head_;
    if (head_) head_->previous = voice;
    head_ = voice;
}

void VoicePool::unlink(MyNote* voice) {
    if (voice->previous) {
        voice->previous->next = voice->next;
    } else {
        head_ = voice->next;
    }
    if (voice->next) voice->next->previous = voice->previous;
    voice->previous = nullptr;
    voice->next = nullptr;
}

void VoicePool::giveBack(MyNote* voice) {
    unlink(voice);
    voice->releaseBuffers();
    if (freeCount_ < kVoices) free_[static_cast<std::size_t>(freeCount_++)] = voice;
    --inUse_;
}

}  // namespace sorvella
