// FX patch (.fxp) and FX bank (.fxb) files of the instrument, written by the VST 2 FX file codec:
// a fixed header around a preset or bank chunk. On loading only the chunk is checked; the header
// is skipped unread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/vst2/fx_file.h"

namespace sorvella {

class MyVsti;

// Where the chunk begins in the files the instrument writes.
inline constexpr std::int32_t kPatchHeaderBytes = static_cast<std::int32_t>(kFxPatchChunkOffset);
inline constexpr std::int32_t kBankHeaderBytes = static_cast<std::int32_t>(kFxBankChunkOffset);
inline constexpr std::int32_t kPatchFileBytes = 1053;
inline constexpr std::int32_t kBankFileBytes = 7516;
// Far beyond any file the instrument writes; larger files are refused without being read.
inline constexpr std::size_t kMaxFxFileBytes = 1 << 20;

// Reads a whole file (read only). Failures are reported: "Error opening file" when it cannot be
// opened, "Error reading file" when it is empty or cannot be read whole, "Invalid file format"
// when it is larger than any patch or bank.
std::optional<std::vector<std::uint8_t>> readFxFile(const char* path);

// The contents of a file, already read. A bank selects its stored program and then program 0,
// even when its chunk was refused.
bool loadPatchBytes(MyVsti& instrument, const std::uint8_t* data, std::size_t size);
bool loadBankBytes(MyVsti& instrument, const std::uint8_t* data, std::size_t size);

// The file as it is written: the header followed by the current chunk (which stores the working
// program into its slot first). Empty when no chunk could be made.
std::vector<std::uint8_t> patchFileBytes(MyVsti& instrument);
std::vector<std::uint8_t> bankFileBytes(MyVsti& instrument);

// True when the file loaded or was written whole. A save replaces the file only once the new
// one is complete, so a failed save leaves any previous file as it was.
bool loadPatchFile(MyVsti& instrument, const char* path);
bool loadBankFile(MyVsti& instrument, const char* path);
bool savePatchFile(MyVsti& instrument, const char* path);
bool saveBankFile(MyVsti& instrument, const char* path);

}  // namespace sorvella
