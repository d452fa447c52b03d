// Arbitrary bytes as a sound file: the decoder must report or decode them, never fault.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "platform/audio/OggDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The decoder reads files; each run writes the input to one per-process scratch file.
    static const std::string path = "/tmp/qv-fuzz-ogg-" + std::to_string(getpid()) + ".ogg";
    static const struct Cleanup {
        ~Cleanup() { unlink(path.c_str()); }
    } cleanup;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    audio::DecodedAudio audio;
    std::string error;
    if (audio::decodeOggFile(path, audio, error)) {
        if (audio.channels < 1 || audio.channels > 2 || audio.sampleRate <= 0 || audio.samples.empty())
            __builtin_trap();
    } else if (error.empty() || !audio.samples.empty()) {
        __builtin_trap();
    }
    return 0;
}
