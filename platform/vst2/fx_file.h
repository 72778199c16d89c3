// FX patch (.fxp) and bank (.fxb) files, the way VST 2 hosts exchange a plugin's programs:
// either an opaque chunk of the plugin's own, or plain parameter lists. Integers and floats are
// big-endian words on disk. Bytes in, bytes out: reading and writing files is the caller's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sorvella {

enum class FxKind { kBankChunk, kBankPrograms, kPatchChunk, kPatchProgram };

// One program of a parameter-list file.
struct FxProgram {
    std::string name;  // at most kFxNameBytes - 1 characters
    std::vector<float> values;
};

struct FxFile {
    FxKind kind = FxKind::kPatchChunk;
    std::int32_t fxId = 0;
    std::int32_t fxVersion = 0;
    std::int32_t count = 0;  // numPrograms (banks) or numParams (patches) of the header
    std::string name;        // patches: the program name field
    std::vector<std::uint8_t> chunk;
    std::vector<FxProgram> programs;  // kBankPrograms: every record; kPatchProgram: one
};

constexpr std::size_t kFxNameBytes = 28;
constexpr std::size_t kFxPatchHeaderBytes = 56;  // a program record without its values
constexpr std::size_t kFxBankHeaderBytes = 156;  // before the programs or the chunk size
// Where the chunk of a chunk file begins: after the header and the chunk size.
constexpr std::size_t kFxPatchChunkOffset = kFxPatchHeaderBytes + 4;
constexpr std::size_t kFxBankChunkOffset = kFxBankHeaderBytes + 4;

// Parse a whole file; error says what is wrong with it, without the file's name.
bool parseFxBank(const std::vector<std::uint8_t>& bytes, FxFile& file, std::string& error);
bool parseFxPatch(const std::vector<std::uint8_t>& bytes, FxFile& file, std::string& error);

// The files as written. Chunk files carry 0 in the byte-size field and leave the rest of the
// name or reserved fields zero; parameter-list records carry their true byte size. A name is the
// bytes of its field, NULs included, up to kFxNameBytes - 1 of them.
std::vector<std::uint8_t> fxBankChunkFile(std::int32_t fxId, std::int32_t fxVersion,
                                          std::int32_t numPrograms,
                                          const std::vector<std::uint8_t>& chunk);
std::vector<std::uint8_t> fxPatchChunkFile(std::int32_t fxId, std::int32_t fxVersion,
                                           std::int32_t numParams, const std::string& name,
                                           const std::vector<std::uint8_t>& chunk);
std::vector<std::uint8_t> fxBankProgramsFile(std::int32_t fxId, std::int32_t fxVersion,
                                             const std::vector<FxProgram>& programs);
std::vector<std::uint8_t> fxPatchProgramFile(std::int32_t fxId, std::int32_t fxVersion,
                                             const FxProgram& program);

}  // namespace sorvella
