#include "AudioTestSupport.h"

#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <unistd.h>

namespace audiotest {

namespace {

// Never destroyed: the at-exit cleanup below reads it after static destructors have run.
std::vector<std::string>& tempDirs() {
    static auto* dirs = new std::vector<std::string>;
    return *dirs;
}

void removeTempDirs() {
    for (const auto& dir : tempDirs()) {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
}

void writePage(FILE* file, const ogg_page& page) {
    std::fwrite(page.header, 1, size_t(page.header_len), file);
    std::fwrite(page.body, 1, size_t(page.body_len), file);
}

} // namespace

std::vector<float> tone(double frequency, double seconds, int rate, float amplitude) {
    size_t count = size_t(std::lround(seconds * rate));
    size_t fade = std::min(count / 2, size_t(rate / 200));
    std::vector<float> samples(count);
    for (size_t i = 0; i < count; ++i) {
        double envelope = 1.0;
        if (i < fade)
            envelope = double(i) / double(fade);
        else if (count - i <= fade)
            envelope = double(count - 1 - i) / double(fade);
        samples[i] = float(amplitude * envelope * std::sin(2.0 * M_PI * frequency * double(i) / rate));
    }
    return samples;
}

bool writeOgg(const std::string& path, const std::vector<float>& samples, int rate) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 1, rate, 0.6f) != 0) {
        vorbis_info_clear(&info);
        std::fclose(file);
        return false;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 7);

    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&dsp, &comment, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &headerComment);
    ogg_stream_packetin(&stream, &headerCode);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0)
        writePage(file, page);

    auto drain = [&] {
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) != 0) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0)
                    writePage(file, page);
            }
        }
    };
    size_t done = 0;
    while (done < samples.size()) {
        size_t n = std::min<size_t>(1024, samples.size() - done);
        float** buffer = vorbis_analysis_buffer(&dsp, int(n));
        std::memcpy(buffer[0], samples.data() + done, n * sizeof(float));
        vorbis_analysis_wrote(&dsp, int(n));
        done += n;
        drain();
    }
    vorbis_analysis_wrote(&dsp, 0);
    drain();
    while (ogg_stream_flush(&stream, &page) != 0)
        writePage(file, page);

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return std::fclose(file) == 0;
}

bool writeToneOgg(const std::string& path, double frequency, double seconds, int rate,
                  float amplitude) {
    return writeOgg(path, tone(frequency, seconds, rate, amplitude), rate);
}

std::string makeTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qv-audio-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data()))
        std::abort();
    static std::once_flag once;
    std::call_once(once, [] { std::atexit(removeTempDirs); });
    tempDirs().emplace_back(buffer.data());
    return tempDirs().back();
}

void writeTextFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string setUpWaveWriter() {
    std::string dir = makeTempDir();
    std::string wave = dir + "/mix.wav";
    writeTextFile(dir + "/alsoft.conf", "drivers = wave\n\n[wave]\nfile = " + wave + "\n");
    setenv("ALSOFT_CONF", (dir + "/alsoft.conf").c_str(), 1);
    unsetenv("ALSOFT_DRIVERS");   // it would override the config's driver list
    return wave;
}

double Recording::rms(double from, double to) const {
    size_t a = size_t(std::max(0.0, from) * rate);
    size_t b = std::min(samples.size(), size_t(std::max(0.0, to) * rate));
    if (b <= a)
        return 0.0;
    double sum = 0.0;
    for (size_t i = a; i < b; ++i)
        sum += double(samples[i]) * samples[i];
    return std::sqrt(sum / double(b - a));
}

std::pair<double, double> Recording::activeSpan(double threshold) const {
    const double window = 0.01;
    double first = -1.0, last = -1.0;
    for (double t = 0.0; t + window <= seconds(); t += window) {
        if (rms(t, t + window) > threshold) {
            if (first < 0.0)
                first = t;
            last = t + window;
        }
    }
    return {first, last};
}

double Recording::frequency(double from, double to) const {
    size_t a = size_t(std::max(0.0, from) * rate);
    size_t b = std::min(samples.size(), size_t(std::max(0.0, to) * rate));
    if (b <= a + 1)
        return 0.0;
    int crossings = 0;
    for (size_t i = a + 1; i < b; ++i)
        if ((samples[i - 1] < 0.0f) != (samples[i] < 0.0f))
            ++crossings;
    return crossings / 2.0 / (double(b - a) / rate);
}

bool readWave(const std::string& path, Recording& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
        return false;
    auto u16 = [&](size_t at) { uint16_t v; std::memcpy(&v, bytes.data() + at, 2); return v; };
    auto u32 = [&](size_t at) { uint32_t v; std::memcpy(&v, bytes.data() + at, 4); return v; };
    int channels = 0, bits = 0, format = 0;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        uint32_t size = u32(at + 4);
        if (std::memcmp(bytes.data() + at, "fmt ", 4) == 0 && at + 8 + 16 <= bytes.size()) {
            format = u16(at + 8);
            channels = u16(at + 10);
            out.rate = int(u32(at + 12));
            bits = u16(at + 22);
        } else if (std::memcmp(bytes.data() + at, "data", 4) == 0) {
            // The writer may not have patched the size yet: read whatever is there.
            size_t begin = at + 8;
            size_t frameBytes = size_t(channels) * size_t(bits / 8);
            bool isFloat = format == 3 || (format == 0xFFFE && bits == 32);
            if (channels <= 0 || bits != 32 || !isFloat || frameBytes == 0)
                return false;
            size_t frames = (bytes.size() - begin) / frameBytes;
            out.samples.resize(frames);
            for (size_t f = 0; f < frames; ++f) {
                float sum = 0.0f;
                for (int c = 0; c < channels; ++c) {
                    float v;
                    std::memcpy(&v, bytes.data() + begin + f * frameBytes + size_t(c) * 4, 4);
                    sum += v;
                }
                out.samples[f] = sum / float(channels);
            }
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

long residentKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace audiotest
