// Preset and bank chunks: the state hosts save and restore.
#include "core/my_vsti.h"

namespace sorvella {

std::int32_t MyVsti::getChunk(void**, bool) { return 0; }

std::int32_t MyVsti::setChunk(void*, std::int32_t, bool) { return 0; }

std::int32_t MyVsti::chunkForFile(void** data, bool isPreset) { return getChunk(data, isPreset); }

std::int32_t MyVsti::buildChunk(void**, bool) { return 0; }

}  // namespace sorvella
