// The chunk that holds the instrument's programs: "SORV", the format version and the current
// program number, then one program record (preset) or all eight slots (bank), 64 reserved bytes
// and the envelope editor's view (zoom, scroll). Every word is big-endian.
#pragma once

#include <cstdint>

#include "engine/byte_cursor.h"
#include "platform/vst2/aeffect.h"

namespace sorvella {

inline constexpr std::int32_t kChunkMagic = vst2::fourCC('S', 'O', 'R', 'V');
// The format version chunks are written at; version 1 lacks the later program sub-records.
inline constexpr std::int32_t kChunkFormatVersion = 2;
// Program records in a bank chunk: one per program slot.
inline constexpr std::int32_t kBankChunkRecords = 8;
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

// Bytes of a chunk whose program records are recordBytes each (at the chunk's format version,
// counting only the sub-records that exist at it).
std::int32_t chunkSize(std::int32_t recordBytes, bool isPreset);

// The head at the current format version, and the head as stored.
void writeChunkHead(ByteWriter& writer, std::int32_t program);
ChunkHead readChunkHead(ByteReader& reader);

// The reserved bytes and the view; reading fails on a short chunk or a non-finite view.
void writeChunkTail(ByteWriter& writer, const ChunkView& view);
bool readChunkTail(ByteReader& reader, ChunkView& view);

}  // namespace sorvella
