// Hosts of our own can load a tuning file through a vendor-specific request.
#include "core/my_vsti.h"
#include "presets/tuning.h"

namespace sorvella {

vst2::intptr MyVsti::vendorSpecific(std::int32_t index, vst2::intptr, void* ptr, float) {
    if (index != vst2::fourCC('S', 'T', 'u', 'n') || !ptr) return 0;
    return loadTuningFile(static_cast<const char*>(ptr), settings_) ? 1 : 0;
}

}  // namespace sorvella
