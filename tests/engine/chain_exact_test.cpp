// The optimised effects units and chain against the plain per-sample model, bit for bit.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "engine/chorus.h"
#include "engine/effects_chain.h"
#include "engine/formant_bank.h"
#include "engine/formant_data.h"
#include "engine/reverb.h"
#include "engine/simd.h"
#include "tests/engine/chain_reference.h"

namespace sorvella {
namespace {

constexpr int kMaxRun = 512;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

class Random {
  public:
    explicit Random(std::uint32_t seed) : state_(seed) {}
    std::uint32_t next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_;
    }
    float uniform() { return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f); }  // 0..1
    float signedUnit() { return uniform() * 2.0f - 1.0f; }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }

  private:
    std::uint32_t state_;
};

// Input of several kinds in turn: noise at very different levels, chords of sines, silence
// and lone impulses.
class Source {
  public:
    explicit Source(std::uint32_t seed) : random_(seed) {}

    float next() {
        if (--left_ <= 0) switchKind();
        ++t_;
        switch (kind_) {
            case 0:
                return random_.signedUnit() * level_;
            case 1: {
                float sum = 0.0f;
                for (int k = 0; k < 3; ++k)
                    sum += std::sin(static_cast<float>(t_) * omega_[k]) * level_;
                return sum;
            }
            case 2:
                return 0.0f;
            default:
                return t_ % 997 == 0 ? level_ : 0.0f;
        }
    }

  private:
    void switchKind() {
        kind_ = random_.below(4);
        left_ = 1 + random_.below(20000);
        const float levels[] = {1.0f, 0.01f, 30.0f, 1e-20f, 1000.0f};
        level_ = levels[random_.below(5)];
        for (float& w : omega_)
            w = 0.001f + random_.uniform() * 0.3f;
    }

    Random random_;
    int kind_ = 0;
    int left_ = 0;
    long t_ = 0;
    float level_ = 1.0f;
    float omega_[3] = {};
};

// The index of the first sample whose bits differ, or -1.
long firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    for (std::size_t n = 0; n < a.size() && n < b.size(); ++n) {
        if (std::memcmp(&a[n], &b[n], sizeof(float)) != 0) return static_cast<long>(n);
    }
    return a.size() == b.size() ? -1 : static_cast<long>(std::min(a.size(), b.size()));
}

// The instrument's effects with the model beside them, driven the way the render loop drives
// them: runs cut at the control interval, parameters changed between runs.
class Rig {
  public:
    explicit Rig(float fs) : fs_(fs) {
        chorus1_.create(fs);
        chorus2_.create(fs);
        reverbL_.create(fs);
        reverbR_.create(fs);
        // As the instrument computes it: 64 * 44100 * (1/fs held in single precision).
        updateInterval_ = static_cast<int>(64.0 * 44100.0 * static_cast<double>(1.0f / fs));
        untilUpdate_ = updateInterval_;
        ref_.chorus1.create(chorus1_);
        ref_.chorus2.create(chorus2_);
        ref_.reverbL.create(reverbL_);
        ref_.reverbR.create(reverbR_);
    }

    // Every parameter of the chain at once; the units keep their state.
    void set(float speed, float depth, float length, float vowelStart, float vowelEnd, float morph,
             float sharpness, const ChainLevels& levels) {
        const float invFs = 1.0f / fs_;
        const float halfInvFs = 0.5f / fs_;
        for (ChorusUnit* c : {&chorus1_, &chorus2_}) {
            c->setSpeed(speed, halfInvFs);
            c->setDepth(depth, fs_);
        }
        reverbL_.setLength(length, halfInvFs);
        reverbR_.setLength(length, halfInvFs);
        selectVowel(startSet_, start_, vowelStart, invFs);
        selectVowel(endSet_, end_, vowelEnd, invFs);
        bank1_.setSharpness(sharpness);
        bank2_.setSharpness(sharpness);
        bank1_.morph(start_, end_, morph);
        bank2_.morph(end_, start_, morph);
        levels_ = levels;
        ref_.chorus1.takeParameters(chorus1_);
        ref_.chorus2.takeParameters(chorus2_);
        ref_.bank1.takeParameters(bank1_);
        ref_.bank2.takeParameters(bank2_);
        ref_.reverbL.takeParameters(reverbL_);
        ref_.reverbR.takeParameters(reverbR_);
    }

    void randomParameters(Random& r) {
        const float extremes[] = {0.0f, 1.0f, 1e30f, -1e30f, kNaN, 0.5f};
        auto value = [&] { return r.below(8) == 0 ? extremes[r.below(6)] : r.uniform(); };
        // Levels are parameter values, always in 0..1 by the time they reach the chain.
        auto level = [&] { return r.below(8) == 0 ? static_cast<float>(r.below(2)) : r.uniform(); };
        const ChainLevels levels{level(), level(), level(), level() * 4.0f,
                                 level(), level(), level()};
        set(value(), value(), value(), r.uniform() * 0.27f, r.uniform() * 0.27f, value(), value(),
            levels);
    }

    // A user-edited vowel with formants far narrower than the table's.
    void narrowFormants(float bandwidth) {
        startSet_.bandwidths.fill(bandwidth);
        endSet_.bandwidths.fill(bandwidth);
    }

