// Eight single-precision lanes that behave as two F32x4 side by side: arithmetic goes lane by
// lane, and every shuffle acts within each half of four lanes exactly as it would on two F32x4
// (only lowOfBoth and highOfBoth cross the halves, the same way on both types).
// A kernel written once as a template over the lane type thus gives the same bits as F32x4Pair
// (two four-lane registers, any processor) and as F32x8 (one 256-bit AVX2 register, x86-64 only,
// chosen at run time; see simd.h); the wider register only halves the instructions.
//
// F32x8's operations are compiled for AVX2 but are not forced inline: GCC refuses to force an
// AVX2 function into the generic kernel templates, which carry no target of their own. Those
// templates are forced inline into the AVX2 entry points, and there the compiler inlines the
// operations as the small functions they are; every call of one comes from AVX2 code, so the
// 256-bit values never cross between code built for different targets (GCC's note that such
// arguments are passed differently since GCC 4.6 does not apply).
#pragma once

#include <cstdint>

#include "engine/lanes.h"

namespace sorvella {

// Eight unsigned table or line indexes.
struct Indexes8 {
    std::uint32_t at[8];
};

struct I32x4Pair {
    I32x4 lo;
    I32x4 hi;

    SORVELLA_ALWAYS_INLINE static I32x4Pair splat(std::int32_t x) {
        return {splatInt(x), splatInt(x)};
    }
    SORVELLA_ALWAYS_INLINE static I32x4Pair halves(I32x4 low, I32x4 high) { return {low, high}; }
};

struct F32x4Pair {
    using Int = I32x4Pair;
    F32x4 lo;
    F32x4 hi;

    SORVELLA_ALWAYS_INLINE static F32x4Pair splat(float x) {
        return {F32x4::splat(x), F32x4::splat(x)};
    }
    SORVELLA_ALWAYS_INLINE static F32x4Pair zero() { return splat(0.0f); }
    SORVELLA_ALWAYS_INLINE static F32x4Pair halves(F32x4 low, F32x4 high) { return {low, high}; }
    SORVELLA_ALWAYS_INLINE F32x4 low() const { return lo; }
    SORVELLA_ALWAYS_INLINE F32x4 high() const { return hi; }
    // Any alignment.
    SORVELLA_ALWAYS_INLINE static F32x4Pair load(const float* p) {
        return {F32x4::load(p), F32x4::load(p + 4)};
    }
    SORVELLA_ALWAYS_INLINE void store(float* p) const {
        lo.store(p);
        hi.store(p + 4);
    }
};

SORVELLA_ALWAYS_INLINE F32x4Pair operator+(F32x4Pair a, F32x4Pair b) {
    return {a.lo + b.lo, a.hi + b.hi};
}
SORVELLA_ALWAYS_INLINE F32x4Pair operator-(F32x4Pair a, F32x4Pair b) {
    return {a.lo - b.lo, a.hi - b.hi};
}
SORVELLA_ALWAYS_INLINE F32x4Pair operator*(F32x4Pair a, F32x4Pair b) {
    return {a.lo * b.lo, a.hi * b.hi};
}
SORVELLA_ALWAYS_INLINE I32x4Pair nearest(F32x4Pair a) {
    return {nearest(a.lo), nearest(a.hi)};
}
SORVELLA_ALWAYS_INLINE F32x4Pair toFloat(I32x4Pair a) {
    return {toFloat(a.lo), toFloat(a.hi)};
}
SORVELLA_ALWAYS_INLINE F32x4Pair min(F32x4Pair a, F32x4Pair b) {
    return {min(a.lo, b.lo), min(a.hi, b.hi)};
}
SORVELLA_ALWAYS_INLINE F32x4Pair max(F32x4Pair a, F32x4Pair b) {
    return {max(a.lo, b.lo), max(a.hi, b.hi)};
}
SORVELLA_ALWAYS_INLINE F32x4Pair zeroWhereEqual(F32x4Pair a, F32x4Pair b) {
    return {zeroWhereEqual(a.lo, b.lo), zeroWhereEqual(a.hi, b.hi)};
}
SORVELLA_ALWAYS_INLINE I32x4Pair operator&(I32x4Pair a, I32x4Pair b) {
    return {a.lo & b.lo, a.hi & b.hi};
}
SORVELLA_ALWAYS_INLINE I32x4Pair operator+(I32x4Pair a, I32x4Pair b) {
    return {a.lo + b.lo, a.hi + b.hi};
}
SORVELLA_ALWAYS_INLINE Indexes8 indexes(I32x4Pair a) {
    const Indexes4 lo = indexes(a.lo);
    const Indexes4 hi = indexes(a.hi);
    return {{lo.at[0], lo.at[1], lo.at[2], lo.at[3], hi.at[0], hi.at[1], hi.at[2], hi.at[3]}};
}
SORVELLA_ALWAYS_INLINE F32x4Pair zipLow(F32x4Pair a, F32x4Pair b) {
    return {zipLow(a.lo, b.lo), zipLow(a.hi, b.hi)};
}
SORVELLA_ALWAYS_INLINE F32x4Pair zipHigh(F32x4Pair a, F32x4Pair b) {
    return {zipHigh(a.lo, b.lo), zipHigh(a.hi, b.hi)};
}
SORVELLA_ALWAYS_INLINE F32x4Pair lowHalves(F32x4Pair a, F32x4Pair b) {
    return {lowHalves(a.lo, b.lo), lowHalves(a.hi, b.hi)};
}
SORVELLA_ALWAYS_INLINE F32x4Pair highHalves(F32x4Pair a, F32x4Pair b) {
    return {highHalves(a.lo, b.lo), highHalves(a.hi, b.hi)};
}
SORVELLA_ALWAYS_INLINE F32x4Pair evens(F32x4Pair a, F32x4Pair b) {
    return {evens(a.lo, b.lo), evens(a.hi, b.hi)};
}
SORVELLA_ALWAYS_INLINE F32x4Pair odds(F32x4Pair a, F32x4Pair b) {
    return {odds(a.lo, b.lo), odds(a.hi, b.hi)};
}
SORVELLA_ALWAYS_INLINE F32x4Pair rotateUp(F32x4Pair a) {
    return {rotateUp(a.lo), rotateUp(a.hi)};
}
SORVELLA_ALWAYS_INLINE F32x4Pair withFirst(F32x4Pair a, F32x4Pair b) {
    return {withFirst(a.lo, b.lo), withFirst(a.hi, b.hi)};
}
// The only operations across the halves: a's and b's low halves side by side, and their high
// halves.
SORVELLA_ALWAYS_INLINE F32x4Pair lowOfBoth(F32x4Pair a, F32x4Pair b) {
    return {a.lo, b.lo};
}
SORVELLA_ALWAYS_INLINE F32x4Pair highOfBoth(F32x4Pair a, F32x4Pair b) {
    return {a.hi, b.hi};
}

// Rows r[0..7] become columns: afterwards r[j] holds what was lane j of every row. Each half's
// four rows are transposed in place, then the halves change places.
template <class V>
SORVELLA_ALWAYS_INLINE void transpose8(V* r) {
    transpose(r[0], r[1], r[2], r[3]);
    transpose(r[4], r[5], r[6], r[7]);
    for (int j = 0; j < 4; ++j) {
        const V top = r[j];
        const V bottom = r[4 + j];
        r[j] = lowOfBoth(top, bottom);
        r[4 + j] = highOfBoth(top, bottom);
    }
}

#if SORVELLA_WIDE_VECTORS

#define SORVELLA_AVX2 [[gnu::target("avx2")]] inline

struct I32x8 {
    __m256i v;

