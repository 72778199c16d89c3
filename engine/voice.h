// A voice plays one note: two stacks of unison wavetable oscillators with feedback FM, each under
// its own envelope and through the voice's granular comb, and a high-passed breath noise under a
// third envelope. The instrument keeps a pool of them and sums their three paths every sample.
#pragma once

#include <cstdint>

#include "engine/env_runner.h"
#include "engine/granular_line.h"
#include "engine/unison_stack.h"
#include "engine/voice_context.h"

namespace sorvella {

class MyNote;

// What the allocator and the render loop look at.
class Note {
  public:
    static constexpr std::int32_t kTicksPerWrap = 64;

    std::uint8_t note = 0;
    std::uint8_t velocity = 0;
    std::int32_t tickCounter = kTicksPerWrap;  // phases wrap when it runs out
    std::int32_t age = 0;                      // wraps since start
    bool armed = false;                        // sounded at least once, or released
    bool finished = true;                      // all envelopes ended: back to the pool
    bool keyHeld = false;
    bool releasePending = false;  // note-off came while the sustain pedal was down
    bool quickStopped = false;    // fading out after a quick stop
    MyNote* previous = nullptr;   // the render loop's list of sounding voices
    MyNote* next = nullptr;

  protected:
    void startBase(std::uint8_t noteNumber, std::uint8_t noteVelocity);
};

// The instrument's breath-noise generator, a 16-bit linear congruential sequence.
inline constexpr std::uint32_t kNoiseMultiplier = 15625u;
inline std::uint32_t nextNoiseSeed(std::uint32_t seed) {
    return (seed * kNoiseMultiplier + 1u) & 65535u;
}

// One-pole high-pass of the breath noise.
struct NoiseFilter {
    float a = 1.0f;
    float b = 0.0f;
    float k = 0.0f;
    float lastInput = 0.0f;
    float state = 0.0f;
};

// The only kind of voice. Its operations are not virtual: the render loop calls them for every
// sounding voice at every sample.
class MyNote final : public Note {
  public:
    static constexpr int kMaxUnison = UnisonStack::kLanes;
    static constexpr int kMaxBlock = 256;

    explicit MyNote(VoiceContext& owner);
    MyNote(const MyNote&) = delete;
    MyNote& operator=(const MyNote&) = delete;

    // Starts a note with everything the owner holds at this moment. Notes and velocities are
    // taken into 0..127.
    void start(int noteNumber, int noteVelocity);
    void noteOff();
    void applyPitchBend();
    void release();
    void quickStop();
    void releaseBuffers();
    void updateOsc2Ratio();
    void updateNoiseFilter();

    // Voice after voice instead of sample after sample, for a run of samples in which no event
    // intervenes: adds to osc1[], osc2[] and noise[] the three paths of the voices from `head`
    // along `next` (all of one instrument), exactly as the per-sample calls in list order would,
    // with each finished voice left out from the sample after it finished. Voices finished on
    // entry or during the run have `finished` set for the caller to unlink.
    static void renderRun(MyNote* head, float* osc1, float* osc2, float* noise, int frames);

    std::int32_t unisonCount() const { return unisonCount_; }
    const float* table1() const { return wave1_.table; }
    const float* table2() const { return wave2_.table; }
    const float* phase1() const { return osc1_.phase; }
    const float* phase2() const { return osc2_.phase; }
    const float* out1() const { return osc1_.out; }
    const float* out2() const { return osc2_.out; }
    const float* freq1() const { return freq1_; }
    const float* freq2() const { return freq2_; }
    const float* inc1() const { return osc1_.inc; }
    const float* inc2() const { return osc2_.inc; }
    float envValue1() const { return envValue1_; }
    float envValue2() const { return envValue2_; }
    float envValue3() const { return envValue3_; }
    float timeScale() const { return timeScale_; }
    float oscLevel() const { return oscLevel_; }
    float breathLevel() const { return breathLevel_; }
    const NoiseFilter& noiseFilter() const { return noise_; }
    const GranularLine& granular() const { return granular_; }
    void clearRunawayComb() { granular_.clearIfRunaway(); }
    const EnvRunner& env1() const { return env1_; }
    const EnvRunner& env2() const { return env2_; }
    const EnvRunner& env3() const { return env3_; }

    // The voice's part of a run: envelope values and stack sums, then through the granular line.
    struct BlockScratch {
        alignas(16) float env1[kMaxBlock];
        alignas(16) float env2[kMaxBlock];
        alignas(16) float sum1[kMaxBlock];
        alignas(16) float sum2[kMaxBlock];
    };

  private:
    // Samples done by each voice of a pair; one that has not finished goes on alone from there.
    struct PairDone {
        int first;
        int second;
    };

