#pragma once
// The one owner of all sound: creates the engine, registers the game's 25 sounds and turns
// the sound flags of GlobalState.h into 2D plays, once per rendered frame.

#include "platform/audio/SoundEngine.h"

#include <array>
#include <cstdint>
#include <memory>

class SoundManager {
public:
    // Slots of `sources` and `sounds`; each is the file "../assets/sounds/<name>.ogg".
    enum Slot : int {
        Bgm = 0,
        Fire,
        BattleAmbience,
        Pickup,
        Abyss,
        NarIntro,
        NarBag,
        NarMap,
        NarChest,
        NarOutro,
        Landing,
        InfoPoint,
        Clock,
        Jump1, Jump2, Jump3, Jump4,
        Step1, Step2, Step3, Step4, Step5, Step6, Step7, Step8,
        SlotCount
    };

    // The singleton; the first call creates the engine and loads the sounds. Never destroyed.
    static SoundManager* getInstance();
    // An engine for the first getInstance to use instead of the sound device (tests that go
    // through the singleton). Has no effect once the singleton exists.
    static void injectEngine(std::shared_ptr<audio::SoundEngine> engine);

    // A manager on the given engine, with its sounds loaded (tests make their own this way).
    explicit SoundManager(std::shared_ptr<audio::SoundEngine> engine);
    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;

    void loadSounds();
    // Serves the pending sound events; playerY is the player's height (level space).
    void update(float playerY);
    void startAmbience();
    void playJump();
    void playStep();
    // Factor times the loop's base volume, applied only while that loop plays.
    void setBgmVolume(float factor);
    void setFireVolume(float factor);
    void setBattleAmbienceVolume(float factor);
    // Slows, echoes and darkens one playing loop by `pauseFade`; a null handle is ignored.
    void applyPauseEffect(const audio::SoundHandle& sound);
    // Shutdown: stops every sound, gives the sources back, closes the device.
    void release();

    std::shared_ptr<audio::SoundEngine> engine;
    float masterVolume = 1.0f;                            // master volume when not muted
    std::array<audio::SoundSource*, SlotCount> sources{}; // owned by the engine
    std::array<audio::SoundHandle, SlotCount> sounds{};   // last stored play per slot
    int32_t jumpIndex = 0;                                // last jump chosen (0..3)
    int32_t stepIndex = 0;                                // next footstep (mod 8 before use)
    float jumpVolume = 0.6f;
    float stepVolume = 1.0f;
    float landingVolume = 0.55f;
    float abyssVolume = 0.65f;
    float pickupVolume = 0.45f;
    float fireVolume = 0.7f;
    float bgmVolume = 0.5f;
    float battleAmbienceVolume = 0.28f;
    float infoPointVolume = 0.4f;                         // peak volume of the info chime
    float narrationVolume = 1.0f;
    float clockVolume = 1.0f;
    float pauseFade = 1.0f;                               // pause fade factor, 0..1

private:
    bool idle(Slot slot) const;
    audio::SoundHandle play(Slot slot, bool looped, bool track);
    void setLoopVolume(Slot slot, float volume);
};
