// Preset and bank chunks: the state hosts save and restore, and the body of patch and bank files.
#include "presets/preset_chunk.h"

#include <cmath>

namespace sorvella {

std::int32_t chunkRecords(bool isPreset) {
    return isPreset ? 1 : kBankChunkRecords;
}

std::int32_t chunkSize(std::int32_t recordBytes, bool isPreset) {
    return kChunkHeadBytes + kChunkReservedBytes + kChunkViewBytes +
           chunkRecords(isPreset) * recordBytes;
}

void writeChunkHead(ByteWriter& writer, std::int32_t program) {
    writer.putInt(kChunkMagic);
    writer.putInt(kChunkFormatVersion);
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

}  // namespace sorvella
