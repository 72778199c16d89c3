#include "tools/render/plugin_host.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <ctime>

#include <dlfcn.h>

namespace sorvella {
namespace {

using EntryProc = vst2::AEffect* (*)(vst2::HostCallback);

// The plugin may call back before its record exists (or before we could mark it as ours), so
// the host being loaded on this thread answers those calls.
thread_local PluginHost* tLoadingHost = nullptr;

void copyText(void* ptr, const char* text, std::size_t capacity) {
    if (!ptr) return;
    char* out = static_cast<char*>(ptr);
    std::strncpy(out, text, capacity - 1);
    out[capacity - 1] = '\0';
}

double monotonicSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

bool canDo(const char* what) {
    return std::strcmp(what, "sendVstEvents") == 0 || std::strcmp(what, "sendVstMidiEvent") == 0;
}

}  // namespace

PluginHost::~PluginHost() {
    close();
}

vst2::intptr PluginHost::callback(vst2::AEffect* effect, std::int32_t opcode, std::int32_t,
                                  vst2::intptr, void* ptr, float) {
    PluginHost* host = tLoadingHost;
    if (effect && effect->resvd1) host = reinterpret_cast<PluginHost*>(effect->resvd1);
    switch (opcode) {
        case vst2::audioMasterVersion:
            return kHostVersion;
        case vst2::audioMasterGetSampleRate:
            return host ? static_cast<vst2::intptr>(host->sampleRate_) : 0;
        case vst2::audioMasterGetBlockSize:
            return host ? host->blockSize_ : 0;
        case vst2::audioMasterGetCurrentProcessLevel:
            return kProcessLevelOffline;
        case vst2::audioMasterCanDo:
            if (!ptr) return 0;
            return canDo(static_cast<const char*>(ptr)) ? 1 : -1;
        case vst2::audioMasterGetVendorString:
            copyText(ptr, "Kestrane", vst2::kVstMaxVendorStrLen + 1);
            return 1;
        case vst2::audioMasterGetProductString:
            copyText(ptr, "sorvella-render", vst2::kVstMaxProductStrLen + 1);
            return 1;
        default:
            return 0;
    }
}

vst2::intptr PluginHost::dispatch(std::int32_t opcode, std::int32_t index, vst2::intptr value,
                                  void* ptr, float opt) {
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

bool PluginHost::load(const std::string& path, double sampleRate, int blockSize,
                      std::string& error) {
    close();
    sampleRate_ = sampleRate;
    blockSize_ = blockSize;
    processSeconds_ = 0.0;

    // A bare file name means the file here, not a search of the library path.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    library_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library_) {
        const char* reason = dlerror();
        error = "cannot load plugin " + path + ": " + (reason ? reason : "unknown error");
        return false;
    }
    auto entry = reinterpret_cast<EntryProc>(dlsym(library_, "VSTPluginMain"));
    if (!entry) entry = reinterpret_cast<EntryProc>(dlsym(library_, "main"));
    if (!entry) {
        error = path + " is not a VST 2 plugin (it exports neither VSTPluginMain nor main)";
        unload();
        return false;
    }

    tLoadingHost = this;
    effect_ = entry(&PluginHost::callback);
    tLoadingHost = nullptr;
    if (!effect_) {
        error = "plugin " + path + " failed to start (its entry point returned no instance)";
        unload();
        return false;
    }
    if (effect_->magic != vst2::kEffectMagic || !effect_->dispatcher) {
        error = path + " is not a VST 2 plugin (its instance has the wrong magic number)";
        effect_ = nullptr;  // an instance we cannot trust is not closed either
        unload();
        return false;
    }
    if (effect_->numOutputs < 1 || effect_->numOutputs > kMaxPins || effect_->numInputs < 0 ||
        effect_->numInputs > kMaxPins || (!effect_->processReplacing && !effect_->process)) {
        error = "plugin " + path + " has no usable audio outputs";
        dispatch(vst2::effClose, 0, 0, nullptr, 0.0f);
        effect_ = nullptr;
        unload();
        return false;
    }
    effect_->resvd1 = reinterpret_cast<vst2::intptr>(this);

    inputBuffers_.assign(static_cast<std::size_t>(effect_->numInputs),
                         std::vector<float>(static_cast<std::size_t>(blockSize_), 0.0f));
    outputBuffers_.assign(static_cast<std::size_t>(effect_->numOutputs),
                          std::vector<float>(static_cast<std::size_t>(blockSize_), 0.0f));
    inputPointers_.clear();
    outputPointers_.clear();
    for (auto& b : inputBuffers_)
        inputPointers_.push_back(b.data());
    for (auto& b : outputBuffers_)
        outputPointers_.push_back(b.data());

    tLoadingHost = this;
    dispatch(vst2::effOpen, 0, 0, nullptr, 0.0f);
    dispatch(vst2::effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate_));
    dispatch(vst2::effSetBlockSize, 0, blockSize_, nullptr, 0.0f);
    tLoadingHost = nullptr;
    return true;
}

