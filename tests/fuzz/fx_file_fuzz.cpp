// Patch and bank files, from their bytes as the whole-file read hands them over: each input is
// loaded as a patch and as a bank. A refused patch changes nothing; a refused bank only selects
// program 0. The FX file codec the renderer reads them with parses each input too, and what it
// accepts it writes back to bytes that parse the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/fx_files.h"
#include "platform/vst2/fx_file.h"
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
    const std::vector<std::uint8_t> bytes(data, data + size);
    for (const bool bank : {false, true}) {
        FxFile file;
        FxFile again;
        std::string error;
        if (!(bank ? parseFxBank(bytes, file, error) : parseFxPatch(bytes, file, error))) continue;
        std::vector<std::uint8_t> written;
        switch (file.kind) {
            case FxKind::kBankChunk:
                written = fxBankChunkFile(file.fxId, file.fxVersion, file.count, file.chunk);
                break;
            case FxKind::kBankPrograms:
                written = fxBankProgramsFile(file.fxId, file.fxVersion, file.programs);
                break;
            case FxKind::kPatchChunk:
                written =
                    fxPatchChunkFile(file.fxId, file.fxVersion, file.count, file.name, file.chunk);
                break;
            case FxKind::kPatchProgram:
                written = fxPatchProgramFile(file.fxId, file.fxVersion, file.programs[0]);
                break;
        }
        if (!(bank ? parseFxBank(written, again, error) : parseFxPatch(written, again, error)) ||
            again.chunk != file.chunk || again.programs.size() != file.programs.size()) {
            __builtin_trap();
        }
    }
    return 0;
}
