// A single-producer, single-consumer ring of 16-bit samples. The producer (the audio thread)
// never blocks or allocates: a block that does not fit is refused whole. The consumer reads the
// filled part in at most two contiguous pieces.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

namespace sorvella {

class SampleRing {
  public:
    // capacity: samples, rounded up to a power of two.
    explicit SampleRing(std::size_t capacity) {
        std::size_t size = 2;
        while (size < capacity)
            size *= 2;
        buffer_ = std::make_unique<std::int16_t[]>(size);
        mask_ = size - 1;
    }

    std::size_t capacity() const { return mask_ + 1; }

    // Producer: copies all of samples in, or nothing when there is not room for all of them.
    bool push(const std::int16_t* samples, std::size_t count) {
        const std::uint64_t write = write_.load(std::memory_order_relaxed);
        const std::uint64_t read = read_.load(std::memory_order_acquire);
        if (count > capacity() - static_cast<std::size_t>(write - read)) return false;
        const std::size_t at = static_cast<std::size_t>(write) & mask_;
        const std::size_t first = std::min(count, capacity() - at);
        std::memcpy(&buffer_[at], samples, first * sizeof(std::int16_t));
        std::memcpy(&buffer_[0], samples + first, (count - first) * sizeof(std::int16_t));
        write_.store(write + count, std::memory_order_release);
        return true;
    }

    // Consumer: the filled samples that lie contiguously from the read position.
    std::span<const std::int16_t> readable() const {
        const std::uint64_t read = read_.load(std::memory_order_relaxed);
        const std::uint64_t write = write_.load(std::memory_order_acquire);
        const std::size_t at = static_cast<std::size_t>(read) & mask_;
        const std::size_t filled = static_cast<std::size_t>(write - read);
        return {&buffer_[at], std::min(filled, capacity() - at)};
    }
    // Consumer: releases count samples read through readable().
    void consume(std::size_t count) {
        read_.store(read_.load(std::memory_order_relaxed) + count, std::memory_order_release);
    }

  private:
    std::unique_ptr<std::int16_t[]> buffer_;
    std::size_t mask_ = 0;
    std::atomic<std::uint64_t> write_{0};
    std::atomic<std::uint64_t> read_{0};
};

}  // namespace sorvella
