// A program: its name, the 29 parameter values and the seven sub-records (three envelope curves,
// four formant sets), with the serialised form that programs are copied and stored through.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

#include "core/parameter_table.h"
#include "engine/byte_cursor.h"
#include "presets/preset_chunk.h"

namespace sorvella {

class MyMetaParam;
class MyEnvData;
class MyFormantData;

inline constexpr std::int32_t kNumPrograms = kBankChunkRecords;
inline constexpr std::int32_t kProgramNameField = 28;
inline constexpr std::int32_t kProgramNameMax = 24;
inline constexpr std::int32_t kNumMetaParams = 7;
inline constexpr std::int32_t kCurveCapacity = 8;
inline constexpr std::int32_t kStorageVersion = kChunkFormatVersion;

enum MetaParamIndex : std::int32_t {
    kCurveOsc1 = 0,
    kCurveOsc2,
    kCurveNoise,
    kFormant1Start,
    kFormant1End,
    kFormant2Start,
    kFormant2End,
};

class Program {
  public:
    Program();  // "Default" name, default values of the table, default sub-records
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    const char* name() const { return name_.data(); }
    void setName(const char* text);  // keeps at most 24 characters

    // Hosts read values from their own threads without the instrument's lock while the audio
    // thread applies MIDI controllers under it, so single values are read and written atomically.
    float value(std::int32_t index) const {
        return std::atomic_ref(values_[static_cast<std::size_t>(index)])
            .load(std::memory_order_relaxed);
    }
    void setValue(std::int32_t index, float v) {
        std::atomic_ref(values_[static_cast<std::size_t>(index)])
            .store(v, std::memory_order_relaxed);
    }

    MyMetaParam& meta(std::int32_t index);
    const MyMetaParam& meta(std::int32_t index) const;
    MyEnvData& curve(std::int32_t index);  // 0..2
    const MyEnvData& curve(std::int32_t index) const;
    MyFormantData& formantSet(std::int32_t index);  // 0..3

    // Bytes of the serialised record at a storage version: 141 plus the sub-records that exist
    // at that version (909 at version 2, 669 at version 1).
    std::int32_t serialisedSize(std::int32_t version) const;
    void write(ByteWriter& cursor) const;
    // Reads a record written at version; sub-records newer than it keep their contents. Returns
    // false when the bytes do not form a valid program; the record may then be partly read, so
    // callers that must change nothing on failure read into a scratch program first.
    bool read(ByteReader& cursor, std::int32_t version);

    // Copies another program through the serialised form; copying onto itself does nothing.
    // Allocates nothing, so the audio thread may select programs.
    void copyFrom(const Program& other);

  private:
    std::array<char, kProgramNameField> name_{};
    // Mutable only so that value() can load through std::atomic_ref, which takes no const float.
    mutable std::array<float, kNumParams> values_{};
    std::array<std::unique_ptr<MyMetaParam>, kNumMetaParams> metas_;
};

}  // namespace sorvella