    // Renders samples through both, in runs of at most maxRun cut at the control interval.
    void render(Source& source, Random& r, long samples, int maxRun) {
        std::vector<float> s1(kMaxRun), s2(kMaxRun), s3(kMaxRun), left(kMaxRun), right(kMaxRun);
        long done = 0;
        while (done < samples) {
            int count = 1 + r.below(maxRun);
            count = static_cast<int>(std::min<long>({count, samples - done, untilUpdate_}));
            for (int n = 0; n < count; ++n) {
                const auto i = static_cast<std::size_t>(n);
                s1[i] = source.next();
                s2[i] = source.next();
                s3[i] = source.next() * 0.1f;
                float l = 0.0f;
                float rr = 0.0f;
                ref_.process(levels_, s1[i], s2[i], s3[i], l, rr);
                wantLeft_.push_back(l);
                wantRight_.push_back(rr);
            }
            const EffectsChain chain{chorus1_, chorus2_, bank1_, bank2_, reverbL_, reverbR_};
            processChain(chain, levels_, s1.data(), s2.data(), s3.data(), left.data(), right.data(),
                         count);
            gotLeft_.insert(gotLeft_.end(), left.begin(), left.begin() + count);
            gotRight_.insert(gotRight_.end(), right.begin(), right.begin() + count);
            done += count;
            untilUpdate_ -= count;
            if (untilUpdate_ == 0) {
                chorus1_.controlUpdate();
                chorus2_.controlUpdate();
                ref_.controlUpdate();
                untilUpdate_ = updateInterval_;
            }
        }
    }

    void expectExact(const char* what) const {
        EXPECT_EQ(firstDifference(gotLeft_, wantLeft_), -1) << what << ": left";
        EXPECT_EQ(firstDifference(gotRight_, wantRight_), -1) << what << ": right";
    }

    // So that a match is not just silence or a stuck NaN matching itself.
    double finiteNonZeroShare() const {
        long lively = 0;
        for (float x : gotLeft_)
            lively += std::isfinite(x) && x != 0.0f ? 1 : 0;
        return gotLeft_.empty() ? 0.0 : static_cast<double>(lively) / gotLeft_.size();
    }

  private:
    float fs_;
    int updateInterval_ = 0;
    int untilUpdate_ = 0;
    ChorusUnit chorus1_{kChorus1};
    ChorusUnit chorus2_{kChorus2};
    FormantBank bank1_;
    FormantBank bank2_;
    ReverbUnit reverbL_{kReverbL};
    ReverbUnit reverbR_{kReverbR};
    MyFormantData startSet_{"Formant1 Start"};
    MyFormantData endSet_{"Formant1 End"};
    FormantBank start_;
    FormantBank end_;
    ChainLevels levels_{1.0f, 1.0f, 1.0f, 1.0f, 0.5f, 0.5f, 0.5f};
    reference::Chain ref_;
    std::vector<float> gotLeft_, gotRight_, wantLeft_, wantRight_;
};

// Where the processor has AVX2 the chorus takes its wide path unless told not to; both paths
// must give the model's samples.
class ChainExact : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        std::fesetround(FE_TONEAREST);
        allowWideVectors(GetParam());
    }
    void TearDown() override { allowWideVectors(true); }
};

INSTANTIATE_TEST_SUITE_P(BothVectorWidths, ChainExact, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Wide" : "FourLanes";
                         });

// At each rate: runs of every length (single-sample runs hand the state back and take it up again
// every sample), extreme settings, then long input with the parameters changed between runs. Very
// low rates make lines of one or a few slots, very high ones long lines; narrow formants at full
// "Formants L" reach the resonators' pole bound.
TEST_P(ChainExact, OverRunsOfEveryLengthAndChangingParameters) {
    for (float fs : {1.0f, 150.0f, 1000.0f, 8000.0f, 44100.0f, 96000.0f, 192000.0f}) {
        const bool usual = fs == 44100.0f || fs == 96000.0f;
        Rig rig(fs);
        Random random(static_cast<std::uint32_t>(fs));
        Source source(3);
        if (!usual) rig.narrowFormants(1.0f);
        rig.set(0.3f, 1.0f, 1.0f, 0.04f, 0.2f, 0.25f, 1.0f,
                {1.0f, 1.0f, 1.0f, 4.0f, 1.0f, 1.0f, 0.0f});
        for (int maxRun : {1, 2, 3, 7, 63, 512})
            rig.render(source, random, usual ? 20000 : 2000, maxRun);
        rig.set(1e30f, 1.0f, 0.0f, 0.25f, 0.26f, 0.5f, 1.0f,
                {1.0f, 1.0f, 1.0f, 4.0f, 1.0f, 0.5f, 0.5f});
        rig.render(source, random, 20000, kMaxRun);
        rig.set(0.0f, 0.0f, 1.0f, 0.0f, 0.24f, 1.0f, 0.0f,
                {0.0f, 1.0f, 0.5f, 1.0f, 0.0f, 1.0f, 1.0f});
        rig.render(source, random, 20000, kMaxRun);
        for (int block = 0; block < (usual ? 120 : 10); ++block) {
            rig.randomParameters(random);
            rig.render(source, random, 1 + random.below(6000), kMaxRun);
        }
        rig.expectExact(std::to_string(fs).c_str());
        EXPECT_GT(rig.finiteNonZeroShare(), 0.5) << fs;
    }
}

}  // namespace
}  // namespace sorvella
