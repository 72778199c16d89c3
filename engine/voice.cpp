#include "engine/voice.h"

#include <algorithm>
#include <cmath>

#include "engine/wave_pairs.h"

namespace sorvella {

namespace {

// Detune factor of each unison copy at full spread.
constexpr float kDetune[MyNote::kMaxUnison] = {1.0f,       0.989f,  1.0111223f, 0.9895f,
                                               1.0106114f, 0.9897f, 1.0104072f, 0.9893f};

// What a voice reads when the instrument has no wave tables: silence.
const float kSilentTable[8192] = {};

// Start settings come from the instrument's parameters unchecked; a non-finite one would leave
// the voice producing nothing but NaN, so it counts as 0.
float finiteOrZero(float v) {
    return std::isfinite(v) ? v : 0.0f;
}

}  // namespace

void Note::startBase(std::uint8_t noteNumber, std::uint8_t noteVelocity) {
    finished = false;
    keyHeld = true;
    releasePending = false;
    quickStopped = false;
    armed = false;
    tickCounter = kTicksPerWrap;
    age = 0;
    note = noteNumber;
    velocity = noteVelocity;
}

MyNote::MyNote(VoiceContext& owner)
    : owner_(owner), wave1_{kSilentTable, nullptr}, wave2_{kSilentTable, nullptr} {
    // Voices are built with the instrument, off the audio thread. Without the instrument's own
    // copy of the pairs they read the process-wide one.
    if (owner.wavePairs == nullptr) prepareWavePairs();
    chooseKernels();
}

int MyNote::steadyGroups(int limit) const {
    if ((env1_.active() | env2_.active() | env3_.active()) == 0) return 0;
    return std::min({limit, env1_.steadyGroups(), env2_.steadyGroups(), env3_.steadyGroups()});
}

void MyNote::chooseKernels() {
    if (wave1_.pairs && wave2_.pairs) {
        switch (unisonCount_) {
            case 1:
                return chooseKernels<1, true>();
            case 2:
                return chooseKernels<2, true>();
            case 3:
                return chooseKernels<3, true>();
            case 4:
                return chooseKernels<4, true>();
            case 5:
                return chooseKernels<5, true>();
            case 6:
                return chooseKernels<6, true>();
            case 7:
                return chooseKernels<7, true>();
            default:
                return chooseKernels<8, true>();
        }
    }
    switch (unisonCount_) {
        case 1:
            return chooseKernels<1, false>();
        case 2:
            return chooseKernels<2, false>();
        case 3:
            return chooseKernels<3, false>();
        case 4:
            return chooseKernels<4, false>();
        case 5:
            return chooseKernels<5, false>();
        case 6:
            return chooseKernels<6, false>();
        case 7:
            return chooseKernels<7, false>();
        default:
            return chooseKernels<8, false>();
    }
}

void MyNote::start(int noteNumber, int noteVelocity) {
    startBase(static_cast<std::uint8_t>(std::clamp(noteNumber, 0, 127)),
              static_cast<std::uint8_t>(std::clamp(noteVelocity, 0, 127)));
    const VoiceContext& ctx = owner_;

    const float* table1 = ctx.waveTable1 ? ctx.waveTable1 : kSilentTable;
    const float* table2 = ctx.waveTable2 ? ctx.waveTable2 : kSilentTable;
    auto pairsOf = [&ctx](const float* table) {
        return ctx.wavePairs ? wavePairsIn(ctx.wavePairs, table) : wavePairsFor(table);
    };
    wave1_ = {table1, pairsOf(table1)};
    wave2_ = {table2, pairsOf(table2)};
    unisonCount_ = std::clamp(ctx.unisonSetting, 0, 7) + 1;
    chooseKernels();

    const float detune = finiteOrZero(ctx.unisonDetune);
    const float noteFrequency = ctx.noteFrequency ? ctx.noteFrequency[note] : 0.0f;
    for (int k = 0; k < kMaxUnison; ++k) {
        osc1_.phase[k] = osc2_.phase[k] = osc1_.out[k] = osc2_.out[k] = 0.0f;
        const float g = (1.0f - detune) + detune * kDetune[k];
        freq1_[k] = g * 0.5f * noteFrequency * ctx.halfInvFs;
        freq2_[k] = freq1_[k] * ctx.osc2Ratio;
        osc1_.inc[k] = freq1_[k] * ctx.bend;
        osc2_.inc[k] = freq2_[k] * ctx.bend;
    }

    const float v = static_cast<float>(velocity);
    timeScale_ = 1.0f + finiteOrZero(ctx.velTime) * ((128.0f - v) / 128.0f - 1.0f);
    oscLevel_ = (1.0f + finiteOrZero(ctx.velLevel) * ((v + 1.0f) / 128.0f - 1.0f)) *
                (1.0f / static_cast<float>(unisonCount_));
    breathLevel_ = 1.0f + finiteOrZero(ctx.velBreath) * ((v + 1.0f) / 128.0f - 1.0f);

    // Truncation toward zero of a float that may be anything: compare before converting.
    const float delay = (finiteOrZero(ctx.granularTime) * 0.99f + 0.01f) * ctx.fs;
    std::int32_t length = 1;
    if (delay >= static_cast<float>(GranularLine::kMaxLength)) {
        length = GranularLine::kMaxLength;
    } else if (delay >= 1.0f) {
        length = static_cast<std::int32_t>(delay);
    }
    granular_.reset(length);

    EnvRunner* runners[3] = {&env1_, &env2_, &env3_};
    const float levels[3] = {oscLevel_, oscLevel_, breathLevel_};
    for (int i = 0; i < 3; ++i) {
        if (ctx.curves[i]) {
            runners[i]->load(*ctx.curves[i], levels[i], timeScale_);
        } else {
            *runners[i] = EnvRunner{};
        }
    }
    envValue1_ = envValue2_ = envValue3_ = 0.0f;

    noise_.lastInput = 0.0f;
    noise_.state = 0.0f;
    updateNoiseFilter();
}

void MyNote::noteOff() {
    // Only a held key or a release waiting for the pedal can still release the voice; repeated
    // pedal-ups and stray note-offs must not restart a release that is under way.
    if (!keyHeld && !releasePending) return;
    keyHeld = false;
    if (owner_.sustain) {
        releasePending = true;
        return;
    }
    releasePending = false;
    release();
}

void MyNote::applyPitchBend() {
    const float bend = owner_.bend;
    for (int k = 0; k < kMaxUnison; ++k) {
        osc1_.inc[k] = freq1_[k] * bend;
        osc2_.inc[k] = freq2_[k] * bend;
    }
}

void MyNote::release() {
    armed = true;
    env1_.release();
    env2_.release();
    env3_.release();
}

void MyNote::quickStop() {
    // The fade is final: a later note-off of the same key must not turn it back into a release.
    keyHeld = false;
    releasePending = false;
    quickStopped = true;
    armed = false;
    env1_.fade();
    env2_.fade();
    env3_.fade();
}

void MyNote::releaseBuffers() {
    granular_.clear();
}

void MyNote::updateOsc2Ratio() {
    const float ratio = owner_.osc2Ratio;
    const float bend = owner_.bend;
    for (int k = 0; k < kMaxUnison; ++k) {
        freq2_[k] = freq1_[k] * ratio;
        osc2_.inc[k] = freq2_[k] * bend;
    }
}

void MyNote::updateNoiseFilter() {
    const float c = owner_.noiseCutoff;
    noise_.k = 0.15915494f / c;
    noise_.a = 1.0f / (noise_.k + 1.0f);
    noise_.b = noise_.k * noise_.a;
    if (!(c > 0.0f) || !std::isfinite(noise_.k)) {
        // No cutoff at all (or none that makes sense): the filter's limit towards 0 Hz, which
        // passes the noise's changes unscaled and stays bounded, where the formula would give
        // NaN or an unstable filter.
        noise_.a = 0.0f;
        noise_.b = 1.0f;
    }
}

void MyNote::finishRun(const BlockScratch& s, int n, float* osc1, float* osc2) {
    blockLength_ = n;
    granular_.feedBlock(s.sum1, s.env1, s.sum2, s.env2, owner_.grain, osc1, osc2, n);
}

void MyNote::renderRun(MyNote* head, float* osc1, float* osc2, float* noise, int frames) {
    if (head == nullptr) return;
    // Voices outside an instrument (tests, benchmarks) render with scratch of their own.
    VoiceRunScratch local;
    VoiceRunScratch& scratch = head->owner_.scratch ? *head->owner_.scratch : local;
    BlockScratch& first = scratch.first;
    BlockScratch& second = scratch.second;
    for (int pos = 0; pos < frames; pos += kMaxBlock) {
        const int n = std::min(kMaxBlock, frames - pos);
        for (MyNote* v = head; v != nullptr;) {
            MyNote* w = v->next;
            if (v->finished) {
                v->blockLength_ = 0;
                v = w;
                continue;
            }
            const int fb = v->feedbackIndex();
            // Without feedback a voice alone keeps the processor busy, and a pair only crowds it.
            if (fb != 0 && w != nullptr && !w->finished &&
                w->pairKernels_[fb] == v->pairKernels_[fb]) {
                const PairDone done = v->pairKernels_[fb](*v, *w, first, second, n);
                int m = done.first;
                if (!v->finished && m < n) m = v->runKernels_[fb](*v, first, m, n, nullptr);
                v->finishRun(first, m, osc1 + pos, osc2 + pos);
                m = done.second;
                if (!w->finished && m < n) m = w->runKernels_[fb](*w, second, m, n, nullptr);
                w->finishRun(second, m, osc1 + pos, osc2 + pos);
                v = w->next;
            } else {
                float* lone = v == head && w == nullptr ? noise + pos : nullptr;
                v->finishRun(first, v->runKernels_[fb](*v, first, 0, n, lone), osc1 + pos,
                             osc2 + pos);
                v = w;
            }
        }
        // A voice alone drew its noise in its kernel.
        if (head->next != nullptr || head->blockLength_ == 0) renderNoise(head, noise + pos, n);
    }
}

}  // namespace sorvella
