// Host chunks: each input is offered as a preset chunk and as a bank chunk. A refused chunk must
// change nothing; an accepted one must leave a playable instrument that stores it back intact.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "tests/fuzz/instrument_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvella;
    for (bool isPreset : {true, false}) {
        MyVsti& instrument = fuzz::fuzzInstrument().fresh();
        const std::vector<std::uint8_t> before = fuzz::stateOf(instrument);
        std::vector<std::uint8_t> chunk(data, data + size);
        const std::int32_t loaded =
            instrument.setChunk(chunk.data(), static_cast<std::int32_t>(chunk.size()), isPreset);
        if (loaded == 1) {
            if (isPreset && instrument.getProgram() != 2) __builtin_trap();
            fuzz::checkLoaded(instrument);
        } else if (loaded != 0 || fuzz::stateOf(instrument) != before) {
            __builtin_trap();
        }
    }
    return 0;
}
