// The plugin library's entry: hosts call VSTPluginMain (or, older ones, main) with their
// callback and get the instrument's plugin record, or null.
#include <new>

#include "core/my_vsti.h"
#include "core/plugin_editor.h"
#include "platform/error_box.h"

namespace {

// The entry's own two messages: an OK button, no icon.
void entryMessage(const char* text) {
    sorvella::showMessageBox("error", text, 0);
}

vst2::AEffect* createInstrument(vst2::HostCallback host) {
    if (!host || host(nullptr, vst2::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    sorvella::MyVsti* instrument = nullptr;
    try {
        instrument = new (std::nothrow) sorvella::MyVsti(host, sorvella::pluginEditorFactory());
    } catch (...) {
        instrument = nullptr;
    }
    if (!instrument) {
        entryMessage("cant alloc vsti");
        return nullptr;
    }
    if (!instrument->isEditorReady()) {
        entryMessage("cant init vsti");
        delete instrument;
        return nullptr;
    }
    return instrument->getAeffect();
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) vst2::AEffect* VSTPluginMain(vst2::HostCallback host) {
    return createInstrument(host);
}

// Older hosts look the entry up by the name main; the asm label gives a C++ library that symbol.
__attribute__((visibility("default"))) vst2::AEffect* sorvellaLegacyMain(
    vst2::HostCallback host) __asm__("main");
vst2::AEffect* sorvellaLegacyMain(vst2::HostCallback host) {
    return createInstrument(host);
}
}
