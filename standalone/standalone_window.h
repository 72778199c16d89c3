// What the standalone program needs from its main window. The window (the toolkit's top-level
// window with the editor inside, the SETUP and WAV buttons and the Setup dialog) implements this
// and hands itself to MyVstiStandalone::setWindow; without a window the program runs headless.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "standalone/device_setup.h"

namespace sorvella {

// What the Setup dialog shows: the device lists and, for the audio, what the running stream was
// granted (under JACK the server's period and rate, which no choice changes).
struct SetupDialogContent {
    std::vector<std::string> midiInputs;
    std::vector<std::string> midiOutputs;
    std::vector<std::string> audioDevices;
    std::int32_t grantedFrames = 0;
    std::int32_t grantedRate = 0;
    SetupSelection selection;  // the dialog opens with it and leaves the user's choice in it
};

class StandaloneWindow {
  public:
    virtual ~StandaloneWindow() = default;
    // The window that owns dialogs (an X11 Window id), or null.
    virtual void* nativeWindow() = 0;
    // Shows the Setup dialog, modal; true when closed with OK, the choice left in content.
    virtual bool runSetupDialog(SetupDialogContent& content) = 0;
    // A second start of the program asks the running one to come to the front.
    virtual void raise() = 0;
    // Closes the instrument's editor if the window opened it; the window itself stays.
    virtual void closeEditor() {}
};

}  // namespace sorvella
