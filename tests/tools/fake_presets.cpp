// The fake instrument's programs as a host sees them: names, chunks that come back as they were
// given, and a tuning request that accepts any file with a "[Tuning]" line. Refusals print an
// error line on stderr first, as a real instrument's error box does.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/tools/fake_instrument.h"

namespace fake {
namespace {

constexpr const char* kDefaultVendor = "Kestrane";

void refuse(const char* why) {
    std::fprintf(stderr, "Fake Instrument Error: %s\n", why);
}

const char* kindName(std::int32_t index) {
    return index == 0 ? "bank" : "preset";
}

vst2::intptr setChunk(FakeInstrument* f, std::int32_t index, vst2::intptr size, void* ptr) {
    say(f, "setChunk %s %ld", kindName(index), static_cast<long>(size));
    const auto* data = static_cast<const std::uint8_t*>(ptr);
    if (!data || size <= 0) return 0;
    if (size >= 3 && std::memcmp(data, "BAD", 3) == 0) {
        refuse("Invalid file format");
        return 0;
    }
    f->chunk[index == 0 ? 0 : 1].assign(data, data + size);
    return 1;
}

vst2::intptr getChunk(FakeInstrument* f, std::int32_t index, void* ptr) {
    say(f, "getChunk %s", kindName(index));
    if (!ptr) return 0;
    std::vector<std::uint8_t>& chunk = f->chunk[index == 0 ? 0 : 1];
    if (chunk.empty()) {
        const std::string text = std::string("fake ") + kindName(index) + " chunk";
        chunk.assign(text.begin(), text.end());
    }
    *static_cast<void**>(ptr) = chunk.data();
    return static_cast<vst2::intptr>(chunk.size());
}

// The request's value: 0 remembers the file, 1 loads it for this session, 2 forgets.
vst2::intptr tuningRequest(FakeInstrument* f, vst2::intptr how, const char* path) {
    const char* const kHow[] = {"remember", "session", "forget"};
    if (how < 0 || how > 2) return 0;
    if (how == 2) {
        say(f, "tuning forget");
        return 1;
    }
    if (!path) return 0;
    say(f, "tuning %s %s", kHow[how], path);
    std::FILE* in = std::fopen(path, "rb");
    if (!in) {
        refuse("Error opening file");
        return 0;
    }
    bool valid = false;
    char line[512];
    while (!valid && std::fgets(line, sizeof line, in))
        valid = std::strncmp(line, "[Tuning]", 8) == 0;
    std::fclose(in);
    if (!valid) refuse("Invalid file format");
    return valid ? 1 : 0;
}

}  // namespace

void setUpPrograms(FakeInstrument* f) {
    for (int p = 0; p < kPrograms; ++p) {
        std::snprintf(f->names[p], kNameBytes, "Program %d", p);
        for (float& v : f->params[p])
            v = 0.5f;
    }
    f->chunks = std::getenv("FAKE_INSTRUMENT_NO_CHUNKS") == nullptr;
    if (f->chunks) f->effect.flags |= vst2::effFlagsProgramChunks;
}

bool presetRequest(FakeInstrument* f, std::int32_t opcode, std::int32_t index, vst2::intptr value,
                   void* ptr, vst2::intptr& answer) {
    answer = 0;
    switch (opcode) {
        case vst2::effSetProgramName:
            if (!ptr) return true;
            std::snprintf(f->names[f->program], kNameBytes, "%s", static_cast<const char*>(ptr));
            say(f, "programName %s", f->names[f->program]);
            return true;
        case vst2::effGetProgramName:
            if (ptr) std::memcpy(ptr, f->names[f->program], kNameBytes);
            return true;
        case vst2::effGetVendorString: {
            const char* vendor = std::getenv("FAKE_INSTRUMENT_VENDOR");
            std::snprintf(static_cast<char*>(ptr), vst2::kVstMaxVendorStrLen + 1, "%s",
                          vendor ? vendor : kDefaultVendor);
            answer = 1;
            return true;
        }
        case vst2::effSetChunk:
            // Without chunk support the request is as unknown as any other.
            if (f->chunks) answer = setChunk(f, index, value, ptr);
            return true;
        case vst2::effGetChunk:
            if (f->chunks) answer = getChunk(f, index, ptr);
            return true;
        case vst2::effVendorSpecific:
            if (index == vst2::fourCC('S', 'T', 'u', 'n')) {
                answer = tuningRequest(f, value, static_cast<const char*>(ptr));
            }
            return true;
        default:
            return false;
    }
}

}  // namespace fake