int PluginHost::numPrograms() const {
    return effect_ ? std::max(effect_->numPrograms, 0) : 0;
}
int PluginHost::numParams() const {
    return effect_ ? std::max(effect_->numParams, 0) : 0;
}
int PluginHost::numOutputs() const {
    return effect_ ? effect_->numOutputs : 0;
}

std::string PluginHost::effectName() const {
    if (!effect_) return {};
    // Generous buffers: plugins are known to write past the documented limits.
    char name[256] = {};
    effect_->dispatcher(effect_, vst2::effGetEffectName, 0, 0, name, 0.0f);
    name[sizeof name - 1] = '\0';
    if (name[0] == '\0') {
        effect_->dispatcher(effect_, vst2::effGetProductString, 0, 0, name, 0.0f);
        name[sizeof name - 1] = '\0';
    }
    return name;
}

std::string PluginHost::vendorString() const {
    if (!effect_) return {};
    char text[256] = {};
    effect_->dispatcher(effect_, vst2::effGetVendorString, 0, 0, text, 0.0f);
    text[sizeof text - 1] = '\0';
    return text;
}

bool PluginHost::hasProgramChunks() const {
    return effect_ && (effect_->flags & vst2::effFlagsProgramChunks) != 0;
}

bool PluginHost::isInstrument() const {
    return effect_ && (effect_->flags & vst2::effFlagsIsSynth) != 0;
}

bool PluginHost::setProgram(int program, std::string& error) {
    if (program < 0 || program >= numPrograms()) {
        error = "program " + std::to_string(program) + " does not exist (the plugin has " +
                std::to_string(numPrograms()) + " programs)";
        return false;
    }
    dispatch(vst2::effSetProgram, 0, program, nullptr, 0.0f);
    return true;
}

bool PluginHost::setParameter(int index, float value, std::string& error) {
    if (index < 0 || index >= numParams() || !effect_->setParameter) {
        error = "parameter " + std::to_string(index) + " does not exist (the plugin has " +
                std::to_string(numParams()) + " parameters)";
        return false;
    }
    effect_->setParameter(effect_, index, value);
    return true;
}

int PluginHost::currentProgram() {
    return effect_ ? static_cast<int>(dispatch(vst2::effGetProgram, 0, 0, nullptr, 0.0f)) : 0;
}

float PluginHost::getParameter(int index) {
    if (!effect_ || !effect_->getParameter || index < 0 || index >= numParams()) return 0.0f;
    return effect_->getParameter(effect_, index);
}

void PluginHost::setProgramName(const std::string& name) {
    if (!effect_) return;
    char text[vst2::kVstMaxProgNameLen + 1] = {};
    name.copy(text, vst2::kVstMaxProgNameLen);
    dispatch(vst2::effSetProgramName, 0, 0, text, 0.0f);
}

std::string PluginHost::programName() {
    if (!effect_) return {};
    char text[256] = {};
    dispatch(vst2::effGetProgramName, 0, 0, text, 0.0f);
    text[vst2::kVstMaxProgNameLen] = '\0';
    return text;
}

std::string PluginHost::programNameAt(int program) {
    if (!effect_ || program < 0 || program >= numPrograms()) return {};
    char text[256] = {};
    if (dispatch(vst2::effGetProgramNameIndexed, program, -1, text, 0.0f) == 0) return {};
    text[sizeof text - 1] = '\0';
    return text;
}

std::string PluginHost::parameterText(std::int32_t opcode, int index) {
    if (!effect_ || index < 0 || index >= numParams()) return {};
    // Generous: plugins are known to write past the documented 8 characters.
    char text[256] = {};
    dispatch(opcode, index, 0, text, 0.0f);
    text[sizeof text - 1] = '\0';
    return text;
}

