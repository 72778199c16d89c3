#include "platform/vst2/fx_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/vst2/aeffect.h"

namespace sorvella {
namespace {

using vst2::kCcnK;
using vst2::kFBCh;
using vst2::kFPCh;
using vst2::kFxBk;
using vst2::kFxCk;
using vst2::kFxFormatVersion;
constexpr std::size_t kBankFutureBytes = 128;

std::uint32_t wordAt(const std::vector<std::uint8_t>& b, std::size_t at) {
    return (static_cast<std::uint32_t>(b[at]) << 24) |
           (static_cast<std::uint32_t>(b[at + 1]) << 16) |
           (static_cast<std::uint32_t>(b[at + 2]) << 8) | static_cast<std::uint32_t>(b[at + 3]);
}

std::int32_t intAt(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::int32_t>(wordAt(b, at));
}

float floatAt(const std::vector<std::uint8_t>& b, std::size_t at) {
    const std::uint32_t bits = wordAt(b, at);
    float v = 0.0f;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void putWord(std::vector<std::uint8_t>& out, std::uint32_t w) {
    out.push_back(static_cast<std::uint8_t>(w >> 24));
    out.push_back(static_cast<std::uint8_t>(w >> 16));
    out.push_back(static_cast<std::uint8_t>(w >> 8));
    out.push_back(static_cast<std::uint8_t>(w));
}

void putInt(std::vector<std::uint8_t>& out, std::int32_t v) {
    putWord(out, static_cast<std::uint32_t>(v));
}

void putFloat(std::vector<std::uint8_t>& out, float v) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    putWord(out, bits);
}

void putName(std::vector<std::uint8_t>& out, const std::string& name) {
    const std::size_t n = std::min(name.size(), kFxNameBytes - 1);
    out.insert(out.end(), name.begin(), name.begin() + static_cast<std::ptrdiff_t>(n));
    out.insert(out.end(), kFxNameBytes - n, 0);
}

std::string nameAt(const std::vector<std::uint8_t>& b, std::size_t at) {
    const char* p = reinterpret_cast<const char*>(b.data() + at);
    return std::string(p, strnlen(p, kFxNameBytes - 1));
}

// The header words common to every file and record.
void putHead(std::vector<std::uint8_t>& out, std::uint32_t byteSize, std::int32_t fxMagic,
             std::int32_t fxId, std::int32_t fxVersion, std::int32_t count) {
    putInt(out, kCcnK);
    putWord(out, byteSize);
    putInt(out, fxMagic);
    putInt(out, kFxFormatVersion);
    putInt(out, fxId);
    putInt(out, fxVersion);
    putInt(out, count);
}

std::string magicText(const std::vector<std::uint8_t>& b, std::size_t at) {
    std::string text = "'";
    for (std::size_t i = at; i < at + 4; ++i) {
        if (b[i] >= 0x20 && b[i] < 0x7F) {
            text += static_cast<char>(b[i]);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", b[i]);
            text += hex;
        }
    }
    return text + "'";
}

// The head of a file: "CcnK", then one of the two fx magics this kind of file may carry.
bool checkHead(const std::vector<std::uint8_t>& bytes, const char* what, std::int32_t chunkMagic,
               std::int32_t listMagic, std::int32_t otherChunk, std::int32_t otherList,
               const char* otherWhat, std::string& error) {
    if (bytes.size() < 12) {
        error = "too short for an FX " + std::string(what) + " file (" +
                std::to_string(bytes.size()) + " bytes)";
        return false;
    }
    if (intAt(bytes, 0) != kCcnK) {
        error = std::string("not an FX ") + what + " file (it begins with " + magicText(bytes, 0) +
                ", not 'CcnK')";
        return false;
    }
    const std::int32_t fxMagic = intAt(bytes, 8);
    if (fxMagic == otherChunk || fxMagic == otherList) {
        error = std::string("is an FX ") + otherWhat + " file, not a " + what + " file";
        return false;
    }
    if (fxMagic != chunkMagic && fxMagic != listMagic) {
        error =
            std::string("not an FX ") + what + " file (its type is " + magicText(bytes, 8) + ")";
        return false;
    }
    return true;
}

bool readChunk(const std::vector<std::uint8_t>& bytes, std::size_t sizeAt, const char* what,
               FxFile& file, std::string& error) {
    const std::size_t start = sizeAt + 4;
    if (bytes.size() < start) {
        error = "too short for an FX " + std::string(what) + " file (" +
                std::to_string(bytes.size()) + " bytes)";
        return false;
    }
    const std::uint32_t size = wordAt(bytes, sizeAt);
    const std::size_t room = bytes.size() - start;
    if (size > room) {
        error = "the chunk size (" + std::to_string(size) + " bytes) does not fit the file (" +
                std::to_string(room) + " bytes follow the header)";
        return false;
    }
    if (size == 0) {
        error = "the chunk is empty";
        return false;
    }
    file.chunk.assign(bytes.begin() + static_cast<std::ptrdiff_t>(start),
                      bytes.begin() + static_cast<std::ptrdiff_t>(start + size));
    return true;
}

// One parameter-list record ("CcnK" ... "FxCk", name, values) at offset at; at moves past it.
bool readProgram(const std::vector<std::uint8_t>& bytes, std::size_t& at, const std::string& which,
                 FxProgram& program, std::string& error) {
    if (bytes.size() - at < kFxPatchHeaderBytes) {
        error = which + " ends before its header does";
        return false;
    }
    if (intAt(bytes, at) != kCcnK || intAt(bytes, at + 8) != kFxCk) {
        error = which + " is not an FxCk program record";
        return false;
    }
    const std::int32_t count = intAt(bytes, at + 24);
    const std::size_t room = (bytes.size() - at - kFxPatchHeaderBytes) / 4;
    if (count < 0 || static_cast<std::size_t>(count) > room) {
        error =
            which + " claims " + std::to_string(count) + " parameters, which do not fit the file";
        return false;
    }
    program.name = nameAt(bytes, at + 28);
    program.values.resize(static_cast<std::size_t>(count));
    at += kFxPatchHeaderBytes;
    for (std::size_t i = 0; i < program.values.size(); ++i, at += 4) {
        const float v = floatAt(bytes, at);
        if (!(v >= 0.0f && v <= 1.0f)) {
            error =
                "parameter " + std::to_string(i) + " of " + which + " is not a value from 0 to 1";
            return false;
        }
        program.values[i] = v;
    }
    return true;
}

}  // namespace

bool parseFxBank(const std::vector<std::uint8_t>& bytes, FxFile& file, std::string& error) {
    file = FxFile{};
    if (!checkHead(bytes, "bank", kFBCh, kFxBk, kFPCh, kFxCk, "patch", error)) return false;
    if (bytes.size() < kFxBankHeaderBytes) {
        error = "too short for an FX bank file (" + std::to_string(bytes.size()) + " bytes)";
        return false;
    }
    file.fxId = intAt(bytes, 16);
    file.fxVersion = intAt(bytes, 20);
    file.count = intAt(bytes, 24);
    if (intAt(bytes, 8) == kFBCh) {
        file.kind = FxKind::kBankChunk;
        return readChunk(bytes, kFxBankHeaderBytes, "bank", file, error);
    }

    file.kind = FxKind::kBankPrograms;
    const std::size_t room = (bytes.size() - kFxBankHeaderBytes) / kFxPatchHeaderBytes;
    if (file.count < 0 || static_cast<std::size_t>(file.count) > room) {
        error = "the bank claims " + std::to_string(file.count) +
                " programs, which do not fit the file";
        return false;
    }
    file.programs.resize(static_cast<std::size_t>(file.count));
    std::size_t at = kFxBankHeaderBytes;
    for (std::size_t i = 0; i < file.programs.size(); ++i) {
        if (!readProgram(bytes, at, "program " + std::to_string(i), file.programs[i], error)) {
            return false;
        }
    }
    return true;
}

bool parseFxPatch(const std::vector<std::uint8_t>& bytes, FxFile& file, std::string& error) {
    file = FxFile{};
    if (!checkHead(bytes, "patch", kFPCh, kFxCk, kFBCh, kFxBk, "bank", error)) return false;
    if (bytes.size() < kFxPatchHeaderBytes) {
        error = "too short for an FX patch file (" + std::to_string(bytes.size()) + " bytes)";
        return false;
    }
    file.fxId = intAt(bytes, 16);
    file.fxVersion = intAt(bytes, 20);
    file.count = intAt(bytes, 24);
    file.name = nameAt(bytes, 28);
    if (intAt(bytes, 8) == kFPCh) {
        file.kind = FxKind::kPatchChunk;
        return readChunk(bytes, kFxPatchHeaderBytes, "patch", file, error);
    }
    file.kind = FxKind::kPatchProgram;
    file.programs.resize(1);
    std::size_t at = 0;
    return readProgram(bytes, at, "the program", file.programs[0], error);
}

std::vector<std::uint8_t> fxBankChunkFile(std::int32_t fxId, std::int32_t fxVersion,
                                          std::int32_t numPrograms,
                                          const std::vector<std::uint8_t>& chunk) {
    std::vector<std::uint8_t> out;
    out.reserve(kFxBankHeaderBytes + 4 + chunk.size());
    putHead(out, 0, kFBCh, fxId, fxVersion, numPrograms);
    out.insert(out.end(), kBankFutureBytes, 0);
    putWord(out, static_cast<std::uint32_t>(chunk.size()));
    out.insert(out.end(), chunk.begin(), chunk.end());
    return out;
}

std::vector<std::uint8_t> fxPatchChunkFile(std::int32_t fxId, std::int32_t fxVersion,
                                           std::int32_t numParams, const std::string& name,
                                           const std::vector<std::uint8_t>& chunk) {
    std::vector<std::uint8_t> out;
    out.reserve(kFxPatchHeaderBytes + 4 + chunk.size());
    putHead(out, 0, kFPCh, fxId, fxVersion, numParams);
    putName(out, name);
    putWord(out, static_cast<std::uint32_t>(chunk.size()));
    out.insert(out.end(), chunk.begin(), chunk.end());
    return out;
}

std::vector<std::uint8_t> fxPatchProgramFile(std::int32_t fxId, std::int32_t fxVersion,
                                             const FxProgram& program) {
    std::vector<std::uint8_t> out;
    const std::size_t size = kFxPatchHeaderBytes + 4 * program.values.size();
    out.reserve(size);
    putHead(out, static_cast<std::uint32_t>(size - 8), kFxCk, fxId, fxVersion,
            static_cast<std::int32_t>(program.values.size()));
    putName(out, program.name);
    for (float v : program.values)
        putFloat(out, v);
    return out;
}

std::vector<std::uint8_t> fxBankProgramsFile(std::int32_t fxId, std::int32_t fxVersion,
                                             const std::vector<FxProgram>& programs) {
    std::vector<std::vector<std::uint8_t>> records;
    std::size_t size = kFxBankHeaderBytes;
    for (const FxProgram& p : programs) {
        records.push_back(fxPatchProgramFile(fxId, fxVersion, p));
        size += records.back().size();
    }
    std::vector<std::uint8_t> out;
    out.reserve(size);
    putHead(out, static_cast<std::uint32_t>(size - 8), kFxBk, fxId, fxVersion,
            static_cast<std::int32_t>(programs.size()));
    out.insert(out.end(), kBankFutureBytes, 0);
    for (const auto& r : records)
        out.insert(out.end(), r.begin(), r.end());
    return out;
}

}  // namespace sorvella
