#include "editor/editor_layout.h"

#include <array>

namespace sorvella {

namespace {

using K = ControlKind;

// Small knobs are 35 x 34 (one film frame), the large ones 44 x 44, every display 28 x 9.
constexpr ControlPlacement knob(std::int32_t tag, std::int32_t x, std::int32_t y) {
    return {tag, K::kKnob, {x, y, 35, 34}, skin::kKnobBlue};
}
constexpr ControlPlacement display(std::int32_t parameter, std::int32_t x, std::int32_t y) {
    return {tags::displayOf(parameter), K::kValueDisplay, {x, y, 28, 9}, skin::kNone};
}
constexpr ControlPlacement stepUp(std::int32_t tag, std::int32_t x, std::int32_t y) {
    return {tag, K::kStepButton, {x, y, 11, 10}, skin::kStepUp};
}
constexpr ControlPlacement stepDown(std::int32_t tag, std::int32_t x, std::int32_t y) {
    return {tag, K::kStepButton, {x, y, 11, 10}, skin::kStepDown};
}
constexpr ControlPlacement vowelMenu(std::int32_t tag, std::int32_t x, std::int32_t y) {
    return {tag, K::kVowelMenu, {x, y, 88, 9}, skin::kNone};
}
constexpr ControlPlacement programButton(std::int32_t slot) {
    return {tags::kFirstProgramButton + slot,
            K::kOnOffButton,
            {423 + 22 * slot, 345, 16, 17},
            skin::kFirstProgramButton + slot};
}
constexpr ControlPlacement fileButton(std::int32_t tag, std::int32_t x, std::int32_t bitmap) {
    return {tag, K::kMomentaryButton, {x, 345, 48, 15}, bitmap};
}

// Page 0 in creation order. A display-only parameter's step buttons sit 12 pixels right of its
// position, 2 and 16 pixels below its top.
constexpr std::array kMainPage{
    ControlPlacement{tags::kEnvelopeEditor, K::kEnvelopeEditor, {274, 190, 530, 145}, skin::kNone},
    ControlPlacement{tags::kXYPad, K::kXYPad, {90, 185, 150, 150}, skin::kNone},
    knob(kLevel, 253, 26),
    display(kLevel, 256, 10),
    stepUp(81, 305, 28),
    stepDown(82, 305, 42),
    display(kVoices, 296, 10),
    stepUp(83, 363, 28),
    stepDown(84, 363, 42),
    display(kUnisonNotes, 354, 10),
    knob(kUnisonDetune, 391, 26),
    display(kUnisonDetune, 394, 10),
    knob(kMix1, 448, 26),
    display(kMix1, 451, 10),
    knob(kOsc1Fm, 488, 26),
    display(kOsc1Fm, 491, 10),
    stepUp(85, 540, 28),
    stepDown(86, 540, 42),
    display(kOsc1Shape, 531, 10),
    knob(kMix2, 568, 26),
    display(kMix2, 571, 10),
    knob(kOsc2Fm, 608, 26),
    display(kOsc2Fm, 611, 10),
    knob(kOsc2Detune, 648, 26),
    display(kOsc2Detune, 651, 10),
    stepUp(87, 700, 28),
    stepDown(88, 700, 42),
    display(kOsc2Shape, 691, 10),
    knob(kMixBreath, 728, 26),
    display(kMixBreath, 731, 10),
    knob(kNoiseColor, 768, 26),
    display(kNoiseColor, 771, 10),
    knob(kGranularLevel, 351, 109),
    display(kGranularLevel, 354, 93),
    knob(kGranularTime, 391, 109),
    display(kGranularTime, 394, 93),
    knob(kChorusSpeed, 448, 109),
    display(kChorusSpeed, 451, 93),
    knob(kChorusDepth, 488, 109),
    display(kChorusDepth, 491, 93),
    knob(kReverbLength, 545, 109),
    display(kReverbLength, 548, 93),
    knob(kReverbMix, 585, 109),
    display(kReverbMix, 588, 93),
    knob(kVelTime, 641, 109),
    display(kVelTime, 644, 93),
    knob(kVelLevel, 681, 109),
    display(kVelLevel, 684, 93),
    knob(kVelBreath, 721, 109),
    display(kVelBreath, 724, 93),
    ControlPlacement{kFormantsL, K::kKnob, {32, 173, 35, 34}, skin::kKnobOlive},
    display(kFormantsL, 35, 157),
    vowelMenu(73, 82, 79),
    vowelMenu(74, 237, 100),
    vowelMenu(75, 31, 123),
    vowelMenu(76, 186, 144),
    ControlPlacement{kVowel1Morph, K::kKnob, {180, 71, 44, 44}, skin::kKnobLarge},
    display(kVowel1Morph, 37, 86),
    ControlPlacement{kVowel2Morph, K::kKnob, {129, 115, 44, 44}, skin::kKnobLarge},
    display(kVowel2Morph, 294, 137),
    programButton(0),
    programButton(1),
    programButton(2),
    programButton(3),
    programButton(4),
    programButton(5),
    programButton(6),
    programButton(7),
    ControlPlacement{tags::kMidiOut, K::kOnOffButton, {26, 252, 13, 12}, skin::kMidiOutLamp},
    ControlPlacement{tags::kLearn, K::kOnOffButton, {8, 283, 48, 15}, skin::kLearn},
    ControlPlacement{tags::kLoadTuning, K::kMomentaryButton, {8, 304, 48, 15}, skin::kTune},
    fileButton(tags::kLoadPatch, 600, skin::kLoad),
    fileButton(tags::kSavePatch, 656, skin::kSave),
    fileButton(tags::kLoadBank, 708, skin::kLoad),
    fileButton(tags::kSaveBank, 764, skin::kSave),
    ControlPlacement{tags::kProgramName, K::kTextEdit, {271, 348, 141, 9}, skin::kNone},
    ControlPlacement{tags::kSplash, K::kSplash, {12, 20, 223, 30}, skin::kCreditsPanel},
};

// Page 1, relative to the page's top-left corner.
constexpr std::array kFormantPage{
    ControlPlacement{
        tags::kCloseFormantPage, K::kMomentaryButton, {6, 3, 11, 10}, skin::kFormantClose},
    ControlPlacement{tags::kFormantEditor,
                     K::kFormantEditor,
                     {5, 15, layout::kFormantPageWidth - 10, layout::kFormantPageHeight - 30},
                     skin::kNone},
};

constexpr std::array<std::int32_t, 4> kVowelParameters{kVowel1Start, kVowel1End, kVowel2Start,
                                                       kVowel2End};
// Step buttons 81..88 in pairs: up, down for these parameters.
constexpr std::array<std::int32_t, 4> kSteppedParameters{kVoices, kUnisonNotes, kOsc1Shape,
                                                         kOsc2Shape};

constexpr std::array<std::int32_t, 25> kKnobInertiaOrder{
    1, 0, 13, 14, 2, 3, 4, 5, 6, 7, 8, 21, 22, 9, 10, 11, 12, 23, 17, 20, 24, 25, 26, 27, 28};

}  // namespace

std::span<const ControlPlacement> pageLayout(Page page) {
    if (page == Page::kFormant) return kFormantPage;
    return kMainPage;
}

const ControlPlacement* placementOf(std::int32_t tag) {
    for (Page page : {Page::kMain, Page::kFormant}) {
        for (const ControlPlacement& p : pageLayout(page)) {
            if (p.tag == tag) return &p;
        }
    }
    return nullptr;
}

Binding bindingOf(std::int32_t tag) {
    using A = Action;
    if (!tags::isTag(tag)) return {};
    if (isParameterIndex(tag)) return {A::kParameter, tag};
    if (tag >= tags::kFirstDisplay && tag <= tags::kLastDisplay) {
        return {A::kValueDisplay, tag - tags::kDisplayOffset};
    }
    if (tag >= tags::kFirstProgramButton && tag <= tags::kLastProgramButton) {
        return {A::kSelectProgram, -1, -1, tag - tags::kFirstProgramButton};
    }
    if (tag >= tags::kFirstVowelMenu && tag <= tags::kLastVowelMenu) {
        const std::int32_t slot = tag - tags::kFirstVowelMenu;
        return {A::kVowelMenu, kVowelParameters[static_cast<std::size_t>(slot)], -1, slot};
    }
    if (tag >= tags::kFirstStepButton && tag <= tags::kLastStepButton) {
        const std::int32_t n = tag - tags::kFirstStepButton;
        const std::int32_t parameter = kSteppedParameters[static_cast<std::size_t>(n / 2)];
        return {n % 2 == 0 ? A::kStepUp : A::kStepDown, parameter};
    }
    switch (tag) {
        case tags::kProgramName:
            return {A::kProgramName};
        case tags::kLoadPatch:
            return {A::kLoadPatch};
        case tags::kSavePatch:
            return {A::kSavePatch};
        case tags::kLoadBank:
            return {A::kLoadBank};
        case tags::kSaveBank:
            return {A::kSaveBank};
        case tags::kEnvelopeEditor:
            return {A::kEnvelopeEditor};
        case tags::kXYPad:
            return {A::kXYPad, kVowel1Morph, kVowel2Morph};
        case tags::kSplash:
            return {A::kSplash};
        case tags::kMidiOut:
            return {A::kMidiOut};
        case tags::kLearn:
            return {A::kLearn};
        case tags::kLoadTuning:
            return {A::kLoadTuning};
        case tags::kCloseFormantPage:
            return {A::kCloseFormantPage};
        case tags::kFormantEditor:
            return {A::kFormantEditor};
        case tags::kSetup:
            return {A::kSetup};
        case tags::kWav:
            return {A::kWav};
        default:
            return {};
    }
}

std::int32_t controlTagOf(std::int32_t parameter) {
    if (!isParameterIndex(parameter)) return -1;
    for (std::size_t slot = 0; slot < kVowelParameters.size(); ++slot) {
        if (kVowelParameters[slot] == parameter) {
            return tags::kFirstVowelMenu + static_cast<std::int32_t>(slot);
        }
    }
    for (std::int32_t stepped : kSteppedParameters) {
        if (stepped == parameter) return -1;
    }
    return parameter;
}

std::int32_t displayTagOf(std::int32_t parameter) {
    if (!isParameterIndex(parameter)) return -1;
    for (std::int32_t vowel : kVowelParameters) {
        if (vowel == parameter) return -1;
    }
    return tags::displayOf(parameter);
}

std::span<const std::int32_t> knobInertiaOrder() {
    return kKnobInertiaOrder;
}

}  // namespace sorvella
