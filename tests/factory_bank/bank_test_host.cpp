#include "tests/factory_bank/bank_test_host.h"

#include <cstdio>
#include <cstdlib>

#include "tools/factory_bank/scratch_settings.h"

namespace sorvella::factory {

namespace {

vst2::intptr hostCallback(vst2::AEffect*, std::int32_t opcode, std::int32_t, vst2::intptr, void*,
                          float) {
    return opcode == vst2::audioMasterVersion ? 2400 : 0;
}

// Running on without it would let the tests read and write the real user's settings.
struct IsolatedSettings {
    IsolatedSettings() {
        if (!scratch.ok()) {
            std::fprintf(stderr, "factory bank tests: no scratch settings directory\n");
            std::abort();
        }
    }
    ScratchSettings scratch;
};

// Before any other static object of the tests.
IsolatedSettings isolatedSettings __attribute__((init_priority(101)));

}  // namespace

std::unique_ptr<MyVsti> makeBankTestInstrument() {
    return std::make_unique<MyVsti>(&hostCallback);
}

}  // namespace sorvella::factory
