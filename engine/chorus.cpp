#include "engine/chorus.h"

#include <algorithm>
#include <cmath>

#include "engine/runaway.h"

namespace sorvella {

namespace {

// The tap oscillators swing a little beyond unit amplitude between two renormalisations; the
// sweep is bounded with this much room to spare.
constexpr float kSweepHeadroom = 1.1f;
// Far above any chorus rate; keeps the oscillators close to circular and well away from the
// recursion's limit of 2.
constexpr float kMaxOscillatorCoef = 0.05f;

}  // namespace

void ChorusUnit::create(float fs) {
    const std::size_t n = delayLineLength(fs, 0.0115f);
    lineA_.create(n);
    lineB_.create(n);
    const float d0 = fs * 0.01f;
    const auto longest = static_cast<float>(n - 1);
    baseDelay_ = d0 > 0.0f ? std::min(d0, longest) : 0.0f;
    boundDepths();
    reset();
}

void ChorusUnit::reset() {
    lineA_.clear();
    lineB_.clear();
    oscX_.fill(1.0f);
    oscY_.fill(0.0f);
    out_.fill(0.0f);
}

bool ChorusUnit::clearIfRunaway() {
    for (float tap : out_) {
        if (isRunaway(tap)) {
            reset();
            return true;
        }
    }
    return false;
}

void ChorusUnit::setSpeed(float value, float halfInvFs) {
    const float w = (value + 0.05f) * 2.0f * 3.1415926f * halfInvFs;
    for (std::size_t i = 0; i < k_.size(); ++i) {
        const float omega = w * constants_.rateMultipliers[i];
        const float k = 2.0f * std::sin(omega / 2.0f);
        k_[i] = std::isfinite(k) ? std::clamp(k, -kMaxOscillatorCoef, kMaxOscillatorCoef) : 0.0f;
    }
}

void ChorusUnit::setDepth(float value, float fs) {
    const float d = (value * 0.95f + 0.05f) * fs;
    for (std::size_t i = 0; i < wantedDepth_.size(); ++i) {
        wantedDepth_[i] = d * constants_.depthFactors[i];
    }
    boundDepths();
}

void ChorusUnit::controlUpdate() {
    for (std::size_t i = 0; i < oscX_.size(); ++i) {
        const float g = 1.5f - 0.5f * (oscX_[i] * oscX_[i] + oscY_[i] * oscY_[i]);
        oscX_[i] = oscX_[i] * g;
        oscY_[i] = oscY_[i] * g;
    }
}

// Every swept delay must stay between one sample and the line's length less one, so that
// readAt stays inside the line for any parameter value and any order of setDepth and create.
void ChorusUnit::boundDepths() {
    const auto longest = static_cast<float>(lineA_.size() - 1);
    const float room = std::max(0.0f, std::min(baseDelay_ - 1.0f, longest - baseDelay_));
    const float limit = room / kSweepHeadroom;
    for (std::size_t i = 0; i < depth_.size(); ++i) {
        const float wanted = wantedDepth_[i];
        depth_[i] = std::isfinite(wanted) ? std::clamp(wanted, -limit, limit) : 0.0f;
    }
}

bool ChorusUnit::Piece::readsAhead() const {
    const F32x4 m = min(shortest_, highHalves(shortest_, shortest_));
    const float shortest = std::min(m.lane<0>(), m.lane<1>());
    // A read at delay d touches slots written d - 2 samples before it at the latest.
    return shortest >= static_cast<float>(count_ + 3);
}

void ChorusUnit::Piece::commit(const float* inA, const float* inB) {
    unit_.lineA_.writeRun(inA, static_cast<std::size_t>(count_));
    unit_.lineB_.writeRun(inB, static_cast<std::size_t>(count_));
    outs_[count_ - 1].store(unit_.out_.data());
    sweep_.finish();
}

void ChorusUnit::Piece::finish(const float* in, float* out) {
    const int count = count_;
    if (count <= 0) return;
    if (readsAhead()) {
        alignas(16) float inA[kEffectsPiece];
        alignas(16) float inB[kEffectsPiece];
        // Four samples at a time, the taps transposed into one vector each: the output adds them
        // in tap order, and each line input takes the tap of the sample before:
        // inA = x − 0.1·o1 + 1e−24, inB = x + 0.1·o2 − 1e−24, out = (o0 + o1 + o2 + o3)·0.25.
        const F32x4 tenth = F32x4::splat(0.1f);
        const F32x4 tiny = F32x4::splat(1e-24f);
        F32x4 last1 = F32x4::splat(unit_.out_[1]);
        F32x4 last2 = F32x4::splat(unit_.out_[2]);
        int n = 0;
        for (; n + 4 <= count; n += 4) {
            F32x4 o0 = outs_[n];
            F32x4 o1 = outs_[n + 1];
            F32x4 o2 = outs_[n + 2];
            F32x4 o3 = outs_[n + 3];
            transpose(o0, o1, o2, o3);
            const F32x4 x = F32x4::load(in + n);
            const F32x4 sum = o0 + o1 + o2 + o3;
            // Each tap's previous values: the last lane of the group before, then lanes 0..2.
            const F32x4 turned1 = rotateUp(o1);
            const F32x4 turned2 = rotateUp(o2);
            const F32x4 before1 = withFirst(turned1, last1);
            const F32x4 before2 = withFirst(turned2, last2);
            last1 = turned1;
            last2 = turned2;
            (x - tenth * before1 + tiny).store(inA + n);
            (x + tenth * before2 - tiny).store(inB + n);
            (sum * F32x4::splat(0.25f)).store(out + n);
        }
        float o1 = last1.lane<0>();
        float o2 = last2.lane<0>();
        for (; n < count; ++n) {
            const float x = in[n];
            inA[n] = x - 0.1f * o1 + 1e-24f;
            inB[n] = x + 0.1f * o2 - 1e-24f;
            o1 = outs_[n].lane<1>();
            o2 = outs_[n].lane<2>();
            out[n] = outs_[n].sumInOrder() * 0.25f;
        }
        commit(inA, inB);
        return;
    }
    // The oscillators are still as they were before the piece: the same delays again.
    Sweep again(unit_);
    Taps taps(unit_);
    F32x4 o = F32x4::load(unit_.out_.data());
    for (int n = 0; n < count; ++n) {
        const float x = in[n];
        taps.write(x - 0.1f * o.lane<1>() + 1e-24f, x + 0.1f * o.lane<2>() - 1e-24f);
        taps.advance();
        o = taps.read(again.step());
        out[n] = o.sumInOrder() * 0.25f;
    }
    o.store(unit_.out_.data());
    unit_.lineA_.setWriteIndex(taps.writeIndex());
    unit_.lineB_.setWriteIndex(taps.writeIndex());
    again.finish();
}

#if SORVELLA_WIDE_VECTORS

namespace {

// Slots s and s + 1 of line a in lanes 0 and 1, of line b in lanes 2 and 3.
[[gnu::target("avx2")]] inline __m128 slotPairs(const float* a, std::uint32_t s, const float* b,
                                                std::uint32_t t) {
    // Line slots are only float-aligned: loads that allow any address.
    const __m128 low = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a + s)));
    return _mm_loadh_pi(low, reinterpret_cast<const __m64*>(b + t));
}

}  // namespace

