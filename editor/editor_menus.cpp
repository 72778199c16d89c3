#include "editor/editor_menus.h"

#include "engine/vowel_table.h"
#include "presets/settings_key.h"
#include "presets/settings_names.h"

namespace sorvella {

const char* vowelMenuText(std::int32_t entry) {
    if (entry >= 0 && entry < kVowelCount) return kVowelTable[static_cast<std::size_t>(entry)].name;
    if (entry == kVowelCount) return "-";
    if (entry == kVowelCount + 1) return "User-defined";
    return "";
}

std::int32_t vowelMenuEntry(float menuValue) {
    if (!(menuValue >= 0.0f && menuValue < static_cast<float>(kVowelMenuEntries))) return -1;
    return static_cast<std::int32_t>(menuValue);
}

float vowelMenuParameterValue(std::int32_t entry) {
    return static_cast<float>(entry) * 0.01f;
}

bool vowelMenuOpensFormantPage(std::int32_t entry) {
    return entry >= kVowelCount && entry < kVowelMenuEntries;
}

std::int32_t inertiaLevel(std::int32_t stored) {
    return stored >= 0 && stored < kInertiaEntries ? stored : 0;
}

EditorSettings loadEditorSettings(const SettingsKey& settings) {
    EditorSettings s;
    s.xyInertia = inertiaLevel(settings.getInt(settings::kXYInertia, 0));
    s.knobsInertia = inertiaLevel(settings.getInt(settings::kKnobsInertia, 0));
    s.circularKnobs = settings.getInt(settings::kKnobsMode, 0) != 0;
    return s;
}

void saveEditorSettings(SettingsKey& settings, const EditorSettings& values) {
    settings.setInt(settings::kXYInertia, inertiaLevel(values.xyInertia));
    settings.setInt(settings::kKnobsInertia, inertiaLevel(values.knobsInertia));
    settings.setInt(settings::kKnobsMode, values.knobsModeEntry());
}

EditorSettings settingsFromMenus(std::int32_t xyEntry, std::int32_t knobsEntry,
                                 std::int32_t modeEntry) {
    return {inertiaLevel(xyEntry), inertiaLevel(knobsEntry), modeEntry == 1};
}

}  // namespace sorvella
