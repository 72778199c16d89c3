#include "platform/vst2/audio_effect.h"

#include <cstring>

namespace vst2 {

namespace {

// Texts are built in a roomy local buffer and handed to the host bounded to what its buffer is
// known to hold, so a short host buffer is never overrun.
constexpr std::size_t kLocalText = 256;

void copyBounded(void* ptr, const char* text, std::size_t capacity) {
    if (!ptr || capacity == 0) return;
    auto* out = static_cast<char*>(ptr);
    std::size_t n = strnlen(text, capacity - 1);
    std::memcpy(out, text, n);
    out[n] = 0;
}

// Parameter texts: the longest name or display we produce is 15 characters; hosts pass at least
// 24 bytes in practice, while the interface only promises 9.
constexpr std::size_t kParamTextCapacity = 24;
constexpr std::size_t kProgramNameCapacity = kVstMaxProgNameLen + 1;

}  // namespace

AudioEffect::AudioEffect(HostCallback host, std::int32_t programs, std::int32_t params)
    : numPrograms(programs), numParams(params), audioMaster(host) {
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = &AudioEffect::dispatchEntry;
    cEffect.process = &AudioEffect::processEntry;
    cEffect.setParameter = &AudioEffect::setParameterEntry;
    cEffect.getParameter = &AudioEffect::getParameterEntry;
    cEffect.numPrograms = programs;
    cEffect.numParams = params;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = fourCC('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = &AudioEffect::processReplacingEntry;
}

AudioEffect::~AudioEffect() {
    delete editor;
}

void AudioEffect::setEditor(AEffEditor* newEditor) {
    if (editor != newEditor) delete editor;
    editor = newEditor;
    setFlag(effFlagsHasEditor, editor != nullptr);
}

intptr AudioEffect::callHost(std::int32_t opcode, std::int32_t index, intptr value, void* ptr,
                             float opt) {
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

std::int32_t AudioEffect::getMasterVersion() {
    intptr version = callHost(audioMasterVersion);
    return version ? static_cast<std::int32_t>(version) : 1;
}

void AudioEffect::setParameterAutomated(std::int32_t index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

intptr AudioEffect::dispatcher(std::int32_t opcode, std::int32_t index, intptr value, void* ptr,
                               float opt) {
    char text[kLocalText] = {};
    switch (opcode) {
        case effOpen:
            open();
            return 0;
        case effClose:
            close();
            return 1;
        case effSetProgram:
            if (value >= 0 && value < numPrograms) setProgram(static_cast<std::int32_t>(value));
            return 0;
        case effGetProgram:
            return getProgram();
        case effSetProgramName:
            if (ptr) {
                copyBounded(text, static_cast<const char*>(ptr), kProgramNameCapacity);
                setProgramName(text);
            }
            return 0;
        case effGetProgramName:
            getProgramName(text);
            copyBounded(ptr, text, kProgramNameCapacity);
            return 0;
        case effGetParamLabel:
            getParameterLabel(index, text);
            copyBounded(ptr, text, kParamTextCapacity);
            return 0;
        case effGetParamDisplay:
            getParameterDisplay(index, text);
            copyBounded(ptr, text, kParamTextCapacity);
            return 0;
        case effGetParamName:
            getParameterName(index, text);
            copyBounded(ptr, text, kParamTextCapacity);
            return 0;
        case effSetSampleRate:
            setSampleRate(opt);
            return 0;
        case effSetBlockSize:
            setBlockSize(static_cast<std::int32_t>(value));
            return 0;
        case effMainsChanged:
            if (value) {
                resume();
            } else {
                suspend();
            }
            return 0;
        case effEditGetRect:
            return editor && ptr ? editor->getRect(static_cast<ERect**>(ptr)) : 0;
        case effEditOpen:
            return editor ? editor->open(ptr) : 0;
        case effEditClose:
            if (editor) editor->close();
            return 0;
        case effEditIdle:
            if (editor) editor->idle();
            return 0;
        case effIdentify:
            return fourCC('N', 'v', 'E', 'f');
        case effGetChunk:
            return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
        case effSetChunk:
            if (!ptr || value <= 0 || value > INT32_MAX) return 0;
            return setChunk(ptr, static_cast<std::int32_t>(value), index != 0);
        default:
            return 0;
    }
}

intptr AudioEffectX::dispatcher(std::int32_t opcode, std::int32_t index, intptr value, void* ptr,
                                float opt) {
    char text[kLocalText] = {};
    switch (opcode) {
        case effProcessEvents:
            return ptr ? processEvents(static_cast<VstEvents*>(ptr)) : 0;
        case effCanBeAutomated:
            return canParameterBeAutomated(index) ? 1 : 0;
        case effString2Parameter:
            return string2parameter(index, static_cast<char*>(ptr)) ? 1 : 0;
        case effGetNumProgramCategories:
            return getNumCategories();
        case effGetProgramNameIndexed:
            if (!getProgramNameIndexed(static_cast<std::int32_t>(value), index, text)) return 0;
            copyBounded(ptr, text, kProgramNameCapacity);
            return 1;
        case effCopyProgram:
            return copyProgram(index) ? 1 : 0;
        case effConnectInput:
        case effConnectOutput:
            return 1;
        case effGetInputProperties:
            return ptr && getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
        case effGetOutputProperties:
            return ptr && getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
        case effGetPlugCategory:
            return getPlugCategory();
        case effSetBlockSizeAndSampleRate:
            return setBlockSizeAndSampleRate(static_cast<std::int32_t>(value), opt) ? 1 : 0;
        case effGetEffectName:
            if (!getEffectName(text)) return 0;
            copyBounded(ptr, text, kVstMaxEffectNameLen + 1);
            return 1;
        case effGetVendorString:
            if (!getVendorString(text)) return 0;
            copyBounded(ptr, text, kVstMaxVendorStrLen + 1);
            return 1;
        case effGetProductString:
            if (!getProductString(text)) return 0;
            copyBounded(ptr, text, kVstMaxProductStrLen + 1);
            return 1;
        case effGetVendorVersion:
            return getVendorVersion();
        case effCanDo:
            return ptr ? canDo(static_cast<const char*>(ptr)) : 0;
        case effGetVstVersion:
            return getVstVersion();
        case effEditKeyDown:
            return editor && editor->onKeyDown(index, static_cast<std::int32_t>(value),
                                               static_cast<std::int32_t>(opt))
                       ? 1
                       : 0;
        case effEditKeyUp:
            return editor && editor->onKeyUp(index, static_cast<std::int32_t>(value),
                                             static_cast<std::int32_t>(opt))
                       ? 1
                       : 0;
        case effSetEditKnobMode:
            return editor && editor->setKnobMode(static_cast<std::int32_t>(value)) ? 1 : 0;
        case effGetCurrentMidiProgram:
            return getCurrentMidiProgram(index, ptr);
        case effGetSpeakerArrangement:
            getSpeakerArrangement(reinterpret_cast<void**>(value), static_cast<void**>(ptr));
            return 0;
        case effSetTotalSampleToProcess:
            return setTotalSampleToProcess(static_cast<std::int32_t>(value));
        case effVendorSpecific:
            return vendorSpecific(index, value, ptr, opt);
        default:
            return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

bool AudioEffectX::getSpeakerArrangement(void** input, void** output) {
    // Both arguments are the host's pointer slots; either may be absent.
    if (input) *input = nullptr;
    if (output) *output = nullptr;
    return false;
}

void AudioEffectX::wantEvents() {
    callHost(audioMasterWantMidi, 0, 1);
}

bool AudioEffectX::sendVstEventsToHost(VstEvents* events) {
    return callHost(audioMasterProcessEvents, 0, 0, events) == 1;
}

bool AudioEffectX::updateDisplay() {
    return callHost(audioMasterUpdateDisplay) != 0;
}

bool AudioEffectX::beginEdit(std::int32_t index) {
    return callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffectX::endEdit(std::int32_t index) {
    return callHost(audioMasterEndEdit, index) != 0;
}

std::int32_t AudioEffectX::canHostDo(const char* text) {
    return static_cast<std::int32_t>(callHost(audioMasterCanDo, 0, 0, const_cast<char*>(text)));
}

bool AudioEffectX::openFileSelector(VstFileSelect* select) {
    return audioMaster && select && callHost(audioMasterOpenFileSelector, 0, 0, select) != 0;
}

bool AudioEffectX::closeFileSelector(VstFileSelect* select) {
    return audioMaster && select && callHost(audioMasterCloseFileSelector, 0, 0, select) != 0;
}

intptr AudioEffect::dispatchEntry(AEffect* e, std::int32_t opcode, std::int32_t index, intptr value,
                                  void* ptr, float opt) {
    AudioEffect* plugin = fromAeffect(e);
    if (!plugin) return 0;
    try {
        if (opcode == effClose) {
            plugin->dispatcher(opcode, index, value, ptr, opt);
            e->object = nullptr;
            delete plugin;
            return 1;
        }
        return plugin->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        // Nothing may escape into the host.
        return 0;
    }
}

void AudioEffect::processEntry(AEffect* e, float** inputs, float** outputs, std::int32_t frames) {
    if (AudioEffect* plugin = fromAeffect(e); plugin && outputs && frames > 0) {
        plugin->process(inputs, outputs, frames);
    }
}

void AudioEffect::processReplacingEntry(AEffect* e, float** inputs, float** outputs,
                                        std::int32_t frames) {
    if (AudioEffect* plugin = fromAeffect(e); plugin && outputs && frames > 0) {
        plugin->processReplacing(inputs, outputs, frames);
    }
}

void AudioEffect::setParameterEntry(AEffect* e, std::int32_t index, float value) {
    if (AudioEffect* plugin = fromAeffect(e)) plugin->setParameter(index, value);
}

float AudioEffect::getParameterEntry(AEffect* e, std::int32_t index) {
    AudioEffect* plugin = fromAeffect(e);
    return plugin ? plugin->getParameter(index) : 0.0f;
}

}  // namespace vst2
