// Notes as heard in the output: pitch, pitch bend, note-off in its forms, the sustain pedal and
// which voice gives way when the polyphony limit is exceeded.
//
// Voices are independent and everything after their sum is linear, so with the breath noise and
// the reverb silenced a render of several notes equals the sum of renders of each note alone. The
// stealing tests use that: the voice that was stopped is the one whose render is missing from the
// sum once its fade is over.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "tests/plugin/plugin_fixture.h"
#include "tests/plugin/signal_analysis.h"
#include "tests/plugin/test_host.h"

namespace sorvella::test {
namespace {

constexpr float kSilent = 1e-6f;

Stereo render(const Score& score, std::int64_t length, void (*setUp)(TestHost&)) {
    TestHost host;
    EXPECT_TRUE(openStarted(host));
    if (host.effect() == nullptr) return {};
    setUp(host);
    return host.play(score, length);
}

// The period of a render's left channel in [begin, begin + length), searched around expected.
double periodOf(const Stereo& audio, std::int64_t begin, std::int64_t length, double expected,
                int periods = 8) {
    return measurePeriod(audio.left, static_cast<std::size_t>(begin),
                         static_cast<std::size_t>(length), expected * 0.8, expected * 1.25,
                         periods);
}

// Notes in equal temperament (69 at 220 Hz); a bend spans two semitones, only its most
// significant seven bits count and 64 is the centre.
TEST(PluginPitch, NotesFollowEqualTemperamentAndTheBend) {
    struct Case {
        int note;
        int msb;
        int lsb;
        double semitones;
    };
    for (const Case& c : {Case{57, 64, 0, 0.0}, Case{81, 64, 0, 0.0}, Case{60, 64, 0, 0.0},
                          Case{69, 0, 0, -2.0}, Case{69, 64, 127, 0.0},
                          Case{69, 127, 127, 2.0 * (127.0 / 64.0 - 1.0)}, Case{69, 32, 0, -1.0}}) {
        SCOPED_TRACE(testing::Message() << "note " << c.note << ", bend " << c.msb << "/" << c.lsb);
        const Stereo out = render({{0, pitchBend(c.msb, c.lsb)}, {0, noteOn(c.note, 100)}},
                                  frames(1.0), plainTone);
        const double expected = kRate / (noteHz(c.note) * std::pow(2.0, c.semitones / 12.0));
        EXPECT_NEAR(periodOf(out, frames(0.4), frames(0.5), expected), expected, expected * 1e-3);
    }
}

TEST(PluginNotes, VelocityZeroReleasesLikeANoteOff) {
    const Score held = {{0, noteOn(60, 100)}};
    auto withRelease = [&](const vst2::VstMidiEvent& release) {
        Score score = held;
        score.push_back({frames(0.3), release});
        return render(score, frames(1.5), voicesOnly);
    };
    const Stereo noteOffRelease = withRelease(noteOff(60));
    const Stereo velocityZero = withRelease(noteOn(60, 0));
    const Stereo otherChannel = withRelease(noteOff(60, 0, 15));
    const Stereo sounding = render(held, frames(1.5), voicesOnly);

    const Stereo stray =
        render({{0, noteOn(60, 100)}, {frames(0.2), noteOff(61)}, {frames(0.3), noteOff(72)}},
               frames(1.5), voicesOnly);
    EXPECT_TRUE(identical(stray, sounding)) << "note-offs of notes not sounding do nothing";
    EXPECT_TRUE(identical(velocityZero, noteOffRelease));
    // All notes off (controller 123) releases too, even with the pedal down.
    const Stereo allOff = render(
        {{0, controlChange(64, 127)}, {0, noteOn(60, 100)}, {frames(0.3), controlChange(123, 0)}},
        frames(1.5), voicesOnly);
    EXPECT_TRUE(identical(allOff, noteOffRelease));
    EXPECT_TRUE(identical(otherChannel, noteOffRelease)) << "the channel is ignored";
    EXPECT_LT(peak(noteOffRelease, frames(1.2)), kSilent);
    EXPECT_GT(peak(sounding, frames(1.2)), 1e-3f);
    EXPECT_GT(peak(noteOffRelease, frames(0.1), frames(0.3)), 1e-3f);
}

TEST(PluginNotes, RestrikingANoteReplacesItsVoice) {
    const std::int64_t again = frames(0.3);
    const Stereo restruck =
        render({{0, noteOn(60, 100)}, {again, noteOn(60, 100)}}, frames(1.0), voicesOnly);
    const Stereo fresh = render({{again, noteOn(60, 100)}}, frames(1.0), voicesOnly);
    EXPECT_LT(relativeDifference(restruck, fresh, again + frames(0.15)), 1e-3);
    EXPECT_GT(relativeDifference(restruck, fresh, frames(0.1), again), 0.5);
}

// The pedal down, a note struck at kStart and let go at 0.2 s, then more.
constexpr std::int64_t kStart = 441;
Score pedalled(std::initializer_list<TimedEvent> more) {
    Score score = {
        {0, controlChange(64, 127)}, {kStart, noteOn(60, 100)}, {frames(0.2), noteOff(60)}};
    score.insert(score.end(), more);
    return score;
}

// A voice released by the pedal has nothing pending: later pedal-ups must not restart its release.
TEST(PluginSustain, LaterPedalUpsDoNotRestartARelease) {
    const Stereo once =
        render(pedalled({{frames(0.5), controlChange(64, 0)}}), frames(1.5), voicesOnly);
    const Stereo twice =
        render(pedalled({{frames(0.5), controlChange(64, 0)}, {frames(0.6), controlChange(64, 0)}}),
               frames(1.5), voicesOnly);
    const Stereo downAndUp = render(pedalled({{frames(0.5), controlChange(64, 0)},
                                              {frames(0.55), controlChange(64, 127)},
                                              {frames(0.6), controlChange(64, 0)}}),
                                    frames(1.5), voicesOnly);
    const Stereo upsWithoutDown = render({{kStart, noteOn(60, 100)},
                                          {frames(0.1), controlChange(64, 0)},
                                          {frames(0.2), noteOff(60)},
                                          {frames(0.5), controlChange(64, 0)}},
                                         frames(1.5), voicesOnly);
    const Stereo plain =
        render({{kStart, noteOn(60, 100)}, {frames(0.2), noteOff(60)}}, frames(1.5), voicesOnly);
    EXPECT_TRUE(identical(upsWithoutDown, plain));
    EXPECT_TRUE(identical(twice, once));
    EXPECT_TRUE(identical(downAndUp, once));
    // The second pedal-up falls inside the release, where restarting it would be audible.
    const Stereo releasedLater =
        render(pedalled({{frames(0.6), controlChange(64, 0)}}), frames(1.5), voicesOnly);
    EXPECT_GT(relativeDifference(releasedLater, once, frames(0.6)), 0.01);
}

struct Strike {
    int note;
    int velocity;
    double seconds;
};

Stereo renderStrikes(int limit, const std::vector<Strike>& strikes) {
    TestHost host;
    EXPECT_TRUE(openVoicesOnly(host));
    if (host.effect() == nullptr) return {};
    host.setParameter(kVoices, voicesValue(limit));
    Score score;
    for (const Strike& strike : strikes)
        score.push_back({frames(strike.seconds), noteOn(strike.note, strike.velocity)});
    return host.play(score, frames(1.3));
}

// The note whose solo render is missing from the full render once every strike has happened; 0
// when the full render is the sum of all of them. Fails when no candidate matches clearly.
int stolenNote(int limit, const std::vector<Strike>& strikes) {
    double last = 0.0;
    for (const Strike& strike : strikes)
        last = std::max(last, strike.seconds);
    const Stereo full = renderStrikes(limit, strikes);
    std::vector<Stereo> solos;
    for (const Strike& strike : strikes)
        solos.push_back(renderStrikes(limit, {strike}));
    // How far the full render lies from the sum without strike `left`, and its note.
    std::vector<std::pair<double, int>> candidates;
    for (std::size_t left = 0; left <= strikes.size(); ++left) {
        Stereo sum{std::vector<float>(full.frames()), std::vector<float>(full.frames())};
        for (std::size_t i = 0; i < strikes.size(); ++i) {
            for (std::size_t f = 0; i != left && f < sum.frames(); ++f) {
                sum.left[f] += solos[i].left[f];
                sum.right[f] += solos[i].right[f];
            }
        }
        candidates.emplace_back(relativeDifference(full, sum, frames(last + 0.2)),
                                left < strikes.size() ? strikes[left].note : 0);
    }
    std::sort(candidates.begin(), candidates.end());
    EXPECT_LT(candidates[0].first, 1e-3) << "without " << candidates[0].second;
    EXPECT_GT(candidates[1].first, 0.05) << "without " << candidates[1].second;
    return candidates[0].second;
}

// The oldest armed voice goes, else the softest unarmed one (the older on equal velocity); with
// two or more voices allowed the lowest sounding note is spared.
TEST(PluginVoiceStealing, WhichVoiceGivesWay) {
    struct Case {
        int limit;
        std::vector<Strike> strikes;
        int stolen;  // 0: none
    };
    const std::vector<Case> cases = {
        {5, {{40, 100, 0.0}, {50, 100, 0.1}, {60, 100, 0.2}, {70, 100, 0.3}, {80, 100, 0.4}}, 0},
        {4, {{40, 100, 0.0}, {50, 100, 0.1}, {60, 100, 0.2}, {70, 100, 0.3}, {80, 100, 0.4}}, 50},
        {4, {{60, 100, 0.0}, {40, 100, 0.1}, {70, 100, 0.2}, {50, 100, 0.3}, {80, 100, 0.4}}, 60},
        {4, {{40, 100, 0.0}, {50, 60, 0.0}, {60, 30, 0.0}, {70, 90, 0.0}, {80, 100, 0.0}}, 60},
        {1, {{40, 100, 0.0}, {70, 100, 0.2}}, 40},
        {1, {{70, 100, 0.0}, {40, 100, 0.2}}, 70},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "limit " << c.limit << ", expected " << c.stolen);
        EXPECT_EQ(stolenNote(c.limit, c.strikes), c.stolen);
    }
}

}  // namespace
}  // namespace sorvella::test