    SORVELLA_AVX2 static I32x8 splat(std::int32_t x) { return {_mm256_set1_epi32(x)}; }
    SORVELLA_AVX2 static I32x8 halves(I32x4 low, I32x4 high) {
        return {_mm256_inserti128_si256(_mm256_castsi128_si256(low.v), high.v, 1)};
    }
};

struct F32x8 {
    using Int = I32x8;
    __m256 v;

    SORVELLA_AVX2 static F32x8 splat(float x) { return {_mm256_set1_ps(x)}; }
    SORVELLA_AVX2 static F32x8 zero() { return {_mm256_setzero_ps()}; }
    SORVELLA_AVX2 static F32x8 halves(F32x4 low, F32x4 high) {
        return {_mm256_insertf128_ps(_mm256_castps128_ps256(low.v), high.v, 1)};
    }
    SORVELLA_AVX2 F32x4 low() const { return {_mm256_castps256_ps128(v)}; }
    SORVELLA_AVX2 F32x4 high() const { return {_mm256_extractf128_ps(v, 1)}; }
    SORVELLA_AVX2 static F32x8 load(const float* p) { return {_mm256_loadu_ps(p)}; }
    SORVELLA_AVX2 void store(float* p) const { _mm256_storeu_ps(p, v); }
    // Masked loads and stores are slow: only for the last lanes of a run.
    SORVELLA_AVX2 static F32x8 loadFirst(const float* p, int k) {
        return {_mm256_maskload_ps(p, firstLanes(k))};
    }
    SORVELLA_AVX2 void storeFirst(float* p, int k) const {
        _mm256_maskstore_ps(p, firstLanes(k), v);
    }

