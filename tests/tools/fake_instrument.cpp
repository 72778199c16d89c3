// A stand-in VST 2 instrument for testing the renderer's host side. It writes every call it gets
// to the file named by FAKE_INSTRUMENT_LOG, one line each, and plays a signal that shows what it
// received: left = 0.125 per key held, right = parameter 0 of the current program. Each program
// keeps its own name and parameters; chunks and tuning files: fake_presets.cpp.
//
// FAKE_INSTRUMENT_FAIL=entry makes the entry point refuse; =magic returns a record with a wrong
// magic number. FAKE_INSTRUMENT_NO_CHUNKS makes it a plugin without chunks,
// FAKE_INSTRUMENT_VENDOR=NAME changes its vendor string (default "Kestrane"),
// FAKE_INSTRUMENT_EFFECT drops the synth flag and FAKE_INSTRUMENT_SLOW takes a millisecond for
// every process call. Built with
// FAKE_ENTRY_MAIN_ONLY it exports only the legacy entry name `main`.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/vst2/aeffect.h"
#include "tests/tools/fake_instrument.h"

namespace fake {

void say(FakeInstrument* f, const char* format, ...) {
    if (!f->log) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(f->log, format, args);
    va_end(args);
    std::fputc('\n', f->log);
    std::fflush(f->log);
}

}  // namespace fake

