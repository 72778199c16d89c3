#include "tools/factory_bank/program_figures.h"

#include <algorithm>
#include <cmath>

#include "platform/vst2/midi_message.h"

namespace sorvella::factory {

namespace {

constexpr std::int32_t kBlock = 512;
constexpr std::size_t kContourWindow = 220;  // 5 ms
// Longer than a period of the lowest note measured, so the waveform itself does not count as
// a change of loudness.
constexpr std::size_t kWobbleWindow = 1764;  // 40 ms

void sendMidi(MyVsti& instrument, std::int32_t delta, std::uint8_t status, std::uint8_t d1,
              std::uint8_t d2) {
    vst2::OneEventList one(vst2::midiMessage(delta, status, d1, d2));
    instrument.processEvents(&one.list);
}

void sendNotes(MyVsti& instrument, std::int32_t delta, std::uint8_t status,
               const std::vector<std::uint8_t>& notes, std::uint8_t velocity) {
    for (std::uint8_t note : notes)
        sendMidi(instrument, delta, status, note, velocity);
}

}  // namespace

StereoSignal renderNotes(MyVsti& instrument, std::int32_t program,
                         const std::vector<std::uint8_t>& notes, std::uint8_t velocity,
                         double holdSeconds, double tailSeconds) {
    instrument.setProgram(program);
    const auto release = static_cast<std::int32_t>(holdSeconds * kSampleRate);
    const auto frames = static_cast<std::int32_t>((holdSeconds + tailSeconds) * kSampleRate);
    StereoSignal out;
    out.left.assign(static_cast<std::size_t>(frames), 0.0f);
    out.right.assign(static_cast<std::size_t>(frames), 0.0f);
    for (std::int32_t at = 0; at < frames; at += kBlock) {
        const std::int32_t n = std::min(kBlock, frames - at);
        if (at == 0) sendNotes(instrument, 0, 0x90, notes, velocity);
        if (release >= at && release < at + n) sendNotes(instrument, release - at, 0x80, notes, 0);
        float* outs[2] = {out.left.data() + at, out.right.data() + at};
        instrument.processReplacing(nullptr, outs, n);
    }
    return out;
}

StereoSignal renderSong(MyVsti& instrument, std::int32_t program, const MidiSong& song,
                        double tailSeconds) {
    instrument.setProgram(program);
    const double songSeconds = song.messages.empty() ? 0.0 : song.messages.back().seconds;
    const auto frames = static_cast<std::int32_t>((songSeconds + tailSeconds) * kSampleRate);
    StereoSignal out;
    out.left.assign(static_cast<std::size_t>(frames), 0.0f);
    out.right.assign(static_cast<std::size_t>(frames), 0.0f);
    std::size_t next = 0;
    for (std::int32_t at = 0; at < frames; at += kBlock) {
        const std::int32_t n = std::min(kBlock, frames - at);
        for (; next < song.messages.size(); ++next) {
            const MidiMessage& m = song.messages[next];
            const auto frame = static_cast<std::int64_t>(std::llround(m.seconds * kSampleRate));
            if (frame >= at + n) break;
            const auto delta = static_cast<std::int32_t>(std::max<std::int64_t>(frame - at, 0));
            sendMidi(instrument, delta, m.bytes[0], m.bytes[1], m.bytes[2]);
        }
        float* outs[2] = {out.left.data() + at, out.right.data() + at};
        instrument.processReplacing(nullptr, outs, n);
    }
    return out;
}

Figures measure(const StereoSignal& signal, double holdSeconds) {
    Figures f;
    const auto release = static_cast<std::size_t>(holdSeconds * kSampleRate);
    f.peak = peakLevel(signal, 0, signal.size());
    f.heldRmsDb = toDecibels(rmsLevel(signal, 0, release));
    f.spectrum = averagedSpectrum(signal, 0, release, kSampleRate);

    const std::vector<double> contour = loudnessContour(signal, kContourWindow);
    const std::size_t releaseWindow = std::min(release / kContourWindow, contour.size());
    double loudest = 0.0;
    std::size_t loudestWindow = 0;
    for (std::size_t w = 0; w < releaseWindow; ++w) {
        if (contour[w] > loudest) {
            loudest = contour[w];
            loudestWindow = w;
        }
    }
    for (std::size_t w = 0; w < releaseWindow; ++w) {
        if (contour[w] >= loudest * 0.70794578) {  // -3 dB
            f.attackMs = static_cast<double>(w * kContourWindow) * 1000.0 / kSampleRate;
            break;
        }
    }
    f.ringSeconds = -1.0;
    for (std::size_t w = loudestWindow; w < contour.size(); ++w) {
        if (contour[w] < loudest * 0.01) {
            f.ringSeconds = static_cast<double>((w - loudestWindow) * kContourWindow) / kSampleRate;
            break;
        }
    }
    const std::vector<double> slow = loudnessContour(signal, kWobbleWindow);
    const auto steadyFrom = static_cast<std::size_t>(0.5 * kSampleRate) / kWobbleWindow;
    const std::size_t steadyTo = std::min(release / kWobbleWindow, slow.size());
    if (steadyTo > steadyFrom + 1) {
        double sum = 0.0;
        double squares = 0.0;
        for (std::size_t w = steadyFrom; w < steadyTo; ++w) {
            const double db = toDecibels(slow[w]);
            sum += db;
            squares += db * db;
        }
        const auto n = static_cast<double>(steadyTo - steadyFrom);
        f.wobbleDb = std::sqrt(std::max(0.0, squares / n - (sum / n) * (sum / n)));
    }

    const double atRelease = releaseWindow > 0 ? contour[releaseWindow - 1] : 0.0;
    f.releaseDb = toDecibels(atRelease) - toDecibels(loudest);
    std::size_t lastLoud = releaseWindow;
    for (std::size_t w = releaseWindow; w < contour.size(); ++w)
        if (contour[w] > atRelease * 0.001) lastLoud = w + 1;
    f.decaySeconds =
        lastLoud >= contour.size()
            ? -1.0
            : static_cast<double>((lastLoud - releaseWindow) * kContourWindow) / kSampleRate;
    return f;
}

}  // namespace sorvella::factory
