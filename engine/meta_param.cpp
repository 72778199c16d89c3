#include "engine/meta_param.h"

#include <vector>

namespace sorvella {

void MyMetaParam::assign(const MyMetaParam& other) {
    if (&other == this) return;
    constexpr std::int32_t kCurrentVersion = 2;
    std::vector<std::uint8_t> buffer(
        static_cast<std::size_t>(other.serialisedSize(kCurrentVersion)));
    ByteWriter writer(buffer.data(), buffer.size());
    other.write(writer);
    ByteReader reader(buffer.data(), buffer.size());
    read(reader, kCurrentVersion);
}

std::int32_t MyMetaParam::serialisedSize(std::int32_t) const {
    return 0;
}

void MyMetaParam::write(ByteWriter&) const {}

bool MyMetaParam::read(ByteReader&, std::int32_t) {
    return true;
}

}  // namespace sorvella