std::string PluginHost::parameterName(int index) {
    return parameterText(vst2::effGetParamName, index);
}
std::string PluginHost::parameterDisplay(int index) {
    return parameterText(vst2::effGetParamDisplay, index);
}
std::string PluginHost::parameterLabel(int index) {
    return parameterText(vst2::effGetParamLabel, index);
}

bool PluginHost::setChunk(bool preset, const std::vector<std::uint8_t>& chunk) {
    if (!effect_) return false;
    // The plugin reads the data but the interface passes it as a mutable pointer.
    std::vector<std::uint8_t> copy(chunk);
    return dispatch(vst2::effSetChunk, preset ? 1 : 0, static_cast<vst2::intptr>(copy.size()),
                    copy.data(), 0.0f) != 0;
}

bool PluginHost::getChunk(bool preset, std::vector<std::uint8_t>& chunk, std::string& error) {
    chunk.clear();
    if (!effect_) {
        error = "no plugin loaded";
        return false;
    }
    void* data = nullptr;
    const vst2::intptr size = dispatch(vst2::effGetChunk, preset ? 1 : 0, 0, &data, 0.0f);
    if (size <= 0 || !data) {
        error = "the plugin gave no chunk";
        return false;
    }
    if (static_cast<std::uint64_t>(size) > kMaxChunkBytes) {
        error = "the plugin claims a chunk of " + std::to_string(size) + " bytes";
        return false;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    chunk.assign(bytes, bytes + size);
    return true;
}

vst2::intptr PluginHost::vendorSpecific(std::int32_t index, vst2::intptr value, void* ptr) {
    return effect_ ? dispatch(vst2::effVendorSpecific, index, value, ptr, 0.0f) : 0;
}

void PluginHost::resume() {
    if (!effect_ || resumed_) return;
    dispatch(vst2::effMainsChanged, 0, 1, nullptr, 0.0f);
    resumed_ = true;
}

void PluginHost::suspend() {
    if (!effect_ || !resumed_) return;
    dispatch(vst2::effMainsChanged, 0, 0, nullptr, 0.0f);
    resumed_ = false;
}

void PluginHost::process(const std::vector<BlockEvent>& events, int frames) {
    if (!effect_) return;
    frames = std::clamp(frames, 0, blockSize_);

    const std::size_t count = events.size();
    midiEvents_.assign(count, vst2::VstMidiEvent{});
    const std::size_t listBytes = offsetof(vst2::VstEvents, events) +
                                  sizeof(vst2::VstEvent*) * std::max<std::size_t>(count, 2);
    eventList_.assign((listBytes + 7) / 8, 0);
    auto* base = reinterpret_cast<unsigned char*>(eventList_.data());
    auto* list = reinterpret_cast<vst2::VstEvents*>(base);
    auto** pointers = reinterpret_cast<vst2::VstEvent**>(base + offsetof(vst2::VstEvents, events));
    list->numEvents = static_cast<std::int32_t>(count);
    list->reserved = 0;
    for (std::size_t i = 0; i < count; ++i) {
        vst2::VstMidiEvent& e = midiEvents_[i];
        e.type = vst2::kVstMidiType;
        e.byteSize = sizeof(vst2::VstMidiEvent);
        e.deltaFrames = std::clamp(events[i].deltaFrames, 0, std::max(frames - 1, 0));
        for (std::size_t b = 0; b < 3; ++b)
            e.midiData[b] = static_cast<char>(events[i].bytes[b]);
        pointers[i] = reinterpret_cast<vst2::VstEvent*>(&e);
    }
    dispatch(vst2::effProcessEvents, 0, 0, list, 0.0f);

    for (auto& b : outputBuffers_)
        std::fill(b.begin(), b.end(), 0.0f);
    const double start = monotonicSeconds();
    if (effect_->processReplacing) {
        effect_->processReplacing(effect_, inputPointers_.data(), outputPointers_.data(), frames);
    } else {
        effect_->process(effect_, inputPointers_.data(), outputPointers_.data(), frames);
    }
    processSeconds_ += monotonicSeconds() - start;
}

void PluginHost::close() {
    if (effect_) {
        suspend();
        dispatch(vst2::effClose, 0, 0, nullptr, 0.0f);
        effect_ = nullptr;
    }
    resumed_ = false;
    unload();
}

void PluginHost::unload() {
    if (library_) {
        dlclose(library_);
        library_ = nullptr;
    }
}

}  // namespace sorvella
