// Writes the factory bank: the eight programs of factory_programs.cpp as an FX bank file, with
// program 0 selected.
//
//   make_factory_bank presets/factory/factory.fxb
#include <cstdio>
#include <memory>

#include "core/fx_files.h"
#include "core/my_vsti.h"
#include "tools/factory_bank/factory_programs.h"
#include "tools/factory_bank/scratch_settings.h"

namespace {

vst2::intptr hostCallback(vst2::AEffect*, std::int32_t opcode, std::int32_t, vst2::intptr, void*,
                          float) {
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_factory_bank BANK.fxb\n");
        return 2;
    }
    sorvella::factory::ScratchSettings scratch;
    if (!scratch.ok()) {
        std::fprintf(stderr, "make_factory_bank: cannot make a scratch settings directory\n");
        return 1;
    }
    auto instrument = std::make_unique<sorvella::MyVsti>(&hostCallback);
    if (!instrument->isInitialised()) return 1;
    if (!sorvella::factory::designFactoryBank(*instrument)) {
        std::fprintf(stderr, "make_factory_bank: a design refused its curve\n");
        return 1;
    }
    if (!sorvella::saveBankFile(*instrument, argv[1])) return 1;
    return 0;
}
