// A minimal VST 2 host for offline rendering: loads one instrument, answers its callbacks, and
// feeds it blocks of MIDI events and audio buffers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/vst2/aeffect.h"

namespace sorvella {

struct BlockEvent {
    std::int32_t deltaFrames = 0;
    std::array<std::uint8_t, 3> bytes{};
};

class PluginHost {
  public:
    // Plugins that claim more pins than this are not believed.
    static constexpr int kMaxPins = 64;
    static constexpr std::int32_t kHostVersion = 2400;
    static constexpr std::int32_t kProcessLevelOffline = 4;
    // A chunk claimed larger than this is not believed.
    static constexpr std::size_t kMaxChunkBytes = 64u << 20;

    PluginHost() = default;
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    // dlopen, entry point, checks, effOpen, sample rate and block size.
    bool load(const std::string& path, double sampleRate, int blockSize, std::string& error);

    int numPrograms() const;
    int numParams() const;
    int numOutputs() const;
    std::string effectName() const;

    std::string vendorString() const;
    std::int32_t uniqueId() const { return effect_ ? effect_->uniqueID : 0; }
    std::int32_t pluginVersion() const { return effect_ ? effect_->version : 0; }
    bool hasProgramChunks() const;
    // Instruments carry the synth flag; an effect would render silence from MIDI alone.
    bool isInstrument() const;

    bool setProgram(int program, std::string& error);
    int currentProgram();
    bool setParameter(int index, float value, std::string& error);
    float getParameter(int index);
    // Names are cut to the 24 characters the interface allows.
    void setProgramName(const std::string& name);
    std::string programName();
    // Without selecting the program; empty when the plugin does not say.
    std::string programNameAt(int program);
    // effGetParamName, effGetParamDisplay, effGetParamLabel.
    std::string parameterName(int index);
    std::string parameterDisplay(int index);
    std::string parameterLabel(int index);

    // effSetChunk: true when the plugin took the chunk.
    bool setChunk(bool preset, const std::vector<std::uint8_t>& chunk);
    // effGetChunk, copied out of the plugin's buffer at once.
    bool getChunk(bool preset, std::vector<std::uint8_t>& chunk, std::string& error);
    vst2::intptr vendorSpecific(std::int32_t index, vst2::intptr value, void* ptr);

    // effMainsChanged 1 / 0.
    void resume();
    void suspend();

    // Hands the block's events to the plugin (their storage stays valid through the process
    // call), then renders frames (at most the block size) into outputs().
    void process(const std::vector<BlockEvent>& events, int frames);
    const std::vector<float*>& outputs() const { return outputPointers_; }

    // Time spent inside the plugin's process calls so far, by the monotonic clock: never less
    // than the CPU time they took, and cheap to read (a CPU-time clock costs a system call,
    // which would weigh on what it measures).
    double processSeconds() const { return processSeconds_; }

    // Suspends if needed, effClose, dlclose. Safe to call twice.
    void close();

    double sampleRate() const { return sampleRate_; }
    int blockSize() const { return blockSize_; }

  private:
    static vst2::intptr callback(vst2::AEffect* effect, std::int32_t opcode, std::int32_t index,
                                 vst2::intptr value, void* ptr, float opt);
    vst2::intptr dispatch(std::int32_t opcode, std::int32_t index, vst2::intptr value, void* ptr,
                          float opt);
    void unload();
    std::string parameterText(std::int32_t opcode, int index);

    void* library_ = nullptr;
    vst2::AEffect* effect_ = nullptr;
    bool resumed_ = false;
    double sampleRate_ = 44100.0;
    int blockSize_ = 512;
    double processSeconds_ = 0.0;

    std::vector<std::vector<float>> inputBuffers_;
    std::vector<std::vector<float>> outputBuffers_;
    std::vector<float*> inputPointers_;
    std::vector<float*> outputPointers_;
    std::vector<vst2::VstMidiEvent> midiEvents_;
    std::vector<std::uint64_t> eventList_;  // VstEvents with room for every pointer, 8-aligned
};

}  // namespace sorvella
