// What the editor does when one of its controls reports a change: parameters go to the instrument
// as automation, the other tags run their actions (programs, vowel menus, step buttons, MIDI out,
// learn, the XY pad's morphs), MIDI learn takes the parameter, and the instrument's control hook
// hears of it. What needs the window (redraws, the formant page, file dialogs) comes back as an
// outcome for the editor to carry out once the control's mouse tracking has ended.
#pragma once

#include <cstdint>

namespace sorvella {

class MyVsti;
class LearnMode;
class XYPadModel;

enum class FileAction : std::uint8_t {
    kNone,
    kLoadPatch,
    kSavePatch,
    kLoadBank,
    kSaveBank,
    kLoadTuning
};

struct ControlOutcome {
    std::int32_t tag = -1;              // the reporting tag, or the parameter it changed
    std::int32_t learnTarget = -1;      // the parameter MIDI learn now waits for
    bool redrawAll = false;             // learn switch: every display changes its text
    std::int32_t openFormantPage = -1;  // vowel slot 0..3 whose formant set to show
    bool closeFormantPage = false;
    FileAction file = FileAction::kNone;
    bool settingsChosen = false;  // the XY pad's settings menu: save, then apply the settings
};

class ControlActions {
  public:
    ControlActions(MyVsti& instrument, LearnMode& learn) : instrument_(instrument), learn_(learn) {}

    // A control with `tag` reports `value` (a menu its entry, a button 1 pressed and 0 released).
    // alt: the Alt key was held. pad: the XY pad, for tag 77. text: the program-name field's text,
    // for tag 59. Negative tags (the settings menus) and unknown tags change nothing.
    ControlOutcome controlChanged(std::int32_t tag, float value, bool alt = false,
                                  const XYPadModel* pad = nullptr, const char* text = nullptr);

  private:
    MyVsti& instrument_;
    LearnMode& learn_;
};

}  // namespace sorvella
