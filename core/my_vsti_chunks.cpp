// The instrument's chunks: the state hosts save and restore, and the body of patch and bank
// files, in the format of presets/preset_chunk.h.
#include <memory>
#include <mutex>
#include <new>

#include "core/my_vsti.h"
#include "engine/formant_data.h"
#include "platform/error_box.h"
#include "presets/preset_chunk.h"

namespace sorvella {

namespace {

// False when a formant set lies beyond the editor's limits in a dangerous direction: a crafted
// level of +60 dB made a note peak 44 dB above full scale.
bool formantsWithinSafeLimits(Program& program) {
    for (std::int32_t set = 0; set < 4; ++set) {
        if (!program.formantSet(set).withinSafeLimits()) return false;
    }
    return true;
}

}  // namespace

std::int32_t MyVsti::getChunk(void** data, bool isPreset) {
    // Edits of the working program reach the host only through its slot. Selecting the program
    // again would change nothing that is saved but would cut every sounding note, and hosts ask
    // for chunks while playing (autosave), so the slot is written without a new selection.
    {
        std::lock_guard lock(audioLock_);
        copyProgram(curProgram);
    }
    return buildChunk(data, isPreset);
}

std::int32_t MyVsti::chunkForFile(void** data, bool isPreset) {
    return getChunk(data, isPreset);
}

std::int32_t MyVsti::buildChunk(void** data, bool isPreset) {
    if (!data) return 0;
    const std::int32_t size = chunkSize(working_.serialisedSize(kStorageVersion), isPreset);
    std::unique_ptr<std::uint8_t[]>& buffer = isPreset ? presetChunkBuffer_ : bankChunkBuffer_;
    if (!buffer) {
        buffer.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(size)]);
        if (!buffer) {
            reportError(kErrorOutOfMemory);
            return 0;
        }
    }
    float zoom = 0.0f;
    float scroll = 0.0f;
    if (instrumentEditor_) instrumentEditor_->viewBlock(zoom, scroll);

    ByteWriter writer(buffer.get(), static_cast<std::size_t>(size));
    {
        // A program change arriving by MIDI rewrites the working program on the audio thread.
        std::lock_guard lock(audioLock_);
        writeChunkHead(writer, curProgram);
        if (isPreset) {
            working_.write(writer);
        } else {
            for (const Program& slot : slots_)
                slot.write(writer);
        }
    }
    writeChunkTail(writer, ChunkView{zoom, scroll});
    if (writer.overflowed() || writer.position() != static_cast<std::size_t>(size)) return 0;
    *data = buffer.get();
    return size;
}

std::int32_t MyVsti::setChunk(void* data, std::int32_t byteSize, bool isPreset) {
    // A chunk too short for its head, or none at all, cannot be the instrument's.
    if (!data || byteSize < kChunkHeadBytes) {
        reportError(kErrorInvalidFormat);
        return 0;
    }
    ByteReader reader(static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(byteSize));
    const ChunkHead head = readChunkHead(reader);
    const std::int32_t version = head.version;
    const std::int32_t storedProgram = head.program;
    // A bank names the program to select; a word outside the slots would leave the working
    // program unselected and overwrite slot 0 with it at the next save.
    const bool badProgram = !isPreset && (storedProgram < 0 || storedProgram >= kNumPrograms);
    if (head.magic != kChunkMagic || version < 1 || badProgram ||
        byteSize != chunkSize(working_.serialisedSize(version), isPreset)) {
        reportError(kErrorInvalidFormat);
        return 0;
    }
    if (version > kStorageVersion) {
        reportError(kErrorNewerVersion);
        return 0;
    }

    // Everything is read into scratch programs first, so that a chunk refused halfway through
    // leaves the instrument exactly as it was. Each starts as a copy of the slot it replaces:
    // sub-records newer than the chunk keep the slot's contents.
    const std::int32_t first = isPreset ? clampSlot(curProgram) : 0;
    const std::int32_t count = chunkRecords(isPreset);
    std::unique_ptr<Program[]> scratch(new (std::nothrow) Program[static_cast<std::size_t>(count)]);
    if (!scratch) {
        reportError(kErrorOutOfMemory);
        return 0;
    }
    for (std::int32_t i = 0; i < count; ++i) {
        Program& staged = scratch[static_cast<std::size_t>(i)];
        {
            std::lock_guard lock(audioLock_);
            staged.copyFrom(slots_[static_cast<std::size_t>(first + i)]);
        }
        if (!staged.read(reader, version) || !formantsWithinSafeLimits(staged)) {
            reportError(kErrorInvalidFormat);
            return 0;
        }
    }
    ChunkView view;
    if (!readChunkTail(reader, view)) {
        reportError(kErrorInvalidFormat);
        return 0;
    }

    {
        std::lock_guard lock(audioLock_);
        for (std::int32_t i = 0; i < count; ++i)
            slots_[static_cast<std::size_t>(first + i)].copyFrom(
                scratch[static_cast<std::size_t>(i)]);
    }
    if (instrumentEditor_) instrumentEditor_->setViewBlock(view.zoom, view.scroll);
    setProgram(isPreset ? first : storedProgram);
    return 1;
}

}  // namespace sorvella
