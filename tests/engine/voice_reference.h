// A voice written as plainly as possible, one copy and one step at a time, to check the engine's
// optimised voice against, sample for sample and bit for bit.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/env_runner.h"
#include "engine/voice_context.h"

namespace sorvella::testing {

// The wave-table read: x = p·8192, i = x − 0.5 rounded to nearest, f = x − i, linear
// interpolation between entries i and i + 1 masked to 13 bits.
float referenceRead(const float* table, float p);

class ReferenceVoice {
  public:
    explicit ReferenceVoice(VoiceContext& owner) : owner_(owner) {}

    void start(int noteNumber, int noteVelocity);
    void noteOff();
    void applyPitchBend();
    void release();
    void quickStop();
    void updateOsc2Ratio();
    void updateNoiseFilter();
    float nextOsc1Sample();
    float nextOsc2Sample();
    float nextNoiseSample();

    std::uint8_t note = 0, velocity = 0;
    std::int32_t tickCounter = 64, age = 0;
    bool armed = false, finished = true, keyHeld = false, releasePending = false;

    std::int32_t unisonCount = 1;
    const float *table1 = nullptr, *table2 = nullptr;
    float phase1[8] = {}, phase2[8] = {}, out1[8] = {}, out2[8] = {};
    float freq1[8] = {}, freq2[8] = {}, inc1[8] = {}, inc2[8] = {};
    EnvRunner env1, env2, env3;
    float envValue1 = 0.0f, envValue2 = 0.0f, envValue3 = 0.0f;
    float noiseA = 1.0f, noiseB = 0.0f, noiseK = 0.0f, noiseLastInput = 0.0f, noiseState = 0.0f;
    std::vector<float> granular;
    std::int32_t granularWrite = 0, granularRead = 0;

  private:
    float osc1Sample();
    float osc2Sample();
    void wrapPhases();
    float lineRead();
    void lineWrite(float y);

    VoiceContext& owner_;
};

}  // namespace sorvella::testing
