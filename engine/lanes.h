// Four single-precision lanes, the engine's one vector type: SSE2 registers on x86-64, NEON on
// aarch64, a plain array elsewhere (see simd.h). Only the operations the run kernels use. Each
// arithmetic operation is the IEEE single-precision operation lane by lane, never fused, so that a
// kernel written over F32x4 gives the same bits as the same equations written one value at a time.
#pragma once

#include <cstdint>

#include "engine/simd.h"

namespace sorvella {

#define SORVELLA_ALWAYS_INLINE [[gnu::always_inline]] inline

struct I32x4;

struct F32x4 {
    using Int = I32x4;
#if SORVELLA_SSE2
    __m128 v;
#elif SORVELLA_NEON
    float32x4_t v;
#else
    float v[4];
#endif

    SORVELLA_ALWAYS_INLINE static F32x4 splat(float x) {
#if SORVELLA_SSE2
        return {_mm_set1_ps(x)};
#elif SORVELLA_NEON
        return {vdupq_n_f32(x)};
#else
        return {{x, x, x, x}};
#endif
    }
    SORVELLA_ALWAYS_INLINE static F32x4 zero() {
        return splat(0.0f);
    }
    SORVELLA_ALWAYS_INLINE static F32x4 of(float a, float b, float c, float d) {
#if SORVELLA_SSE2
        return {_mm_setr_ps(a, b, c, d)};
#elif SORVELLA_NEON
        const float f[4] = {a, b, c, d};
        return {vld1q_f32(f)};
#else
        return {{a, b, c, d}};
#endif
    }
    // Any alignment.
    SORVELLA_ALWAYS_INLINE static F32x4 load(const float* p) {
#if SORVELLA_SSE2
        return {_mm_loadu_ps(p)};
#elif SORVELLA_NEON
        return {vld1q_f32(p)};
#else
        return {{p[0], p[1], p[2], p[3]}};
#endif
    }
    SORVELLA_ALWAYS_INLINE void store(float* p) const {
#if SORVELLA_SSE2
        _mm_storeu_ps(p, v);
#elif SORVELLA_NEON
        vst1q_f32(p, v);
#else
        for (int k = 0; k < 4; ++k)
            p[k] = v[k];
#endif
    }
    // p[0], p[1], q[0], q[1]: two neighbouring pairs of floats from anywhere.
    SORVELLA_ALWAYS_INLINE static F32x4 twoPairs(const float* p, const float* q) {
#if SORVELLA_SSE2
        const __m128 low = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
        return {_mm_loadh_pi(low, reinterpret_cast<const __m64*>(q))};
#elif SORVELLA_NEON
        return {vcombine_f32(vld1_f32(p), vld1_f32(q))};
#else
        return {{p[0], p[1], q[0], q[1]}};
#endif
    }

    template <int kLane>
    SORVELLA_ALWAYS_INLINE float lane() const {
        static_assert(kLane >= 0 && kLane < 4);
#if SORVELLA_SSE2
        if constexpr (kLane == 0) return _mm_cvtss_f32(v);
        if constexpr (kLane == 1) return _mm_cvtss_f32(_mm_shuffle_ps(v, v, 0x55));
        if constexpr (kLane == 2) return _mm_cvtss_f32(_mm_movehl_ps(v, v));
        if constexpr (kLane == 3) return _mm_cvtss_f32(_mm_shuffle_ps(v, v, 0xFF));
#elif SORVELLA_NEON
        return vgetq_lane_f32(v, kLane);
#else
        return v[kLane];
#endif
    }

    // Lane 0 + lane 1 + lane 2 + lane 3, added in that order.
    SORVELLA_ALWAYS_INLINE float sumInOrder() const {
        return ((lane<0>() + lane<1>()) + lane<2>()) + lane<3>();
    }
};

// Four 32-bit integer lanes, for indexes.
struct I32x4 {
#if SORVELLA_SSE2
    __m128i v;
#elif SORVELLA_NEON
    int32x4_t v;
#else
    std::int32_t v[4];
#endif

