#include "core/voice_pool.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "engine/tables.h"
#include "engine/wave_pairs.h"

namespace sorvella {

struct VoicePool::Block {
    VoiceRunScratch scratch;
    WavePair pairs[kWaveShapes * kWaveTableSize];
    alignas(MyNote) unsigned char voices[kVoices][sizeof(MyNote)];
};

void VoicePool::FreeBlock::operator()(Block* block) const {
    std::free(block);
}

VoicePool::VoicePool(VoiceContext& owner) : owner_(owner) {
    // Built with the instrument, off the audio thread.
    void* memory = std::aligned_alloc(alignof(Block), sizeof(Block));
    if (memory == nullptr) throw std::bad_alloc();
    block_.reset(static_cast<Block*>(memory));
    new (&block_->scratch) VoiceRunScratch;
    owner_.scratch = &block_->scratch;
    if (fillWavePairs(block_->pairs)) owner_.wavePairs = block_->pairs;
    for (std::size_t i = 0; i < voices_.size(); ++i)
        voices_[i] = new (block_->voices[i]) MyNote(owner);
    reset(1);
}

VoicePool::~VoicePool() {
    owner_.scratch = nullptr;
    owner_.wavePairs = nullptr;
    for (MyNote* voice : voices_)
        voice->~MyNote();
}

void VoicePool::reset(std::int32_t newLimit) {
    head_ = nullptr;
    for (std::int32_t i = 0; i < kVoices; ++i) {
        MyNote* voice = voices_[static_cast<std::size_t>(i)];
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
