#include "editor/record_transfer.h"

#include <array>
#include <cstdint>

namespace sorvella {

namespace {

constexpr std::int32_t kVersion = 2;
// A curve of capacity 8 takes 176 bytes, a formant set 60.
using TransferBuffer = std::array<std::uint8_t, 512>;

bool fits(const MyMetaParam& record) {
    const std::int32_t size = record.serialisedSize(kVersion);
    return size >= 0 && static_cast<std::size_t>(size) <= TransferBuffer{}.size();
}

}  // namespace

bool pullRecord(const MyMetaParam& instrumentRecord, MyMetaParam& copy,
                std::recursive_mutex& lock) {
    if (!fits(instrumentRecord) ||
        instrumentRecord.serialisedSize(kVersion) != copy.serialisedSize(kVersion)) {
        return false;
    }
    TransferBuffer buffer;
    const auto size = static_cast<std::size_t>(instrumentRecord.serialisedSize(kVersion));
    {
        std::lock_guard guard(lock);
        ByteWriter writer(buffer.data(), size);
        instrumentRecord.write(writer);
    }
    ByteReader reader(buffer.data(), size);
    return copy.read(reader, kVersion);
}

bool pushRecord(const MyMetaParam& copy, MyMetaParam& instrumentRecord,
                std::recursive_mutex& lock) {
    if (!fits(copy) || copy.serialisedSize(kVersion) != instrumentRecord.serialisedSize(kVersion)) {
        return false;
    }
    TransferBuffer buffer;
    const auto size = static_cast<std::size_t>(copy.serialisedSize(kVersion));
    ByteWriter writer(buffer.data(), size);
    copy.write(writer);
    ByteReader reader(buffer.data(), size);
    std::lock_guard guard(lock);
    return instrumentRecord.read(reader, kVersion);
}

}  // namespace sorvella
