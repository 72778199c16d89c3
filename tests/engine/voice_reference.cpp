#include "tests/engine/voice_reference.h"

#include <algorithm>
#include <cmath>

namespace sorvella::testing {

namespace {

const float kDetune[8] = {1.0f,       0.989f,  1.0111223f, 0.9895f,
                          1.0106114f, 0.9897f, 1.0104072f, 0.9893f};
const float kSilence[8192] = {};

float finiteOrZero(float v) {
    return std::isfinite(v) ? v : 0.0f;
}

}  // namespace

float referenceRead(const float* table, float p) {
    const float x = p * 8192.0f;
    const long i = std::lrintf(x - 0.5f);
    const float f = x - static_cast<float>(i);
    const float t0 = table[i & 8191];
    const float t1 = table[(i + 1) & 8191];
    return t0 + (t1 - t0) * f;
}

void ReferenceVoice::start(int noteNumber, int noteVelocity) {
    const VoiceContext& o = owner_;
    finished = false;
    keyHeld = true;
    releasePending = false;
    armed = false;
    tickCounter = 64;
    age = 0;
    note = static_cast<std::uint8_t>(std::clamp(noteNumber, 0, 127));
    velocity = static_cast<std::uint8_t>(std::clamp(noteVelocity, 0, 127));

    table1 = o.waveTable1 ? o.waveTable1 : kSilence;
    table2 = o.waveTable2 ? o.waveTable2 : kSilence;
    unisonCount = std::clamp(o.unisonSetting, 0, 7) + 1;

    const float d = finiteOrZero(o.unisonDetune);
    const float nf = o.noteFrequency ? o.noteFrequency[note] : 0.0f;
    for (int k = 0; k < 8; ++k) {
        phase1[k] = 0.0f;
        phase2[k] = 0.0f;
        out1[k] = 0.0f;
        out2[k] = 0.0f;
        const float g = (1.0f - d) + d * kDetune[k];
        freq1[k] = g * 0.5f * nf * o.halfInvFs;
        freq2[k] = freq1[k] * o.osc2Ratio;
        inc1[k] = freq1[k] * o.bend;
        inc2[k] = freq2[k] * o.bend;
    }

    const float v = velocity;
    const float timeScale = 1.0f + finiteOrZero(o.velTime) * ((128 - v) / 128 - 1.0f);
    const float oscLevel = (1.0f + finiteOrZero(o.velLevel) * ((v + 1) / 128 - 1.0f)) *
                           (1.0f / static_cast<float>(unisonCount));
    const float breathLevel = 1.0f + finiteOrZero(o.velBreath) * ((v + 1) / 128 - 1.0f);

    const float delay = (finiteOrZero(o.granularTime) * 0.99f + 0.01f) * o.fs;
    const double clamped = std::clamp(static_cast<double>(delay), 1.0, 1048576.0);
    granular.assign(static_cast<std::size_t>(clamped), 0.0f);
    granularWrite = 0;
    granularRead = 1 % static_cast<std::int32_t>(granular.size());

    EnvRunner* runners[3] = {&env1, &env2, &env3};
    const float scales[3] = {oscLevel, oscLevel, breathLevel};
    for (int i = 0; i < 3; ++i) {
        *runners[i] = EnvRunner{};
        if (o.curves[i]) runners[i]->load(*o.curves[i], scales[i], timeScale);
    }
    envValue1 = envValue2 = envValue3 = 0.0f;

    noiseLastInput = 0.0f;
    noiseState = 0.0f;
    updateNoiseFilter();
}

void ReferenceVoice::noteOff() {
    if (!keyHeld && !releasePending) return;
    keyHeld = false;
    if (owner_.sustain) {
        releasePending = true;
    } else {
        releasePending = false;
        release();
    }
}

void ReferenceVoice::applyPitchBend() {
    for (int k = 0; k < 8; ++k) {
        inc1[k] = freq1[k] * owner_.bend;
        inc2[k] = freq2[k] * owner_.bend;
    }
}

void ReferenceVoice::release() {
    armed = true;
    env1.release();
    env2.release();
    env3.release();
}

void ReferenceVoice::quickStop() {
    keyHeld = false;
    releasePending = false;
    armed = false;
    env1.fade();
    env2.fade();
    env3.fade();
}

void ReferenceVoice::updateOsc2Ratio() {
    for (int k = 0; k < 8; ++k) {
        freq2[k] = freq1[k] * owner_.osc2Ratio;
        inc2[k] = freq2[k] * owner_.bend;
    }
}

void ReferenceVoice::updateNoiseFilter() {
    const float c = owner_.noiseCutoff;
    noiseK = 0.15915494f / c;
    noiseA = 1.0f / (noiseK + 1.0f);
    noiseB = noiseK * noiseA;
    if (!(c > 0.0f) || !std::isfinite(noiseK)) {
        noiseA = 0.0f;
        noiseB = 1.0f;
    }
}

float ReferenceVoice::nextOsc1Sample() {
    tickCounter = tickCounter - 1;
    if (tickCounter == 0) {
        tickCounter = 64;
        wrapPhases();
    }
    return osc1Sample();
}

float ReferenceVoice::nextOsc2Sample() {
    return osc2Sample();
}

float ReferenceVoice::osc1Sample() {
    envValue1 = env1.active() != 0 ? env1.next() : 0.0f;
    envValue2 = env2.active() != 0 ? env2.next() : 0.0f;
    envValue3 = env3.active() != 0 ? env3.next() : 0.0f;
    const std::int64_t running = std::int64_t{env1.active()} + env2.active() + env3.active();
    if (!armed) {
        armed = running != 0;
    } else {
        finished = running == 0;
    }
    float s = 0.0f;
    for (int k = 0; k < unisonCount; ++k) {
        out1[k] = referenceRead(table1, out1[k] * owner_.fm1 + phase1[k]);
        s += out1[k];
        phase1[k] += inc1[k];
    }
    const float y = s * envValue1 - lineRead() * owner_.grain;
    lineWrite(y);
    return y;
}

float ReferenceVoice::osc2Sample() {
    float s = 0.0f;
    for (int k = 0; k < unisonCount; ++k) {
        out2[k] = referenceRead(table2, out2[k] * owner_.fm2 + phase2[k]);
        s += out2[k];
        phase2[k] += inc2[k];
    }
    const float y = s * envValue2 - lineRead() * owner_.grain;
    lineWrite(y);
    return y;
}

float ReferenceVoice::nextNoiseSample() {
    owner_.noiseSeed = (owner_.noiseSeed * 15625 + 1) & 65535;
    const float r = static_cast<float>(owner_.noiseSeed) / 65536.0f;
    noiseState = (noiseState + r - noiseLastInput) * noiseB - 1e-24f;
    noiseLastInput = r;
    return noiseState * envValue3;
}

void ReferenceVoice::wrapPhases() {
    age = age + 1;
    for (int k = 0; k < unisonCount; ++k) {
        phase1[k] = phase1[k] - static_cast<float>(std::lrintf(phase1[k] - 0.5f));
        phase2[k] = phase2[k] - static_cast<float>(std::lrintf(phase2[k] - 0.5f));
    }
}

float ReferenceVoice::lineRead() {
    const float v = granular[static_cast<std::size_t>(granularRead)];
    granularRead = granularRead + 1;
    if (granularRead == static_cast<std::int32_t>(granular.size())) granularRead = 0;
    return v;
}

void ReferenceVoice::lineWrite(float y) {
    granular[static_cast<std::size_t>(granularWrite)] = y;
    granularWrite = granularWrite + 1;
    if (granularWrite == static_cast<std::int32_t>(granular.size())) granularWrite = 0;
}

}  // namespace sorvella::testing
