#include "tools/factory_bank/factory_programs.h"

#include "core/program.h"
#include "engine/env_data.h"
#include "engine/formant_data.h"
#include "tools/factory_bank/curve_shape.h"
#include "tools/factory_bank/program_values.h"

namespace sorvella::factory {

namespace {

MyEnvData& curve(MyVsti& instrument, MetaParamIndex which) {
    return static_cast<MyEnvData&>(instrument.metaParameter(which));
}

using Five = std::array<float, kFormantCount>;

// A formant set of our own, for a vowel parameter at kEditedSet. Values stay inside the formant
// editor's ranges (50..11025 Hz, 20..2000 Hz, -80..0 dB), so a user could have made it.
void editFormants(MyVsti& instrument, MetaParamIndex which, const Five& hz, const Five& bandwidthHz,
                  const Five& db) {
    auto& set = static_cast<MyFormantData&>(instrument.metaParameter(which));
    set.frequencies = hz;
    set.bandwidths = bandwidthHz;
    set.levels = db;
}

// An ensemble singing "ah": stacked, slightly detuned copies through open A vowels of low and
// high voices, swelling gently while held.
bool choirAah(MyVsti& in) {
    applyValues(in, {
                        .voices = polyphony(16),
                        .level = 1.0f,
                        .osc2Detune = osc2Semitones(12),
                        .mix1 = 0.6f,
                        .mix2 = 0.8f,
                        .mixBreath = 0.15f,
                        .velTime = 0.3f,
                        .velLevel = 0.5f,
                        .velBreath = 0.4f,
                        .chorusSpeed = 0.3f,
                        .chorusDepth = 0.6f,
                        .reverbLength = 0.6f,
                        .reverbMix = 0.45f,
                        .unisonNotes = unisonCopies(6),
                        .unisonDetune = 0.35f,
                        .vowel1Start = vowel(kTenorA),
                        .vowel1End = vowel(kAltoA),
                        .vowel1Morph = 0.4f,
                        .vowel2Start = vowel(kCounterTenorA),
                        .vowel2End = vowel(kSopranoA),
                        .vowel2Morph = 0.5f,
                        .granularLevel = 0.0f,
                        .granularTime = 0.35f,
                        .formantsL = 0.3f,
                        .noiseColor = 0.5f,
                        .osc1Shape = waveShape(2),
                        .osc2Shape = waveShape(3),
                        .osc1Fm = 0.1f,
                        .osc2Fm = 0.1f,
                    });
    const auto voice = {CurvePoint{250.0f, 1.0f, 0.6f}, CurvePoint{400.0f, 0.85f, 0.5f},
                        CurvePoint{900.0f, 0.95f, 0.5f}, CurvePoint{900.0f, 0.85f, 0.5f},
                        CurvePoint{700.0f, 0.0f, 0.7f}};
    return shapeCurve(curve(in, kCurveOsc1), voice, 2, 2) &&
           shapeCurve(curve(in, kCurveOsc2), voice, 2, 2) &&
           shapeCurve(curve(in, kCurveNoise),
                      {{150.0f, 0.6f, 0.6f}, {300.0f, 0.3f, 0.5f}, {500.0f, 0.0f, 0.7f}}, 1, 1);
}

// A soft pad that breathes: round pulses under dark vowels, with breath filling the upper
// formants of the second bank; it opens over a second and a half and fades for longer.
bool breathPad(MyVsti& in) {
    applyValues(in, {
                        .voices = polyphony(16),
                        .level = 0.8f,
                        .osc2Detune = osc2Semitones(7),
                        .mix1 = 0.4f,
                        .mix2 = 0.35f,
                        .mixBreath = 0.7f,
                        .velTime = 0.1f,
                        .velLevel = 0.3f,
                        .velBreath = 0.3f,
                        .chorusSpeed = 0.2f,
                        .chorusDepth = 0.8f,
                        .reverbLength = 0.8f,
                        .reverbMix = 0.6f,
                        .unisonNotes = unisonCopies(4),
                        .unisonDetune = 0.5f,
                        .vowel1Start = vowel(kBassO),
                        .vowel1End = vowel(kAltoU),
                        .vowel1Morph = 0.5f,
                        .vowel2Start = vowel(kTenorE),
                        .vowel2End = vowel(kBassE),
                        .vowel2Morph = 0.5f,
                        .granularLevel = 0.0f,
                        .granularTime = 0.35f,
                        .formantsL = 0.2f,
                        .noiseColor = 0.05f,
                        .osc1Shape = waveShape(1),
                        .osc2Shape = waveShape(1),
                        .osc1Fm = 0.0f,
                        .osc2Fm = 0.0f,
                    });
    const auto swell = {CurvePoint{1500.0f, 0.9f, 0.4f}, CurvePoint{2000.0f, 0.7f, 0.5f},
                        CurvePoint{2000.0f, 0.9f, 0.5f}, CurvePoint{2500.0f, 0.0f, 0.7f}};
    return shapeCurve(curve(in, kCurveOsc1), swell, 1, 2) &&
           shapeCurve(curve(in, kCurveOsc2), swell, 1, 2) &&
           shapeCurve(curve(in, kCurveNoise), swell, 1, 2);
}

// A bright singing voice for melodies: narrow pulses with feedback FM, the upper oscillator two
// octaves over the low one and voiced by its own bright vowels.
bool vowelLead(MyVsti& in) {
    // The upper voice sings through sets of our own with a strong singer's formant near 2.5 kHz,
    // from a bright "eh" towards "ah".
    editFormants(in, kFormant2Start, {550.0f, 1750.0f, 2500.0f, 3300.0f, 4200.0f},
                 {150.0f, 180.0f, 200.0f, 240.0f, 280.0f}, {-4.0f, 0.0f, -2.0f, -8.0f, -14.0f});
    editFormants(in, kFormant2End, {700.0f, 1200.0f, 2600.0f, 3400.0f, 4400.0f},
                 {150.0f, 180.0f, 200.0f, 240.0f, 280.0f}, {0.0f, -2.0f, -3.0f, -9.0f, -16.0f});
    applyValues(in, {
                        .voices = polyphony(6),
                        .level = 0.55f,
                        .osc2Detune = osc2Semitones(24),
                        .mix1 = 0.45f,
                        .mix2 = 1.0f,
                        .mixBreath = 0.1f,
                        .velTime = 0.2f,
                        .velLevel = 0.6f,
                        .velBreath = 0.5f,
                        .chorusSpeed = 0.4f,
                        .chorusDepth = 0.05f,
                        .reverbLength = 0.5f,
                        .reverbMix = 0.25f,
                        .unisonNotes = unisonCopies(2),
                        .unisonDetune = 0.15f,
                        .vowel1Start = vowel(kTenorA),
                        .vowel1End = vowel(kBassE),
                        .vowel1Morph = 0.3f,
                        .vowel2Start = vowel(kEditedSet),
                        .vowel2End = vowel(kEditedSet),
                        .vowel2Morph = 0.35f,
                        .granularLevel = 0.0f,
                        .granularTime = 0.35f,
                        .formantsL = 0.5f,
                        .noiseColor = 0.7f,
                        .osc1Shape = waveShape(6),
                        .osc2Shape = waveShape(6),
                        .osc1Fm = 0.3f,
                        .osc2Fm = 0.25f,
                    });
    const auto voice = {CurvePoint{20.0f, 1.0f, 0.6f}, CurvePoint{300.0f, 0.85f, 0.6f},
                        CurvePoint{300.0f, 0.85f, 0.5f}, CurvePoint{250.0f, 0.0f, 0.7f}};
    return shapeCurve(curve(in, kCurveOsc1), voice, 2, 1) &&
           shapeCurve(curve(in, kCurveOsc2), voice, 2, 1) &&
           shapeCurve(curve(in, kCurveNoise),
                      {{10.0f, 0.8f, 0.5f},
                       {120.0f, 0.2f, 0.7f},
                       {200.0f, 0.2f, 0.5f},
                       {200.0f, 0.0f, 0.7f}},
                      2, 1);
}

// Repeating bursts on both oscillators at unrelated rates, smeared into a cloud by the
// granular comb's long feedback.
bool grainCloud(MyVsti& in) {
    applyValues(in, {
                        .voices = polyphony(12),
                        .level = 1.0f,
                        .osc2Detune = osc2Semitones(19),
                        .mix1 = 1.0f,
                        .mix2 = 0.9f,
                        .mixBreath = 0.2f,
                        .velTime = 0.2f,
                        .velLevel = 0.3f,
                        .velBreath = 0.5f,
                        .chorusSpeed = 0.5f,
                        .chorusDepth = 0.7f,
                        .reverbLength = 0.75f,
                        .reverbMix = 0.5f,
                        .unisonNotes = unisonCopies(2),
                        .unisonDetune = 0.4f,
                        .vowel1Start = vowel(kAltoO),
                        .vowel1End = vowel(kSopranoE),
                        .vowel1Morph = 0.5f,
                        .vowel2Start = vowel(kTenorI),
                        .vowel2End = vowel(kAltoA),
                        .vowel2Morph = 0.5f,
                        .granularLevel = 0.75f,
                        .granularTime = 0.12f,
                        .formantsL = 0.3f,
                        .noiseColor = 0.6f,
                        .osc1Shape = waveShape(7),
                        .osc2Shape = waveShape(6),
                        .osc1Fm = 0.2f,
                        .osc2Fm = 0.3f,
                    });
    return shapeCurve(curve(in, kCurveOsc1),
                      {{5.0f, 0.0f, 0.5f},
                       {6.0f, 1.0f, 0.5f},
                       {60.0f, 0.0f, 0.8f},
                       {70.0f, 0.0f, 0.5f},
                       {600.0f, 0.0f, 0.7f}},
                      1, 3) &&
           shapeCurve(curve(in, kCurveOsc2),
                      {{70.0f, 0.0f, 0.5f},
                       {9.0f, 0.9f, 0.5f},
                       {80.0f, 0.0f, 0.8f},
                       {120.0f, 0.0f, 0.5f},
                       {600.0f, 0.0f, 0.7f}},
                      1, 3) &&
           shapeCurve(curve(in, kCurveNoise),
                      {{400.0f, 0.4f, 0.5f},
                       {800.0f, 0.2f, 0.5f},
                       {800.0f, 0.4f, 0.5f},
                       {600.0f, 0.0f, 0.7f}},
                      1, 2);
}

// A short, round bass note: a bright strike that closes quickly through resonant dark vowels,
// with a breath click at its start.
bool formantPluckBass(MyVsti& in) {
    // Vowels of our own set an octave and more below a singer's, so that the fundamental passes:
    // "oo" to "oh" for the low oscillator, "aw" to "ah" for the upper one.
    editFormants(in, kFormant1Start, {110.0f, 300.0f, 650.0f, 1500.0f, 2600.0f},
                 {90.0f, 80.0f, 90.0f, 120.0f, 160.0f}, {0.0f, -4.0f, -10.0f, -20.0f, -30.0f});
    editFormants(in, kFormant1End, {140.0f, 420.0f, 800.0f, 1900.0f, 2800.0f},
                 {100.0f, 80.0f, 90.0f, 120.0f, 160.0f}, {0.0f, -3.0f, -8.0f, -16.0f, -26.0f});
    editFormants(in, kFormant2Start, {180.0f, 500.0f, 1000.0f, 2200.0f, 3000.0f},
                 {100.0f, 90.0f, 100.0f, 130.0f, 170.0f}, {0.0f, -3.0f, -8.0f, -16.0f, -24.0f});
    editFormants(in, kFormant2End, {220.0f, 650.0f, 1100.0f, 2400.0f, 3200.0f},
                 {100.0f, 90.0f, 100.0f, 130.0f, 170.0f}, {0.0f, -2.0f, -6.0f, -14.0f, -22.0f});
    applyValues(in, {
                        .voices = polyphony(8),
                        .level = 0.45f,
                        .osc2Detune = osc2Semitones(12),
                        .mix1 = 1.0f,
                        .mix2 = 0.6f,
                        .mixBreath = 0.3f,
                        .velTime = 0.5f,
                        .velLevel = 0.7f,
                        .velBreath = 0.8f,
                        .chorusSpeed = 0.1f,
                        .chorusDepth = 0.0f,
                        .reverbLength = 0.4f,
                        .reverbMix = 0.1f,
                        .unisonNotes = unisonCopies(1),
                        .unisonDetune = 0.0f,
                        .vowel1Start = vowel(kEditedSet),
                        .vowel1End = vowel(kEditedSet),
                        .vowel1Morph = 0.4f,
                        .vowel2Start = vowel(kEditedSet),
                        .vowel2End = vowel(kEditedSet),
                        .vowel2Morph = 0.6f,
                        .granularLevel = 0.0f,
                        .granularTime = 0.35f,
                        .formantsL = 0.6f,
                        .noiseColor = 0.3f,
                        .osc1Shape = waveShape(4),
                        .osc2Shape = waveShape(6),
                        .osc1Fm = 0.35f,
                        .osc2Fm = 0.2f,
                    });
    const auto pluck = {CurvePoint{2.0f, 1.0f, 0.5f}, CurvePoint{900.0f, 0.0f, 0.8f},
                        CurvePoint{120.0f, 0.0f, 0.5f}};
    return shapeCurve(curve(in, kCurveOsc1), pluck, 1, 1) &&
           shapeCurve(curve(in, kCurveOsc2), pluck, 1, 1) &&
           shapeCurve(curve(in, kCurveNoise),
                      {{1.0f, 0.8f, 0.5f}, {30.0f, 0.0f, 0.8f}, {50.0f, 0.0f, 0.5f}}, 1, 1);
}

// A struck glass bell: a partial 27 semitones up, made inharmonic by strong feedback FM, rings
// through sharpened resonances of our own and dies away over seconds. No breath: its silent
// curve only has to end with the others.
bool glassBell(MyVsti& in) {
    // Resonances at bell-like partial regions; wide enough that the sharpening below keeps
    // every pole inside the unit circle.
    const Five widths{120.0f, 150.0f, 180.0f, 220.0f, 250.0f};
    const Five levels{0.0f, -2.0f, -4.0f, -8.0f, -12.0f};
    const Five low{1180.0f, 2350.0f, 3260.0f, 4710.0f, 6100.0f};
    editFormants(in, kFormant1Start, low, widths, levels);
    editFormants(in, kFormant1End, low, widths, levels);
    editFormants(in, kFormant2Start, low, widths, levels);
    editFormants(in, kFormant2End, {1540.0f, 2760.0f, 3920.0f, 5230.0f, 7050.0f}, widths, levels);
    applyValues(in, {
                        .voices = polyphony(16),
                        .level = 0.45f,
                        .osc2Detune = osc2Semitones(27),
                        .mix1 = 0.8f,
                        .mix2 = 1.0f,
                        .mixBreath = 0.0f,
                        .velTime = 0.2f,
                        .velLevel = 0.7f,
                        .velBreath = 0.0f,
                        .chorusSpeed = 0.15f,
                        .chorusDepth = 0.15f,
                        .reverbLength = 0.9f,
                        .reverbMix = 0.5f,
                        .unisonNotes = unisonCopies(2),
                        .unisonDetune = 0.1f,
                        .vowel1Start = vowel(kEditedSet),
                        .vowel1End = vowel(kEditedSet),
                        .vowel1Morph = 0.0f,
                        .vowel2Start = vowel(kEditedSet),
                        .vowel2End = vowel(kEditedSet),
                        .vowel2Morph = 0.5f,
                        .granularLevel = 0.0f,
                        .granularTime = 0.35f,
                        .formantsL = 0.8f,
                        .noiseColor = 0.9f,
                        .osc1Shape = waveShape(1),
                        .osc2Shape = waveShape(3),
                        .osc1Fm = 0.1f,
                        .osc2Fm = 0.6f,
                    });
    return shapeCurve(curve(in, kCurveOsc1),
                      {{1.0f, 1.0f, 0.5f}, {4000.0f, 0.0f, 0.75f}, {600.0f, 0.0f, 0.5f}}, 1, 1) &&
           shapeCurve(curve(in, kCurveOsc2),
                      {{1.0f, 1.0f, 0.5f}, {1500.0f, 0.0f, 0.8f}, {600.0f, 0.0f, 0.5f}}, 1, 1) &&
           shapeCurve(curve(in, kCurveNoise),
                      {{1.0f, 0.0f, 0.5f}, {10.0f, 0.0f, 0.5f}, {10.0f, 0.0f, 0.5f}}, 1, 1);
}

// Wind through a mouth that only whispers: breath noise in slow gusts through wide resonances of
// our own, with a faint whistle that follows the keys. The resonances sit 10 dB down: gusts of
// several notes pile up in them, and at the demo song's Level (controller 7 at 64) the chords
// must stay below -1 dBFS.
bool whisperWind(MyVsti& in) {
    // Wide resonances high enough for the high-passed breath to fill them: "sh" closing to "hoo"
    // in one bank, "hah" opening to "hee" in the other.
    editFormants(in, kFormant1Start, {1900.0f, 2700.0f, 3600.0f, 4600.0f, 6400.0f},
                 {250.0f, 300.0f, 400.0f, 500.0f, 700.0f},
                 {-10.0f, -12.0f, -14.0f, -16.0f, -19.0f});
    editFormants(in, kFormant1End, {900.0f, 1400.0f, 2300.0f, 3200.0f, 5200.0f},
                 {200.0f, 250.0f, 300.0f, 400.0f, 600.0f},
                 {-13.0f, -10.0f, -14.0f, -18.0f, -22.0f});
    editFormants(in, kFormant2Start, {1300.0f, 2100.0f, 2900.0f, 3800.0f, 5600.0f},
                 {250.0f, 300.0f, 350.0f, 450.0f, 600.0f},
                 {-10.0f, -11.0f, -13.0f, -16.0f, -20.0f});
    editFormants(in, kFormant2End, {2300.0f, 3100.0f, 3900.0f, 5000.0f, 7200.0f},
                 {300.0f, 350.0f, 400.0f, 500.0f, 700.0f},
                 {-10.0f, -12.0f, -14.0f, -17.0f, -20.0f});
    applyValues(in, {
                        .voices = polyphony(16),
                        .level = 0.5f,
                        .osc2Detune = osc2Semitones(24),
                        .mix1 = 0.0f,
                        .mix2 = 0.3f,
                        .mixBreath = 1.0f,
                        .velTime = 0.1f,
                        .velLevel = 0.3f,
                        .velBreath = 0.4f,
                        .chorusSpeed = 0.15f,
                        .chorusDepth = 0.9f,
                        .reverbLength = 0.85f,
                        .reverbMix = 0.65f,
                        .unisonNotes = unisonCopies(1),
                        .unisonDetune = 0.0f,
                        .vowel1Start = vowel(kEditedSet),
                        .vowel1End = vowel(kEditedSet),
                        .vowel1Morph = 0.35f,
                        .vowel2Start = vowel(kEditedSet),
                        .vowel2End = vowel(kEditedSet),
                        .vowel2Morph = 0.6f,
                        .granularLevel = 0.0f,
                        .granularTime = 0.35f,
                        .formantsL = 0.3f,
                        .noiseColor = 0.0f,
                        .osc1Shape = waveShape(1),
                        .osc2Shape = waveShape(8),
                        .osc1Fm = 0.0f,
                        .osc2Fm = 0.0f,
                    });
    const auto gusts = {CurvePoint{800.0f, 0.8f, 0.4f}, CurvePoint{1200.0f, 0.4f, 0.5f},
                        CurvePoint{1600.0f, 0.9f, 0.5f}, CurvePoint{1500.0f, 0.0f, 0.7f}};
    return shapeCurve(curve(in, kCurveOsc1), gusts, 1, 2) &&
           shapeCurve(curve(in, kCurveOsc2), gusts, 1, 2) &&
           shapeCurve(curve(in, kCurveNoise), gusts, 1, 2);
}

// Drawbar-like: eight near-unison copies of round pulses an octave apart, on at once and off at
// once, with no velocity response and a short key click of breath. The oscillators are mixed low
// enough that the demo song's pedalled chords, at its Level of 64, stay below -1 dBFS.
bool unisonOrgan(MyVsti& in) {
    applyValues(in, {
                        .voices = polyphony(16),
                        .level = 0.5f,
                        .osc2Detune = osc2Semitones(12),
                        .mix1 = 0.4f,
                        .mix2 = 0.35f,
                        .mixBreath = 0.1f,
                        .velTime = 0.0f,
                        .velLevel = 0.0f,
                        .velBreath = 0.0f,
                        .chorusSpeed = 0.6f,
                        .chorusDepth = 0.5f,
                        .reverbLength = 0.6f,
                        .reverbMix = 0.35f,
                        .unisonNotes = unisonCopies(8),
                        .unisonDetune = 0.12f,
                        .vowel1Start = vowel(kBassO),
                        .vowel1End = vowel(kTenorO),
                        .vowel1Morph = 0.5f,
                        .vowel2Start = vowel(kTenorA),
                        .vowel2End = vowel(kCounterTenorO),
                        .vowel2Morph = 0.5f,
                        .granularLevel = 0.0f,
                        .granularTime = 0.35f,
                        .formantsL = 0.0f,
                        .noiseColor = 0.9f,
                        .osc1Shape = waveShape(1),
                        .osc2Shape = waveShape(2),
                        .osc1Fm = 0.05f,
                        .osc2Fm = 0.05f,
                    });
    const auto gate = {CurvePoint{5.0f, 1.0f, 0.5f}, CurvePoint{100.0f, 1.0f, 0.5f},
                       CurvePoint{80.0f, 0.0f, 0.5f}};
    return shapeCurve(curve(in, kCurveOsc1), gate, 1, 1) &&
           shapeCurve(curve(in, kCurveOsc2), gate, 1, 1) &&
           shapeCurve(curve(in, kCurveNoise),
                      {{2.0f, 0.5f, 0.5f}, {40.0f, 0.0f, 0.8f}, {20.0f, 0.0f, 0.5f}}, 1, 1);
}

using Design = bool (*)(MyVsti&);
constexpr std::array<Design, kNumPrograms> kDesigns{
    choirAah,         breathPad, vowelLead,   grainCloud,
    formantPluckBass, glassBell, whisperWind, unisonOrgan,
};

}  // namespace

bool designFactoryBank(MyVsti& instrument) {
    // Each program starts from a fresh "Default" record, so that nothing of one design leaks into
    // the next.
    const Program fresh;
    for (std::int32_t slot = 0; slot < kNumPrograms; ++slot) {
        instrument.setProgram(slot);
        for (std::int32_t m = 0; m < kNumMetaParams; ++m)
            instrument.metaParameter(m).assign(fresh.meta(m));
        if (!kDesigns[static_cast<std::size_t>(slot)](instrument)) return false;
        instrument.setProgramName(kFactoryProgramNames[static_cast<std::size_t>(slot)]);
        instrument.storeProgram(slot);
    }
    instrument.setProgram(0);
    return true;
}

}  // namespace sorvella::factory
