// The instrument: one object per plugin instance. It owns the working program and the eight
// program slots, the sound engine's state, the audio lock, the settings and the editor.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "core/instrument_editor.h"
#include "core/midi_event_queue.h"
#include "core/parameter_table.h"
#include "core/program.h"
#include "platform/vst2/audio_effect.h"
#include "presets/settings_key.h"

namespace sorvella {

class VoicePool;
class MyNote;

// A host's vendor-specific request about the tuning, index kTuningRequest. kTuningRemember loads
// the file whose path is in ptr and remembers it in the settings, as the editor does;
// kTuningThisSession loads it for this process and leaves the settings alone; kTuningForget
// forgets the remembered file and goes back to equal temperament.
inline constexpr std::int32_t kTuningRequest = vst2::fourCC('S', 'T', 'u', 'n');
enum TuningRequest : vst2::intptr {
    kTuningRemember = 0,
    kTuningThisSession = 1,
    kTuningForget = 2
};
inline constexpr std::int32_t kNoLearn = kNumParams;  // learnParameter when nothing is armed

class MyVsti : public vst2::AudioEffectX {
  public:
    explicit MyVsti(vst2::HostCallback host, EditorFactory editorFactory = {});
    ~MyVsti() override;

    // False when construction stopped early (shared tables could not be built).
    bool isInitialised() const { return initialised_; }
    bool isEditorReady() const { return editorReady_; }
    InstrumentEditor* instrumentEditor() const { return instrumentEditor_; }

    // Parameters.
    void setParameter(std::int32_t index, float value) override;
    float getParameter(std::int32_t index) override;
    void setParameterAutomated(std::int32_t index, float value) override;
    void getParameterName(std::int32_t index, char* text) override;
    void getParameterLabel(std::int32_t index, char* text) override;
    void getParameterDisplay(std::int32_t index, char* text) override;
    virtual void incParam(std::int32_t index);
    virtual void decParam(std::int32_t index);
    virtual void controlChanged(std::int32_t /*tag*/, float /*value*/) {}

