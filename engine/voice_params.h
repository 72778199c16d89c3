// The live voice values the instrument derives from its parameters ("Osc2 detune", "Noise
// Color", "Osc1 FM", "Osc2 FM", "Granular Level") before it hands them to the voices.
#pragma once

namespace sorvella {

// "Osc2 detune": trunc((v − 0.5)·96) semitones, kept within −48..48 also for values from outside
// 0..1, since the ratio reads the note table at these offsets. The display shows this number.
int osc2Semitones(float value);

// The frequency ratio of oscillator 2 for s semitones (−48..48; others are brought into range)
// from the tuning in use: noteFrequency[s]/noteFrequency[0] above, noteFrequency[100 + s] /
// noteFrequency[100] at and below 0. 1.0 without a table.
float osc2Ratio(int semitones, const float* noteFrequency);

// "Noise Color": the high-pass cutoff in cycles per sample, (v·0.9 + 0.1)·18000·(1/fs).
float noiseCutoff(float value, float invFs);

// "Osc1 FM", "Osc2 FM": the feedback amount, −0.25·v.
inline float fmAmount(float value) {
    return -0.25f * value;
}

// "Granular Level": the comb's feedback, 0.999·v.
inline float grainAmount(float value) {
    return 0.999f * value;
}

}  // namespace sorvella
