#include "support/test_host.h"

#include <algorithm>
#include <cstring>

#include "platform/vst2/midi_message.h"

namespace sorvella::testing {

namespace {

HostRecorder* activeRecorder = nullptr;

}  // namespace

HostRecorder::HostRecorder() {
    activeRecorder = this;
}

HostRecorder::~HostRecorder() {
    if (activeRecorder == this) activeRecorder = nullptr;
}

vst2::intptr HostRecorder::callback(vst2::AEffect*, std::int32_t opcode, std::int32_t, vst2::intptr,
                                    void* ptr, float) {
    if (opcode == vst2::audioMasterVersion) return 2400;
    if (!activeRecorder) return 0;
    HostCall call{opcode, {}};
    if (opcode == vst2::audioMasterProcessEvents && ptr) {
        auto* list = static_cast<vst2::VstEvents*>(ptr);
        if (list->numEvents > 0) {
            auto* midi = reinterpret_cast<vst2::VstMidiEvent*>(list->events[0]);
            std::memcpy(call.midi, midi->midiData, 3);
        }
    }
    activeRecorder->calls.push_back(call);
    return 0;
}

std::int32_t HostRecorder::count(std::int32_t opcode) const {
    return static_cast<std::int32_t>(std::count_if(
        calls.begin(), calls.end(), [&](const HostCall& c) { return c.opcode == opcode; }));
}

CapturedBoxes::CapturedBoxes() {
    previous_ = setErrorPresenter([this](const ErrorBox& box) { boxes.push_back(box); });
}

CapturedBoxes::~CapturedBoxes() {
    setErrorPresenter(previous_);
}

std::unique_ptr<MyVsti> makeInstrument() {
    return std::make_unique<MyVsti>(&HostRecorder::callback);
}

void render(MyVsti& instrument, std::vector<float>& left, std::vector<float>& right,
            std::int32_t frames, std::int32_t block) {
    left.assign(static_cast<std::size_t>(frames), 0.0f);
    right.assign(static_cast<std::size_t>(frames), 0.0f);
    for (std::int32_t at = 0; at < frames; at += block) {
        std::int32_t n = std::min(block, frames - at);
        float* outs[2] = {left.data() + at, right.data() + at};
        instrument.processReplacing(nullptr, outs, n);
    }
}

void sendMidi(MyVsti& instrument, std::int32_t delta, std::uint8_t status, std::uint8_t d1,
              std::uint8_t d2) {
    vst2::OneEventList one(vst2::midiMessage(delta, status, d1, d2));
    instrument.processEvents(&one.list);
}

std::string display(MyVsti& instrument, std::int32_t index) {
    char text[64] = {};
    instrument.getParameterDisplay(index, text);
    return text;
}

}  // namespace sorvella::testing