    template <int kLane>
    SORVELLA_ALWAYS_INLINE std::int32_t lane() const {
        static_assert(kLane >= 0 && kLane < 4);
#if SORVELLA_SSE2
        if constexpr (kLane == 0) return _mm_cvtsi128_si32(v);
        if constexpr (kLane == 1) return _mm_cvtsi128_si32(_mm_shuffle_epi32(v, 0x55));
        if constexpr (kLane == 2) return _mm_cvtsi128_si32(_mm_shuffle_epi32(v, 0xAA));
        if constexpr (kLane == 3) return _mm_cvtsi128_si32(_mm_shuffle_epi32(v, 0xFF));
#elif SORVELLA_NEON
        return vgetq_lane_s32(v, kLane);
#else
        return v[kLane];
#endif
    }
};

SORVELLA_ALWAYS_INLINE F32x4 operator+(F32x4 a, F32x4 b) {
#if SORVELLA_SSE2
    return {_mm_add_ps(a.v, b.v)};
#elif SORVELLA_NEON
    return {vaddq_f32(a.v, b.v)};
#else
    return {{a.v[0] + b.v[0], a.v[1] + b.v[1], a.v[2] + b.v[2], a.v[3] + b.v[3]}};
#endif
}

SORVELLA_ALWAYS_INLINE F32x4 operator-(F32x4 a, F32x4 b) {
#if SORVELLA_SSE2
    return {_mm_sub_ps(a.v, b.v)};
#elif SORVELLA_NEON
    return {vsubq_f32(a.v, b.v)};
#else
    return {{a.v[0] - b.v[0], a.v[1] - b.v[1], a.v[2] - b.v[2], a.v[3] - b.v[3]}};
#endif
}

SORVELLA_ALWAYS_INLINE F32x4 operator*(F32x4 a, F32x4 b) {
#if SORVELLA_SSE2
    return {_mm_mul_ps(a.v, b.v)};
#elif SORVELLA_NEON
    return {vmulq_f32(a.v, b.v)};
#else
    return {{a.v[0] * b.v[0], a.v[1] * b.v[1], a.v[2] * b.v[2], a.v[3] * b.v[3]}};
#endif
}

// a < b ? a : b and a > b ? a : b lane by lane: a NaN in a gives b.
SORVELLA_ALWAYS_INLINE F32x4 min(F32x4 a, F32x4 b) {
#if SORVELLA_SSE2
    return {_mm_min_ps(a.v, b.v)};
#elif SORVELLA_NEON
    return {vbslq_f32(vcltq_f32(a.v, b.v), a.v, b.v)};
#else
    F32x4 r;
    for (int k = 0; k < 4; ++k)
        r.v[k] = a.v[k] < b.v[k] ? a.v[k] : b.v[k];
    return r;
#endif
}

SORVELLA_ALWAYS_INLINE F32x4 max(F32x4 a, F32x4 b) {
#if SORVELLA_SSE2
    return {_mm_max_ps(a.v, b.v)};
#elif SORVELLA_NEON
    return {vbslq_f32(vcgtq_f32(a.v, b.v), a.v, b.v)};
#else
    F32x4 r;
    for (int k = 0; k < 4; ++k)
        r.v[k] = a.v[k] > b.v[k] ? a.v[k] : b.v[k];
    return r;
#endif
}

// Each lane rounded to the nearest integer, ties to even (the round-to-nearest mode the render
// calls keep), as the processor's 32-bit conversion gives it.
SORVELLA_ALWAYS_INLINE I32x4 nearest(F32x4 a) {
#if SORVELLA_SSE2
    return {_mm_cvtps_epi32(a.v)};
#elif SORVELLA_NEON
    return {vcvtnq_s32_f32(a.v)};
#else
    I32x4 r;
    for (int k = 0; k < 4; ++k)
        r.v[k] = static_cast<std::int32_t>(__builtin_lrintf(a.v[k]));
    return r;
#endif
}

SORVELLA_ALWAYS_INLINE F32x4 toFloat(I32x4 a) {
#if SORVELLA_SSE2
    return {_mm_cvtepi32_ps(a.v)};
#elif SORVELLA_NEON
    return {vcvtq_f32_s32(a.v)};
#else
    F32x4 r;
    for (int k = 0; k < 4; ++k)
        r.v[k] = static_cast<float>(a.v[k]);
    return r;
#endif
}

SORVELLA_ALWAYS_INLINE I32x4 operator+(I32x4 a, I32x4 b) {
#if SORVELLA_SSE2
    return {_mm_add_epi32(a.v, b.v)};
#elif SORVELLA_NEON
    return {vaddq_s32(a.v, b.v)};
#else
    I32x4 r;
    for (int k = 0; k < 4; ++k)
        r.v[k] = static_cast<std::int32_t>(static_cast<std::uint32_t>(a.v[k]) +
                                           static_cast<std::uint32_t>(b.v[k]));
    return r;
#endif
}

SORVELLA_ALWAYS_INLINE I32x4 splatInt(std::int32_t x) {
#if SORVELLA_SSE2
    return {_mm_set1_epi32(x)};
#elif SORVELLA_NEON
    return {vdupq_n_s32(x)};
#else
    return {{x, x, x, x}};
#endif
}

SORVELLA_ALWAYS_INLINE I32x4 operator&(I32x4 a, I32x4 b) {
#if SORVELLA_SSE2
    return {_mm_and_si128(a.v, b.v)};
#elif SORVELLA_NEON
    return {vandq_s32(a.v, b.v)};
#else
    return {{a.v[0] & b.v[0], a.v[1] & b.v[1], a.v[2] & b.v[2], a.v[3] & b.v[3]}};
#endif
}

// The four lanes as unsigned table indexes.
struct Indexes4 {
    std::uint32_t at[4];
};

SORVELLA_ALWAYS_INLINE Indexes4 indexes(I32x4 a) {
#if SORVELLA_SSE2
    // Two lanes at a time through a 64-bit move: the processor moves vector lanes into integer
    // registers through one narrow path.
    const auto lo = static_cast<std::uint64_t>(_mm_cvtsi128_si64(a.v));
    const auto hi = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(a.v, a.v)));
    return {{static_cast<std::uint32_t>(lo), static_cast<std::uint32_t>(lo >> 32),
             static_cast<std::uint32_t>(hi), static_cast<std::uint32_t>(hi >> 32)}};
