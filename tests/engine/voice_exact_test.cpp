// The engine's voice against the plain reference voice, bit for bit: the summed paths and every
// voice's final state when the voices run one after another through runs of one to many samples,
// over settings and events that exercise each kernel.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/tables.h"
#include "engine/voice.h"
#include "engine/wave_pairs.h"
#include "tests/engine/voice_fixture.h"
#include "tests/engine/voice_reference.h"

namespace sorvella::testing {
namespace {

enum class Act { Start, NoteOff, QuickStop, Bend, Fm1, Fm2, Osc2Ratio, NoiseCutoff, Grain, Pedal };

struct Event {
    int at;
    Act act;
    float value = 0.0f;
    int voice = 0;
    int note = 60;
};

struct Scenario {
    std::string name;
    VoiceSettings settings;
    std::vector<int> notes;  // voices started at sample 0
    std::vector<Event> events;
    int samples = 6000;
    float segmentMs = 20.0f;
    int velocity = 100;
    unsigned missingCurves = 0;  // bit i: the context has no curve i
};

std::uint32_t bits(float v) {
    return std::bit_cast<std::uint32_t>(v);
}

// The instrument side of an event: the context change and the voice operations it causes.
template <class Voice>
void applyEvent(const Event& e, VoiceContext& ctx, std::vector<std::unique_ptr<Voice>>& voices,
                std::vector<bool>& sounding, int velocity) {
    switch (e.act) {
        case Act::Bend:
            ctx.bend = e.value;
            break;
        case Act::Fm1:
            ctx.fm1 = -0.25f * e.value;
            break;
        case Act::Fm2:
            ctx.fm2 = -0.25f * e.value;
            break;
        case Act::Osc2Ratio:
            ctx.osc2Ratio = e.value;
            break;
        case Act::NoiseCutoff:
            ctx.noiseCutoff = e.value;
            break;
        case Act::Grain:
            ctx.grain = 0.999f * e.value;
            break;
        case Act::Pedal:
            ctx.sustain = e.value != 0.0f;
            break;
        default:
            break;
    }
    const auto target = static_cast<std::size_t>(e.voice);
    for (std::size_t k = 0; k < voices.size(); ++k) {
        Voice& v = *voices[k];
        if (e.act == Act::Start && k == target) {
            v.start(e.note, velocity);
            sounding[k] = true;
        }
        if (!sounding[k]) continue;
        switch (e.act) {
            case Act::NoteOff:
                if (k == target) v.noteOff();
                break;
            case Act::QuickStop:
                if (k == target) v.quickStop();
                break;
            case Act::Bend:
                v.applyPitchBend();
                break;
            case Act::Osc2Ratio:
                v.updateOsc2Ratio();
                break;
            case Act::NoiseCutoff:
                v.updateNoiseFilter();
                break;
            case Act::Pedal:
                // Every pedal-up message sends note-off to every voice waiting for it.
                if (e.value == 0.0f && v.releasePending) v.noteOff();
                break;
            default:
                break;
        }
    }
}

template <class Voice>
void startAll(const Scenario& sc, VoiceWorld& world, std::vector<std::unique_ptr<Voice>>& voices) {
    shortenCurve(world.osc1, sc.segmentMs);
    shortenCurve(world.osc2, sc.segmentMs * 1.5f);
    shortenCurve(world.noise, sc.segmentMs * 0.5f);
    for (int i = 0; i < 3; ++i) {
        if ((sc.missingCurves >> i) & 1u) world.ctx.curves[i] = nullptr;
    }
    for (std::size_t i = 0; i < sc.notes.size(); ++i) {
        voices.push_back(std::make_unique<Voice>(world.ctx));
        voices.back()->start(sc.notes[i], sc.velocity + static_cast<int>(i));
    }
}

struct Sums {
    std::vector<float> s1, s2, s3;
    std::vector<float> state;  // at the end, per voice: age, tick counter, flags, phases
};

template <class Voice>
void keepState(const Voice& v, int count, const float* phase1, const float* phase2,
               std::vector<float>& state) {
    state.insert(state.end(),
                 {static_cast<float>(v.age), static_cast<float>(v.tickCounter),
                  static_cast<float>(v.armed), static_cast<float>(v.finished),
                  static_cast<float>(v.keyHeld), static_cast<float>(v.releasePending)});
    state.insert(state.end(), phase1, phase1 + count);
    state.insert(state.end(), phase2, phase2 + count);
}

// The reference render loop: per sample, every sounding voice in list order, three paths each;
// a voice that finishes leaves after its sample.
Sums referenceSums(const Scenario& sc) {
    VoiceWorld world(sc.settings);
    std::vector<std::unique_ptr<ReferenceVoice>> voices;
    startAll(sc, world, voices);
    std::vector<bool> sounding(voices.size(), true);
    Sums sums;
    std::size_t next = 0;
    for (int t = 0; t < sc.samples; ++t) {
        while (next < sc.events.size() && sc.events[next].at == t) {
            applyEvent(sc.events[next++], world.ctx, voices, sounding, sc.velocity);
        }
        float s1 = 0.0f, s2 = 0.0f, s3 = 0.0f;
        for (std::size_t k = 0; k < voices.size(); ++k) {
            if (!sounding[k]) continue;
            s1 += voices[k]->nextOsc1Sample();
            s2 += voices[k]->nextOsc2Sample();
            s3 += voices[k]->nextNoiseSample();
            if (voices[k]->finished) sounding[k] = false;
        }
        sums.s1.push_back(s1);
        sums.s2.push_back(s2);
        sums.s3.push_back(s3);
    }
    for (const auto& v : voices)
        keepState(*v, v->unisonCount, v->phase1, v->phase2, sums.state);
    return sums;
}

// The engine's voices, voice by voice in runs of at most `run` samples between events.
Sums engineSums(const Scenario& sc, int run) {
    VoiceWorld world(sc.settings);
    std::vector<std::unique_ptr<MyNote>> voices;
    startAll(sc, world, voices);
    std::vector<bool> sounding(voices.size(), true);
    Sums sums;
    sums.s1.assign(static_cast<std::size_t>(sc.samples), 0.0f);
    sums.s2 = sums.s1;
    sums.s3 = sums.s1;
    std::size_t next = 0;
    for (int t = 0; t < sc.samples;) {
        while (next < sc.events.size() && sc.events[next].at == t) {
            applyEvent(sc.events[next++], world.ctx, voices, sounding, sc.velocity);
        }
        const auto pos = static_cast<std::size_t>(t);
        int end = next < sc.events.size() ? sc.events[next].at : sc.samples;
        end = std::min({end, t + run, sc.samples});
        MyNote* head = nullptr;
        MyNote* tail = nullptr;
        for (std::size_t k = 0; k < voices.size(); ++k) {
            if (!sounding[k]) continue;
            voices[k]->next = nullptr;
            (tail ? tail->next : head) = voices[k].get();
            tail = voices[k].get();
        }
        MyNote::renderRun(head, &sums.s1[pos], &sums.s2[pos], &sums.s3[pos], end - t);
        for (std::size_t k = 0; k < voices.size(); ++k) {
            if (sounding[k] && voices[k]->finished) sounding[k] = false;
        }
        t = end;
    }
    for (const auto& v : voices)
        keepState(*v, v->unisonCount(), v->phase1(), v->phase2(), sums.state);
    return sums;
}

void expectSameSums(const Sums& got, const Sums& want) {
    ASSERT_EQ(got.s1.size(), want.s1.size());
    ASSERT_EQ(got.state.size(), want.state.size());
    for (std::size_t i = 0; i < want.state.size(); ++i) {
        ASSERT_EQ(bits(got.state[i]), bits(want.state[i])) << "final state " << i;
    }
    for (std::size_t t = 0; t < want.s1.size(); ++t) {
        ASSERT_TRUE(bits(got.s1[t]) == bits(want.s1[t]) && bits(got.s2[t]) == bits(want.s2[t]) &&
                    bits(got.s3[t]) == bits(want.s3[t]))
            << "sample " << t << ": " << got.s1[t] << " " << want.s1[t] << " | " << got.s2[t] << " "
            << want.s2[t] << " | " << got.s3[t] << " " << want.s3[t];
    }
}

// The sums and the voices' final states, in runs of several lengths; runs of one sample hand the
// state back and take it up again every sample.
void expectSameAsReference(const Scenario& sc) {
    SCOPED_TRACE(sc.name);
    const Sums reference = referenceSums(sc);
    // Where the processor has AVX2, voices run on 256-bit kernels unless told not to; both kinds
    // must give the reference's samples.
    for (bool wide : {true, false}) {
        allowWideVectors(wide);
        for (int run : {1, 7, 63, 512}) {
            SCOPED_TRACE(std::string(wide ? "wide" : "four-lane") + " runs of " +
                         std::to_string(run));
            expectSameSums(engineSums(sc, run), reference);
        }
    }
    allowWideVectors(true);
}

Scenario base(const std::string& name) {
    Scenario sc;
    sc.name = name;
    sc.notes = {48, 60, 67};
    sc.events = {{3000, Act::NoteOff, 0, 0}, {3500, Act::NoteOff, 0, 1}};
    return sc;
}

TEST(VoiceExact, EveryUnisonCountWithAndWithoutDetune) {
    for (int unison = 0; unison < 8; ++unison) {
        for (float detune : {0.0f, 0.5f, 1.0f}) {
            Scenario sc =
                base("unison " + std::to_string(unison) + " detune " + std::to_string(detune));
            sc.settings.unison = unison;
            sc.settings.detune = detune;
            sc.samples = 2500;
            expectSameAsReference(sc);
        }
    }
}

TEST(VoiceExact, FeedbackFmOnEitherOscillatorAndSwitchedMidNote) {
    for (int unison : {0, 3, 7}) {
        for (float fm1 : {0.0f, 0.3f, 1.0f}) {
            for (float fm2 : {0.0f, 0.7f}) {
                Scenario sc = base("unison " + std::to_string(unison) + " fm " +
                                   std::to_string(fm1) + "/" + std::to_string(fm2));
                sc.settings.unison = unison;
                sc.settings.fm1 = fm1;
                sc.settings.fm2 = fm2;
                sc.events.insert(sc.events.begin(), {{700, Act::Fm1, 0.5f},
                                                     {1300, Act::Fm2, 0.0f},
                                                     {1900, Act::Fm1, 0.0f},
                                                     {2400, Act::Fm2, 1.0f}});
                expectSameAsReference(sc);
            }
        }
    }
}

TEST(VoiceExact, AllShapePairs) {
    for (int s1 = 0; s1 < 8; ++s1) {
        Scenario sc = base("shape " + std::to_string(s1));
        sc.settings.shape1 = s1;
        sc.settings.shape2 = 7 - s1;
        sc.settings.fm1 = 0.4f;
        sc.samples = 2000;
        expectSameAsReference(sc);
    }
}

TEST(VoiceExact, TablesOtherThanTheSharedShapes) {
    // A table that is not one of the shared shapes has no value/delta pairs: the plain reads.
    std::vector<float> ramp(8192);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<float>(i) / 8192.0f;
    Scenario sc = base("own table");
    sc.settings.unison = 5;
    sc.settings.fm2 = 0.5f;
    VoiceWorld probe(sc.settings);
    ASSERT_TRUE(prepareWavePairs());
    ASSERT_EQ(wavePairsFor(ramp.data()), nullptr);
    ASSERT_NE(wavePairsFor(waveTable(3)), nullptr);
    sc.settings.shape1 = 3;
    sc.settings.ownTable1 = ramp.data();
    sc.samples = 3000;
    expectSameAsReference(sc);
}

TEST(VoiceExact, GranularLevelsAndLengths) {
    // 22050 Hz makes short lines; odd and even lengths interleave the paths differently, and the
    // shortest lines are shorter than a block of four samples.
    for (float level : {0.0f, 0.35f, 1.0f}) {
        for (float time : {0.0f, 0.003f, 0.004f, 0.5f, 1.0f}) {
            Scenario sc = base("granular " + std::to_string(level) + " " + std::to_string(time));
            sc.settings.grainLevel = level;
            sc.settings.granularTime = time;
            sc.settings.fs = 22050.0f;
            sc.events.push_back({4000, Act::Grain, 0.8f});
            sc.samples = 5000;
            expectSameAsReference(sc);
        }
    }
    for (float fs : {300.0f, 500.0f, 700.0f, 900.0f}) {
        Scenario sc = base("granular at " + std::to_string(fs) + " Hz");
        sc.settings.fs = fs;
        sc.settings.granularTime = 0.0f;
        sc.settings.grainLevel = 0.9f;
        sc.segmentMs = 1000.0f;
        sc.samples = 1500;
        expectSameAsReference(sc);
    }
}

TEST(VoiceExact, VelocitiesAndVelocityAmounts) {
    for (int velocity : {1, 64, 120}) {
        for (float amount : {0.0f, 0.5f, 1.0f}) {
            Scenario sc =
                base("velocity " + std::to_string(velocity) + " amount " + std::to_string(amount));
            sc.velocity = velocity;
            sc.settings.velTime = amount;
            sc.settings.velLevel = amount;
            sc.settings.velBreath = 1.0f - amount;
            sc.samples = 4000;
            expectSameAsReference(sc);
        }
    }
}

TEST(VoiceExact, PitchBendRatioAndNoiseColourMidNote) {
    Scenario sc = base("live changes");
    sc.settings.unison = 5;
    sc.settings.fm2 = 0.6f;
    sc.events = {{100, Act::Bend, 0.8908987f},   {900, Act::Osc2Ratio, 1.4983071f},
                 {1500, Act::NoiseCutoff, 0.2f}, {2100, Act::Bend, 1.1224620f},
                 {2600, Act::Osc2Ratio, 0.5f},   {3000, Act::NoteOff, 0, 0},
                 {3300, Act::NoiseCutoff, 0.0f}, {3600, Act::Bend, 1.0f}};
    sc.samples = 5000;
    expectSameAsReference(sc);
}

TEST(VoiceExact, ReleaseQuickStopRestartAndSustain) {
    Scenario sc = base("lifecycle");
    sc.settings.unison = 7;
    sc.settings.fm1 = 0.2f;
    sc.events = {
        {200, Act::Pedal, 1.0f},      {400, Act::NoteOff, 0, 0},    {600, Act::QuickStop, 0, 1},
        {650, Act::NoteOff, 0, 1},    {800, Act::Start, 0, 1, 72},  {1200, Act::Pedal, 0.0f},
        {1300, Act::Pedal, 0.0f},     {1400, Act::NoteOff, 0, 0},   {1500, Act::Pedal, 1.0f},
        {1600, Act::NoteOff, 0, 2},   {1700, Act::Pedal, 0.0f},     {1750, Act::Pedal, 0.0f},
        {2000, Act::QuickStop, 0, 1}, {2050, Act::Start, 0, 1, 36}, {2051, Act::QuickStop, 0, 1},
        {2400, Act::Start, 0, 0, 50}, {2400, Act::Start, 0, 2, 52}};
    sc.samples = 7000;
    expectSameAsReference(sc);
}

TEST(VoiceExact, OneAndTwoVoices) {
    for (std::vector<int> notes : {std::vector<int>{60}, std::vector<int>{45, 57}}) {
        for (float fm : {0.0f, 0.6f}) {
            Scenario sc = base(std::to_string(notes.size()) + " voices, fm " + std::to_string(fm));
            sc.notes = notes;
            sc.settings.fm1 = fm;
            sc.events = {{1000, Act::NoteOff, 0, 0}, {1500, Act::Start, 0, 0, 62}};
            sc.samples = 5000;
            expectSameAsReference(sc);
        }
    }
}

TEST(VoiceExact, ChordsOfManyVoicesDrawingNoiseTogether) {
    // Nine, nineteen and thirty-two voices share the noise generator; some stop inside a run,
    // one is struck again, so the number of voices drawing changes between and within runs.
    for (int count : {9, 19, 32}) {
        Scenario sc = base(std::to_string(count) + " voices");
        sc.notes.clear();
        for (int i = 0; i < count; ++i)
            sc.notes.push_back(36 + 2 * i);
        sc.events = {{1001, Act::NoteOff, 0, 3},
                     {1001, Act::QuickStop, 0, count - 1},
                     {2200, Act::NoteOff, 0, 0},
                     {2600, Act::Start, 0, 3, 70}};
        sc.samples = 4000;
        expectSameAsReference(sc);
    }
}

TEST(VoiceExact, MissingCurves) {
    // Without any curve a held voice never arms; its note-off finishes it at the next sample.
    for (unsigned missing : {1u, 4u, 6u, 7u}) {
        Scenario sc = base("missing curves " + std::to_string(missing));
        sc.missingCurves = missing;
        sc.samples = 4000;
        expectSameAsReference(sc);
    }
}

TEST(VoiceExact, LongNotesWithManyPhaseWraps) {
    // Notes across the keyboard at 96 kHz, held long enough for thousands of wraps.
    Scenario sc;
    sc.name = "long";
    sc.notes = {0, 21, 69, 108, 127};
    sc.settings.fs = 96000.0f;
    sc.settings.unison = 6;
    sc.settings.fm1 = 0.9f;
    sc.segmentMs = 300.0f;
    sc.samples = 100000;
    expectSameAsReference(sc);
}

}  // namespace
}  // namespace sorvella::testing
