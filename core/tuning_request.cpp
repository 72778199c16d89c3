// Hosts of our own load a tuning file through a vendor-specific request (see TuningRequest).
#include "core/my_vsti.h"
#include "engine/tables.h"
#include "presets/settings_key.h"
#include "presets/settings_names.h"
#include "presets/tuning.h"

namespace sorvella {

vst2::intptr MyVsti::vendorSpecific(std::int32_t index, vst2::intptr value, void* ptr, float) {
    if (index != kTuningRequest) return 0;
    bool done = false;
    switch (value) {
        case kTuningRemember:
            done = ptr && loadTuningFile(static_cast<const char*>(ptr), settings_);
            break;
        case kTuningThisSession: {
            // A key that is not open ignores writes: the user's settings stay as they are.
            SettingsKey detached;
            done = ptr && loadTuningFile(static_cast<const char*>(ptr), detached);
            break;
        }
        case kTuningForget:
            settings_.setText(settings::kTuning, std::nullopt);
            resetCents();
            rebuildNoteFrequencies();
            done = true;
            break;
        default:
            return 0;
    }
    if (done) {
        // Osc2 detune reads its ratio from the note table: applied again, it sounds as it does
        // under a tuning restored at start-up, before the first program was applied.
        std::lock_guard lock(audioLock_);
        applyOsc2Detune(working_.value(kOsc2Detune));
    }
    return done ? 1 : 0;
}

}  // namespace sorvella
