#include "standalone/my_vsti_standalone.h"

#include <atomic>
#include <cstring>

#include "platform/error_box.h"

namespace sorvella {

namespace {

// Set once the application object is complete; the host callback and nothing else reads it.
std::atomic<MyVstiStandalone*> theApplication{nullptr};

FileRequest saveWavRequest() {
    FileRequest request;
    request.command = vst2::kVstFileSave;
    request.title = "Save WAV File";
    request.typeName = "WAV Files";
    request.macType = ".wav";
    request.dosType = "wav";
    return request;
}

// The request as the instrument filled it, read without trusting its texts to be terminated.
FileRequest requestFrom(const vst2::VstFileSelect& select) {
    FileRequest request;
    request.command = select.command;
    request.title.assign(select.title, strnlen(select.title, sizeof select.title));
    if (select.nbFileTypes >= 1 && select.fileTypes) {
        const vst2::VstFileType& type = select.fileTypes[0];
        request.typeName.assign(type.name, strnlen(type.name, sizeof type.name));
        request.macType.assign(type.macType, strnlen(type.macType, sizeof type.macType));
        request.dosType.assign(type.dosType, strnlen(type.dosType, sizeof type.dosType));
    }
    return request;
}

}  // namespace

MyVstiStandalone::MyVstiStandalone(EditorFactory editorFactory)
    : MyVsti(&MyVstiStandalone::hostCallback, std::move(editorFactory)) {}

std::unique_ptr<MyVstiStandalone> MyVstiStandalone::create(EditorFactory editorFactory) {
    std::unique_ptr<MyVstiStandalone> app(new (std::nothrow)
                                              MyVstiStandalone(std::move(editorFactory)));
    if (!app) {
        reportError(kErrorOutOfMemory);
        return nullptr;
    }
    // The instrument reported its own failures (tables, editor artwork).
    if (!app->isInitialised() || !app->isEditorReady()) return nullptr;
    MyVstiStandalone* expected = nullptr;
    if (!theApplication.compare_exchange_strong(expected, app.get())) return nullptr;
    app->restartDevices();
    return app;
}

MyVstiStandalone::~MyVstiStandalone() {
    shutdown();
    MyVstiStandalone* self = this;
    theApplication.compare_exchange_strong(self, nullptr);
    for (char* path : ownedReturnPaths_)
        delete[] path;
}

MyVstiStandalone* MyVstiStandalone::application() {
    return theApplication.load();
}

std::int32_t MyVstiStandalone::activeSampleRate() const {
    if (audio_ && audio_->isOpen()) return audio_->sampleRate();
    return checkedSampleRate(config_.values().sampleRate);
}

void MyVstiStandalone::restartDevices() {
    if (shutDown_) return;
    // The stream goes first, so no block runs while the ports it reads are replaced.
    audio_.reset();
    if (midi_) midi_->close();
    midi_.reset();

    const DeviceSetup& setup = config_.values();
    AudioRequest request;
    request.deviceIndex = setup.audioDevice;
    request.latencyMs = setup.latencyMs;
    request.sampleRate = setup.sampleRate;
    audio_ = std::make_unique<AudioOut>(request);
    const std::int32_t rate = activeSampleRate();
    setBlockSize(audio_->framesPerBlock());

    MidiPortsSetup ports;
    ports.input = setup.midiInDevice;
    ports.output = setup.midiOutDevice;
    ports.inputChannel = setup.inputChannel;
    ports.outputChannel = setup.outputChannel;
    ports.sampleRate = rate;
    ports.blockFrames = audio_->framesPerBlock();
    midi_ = MidiPorts::open(ports);

    // A recording holds one rate in its header: a device that now runs at another ends it.
    if (recorder_ && static_cast<std::int32_t>(recorder_->sampleRate()) != rate) {
        stopRecording();
        setParameter(kWavButtonTag, 0.0f);
    }
    setSampleRate(static_cast<float>(rate));
    resume();
    audio_->start(&MyVstiStandalone::renderCallback, this);
}

void MyVstiStandalone::renderCallback(void* self, std::int16_t* interleaved, std::int32_t frames) {
    static_cast<MyVstiStandalone*>(self)->renderBlock(interleaved, frames);
}

void MyVstiStandalone::renderBlock(std::int16_t* interleaved, std::int32_t frames) {
    if (midi_) {
        MidiInputLists& lists = midi_->lists();
        std::lock_guard guard(lists.lock());
        processEvents(lists.currentList());
        lists.swapLists(midiClockMilliseconds());
    }
    render16(interleaved, frames);
    recorderSlot_.write(interleaved, frames);
}

bool MyVstiStandalone::startRecording(const std::string& path) {
    if (recorder_) return true;
    const std::int32_t rate = activeSampleRate();
    recorder_ = WavRecorder::create(path, static_cast<std::uint32_t>(rate));
    if (!recorder_) return false;
    recorderSlot_.attach(recorder_.get());
    return true;
}

void MyVstiStandalone::stopRecording() {
    if (!recorder_) return;
    recorderSlot_.detach();
    recorder_->finish();
    recorder_.reset();
}

void MyVstiStandalone::toggleRecording() {
    if (recorder_) {
        stopRecording();
        setParameter(kWavButtonTag, 0.0f);
        return;
    }
    {
        FileSelection selection(*this, saveWavRequest(),
                                window_ ? window_->nativeWindow() : nullptr);
        if (selection.path()) startRecording(*selection.path());
    }
    if (!recorder_) setParameter(kWavButtonTag, 0.0f);
}

void MyVstiStandalone::runSetup() {
    if (!window_) return;
    SetupDialogContent content;
    for (const MidiPortInfo& port : listMidiPorts(MidiDirection::kInput))
        content.midiInputs.push_back(port.label);
    for (const MidiPortInfo& port : listMidiPorts(MidiDirection::kOutput))
        content.midiOutputs.push_back(port.label);
    for (const AudioDeviceInfo& device : listAudioOutputs())
        content.audioDevices.push_back(device.label);
    if (audio_) {
        content.grantedFrames = audio_->framesPerBlock();
        content.grantedRate = audio_->sampleRate();
    }
    const DeviceSetup& stored = config_.values();
    content.selection = openingSelection(stored, content.midiInputs.size(),
                                         content.midiOutputs.size(), content.audioDevices.size());
    if (!window_->runSetupDialog(content)) return;
    config_.store(confirmedSetup(stored, content.selection));
    restartDevices();
}

void MyVstiStandalone::controlChanged(std::int32_t tag, float value) {
    if (tag == kSetupButtonTag) {
        // Pressing SETUP does nothing; releasing it opens the dialog.
        if (value == 0.0f) runSetup();
    } else if (tag == kWavButtonTag) {
        toggleRecording();
    }
}

void MyVstiStandalone::raiseWindow() {
    if (window_) window_->raise();
}

bool MyVstiStandalone::computerKey(std::uint32_t evdevCode, bool pressed) {
    const std::int32_t inputChannel = checkedInputChannel(config_.values().inputChannel);
    const auto channel = static_cast<std::uint8_t>(inputChannel == kAllChannels ? 0 : inputChannel);
    const std::optional<ShortMessage> message =
        pressed ? keyboard_.keyDown(evdevCode, channel) : keyboard_.keyUp(evdevCode, channel);
    // The notes take the MIDI input's way to the audio thread, and its timing.
    if (message && midi_) {
        midi_->lists().receive(message->bytes.data(), message->bytes.size(),
                               midiClockMilliseconds());
    }
    return isComputerKeyboardKey(evdevCode);
}

void MyVstiStandalone::releaseComputerKeys() {
    for (std::uint32_t code = 0; code < 256; ++code) {
        if (isComputerKeyboardKey(code)) computerKey(code, false);
    }
}

void MyVstiStandalone::idle() {
    if (editor) editor->idle();
    // A recording that stopped by itself (disk full, size limit) is finished here, where
    // reporting may block.
    if (recorder_ && recorder_->status() != WavStatus::kRecording) {
        stopRecording();
        setParameter(kWavButtonTag, 0.0f);
    }
}

void MyVstiStandalone::shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    if (midi_) midi_->stop();
    audio_.reset();
    if (midi_) midi_->close();
    midi_.reset();
    stopRecording();
    // The editor was opened in the window, if there is one; the window closes it.
    if (window_) window_->closeEditor();
    config_.close();
}

