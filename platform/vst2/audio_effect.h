// A small plugin framework over the VST 2 ABI: AudioEffect turns the host's calls on the plugin
// record into virtual operations of the plugin object; AudioEffectX adds the 2.x requests and the
// calls the plugin makes to its host. The dispatcher only translates; the plugin decides.
#pragma once

#include <cstdint>

#include "platform/vst2/aeffect.h"

namespace vst2 {

class AudioEffect;

// The editor as the framework sees it: a window the host opens inside its own.
class AEffEditor {
  public:
    virtual ~AEffEditor() = default;
    virtual bool getRect(ERect** rect) = 0;
    virtual bool open(void* parentWindow) = 0;
    virtual void close() = 0;
    virtual void idle() {}
    virtual bool onKeyDown(std::int32_t /*character*/, std::int32_t /*virtualKey*/,
                           std::int32_t /*modifiers*/) {
        return false;
    }
    virtual bool onKeyUp(std::int32_t /*character*/, std::int32_t /*virtualKey*/,
                         std::int32_t /*modifiers*/) {
        return false;
    }
    virtual bool setKnobMode(std::int32_t /*mode*/) { return false; }
    // The plugin tells the editor a parameter's kept value.
    virtual void setParameter(std::int32_t /*index*/, float /*value*/) {}
};

class AudioEffect {
  public:
    AudioEffect(HostCallback host, std::int32_t numPrograms, std::int32_t numParams);
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    AEffect* getAeffect() { return &cEffect; }
    static AudioEffect* fromAeffect(AEffect* effect) {
        return effect ? static_cast<AudioEffect*>(effect->object) : nullptr;
    }

    // Requests of the 1.0 interface.
    virtual intptr dispatcher(std::int32_t opcode, std::int32_t index, intptr value, void* ptr,
                              float opt);
    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setProgram(std::int32_t program) { curProgram = program; }
    virtual std::int32_t getProgram() { return curProgram; }
    virtual void setProgramName(const char* /*name*/) {}
    virtual void getProgramName(char* name) { name[0] = 0; }
    virtual void setParameter(std::int32_t /*index*/, float /*value*/) {}
    virtual float getParameter(std::int32_t /*index*/) { return 0.0f; }
    virtual void setParameterAutomated(std::int32_t index, float value);
    virtual void getParameterLabel(std::int32_t /*index*/, char* label) { label[0] = 0; }
    virtual void getParameterDisplay(std::int32_t /*index*/, char* text) { text[0] = 0; }
    virtual void getParameterName(std::int32_t /*index*/, char* text) { text[0] = 0; }
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(std::int32_t size) { blockSize = size; }
    virtual std::int32_t getChunk(void** /*data*/, bool /*isPreset*/) { return 0; }
    virtual std::int32_t setChunk(void* /*data*/, std::int32_t /*byteSize*/, bool /*isPreset*/) {
        return 0;
    }
    virtual void process(float** /*inputs*/, float** /*outputs*/, std::int32_t /*frames*/) {}
    virtual void processReplacing(float** /*inputs*/, float** /*outputs*/,
                                  std::int32_t /*frames*/) {}

    // Plugin record set-up.
    void setUniqueID(std::int32_t id) { cEffect.uniqueID = id; }
    void setNumInputs(std::int32_t n) { cEffect.numInputs = n; }
    void setNumOutputs(std::int32_t n) { cEffect.numOutputs = n; }
    void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
    void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }
    void hasClip(bool state) { setFlag(effFlagsHasClip, state); }
    void setInitialDelay(std::int32_t delay) { cEffect.initialDelay = delay; }

    // The editor object: owned, destroyed with the plugin; the flag follows its existence.
    void setEditor(AEffEditor* newEditor);
    AEffEditor* getEditor() const { return editor; }

    float getSampleRate() const { return sampleRate; }
    std::int32_t getBlockSize() const { return blockSize; }
    HostCallback getHostCallback() const { return audioMaster; }
    std::int32_t getMasterVersion();

