// The instrument as the bank tools build it: a host that answers only its version, and settings
// kept in a scratch directory for the whole test run.
#pragma once

#include <memory>

#include "core/my_vsti.h"

namespace sorvella::factory {

std::unique_ptr<MyVsti> makeBankTestInstrument();

}  // namespace sorvella::factory
