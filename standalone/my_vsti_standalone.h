// The instrument as the standalone program plays it: a MyVsti whose host is this program. It
// owns the device configuration, the audio output, the MIDI ports and the WAV recorder, renders
// each audio block, and answers the instrument's host callbacks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "core/my_vsti.h"
#include "presets/file_selector.h"
#include "standalone/audio_output.h"
#include "standalone/computer_keyboard.h"
#include "standalone/device_setup.h"
#include "standalone/midi_ports.h"
#include "standalone/recorder_slot.h"
#include "standalone/standalone_window.h"

namespace sorvella {

inline constexpr std::int32_t kSetupButtonTag = 93;
inline constexpr std::int32_t kWavButtonTag = 94;
inline constexpr vst2::intptr kTempoValid = 0x400;

class MyVstiStandalone : public MyVsti {
  public:
    // Builds the application object, publishes it to the host callback and only then opens and
    // starts the devices, so that no block renders and no callback is answered before the
    // object is complete. Null, after reporting, when the instrument could not be built.
    static std::unique_ptr<MyVstiStandalone> create(EditorFactory editorFactory = {});
    ~MyVstiStandalone() override;

    // The one application object, or null before it is complete and after it has gone.
    static MyVstiStandalone* application();

    // The instrument's host callback: the answers of the standalone program.
    static vst2::intptr hostCallback(vst2::AEffect* effect, std::int32_t opcode, std::int32_t index,
                                     vst2::intptr value, void* ptr, float opt);

    // Closes and recreates audio output and MIDI ports from the configuration.
    void restartDevices();
    // The audio thread's work for one block: the MIDI of the last block, the samples, the
    // recording.
    void renderBlock(std::int16_t* interleaved, std::int32_t frames);
    // The editor's control hook: SETUP (on release) and WAV.
    void controlChanged(std::int32_t tag, float value) override;
    // The window's 100 ms timer: the editor's idle, and a recording that stopped by itself.
    void idle();
    // The shut-down of Part order: MIDI input stopped and ports reset, audio closed, ports
    // closed, the recording finished, the editor closed, the configuration closed.
    void shutdown();

    // The window, once it exists; null again before it goes.
    void setWindow(StandaloneWindow* window) { window_ = window; }
    // A second start of the program asked for the window.
    void raiseWindow();
    // The window's key events (evdev key codes) while no text is being edited: notes from the
    // computer keyboard, which join the MIDI input's notes on its channel. True when the key
    // belongs to the keyboard.
    bool computerKey(std::uint32_t evdevCode, bool pressed);
    // The window lost the keyboard: every note a key still holds ends.
    void releaseComputerKeys();

    // Recording, also for the window's WAV button.
    bool recording() const { return recorder_ != nullptr; }
    bool startRecording(const std::string& path);
    void stopRecording();

    StandaloneConfig& config() { return config_; }
    const AudioOut* audioOut() const { return audio_.get(); }
    MidiPorts* midiPorts() { return midi_.get(); }
    // The rate recordings and the MIDI timing use: the one the audio device granted.
    std::int32_t activeSampleRate() const;

    // The dialog behind the file selector the instrument is offered (zenity or kdialog unless
    // replaced, as tests do).
    using FileDialog = std::function<std::optional<std::string>(const FileRequest&, void* owner)>;
    void setFileDialog(FileDialog dialog) { fileDialog_ = std::move(dialog); }

    // For tests: ports given from outside instead of opened from the configuration.
    void useMidiPorts(std::unique_ptr<MidiPorts> ports) { midi_ = std::move(ports); }

  private:
    explicit MyVstiStandalone(EditorFactory editorFactory);
    static void renderCallback(void* self, std::int16_t* interleaved, std::int32_t frames);
    vst2::intptr answer(std::int32_t opcode, vst2::intptr value, void* ptr);
    vst2::intptr openFileSelector(vst2::VstFileSelect* select);
    vst2::intptr closeFileSelector(vst2::VstFileSelect* select);
    void toggleRecording();
    void runSetup();

    StandaloneConfig config_;
    std::unique_ptr<AudioOut> audio_;
    std::unique_ptr<MidiPorts> midi_;
    std::unique_ptr<WavRecorder> recorder_;
    RecorderSlot recorderSlot_;
    StandaloneWindow* window_ = nullptr;
    vst2::VstTimeInfo timeInfo_{};
    ComputerKeyboard keyboard_;
    std::set<char*> ownedReturnPaths_;
    FileDialog fileDialog_ = runFileDialog;
    bool shutDown_ = false;
};

}  // namespace sorvella
