#include "platform/audio/OggDecoder.h"

#include <vorbis/vorbisfile.h>

#include <cstdio>
#include <sys/stat.h>

namespace audio {

namespace {

const char* openErrorText(int code) {
    switch (code) {
    case OV_EREAD: return "read error";
    case OV_ENOTVORBIS: return "not an Ogg Vorbis file";
    case OV_EVERSION: return "unsupported Vorbis version";
    case OV_EBADHEADER: return "damaged Vorbis header";
    default: return "cannot be decoded";
    }
}

// Caps a single sound at one hour of stereo 48 kHz so a lying header cannot exhaust memory.
constexpr size_t kMaxSamples = size_t(48000) * 2 * 3600;

} // namespace

double DecodedAudio::lengthSeconds() const {
    if (channels <= 0 || sampleRate <= 0)
        return 0.0;
    return double(samples.size() / size_t(channels)) / double(sampleRate);
}

bool decodeOggFile(const std::string& path, DecodedAudio& out, std::string& error) {
    out = DecodedAudio{};
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        error = "file not found";
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = "not a regular file";
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot be opened";
        return false;
    }
    OggVorbis_File vf;
    // On success vorbisfile owns the FILE and closes it in ov_clear; on failure it is ours.
    int rc = ov_open_callbacks(file, &vf, nullptr, 0, OV_CALLBACKS_DEFAULT);
    if (rc != 0) {
        std::fclose(file);
        error = openErrorText(rc);
        return false;
    }

    bool ok = true;
    vorbis_info* info = ov_info(&vf, -1);
    if (!info || info->channels < 1 || info->channels > 2 || info->rate <= 0) {
        error = "unsupported channel layout or sample rate";
        ok = false;
    }
    DecodedAudio result;
    if (ok) {
        result.channels = info->channels;
        result.sampleRate = int(info->rate);
        ogg_int64_t total = ov_pcm_total(&vf, -1);
        if (total > 0 && size_t(total) * size_t(result.channels) <= kMaxSamples)
            result.samples.reserve(size_t(total) * size_t(result.channels));
    }

    char buffer[16384];
    int currentSection = -1;
    while (ok) {
        int section = 0;
        long got = ov_read(&vf, buffer, sizeof buffer, 0 /* little endian */, 2, 1, &section);
        if (got == 0)
            break;
        if (got == OV_HOLE)
            continue; // a gap in the page sequence: skip it and go on
        if (got < 0) {
            error = "damaged audio data";
            ok = false;
            break;
        }
        if (section != currentSection) {
            vorbis_info* sectionInfo = ov_info(&vf, section);
            if (!sectionInfo || sectionInfo->channels != result.channels ||
                sectionInfo->rate != result.sampleRate) {
                error = "chained streams with different formats";
                ok = false;
                break;
            }
            currentSection = section;
        }
        const auto* pcm = reinterpret_cast<const int16_t*>(buffer);
        size_t count = size_t(got) / sizeof(int16_t);
        if (result.samples.size() + count > kMaxSamples) {
            error = "too long";
            ok = false;
            break;
        }
        result.samples.insert(result.samples.end(), pcm, pcm + count);
    }
    ov_clear(&vf);
    if (!ok)
        return false;
    if (result.samples.empty()) {
        error = "contains no audio";
        return false;
    }
    out = std::move(result);
    return true;
}

} // namespace audio
