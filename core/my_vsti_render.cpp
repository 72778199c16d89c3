// The render loop: MIDI events at their sample positions, runs of samples under the audio lock,
// the control update at its fixed interval, and the global chain of each sample.
#include <algorithm>
#include <cfenv>
#include <cmath>

#include "core/my_vsti.h"
#include "core/voice_pool.h"

namespace sorvella {

namespace {

// A run never covers more samples than this, so its scratch buffers live on the stack.
constexpr std::int32_t kMaxRun = 256;

}  // namespace

template <typename Sink>
void MyVsti::renderBlock(std::int32_t frames, Sink&& sink) {
    std::int32_t position = 0;
    while (position < frames) {
        std::unique_lock lock(audioLock_);
        // Events are handled under the lock too, so a program or "Voices" change from another
        // thread never meets a voice list in the middle of a note-on.
        while (events_.hasDue(position)) {
            position_ = position;
            handleEvent(events_.take());
        }
        std::int32_t end = std::min(events_.nextTime(frames), position + kMaxRun);
        bool updateDue = false;
        if (end > nextUpdate_) {
            end = nextUpdate_;
            nextUpdate_ += updateInterval_;
            updateDue = true;
        }
        float left[kMaxRun];
        float right[kMaxRun];
        const std::int32_t count = end - position;
        if (count > 0) {
            position_ = position;
            renderRun(left, right, count, false);
        }
        if (updateDue) controlUpdate();
        lock.unlock();
        if (count > 0) sink(position, left, right, count);
        position = end;
    }
    events_.finishBlock(frames);
    nextUpdate_ -= frames;
}

void MyVsti::renderRun(float* left, float* right, std::int32_t count, bool) {
    for (std::int32_t n = 0; n < count; ++n) {
        float s1 = 0.0f;
        float s2 = 0.0f;
        float s3 = 0.0f;
        if (pool_) {
            MyNote* voice = pool_->head();
            while (voice) {
                MyNote* next = voice->next;
                s1 += voice->nextOsc1Sample();
                s2 += voice->nextOsc2Sample();
                s3 += voice->nextNoiseSample();
                if (voice->finished) pool_->giveBack(voice);
                voice = next;
            }
        }
        const float a1 = mix1_ * s1;
        const float a2 = mix2_ * s2;
        const float a3 = mixBreath_ * s3;
        const float c1 = chorus1_.process(a1);
        const float c2 = chorus2_.process(a2);
        const float f1 = bank1_.process(c1 + a3);
        const float f2 = bank2_.process(c2 + a3);
        const float m = (f1 + f2) * masterGain_;
        const float l = m + reverbL_.process(m) * reverbMix_;
        const float r = m + reverbR_.process(m) * reverbMix_;
        left[n] = l * panL_;
        right[n] = r * panR_;
    }
}

void MyVsti::controlUpdate() {
    chorus1_.controlUpdate();
    chorus2_.controlUpdate();
}

void MyVsti::process(float**, float** outputs, std::int32_t frames) {
    if (!initialised_ || !outputs || !outputs[0] || !outputs[1] || frames <= 0) return;
    std::fesetround(FE_TONEAREST);
    float* outL = outputs[0];
    float* outR = outputs[1];
    renderBlock(frames, [&](std::int32_t at, const float* l, const float* r, std::int32_t n) {
        for (std::int32_t i = 0; i < n; ++i) {
            outL[at + i] += l[i];
            outR[at + i] += r[i];
        }
    });
}

void MyVsti::processReplacing(float**, float** outputs, std::int32_t frames) {
    if (!initialised_ || !outputs || !outputs[0] || !outputs[1] || frames <= 0) return;
    std::fesetround(FE_TONEAREST);
    float* outL = outputs[0];
    float* outR = outputs[1];
    renderBlock(frames, [&](std::int32_t at, const float* l, const float* r, std::int32_t n) {
        std::copy(l, l + n, outL + at);
        std::copy(r, r + n, outR + at);
    });
}

void MyVsti::render16(std::int16_t* interleaved, std::int32_t frames) {
    if (!initialised_ || !interleaved || frames <= 0) return;
    auto toSample = [](float x) -> std::int16_t {
        float scaled = x * 32767.5f;
        // Rounding (value - 0.5) to nearest, with the current rounding mode, then clipping.
        float rounded = std::nearbyint(scaled - 0.5f);
        if (!(rounded > -32767.0f)) return -32767;
        if (rounded > 32767.0f) return 32767;
        return static_cast<std::int16_t>(rounded);
    };
    renderBlock(frames, [&](std::int32_t at, const float* l, const float* r, std::int32_t n) {
        for (std::int32_t i = 0; i < n; ++i) {
            interleaved[2 * (at + i)] = toSample(l[i]);
            interleaved[2 * (at + i) + 1] = toSample(r[i]);
        }
    });
}

}  // namespace sorvella
