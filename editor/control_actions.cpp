#include "editor/control_actions.h"

#include <cstring>

#include "core/my_vsti.h"
#include "editor/editor_layout.h"
#include "editor/editor_menus.h"
#include "editor/value_displays.h"
#include "editor/xy_pad_model.h"

namespace sorvella {

ControlOutcome ControlActions::controlChanged(std::int32_t tag, float value, bool alt,
                                              const XYPadModel* pad, const char* text) {
    ControlOutcome out;
    out.tag = tag;
    const Binding binding = bindingOf(tag);
    const bool released = value == 0.0f;
    switch (binding.action) {
        case Action::kNone:
            if (tag < 0) return out;  // the settings menus: their choice is read from the pad
            break;
        case Action::kParameter:
            instrument_.setParameterAutomated(tag, value);
            break;
        case Action::kProgramName: {
            char name[kProgramNameMax + 1] = {};
            if (text) std::strncpy(name, text, kProgramNameMax);
            instrument_.setProgramName(name);
            break;
        }
        case Action::kLoadPatch:
            if (released) out.file = FileAction::kLoadPatch;
            break;
        case Action::kSavePatch:
            if (released) out.file = FileAction::kSavePatch;
            break;
        case Action::kLoadBank:
            if (released) out.file = FileAction::kLoadBank;
            break;
        case Action::kSaveBank:
            if (released) out.file = FileAction::kSaveBank;
            break;
        case Action::kLoadTuning:
            if (released) out.file = FileAction::kLoadTuning;
            break;
        case Action::kSelectProgram:
            // Alt stores the working program into the slot first.
            if (alt) {
                instrument_.storeProgram(binding.slot);
            } else {
                instrument_.setProgram(binding.slot);
            }
            break;
        case Action::kVowelMenu: {
            const std::int32_t entry = vowelMenuEntry(value);
            if (entry < 0) break;
            instrument_.setParameterAutomated(binding.parameter, vowelMenuParameterValue(entry));
            if (vowelMenuOpensFormantPage(entry)) out.openFormantPage = binding.slot;
            break;
        }
        case Action::kXYPad:
            if (!pad) break;
            if (pad->changedX()) {
                instrument_.setParameterAutomated(binding.parameter, pad->x());
                out.tag = binding.parameter;
            }
            if (pad->changedY()) {
                instrument_.setParameterAutomated(binding.secondParameter, pad->y());
                out.tag = binding.secondParameter;
            }
            out.settingsChosen = pad->settingsChanged();
            break;
        case Action::kMidiOut:
            instrument_.setMidiOut(value != 0.0f);
            break;
        case Action::kLearn:
            learn_.setOn(instrument_, value != 0.0f);
            out.redrawAll = true;
            break;
        case Action::kStepUp:
        case Action::kStepDown:
            if (released) break;
            out.tag = binding.parameter;
            if (binding.action == Action::kStepUp) {
                instrument_.incParam(binding.parameter);
            } else {
                instrument_.decParam(binding.parameter);
            }
            break;
        case Action::kCloseFormantPage:
            out.closeFormantPage = value != 1.0f;
            break;
        default:
            break;
    }
    if (learn_.on() && isParameterIndex(out.tag)) {
        instrument_.armLearn(out.tag);
        out.learnTarget = out.tag;
    }
    instrument_.controlChanged(out.tag, value);
    return out;
}

}  // namespace sorvella
