// A plain per-sample model of the global chain, written straight from its recurrences: one
// sample at a time, scalar, with its own delay lines and state. The optimised units must match
// it bit for bit.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "engine/chorus.h"
#include "engine/effects_chain.h"
#include "engine/formant_bank.h"
#include "engine/reverb.h"

namespace sorvella::reference {

struct Line {
    std::vector<float> v;
    std::size_t writeIndex = 0;
    std::size_t readIndex = 1;

    void create(std::size_t n);
    void write(float x);
    float read();
    float readAt(float d) const;
};

// The coefficients come from a unit (its parameter mappings are tested elsewhere); the state
// is the model's own.
struct Chorus {
    float d0 = 0.0f;
    Line a, b;
    std::array<float, 4> k{}, depth{}, x{1.0f, 1.0f, 1.0f, 1.0f}, y{}, o{};

    void create(const ChorusUnit& unit);  // lines and base delay; clears the state
    void takeParameters(const ChorusUnit& unit);
    float process(float in);
    void renormalise();
};

struct Bank {
    struct Resonator {
        float zeroCoef = 0.0f, a1 = 0.0f, a2 = 0.0f, outGain = 0.0f;
        float x1 = 0.0f, x2 = 0.0f, y1 = 0.0f, y2 = 0.0f;
    };
    std::array<Resonator, 5> r{};

    void takeParameters(const FormantBank& bank);
    float process(float in);
};

struct Reverb {
    std::array<Line, 3> lines;
    std::array<float, 3> k{}, a{}, s{};

    void create(const ReverbUnit& unit);
    void takeParameters(const ReverbUnit& unit);
    float process(float in);
};

struct Chain {
    Chorus chorus1, chorus2;
    Bank bank1, bank2;
    Reverb reverbL, reverbR;

    // One output sample pair from the voices' three path sums.
    void process(const ChainLevels& lv, float s1, float s2, float s3, float& left, float& right);
    void controlUpdate();
};

}  // namespace sorvella::reference