#else
    return {{static_cast<std::uint32_t>(a.lane<0>()), static_cast<std::uint32_t>(a.lane<1>()),
             static_cast<std::uint32_t>(a.lane<2>()), static_cast<std::uint32_t>(a.lane<3>())}};
#endif
}

// a0 b0 a1 b1 and a2 b2 a3 b3.
SORVELLA_ALWAYS_INLINE F32x4 zipLow(F32x4 a, F32x4 b) {
#if SORVELLA_SSE2
    return {_mm_unpacklo_ps(a.v, b.v)};
#elif SORVELLA_NEON
    return {vzip1q_f32(a.v, b.v)};
#else
    return {{a.v[0], b.v[0], a.v[1], b.v[1]}};
#endif
}

SORVELLA_ALWAYS_INLINE F32x4 zipHigh(F32x4 a, F32x4 b) {
#if SORVELLA_SSE2
    return {_mm_unpackhi_ps(a.v, b.v)};
#elif SORVELLA_NEON
    return {vzip2q_f32(a.v, b.v)};
#else
    return {{a.v[2], b.v[2], a.v[3], b.v[3]}};
#endif
}

// a0 a1 b0 b1 and a2 a3 b2 b3.
SORVELLA_ALWAYS_INLINE F32x4 lowHalves(F32x4 a, F32x4 b) {
#if SORVELLA_SSE2
    return {_mm_movelh_ps(a.v, b.v)};
#elif SORVELLA_NEON
    return {vcombine_f32(vget_low_f32(a.v), vget_low_f32(b.v))};
#else
    return {{a.v[0], a.v[1], b.v[0], b.v[1]}};
#endif
}

