#include "engine/tables.h"

#include <algorithm>
#include <new>

namespace sorvella {

namespace {

float* gWaves = nullptr;
float* gCents = nullptr;
float* gNoteFrequency = nullptr;
float* gBendFactor = nullptr;

void fillWaveShapes() {
    float x = 0.0f;
    float s = 0.0f;
    for (int i = 0; i < kWaveTableSize; ++i) {
        // The previous sample bends the phase a little, which skews every pulse the same way.
        const float phi = 2.0f * (x * x) - 0.1f * (s * s);
        s = static_cast<float>(std::sin(static_cast<double>(2.0f * phi) * 3.1415926));
        const float p = s * s;
        const float p2 = p * p;
        const float p3 = p2 * p2;
        const float p4 = p3 * p3;
        const float p5 = p3 * p4;
        const float p6 = p4 * p4;
        const float p7 = p6 * p6;
        const float p8 = p7 * p7;
        const float shapes[kWaveShapes] = {p, p2, p3, p4, p5, p6, p7, p8};
        for (int n = 0; n < kWaveShapes; ++n)
            gWaves[n * kWaveTableSize + i] = shapes[n];
        x = x + 6.1035156e-5f;
    }
}

void fillBendFactors() {
    const double q = std::exp2(0.16666667f);
    for (int i = 0; i < kBendValues; ++i) {
        gBendFactor[i] = static_cast<float>(std::pow(q, i / 64.0 - 1.0));
    }
}

float noteFrequencyFromCents(double base, float cents) {
    const float exponent = (cents - 6900.0f) * 0.1f;
    return static_cast<float>(880.0 * std::pow(base, static_cast<double>(exponent)));
}

}  // namespace

bool buildTables() {
    if (gWaves == nullptr) {
        gWaves = new (std::nothrow) float[kWaveShapes * kWaveTableSize];
        gCents = new (std::nothrow) float[kMidiNotes];
        gNoteFrequency = new (std::nothrow) float[kMidiNotes];
        gBendFactor = new (std::nothrow) float[kBendValues];
        if (gWaves == nullptr || gCents == nullptr || gNoteFrequency == nullptr ||
            gBendFactor == nullptr) {
            releaseTables();
            return false;
        }
    }
    fillWaveShapes();
    fillBendFactors();
    resetCents();
    rebuildNoteFrequencies();
    return true;
}

void releaseTables() {
    delete[] gWaves;
    delete[] gCents;
    delete[] gNoteFrequency;
    delete[] gBendFactor;
    gWaves = gCents = gNoteFrequency = gBendFactor = nullptr;
}

bool tablesBuilt() {
    return gWaves != nullptr;
}

const float* waveTable(int shape) {
    if (gWaves == nullptr) return nullptr;
    return gWaves + std::clamp(shape, 0, kWaveShapes - 1) * kWaveTableSize;
}

float* centsTable() {
    return gCents;
}
const float* noteFrequencyTable() {
    return gNoteFrequency;
}
const float* bendFactorTable() {
    return gBendFactor;
}

void resetCents() {
    if (gCents == nullptr) return;
    float cents = 0.0f;
    for (int i = 0; i < kMidiNotes; ++i) {
        gCents[i] = cents;
        cents += 100.0f;
    }
}

void rebuildNoteFrequencies() {
    if (gCents == nullptr || gNoteFrequency == nullptr) return;
    const double base = std::exp2(0.008333334f);
    for (int i = 0; i < kMidiNotes; ++i) {
        float f = noteFrequencyFromCents(base, gCents[i]);
        // A broken tuning must not put infinities or NaNs into the oscillators.
        if (!std::isfinite(gCents[i]) || !std::isfinite(f)) {
            f = noteFrequencyFromCents(base, 100.0f * static_cast<float>(i));
        }
        gNoteFrequency[i] = f;
    }
}

int shapeFromValue(float value) {
    const double n = static_cast<double>(value) / 0.14000000059604645 + 0.10000000149011612;
    // Written so that NaN lands on shape 0 as well.
    if (!(n >= 1.0)) return 0;
    if (n >= static_cast<double>(kWaveShapes - 1)) return kWaveShapes - 1;
    return static_cast<int>(n);
}

float shapeKeptValue(int n) {
    return static_cast<float>(std::clamp(n, 0, kWaveShapes - 1) * 0.14000000059604645);
}

}  // namespace sorvella
