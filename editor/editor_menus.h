// The editor's menus: the four vowel menus, and the settings menu that opens from the XY pad
// with its "X/Y inertia", "Knobs inertia" and "Knobs mode" choices and their stored values.
#pragma once

#include <cstdint>

namespace sorvella {

class SettingsKey;

// The 25 vowel names, a separator "-" (entry 25) and "User-defined" (entry 26).
inline constexpr std::int32_t kVowelMenuEntries = 27;
const char* vowelMenuText(std::int32_t entry);  // "" outside 0..26
// The menu entry that a vowel menu control's value selects: trunc(value); -1 outside the
// menu's entries (the menu then keeps its previous entry).
std::int32_t vowelMenuEntry(float menuValue);
// The vowel parameter's value for a chosen entry, entry x 0.01 in single precision.
float vowelMenuParameterValue(std::int32_t entry);
// Whether a chosen entry opens the formant page (the separator or "User-defined").
bool vowelMenuOpensFormantPage(std::int32_t entry);

inline constexpr std::int32_t kInertiaEntries = 6;
inline constexpr const char* kInertiaNames[kInertiaEntries] = {"off",    "tiny", "small",
                                                               "medium", "high", "full"};
inline constexpr std::int32_t kKnobModeEntries = 2;
inline constexpr const char* kKnobModeNames[kKnobModeEntries] = {"linear", "circular"};
// The settings menu's submenus in order.
inline constexpr const char* kSettingsSubmenuNames[3] = {"X/Y inertia", "Knobs inertia",
                                                         "Knobs mode"};

struct EditorSettings {
    std::int32_t xyInertia = 0;     // 0..5
    std::int32_t knobsInertia = 0;  // 0..5
    bool circularKnobs = false;

    // The menu entries that show these choices.
    std::int32_t knobsModeEntry() const { return circularKnobs ? 1 : 0; }
    bool operator==(const EditorSettings&) const = default;
};

// An inertia setting outside 0..5 reads as 0 ("off").
std::int32_t inertiaLevel(std::int32_t stored);
// "XYInertia", "KnobsInertia" and "KnobsMode", each 0 when absent; "KnobsMode" 0 is linear and any
// other value circular.
EditorSettings loadEditorSettings(const SettingsKey& settings);
void saveEditorSettings(SettingsKey& settings, const EditorSettings& values);
// The settings from the three submenus' current entries (an entry outside a menu reads as 0).
EditorSettings settingsFromMenus(std::int32_t xyEntry, std::int32_t knobsEntry,
                                 std::int32_t modeEntry);

}  // namespace sorvella