  private:
    // A mask of the first k lanes.
    SORVELLA_AVX2 static __m256i firstLanes(int k) {
        return _mm256_cmpgt_epi32(_mm256_set1_epi32(k), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    }
};

SORVELLA_AVX2 F32x8 operator+(F32x8 a, F32x8 b) {
    return {_mm256_add_ps(a.v, b.v)};
}
SORVELLA_AVX2 F32x8 operator-(F32x8 a, F32x8 b) {
    return {_mm256_sub_ps(a.v, b.v)};
}
SORVELLA_AVX2 F32x8 operator*(F32x8 a, F32x8 b) {
    return {_mm256_mul_ps(a.v, b.v)};
}
SORVELLA_AVX2 I32x8 nearest(F32x8 a) {
    return {_mm256_cvtps_epi32(a.v)};
}
SORVELLA_AVX2 F32x8 toFloat(I32x8 a) {
    return {_mm256_cvtepi32_ps(a.v)};
}
SORVELLA_AVX2 F32x8 min(F32x8 a, F32x8 b) {
    return {_mm256_min_ps(a.v, b.v)};
}
SORVELLA_AVX2 F32x8 max(F32x8 a, F32x8 b) {
    return {_mm256_max_ps(a.v, b.v)};
}
SORVELLA_AVX2 F32x8 zeroWhereEqual(F32x8 a, F32x8 b) {
    return {_mm256_andnot_ps(_mm256_cmp_ps(a.v, b.v, _CMP_EQ_OQ), a.v)};
}
SORVELLA_AVX2 I32x8 operator&(I32x8 a, I32x8 b) {
    return {_mm256_and_si256(a.v, b.v)};
}
SORVELLA_AVX2 I32x8 operator+(I32x8 a, I32x8 b) {
    return {_mm256_add_epi32(a.v, b.v)};
}
// The lanes go out through memory, two to a 64-bit load: the processor moves vector lanes into
// integer registers through one narrow path, which limited the wide read loops, while it has load
// ports to spare. The empty asm keeps the compiler from turning the loads back into such moves.
SORVELLA_AVX2 Indexes8 indexes(I32x8 a) {
    alignas(32) std::uint64_t q[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(q), a.v);
    asm("" : "+m"(q));
    return {{static_cast<std::uint32_t>(q[0]), static_cast<std::uint32_t>(q[0] >> 32),
             static_cast<std::uint32_t>(q[1]), static_cast<std::uint32_t>(q[1] >> 32),
             static_cast<std::uint32_t>(q[2]), static_cast<std::uint32_t>(q[2] >> 32),
             static_cast<std::uint32_t>(q[3]), static_cast<std::uint32_t>(q[3] >> 32)}};
}
SORVELLA_AVX2 F32x8 zipLow(F32x8 a, F32x8 b) {
    return {_mm256_unpacklo_ps(a.v, b.v)};
}
SORVELLA_AVX2 F32x8 zipHigh(F32x8 a, F32x8 b) {
    return {_mm256_unpackhi_ps(a.v, b.v)};
}
SORVELLA_AVX2 F32x8 lowHalves(F32x8 a, F32x8 b) {
    return {_mm256_shuffle_ps(a.v, b.v, _MM_SHUFFLE(1, 0, 1, 0))};
}
SORVELLA_AVX2 F32x8 highHalves(F32x8 a, F32x8 b) {
    return {_mm256_shuffle_ps(a.v, b.v, _MM_SHUFFLE(3, 2, 3, 2))};
}
SORVELLA_AVX2 F32x8 evens(F32x8 a, F32x8 b) {
    return {_mm256_shuffle_ps(a.v, b.v, _MM_SHUFFLE(2, 0, 2, 0))};
}
SORVELLA_AVX2 F32x8 odds(F32x8 a, F32x8 b) {
    return {_mm256_shuffle_ps(a.v, b.v, _MM_SHUFFLE(3, 1, 3, 1))};
}
SORVELLA_AVX2 F32x8 rotateUp(F32x8 a) {
    return {_mm256_shuffle_ps(a.v, a.v, _MM_SHUFFLE(2, 1, 0, 3))};
}
SORVELLA_AVX2 F32x8 withFirst(F32x8 a, F32x8 b) {
    return {_mm256_blend_ps(a.v, b.v, 0x11)};
}
SORVELLA_AVX2 F32x8 lowOfBoth(F32x8 a, F32x8 b) {
    return {_mm256_permute2f128_ps(a.v, b.v, 0x20)};
}
SORVELLA_AVX2 F32x8 highOfBoth(F32x8 a, F32x8 b) {
    return {_mm256_permute2f128_ps(a.v, b.v, 0x31)};
}

#undef SORVELLA_AVX2

#endif

}  // namespace sorvella
