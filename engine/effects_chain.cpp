#include "engine/effects_chain.h"

#include <algorithm>

#include "engine/formant_bank_wide.h"
#include "engine/lanes8.h"
#include "engine/reverb_wide.h"

namespace sorvella {

namespace {

// The formant banks sample by sample, and beside them the reverbs' damping filters, which do not
// depend on this piece's input: the two recursions overlap.
template <bool kDamping>
void banksAndDamping(FormantBankPair& banks, ReverbUnit::Piece& reverbL, ReverbUnit::Piece& reverbR,
                     const float* c1, const float* c2, const float* breath, float masterGain,
                     float* m, int count) {
    for (int n = 0; n < count; ++n) {
        // The breath noise enters both banks.
        const F32x4 f = banks.step(c1[n] + breath[n], c2[n] + breath[n]);
        m[n] = (f.lane<0>() + f.lane<1>()) * masterGain;
        if constexpr (kDamping) {
            reverbL.step(n);
            reverbR.step(n);
        }
    }
}

void processPiece(const EffectsChain& chain, const ChainLevels& lv, const float* s1,
                  const float* s2, const float* s3, float* left, float* right, int count) {
    alignas(16) float a1[kEffectsPiece];
    alignas(16) float a2[kEffectsPiece];
    alignas(16) float a3[kEffectsPiece];
    for (int n = 0; n < count; ++n) {
        a1[n] = lv.mix1 * s1[n];
        a2[n] = lv.mix2 * s2[n];
        a3[n] = lv.mixBreath * s3[n];
    }
    ChorusUnit::processPair(chain.chorus1, chain.chorus2, a1, a2, a1, a2, count);

    float* m = a3;
    {
        FormantBankPair banks(chain.bank1, chain.bank2);
        ReverbUnit::Piece reverbL(chain.reverbL, count);
        ReverbUnit::Piece reverbR(chain.reverbR, count);
        if (reverbL.batched() && reverbR.batched()) {
            banksAndDamping<true>(banks, reverbL, reverbR, a1, a2, a3, lv.masterGain, m, count);
        } else {
            banksAndDamping<false>(banks, reverbL, reverbR, a1, a2, a3, lv.masterGain, m, count);
            if (reverbL.batched()) {
                for (int n = 0; n < count; ++n)
                    reverbL.step(n);
            }
            if (reverbR.batched()) {
                for (int n = 0; n < count; ++n)
                    reverbR.step(n);
            }
        }
        banks.finish();
        reverbL.finish(m, left);
        reverbR.finish(m, right);
    }
    for (int n = 0; n < count; ++n) {
        left[n] = (m[n] + left[n] * lv.reverbMix) * lv.panL;
        right[n] = (m[n] + right[n] * lv.reverbMix) * lv.panR;
    }
}

#if SORVELLA_WIDE_VECTORS

// Each bank's input, the path's chorus output plus the breath noise, as pairs (bank 1, bank 2)
// after the banks' history.
[[gnu::target("avx2")]] void bankInputPairs(const float* c1, const float* c2, const float* breath,
                                            float* pairs, int count) {
    int n = 0;
    for (; n + 8 <= count; n += 8) {
        const F32x8 b = F32x8::load(breath + n);
        const F32x8 x1 = F32x8::load(c1 + n) + b;
        const F32x8 x2 = F32x8::load(c2 + n) + b;
        const F32x8 lo = zipLow(x1, x2);
        const F32x8 hi = zipHigh(x1, x2);
        lowOfBoth(lo, hi).store(pairs + 2 * n);
        highOfBoth(lo, hi).store(pairs + 2 * n + 8);
    }
    for (; n < count; ++n) {
        pairs[2 * n] = c1[n] + breath[n];
        pairs[2 * n + 1] = c2[n] + breath[n];
    }
}

// processPiece with both formant banks and both reverbs' damping filters in 256-bit registers,
// for a piece shorter than every reverb line.
[[gnu::target("avx2")]] void processPieceWide(const EffectsChain& chain, const ChainLevels& lv,
                                              const float* s1, const float* s2, const float* s3,
                                              float* left, float* right, int count) {
    alignas(32) float a1[kEffectsPiece];
    alignas(32) float a2[kEffectsPiece];
    alignas(32) float a3[kEffectsPiece];
    for (int n = 0; n < count; ++n) {
        a1[n] = lv.mix1 * s1[n];
        a2[n] = lv.mix2 * s2[n];
        a3[n] = lv.mixBreath * s3[n];
    }
    ChorusUnit::processPair(chain.chorus1, chain.chorus2, a1, a2, a1, a2, count);

    FormantBankPairWide banks(chain.bank1, chain.bank2);
    alignas(32) float pairs[4 + 2 * kEffectsPiece];
    banks.history(pairs);
    float* in = pairs + 4;
    bankInputPairs(a1, a2, a3, in, count);
    ReverbUnit::WidePair reverb(chain.reverbL, chain.reverbR, count);
    float* m = a3;
    F32x8 damping = reverb.states();
    for (int n = 0; n < count; ++n) {
        const F32x4 f = banks.step(in + 2 * n);
        m[n] = (f.lane<0>() + f.lane<1>()) * lv.masterGain;
        damping = reverb.step(n, damping);
    }
    banks.finish(in + 2 * (count - 1));
    reverb.finish(m, left, right);
    for (int n = 0; n < count; ++n) {
        left[n] = (m[n] + left[n] * lv.reverbMix) * lv.panL;
        right[n] = (m[n] + right[n] * lv.reverbMix) * lv.panR;
    }
}

#endif

}  // namespace

void clearRunaways(const EffectsChain& chain) {
    chain.chorus1.clearIfRunaway();
    chain.chorus2.clearIfRunaway();
    chain.bank1.clearIfRunaway();
    chain.bank2.clearIfRunaway();
    chain.reverbL.clearIfRunaway();
    chain.reverbR.clearIfRunaway();
}

void processChain(const EffectsChain& chain, const ChainLevels& levels, const float* s1,
                  const float* s2, const float* s3, float* left, float* right, int count) {
    for (int from = 0; from < count; from += kEffectsPiece) {
        const int n = std::min(kEffectsPiece, count - from);
#if SORVELLA_WIDE_VECTORS
        if (wideVectorsAvailable() && ReverbUnit::WidePair::fits(chain.reverbL, chain.reverbR, n)) {
            processPieceWide(chain, levels, s1 + from, s2 + from, s3 + from, left + from,
                             right + from, n);
            continue;
        }
#endif
        processPiece(chain, levels, s1 + from, s2 + from, s3 + from, left + from, right + from, n);
    }
}

}  // namespace sorvella
