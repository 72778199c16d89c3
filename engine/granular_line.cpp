#include "engine/granular_line.h"

#include <algorithm>
#include <new>

#include "engine/lanes.h"

#include "engine/runaway.h"

namespace sorvella {

bool GranularLine::reset(std::int32_t length) {
    length = std::clamp(length, std::int32_t{1}, kMaxLength);
    bool ok = true;
    if (length > capacity_) {
        storage_.reset();
        capacity_ = 0;
        storage_.reset(new (std::nothrow) float[static_cast<std::size_t>(length)]);
        if (storage_) {
            capacity_ = length;
        } else {
            length = 1;
            ok = false;
        }
    }
    ring_ = storage_ ? storage_.get() : &spare_;
    std::fill(ring_, ring_ + length, 0.0f);
    size_ = length;
    length_ = ok ? length : 0;
    write_ = 0;
    return ok;
}

void GranularLine::clear() {
    size_ = 1;
    length_ = 0;
    write_ = 0;
}

bool GranularLine::clearIfRunaway() {
    const std::int32_t last = write_ > 0 ? write_ - 1 : size_ - 1;
    if (!isRunaway(ring_[last])) return false;
    std::fill(ring_, ring_ + size_, 0.0f);
    return true;
}

void GranularLine::feedBlock(const float* sum1, const float* env1, const float* sum2,
                             const float* env2, float grain, float* out1, float* out2, int n) {
    int j = 0;
    // Four samples are eight accesses: they read slots w+1..w+8 before writing w..w+7, and as long
    // as none of them wraps, every read still finds the value the one-by-one order would.
    const F32x4 g = F32x4::splat(grain);
    while (j + 4 <= n) {
        const std::int32_t w = write_;
        if (w + 8 >= size_) {
            const int stop = j + 4;
            for (; j < stop; ++j) {
                out1[j] += feed(sum1[j] * env1[j], grain);
                out2[j] += feed(sum2[j] * env2[j], grain);
            }
            continue;
        }
        prefetchAhead(w);
        const F32x4 d1 = F32x4::load(sum1 + j) * F32x4::load(env1 + j);
        const F32x4 d2 = F32x4::load(sum2 + j) * F32x4::load(env2 + j);
        const F32x4 y0 = zipLow(d1, d2) - F32x4::load(ring_ + w + 1) * g;
        const F32x4 y1 = zipHigh(d1, d2) - F32x4::load(ring_ + w + 5) * g;
        y0.store(ring_ + w);
        y1.store(ring_ + w + 4);
        (F32x4::load(out1 + j) + evens(y0, y1)).store(out1 + j);
        (F32x4::load(out2 + j) + odds(y0, y1)).store(out2 + j);
        write_ = w + 8;
        j += 4;
    }
    for (; j < n; ++j) {
        out1[j] += feed(sum1[j] * env1[j], grain);
        out2[j] += feed(sum2[j] * env2[j], grain);
    }
}

}  // namespace sorvella
