#pragma once
// Test helpers for the sound layer: Ogg Vorbis files made on the spot, and the reading and
// measuring of what OpenAL Soft's wave writer recorded.

#include <string>
#include <utility>
#include <vector>

namespace audiotest {

// Encodes mono samples (-1..1) at rate Hz into an Ogg Vorbis file. Returns false on failure.
bool writeOgg(const std::string& path, const std::vector<float>& samples, int rate);
// A sine tone with 5 ms fades at both ends (so that its edges do not click).
std::vector<float> tone(double frequency, double seconds, int rate = 22050, float amplitude = 0.5f);
bool writeToneOgg(const std::string& path, double frequency, double seconds, int rate = 22050,
                  float amplitude = 0.5f);

// A fresh directory under the temp dir, removed with its files at process exit.
std::string makeTempDir();
void writeTextFile(const std::string& path, const std::string& text);

// Points OpenAL Soft at its wave writer through a config file in a temp dir and returns the
// path of the WAV it will write. Must run before the process's first OpenAL call.
std::string setUpWaveWriter();

// The recorded mix, mixed down to one channel.
struct Recording {
    int rate = 0;
    std::vector<float> samples;
    double seconds() const { return rate > 0 ? double(samples.size()) / rate : 0.0; }
    // Root mean square over [from, to) seconds (clamped to the recording).
    double rms(double from, double to) const;
    // First and last moment (seconds) where 10 ms windows exceed threshold RMS; {-1,-1} if none.
    std::pair<double, double> activeSpan(double threshold) const;
    // Frequency from zero crossings over [from, to) seconds.
    double frequency(double from, double to) const;
};
// Reads the wave writer's float WAV (the data chunk is read to the end of the file).
bool readWave(const std::string& path, Recording& out);

// Resident memory of the process in kB.
long residentKb();

} // namespace audiotest