[[gnu::target("avx2")]] void ChorusUnit::stepPairWide(Piece& first, Piece& second, int count) {
    const Sweep& s1 = first.sweep_;
    const Sweep& s2 = second.sweep_;
    __m256 x = simd::joined(s1.x_.v, s2.x_.v);
    __m256 y = simd::joined(s1.y_.v, s2.y_.v);
    const __m256 k = simd::joined(s1.k_.v, s2.k_.v);
    const __m256 depth = simd::joined(s1.depth_.v, s2.depth_.v);
    const __m256 base = simd::joined(s1.base_.v, s2.base_.v);
    const __m256 longest = simd::joined(s1.longest_.v, s2.longest_.v);
    __m256 shortest = simd::joined(first.shortest_.v, second.shortest_.v);
    const Taps& t1 = first.taps_;
    const Taps& t2 = second.taps_;
    __m256 wf = simd::joined(t1.wf_.v, t2.wf_.v);
    const __m256 size = simd::joined(_mm_set1_ps(static_cast<float>(t1.n_)),
                                     _mm_set1_ps(static_cast<float>(t2.n_)));
    const __m256i offset =
        _mm256_setr_epi32(static_cast<std::int32_t>(t1.n_), static_cast<std::int32_t>(t1.n_),
                          static_cast<std::int32_t>(t1.n_), static_cast<std::int32_t>(t1.n_),
                          static_cast<std::int32_t>(t2.n_), static_cast<std::int32_t>(t2.n_),
                          static_cast<std::int32_t>(t2.n_), static_cast<std::int32_t>(t2.n_));
    // In locals, so that the stores into the pieces cannot make the loop load them again.
    const float* const a1 = t1.a_;
    const float* const b1 = t1.b_;
    const float* const a2 = t2.a_;
    const float* const b2 = t2.b_;
    F32x4* const outs1 = first.outs_;
    F32x4* const outs2 = second.outs_;
    for (int n = 0; n < count; ++n) {
        x = _mm256_add_ps(x, _mm256_mul_ps(k, y));
        y = _mm256_sub_ps(y, _mm256_mul_ps(k, x));
        __m256 d = _mm256_add_ps(_mm256_mul_ps(y, depth), base);
        d = _mm256_min_ps(_mm256_max_ps(d, _mm256_setzero_ps()), longest);
        shortest = _mm256_min_ps(shortest, d);

        // Taps::advance: the write index moves on and wraps at the line's end.
        wf = _mm256_add_ps(wf, _mm256_set1_ps(1.0f));
        wf = _mm256_andnot_ps(_mm256_cmp_ps(wf, size, _CMP_EQ_OQ), wf);

        // Taps::read for both units.
        const __m256 p = _mm256_sub_ps(wf, d);
        const __m256i i = _mm256_cvtps_epi32(_mm256_sub_ps(p, _mm256_set1_ps(0.5f)));
        const __m256 f = _mm256_sub_ps(p, _mm256_cvtepi32_ps(i));
        const simd::EightIndexes slot = simd::eightIndexes(_mm256_add_epi32(i, offset));
        const __m256 a = simd::joined(slotPairs(a1, slot.at[0], b1, slot.at[1]),
                                      slotPairs(a2, slot.at[4], b2, slot.at[5]));
        const __m256 b = simd::joined(slotPairs(a1, slot.at[2], b1, slot.at[3]),
                                      slotPairs(a2, slot.at[6], b2, slot.at[7]));
        const __m256 lo = _mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
        const __m256 hi = _mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
        const __m256 o = _mm256_add_ps(lo, _mm256_mul_ps(_mm256_sub_ps(hi, lo), f));
        outs1[n].v = _mm256_castps256_ps128(o);
        outs2[n].v = _mm256_extractf128_ps(o, 1);
    }
    first.sweep_.x_.v = _mm256_castps256_ps128(x);
    first.sweep_.y_.v = _mm256_castps256_ps128(y);
    second.sweep_.x_.v = _mm256_extractf128_ps(x, 1);
    second.sweep_.y_.v = _mm256_extractf128_ps(y, 1);
    first.shortest_.v = _mm256_castps256_ps128(shortest);
    second.shortest_.v = _mm256_extractf128_ps(shortest, 1);
}