namespace {

using fake::FakeInstrument;
using fake::kMaxEvents;
using fake::kParams;
using fake::kPrograms;
using fake::say;
using fake::self;

void applyMidi(FakeInstrument* f, const char* data) {
    const int status = static_cast<unsigned char>(data[0]);
    const int channel = status & 0x0F;
    const int key = data[1] & 0x7F;
    const int velocity = data[2] & 0x7F;
    const int kind = status & 0xF0;
    if (kind != 0x80 && kind != 0x90) return;
    const bool on = kind == 0x90 && velocity > 0;
    if (on != f->held[channel][key]) {
        f->held[channel][key] = on;
        f->heldCount += on ? 1 : -1;
    }
}

vst2::intptr dispatcher(vst2::AEffect* e, std::int32_t opcode, std::int32_t index,
                        vst2::intptr value, void* ptr, float opt) {
    FakeInstrument* f = self(e);
    switch (opcode) {
        case vst2::effOpen:
            say(f, "open");
            return 0;
        case vst2::effClose:
            say(f, "close");
            if (f->log) std::fclose(f->log);
            delete f;
            return 1;
        case vst2::effSetProgram:
            if (value >= 0 && value < kPrograms) f->program = static_cast<int>(value);
            say(f, "program %ld", static_cast<long>(value));
            return 0;
        case vst2::effGetProgram:
            return f->program;
        case vst2::effSetSampleRate:
            say(f, "sampleRate %g", static_cast<double>(opt));
            return 0;
        case vst2::effSetBlockSize:
            say(f, "blockSize %ld", static_cast<long>(value));
            return 0;
        case vst2::effMainsChanged:
            say(f, "mains %ld", static_cast<long>(value));
            return 0;
        case vst2::effGetEffectName:
            std::strcpy(static_cast<char*>(ptr), "Fake Instrument");
            return 1;
        case vst2::effProcessEvents: {
            const auto* list = static_cast<const vst2::VstEvents*>(ptr);
            say(f, "events %d", list->numEvents);
            const auto* base = reinterpret_cast<const unsigned char*>(list);
            auto* const* pointers =
                reinterpret_cast<vst2::VstEvent* const*>(base + offsetof(vst2::VstEvents, events));
            f->eventCount = 0;
            for (int i = 0; i < list->numEvents && f->eventCount < kMaxEvents; ++i) {
                if (pointers[i]->type != vst2::kVstMidiType) continue;
                const auto* m = reinterpret_cast<const vst2::VstMidiEvent*>(pointers[i]);
                f->events[f->eventCount++] = *m;
                say(f, "event %lld %d %02x %02x %02x",
                    static_cast<long long>(f->framesDone + m->deltaFrames), m->deltaFrames,
                    static_cast<unsigned char>(m->midiData[0]),
                    static_cast<unsigned char>(m->midiData[1]),
                    static_cast<unsigned char>(m->midiData[2]));
            }
            return 1;
        }
        default: {
            vst2::intptr answer = 0;
            fake::presetRequest(f, opcode, index, value, ptr, answer);
            return answer;
        }
    }
}

void processReplacing(vst2::AEffect* e, float**, float** outputs, std::int32_t frames) {
    FakeInstrument* f = self(e);
    say(f, "process %d", frames);
    if (f->slow) ::usleep(1000);
    int next = 0;
    for (int i = 0; i < frames; ++i) {
        while (next < f->eventCount && f->events[next].deltaFrames <= i) {
            applyMidi(f, f->events[next++].midiData);
        }
        outputs[0][i] = 0.125f * static_cast<float>(f->heldCount);
        outputs[1][i] = f->params[f->program][0];
    }
    while (next < f->eventCount)
        applyMidi(f, f->events[next++].midiData);
    f->eventCount = 0;
    f->framesDone += frames;
}

void setParameter(vst2::AEffect* e, std::int32_t index, float value) {
    FakeInstrument* f = self(e);
    say(f, "param %d %g", index, static_cast<double>(value));
    if (index >= 0 && index < kParams) f->params[f->program][index] = value;
}

float getParameter(vst2::AEffect* e, std::int32_t index) {
    FakeInstrument* f = self(e);
    return index >= 0 && index < kParams ? f->params[f->program][index] : 0.0f;
}

vst2::AEffect* create(vst2::HostCallback host, const char* entryName) {
    const char* failure = std::getenv("FAKE_INSTRUMENT_FAIL");
    if (failure && std::strcmp(failure, "entry") == 0) return nullptr;
    if (failure && std::strcmp(failure, "magic") == 0) {
        // A host must not touch a record with the wrong magic, so this one is never freed.
        static vst2::AEffect wrong{};
        wrong.magic = 0x12345678;
        return &wrong;
    }

    auto* f = new FakeInstrument;
    f->host = host;
    if (const char* path = std::getenv("FAKE_INSTRUMENT_LOG")) f->log = std::fopen(path, "a");
    vst2::AEffect& e = f->effect;
    e.magic = vst2::kEffectMagic;
    e.dispatcher = dispatcher;
    e.processReplacing = processReplacing;
    e.setParameter = setParameter;
    e.getParameter = getParameter;
    e.numPrograms = kPrograms;
    e.numParams = kParams;
    e.numInputs = 0;
    e.numOutputs = 2;
    e.flags = vst2::effFlagsCanReplacing;
    if (!std::getenv("FAKE_INSTRUMENT_EFFECT")) e.flags |= vst2::effFlagsIsSynth;
    f->slow = std::getenv("FAKE_INSTRUMENT_SLOW") != nullptr;
    e.ioRatio = 1.0f;
    e.object = f;
    e.uniqueID = vst2::fourCC('F', 'a', 'k', 'e');
    e.version = 1;
    fake::setUpPrograms(f);

    char vendor[vst2::kVstMaxVendorStrLen + 1] = {};
    char product[vst2::kVstMaxProductStrLen + 1] = {};
    const auto version = host(nullptr, vst2::audioMasterVersion, 0, 0, nullptr, 0.0f);
    const auto rate = host(&e, vst2::audioMasterGetSampleRate, 0, 0, nullptr, 0.0f);
    const auto block = host(&e, vst2::audioMasterGetBlockSize, 0, 0, nullptr, 0.0f);
    const auto level = host(&e, vst2::audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f);
    const auto canSend =
        host(&e, vst2::audioMasterCanDo, 0, 0, const_cast<char*>("sendVstMidiEvent"), 0.0f);
    const auto canSize =
        host(&e, vst2::audioMasterCanDo, 0, 0, const_cast<char*>("sizeWindow"), 0.0f);
    const auto other = host(&e, vst2::audioMasterGetTime, 0, 0, nullptr, 0.0f);
    host(&e, vst2::audioMasterGetVendorString, 0, 0, vendor, 0.0f);
    host(&e, vst2::audioMasterGetProductString, 0, 0, product, 0.0f);
    say(f,
        "entry %s version=%ld rate=%ld block=%ld level=%ld canSend=%ld canSize=%ld other=%ld "
        "vendor=%s product=%s",
        entryName, static_cast<long>(version), static_cast<long>(rate), static_cast<long>(block),
        static_cast<long>(level), static_cast<long>(canSend), static_cast<long>(canSize),
        static_cast<long>(other), vendor, product);
    return &e;
}

}  // namespace

#ifndef FAKE_ENTRY_MAIN_ONLY
extern "C" __attribute__((visibility("default"))) vst2::AEffect* VSTPluginMain(
    vst2::HostCallback host) {
    return create(host, "VSTPluginMain");
}
#endif

extern "C" __attribute__((visibility("default"))) vst2::AEffect* fakeLegacyMain(
    vst2::HostCallback host) __asm__("main");
extern "C" vst2::AEffect* fakeLegacyMain(vst2::HostCallback host) {
    return create(host, "main");
}
