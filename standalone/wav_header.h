// The 44-byte header of the standalone program's recordings: RIFF/WAVE, 16-bit stereo PCM.
#pragma once

#include <array>
#include <cstdint>

namespace sorvella {

inline constexpr std::uint32_t kWavHeaderBytes = 44;
inline constexpr std::uint32_t kWavFrameBytes = 4;  // two 16-bit samples
// The most frames whose RIFF size (data bytes + 36) still fits the header's 32-bit field.
inline constexpr std::uint32_t kMaxWavFrames = (0xFFFFFFFFu - 36u) / kWavFrameBytes;

using WavHeader = std::array<std::uint8_t, kWavHeaderBytes>;

// While recording the header holds RIFF size 44 and data size 0, so that a file left by a program
// that was killed still opens; a finished file holds its real sizes.
WavHeader recordingWavHeader(std::uint32_t sampleRate);
WavHeader finishedWavHeader(std::uint32_t sampleRate, std::uint32_t frames);

}  // namespace sorvella
