// Reads back the renderer's audio files through libsndfile for its tests.
#pragma once

#include <sndfile.h>

#include <string>
#include <vector>

namespace sorvella::test {

struct AudioFile {
    bool opened = false;
    int format = 0;  // libsndfile's SF_FORMAT_* bits
    int sampleRate = 0;
    int channels = 0;
    std::vector<int> samples;   // interleaved, full-scale 32-bit integers
    std::vector<float> floats;  // the same samples as floats
    std::size_t frames() const { return channels > 0 ? samples.size() / channels : 0; }
};

inline AudioFile readAudio(const std::string& path) {
    AudioFile audio;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return audio;
    audio.opened = true;
    audio.format = info.format;
    audio.sampleRate = info.samplerate;
    audio.channels = info.channels;
    audio.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    audio.floats.resize(audio.samples.size());
    sf_readf_int(file, audio.samples.data(), info.frames);
    sf_seek(file, 0, SEEK_SET);
    sf_readf_float(file, audio.floats.data(), info.frames);
    sf_close(file);
    return audio;
}

}  // namespace sorvella::test
