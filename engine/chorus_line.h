// The chorus's delay line: a ring of N slots read at swept fractional delays. Every slot is
// stored twice, at i and i + N (slot 0 a third time at 2N), so that a tap's two neighbouring
// slots sit side by side without wrapping for any delay within the line.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace sorvella {

class ChorusLine {
  public:
    ChorusLine() { create(1); }

    // Allocates; called on sample-rate changes only, never while rendering. n is at least 1.
    void create(std::size_t n) {
        size_ = n > 0 ? n : 1;
        buffer_.assign(2 * size_ + 1, 0.0f);
        writeIndex_ = 0;
    }

    void clear() {
        std::fill(buffer_.begin(), buffer_.end(), 0.0f);
        writeIndex_ = 0;
    }

    std::size_t size() const { return size_; }

    void write(float v) {
        store(buffer_.data(), size_, writeIndex_, v);
        if (++writeIndex_ == size_) writeIndex_ = 0;
    }

    // count write() calls at once.
    void writeRun(const float* in, std::size_t count) {
        for (std::size_t done = 0; done < count;) {
            const std::size_t part = std::min(count - done, size_ - writeIndex_);
            float* at = buffer_.data() + writeIndex_;
            for (std::size_t j = 0; j < part; ++j) {
                at[j] = in[done + j];
                at[j + size_] = in[done + j];
            }
            if (writeIndex_ == 0) buffer_[2 * size_] = in[done];
            done += part;
            writeIndex_ += part;
            if (writeIndex_ == size_) writeIndex_ = 0;
        }
    }

    // Linear interpolation d slots back from the write index (d = 1 is the newest sample).
    // Needs round-to-nearest and 0 <= d <= size() - 1; callers bound their delays accordingly.
    float readAt(float d) const {
        const long n = static_cast<long>(size_);
        const float p = static_cast<float>(writeIndex_) - d;
        long i = std::lrint(p - 0.5f);
        const float f = p - static_cast<float>(i);
        long j = i + 1;
        if (i < 0)
            i += n;
        else if (i >= n)
            i -= n;
        if (j < 0)
            j += n;
        else if (j >= n)
            j -= n;
        const float a = buffer_[static_cast<std::size_t>(i)];
        return a + (buffer_[static_cast<std::size_t>(j)] - a) * f;
    }

    // For the chorus's run loop, which keeps the write index in a register over a run of
    // samples. A rounded read position i in -N..N-1 has its slots at i + N and i + N + 1.
    float* data() { return buffer_.data(); }
    std::size_t writeIndex() const { return writeIndex_; }
    void setWriteIndex(std::size_t w) { writeIndex_ = w < size_ ? w : 0; }

    // Stores v at slot w of a line of n slots, with its copies.
    static void store(float* data, std::size_t n, std::size_t w, float v) {
        data[w] = v;
        data[w + n] = v;
        if (w == 0) data[2 * n] = v;
    }

  private:
    std::vector<float> buffer_;
    std::size_t size_ = 1;
    std::size_t writeIndex_ = 0;
};

}  // namespace sorvella
