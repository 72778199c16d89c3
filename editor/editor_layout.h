// The editor's layout as data: every control of the main page and the formant page with its tag,
// kind, rectangle and skin bitmap, in the order the pages create them (later ones lie above), and
// what each tag is bound to. The toolkit's controls are built from these rows.
#pragma once

#include <cstdint>
#include <span>

#include "editor/control_tags.h"
#include "editor/editor_geometry.h"

namespace sorvella {

// Skin bitmap resource numbers.
namespace skin {
inline constexpr std::int32_t kNone = 0;
inline constexpr std::int32_t kMainBackground = 134;
inline constexpr std::int32_t kStepDown = 136;
inline constexpr std::int32_t kStepUp = 137;
inline constexpr std::int32_t kLoad = 144;
inline constexpr std::int32_t kSetup = 149;
inline constexpr std::int32_t kWav = 150;
inline constexpr std::int32_t kSave = 170;
inline constexpr std::int32_t kCreditsPanel = 171;
inline constexpr std::int32_t kKnobBlue = 174;
inline constexpr std::int32_t kKnobOlive = 175;
inline constexpr std::int32_t kKnobLarge = 176;
inline constexpr std::int32_t kFirstProgramButton = 177;  // 177..184, digits 1..8
inline constexpr std::int32_t kLearn = 185;
inline constexpr std::int32_t kMidiOutLamp = 186;
inline constexpr std::int32_t kTune = 187;
inline constexpr std::int32_t kFormantBackground = 188;
inline constexpr std::int32_t kFormantClose = 189;
inline constexpr std::int32_t kKnobFrames = 81;
}  // namespace skin

enum class ControlKind : std::uint8_t {
    kKnob,             // film-strip knob with inertia, bitmap = its film
    kValueDisplay,     // parameter display, 28 x 9
    kStepButton,       // momentary, acts when pressed
    kMomentaryButton,  // acts when released inside
    kOnOffButton,      // toggles 0 / 1
    kVowelMenu,        // option menu of the 25 vowels, a separator and "User-defined"
    kTextEdit,         // program name
    kSplash,           // logo area opening the credits panel
    kEnvelopeEditor,
    kXYPad,
    kFormantEditor,
};

enum class Page : std::uint8_t { kMain = 0, kFormant = 1 };

struct ControlPlacement {
    std::int32_t tag;
    ControlKind kind;
    PixelRect rect;  // in page coordinates
    std::int32_t bitmap;
};

namespace layout {
inline constexpr std::int32_t kWindowWidth = 819;  // of bitmap 134 at scale 1
inline constexpr std::int32_t kWindowHeight = 374;
inline constexpr std::int32_t kFormantPageWidth = 543;  // of bitmap 188
inline constexpr std::int32_t kFormantPageHeight = 180;
// The formant page is centred in the window.
inline constexpr PixelRect kFormantPage{(kWindowWidth - kFormantPageWidth) >> 1,
                                        (kWindowHeight - kFormantPageHeight) >> 1,
                                        kFormantPageWidth, kFormantPageHeight};
// Inside the formant editor's own rectangle.
inline constexpr PixelRect kFormantGraph{0, 10, 368, 120};
inline constexpr PixelRect kFormantTable{373, 10, 155, 120};
// The credits panel shown over the window's top-left corner while the splash is open.
inline constexpr PixelRect kCreditsPanel{0, 0, 237, 63};
}  // namespace layout

// The controls of a page in creation order.
std::span<const ControlPlacement> pageLayout(Page page);

// The placement of a tag on either page; null for tags no page has (58, 92, the standalone's 93
// and 94, anything outside 0..95).
const ControlPlacement* placementOf(std::int32_t tag);

// What a tag does when its control reports.
enum class Action : std::uint8_t {
    kNone,
    kParameter,      // setParameterAutomated(parameter, value)
    kValueDisplay,   // learn clicks only
    kProgramName,    // setProgramName(first 24 characters)
    kLoadPatch,      // on release
    kSavePatch,      // on release
    kLoadBank,       // on release
    kSaveBank,       // on release
    kLoadTuning,     // on release
    kSelectProgram,  // setProgram(slot), with Alt storeProgram(slot)
    kEnvelopeEditor,
    kVowelMenu,  // parameter from the entry; "User-defined" opens the formant page of slot
    kXYPad,      // parameter = X ("Vowel1 Morph"), secondParameter = Y ("Vowel2 Morph")
    kSplash,
    kMidiOut,
    kLearn,
    kStepUp,    // incParam(parameter) when pressed
    kStepDown,  // decParam(parameter) when pressed
    kCloseFormantPage,
    kFormantEditor,
    kSetup,
    kWav,
};

struct Binding {
    Action action = Action::kNone;
    std::int32_t parameter = -1;        // the parameter the tag changes or shows, -1 for none
    std::int32_t secondParameter = -1;  // the XY pad's Y
    std::int32_t slot = -1;             // program slot or vowel slot (formant set 0..3)
};

// Checked: any integer may be passed; tags outside 0..95 and unused tags bind to nothing.
Binding bindingOf(std::int32_t tag);

// The tag of the control that shows parameter p (its knob for the knob parameters, its vowel menu
// for the vowel parameters, the XY pad also follows 17 and 20); -1 for none or p outside 0..28.
std::int32_t controlTagOf(std::int32_t parameter);
// The tag of parameter p's value display, -1 when it has none (the vowel parameters).
std::int32_t displayTagOf(std::int32_t parameter);

// The order in which the knobs take the "Knobs inertia" setting.
std::span<const std::int32_t> knobInertiaOrder();

}  // namespace sorvella
