#include "core/my_vsti.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/controller_map.h"
#include "core/my_vsti_engine.h"
#include "core/voice_pool.h"
#include "engine/tables.h"
#include "platform/error_box.h"
#include "presets/settings_names.h"
#include "presets/tuning.h"

namespace sorvella {

namespace {

// Instruments alive in the process; the first builds the shared tables, the last releases them.
std::int32_t instanceCount = 0;

constexpr float kMaxDefaultGain = 16.0f;

}  // namespace

MyVsti::MyVsti(vst2::HostCallback host, EditorFactory editorFactory)
    : AudioEffectX(host, kNumPrograms, kNumParams), engine_(std::make_unique<Engine>()) {
    settings_.open(settings::kSubkey, settings::kClassText);
    setPan(64);
    midiOut_.store(settings_.getInt(settings::kMidiOut, 0) != 0, std::memory_order_relaxed);
    float gain = settings_.getFloat(settings::kDefaultGain, 1.0f);
    defaultGain_ = gain >= 0.0f && gain <= kMaxDefaultGain ? gain : 1.0f;

    if (instanceCount == 0) {
        if (!buildTables()) {
            reportError(kErrorOutOfMemory);
            return;
        }
        controllerMap().load(settings_.getText(settings::kMidiCfg));
        restoreTuning(settings_);
    }
    ++instanceCount;
    initialised_ = true;
    engine_->context.noteFrequency = noteFrequencyTable();
    engine_->context.waveTable1 = waveTable(0);
    engine_->context.waveTable2 = waveTable(0);
    for (std::int32_t i = 0; i < 3; ++i)
        engine_->context.curves[i] = &working_.curve(i);

    if (host) {
        setNumInputs(0);
        setNumOutputs(2);
        canProcessReplacing();
        programsAreChunks();
        hasClip(false);
        isSynth();
        engine_->context.bend = bendFactorTable()[64];
        setUniqueID(vst2::fourCC('S', 'O', 'R', 'V'));
        cEffect.version = 2;
        setSampleRate(44100.0f);
        setProgram(0);
    }
    suspend();

    if (editorFactory) {
        InstrumentEditor* made = editorFactory(*this);
        if (!made) {
            reportError(kErrorOutOfMemory);
        } else if (made->isReady()) {
            instrumentEditor_ = made;
            setEditor(made);
            editorReady_ = true;
        } else {
            delete made;
        }
    } else {
        // Built without an editor, the instrument is complete as it is.
        editorReady_ = true;
    }
    suspend();
}

MyVsti::~MyVsti() {
    pool_.reset();
    if (initialised_) {
        --instanceCount;
        if (instanceCount == 0) releaseTables();
    }
}

// Programs.

void MyVsti::setProgram(std::int32_t program) {
    if (selectProgram(program)) announceProgram();
}

bool MyVsti::selectProgram(std::int32_t program) {
    if (program < 0 || program >= kNumPrograms) return false;
    std::lock_guard lock(audioLock_);
    resetEffects();
    cutAllVoices();
    curProgram = program;
    shownProgram_.store(program, std::memory_order_release);
    working_.copyFrom(slots_[static_cast<std::size_t>(program)]);
    for (std::int32_t i = 0; i < kNumParams; ++i)
        setParameter(i, working_.value(i));
    renameWorkingProgram(working_.name());
    // The audio thread runs the chorus oscillators, so they are renormalised under the lock.
    engine_->chorus1.controlUpdate();
    engine_->chorus2.controlUpdate();
    return true;
}

void MyVsti::announceProgram() {
    // Hosts commonly take a lock of their own around the process call and again in this
    // callback, so it is made only with the audio lock released: the rename's update, then the
    // selection's own.
    updateDisplay();
    updateDisplay();
}

void MyVsti::setProgramName(const char* name) {
    {
        // The audio thread rewrites the working program on a MIDI program change.
        std::lock_guard lock(audioLock_);
        renameWorkingProgram(name);
    }
    updateDisplay();
}

void MyVsti::renameWorkingProgram(const char* name) {
    working_.setName(name);
    if (instrumentEditor_) {
        instrumentEditor_->showProgramName(working_.name());
        instrumentEditor_->refreshProgramButtons();
    }
}

void MyVsti::getProgramName(char* name) {
    std::memcpy(name, working_.name(), std::strlen(working_.name()) + 1);
}

bool MyVsti::getProgramNameIndexed(std::int32_t, std::int32_t index, char* text) {
    if (index < 0 || index >= kNumPrograms) return false;
    const char* name = slots_[static_cast<std::size_t>(index)].name();
    std::memcpy(text, name, std::strlen(name) + 1);
    return true;
}

bool MyVsti::copyProgram(std::int32_t destination) {
    if (destination < 0 || destination >= kNumPrograms) return false;
    slots_[static_cast<std::size_t>(destination)].copyFrom(working_);
    return true;
}

void MyVsti::storeProgram(std::int32_t slot) {
    if (slot < 0 || slot >= kNumPrograms) return;
    slots_[static_cast<std::size_t>(slot)].copyFrom(working_);
    setProgram(slot);
}

MyMetaParam& MyVsti::metaParameter(std::int32_t index) {
    return working_.meta(index < 0 ? 0 : index >= kNumMetaParams ? kNumMetaParams - 1 : index);
}

bool MyVsti::updateDisplay() {
    return AudioEffectX::updateDisplay();
}

// Sample rate, block size, suspend, resume.

void MyVsti::setSampleRate(float rate) {
    // A rate the engine cannot run at keeps the previous one.
    if (!(rate >= 1.0f && rate <= 10000000.0f)) return;
    {
        // Hosts may change the rate while another thread renders: the voices read the rate and
        // their release, and the delay lines are made anew.
        std::lock_guard lock(audioLock_);
        sampleRate = rate;
        allNotesOff();
        engine_->context.fs = rate;
        engine_->context.invFs = 1.0f / rate;
        engine_->context.halfInvFs = 0.5f / rate;
        // The delay lines are made for the new rate before the parameters that size their taps.
        engine_->chorus1.create(rate);
        engine_->chorus2.create(rate);
        engine_->reverbL.create(rate);
        engine_->reverbR.create(rate);
        for (std::int32_t i = 0; i < kNumParams; ++i)
            setParameter(i, working_.value(i));
        resetEffects();
        double interval = 64.0 * 44100.0 * static_cast<double>(engine_->context.invFs);
        updateInterval_ = interval < 1.0 ? 1 : static_cast<std::int32_t>(interval);
        nextUpdate_ = updateInterval_;
        engine_->restAfterFrames = static_cast<std::int64_t>(rate);
        engine_->quietFrames = 0;
    }
    if (instrumentEditor_) instrumentEditor_->sampleRateChanged(rate);
}

void MyVsti::setBlockSize(std::int32_t size) {
    std::lock_guard lock(audioLock_);
    blockSize = size;
    allNotesOff();
}

void MyVsti::suspend() {
    // Releasing notes touches the voices the audio thread runs.
    std::lock_guard lock(audioLock_);
    allNotesOff();
}

void MyVsti::resume() {
    wantEvents();
}

void MyVsti::resetEffects() {
    engine_->bank1.resetState();
    engine_->bank2.resetState();
    engine_->reverbL.reset();
    engine_->reverbR.reset();
    engine_->chorus1.reset();
    engine_->chorus2.reset();
}

// Host information.

bool MyVsti::getOutputProperties(std::int32_t index, vst2::VstPinProperties* properties) {
    if (index < 0 || index > 1) return false;
    std::snprintf(properties->label, sizeof properties->label, "SORV%1d", index + 1);
    properties->flags = vst2::kVstPinIsActive | vst2::kVstPinIsStereo;
    return true;
}

bool MyVsti::getEffectName(char* name) {
    std::strcpy(name, "Sorvella");
    return true;
}

bool MyVsti::getVendorString(char* text) {
    std::strcpy(text, "Kestrane");
    return true;
}

bool MyVsti::getProductString(char* text) {
    std::strcpy(text, "Sorvella");
    return true;
}

std::int32_t MyVsti::canDo(const char* text) {
    if (std::strcmp(text, "receiveVstEvents") == 0) return 1;
    if (std::strcmp(text, "receiveVstMidiEvent") == 0) return 1;
    return -1;
}

}  // namespace sorvella
