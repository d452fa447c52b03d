#pragma once
// Whole-file Ogg Vorbis decoding into 16-bit PCM, done once when a sound is registered.

#include <cstdint>
#include <string>
#include <vector>

namespace audio {

struct DecodedAudio {
    int channels = 0;               // 1 or 2
    int sampleRate = 0;             // Hz
    std::vector<int16_t> samples;   // interleaved, native byte order

    // Seconds of audio at speed 1.
    double lengthSeconds() const;
};

// Decodes the file at path. On failure returns false, leaves out empty and puts a short
// reason ("file not found", "not an Ogg Vorbis file", ...) into error.
bool decodeOggFile(const std::string& path, DecodedAudio& out, std::string& error);

} // namespace audio