SORVELLA_ALWAYS_INLINE F32x4 highHalves(F32x4 a, F32x4 b) {
#if SORVELLA_SSE2
    return {_mm_movehl_ps(b.v, a.v)};
#elif SORVELLA_NEON
    return {vcombine_f32(vget_high_f32(a.v), vget_high_f32(b.v))};
#else
    return {{a.v[2], a.v[3], b.v[2], b.v[3]}};
#endif
}

// a0 a2 b0 b2 and a1 a3 b1 b3.
SORVELLA_ALWAYS_INLINE F32x4 evens(F32x4 a, F32x4 b) {
#if SORVELLA_SSE2
    return {_mm_shuffle_ps(a.v, b.v, _MM_SHUFFLE(2, 0, 2, 0))};
#elif SORVELLA_NEON
    return {vuzp1q_f32(a.v, b.v)};
#else
    return {{a.v[0], a.v[2], b.v[0], b.v[2]}};
#endif
}

SORVELLA_ALWAYS_INLINE F32x4 odds(F32x4 a, F32x4 b) {
#if SORVELLA_SSE2
    return {_mm_shuffle_ps(a.v, b.v, _MM_SHUFFLE(3, 1, 3, 1))};
#elif SORVELLA_NEON
    return {vuzp2q_f32(a.v, b.v)};
#else
    return {{a.v[1], a.v[3], b.v[1], b.v[3]}};
#endif
}

// a3 a0 a1 a2: every lane moved one up, the last coming round to lane 0.
SORVELLA_ALWAYS_INLINE F32x4 rotateUp(F32x4 a) {
#if SORVELLA_SSE2
    return {_mm_shuffle_ps(a.v, a.v, _MM_SHUFFLE(2, 1, 0, 3))};
#elif SORVELLA_NEON
    return {vextq_f32(a.v, a.v, 3)};
#else
    return {{a.v[3], a.v[0], a.v[1], a.v[2]}};
#endif
}

// b0 a1 a2 a3.
SORVELLA_ALWAYS_INLINE F32x4 withFirst(F32x4 a, F32x4 b) {
#if SORVELLA_SSE2
    return {_mm_move_ss(a.v, b.v)};
#elif SORVELLA_NEON
    return {vcopyq_laneq_f32(a.v, 0, b.v, 0)};
#else
    return {{b.v[0], a.v[1], a.v[2], a.v[3]}};
#endif
}

// a == b ? 0 : a, lane by lane.
SORVELLA_ALWAYS_INLINE F32x4 zeroWhereEqual(F32x4 a, F32x4 b) {
#if SORVELLA_SSE2
    return {_mm_andnot_ps(_mm_cmpeq_ps(a.v, b.v), a.v)};
#elif SORVELLA_NEON
    return {vbslq_f32(vceqq_f32(a.v, b.v), vdupq_n_f32(0.0f), a.v)};
#else
    F32x4 r;
    for (int k = 0; k < 4; ++k)
        r.v[k] = a.v[k] == b.v[k] ? 0.0f : a.v[k];
    return r;
#endif
}

// Rows r0..r3 become columns: afterwards r[j] holds what was lane j of every row (in each half
// of four lanes, for the eight-lane types of lanes8.h).
template <class V>
SORVELLA_ALWAYS_INLINE void transpose(V& r0, V& r1, V& r2, V& r3) {
    const V t0 = zipLow(r0, r1);
    const V t1 = zipLow(r2, r3);
    const V t2 = zipHigh(r0, r1);
    const V t3 = zipHigh(r2, r3);
    r0 = lowHalves(t0, t1);
    r1 = highHalves(t0, t1);
    r2 = lowHalves(t2, t3);
    r3 = highHalves(t2, t3);
}

}  // namespace sorvella
