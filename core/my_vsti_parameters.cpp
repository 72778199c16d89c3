// The parameter setter and the apply operations of the 29 parameters.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/controller_map.h"
#include "core/my_vsti.h"
#include "core/my_vsti_engine.h"
#include "core/voice_pool.h"
#include "engine/tables.h"

namespace sorvella {

void MyVsti::setParameter(std::int32_t index, float value) {
    float kept = value;
    if (isParameterIndex(index)) {
        // Hosts may send anything: values are held to the parameter's range and non-finite ones
        // are refused, so they never reach the engine.
        if (!std::isfinite(value)) return;
        const ParameterDescriptor& row = parameterDescriptor(index);
        value = std::clamp(value, row.minValue, row.maxValue);
        std::lock_guard lock(audioLock_);
        kept = (this->*row.apply)(value);
        working_.setValue(index, kept);
    }
    if (editor) editor->setParameter(index, kept);
}

float MyVsti::getParameter(std::int32_t index) {
    return isParameterIndex(index) ? working_.value(index) : 0.0f;
}

void MyVsti::setParameterAutomated(std::int32_t index, float value) {
    setParameter(index, value);
    if (midiOutEnabled()) {
        std::uint8_t controller = controllerMap().controllerOf(index);
        if (controller != kNoController && std::isfinite(value)) {
            float v = std::clamp(value, 0.0f, 1.0f);
            sendController(0, controller,
                           static_cast<std::uint8_t>(static_cast<double>(v) * 127.0));
        }
    } else if (audioMaster && isParameterIndex(index)) {
        callHost(vst2::audioMasterAutomate, index, 0, nullptr, value);
    }
}

void MyVsti::getParameterName(std::int32_t index, char* text) {
    text[0] = 0;
    if (isParameterIndex(index)) std::strcpy(text, parameterDescriptor(index).name);
}

void MyVsti::getParameterLabel(std::int32_t index, char* text) {
    text[0] = 0;
    if (isParameterIndex(index)) std::strcpy(text, parameterDescriptor(index).label);
}

void MyVsti::getParameterDisplay(std::int32_t index, char* text) {
    text[0] = 0;
    if (isParameterIndex(index)) {
        formatParameterDisplay(parameterDescriptor(index).display, getParameter(index), text);
    }
}

void MyVsti::incParam(std::int32_t index) {
    if (!isParameterIndex(index)) return;
    float v = getParameter(index) + parameterDescriptor(index).step;
    if (v <= 1.0f) setParameterAutomated(index, v);
}

void MyVsti::decParam(std::int32_t index) {
    if (!isParameterIndex(index)) return;
    float v = getParameter(index) - parameterDescriptor(index).step;
    if (v >= 0.0f) setParameterAutomated(index, v);
}

void MyVsti::cutAllVoices() {
    if (pool_) pool_->reset(pool_->limit());
}

// Apply operations.

float MyVsti::applyVoices(float v) {
    std::int32_t n = voiceCountFromValue(v);
    if (!pool_) pool_ = std::make_unique<VoicePool>(engine_->context);
    pool_->reset(n);
    return static_cast<float>(static_cast<double>(n - 1) / 31.0);
}

float MyVsti::applyLevel(float v) {
    masterGain_ = v * 4.0f * defaultGain_;
    return v;
}

float MyVsti::applyOsc2Detune(float v) {
    auto s = static_cast<std::int32_t>((static_cast<double>(v) - 0.5) * 96.0);
    s = std::clamp(s, -48, 48);
    const float* nf = noteFrequencyTable();
    engine_->context.osc2Ratio = s > 0 ? nf[s] / nf[0] : nf[100 + s] / nf[100];
    if (pool_) {
        for (MyNote* voice = pool_->head(); voice; voice = voice->next) {
            voice->updateOsc2Ratio();
        }
    }
    return v;
}

float MyVsti::applyMix1(float v) {
    mix1_ = v;
    return v;
}

float MyVsti::applyMix2(float v) {
    mix2_ = v;
    return v;
}

float MyVsti::applyMixBreath(float v) {
    mixBreath_ = v;
    return v;
}

float MyVsti::applyVelTime(float v) {
    engine_->context.velTime = v;
    return v;
}

float MyVsti::applyVelLevel(float v) {
    engine_->context.velLevel = v;
    return v;
}

float MyVsti::applyVelBreath(float v) {
    engine_->context.velBreath = v;
    return v;
}

float MyVsti::applyChorusSpeed(float v) {
    engine_->chorus1.setSpeed(v, engine_->context.halfInvFs);
    engine_->chorus2.setSpeed(v, engine_->context.halfInvFs);
    return v;
}

float MyVsti::applyChorusDepth(float v) {
    engine_->chorus1.setDepth(v, engine_->context.fs);
    engine_->chorus2.setDepth(v, engine_->context.fs);
    return v;
}

float MyVsti::applyReverbLength(float v) {
    engine_->reverbL.setLength(v, engine_->context.halfInvFs);
    engine_->reverbR.setLength(v, engine_->context.halfInvFs);
    return v;
}

float MyVsti::applyReverbMix(float v) {
    reverbMix_ = v;
    return v;
}

float MyVsti::applyUnisonNotes(float v) {
    std::int32_t n = shapeFromValue(v);
    engine_->context.unisonSetting = n;
    return shapeKeptValue(n);
}

float MyVsti::applyUnisonDetune(float v) {
    engine_->context.unisonDetune = v;
    return v;
}

float MyVsti::applyVowel(std::int32_t slot, float v) {
    return selectVowel(working_.formantSet(slot),
                       engine_->vowelSlots[static_cast<std::size_t>(slot)], v,
                       engine_->context.invFs);
}

float MyVsti::applyVowel1Start(float v) {
    return applyVowel(0, v);
}
float MyVsti::applyVowel1End(float v) {
    return applyVowel(1, v);
}
float MyVsti::applyVowel2Start(float v) {
    return applyVowel(2, v);
}
float MyVsti::applyVowel2End(float v) {
    return applyVowel(3, v);
}

float MyVsti::applyVowel1Morph(float v) {
    engine_->bank1.morph(engine_->vowelSlots[0], engine_->vowelSlots[1], v);
    return v;
}

float MyVsti::applyVowel2Morph(float v) {
    engine_->bank2.morph(engine_->vowelSlots[2], engine_->vowelSlots[3], v);
    return v;
}

float MyVsti::applyGranularLevel(float v) {
    engine_->context.grain = v * 0.999f;
    return v;
}

float MyVsti::applyGranularTime(float v) {
    engine_->context.granularTime = v;
    return v;
}

float MyVsti::applyFormantsL(float v) {
    engine_->bank1.setSharpness(v);
    engine_->bank2.setSharpness(v);
    return v;
}

float MyVsti::applyNoiseColor(float v) {
    engine_->context.noiseCutoff = (v * 0.9f + 0.1f) * 18000.0f * engine_->context.invFs;
    if (pool_) {
        for (MyNote* voice = pool_->head(); voice; voice = voice->next) {
            voice->updateNoiseFilter();
        }
    }
    return v;
}

float MyVsti::applyOsc1Shape(float v) {
    std::int32_t n = shapeFromValue(v);
    engine_->context.waveTable1 = waveTable(n);
    return shapeKeptValue(n);
}

float MyVsti::applyOsc2Shape(float v) {
    std::int32_t n = shapeFromValue(v);
    engine_->context.waveTable2 = waveTable(n);
    return shapeKeptValue(n);
}

float MyVsti::applyOsc1Fm(float v) {
    engine_->context.fm1 = -0.25f * v;
    return v;
}

float MyVsti::applyOsc2Fm(float v) {
    engine_->context.fm2 = -0.25f * v;
    return v;
}

void MyVsti::setPan(std::uint8_t value) {
    float angle = static_cast<float>(value & 0x7F) * 0.012368475f;
    float c = std::cos(angle);
    float s = std::sin(angle);
    panL_ = c * c;
    panR_ = s * s;
}

}  // namespace sorvella
