#include "tests/plugin/test_host.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <utility>

#include "platform/vst2/midi_message.h"

namespace sorvella::test {
namespace {

// Output samples start as this NaN so that a sample the plugin leaves alone is recognisable;
// the guard zone after the frame count holds another.
constexpr std::uint32_t kUnwrittenBits = 0x7fc0dead;
constexpr std::uint32_t kGuardBits = 0x7fc0beef;
constexpr std::int32_t kGuardFrames = 64;
constexpr std::size_t kTextBuffer = 256;
const vst2::VstMidiEvent kPoison = controlChange(7, 0);

// Instances are told apart by their AEffect; while an entry point runs, calls without a known
// AEffect belong to the host that called it on this thread.
std::mutex gRegistryMutex;
std::vector<std::pair<vst2::AEffect*, TestHost*>> gRegistry;
thread_local TestHost* tOpening = nullptr;

TestHost* hostOf(vst2::AEffect* effect) {
    std::lock_guard<std::mutex> lock(gRegistryMutex);
    for (const auto& [known, host] : gRegistry) {
        if (known == effect && effect != nullptr) return host;
    }
    return tOpening;
}

}  // namespace

const char* pluginPath() {
    return SORVELLA_PLUGIN_PATH;
}

void Stereo::append(const Stereo& other) {
    left.insert(left.end(), other.left.begin(), other.left.end());
    right.insert(right.end(), other.right.begin(), other.right.end());
}

vst2::VstMidiEvent midiEvent(int status, int data1, int data2, std::int32_t delta) {
    return vst2::midiMessage(delta, static_cast<std::uint8_t>(status),
                             static_cast<std::uint8_t>(data1), static_cast<std::uint8_t>(data2));
}

TestHost::TestHost(HostOptions options)
    : options_(std::move(options)), library_(::dlopen(pluginPath(), RTLD_NOW | RTLD_LOCAL)) {
    if (library_ == nullptr) ADD_FAILURE() << "cannot load " << pluginPath() << ": " << ::dlerror();
}

TestHost::~TestHost() {
    if (effect_ != nullptr) close();
    retireEventLists();
    if (library_ != nullptr) ::dlclose(library_);
}

bool TestHost::open() {
    auto entry = reinterpret_cast<vst2::AEffect* (*)(vst2::HostCallback)>(
        library_ != nullptr ? ::dlsym(library_, options_.entryName) : nullptr);
    if (entry == nullptr) {
        ADD_FAILURE() << "no entry point " << options_.entryName;
        return false;
    }
    tOpening = this;
    vst2::AEffect* effect = entry(&TestHost::callback);
    tOpening = nullptr;
    if (effect == nullptr) return false;
    {
        std::lock_guard<std::mutex> lock(gRegistryMutex);
        gRegistry.emplace_back(effect, this);
    }
    effect_ = effect;
    dispatch(vst2::effOpen);
    return true;
}

vst2::intptr TestHost::close() {
    if (effect_ == nullptr) return 0;
    vst2::AEffect* effect = effect_;
    const vst2::intptr answer = effect->dispatcher(effect, vst2::effClose, 0, 0, nullptr, 0.0f);
    effect_ = nullptr;
    std::lock_guard<std::mutex> lock(gRegistryMutex);
    std::erase_if(gRegistry, [effect](const auto& entry) { return entry.first == effect; });
    return answer;
}

void TestHost::start(float sampleRate, std::int32_t blockSize) {
    setSampleRate(sampleRate);
    setBlockSize(blockSize);
    resume();
}

vst2::intptr TestHost::dispatch(std::int32_t opcode, std::int32_t index, vst2::intptr value,
                                void* ptr, float opt) {
    if (effect_ == nullptr) {
        ADD_FAILURE() << "dispatch " << opcode << " without an instance";
        return 0;
    }
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string TestHost::text(std::int32_t opcode, std::int32_t index, vst2::intptr* answer) {
    char buffer[kTextBuffer];
    std::memset(buffer, '#', sizeof buffer);
    buffer[0] = '\0';
    const vst2::intptr result = dispatch(opcode, index, 0, buffer);
    if (answer != nullptr) *answer = result;
    const void* end = std::memchr(buffer, '\0', sizeof buffer);
    if (end == nullptr) {
        ADD_FAILURE() << "opcode " << opcode << " index " << index << ": text not terminated";
        return std::string(buffer, sizeof buffer);
    }
    return std::string(buffer);
}

void TestHost::sendEvents(const std::vector<vst2::VstMidiEvent>& events) {
    std::vector<vst2::VstEvent*> pointers;
    for (vst2::VstMidiEvent& event : midiLists_.emplace_back(events))
        pointers.push_back(reinterpret_cast<vst2::VstEvent*>(&event));
    sendRawEvents(pointers, static_cast<std::int32_t>(pointers.size()));
}

void TestHost::sendRawEvents(const std::vector<vst2::VstEvent*>& events, std::int32_t numEvents) {
    std::vector<unsigned char>& header = eventHeaders_.emplace_back(
        offsetof(vst2::VstEvents, events) +
        sizeof(vst2::VstEvent*) * std::max<std::size_t>(events.size(), 2));
    auto* list = reinterpret_cast<vst2::VstEvents*>(header.data());
    list->numEvents = numEvents;
    std::copy(events.begin(), events.end(), list->events);
    CountAllocations counting;
    dispatch(vst2::effProcessEvents, 0, 0, list);
    processAllocations_ += counting.counted();
}

void TestHost::retireEventLists() {
    // A plugin that kept reading a list after the block it came with would now find "Level"
    // turned to 0 at the start of the block (or, under AddressSanitizer, freed memory).
    for (std::vector<vst2::VstMidiEvent>& list : midiLists_)
        std::fill(list.begin(), list.end(), kPoison);
    midiLists_.clear();
    eventHeaders_.clear();
}

vst2::intptr TestHost::reloadChunk(bool isPreset) {
    void* data = nullptr;
    const vst2::intptr size = dispatch(vst2::effGetChunk, isPreset, 0, &data);
    if (size <= 0 || data == nullptr) return 0;
    std::vector<unsigned char> chunk(static_cast<unsigned char*>(data),
                                     static_cast<unsigned char*>(data) + size);
    return dispatch(vst2::effSetChunk, isPreset, size, chunk.data());
}

Stereo TestHost::process(std::int32_t frames, const Stereo* addTo) {
    const std::size_t used = static_cast<std::size_t>(std::max(frames, 0));
    std::vector<float> channels[2];
    for (int c = 0; c < 2; ++c) {
        channels[c].assign(used, std::bit_cast<float>(kUnwrittenBits));
        if (addTo != nullptr) channels[c] = c == 0 ? addTo->left : addTo->right;
        channels[c].resize(used + kGuardFrames, std::bit_cast<float>(kGuardBits));
    }
    float* outputs[2] = {channels[0].data(), channels[1].data()};
    {
        CountAllocations counting;
        (addTo ? effect_->process : effect_->processReplacing)(effect_, nullptr, outputs, frames);
        processAllocations_ += counting.counted();
    }
    retireEventLists();
    const char* call = addTo ? "process" : "processReplacing";
    std::size_t unwritten = 0;
    std::size_t overrun = 0;
    for (std::vector<float>& channel : channels) {
        for (std::size_t i = 0; !addTo && i < used; ++i)
            unwritten += std::bit_cast<std::uint32_t>(channel[i]) == kUnwrittenBits;
        for (std::size_t i = used; i < channel.size(); ++i)
            overrun += std::bit_cast<std::uint32_t>(channel[i]) != kGuardBits;
        channel.resize(used);
    }
    EXPECT_EQ(unwritten, 0u) << call << " of " << frames << " frames left samples unwritten";
    EXPECT_EQ(overrun, 0u) << call << " of " << frames << " frames wrote past the frame count";
    return {std::move(channels[0]), std::move(channels[1])};
}

Stereo TestHost::play(const Score& score, std::int64_t frames, std::int32_t blockSize) {
    Score events = score;
    std::stable_sort(events.begin(), events.end(),
                     [](const TimedEvent& a, const TimedEvent& b) { return a.frame < b.frame; });
    Stereo out;
    out.left.reserve(static_cast<std::size_t>(frames));
    out.right.reserve(static_cast<std::size_t>(frames));
    std::size_t next = 0;
    for (std::int64_t begin = 0; begin < frames; begin += blockSize) {
        const auto length =
            static_cast<std::int32_t>(std::min<std::int64_t>(blockSize, frames - begin));
        std::vector<vst2::VstMidiEvent> block;
        while (next < events.size() && events[next].frame < begin + length) {
            vst2::VstMidiEvent event = events[next].event;
            event.deltaFrames =
                static_cast<std::int32_t>(std::max<std::int64_t>(events[next].frame - begin, 0));
            block.push_back(event);
            ++next;
        }
        if (!block.empty()) sendEvents(block);
        out.append(process(length));
    }
    return out;
}

std::vector<HostCall> TestHost::calls() const {
    std::lock_guard<std::mutex> lock(callsMutex_);
    return calls_;
}

std::size_t TestHost::callCount(std::int32_t opcode) const {
    std::lock_guard<std::mutex> lock(callsMutex_);
    return static_cast<std::size_t>(
        std::count_if(calls_.begin(), calls_.end(),
                      [opcode](const HostCall& call) { return call.opcode == opcode; }));
}

void TestHost::clearCalls() {
    std::lock_guard<std::mutex> lock(callsMutex_);
    calls_.clear();
}

vst2::intptr TestHost::callback(vst2::AEffect* effect, std::int32_t opcode, std::int32_t,
                                vst2::intptr, void*, float) {
    CountAllocations notThePlugins(false);
    TestHost* host = hostOf(effect);
    if (host == nullptr) {
        ++strays_;
        return opcode == vst2::audioMasterVersion ? 2400 : 0;
    }
    return host->answer(effect, opcode);
}

vst2::intptr TestHost::answer(vst2::AEffect* effect, std::int32_t opcode) {
    {
        std::lock_guard<std::mutex> lock(callsMutex_);
        calls_.push_back({effect, opcode});
    }
    if (options_.onCall) options_.onCall(opcode);
    switch (opcode) {
        case vst2::audioMasterVersion:
            return options_.version;
        case vst2::audioMasterGetSampleRate:
            return static_cast<vst2::intptr>(sampleRate_);
        case vst2::audioMasterGetBlockSize:
            return blockSize_;
        case vst2::audioMasterProcessEvents:
            return 1;
        default:
            return 0;
    }
}

}  // namespace sorvella::test