// The host callback.

vst2::intptr MyVstiStandalone::hostCallback(vst2::AEffect*, std::int32_t opcode, std::int32_t,
                                            vst2::intptr value, void* ptr, float) {
    MyVstiStandalone* app = theApplication.load();
    if (!app) {
        // During construction there is nobody to answer yet: everything is acknowledged, but a
        // time request gets no record, since the caller would read through the answer.
        return opcode == vst2::audioMasterGetTime ? 0 : 1;
    }
    return app->answer(opcode, value, ptr);
}

vst2::intptr MyVstiStandalone::answer(std::int32_t opcode, vst2::intptr value, void* ptr) {
    switch (opcode) {
        case vst2::audioMasterAutomate:
            return 1;
        case vst2::audioMasterVersion:
            return 2;
        case vst2::audioMasterIdle:
            if (editor) editor->idle();
            return 1;
        case vst2::audioMasterGetTime:
            timeInfo_.flags = 0;
            if (value & kTempoValid) {
                timeInfo_.tempo = static_cast<double>(config_.values().tempo);
                timeInfo_.flags = static_cast<std::int32_t>(kTempoValid);
            }
            return reinterpret_cast<vst2::intptr>(&timeInfo_);
        case vst2::audioMasterProcessEvents:
            if (midi_) midi_->sendInstrumentEvents(static_cast<const vst2::VstEvents*>(ptr));
            return 1;
        case vst2::audioMasterCanDo:
        case vst2::audioMasterUpdateDisplay:
            return 1;
        case vst2::audioMasterOpenFileSelector:
            return openFileSelector(static_cast<vst2::VstFileSelect*>(ptr));
        case vst2::audioMasterCloseFileSelector:
            return closeFileSelector(static_cast<vst2::VstFileSelect*>(ptr));
        default:
            return 0;
    }
}

