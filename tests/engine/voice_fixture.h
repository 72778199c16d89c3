// Shared set-up of the voice tests: the process tables, a context with the initial program's
// values, and the three curves.
#pragma once

#include <cfenv>
#include <memory>

#include "engine/env_data.h"
#include "engine/tables.h"
#include "engine/voice_context.h"

namespace sorvella::testing {

struct VoiceSettings {
    int unison = 3;
    float detune = 0.5f;
    float fm1 = 0.0f, fm2 = 0.0f;  // the parameter values; the context holds −0.25 times them
    float grainLevel = 0.5f, granularTime = 0.5f;
    int shape1 = 0, shape2 = 0;
    float velTime = 0.81f, velLevel = 0.815f, velBreath = 0.79f;
    float osc2Ratio = 2.0f, noiseColor = 0.8f, fs = 44100.0f, bend = 1.0f;
    const float* ownTable1 = nullptr;  // instead of shape1's table
};

// Curves whose segments last `ms` each, so notes end within a short test.
inline void shortenCurve(MyEnvData& curve, float ms) {
    for (int i = 0; i < curve.pointCount(); ++i)
        curve.setDuration(i, ms);
}

class VoiceWorld {
  public:
    explicit VoiceWorld(const VoiceSettings& s = VoiceSettings{}) {
        std::fesetround(FE_TONEAREST);
        tablesOwned_ = !tablesBuilt();
        if (tablesOwned_) buildTables();
        apply(s);
    }
    ~VoiceWorld() {
        if (tablesOwned_) releaseTables();
    }
    VoiceWorld(const VoiceWorld&) = delete;
    VoiceWorld& operator=(const VoiceWorld&) = delete;

    void apply(const VoiceSettings& s) {
        ctx.noteFrequency = noteFrequencyTable();
        ctx.waveTable1 = s.ownTable1 ? s.ownTable1 : waveTable(s.shape1);
        ctx.waveTable2 = waveTable(s.shape2);
        ctx.fs = s.fs;
        ctx.invFs = 1.0f / s.fs;
        ctx.halfInvFs = 0.5f / s.fs;
        ctx.unisonSetting = s.unison;
        ctx.unisonDetune = s.detune;
        ctx.velTime = s.velTime;
        ctx.velLevel = s.velLevel;
        ctx.velBreath = s.velBreath;
        ctx.granularTime = s.granularTime;
        ctx.curves[0] = &osc1;
        ctx.curves[1] = &osc2;
        ctx.curves[2] = &noise;
        ctx.osc2Ratio = s.osc2Ratio;
        ctx.bend = s.bend;
        ctx.fm1 = -0.25f * s.fm1;
        ctx.fm2 = -0.25f * s.fm2;
        ctx.grain = 0.999f * s.grainLevel;
        ctx.noiseCutoff = (s.noiseColor * 0.9f + 0.1f) * 18000.0f * ctx.invFs;
    }

    VoiceContext ctx;
    MyEnvData osc1{"Osc1", 8}, osc2{"Osc2", 8}, noise{"Noise", 8};

  private:
    bool tablesOwned_ = false;
};

}  // namespace sorvella::testing
