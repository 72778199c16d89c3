// A VST 2 host for tests. It loads the plugin library with dlopen, creates instances through the
// entry point with a host callback that records every call, and drives them as a host does:
// dispatcher requests, parameter calls, MIDI event lists and process calls. Every process call
// checks the buffer discipline (each output sample written, nothing past the frame count), and
// every event list is overwritten (controller 7, "Level", to 0) and freed once the process call
// after it has returned.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/vst2/aeffect.h"
#include "tests/plugin/allocation_counter.h"

namespace sorvella::test {

// The plugin library built by this tree.
const char* pluginPath();

// One call that the plugin made to the host callback.
struct HostCall {
    vst2::AEffect* effect = nullptr;
    std::int32_t opcode = 0;
};

struct HostOptions {
    vst2::intptr version = 2400;                                // the answer to audioMasterVersion
    const char* entryName = "VSTPluginMain";                    // or "main"
    std::function<void(std::int32_t opcode)> onCall = nullptr;  // runs inside each callback
};

struct Stereo {
    std::vector<float> left;
    std::vector<float> right;

    std::size_t frames() const { return left.size(); }
    void append(const Stereo& other);
};

// A MIDI event at an absolute frame of a render.
struct TimedEvent {
    std::int64_t frame;
    vst2::VstMidiEvent event;
};
using Score = std::vector<TimedEvent>;

vst2::VstMidiEvent midiEvent(int status, int data1, int data2, std::int32_t delta = 0);
inline vst2::VstMidiEvent noteOn(int note, int velocity, std::int32_t delta = 0, int channel = 0) {
    return midiEvent(0x90 | channel, note, velocity, delta);
}
inline vst2::VstMidiEvent noteOff(int note, std::int32_t delta = 0, int channel = 0) {
    return midiEvent(0x80 | channel, note, 64, delta);
}
inline vst2::VstMidiEvent controlChange(int controller, int value, std::int32_t delta = 0,
                                        int channel = 0) {
    return midiEvent(0xB0 | channel, controller, value, delta);
}
inline vst2::VstMidiEvent programChange(int program, std::int32_t delta = 0, int channel = 0) {
    return midiEvent(0xC0 | channel, program, 0, delta);
}
inline vst2::VstMidiEvent pitchBend(int msb, int lsb = 0, std::int32_t delta = 0) {
    return midiEvent(0xE0, lsb, msb, delta);
}

class TestHost {
  public:
    explicit TestHost(HostOptions options = {});
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    // Calls the entry point, then effOpen. False when the library did not load or the entry
    // answered null.
    bool open();
    // effClose; the instance destroys itself. Returns the answer.
    vst2::intptr close();
    vst2::AEffect* effect() const { return effect_; }

    // A host's usual order before rendering: sample rate, block size, resume.
    void start(float sampleRate = 44100.0f, std::int32_t blockSize = 512);

    vst2::intptr dispatch(std::int32_t opcode, std::int32_t index = 0, vst2::intptr value = 0,
                          void* ptr = nullptr, float opt = 0.0f);
    // A request that writes text into ptr; the buffer is 256 bytes and must come back terminated.
    std::string text(std::int32_t opcode, std::int32_t index = 0, vst2::intptr* answer = nullptr);
    vst2::intptr canDo(std::string what) { return dispatch(vst2::effCanDo, 0, 0, what.data()); }

    float getParameter(std::int32_t index) { return effect_->getParameter(effect_, index); }
    void setParameter(std::int32_t i, float value) { effect_->setParameter(effect_, i, value); }
    std::string parameterDisplay(std::int32_t index) {
        return text(vst2::effGetParamDisplay, index);
    }

    void setSampleRate(float rate) {
        sampleRate_ = rate;
        dispatch(vst2::effSetSampleRate, 0, 0, nullptr, rate);
    }
    void setBlockSize(std::int32_t frames) {
        dispatch(vst2::effSetBlockSize, 0, blockSize_ = frames);
    }
    void resume() { dispatch(vst2::effMainsChanged, 0, 1); }
    void suspend() { dispatch(vst2::effMainsChanged, 0, 0); }
    std::int32_t program() { return static_cast<std::int32_t>(dispatch(vst2::effGetProgram)); }
    void setProgram(vst2::intptr program) { dispatch(vst2::effSetProgram, 0, program); }
    // Stores the state with effGetChunk and hands a copy back with effSetChunk: the answer.
    vst2::intptr reloadChunk(bool isPreset);

    // Hands a list of events to the instrument (effProcessEvents). Each list stays valid until
    // the next process call returns.
    void sendEvents(const std::vector<vst2::VstMidiEvent>& events);
    // The same for events of any kind, given as raw 32-byte records or longer (sysex).
    void sendRawEvents(const std::vector<vst2::VstEvent*>& events, std::int32_t numEvents);

    // processReplacing of one block; given addTo, process (accumulating) onto a copy of it.
    Stereo process(std::int32_t frames, const Stereo* addTo = nullptr);
    // Renders frames samples in blocks of blockSize, handing each event over in the block that
    // contains its frame.
    Stereo play(const Score& score, std::int64_t frames, std::int32_t blockSize = 512);

    std::vector<HostCall> calls() const;
    std::size_t callCount(std::int32_t opcode) const;
    void clearCalls();

    // Allocator calls made by the plugin inside effProcessEvents and the process calls.
    AllocationCount processAllocations() const { return processAllocations_; }
    void resetProcessAllocations() { processAllocations_ = {}; }

    // Callbacks that reached no host (after effClose, or from an unknown instance).
    static std::size_t strayCallbacks() { return strays_.load(); }

  private:
    static inline std::atomic<std::size_t> strays_{0};
    static vst2::intptr callback(vst2::AEffect* effect, std::int32_t opcode, std::int32_t index,
                                 vst2::intptr value, void* ptr, float opt);
    vst2::intptr answer(vst2::AEffect* effect, std::int32_t opcode);
    void retireEventLists();

    HostOptions options_;
    void* library_;  // from dlopen
    vst2::AEffect* effect_ = nullptr;
    float sampleRate_ = 44100.0f;
    std::int32_t blockSize_ = 512;

    mutable std::mutex callsMutex_;
    std::vector<HostCall> calls_;

    // The lists handed over since the last process call: their headers and MIDI events.
    std::vector<std::vector<unsigned char>> eventHeaders_;
    std::vector<std::vector<vst2::VstMidiEvent>> midiLists_;
    AllocationCount processAllocations_;
};

}  // namespace sorvella::test
