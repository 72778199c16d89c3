// The instrument's global chain over a run of samples: path levels, the two choruses, the
// breath noise into both formant banks, the master gain, the reverb and the pan law.
#pragma once

#include "engine/chorus.h"
#include "engine/formant_bank.h"
#include "engine/reverb.h"

namespace sorvella {

struct EffectsChain {
    ChorusUnit& chorus1;
    ChorusUnit& chorus2;
    FormantBank& bank1;
    FormantBank& bank2;
    ReverbUnit& reverbL;
    ReverbUnit& reverbR;
};

struct ChainLevels {
    float mix1;
    float mix2;
    float mixBreath;
    float masterGain;
    float reverbMix;
    float panL;
    float panR;
};

// s1, s2 and s3 are the voices' summed oscillator 1, oscillator 2 and noise paths; left and
// right receive the output. All units advance by count samples.
void processChain(const EffectsChain& chain, const ChainLevels& levels, const float* s1,
                  const float* s2, const float* s3, float* left, float* right, int count);

// Each recursive unit of the chain clears itself if it has run away (see engine/runaway.h).
void clearRunaways(const EffectsChain& chain);

}  // namespace sorvella
