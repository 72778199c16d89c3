// The chunk that holds the instrument's programs: "SORV", the format version and the current
// program number, then one program record (preset) or all eight slots (bank), 64 reserved bytes
// and the envelope editor's view (zoom, scroll). Every word is big-endian.
#pragma once

#include <cstdint>

#include "core/program.h"
#include "platform/vst2/aeffect.h"

namespace sorvella {

inline constexpr std::int32_t kChunkMagic = vst2::fourCC('S', 'O', 'R', 'V');
inline constexpr std::int32_t kPresetChunkBytes = 993;
inline constexpr std::int32_t kBankChunkBytes = 7356;

// Bytes of a chunk at a format version, counting only the sub-records that exist at it.
std::int32_t chunkSize(const Program& program, std::int32_t version, bool isPreset);

}  // namespace sorvella
