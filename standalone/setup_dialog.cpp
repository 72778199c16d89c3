#include "standalone/setup_dialog.h"

#include <string>

#include "standalone/dialog_widgets.h"
#include "toolkit/text_edit.h"

namespace sorvella {

namespace {

// Dialog units to pixels: 7/4 of a pixel each way.
CRect units(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
    auto px = [](std::int32_t u) { return (u * 7 + 2) / 4; };
    return CRect::fromSize(px(x), px(y), px(width), px(height));
}

constexpr std::int32_t kListHeight = 12;  // a closed drop-down list, in dialog units

// The latency field takes digits alone; other characters are swallowed.
class DigitsEdit : public CTextEdit {
  public:
    using CTextEdit::CTextEdit;
    std::int32_t onKeyDown(const CKeyEvent& key) override {
        if (isEditing() && key.character != 0 && (key.character < '0' || key.character > '9'))
            return 1;
        return CTextEdit::onKeyDown(key);
    }
};

DialogChoice* addChoice(CFrame& frame, CControlListener* listener, SetupControl tag,
                        const CRect& rect, const auto& entries, std::optional<std::size_t> chosen) {
    auto* choice = new DialogChoice(rect, listener, tag);
    for (const auto& entry : entries)
        choice->addEntry(std::string(entry).c_str());
    choice->choose(chosen);
    frame.addView(choice);
    return choice;
}

void addLabel(CFrame& frame, const CRect& rect, const char* text) {
    frame.addView(new DialogLabel(rect, text));
}

}  // namespace

std::string grantedStreamText(const SetupDialogContent& content) {
    if (content.grantedFrames <= 0 || content.grantedRate <= 0) return {};
    return "Running: " + std::to_string(content.grantedFrames) + " frames at " +
           std::to_string(content.grantedRate) + " Hz";
}

SetupDialogView::SetupDialogView(CFrame& frame, const SetupDialogContent& content,
                                 std::function<void(bool ok)> onEnd)
    : opening_(content.selection), onEnd_(std::move(onEnd)) {
    const SetupSelection& s = content.selection;
    frame.addView(new DialogGroup(units(3, 7, 167, 67), "Audio"));
    addLabel(frame, units(10, 15, 60, 10), "Device");
    audio_ = addChoice(frame, this, kSetupAudioDevice, units(9, 26, 100, kListHeight),
                       content.audioDevices, s.audioDevice);
    addLabel(frame, units(117, 13, 50, 10), "Latency (ms)");
    latency_ =
        new DigitsEdit(units(117, 25, 42, kListHeight), this, kSetupLatency, s.latencyText.c_str());
    latency_->setMaxLength(9);
    latency_->setFont(kNormalFont);
    latency_->setHoriAlign(kLeftText);
    frame.addView(latency_);
    addLabel(frame, units(117, 41, 50, 10), "Sample Rate");
    std::vector<std::string> rates;
    for (std::int32_t rate : kOfferedSampleRates)
        rates.push_back(std::to_string(rate));
    rate_ = addChoice(frame, this, kSetupSampleRate, units(117, 53, 42, kListHeight), rates,
                      s.sampleRate);
    addLabel(frame, units(9, 45, 105, 10), grantedStreamText(content).c_str());

    frame.addView(new DialogGroup(units(3, 78, 167, 75), "Midi"));
    addLabel(frame, units(10, 87, 60, 10), "Input");
    midiIn_ = addChoice(frame, this, kSetupMidiInput, units(10, 99, 100, kListHeight),
                        content.midiInputs, s.midiIn);
    addLabel(frame, units(117, 87, 52, 10), "Input channel");
    inputChannel_ = addChoice(frame, this, kSetupInputChannel, units(117, 99, 42, kListHeight),
                              channelEntries(true), s.inputChannel);
    addLabel(frame, units(10, 115, 60, 10), "Output");
    midiOut_ = addChoice(frame, this, kSetupMidiOutput, units(10, 127, 100, kListHeight),
                         content.midiOutputs, s.midiOut);
    addLabel(frame, units(117, 115, 52, 10), "Output channel");
    outputChannel_ = addChoice(frame, this, kSetupOutputChannel, units(117, 127, 42, kListHeight),
                               channelEntries(false), s.outputChannel);

    frame.addView(new DialogButton(units(61, 167, 50, 14), this, kSetupCancel, "Cancel"));
    frame.addView(new DialogButton(units(117, 167, 50, 14), this, kSetupOk, "OK", true));
}

SetupSelection SetupDialogView::selection() const {
    SetupSelection chosen = opening_;
    chosen.audioDevice = audio_->choice();
    chosen.sampleRate = rate_->choice();
    chosen.latencyText = latency_->getText();
    chosen.midiIn = midiIn_->choice();
    chosen.inputChannel = inputChannel_->choice();
    chosen.midiOut = midiOut_->choice();
    chosen.outputChannel = outputChannel_->choice();
    return chosen;
}

void SetupDialogView::valueChanged(CDrawContext*, CControl* control) {
    const std::int32_t tag = control->getTag();
    if ((tag == kSetupOk || tag == kSetupCancel) && onEnd_) onEnd_(tag == kSetupOk);
}

}  // namespace sorvella
