#include "engine/effects_chain.h"

#include <algorithm>

namespace sorvella {

namespace {

// Stages run over pieces of this many samples; the instrument's runs at 44.1 kHz fit one.
constexpr int kPiece = 64;

void processPiece(const EffectsChain& chain, const ChainLevels& lv, const float* s1,
                  const float* s2, const float* s3, float* left, float* right, int count) {
    // Each stage is elementwise or a pair of units over the piece; both units of a pair run
    // side by side so that their recursions overlap.
    float a1[kPiece] = {};
    float a2[kPiece] = {};
    float a3[kPiece] = {};
    for (int n = 0; n < count; ++n) {
        a1[n] = lv.mix1 * s1[n];
        a2[n] = lv.mix2 * s2[n];
        a3[n] = lv.mixBreath * s3[n];
    }
    ChorusUnit::processPair(chain.chorus1, chain.chorus2, a1, a2, a1, a2, count);
    for (int n = 0; n < count; ++n) {
        // The breath noise enters both banks.
        a1[n] = a1[n] + a3[n];
        a2[n] = a2[n] + a3[n];
    }
    FormantBank::processPair(chain.bank1, chain.bank2, a1, a2, a1, a2, count);
    float* m = a3;
    for (int n = 0; n < count; ++n)
        m[n] = (a1[n] + a2[n]) * lv.masterGain;
    ReverbUnit::processPair(chain.reverbL, chain.reverbR, m, left, right, count);
    for (int n = 0; n < count; ++n) {
        left[n] = (m[n] + left[n] * lv.reverbMix) * lv.panL;
        right[n] = (m[n] + right[n] * lv.reverbMix) * lv.panR;
    }
}

}  // namespace

void processChain(const EffectsChain& chain, const ChainLevels& levels, const float* s1,
                  const float* s2, const float* s3, float* left, float* right, int count) {
    for (int from = 0; from < count; from += kPiece) {
        const int n = std::min(kPiece, count - from);
        processPiece(chain, levels, s1 + from, s2 + from, s3 + from, left + from, right + from, n);
    }
}

}  // namespace sorvella