    // Kernels specialised for the copy count, the wave pairs and which stacks have feedback FM;
    // start() picks the four of its note, the feedback amounts pick one at each call.
    using RunKernel = int (*)(MyNote&, BlockScratch&, int, int, float*);
    using PairKernel = PairDone (*)(MyNote&, MyNote&, BlockScratch&, BlockScratch&, int);
    // A voice alone in the list also draws its breath noise into `noise` (else null), so that
    // the noise filter's recursion overlaps the oscillators' work.
    template <int kCount, bool kFb1, bool kFb2, bool kPairs>
    static int runKernel(MyNote& v, BlockScratch& s, int from, int frames, float* noise);
    // Two voices of the same kind side by side while both last whole groups of four samples.
    template <int kCount, bool kFb1, bool kFb2, bool kPairs>
    static PairDone pairKernel(MyNote& a, MyNote& b, BlockScratch& sa, BlockScratch& sb,
                               int frames);
    // The same with the pairs, both stacks in one 256-bit register per group of copies.
    template <int kCount, bool kFb1, bool kFb2>
    static int runKernelWide(MyNote& v, BlockScratch& s, int from, int frames, float* noise);
    template <int kCount, bool kFb1, bool kFb2>
    static PairDone pairKernelWide(MyNote& a, MyNote& b, BlockScratch& sa, BlockScratch& sb,
                                   int frames);
    // What the kernels run, written once over the lane type V (F32x4Pair or F32x8).
    template <class V, int kCount, bool kFb1, bool kFb2, bool kPairs>
    static int runLanes(MyNote& v, BlockScratch& s, int from, int frames, float* noise);
    template <class V, int kCount, bool kFb1, bool kFb2, bool kPairs>
    static PairDone pairLanes(MyNote& a, MyNote& b, BlockScratch& sa, BlockScratch& sb, int frames);
    template <class V, int kCount>
    using Stacks = stack_detail::BothStacks<V, kCount>;
    template <class V, int kCount, bool kFb1, bool kFb2, bool kPairs>
    void stepEach(Stacks<V, kCount>& h, V fm, BlockScratch& s, int j, int k);
    template <class V, int kCount, bool kFb1, bool kFb2, bool kPairs>
    void stepFour(Stacks<V, kCount>& h, V fm, BlockScratch& s, int j);
    template <int kCount, bool kPairs>
    void chooseKernels();
    void chooseKernels();
    int envelopeGroup(BlockScratch& s, int j, int group);
    // Groups of four samples, at most `limit`, through which every runner stays in its segment
    // and at least one sounds; 0 without SSE2.
    int steadyGroups(int limit) const;
    // After steady groups up to sample j: the values of the last sample, and armed.
    void leaveSteady(const BlockScratch& s, int j) {
        envValue1_ = s.env1[j - 1];
        envValue2_ = s.env2[j - 1];
        envValue3_ = blockEnv3_[j - 1];
        armed = true;
    }
    void finishRun(const BlockScratch& s, int n, float* osc1, float* osc2);
    static void renderNoise(MyNote* head, float* noise, int frames);
    static void renderNoiseLanes(MyNote* const* voices, int count, float* noise, int frames);

    int feedbackIndex() const {
        return (owner_.fm1 != 0.0f ? 1 : 0) | (owner_.fm2 != 0.0f ? 2 : 0);
    }
    // The next draw through a voice's high-pass filter, scaled by its envelope.
    [[gnu::always_inline]] static float filteredNoise(NoiseFilter& f, std::uint32_t& seed,
                                                      float envelope) {
        seed = nextNoiseSeed(seed);
        const float r = static_cast<float>(seed) / 65536.0f;
        f.state = (f.state + r - f.lastInput) * f.b - 1e-24f;
        f.lastInput = r;
        return f.state * envelope;
    }
    [[gnu::always_inline]] float noiseWith(float envelope, std::uint32_t& seed) {
        return filteredNoise(noise_, seed, envelope);
    }
    // A run kernel's breath noise: the filter and the generator held in registers.
    struct LoneNoise {
        float* out;  // null when the voice is not alone
        NoiseFilter filter;
        std::uint32_t seed;

        // Samples j..j+k-1 under the envelope values env[j..].
        [[gnu::always_inline]] void draw(const float* env, int j, int k) {
            if (out == nullptr) return;
            for (int i = j; i < j + k; ++i)
                out[i] += filteredNoise(filter, seed, env[i]);
        }
    };
    LoneNoise loneNoise(float* out) { return {out, noise_, owner_.noiseSeed}; }
    void keepNoise(const LoneNoise& n) {
        if (n.out == nullptr) return;
        noise_ = n.filter;
        owner_.noiseSeed = n.seed;
    }
    // Every kTicksPerWrap samples the held phases drop their integer parts, and the voice ages.
    template <class V, int kCount>
    [[gnu::always_inline]] void tickHeld(Stacks<V, kCount>& h) {
        if (--tickCounter == 0) {
            tickCounter = kTicksPerWrap;
            ++age;
            h.wrap();
        }
    }
    [[gnu::always_inline]] void advanceEnvelopes() {
        envValue1_ = env1_.next();
        envValue2_ = env2_.next();
        envValue3_ = env3_.next();
        const bool running = (env1_.active() | env2_.active() | env3_.active()) != 0;
        if (!armed) {
            armed = running;
        } else {
            finished = !running;
        }
    }

    VoiceContext& owner_;
    UnisonStack osc1_{};
    UnisonStack osc2_{};
    StackWave wave1_;
    StackWave wave2_;
    RunKernel runKernels_[4];
    PairKernel pairKernels_[4];
    std::int32_t unisonCount_ = 1;
    float envValue1_ = 0.0f;
    float envValue2_ = 0.0f;
    float envValue3_ = 0.0f;
    NoiseFilter noise_;
    GranularLine granular_;
    EnvRunner env1_;
    EnvRunner env2_;
    EnvRunner env3_;
    alignas(16) float freq1_[kMaxUnison] = {};
    alignas(16) float freq2_[kMaxUnison] = {};
    float timeScale_ = 1.0f;
    float oscLevel_ = 1.0f;
    float breathLevel_ = 1.0f;
    std::int32_t blockLength_ = 0;  // samples of the voice in the current run
    alignas(16) float blockEnv3_[kMaxBlock] = {};
};

// Two voices' blocks, for a pair rendered side by side; page-aligned so that where it lies never
// depends on the allocator.
struct alignas(4096) VoiceRunScratch {
    MyNote::BlockScratch first;
    MyNote::BlockScratch second;
};

}  // namespace sorvella
