// The instrument's sound engine state, private to core/'s implementation files: the voices'
// shared context, the vowel slots and formant banks, the choruses, the reverb and the scratch of
// one run. Kept out of my_vsti.h so that its includers do not compile the engine's kernels.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "core/my_vsti.h"
#include "engine/chorus.h"
#include "engine/effects_chain.h"
#include "engine/formant_bank.h"
#include "engine/reverb.h"
#include "engine/voice_context.h"

namespace sorvella {

struct MyVsti::Engine {
    Engine() : chorus1(kChorus1), chorus2(kChorus2), reverbL(kReverbL), reverbR(kReverbR) {}

    EffectsChain chain() { return {chorus1, chorus2, bank1, bank2, reverbL, reverbR}; }

    VoiceContext context;
    std::array<FormantBank, 4> vowelSlots;  // Vowel1 start, Vowel1 end, Vowel2 start, Vowel2 end
    FormantBank bank1;
    FormantBank bank2;
    ChorusUnit chorus1;
    ChorusUnit chorus2;
    ReverbUnit reverbL;
    ReverbUnit reverbR;

    // Scratch of one run of samples: the voices' three paths.
    struct RunBuffers {
        float s1[kMaxRun];
        float s2[kMaxRun];
        float s3[kMaxRun];
    };
    RunBuffers run{};

    // Idle instances rest: once no voice has sounded and every output sample has stayed below
    // kRestLevel for a second, the chain stops and the output is exact zeros until a voice
    // sounds again; the effects then start from silence.
    static constexpr float kRestLevel = 0x1p-60f;
    std::int64_t quietFrames = 0;
    std::int64_t restAfterFrames = 44100;
    bool resting = false;

    bool restsThisRun(bool voicesSound) {
        if (voicesSound) {
            resting = false;
            quietFrames = 0;
            return false;
        }
        return quietFrames >= restAfterFrames;
    }

    void countQuietFrames(bool voicesSound, const float* left, const float* right,
                          std::int32_t count) {
        if (voicesSound) {
            quietFrames = 0;
            return;
        }
        for (std::int32_t i = 0; i < count; ++i) {
            const bool quiet = std::fabs(left[i]) < kRestLevel && std::fabs(right[i]) < kRestLevel;
            quietFrames = quiet ? std::min(quietFrames + 1, restAfterFrames) : 0;
        }
    }
};

}  // namespace sorvella
