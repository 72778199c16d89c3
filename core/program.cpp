#include "core/program.h"

#include <cmath>
#include <cstring>

#include "engine/env_data.h"
#include "engine/formant_data.h"

namespace sorvella {

namespace {

constexpr std::int32_t kSerialisedNameBytes = 25;
// Room for a whole program at the current version, on the stack.
constexpr std::size_t kCopyBufferSize = 1024;

}  // namespace

Program::Program() {
    setName("Default");
    for (std::int32_t i = 0; i < kNumParams; ++i)
        values_[i] = initialProgramValue(i);
    metas_[kCurveOsc1] = std::make_unique<MyEnvData>("Osc1", kCurveCapacity);
    metas_[kCurveOsc2] = std::make_unique<MyEnvData>("Osc2", kCurveCapacity);
    metas_[kCurveNoise] = std::make_unique<MyEnvData>("Noise", kCurveCapacity);
    metas_[kFormant1Start] = std::make_unique<MyFormantData>("Formant1 Start");
    metas_[kFormant1End] = std::make_unique<MyFormantData>("Formant1 End");
    metas_[kFormant2Start] = std::make_unique<MyFormantData>("Formant2 Start");
    metas_[kFormant2End] = std::make_unique<MyFormantData>("Formant2 End");
}

Program::~Program() = default;

void Program::setName(const char* text) {
    // The text may be this program's own name.
    std::array<char, kProgramNameField> name{};
    if (text) std::memcpy(name.data(), text, strnlen(text, kProgramNameMax));
    name_ = name;
}

MyMetaParam& Program::meta(std::int32_t index) {
    return *metas_[static_cast<std::size_t>(index)];
}

const MyMetaParam& Program::meta(std::int32_t index) const {
    return *metas_[static_cast<std::size_t>(index)];
}

MyEnvData& Program::curve(std::int32_t index) {
    return static_cast<MyEnvData&>(meta(kCurveOsc1 + index));
}

const MyEnvData& Program::curve(std::int32_t index) const {
    return static_cast<const MyEnvData&>(meta(kCurveOsc1 + index));
}

MyFormantData& Program::formantSet(std::int32_t index) {
    return static_cast<MyFormantData&>(meta(kFormant1Start + index));
}

std::int32_t Program::serialisedSize(std::int32_t version) const {
    std::int32_t size = kSerialisedNameBytes + 4 * kNumParams;
    for (const auto& m : metas_) {
        if (m->version() <= version) size += m->serialisedSize(version);
    }
    return size;
}

void Program::write(ByteWriter& cursor) const {
    cursor.putBytes(name_.data(), kSerialisedNameBytes);
    for (float v : values_)
        cursor.putFloat(v);
    for (const auto& m : metas_)
        m->write(cursor);
}

bool Program::read(ByteReader& cursor, std::int32_t version) {
    if (cursor.remaining() < static_cast<std::size_t>(serialisedSize(version))) return false;
    std::array<char, kProgramNameField> name{};
    std::array<float, kNumParams> values{};
    cursor.getBytes(name.data(), kSerialisedNameBytes);
    for (float& v : values) {
        v = cursor.getFloat();
        if (!std::isfinite(v)) return false;
    }
    for (auto& m : metas_) {
        if (m->version() <= version && !m->read(cursor, version)) return false;
    }
    name[kProgramNameMax] = 0;  // a name never runs past 24 characters
    name_ = name;
    for (std::int32_t i = 0; i < kNumParams; ++i)
        setValue(i, values[static_cast<std::size_t>(i)]);
    return true;
}

void Program::copyFrom(const Program& other) {
    if (&other == this) return;
    std::uint8_t buffer[kCopyBufferSize];
    ByteWriter writer(buffer, sizeof buffer);
    other.write(writer);
    ByteReader reader(buffer, writer.position());
    read(reader, kStorageVersion);
}

}  // namespace sorvella
