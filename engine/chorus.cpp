#include "engine/chorus.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

#include "engine/lanes8.h"
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

namespace {

// Lanes 0..3 of v, or of its half h for the eight-lane types.
template <class V>
SORVELLA_ALWAYS_INLINE F32x4 half(V v, int h) {
    if constexpr (std::is_same_v<V, F32x4>) {
        return v;
    } else {
        return h == 0 ? v.low() : v.high();
    }
}

}  // namespace

// One group of four samples of finish() from sample n, the taps transposed into one vector each:
// the output adds them in tap order, and each line input takes the tap of the sample before:
// inA = x − 0.1·o1 + 1e−24, inB = x + 0.1·o2 − 1e−24, out = (o0 + o1 + o2 + o3)·0.25.
// In the last group of a piece that is not whole, samples past the piece's end take silent taps
// and write nowhere outside the piece.
template <class V, bool kWhole>
SORVELLA_ALWAYS_INLINE void ChorusUnit::finishGroup(Piece* const* pieces, const float* const* in,
                                                    float* const* out, float (*inA)[kEffectsPiece],
                                                    float (*inB)[kEffectsPiece], V& last1, V& last2,
                                                    int n) {
    constexpr int kPieces = std::is_same_v<V, F32x4> ? 1 : 2;
    const int count = pieces[0]->count_;
    V o[4];
    for (int k = 0; k < 4; ++k) {
        if (kWhole || n + k < count) {
            if constexpr (kPieces == 1) {
                o[k] = pieces[0]->outs_[n + k];
            } else {
                o[k] = V::halves(pieces[0]->outs_[n + k], pieces[1]->outs_[n + k]);
            }
        } else {
            o[k] = V::zero();
        }
    }
    transpose(o[0], o[1], o[2], o[3]);
    float rest[kPieces][4] = {};
    const float* from[kPieces];
    for (int h = 0; h < kPieces; ++h) {
        from[h] = in[h] + n;
        if (!kWhole) {
            std::copy(in[h] + n, in[h] + count, rest[h]);
            from[h] = rest[h];
        }
    }
    V x;
    if constexpr (kPieces == 1) {
        x = F32x4::load(from[0]);
    } else {
        x = V::halves(F32x4::load(from[0]), F32x4::load(from[1]));
    }
    const V sum = o[0] + o[1] + o[2] + o[3];
    // Each tap's previous values: the last lane of the group before, then lanes 0..2.
    const V turned1 = rotateUp(o[1]);
    const V turned2 = rotateUp(o[2]);
    const V before1 = withFirst(turned1, last1);
    const V before2 = withFirst(turned2, last2);
    last1 = turned1;
    last2 = turned2;
    const V a = x - V::splat(0.1f) * before1 + V::splat(1e-24f);
    const V b = x + V::splat(0.1f) * before2 - V::splat(1e-24f);
    const V y = sum * V::splat(0.25f);
    for (int h = 0; h < kPieces; ++h) {
        half(a, h).store(inA[h] + n);
        half(b, h).store(inB[h] + n);
        if (kWhole) {
            half(y, h).store(out[h] + n);
        } else {
            half(y, h).store(rest[h]);
            std::copy(rest[h], rest[h] + (count - n), out[h] + n);
        }
    }
}

template <class V>
SORVELLA_ALWAYS_INLINE void ChorusUnit::finishAhead(Piece* const* pieces, const float* const* in,
                                                    float* const* out) {
    constexpr int kPieces = std::is_same_v<V, F32x4> ? 1 : 2;
    const int count = pieces[0]->count_;
    alignas(16) float inA[kPieces][kEffectsPiece];
    alignas(16) float inB[kPieces][kEffectsPiece];
    V last1;
    V last2;
    if constexpr (kPieces == 1) {
        last1 = F32x4::splat(pieces[0]->unit_.out_[1]);
        last2 = F32x4::splat(pieces[0]->unit_.out_[2]);
    } else {
        last1 = V::halves(F32x4::splat(pieces[0]->unit_.out_[1]),
                          F32x4::splat(pieces[1]->unit_.out_[1]));
        last2 = V::halves(F32x4::splat(pieces[0]->unit_.out_[2]),
                          F32x4::splat(pieces[1]->unit_.out_[2]));
    }
    int n = 0;
    for (; n + 4 <= count; n += 4)
        finishGroup<V, true>(pieces, in, out, inA, inB, last1, last2, n);
    if (n < count) finishGroup<V, false>(pieces, in, out, inA, inB, last1, last2, n);
    for (int h = 0; h < kPieces; ++h)
        pieces[h]->commit(inA[h], inB[h]);
}

