#include "editor/value_displays.h"

#include <cstdio>

#include "core/my_vsti.h"
#include "editor/editor_layout.h"
#include "editor/editor_mailbox.h"

namespace sorvella {

void valueDisplayText(MyVsti& instrument, std::int32_t parameter, bool learnMode, char* out,
                      std::size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    if (!isParameterIndex(parameter)) return;
    // The instrument's texts are at most 16 bytes; these buffers leave room to spare.
    char text[64] = {};
    if (learnMode) {
        instrument.controllerText(parameter, text);
        std::snprintf(out, size, "%s", text);
        return;
    }
    char label[64] = {};
    instrument.getParameterDisplay(parameter, text);
    instrument.getParameterLabel(parameter, label);
    std::snprintf(out, size, "%s%s", text, label);
}

std::bitset<tags::kCount> allValueDisplays() {
    std::bitset<tags::kCount> displays;
    for (std::int32_t p = 0; p < kNumParams; ++p) {
        const std::int32_t tag = displayTagOf(p);
        if (tag >= 0) displays.set(static_cast<std::size_t>(tag));
    }
    return displays;
}

std::bitset<tags::kCount> LearnMode::setOn(MyVsti& instrument, bool on) {
    const bool leaving = on_ && !on;
    on_ = on;
    if (leaving) instrument.saveControllerMap();
    return allValueDisplays();
}

std::bitset<tags::kCount> LearnMode::clickDisplay(MyVsti& instrument, std::int32_t tag,
                                                  MouseButtons buttons) const {
    if (!on_ || bindingOf(tag).action != Action::kValueDisplay) return {};
    const std::int32_t parameter = tag - tags::kDisplayOffset;
    if (buttons.onlyLeft()) {
        instrument.armLearn(parameter);
    } else if (buttons.onlyRight()) {
        instrument.assignController(parameter, kNoController);
    } else {
        return {};
    }
    // The display that waited before shows its own controller again.
    return allValueDisplays();
}

std::bitset<tags::kCount> LearnMode::displaysToRedraw(const EditorChanges& changes) const {
    if (on_ && changes.controllerMapChanged) return allValueDisplays();
    return {};
}

}  // namespace sorvella
