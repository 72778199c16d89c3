// The engine's voice against the plain reference voice, bit for bit: the summed paths and every
// voice's final state when the voices run one after another through runs of one to many samples,
// over settings and events that exercise each kernel.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <cstdint>
#include <limits>
#include <memory>
#include <ostream>
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

void PrintTo(const Scenario& sc, std::ostream* os) {
    *os << sc.name;
}

std::uint32_t bits(float v) {
    return std::bit_cast<std::uint32_t>(v);
}

// The instrument side of an event: the context change and the voice operations it causes.
template <class Voice>
void applyEvent(const Event& e, VoiceContext& ctx, std::vector<std::unique_ptr<Voice>>& voices,
                std::vector<bool>& sounding, int velocity) {
    if (e.act == Act::Bend) ctx.bend = e.value;
    if (e.act == Act::Fm1) ctx.fm1 = -0.25f * e.value;
    if (e.act == Act::Fm2) ctx.fm2 = -0.25f * e.value;
    if (e.act == Act::Osc2Ratio) ctx.osc2Ratio = e.value;
    if (e.act == Act::NoiseCutoff) ctx.noiseCutoff = e.value;
    if (e.act == Act::Grain) ctx.grain = 0.999f * e.value;
    if (e.act == Act::Pedal) ctx.sustain = e.value != 0.0f;
    for (std::size_t k = 0; k < voices.size(); ++k) {
        Voice& v = *voices[k];
        const bool target = k == static_cast<std::size_t>(e.voice);
        if (e.act == Act::Start && target) {
            v.start(e.note, velocity);
            sounding[k] = true;
        }
        if (!sounding[k]) continue;
        if (e.act == Act::NoteOff && target) v.noteOff();
        if (e.act == Act::QuickStop && target) v.quickStop();
        if (e.act == Act::Bend) v.applyPitchBend();
        if (e.act == Act::Osc2Ratio) v.updateOsc2Ratio();
        if (e.act == Act::NoiseCutoff) v.updateNoiseFilter();
        // Every pedal-up message sends note-off to every voice waiting for it.
        if (e.act == Act::Pedal && e.value == 0.0f && v.releasePending) v.noteOff();
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

// A ramp: a table that is not one of the shared shapes has no value/delta pairs.
const float* ownTable() {
    static const std::vector<float> ramp = [] {
        std::vector<float> r(8192);
        for (std::size_t i = 0; i < r.size(); ++i)
            r[i] = static_cast<float>(i) / 8192.0f;
        return r;
    }();
    return ramp.data();
}

// Three voices from the first sample by default, the first two released while the third holds.
Scenario scenario(std::string name, VoiceSettings settings, int samples,
                  std::vector<Event> events = {{3000, Act::NoteOff, 0, 0},
                                               {3500, Act::NoteOff, 0, 1}},
                  std::vector<int> notes = {48, 60, 67}, float segmentMs = 20.0f) {
    return {std::move(name), settings, std::move(notes), std::move(events), samples, segmentMs};
}

std::vector<Scenario> scenarios() {
    std::vector<Scenario> all;
    // Every unison count with and without detune, feedback FM on either oscillator from the start
    // and switched on and off mid-note.
    const std::vector<Event> fmSwitches = {{700, Act::Fm1, 0.5f},      {1300, Act::Fm2, 0.0f},
                                           {1900, Act::Fm1, 0.0f},     {2400, Act::Fm2, 1.0f},
                                           {3000, Act::NoteOff, 0, 0}, {3500, Act::NoteOff, 0, 1}};
    for (int unison = 0; unison < 8; ++unison) {
        for (int d = 0; d < 3; ++d) {
            const float fm1 = std::array{0.0f, 0.3f, 1.0f}[d];
            const float fm2 = (unison + d) % 2 == 0 ? 0.0f : 0.7f;
            all.push_back(scenario(
                "unison " + std::to_string(unison) + " detune " + std::to_string(d),
                {.unison = unison, .detune = 0.5f * d, .fm1 = fm1, .fm2 = fm2}, 6000, fmSwitches));
        }
    }
    // All shape pairs, with velocities and velocity amounts.
    for (int i = 0; i < 9; ++i) {
        const float amount = 0.5f * static_cast<float>(i % 3);
        VoiceSettings s{.fm1 = 0.4f, .shape1 = i % 8, .shape2 = 7 - i % 8};
        s.velTime = s.velLevel = amount;
        s.velBreath = 1.0f - amount;
        all.push_back(scenario("shapes and velocity " + std::to_string(i), s, 4000));
        all.back().velocity = std::array{1, 64, 120}[i / 3];
    }
    all.push_back(scenario("own table",
                           {.unison = 5, .fm2 = 0.5f, .shape1 = 3, .ownTable1 = ownTable()}, 3000));
    // 22050 Hz makes short lines; odd and even lengths interleave the paths differently. At the
    // lowest rates the lines are of 2 to 16 slots, some shorter than a block of four samples.
    for (int i = 0; i < 5; ++i) {
        const float level = std::array{0.0f, 0.35f, 1.0f}[i % 3];
        const float time = std::array{0.0f, 0.003f, 0.004f, 0.5f, 1.0f}[i];
        all.push_back(scenario(
            "granular " + std::to_string(i),
            {.grainLevel = level, .granularTime = time, .fs = 22050.0f}, 5000,
            {{3000, Act::NoteOff, 0, 0}, {3500, Act::NoteOff, 0, 1}, {4000, Act::Grain, 0.8f}}));
    }
    for (int fs : {200, 300, 500, 800, 900, 1600}) {
        all.push_back(scenario("granular at " + std::to_string(fs) + " Hz",
                               {.grainLevel = 0.9f, .granularTime = 0.0f, .fs = fs * 1.0f}, 1500,
                               {}, {48, 60, 67}, 1000.0f));
    }
    // Pitch bend, ratio and noise colour mid-note, with cutoffs that leave no filter.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<Event> live = {
        {100, Act::Bend, 0.8908987f},    {900, Act::Osc2Ratio, 1.4983071f},
        {1500, Act::NoiseCutoff, 0.2f},  {1800, Act::NoiseCutoff, nan},
        {2000, Act::NoiseCutoff, -0.2f}, {2100, Act::Bend, 1.1224620f},
        {2600, Act::Osc2Ratio, 0.5f},    {3000, Act::NoteOff, 0, 0},
        {3300, Act::NoiseCutoff, 0.0f},  {3600, Act::Bend, 1.0f},
        {4000, Act::NoiseCutoff, 1e-45f}};
    all.push_back(scenario("live changes", {.unison = 5, .fm2 = 0.6f}, 5000, live));
    const std::vector<Event> lifecycle = {
        {200, Act::Pedal, 1.0f},      {400, Act::NoteOff, 0, 0},    {600, Act::QuickStop, 0, 1},
        {650, Act::NoteOff, 0, 1},    {800, Act::Start, 0, 1, 72},  {1200, Act::Pedal, 0.0f},
        {1300, Act::Pedal, 0.0f},     {1400, Act::NoteOff, 0, 0},   {1500, Act::Pedal, 1.0f},
        {1600, Act::NoteOff, 0, 2},   {1700, Act::Pedal, 0.0f},     {1750, Act::Pedal, 0.0f},
        {2000, Act::QuickStop, 0, 1}, {2050, Act::Start, 0, 1, 36}, {2051, Act::QuickStop, 0, 1},
        {2400, Act::Start, 0, 0, 50}, {2400, Act::Start, 0, 2, 52}};
    all.push_back(scenario("lifecycle", {.unison = 7, .fm1 = 0.2f}, 7000, lifecycle));
    // One voice draws its noise in its kernel; two with feedback run side by side.
    for (std::vector<int> notes : {std::vector<int>{60}, std::vector<int>{45, 57}}) {
        for (float fm : {0.0f, 0.6f}) {
            all.push_back(scenario(
                std::to_string(notes.size()) + " voices fm " + std::to_string(fm > 0), {.fm1 = fm},
                5000, {{1000, Act::NoteOff, 0, 0}, {1500, Act::Start, 0, 0, 62}}, notes));
        }
    }
    // Chords share the noise generator; some voices stop inside a run and one is struck again,
    // so the number of voices drawing changes between and within runs.
    for (int count : {9, 19, 32}) {
        std::vector<int> notes;
        for (int i = 0; i < count; ++i)
            notes.push_back(36 + 2 * i);
        all.push_back(scenario(std::to_string(count) + " voices", {}, 4000,
                               {{1001, Act::NoteOff, 0, 3},
                                {1001, Act::QuickStop, 0, count - 1},
                                {2200, Act::NoteOff, 0, 0},
                                {2600, Act::Start, 0, 3, 70}},
                               notes));
    }
    // Without any curve a held voice never arms; its note-off finishes it at the next sample.
    for (unsigned missing : {1u, 4u, 6u, 7u}) {
        all.push_back(scenario("missing curves " + std::to_string(missing), {}, 4000));
        all.back().missingCurves = missing;
    }
    // Notes across the keyboard at 96 kHz, held long enough for thousands of phase wraps.
    all.push_back(scenario("long notes", {.unison = 6, .fm1 = 0.9f, .fs = 96000.0f}, 100000, {},
                           {0, 21, 69, 108, 127}, 300.0f));
    return all;
}

class VoiceExact : public ::testing::TestWithParam<Scenario> {};

TEST_P(VoiceExact, SameAsTheReference) {
    expectSameAsReference(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Scenarios, VoiceExact, ::testing::ValuesIn(scenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST(VoiceExactPremise, AnOwnTableHasNoPairs) {
    VoiceWorld world;
    ASSERT_TRUE(prepareWavePairs());
    EXPECT_EQ(wavePairsFor(ownTable()), nullptr);
    EXPECT_NE(wavePairsFor(waveTable(3)), nullptr);
}

}  // namespace
}  // namespace sorvella::testing