void ChorusUnit::Piece::finish(const float* in, float* out) {
    const int count = count_;
    if (count <= 0) return;
    if (readsAhead()) {
        Piece* const pieces[] = {this};
        finishAhead<F32x4>(pieces, &in, &out);
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

// Piece::step of both pieces: the oscillators sweep, the write index moves on and wraps at the
// line's end (w = w + 1, 0 at the end), and the taps read at the new delays.
template <class V>
SORVELLA_ALWAYS_INLINE void ChorusUnit::stepLanes(Piece& first, Piece& second, int count) {
    using Int = typename V::Int;
    const Sweep& s1 = first.sweep_;
    const Sweep& s2 = second.sweep_;
    V x = V::halves(s1.x_, s2.x_);
    V y = V::halves(s1.y_, s2.y_);
    const V k = V::halves(s1.k_, s2.k_);
    const V depth = V::halves(s1.depth_, s2.depth_);
    const V base = V::halves(s1.base_, s2.base_);
    const V longest = V::halves(s1.longest_, s2.longest_);
    V shortest = V::halves(first.shortest_, second.shortest_);
    const Taps& t1 = first.taps_;
    const Taps& t2 = second.taps_;
    V w = V::halves(t1.wf_, t2.wf_);
    const V size =
        V::halves(F32x4::splat(static_cast<float>(t1.n_)), F32x4::splat(static_cast<float>(t2.n_)));
    // A rounded read position i in -N..N-1 has its slots at i + N and i + N + 1.
    const Int offset = Int::halves(splatInt(static_cast<std::int32_t>(t1.n_)),
                                   splatInt(static_cast<std::int32_t>(t2.n_)));
    // In locals, so that the stores into the pieces cannot make the loop load them again.
    const float* const a1 = t1.a_;
    const float* const b1 = t1.b_;
    const float* const a2 = t2.a_;
    const float* const b2 = t2.b_;
    F32x4* const outs1 = first.outs_;
    F32x4* const outs2 = second.outs_;
    for (int n = 0; n < count; ++n) {
        const V d = chorus_lanes::sweep(x, y, k, depth, base, longest);
        shortest = min(shortest, d);
        w = zeroWhereEqual(w + V::splat(1.0f), size);  // exact: indexes are far below 2^24
        V f;
        const Int i = chorus_lanes::position(w, d, f);
        const auto slot = indexes(i + offset);
        // Line slots are only float-aligned: loads that allow any address.
        const V taps01 = V::halves(F32x4::twoPairs(a1 + slot.at[0], b1 + slot.at[1]),
                                   F32x4::twoPairs(a2 + slot.at[4], b2 + slot.at[5]));
        const V taps23 = V::halves(F32x4::twoPairs(a1 + slot.at[2], b1 + slot.at[3]),
                                   F32x4::twoPairs(a2 + slot.at[6], b2 + slot.at[7]));
        const V o = chorus_lanes::interpolate(taps01, taps23, f);
        outs1[n] = o.low();
        outs2[n] = o.high();
    }
    first.sweep_.x_ = x.low();
    first.sweep_.y_ = y.low();
    second.sweep_.x_ = x.high();
    second.sweep_.y_ = y.high();
    first.shortest_ = shortest.low();
    second.shortest_ = shortest.high();
}

template <class V>
SORVELLA_ALWAYS_INLINE void ChorusUnit::finishPairLanes(Piece& first, Piece& second,
                                                        const float* in1, const float* in2,
                                                        float* out1, float* out2) {
    const int count = first.count_;
    if (count <= 0 || count != second.count_ || !first.readsAhead() || !second.readsAhead()) {
        first.finish(in1, out1);
        second.finish(in2, out2);
        return;
    }
    Piece* const pieces[] = {&first, &second};
    const float* const in[] = {in1, in2};
    float* const out[] = {out1, out2};
    finishAhead<V>(pieces, in, out);
}

void ChorusUnit::stepPair(Piece& first, Piece& second, int count) {
    stepLanes<F32x4Pair>(first, second, count);
}

void ChorusUnit::finishPair(Piece& first, Piece& second, const float* in1, const float* in2,
                            float* out1, float* out2) {
    finishPairLanes<F32x4Pair>(first, second, in1, in2, out1, out2);
}

#if SORVELLA_WIDE_VECTORS

[[gnu::target("avx2")]] void ChorusUnit::stepPairWide(Piece& first, Piece& second, int count) {
    stepLanes<F32x8>(first, second, count);
}

[[gnu::target("avx2")]] void ChorusUnit::finishPairWide(Piece& first, Piece& second,
                                                        const float* in1, const float* in2,
                                                        float* out1, float* out2) {
    finishPairLanes<F32x8>(first, second, in1, in2, out1, out2);
}

#endif

}  // namespace sorvella
