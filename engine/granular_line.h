// The voice's granular comb: a ring of floats shared by both oscillator paths. Each access reads
// the slot after the one it writes, so a read returns what was written length − 1 accesses ago.
#pragma once

#include <cstdint>
#include <memory>

namespace sorvella {

class GranularLine {
  public:
    // Long enough for one second at 768 kHz; longer requests are cut to this.
    static constexpr std::int32_t kMaxLength = 1 << 20;

    GranularLine() = default;
    GranularLine(const GranularLine&) = delete;
    GranularLine& operator=(const GranularLine&) = delete;

    // Re-creates the line with `length` zeroed slots (clamped to 1..kMaxLength), write index 0
    // and read index 1. Storage grows when needed and is otherwise reused, so a voice allocates
    // only when a note asks for a longer line than any before it. Returns false if the storage
    // could not be had; the line then degrades to a single slot.
    bool reset(std::int32_t length);

    // Length 0: the line is unused until the next reset. Storage is kept for later notes.
    void clear();

    // Zeroes the ring when the value last written has run away (see engine/runaway.h); true
    // when it did. What enters the ring comes back to the write position within its length.
    bool clearIfRunaway();

    std::int32_t length() const { return length_; }
    std::int32_t writeIndex() const { return write_; }
    std::int32_t readIndex() const { return next(write_); }

    // One access of an oscillator path: y = dry − read()·grain, then write(y).
    [[gnu::always_inline]] float feed(float dry, float grain) {
        const std::int32_t r = next(write_);
        prefetchAhead(r);
        const float y = dry - ring_[r] * grain;
        ring_[write_] = y;
        write_ = r;
        return y;
    }

    // n samples of both paths: for each j, feed(sum1[j]·env1[j]) added to out1[j], then
    // feed(sum2[j]·env2[j]) added to out2[j].
    void feedBlock(const float* sum1, const float* env1, const float* sum2, const float* env2,
                   float grain, float* out1, float* out2, int n);

  private:
    // Dozens of voices each walk their own line of up to a second, too many streams for the
    // hardware to see coming; ask for the slots a few cache lines ahead. A hint only: it never
    // faults, past the end of the ring included.
    void prefetchAhead(std::int32_t i) const {
        __builtin_prefetch(
            reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(ring_ + i) + 256));
    }
    std::int32_t next(std::int32_t i) const {
        const std::int32_t n = i + 1;
        return n >= size_ ? 0 : n;
    }
    float spare_ = 0.0f;     // the ring when there is no storage
    float* ring_ = &spare_;  // the storage or the spare slot; the line is never moved
    std::unique_ptr<float[]> storage_;
    std::int32_t capacity_ = 0;
    std::int32_t size_ = 1;  // slots in use by the ring, never 0
    std::int32_t length_ = 0;
    std::int32_t write_ = 0;
};

}  // namespace sorvella
