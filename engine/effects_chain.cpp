#include "engine/effects_chain.h"

#include <algorithm>

namespace sorvella {

namespace {

#if SORVELLA_SSE2

// The formant banks sample by sample, and beside them the reverbs' damping filters, which do not
// depend on this piece's input: the two recursions overlap.
template <bool kDamping>
void banksAndDamping(FormantBankPair& banks, ReverbUnit::Piece& reverbL, ReverbUnit::Piece& reverbR,
                     const float* c1, const float* c2, const float* breath, float masterGain,
                     float* m, int count) {
    for (int n = 0; n < count; ++n) {
        // The breath noise enters both banks.
        const __m128 f = banks.step(c1[n] + breath[n], c2[n] + breath[n]);
        m[n] = (simd::lane0(f) + simd::lane1(f)) * masterGain;
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

#else

void processPiece(const EffectsChain& chain, const ChainLevels& lv, const float* s1,
                  const float* s2, const float* s3, float* left, float* right, int count) {
    for (int n = 0; n < count; ++n) {
        const float a3 = lv.mixBreath * s3[n];
        const float c1 = chain.chorus1.process(lv.mix1 * s1[n]);
        const float c2 = chain.chorus2.process(lv.mix2 * s2[n]);
        const float m =
            (chain.bank1.process(c1 + a3) + chain.bank2.process(c2 + a3)) * lv.masterGain;
        left[n] = (m + chain.reverbL.process(m) * lv.reverbMix) * lv.panL;
        right[n] = (m + chain.reverbR.process(m) * lv.reverbMix) * lv.panR;
    }
}

#endif

}  // namespace

void processChain(const EffectsChain& chain, const ChainLevels& levels, const float* s1,
                  const float* s2, const float* s3, float* left, float* right, int count) {
    for (int from = 0; from < count; from += kEffectsPiece) {
        const int n = std::min(kEffectsPiece, count - from);
        processPiece(chain, levels, s1 + from, s2 + from, s3 + from, left + from, right + from, n);
    }
}

}  // namespace sorvella
