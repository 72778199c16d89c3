#include "engine/granular_line.h"

#include <algorithm>
#include <new>

#include "engine/simd.h"

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

void GranularLine::feedBlock(const float* sum1, const float* env1, const float* sum2,
                             const float* env2, float grain, float* out1, float* out2, int n) {
    int j = 0;
#if SORVELLA_SSE2
    // Four samples are eight accesses: they read slots w+1..w+8 before writing w..w+7, and as long
    // as none of them wraps, every read still finds the value the one-by-one order would.
    const __m128 g = _mm_set1_ps(grain);
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
        const __m128 d1 = _mm_mul_ps(_mm_loadu_ps(sum1 + j), _mm_loadu_ps(env1 + j));
        const __m128 d2 = _mm_mul_ps(_mm_loadu_ps(sum2 + j), _mm_loadu_ps(env2 + j));
        const __m128 y0 =
            _mm_sub_ps(_mm_unpacklo_ps(d1, d2), _mm_mul_ps(_mm_loadu_ps(ring_ + w + 1), g));
        const __m128 y1 =
            _mm_sub_ps(_mm_unpackhi_ps(d1, d2), _mm_mul_ps(_mm_loadu_ps(ring_ + w + 5), g));
        _mm_storeu_ps(ring_ + w, y0);
        _mm_storeu_ps(ring_ + w + 4, y1);
        const __m128 p1 = _mm_shuffle_ps(y0, y1, _MM_SHUFFLE(2, 0, 2, 0));
        const __m128 p2 = _mm_shuffle_ps(y0, y1, _MM_SHUFFLE(3, 1, 3, 1));
        _mm_storeu_ps(out1 + j, _mm_add_ps(_mm_loadu_ps(out1 + j), p1));
        _mm_storeu_ps(out2 + j, _mm_add_ps(_mm_loadu_ps(out2 + j), p2));
        write_ = w + 8;
        j += 4;
    }
#endif
    for (; j < n; ++j) {
        out1[j] += feed(sum1[j] * env1[j], grain);
        out2[j] += feed(sum2[j] * env2[j], grain);
    }
}

}  // namespace sorvella