    // Programs.
    void setProgram(std::int32_t program) override;
    void setProgramName(const char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(std::int32_t category, std::int32_t index, char* text) override;
    bool copyProgram(std::int32_t destination) override;
    void storeProgram(std::int32_t slot);
    MyMetaParam& metaParameter(std::int32_t index);
    const Program& programSlot(std::int32_t slot) const { return slots_[clampSlot(slot)]; }
    const Program& workingProgram() const { return working_; }

    // Chunks.
    std::int32_t getChunk(void** data, bool isPreset) override;
    std::int32_t setChunk(void* data, std::int32_t byteSize, bool isPreset) override;
    virtual std::int32_t chunkForFile(void** data, bool isPreset);
    virtual std::int32_t buildChunk(void** data, bool isPreset);

    // Sample rate, block size, suspend and resume.
    void setSampleRate(float rate) override;
    void setBlockSize(std::int32_t size) override;
    void suspend() override;
    void resume() override;
    bool updateDisplay();

    // MIDI.
    std::int32_t processEvents(vst2::VstEvents* events) override;
    void handleEvent(const MidiEvent& event);
    void noteOn(std::uint8_t note, std::uint8_t velocity);
    void noteOff(std::uint8_t note);
    void setSustain(bool down);
    void allNotesOff();
    void assignController(std::int32_t parameter, std::uint8_t controller);
    void controllerText(std::int32_t parameter, char* text) const;
    void saveControllerMap();
    void setMidiOut(bool on);
    bool midiOutEnabled() const { return midiOut_.load(std::memory_order_relaxed); }
    void sendController(std::uint8_t channel, std::uint8_t controller, std::uint8_t value);
    std::int32_t voiceLimit() const;
    void armLearn(std::int32_t parameter) {
        learnParameter_.store(isParameterIndex(parameter) ? parameter : kNoLearn,
                              std::memory_order_relaxed);
    }
    std::int32_t learnParameter() const { return learnParameter_.load(std::memory_order_relaxed); }
    // The selected program slot, readable from any thread (the editor's program buttons).
    std::int32_t currentProgram() const { return shownProgram_.load(std::memory_order_acquire); }

    // Rendering.
    void process(float** inputs, float** outputs, std::int32_t frames) override;
    void processReplacing(float** inputs, float** outputs, std::int32_t frames) override;
    void render16(std::int16_t* interleaved, std::int32_t frames);
    void resetEffects();
    std::int32_t soundingVoices() const;
    std::int32_t controlInterval() const { return updateInterval_; }

    // Host information.
    bool getOutputProperties(std::int32_t index, vst2::VstPinProperties* properties) override;
    std::int32_t getPlugCategory() override { return vst2::kPlugCategSynth; }
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    std::int32_t getVendorVersion() override { return 1; }
    std::int32_t canDo(const char* text) override;
    std::int32_t getVstVersion() override { return 2300; }
    std::int32_t getCurrentMidiProgram(std::int32_t, void*) override { return -1; }
    // effVendorSpecific with index kTuningRequest (our renderer uses it); value is a
    // TuningRequest. Answers 1 on success.
    vst2::intptr vendorSpecific(std::int32_t index, vst2::intptr value, void* ptr,
                                float opt) override;

    SettingsKey& settings() { return settings_; }
    std::recursive_mutex& audioLock() { return audioLock_; }

    // The apply operations of the parameter table: each puts a value into the engine and
    // returns the value the parameter keeps.
    float applyVoices(float v);
    float applyLevel(float v);
    float applyOsc2Detune(float v);
    float applyMix1(float v);
    float applyMix2(float v);
    float applyMixBreath(float v);
    float applyVelTime(float v);
    float applyVelLevel(float v);
    float applyVelBreath(float v);
    float applyChorusSpeed(float v);
    float applyChorusDepth(float v);
    float applyReverbLength(float v);
    float applyReverbMix(float v);
    float applyUnisonNotes(float v);
    float applyUnisonDetune(float v);
    float applyVowel1Start(float v);
    float applyVowel1End(float v);
    float applyVowel1Morph(float v);
    float applyVowel2Start(float v);
    float applyVowel2End(float v);
    float applyVowel2Morph(float v);
    float applyGranularLevel(float v);
    float applyGranularTime(float v);
    float applyFormantsL(float v);
    float applyNoiseColor(float v);
    float applyOsc1Shape(float v);
    float applyOsc2Shape(float v);
    float applyOsc1Fm(float v);
    float applyOsc2Fm(float v);

    // The pan law for a 7-bit controller value.
    void setPan(std::uint8_t value);

  private:
    static std::int32_t clampSlot(std::int32_t slot) { return slot < 0 ? 0 : slot > 7 ? 7 : slot; }
    // setProgram without the host's display update, which must wait until the audio lock is
    // released; false when the number is outside the slots.
    bool selectProgram(std::int32_t program);
    void announceProgram();
    // setProgramName without the host's display update.
    void renameWorkingProgram(const char* name);
    float applyVowel(std::int32_t slot, float v);
    void cutAllVoices();
    // The voice a note-on beyond the limit quick-stops, if any.
    MyNote* chooseVictim(bool skipQuickStopped) const;
    // The voices' paths of a run of samples into the engine's run, then the chain over part of it.
    void renderVoices(std::int32_t count);
    void renderChain(float* left, float* right, std::int32_t from, std::int32_t count);
    template <typename Sink>
    void renderBlock(std::int32_t frames, Sink&& sink);
    void controlUpdate();

    bool initialised_ = false;
    bool editorReady_ = false;
    InstrumentEditor* instrumentEditor_ = nullptr;

    Program working_;
    std::array<Program, kNumPrograms> slots_;
    std::unique_ptr<std::uint8_t[]> presetChunkBuffer_;
    std::unique_ptr<std::uint8_t[]> bankChunkBuffer_;

    std::recursive_mutex audioLock_;
    SettingsKey settings_;
    // Read by the editor on its window's thread; learn is completed on the audio thread.
    std::atomic<bool> midiOut_{false};
    float defaultGain_ = 1.0f;
    std::atomic<std::int32_t> learnParameter_{kNoLearn};
    std::atomic<std::int32_t> shownProgram_{0};

    // Engine state (core/my_vsti_engine.h).
    static constexpr std::int32_t kMaxRun = 512;  // samples rendered at once
    struct Engine;
    std::unique_ptr<Engine> engine_;
    std::unique_ptr<VoicePool> pool_;
    float mix1_ = 0.0f;
    float mix2_ = 0.0f;
    float mixBreath_ = 0.0f;
    float masterGain_ = 1.0f;
    float reverbMix_ = 0.0f;
    float panL_ = 0.5f;
    float panR_ = 0.5f;
    std::int32_t updateInterval_ = 63;
    std::int32_t nextUpdate_ = 63;
    std::int32_t position_ = 0;  // the render loop's current sample, stamped on MIDI sent out
    // A program change by MIDI, announced to the host once the render loop releases the lock.
    bool programChangedInRender_ = false;
    MidiEventQueue events_;
};

}  // namespace sorvella