vst2::intptr MyVstiStandalone::openFileSelector(vst2::VstFileSelect* select) {
    if (!select) return 0;
    if (select->command != vst2::kVstFileLoad && select->command != vst2::kVstFileSave) return 0;
    if (select->returnPath && select->sizeReturnPath <= 0) return 0;
    const FileRequest request = requestFrom(*select);
    if (!fileDialog_) return 0;
    const std::optional<std::string> path =
        fileDialog_(request, window_ ? window_->nativeWindow() : nullptr);
    if (!path || path->empty()) return 0;
    if (!select->returnPath) {
        char* buffer = new (std::nothrow) char[kReturnPathBytes]();
        if (!buffer) {
            reportError(kErrorOutOfMemory);
            return 0;
        }
        ownedReturnPaths_.insert(buffer);
        select->returnPath = buffer;
        select->sizeReturnPath = static_cast<std::int32_t>(kReturnPathBytes);
    }
    // A path that does not fit the caller's buffer is refused rather than cut to another name.
    if (path->size() + 1 > static_cast<std::size_t>(select->sizeReturnPath)) return 0;
    std::memcpy(select->returnPath, path->c_str(), path->size() + 1);
    select->nbReturnPath = 1;
    return 1;
}

vst2::intptr MyVstiStandalone::closeFileSelector(vst2::VstFileSelect* select) {
    if (!select) return 1;
    if (auto owned = ownedReturnPaths_.find(select->returnPath); owned != ownedReturnPaths_.end()) {
        delete[] * owned;
        ownedReturnPaths_.erase(owned);
        select->returnPath = nullptr;
        select->sizeReturnPath = 0;
    }
    return 1;
}

}  // namespace sorvella