// Piece::finish of both pieces at once, unit 1 in the low half of each vector and unit 2 in the
// high half.
[[gnu::target("avx2")]] void ChorusUnit::finishPairWide(Piece& first, Piece& second,
                                                        const float* in1, const float* in2,
                                                        float* out1, float* out2) {
    const int count = first.count_;
    if (count <= 0 || count != second.count_ || !first.readsAhead() || !second.readsAhead()) {
        first.finish(in1, out1);
        second.finish(in2, out2);
        return;
    }
    alignas(16) float inA1[kEffectsPiece];
    alignas(16) float inB1[kEffectsPiece];
    alignas(16) float inA2[kEffectsPiece];
    alignas(16) float inB2[kEffectsPiece];
    __m256 last1 =
        simd::joined(_mm_set1_ps(first.unit_.out_[1]), _mm_set1_ps(second.unit_.out_[1]));
    __m256 last2 =
        simd::joined(_mm_set1_ps(first.unit_.out_[2]), _mm_set1_ps(second.unit_.out_[2]));
    // Groups of four samples; in the last one, samples past the piece's end take silent taps
    // and write nowhere outside the piece.
    for (int n = 0; n < count; n += 4) {
        const bool whole = n + 4 <= count;
        const __m128i valid =
            _mm_cmpgt_epi32(_mm_set1_epi32(count - n), _mm_setr_epi32(0, 1, 2, 3));
        const __m256 o0 = simd::joined(first.outs_[n].v, second.outs_[n].v);
        const __m256 o1 = n + 1 < count ? simd::joined(first.outs_[n + 1].v, second.outs_[n + 1].v)
                                        : _mm256_setzero_ps();
        const __m256 o2 = n + 2 < count ? simd::joined(first.outs_[n + 2].v, second.outs_[n + 2].v)
                                        : _mm256_setzero_ps();
        const __m256 o3 = n + 3 < count ? simd::joined(first.outs_[n + 3].v, second.outs_[n + 3].v)
                                        : _mm256_setzero_ps();
        // Each half transposed: tap k of the four samples in vector k.
        const __m256 t0 = _mm256_unpacklo_ps(o0, o1);
        const __m256 t1 = _mm256_unpacklo_ps(o2, o3);
        const __m256 t2 = _mm256_unpackhi_ps(o0, o1);
        const __m256 t3 = _mm256_unpackhi_ps(o2, o3);
        const __m256 tap0 = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(1, 0, 1, 0));
        const __m256 tap1 = _mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 2, 3, 2));
        const __m256 tap2 = _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(1, 0, 1, 0));
        const __m256 tap3 = _mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(3, 2, 3, 2));
        // Masked loads and stores are slow; only the last group needs them.
        const __m256 x =
            whole ? simd::joined(_mm_loadu_ps(in1 + n), _mm_loadu_ps(in2 + n))
                  : simd::joined(_mm_maskload_ps(in1 + n, valid), _mm_maskload_ps(in2 + n, valid));
        const __m256 sum = _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(tap0, tap1), tap2), tap3);
        const __m256 turned1 = _mm256_shuffle_ps(tap1, tap1, _MM_SHUFFLE(2, 1, 0, 3));
        const __m256 turned2 = _mm256_shuffle_ps(tap2, tap2, _MM_SHUFFLE(2, 1, 0, 3));
        const __m256 before1 = _mm256_blend_ps(turned1, last1, 0x11);
        const __m256 before2 = _mm256_blend_ps(turned2, last2, 0x11);
        last1 = turned1;
        last2 = turned2;
        const __m256 tenth = _mm256_set1_ps(0.1f);
        const __m256 tiny = _mm256_set1_ps(1e-24f);
        const __m256 a = _mm256_add_ps(_mm256_sub_ps(x, _mm256_mul_ps(tenth, before1)), tiny);
        const __m256 b = _mm256_sub_ps(_mm256_add_ps(x, _mm256_mul_ps(tenth, before2)), tiny);
        const __m256 out = _mm256_mul_ps(sum, _mm256_set1_ps(0.25f));
        _mm_store_ps(inA1 + n, _mm256_castps256_ps128(a));
        _mm_store_ps(inA2 + n, _mm256_extractf128_ps(a, 1));
        _mm_store_ps(inB1 + n, _mm256_castps256_ps128(b));
        _mm_store_ps(inB2 + n, _mm256_extractf128_ps(b, 1));
        if (whole) {
            _mm_storeu_ps(out1 + n, _mm256_castps256_ps128(out));
            _mm_storeu_ps(out2 + n, _mm256_extractf128_ps(out, 1));
        } else {
            _mm_maskstore_ps(out1 + n, valid, _mm256_castps256_ps128(out));
            _mm_maskstore_ps(out2 + n, valid, _mm256_extractf128_ps(out, 1));
        }
    }
    first.commit(inA1, inB1);
    second.commit(inA2, inB2);
}

#endif

}  // namespace sorvella
