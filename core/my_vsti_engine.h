// The instrument's sound engine state, private to core/'s implementation files: the voices'
// shared context, the vowel slots and formant banks, the choruses, the reverb and the scratch of
// one run. Kept out of my_vsti.h so that its includers do not compile the engine's kernels.
#pragma once

#include <array>

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
};

}  // namespace sorvella
