// Cursors over byte buffers in the instrument's storage format: every integer and float is one
// big-endian 32-bit word, floats as their IEEE-754 single-precision bit pattern.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace sorvella {

// Writes words into a buffer of known size; writes past the end are dropped and remembered.
class ByteWriter {
  public:
    ByteWriter(std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    void putWord(std::uint32_t w) {
        if (size_ - pos_ < 4) {
            overflow_ = true;
            return;
        }
        data_[pos_] = static_cast<std::uint8_t>(w >> 24);
        data_[pos_ + 1] = static_cast<std::uint8_t>(w >> 16);
        data_[pos_ + 2] = static_cast<std::uint8_t>(w >> 8);
        data_[pos_ + 3] = static_cast<std::uint8_t>(w);
        pos_ += 4;
    }
    void putInt(std::int32_t v) { putWord(static_cast<std::uint32_t>(v)); }
    void putFloat(float v) { putWord(std::bit_cast<std::uint32_t>(v)); }
    void putBytes(const void* bytes, std::size_t n) {
        if (size_ - pos_ < n) {
            overflow_ = true;
            return;
        }
        std::memcpy(data_ + pos_, bytes, n);
        pos_ += n;
    }
    void putZeros(std::size_t n) {
        if (size_ - pos_ < n) {
            overflow_ = true;
            return;
        }
        std::memset(data_ + pos_, 0, n);
        pos_ += n;
    }

    std::size_t position() const { return pos_; }
    bool overflowed() const { return overflow_; }

  private:
    std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool overflow_ = false;
};

// Reads words from a buffer of known size; reads past the end yield zeros and are remembered,
// so a truncated buffer can never be read beyond its end.
class ByteReader {
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint32_t getWord() {
        if (size_ - pos_ < 4) {
            underflow_ = true;
            pos_ = size_;
            return 0;
        }
        std::uint32_t w = (std::uint32_t{data_[pos_]} << 24) |
                          (std::uint32_t{data_[pos_ + 1]} << 16) |
                          (std::uint32_t{data_[pos_ + 2]} << 8) | std::uint32_t{data_[pos_ + 3]};
        pos_ += 4;
        return w;
    }
    std::int32_t getInt() { return static_cast<std::int32_t>(getWord()); }
    float getFloat() { return std::bit_cast<float>(getWord()); }
    void getBytes(void* out, std::size_t n) {
        if (size_ - pos_ < n) {
            underflow_ = true;
            std::memset(out, 0, n);
            pos_ = size_;
            return;
        }
        std::memcpy(out, data_ + pos_, n);
        pos_ += n;
    }
    void skip(std::size_t n) {
        if (size_ - pos_ < n) {
            underflow_ = true;
            pos_ = size_;
            return;
        }
        pos_ += n;
    }

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return size_ - pos_; }
    bool underflowed() const { return underflow_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool underflow_ = false;
};

}  // namespace sorvella