  protected:
    void setFlag(std::int32_t flag, bool state) {
        cEffect.flags = state ? (cEffect.flags | flag) : (cEffect.flags & ~flag);
    }
    intptr callHost(std::int32_t opcode, std::int32_t index = 0, intptr value = 0,
                    void* ptr = nullptr, float opt = 0.0f);

    float sampleRate = 44100.0f;
    std::int32_t blockSize = 1024;
    std::int32_t numPrograms;
    std::int32_t numParams;
    std::int32_t curProgram = 0;
    AEffEditor* editor = nullptr;
    HostCallback audioMaster;
    AEffect cEffect{};

  private:
    static intptr dispatchEntry(AEffect* e, std::int32_t opcode, std::int32_t index, intptr value,
                                void* ptr, float opt);
    static void processEntry(AEffect* e, float** inputs, float** outputs, std::int32_t frames);
    static void processReplacingEntry(AEffect* e, float** inputs, float** outputs,
                                      std::int32_t frames);
    static void setParameterEntry(AEffect* e, std::int32_t index, float value);
    static float getParameterEntry(AEffect* e, std::int32_t index);
};

class AudioEffectX : public AudioEffect {
  public:
    using AudioEffect::AudioEffect;

    intptr dispatcher(std::int32_t opcode, std::int32_t index, intptr value, void* ptr,
                      float opt) override;

    // Requests of the 2.x interface.
    virtual std::int32_t processEvents(VstEvents* /*events*/) { return 0; }
    virtual bool canParameterBeAutomated(std::int32_t /*index*/) { return true; }
    virtual bool string2parameter(std::int32_t /*index*/, char* /*text*/) { return false; }
    virtual std::int32_t getNumCategories() { return 1; }
    virtual bool getProgramNameIndexed(std::int32_t /*category*/, std::int32_t /*index*/,
                                       char* /*text*/) {
        return false;
    }
    virtual bool copyProgram(std::int32_t /*destination*/) { return false; }
    virtual bool getOutputProperties(std::int32_t /*index*/, VstPinProperties* /*properties*/) {
        return false;
    }
    virtual bool getInputProperties(std::int32_t /*index*/, VstPinProperties* /*properties*/) {
        return false;
    }
    virtual std::int32_t getPlugCategory() { return 0; }
    virtual bool getEffectName(char* /*name*/) { return false; }
    virtual bool getVendorString(char* /*text*/) { return false; }
    virtual bool getProductString(char* /*text*/) { return false; }
    virtual std::int32_t getVendorVersion() { return 0; }
    virtual std::int32_t canDo(const char* /*text*/) { return 0; }
    virtual std::int32_t getVstVersion() { return 2300; }
    virtual std::int32_t getCurrentMidiProgram(std::int32_t /*channel*/, void* /*info*/) {
        return -1;
    }
    virtual bool getSpeakerArrangement(void** input, void** output);
    virtual bool setBlockSizeAndSampleRate(std::int32_t size, float rate) {
        blockSize = size;
        sampleRate = rate;
        return true;
    }
    virtual std::int32_t setTotalSampleToProcess(std::int32_t value) { return value; }
    // Requests of this plugin's own, outside the published set.
    virtual intptr vendorSpecific(std::int32_t /*index*/, intptr /*value*/, void* /*ptr*/,
                                  float /*opt*/) {
        return 0;
    }

    // Calls to the host.
    void isSynth(bool state = true) { setFlag(effFlagsIsSynth, state); }
    void wantEvents();
    bool sendVstEventsToHost(VstEvents* events);
    bool updateDisplay();
    bool beginEdit(std::int32_t index);
    bool endEdit(std::int32_t index);
    std::int32_t canHostDo(const char* text);
    bool openFileSelector(VstFileSelect* select);
    bool closeFileSelector(VstFileSelect* select);
};

}  // namespace vst2
