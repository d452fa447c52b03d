#pragma once
// The OpenAL Soft engine behind createSoundDevice. Exposed for tests, which read its
// counters; the game only sees the SoundEngine interface.

#include "platform/audio/SoundEngine.h"

#include <functional>
#include <memory>
#include <string>

namespace audio {

// Runs the work with the standard error stream pointed at /dev/null, then restores it.
void withStderrSilenced(const std::function<void()>& work);

namespace detail {
struct Core;
}

class OpenAlSoundEngine final : public SoundEngine {
public:
    // OpenAL sources the engine creates at most; plays beyond that run silently on time alone.
    static constexpr int kMaxOpenAlSources = 32;

    explicit OpenAlSoundEngine(OutputDriver driver);
    ~OpenAlSoundEngine() override;
    OpenAlSoundEngine(const OpenAlSoundEngine&) = delete;
    OpenAlSoundEngine& operator=(const OpenAlSoundEngine&) = delete;

    void setSoundVolume(float volume) override;
    float getSoundVolume() const override;
    SoundSource* addSoundSourceFromFile(const std::string& path, StreamMode mode,
                                        bool preload) override;
    void removeSoundSource(SoundSource* source) override;
    SoundHandle play2D(SoundSource* source, bool playLooped, bool startPaused, bool track,
                       bool enableSoundEffects) override;
    bool isCurrentlyPlaying(SoundSource* source) override;
    void stopAllSounds() override;
    void release() override;

    // True while an OpenAL device is open (false when running silently).
    bool hasDevice() const;
    // The device's name, empty without a device.
    std::string deviceName() const;
    // OpenAL sources created so far (they are reused, never more than kMaxOpenAlSources).
    int openAlSourceCount() const;
    // Plays the engine still looks after (playing, paused, or ended but not yet collected).
    int activeSoundCount() const;
    // Auxiliary effect slots in use: held by a play or letting an echo die away. Idle slots the
    // engine keeps for reuse are not counted.
    int effectSlotCount() const;
    // Sound objects alive in the process, across all engines (held by an engine or a handle).
    static int liveSoundObjects();

private:
    std::shared_ptr<detail::Core> core_;
};

} // namespace audio
