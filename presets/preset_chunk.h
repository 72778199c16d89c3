// The chunk that holds the instrument's programs: "SORV", the format version and the current
// program number, then one program record (preset) or all eight slots (bank), 64 reserved bytes
// and the envelope editor's view (zoom, scroll). Every word is big-endian.
#pragma once

#include <cstdint>

#include "core/program.h"
#include "engine/byte_cursor.h"
#include "platform/vst2/aeffect.h"

namespace sorvella {

inline constexpr std::int32_t kChunkMagic = vst2::fourCC('S', 'O', 'R', 'V');
inline constexpr std::int32_t kPresetChunkBytes = 993;
inline constexpr std::int32_t kBankChunkBytes = 7356;

inline constexpr std::int32_t kChunkHeadBytes = 12;  // magic, format version, program number
inline constexpr std::int32_t kChunkReservedBytes = 64;
inline constexpr std::int32_t kChunkViewBytes = 8;

struct ChunkHead {
    std::int32_t magic = 0;
    std::int32_t version = 0;
    std::int32_t program = 0;
};

// The envelope editor's view, stored after the reserved bytes.
struct ChunkView {
    float zoom = 0.0f;
    float scroll = 0.0f;
};

// Program records in a chunk: one for a preset, every slot for a bank.
std::int32_t chunkRecords(bool isPreset);

// Bytes of a chunk at a format version, counting only the sub-records that exist at it.
std::int32_t chunkSize(const Program& program, std::int32_t version, bool isPreset);

// The head at the current format version, and the head as stored.
void writeChunkHead(ByteWriter& writer, std::int32_t program);
ChunkHead readChunkHead(ByteReader& reader);

// The reserved bytes and the view; reading fails on a short chunk or a non-finite view.
void writeChunkTail(ByteWriter& writer, const ChunkView& view);
bool readChunkTail(ByteReader& reader, ChunkView& view);

// False when a formant set lies beyond the editor's limits in a dangerous direction
// (MyFormantData::withinSafeLimits): a crafted level of +60 dB made a note peak 44 dB above
// full scale.
bool formantsWithinSafeLimits(Program& program);

}  // namespace sorvella
