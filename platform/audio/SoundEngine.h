#pragma once
// The game's sound layer: an engine that registers sources from OGG files and plays them
// non-positionally (2D), handles for playing sounds, and a per-sound effect control.
// The real engine mixes through OpenAL Soft; without a sound device it runs silently
// with the same timing, so code that asks "is it still playing?" behaves the same.

#include <memory>
#include <string>

namespace audio {

// How a source keeps its samples. Every source is decoded whole when it is registered,
// so a frame never waits on a decoder; the mode is accepted for callers that pass one.
enum class StreamMode { Automatic = 0, Streaming = 1, NoStreaming = 2 };

// Which output the engine opens. Automatic asks OpenAL Soft for its default device
// (falling back to silent running when that fails); None never opens a device.
enum class OutputDriver { Automatic = 0, None = 1 };

// A registered sound file. Owned by its engine: it stays valid until the engine's
// removeSoundSource for it, or until the engine is destroyed.
class SoundSource {
public:
    virtual ~SoundSource() = default;
    virtual const std::string& getName() const = 0;
    // Volume (0..1) every later play of this source starts with.
    virtual void setDefaultVolume(float volume) = 0;
    virtual float getDefaultVolume() const = 0;
    // Length of one pass through the sound in seconds at speed 1; 0 when the file could not be read.
    virtual float getPlayLength() const = 0;
};

// Effects of one playing sound. Percentages are 0..100, delays in milliseconds,
// frequencies in Hz, bandwidth in semitones, gain in dB. Values outside the valid
// ranges are clamped; the calls return false only when the sound can take no effect.
class SoundEffectControl {
public:
    virtual ~SoundEffectControl() = default;
    virtual void disableAllEffects() = 0;
    // Valid ranges: wet/dry 0..100, feedback 0..100, delays 1..2000 ms; panDelay != 0 swaps
    // the repeats between the left and right side.
    virtual bool enableEchoSoundEffect(float wetDryMix = 50.0f, float feedback = 50.0f,
                                       float leftDelay = 500.0f, float rightDelay = 500.0f,
                                       int panDelay = 0) = 0;
    virtual bool isEchoSoundEffectEnabled() const = 0;
    // One peaking band. Valid ranges: centre 80..16000 Hz, bandwidth 1..36 semitones, gain -15..15 dB.
    virtual bool enableParamEqSoundEffect(float center = 8000.0f, float bandwidth = 12.0f,
                                          float gain = 0.0f) = 0;
    virtual bool isParamEqSoundEffectEnabled() const = 0;
};

// One play of a source. Shared between the engine (while it plays) and whoever keeps
// the handle; once it has finished, its handle stays usable and every call is harmless.
class Sound {
public:
    virtual ~Sound() = default;
    // Volume of this play (0..1); the heard level is this times the engine's master volume.
    virtual void setVolume(float volume) = 0;
    virtual float getVolume() const = 0;
    virtual void setIsPaused(bool paused) = 0;
    // Ends the play at once; the sound is finished afterwards.
    virtual void stop() = 0;
    // Speed and pitch together, 1 = normal; accepted range 0.01..8. Returns false for other values.
    virtual bool setPlaybackSpeed(float speed) = 0;
    virtual float getPlaybackSpeed() const = 0;
    virtual bool isLooped() const = 0;
    virtual bool isFinished() = 0;
    // Null when the play was started with sound effects disabled.
    virtual SoundEffectControl* getSoundEffectControl() = 0;
    // The source this plays, or null once the source has been removed.
    virtual SoundSource* getSoundSource() const = 0;
};

using SoundHandle = std::shared_ptr<Sound>;

class SoundEngine {
public:
    virtual ~SoundEngine() = default;
    // Master volume (0..1) applied on top of every sound's own volume.
    virtual void setSoundVolume(float volume) = 0;
    virtual float getSoundVolume() const = 0;
    // Registers (and decodes) a file. A path registered before gives the same source.
    // A missing or unreadable file prints one line and gives a silent source of length 0.
    virtual SoundSource* addSoundSourceFromFile(const std::string& path,
                                                StreamMode mode = StreamMode::Automatic,
                                                bool preload = false) = 0;
    // Gives a source up: its plays are stopped, then the source is destroyed.
    virtual void removeSoundSource(SoundSource* source) = 0;
    // Starts one play. Returns the handle when track or enableSoundEffects is set, else null
    // (the sound plays on either way). A null source gives null.
    virtual SoundHandle play2D(SoundSource* source, bool playLooped = false, bool startPaused = false,
                               bool track = false, bool enableSoundEffects = false) = 0;
    // True while any play of the source has not finished.
    virtual bool isCurrentlyPlaying(SoundSource* source) = 0;
    virtual void stopAllSounds() = 0;
    // Stops every sound, gives back all sources and closes the device (its mixing thread ends).
    // Afterwards the engine runs silently and every call stays harmless.
    virtual void release() = 0;
};

// The engine the game uses: OpenAL Soft with the default device, or silent running.
std::shared_ptr<SoundEngine> createSoundDevice(OutputDriver driver = OutputDriver::Automatic);

} // namespace audio
