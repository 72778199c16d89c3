// Preset and bank chunks: the state hosts save and restore, and the body of patch and bank files.
#include "presets/preset_chunk.h"

#include <cmath>

#include "engine/formant_data.h"

namespace sorvella {

std::int32_t chunkRecords(bool isPreset) {
    return isPreset ? 1 : kNumPrograms;
}

std::int32_t chunkSize(const Program& program, std::int32_t version, bool isPreset) {
    return kChunkHeadBytes + kChunkReservedBytes + kChunkViewBytes +
           chunkRecords(isPreset) * program.serialisedSize(version);
}

void writeChunkHead(ByteWriter& writer, std::int32_t program) {
    writer.putInt(kChunkMagic);
    writer.putInt(kStorageVersion);
    writer.putInt(program);
}

ChunkHead readChunkHead(ByteReader& reader) {
    ChunkHead head;
    head.magic = reader.getInt();
    head.version = reader.getInt();
    head.program = reader.getInt();
    return head;
}

void writeChunkTail(ByteWriter& writer, const ChunkView& view) {
    writer.putZeros(kChunkReservedBytes);
    writer.putFloat(view.zoom);
    writer.putFloat(view.scroll);
}

bool readChunkTail(ByteReader& reader, ChunkView& view) {
    reader.skip(kChunkReservedBytes);
    view.zoom = reader.getFloat();
    view.scroll = reader.getFloat();
    return !reader.underflowed() && std::isfinite(view.zoom) && std::isfinite(view.scroll);
}

bool formantsWithinSafeLimits(Program& program) {
    for (std::int32_t set = 0; set < 4; ++set) {
        if (!program.formantSet(set).withinSafeLimits()) return false;
    }
    return true;
}

}  // namespace sorvella
