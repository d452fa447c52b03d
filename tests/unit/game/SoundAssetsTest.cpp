// The game's own 25 sounds through the sound manager on a real OpenAL Soft device (the
// wave writer): every file loads, each has a length that fits its use, and the title
// ambience with its pause effect really reaches the mix.

#include "state/GlobalState.h"
#include "game/SoundManager.h"
#include "platform/audio/OpenAlSoundEngine.h"
#include "support/AudioTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <thread>
#include <unistd.h>

namespace {

const std::string kWavePath = audiotest::setUpWaveWriter();

void sleepFor(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

class SoundAssets : public ::testing::Test {
protected:
    void SetUp() override {
        // The game opens "../assets/sounds/..." relative to its working directory.
        ASSERT_EQ(chdir(QV_SOURCE_DIR "/tools"), 0);
        resetStateForTests();
        engine = std::make_shared<audio::OpenAlSoundEngine>(audio::OutputDriver::Automatic);
        ASSERT_TRUE(engine->hasDevice());
        testing::internal::CaptureStdout();
        auto start = std::chrono::steady_clock::now();
        manager = std::make_unique<SoundManager>(engine);
        loadSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        loadOutput = testing::internal::GetCapturedStdout();
    }
    void TearDown() override { resetStateForTests(); }

    float length(SoundManager::Slot slot) const { return manager->sources[slot]->getPlayLength(); }

    std::shared_ptr<audio::OpenAlSoundEngine> engine;
    std::unique_ptr<SoundManager> manager;
    std::string loadOutput;
    double loadSeconds = 0.0;
};

TEST_F(SoundAssets, AllTwentyFiveLoadAndFitTheirUse) {
    EXPECT_EQ(loadOutput, "") << "a sound failed to load";
    std::cout << "decoding and registering the 25 sounds took " << loadSeconds * 1000.0 << " ms"
              << std::endl;
    EXPECT_GE(length(SoundManager::Bgm), 20.0f);
    EXPECT_LE(length(SoundManager::Bgm), 30.0f);
    EXPECT_NEAR(length(SoundManager::Clock), 11.0f, 0.5f);
    for (auto loop : {SoundManager::Fire, SoundManager::BattleAmbience, SoundManager::InfoPoint})
        EXPECT_GE(length(loop), 2.0f);
    for (int slot = SoundManager::NarIntro; slot <= SoundManager::NarOutro; ++slot) {
        EXPECT_GE(length(SoundManager::Slot(slot)), 2.0f) << slot;
        EXPECT_LE(length(SoundManager::Slot(slot)), 15.0f) << slot;
    }
    // A footstep's length is the walking pace: one starts when the last has ended.
    for (int slot = SoundManager::Step1; slot <= SoundManager::Step8; ++slot) {
        EXPECT_GE(length(SoundManager::Slot(slot)), 0.25f) << slot;
        EXPECT_LE(length(SoundManager::Slot(slot)), 0.6f) << slot;
    }
    for (int slot = SoundManager::Jump1; slot <= SoundManager::Jump4; ++slot)
        EXPECT_LE(length(SoundManager::Slot(slot)), 1.0f) << slot;
    EXPECT_LE(length(SoundManager::Landing), 1.0f);
    EXPECT_LE(length(SoundManager::Abyss), 4.0f);

    uintmax_t bytes = 0;
    for (const auto& entry : std::filesystem::directory_iterator("../assets/sounds"))
        bytes += entry.file_size();
    EXPECT_LT(bytes, 3u * 1024u * 1024u);
    manager->release();
}

TEST_F(SoundAssets, TitleAmbienceWithPauseEffectReachesTheMix) {
    titleSoundPending = true;
    manager->update(-2.0f);
    EXPECT_TRUE(engine->isCurrentlyPlaying(manager->sources[SoundManager::Bgm]));
    EXPECT_TRUE(engine->isCurrentlyPlaying(manager->sources[SoundManager::NarIntro]));
    sleepFor(0.4);
    // A pause fading in and out again, as the frame loop drives it.
    for (float f : {0.25f, 0.5f, 1.0f, 0.5f, 0.0f}) {
        manager->pauseFade = f;
        for (auto slot : {SoundManager::Bgm, SoundManager::Fire, SoundManager::BattleAmbience,
                          SoundManager::InfoPoint})
            manager->applyPauseEffect(manager->sounds[slot]);
        sleepFor(0.1);
    }
    EXPECT_FLOAT_EQ(manager->sounds[SoundManager::Bgm]->getPlaybackSpeed(), 1.0f);
    EXPECT_GT(engine->effectSlotCount(), 0) << "the echoes are still dying away";
    walking = true;
    manager->update(-2.0f);
    sleepFor(0.2);
    // Mute, as the frame update does it.
    engine->setSoundVolume(0.0f);
    // Long enough for the mixer to get past what it had mixed ahead before the change, also on
    // a busy machine.
    sleepFor(0.6);
    manager->release();
    EXPECT_FALSE(engine->hasDevice()) << "the device (and its mixing thread) is closed";

    audiotest::Recording mix;
    ASSERT_TRUE(audiotest::readWave(kWavePath, mix));
    ASSERT_GT(mix.seconds(), 1.0);
    EXPECT_GT(mix.rms(0.05, 0.9), 0.01) << "the title ambience was not heard";
    double end = mix.seconds();
    // Far below the ambience's level (over 0.01): only what was mixed before the change remains.
    EXPECT_LT(mix.rms(end - 0.15, end), 1e-3) << "mute did not silence the mix";
}

} // namespace
