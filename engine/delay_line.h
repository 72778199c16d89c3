// The reverb's ring of float slots: writes advance one index, reads advance another one slot
// ahead (a delay of N - 1 samples).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace sorvella {

// Caps a line at about 8 MB, whatever sample rate a host reports.
inline constexpr std::size_t kMaxDelayLineLength = std::size_t{1} << 21;

// The chorus and reverb take runs in pieces of at most this many samples.
inline constexpr int kEffectsPiece = 64;

// Slots for a delay of trunc(fs * seconds) samples, in single precision: that many plus one.
inline std::size_t delayLineLength(float fs, float seconds) {
    const float samples = fs * seconds;
    if (!(samples >= 0.0f)) return 1;
    if (samples >= static_cast<float>(kMaxDelayLineLength - 1)) return kMaxDelayLineLength;
    return static_cast<std::size_t>(samples) + 1;
}

class DelayLine {
  public:
    // A one-slot line, so that a unit processed before its first create() reads silence.
    DelayLine() : buffer_(1, 0.0f) {}

    // Allocates; called on sample-rate changes only, never while rendering. n is at least 1.
    void create(std::size_t n) {
        buffer_.assign(n > 0 ? n : 1, 0.0f);
        resetIndexes();
    }

    void clear() {
        std::fill(buffer_.begin(), buffer_.end(), 0.0f);
        resetIndexes();
    }

    std::size_t size() const { return buffer_.size(); }

    // For the reverb's pieces, which read and write their runs of slots in place.
    float* data() { return buffer_.data(); }
    const float* data() const { return buffer_.data(); }
    std::size_t writeIndex() const { return writeIndex_; }
    std::size_t readIndex() const { return readIndex_; }
    // Moves both indexes on by count (below the line's length) slots, as count writes and
    // reads would.
    void advance(std::size_t count) {
        const std::size_t n = buffer_.size();
        writeIndex_ += count;
        if (writeIndex_ >= n) writeIndex_ -= n;
        readIndex_ += count;
        if (readIndex_ >= n) readIndex_ -= n;
    }

    void write(float v) {
        buffer_[writeIndex_] = v;
        if (++writeIndex_ == buffer_.size()) writeIndex_ = 0;
    }

    float read() {
        const float v = buffer_[readIndex_];
        if (++readIndex_ == buffer_.size()) readIndex_ = 0;
        return v;
    }

    // The next count reads (count below the line's length), without taking them.
    void peekReads(float* to, std::size_t count) const {
        const std::size_t first = std::min(buffer_.size() - readIndex_, count);
        const float* from = buffer_.data() + readIndex_;
        std::copy(from, from + first, to);
        std::copy(buffer_.data(), buffer_.data() + (count - first), to + first);
    }

    // For a run whose reads all come before its writes: writes values[n] for n < count (count
    // below the line's length) and moves both indexes on, as count writes and reads would.
    void writeRun(const float* values, std::size_t count) {
        const std::size_t first = std::min(buffer_.size() - writeIndex_, count);
        std::copy(values, values + first, buffer_.data() + writeIndex_);
        std::copy(values + first, values + count, buffer_.data());
        advance(count);
    }

    // For a run whose reads all come before its writes (possible when the run is shorter than the
    // line): writes g[n] + x[n] for n < count and moves the read index on as count reads would.
    // count is below the line's length.
    void writeSums(const float* g, const float* x, std::size_t count) {
        const std::size_t first = std::min(buffer_.size() - writeIndex_, count);
        float* at = buffer_.data() + writeIndex_;
        for (std::size_t j = 0; j < first; ++j)
            at[j] = g[j] + x[j];
        for (std::size_t j = first; j < count; ++j)
            buffer_[j - first] = g[j] + x[j];
        advance(count);
    }

  private:
    void resetIndexes() {
        writeIndex_ = 0;
        readIndex_ = buffer_.size() > 1 ? 1 : 0;
    }

    std::vector<float> buffer_;
    std::size_t writeIndex_ = 0;
    std::size_t readIndex_ = 0;
};

}  // namespace sorvella
