// The render loop: MIDI events at their sample positions, runs of samples under the audio lock,
// the control update at its fixed interval, and the global chain of each sample.
#include <algorithm>
#include <cfenv>
#include <cmath>

#include "core/my_vsti.h"
#include "core/my_vsti_engine.h"
#include "core/voice_pool.h"
#include "engine/effects_chain.h"

namespace sorvella {

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
        const std::int32_t end = std::min(events_.nextTime(frames), position + kMaxRun);
        const std::int32_t count = end - position;
        float left[kMaxRun];
        float right[kMaxRun];
        position_ = position;
        if (engine_->restsThisRun(pool_ && pool_->head())) {
            if (!engine_->resting) {
                // What the effects still hold lies below the rest level.
                resetEffects();
                engine_->resting = true;
            }
            // At rest the whole chain is still, the choruses' oscillators included.
            std::fill(left, left + count, 0.0f);
            std::fill(right, right + count, 0.0f);
            while (nextUpdate_ < end)
                nextUpdate_ += updateInterval_;
        } else {
            renderVoices(count);
            // The control update touches only the choruses' oscillators, so the voices run on
            // through it and only the chain stops there. An update due at an event's sample
            // comes after the event, as the run starting there takes it.
            std::int32_t done = 0;
            while (nextUpdate_ < end) {
                const std::int32_t upTo = std::max(nextUpdate_ - position, done);
                renderChain(left, right, done, upTo - done);
                controlUpdate();
                nextUpdate_ += updateInterval_;
                done = upTo;
            }
            renderChain(left, right, done, count - done);
            clearRunaways(engine_->chain());
            engine_->countQuietFrames(pool_ && pool_->head(), left, right, count);
        }
        lock.unlock();
        if (programChangedInRender_) {
            programChangedInRender_ = false;
            announceProgram();
        }
        if (count > 0) sink(position, left, right, count);
        position = end;
    }
    events_.finishBlock(frames);
    // A host thread's rate change resets the counter under the lock; so is it counted down.
    std::lock_guard lock(audioLock_);
    nextUpdate_ -= frames;
}

void MyVsti::renderVoices(std::int32_t count) {
    if (count <= 0 || count > kMaxRun) return;
    // The voices' three paths over the whole run, voice after voice, summed in list order as
    // sample after sample would be; voices that finished go back to the pool at its end.
    std::fill(engine_->run.s1, engine_->run.s1 + count, 0.0f);
    std::fill(engine_->run.s2, engine_->run.s2 + count, 0.0f);
    std::fill(engine_->run.s3, engine_->run.s3 + count, 0.0f);
    if (pool_ && pool_->head()) {
        MyNote::renderRun(pool_->head(), engine_->run.s1, engine_->run.s2, engine_->run.s3, count);
        for (MyNote* voice = pool_->head(); voice;) {
            MyNote* next = voice->next;
            voice->clearRunawayComb();
            if (voice->finished) pool_->giveBack(voice);
            voice = next;
        }
    }
}

void MyVsti::renderChain(float* left, float* right, std::int32_t from, std::int32_t count) {
    if (from < 0 || count <= 0 || from + count > kMaxRun) return;
    // Every stage of the chain is either elementwise or a unit's own sequence, so running it
    // stage by stage over the run does not change a single sample.
    const EffectsChain chain = engine_->chain();
    const ChainLevels levels{mix1_, mix2_, mixBreath_, masterGain_, reverbMix_, panL_, panR_};
    processChain(chain, levels, engine_->run.s1 + from, engine_->run.s2 + from,
                 engine_->run.s3 + from, left + from, right + from, count);
}

void MyVsti::controlUpdate() {
    engine_->chorus1.controlUpdate();
    engine_->chorus2.controlUpdate();
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
