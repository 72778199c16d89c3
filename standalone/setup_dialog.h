// The Setup dialog's face: the device lists, channels, latency and sample rate in the layout of
// the Setup dialog template (dialog units of an 8-point font, 7/4 pixel each), what the running
// stream was granted, and OK and Cancel. It builds its views into any frame, a window's or a
// headless one.
#pragma once

#include <cstdint>
#include <functional>

#include "standalone/standalone_window.h"
#include "toolkit/control.h"
#include "toolkit/frame.h"

namespace sorvella {

class DialogChoice;
class DialogLabel;
class CTextEdit;

inline constexpr const char* kSetupTitle = "Setup";
inline constexpr std::int32_t kSetupWidth = 303;   // 173 dialog units
inline constexpr std::int32_t kSetupHeight = 336;  // 192 dialog units

// Control identifiers of the template, used as the views' tags.
enum SetupControl : std::int32_t {
    kSetupOk = 1,
    kSetupCancel = 2,
    kSetupSampleRate = 1000,
    kSetupAudioDevice = 1001,
    kSetupLatency = 1002,
    kSetupInputChannel = 1004,
    kSetupOutputChannel = 1005,
    kSetupMidiInput = 1006,
    kSetupMidiOutput = 1007,
};

// The line under the audio device list: what the running stream was granted, which under JACK
// is the server's period and rate whatever is chosen here. Empty without a stream.
std::string grantedStreamText(const SetupDialogContent& content);

class SetupDialogView : public CControlListener {
  public:
    // Adds the views to frame, showing content; onEnd runs with true for OK, false for Cancel.
    SetupDialogView(CFrame& frame, const SetupDialogContent& content,
                    std::function<void(bool ok)> onEnd);

    // The user's choice: the lists' entries (none where nothing was chosen), the latency text,
    // and the values the dialog does not show, unchanged.
    SetupSelection selection() const;

    void valueChanged(CDrawContext* context, CControl* control) override;

  private:
    SetupSelection opening_;
    std::function<void(bool)> onEnd_;
    DialogChoice* audio_ = nullptr;
    DialogChoice* rate_ = nullptr;
    CTextEdit* latency_ = nullptr;
    DialogChoice* midiIn_ = nullptr;
    DialogChoice* inputChannel_ = nullptr;
    DialogChoice* midiOut_ = nullptr;
    DialogChoice* outputChannel_ = nullptr;
};

}  // namespace sorvella
