// Patch and bank files, from their bytes as the whole-file read hands them over: each input is
// loaded as a patch and as a bank. A refused patch changes nothing; a refused bank only selects
// program 0.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "presets/fx_files.h"
#include "tests/fuzz/instrument_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvella;
    {
        MyVsti& instrument = fuzz::fuzzInstrument().fresh();
        const std::vector<std::uint8_t> before = fuzz::stateOf(instrument);
        if (loadPatchBytes(instrument, data, size)) {
            fuzz::checkLoaded(instrument);
        } else if (fuzz::stateOf(instrument) != before) {
            __builtin_trap();
        }
    }
    {
        MyVsti& instrument = fuzz::fuzzInstrument().fresh();
        const bool loaded = loadBankBytes(instrument, data, size);
        if (instrument.getProgram() != 0) __builtin_trap();
        if (loaded) fuzz::checkLoaded(instrument);
    }
    return 0;
}
