#include "tests/engine/chain_reference.h"

#include <cmath>

namespace sorvella::reference {

void Line::create(std::size_t n) {
    v.assign(n, 0.0f);
    writeIndex = 0;
    readIndex = n > 1 ? 1 : 0;
}

void Line::write(float x) {
    v[writeIndex] = x;
    writeIndex = (writeIndex + 1) % v.size();
}

float Line::read() {
    const float x = v[readIndex];
    readIndex = (readIndex + 1) % v.size();
    return x;
}

float Line::readAt(float d) const {
    const long n = static_cast<long>(v.size());
    const float p = static_cast<float>(writeIndex) - d;
    long i = std::lrint(p - 0.5f);
    const float f = p - static_cast<float>(i);
    long j = i + 1;
    if (i < 0) i += n;
    if (i >= n) i -= n;
    if (j < 0) j += n;
    if (j >= n) j -= n;
    const float vi = v.at(static_cast<std::size_t>(i));
    const float vj = v.at(static_cast<std::size_t>(j));
    return vi + (vj - vi) * f;
}

void Chorus::create(const ChorusUnit& unit) {
    a.create(unit.lineLength());
    b.create(unit.lineLength());
    d0 = unit.baseDelay();
    x.fill(1.0f);
    y.fill(0.0f);
    o.fill(0.0f);
}

void Chorus::takeParameters(const ChorusUnit& unit) {
    for (int i = 0; i < 4; ++i) {
        k[static_cast<std::size_t>(i)] = unit.oscillatorCoef(i);
        depth[static_cast<std::size_t>(i)] = unit.depth(i);
    }
}

float Chorus::process(float in) {
    std::array<float, 4> d{};
    for (std::size_t i = 0; i < 4; ++i) {
        x[i] = x[i] + k[i] * y[i];
        y[i] = y[i] - k[i] * x[i];
        d[i] = y[i] * depth[i] + d0;
    }
    a.write(in - 0.1f * o[1] + 1e-24f);
    b.write(in + 0.1f * o[2] - 1e-24f);
    o[0] = a.readAt(d[0]);
    o[1] = b.readAt(d[1]);
    o[2] = a.readAt(d[2]);
    o[3] = b.readAt(d[3]);
    return (o[0] + o[1] + o[2] + o[3]) * 0.25f;
}

void Chorus::renormalise() {
    for (std::size_t i = 0; i < 4; ++i) {
        const float g = 1.5f - 0.5f * (x[i] * x[i] + y[i] * y[i]);
        x[i] = x[i] * g;
        y[i] = y[i] * g;
    }
}

void Bank::takeParameters(const FormantBank& bank) {
    for (std::size_t i = 0; i < 5; ++i) {
        const sorvella::Resonator& from = bank.resonators[i];
        r[i].zeroCoef = from.zeroCoef;
        r[i].a1 = from.a1;
        r[i].a2 = from.a2;
        r[i].outGain = from.outGain;
    }
}

float Bank::process(float in) {
    float sum = 0.0f;
    for (std::size_t i = 0; i < 5; ++i) {
        Resonator& q = r[i];
        const float y = in - q.zeroCoef * q.x2 + q.a1 * q.y1 - q.a2 * q.y2 + 1e-24f;
        q.x2 = q.x1;
        q.x1 = in;
        q.y2 = q.y1;
        q.y1 = y;
        sum = i == 0 ? y * q.outGain : sum + y * q.outGain;
    }
    return sum;
}

void Reverb::create(const ReverbUnit& unit) {
    for (int i = 0; i < 3; ++i)
        lines[static_cast<std::size_t>(i)].create(unit.lineLength(i));
    s.fill(0.0f);
}

void Reverb::takeParameters(const ReverbUnit& unit) {
    for (int i = 0; i < 3; ++i) {
        k[static_cast<std::size_t>(i)] = unit.filterK(i);
        a[static_cast<std::size_t>(i)] = unit.filterA(i);
    }
}

float Reverb::process(float in) {
    lines[0].write((s[0] - s[1] - s[2]) * -0.45f + in);
    const float d0 = lines[0].read();
    lines[1].write((-s[0] + s[1] - s[2]) * -0.45f + in);
    const float d1 = lines[1].read();
    lines[2].write((-s[0] - s[1] + s[2]) * -0.45f + in);
    const float d2 = lines[2].read();
    s[0] = (k[0] * s[0] + d0) * a[0] + 1e-24f;
    s[1] = (k[1] * s[1] + d1) * a[1] + 1e-24f;
    s[2] = (k[2] * s[2] + d2) * a[2] + 1e-24f;
    return s[0] + s[1] + s[2];
}

void Chain::process(const ChainLevels& lv, float s1, float s2, float s3, float& left,
                    float& right) {
    const float a1 = lv.mix1 * s1;
    const float a2 = lv.mix2 * s2;
    const float a3 = lv.mixBreath * s3;
    const float c1 = chorus1.process(a1);
    const float c2 = chorus2.process(a2);
    const float f1 = bank1.process(c1 + a3);
    const float f2 = bank2.process(c2 + a3);
    const float m = (f1 + f2) * lv.masterGain;
    const float l = m + reverbL.process(m) * lv.reverbMix;
    const float r = m + reverbR.process(m) * lv.reverbMix;
    left = l * lv.panL;
    right = r * lv.panR;
}

void Chain::controlUpdate() {
    chorus1.renormalise();
    chorus2.renormalise();
}

}  // namespace sorvella::reference
