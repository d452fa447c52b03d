// The sound layer without a sound device: OpenAL Soft is given a driver list it cannot
// satisfy, as on a machine without a sound card. Every call must work, silently, with
// "is playing" following each sound's length in real time.

#include "platform/audio/OggDecoder.h"
#include "platform/audio/OpenAlSoundEngine.h"
#include "support/AudioTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

using namespace audio;

namespace {

// Before main: OpenAL Soft reads its driver list once, at the first call.
const bool kNoDriver = [] {
    setenv("ALSOFT_DRIVERS", "no-such-driver", 1);
    unsetenv("ALSOFT_CONF");
    return true;
}();

void sleepFor(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

const char* kNoDeviceLine = "Sound: no sound device could be opened; the game runs without sound.\n";

class NoDevice : public ::testing::Test {
protected:
    void SetUp() override {
        dir = audiotest::makeTempDir();
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        engine = std::make_unique<OpenAlSoundEngine>(OutputDriver::Automatic);
        openingErrors = testing::internal::GetCapturedStderr();
        opening = testing::internal::GetCapturedStdout();
        path = dir + "/tone.ogg";
        ASSERT_TRUE(audiotest::writeToneOgg(path, 440.0, 0.3));
        source = engine->addSoundSourceFromFile(path, StreamMode::Automatic, false);
        ASSERT_NE(source, nullptr);
    }

    std::string dir, path, opening, openingErrors;
    std::unique_ptr<OpenAlSoundEngine> engine;
    SoundSource* source = nullptr;
};

TEST(SilencedStderr, HidesWhatTheWorkWritesAndRestoresTheStream) {
    testing::internal::CaptureStderr();
    withStderrSilenced([] {
        std::fputs("ALSA lib pcm.c: Unknown PCM default\n", stderr);
        std::fflush(stderr);
    });
    std::fputs("after\n", stderr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "after\n");
}

TEST_F(NoDevice, FailedOpenPrintsOneLineAndRunsSilently) {
    EXPECT_EQ(opening, kNoDeviceLine);
    // The sound libraries' own complaints about the missing device stay off the console.
    EXPECT_EQ(openingErrors, "");
    EXPECT_FALSE(engine->hasDevice());
    EXPECT_EQ(engine->openAlSourceCount(), 0);
    // The file is still decoded: its length drives the timing.
    EXPECT_NEAR(source->getPlayLength(), 0.3, 0.01);
    EXPECT_EQ(engine->addSoundSourceFromFile(path, StreamMode::Automatic, false), source);
}

TEST_F(NoDevice, NoOutputDriverOpensNothingAndSaysNothing) {
    testing::internal::CaptureStdout();
    OpenAlSoundEngine quiet(OutputDriver::None);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(quiet.hasDevice());
}

TEST_F(NoDevice, PlayingFollowsTheLengthInRealTime) {
    SoundHandle sound = engine->play2D(source, false, false, false, true);
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(engine->play2D(source, false, false, false, false), nullptr)
        << "an untracked play without effects gives no handle";
    EXPECT_TRUE(engine->isCurrentlyPlaying(source));
    sleepFor(0.2);
    EXPECT_TRUE(engine->isCurrentlyPlaying(source));
    EXPECT_FALSE(sound->isFinished());
    sleepFor(0.2);
    EXPECT_FALSE(engine->isCurrentlyPlaying(source));
    EXPECT_TRUE(sound->isFinished());
    EXPECT_EQ(engine->activeSoundCount(), 0);
}

TEST_F(NoDevice, SpeedAndPauseMoveTheEnd) {
    SoundHandle fast = engine->play2D(source, false, false, true, false);
    EXPECT_TRUE(fast->setPlaybackSpeed(2.0f));
    EXPECT_FALSE(fast->setPlaybackSpeed(0.0f));
    EXPECT_FALSE(fast->setPlaybackSpeed(std::nanf("")));
    EXPECT_FLOAT_EQ(fast->getPlaybackSpeed(), 2.0f);
    SoundHandle held = engine->play2D(source, false, true, true, false);
    sleepFor(0.2);
    EXPECT_TRUE(fast->isFinished());
    EXPECT_FALSE(held->isFinished()) << "a paused sound does not advance";
    held->setIsPaused(false);
    sleepFor(0.2);
    EXPECT_FALSE(held->isFinished());
    sleepFor(0.2);
    EXPECT_TRUE(held->isFinished());
}

TEST_F(NoDevice, LoopsRunUntilStoppedAndEveryCallWorks) {
    SoundHandle loop = engine->play2D(source, true, false, true, true);
    ASSERT_NE(loop, nullptr);
    EXPECT_TRUE(loop->isLooped());
    EXPECT_EQ(loop->getSoundSource(), source);
    loop->setVolume(0.4f);
    EXPECT_FLOAT_EQ(loop->getVolume(), 0.4f);
    loop->setVolume(7.0f);
    EXPECT_FLOAT_EQ(loop->getVolume(), 1.0f);
    SoundEffectControl* fx = loop->getSoundEffectControl();
    ASSERT_NE(fx, nullptr);
    EXPECT_TRUE(fx->enableEchoSoundEffect(20, 20, 0.3f, 300, 0));
    EXPECT_TRUE(fx->isEchoSoundEffectEnabled());
    EXPECT_TRUE(fx->enableParamEqSoundEffect(3000, 5, -5));
    EXPECT_TRUE(fx->isParamEqSoundEffectEnabled());
    fx->disableAllEffects();
    EXPECT_FALSE(fx->isEchoSoundEffectEnabled());
    EXPECT_FALSE(fx->isParamEqSoundEffectEnabled());
    engine->setSoundVolume(0.0f);
    EXPECT_FLOAT_EQ(engine->getSoundVolume(), 0.0f);
    sleepFor(0.4);
    EXPECT_TRUE(engine->isCurrentlyPlaying(source));
    loop->stop();
    EXPECT_FALSE(engine->isCurrentlyPlaying(source));
    EXPECT_TRUE(loop->isFinished());

    SoundHandle plain = engine->play2D(source, false, false, true, false);
    EXPECT_EQ(plain->getSoundEffectControl(), nullptr);
    EXPECT_FLOAT_EQ(plain->getVolume(), 1.0f);
    source->setDefaultVolume(0.45f);
    EXPECT_FLOAT_EQ(engine->play2D(source, false, false, true, false)->getVolume(), 0.45f);
    engine->stopAllSounds();
    EXPECT_FALSE(engine->isCurrentlyPlaying(source));
    EXPECT_TRUE(plain->isFinished());
    EXPECT_EQ(engine->play2D(nullptr, false, false, true, true), nullptr);
    EXPECT_FALSE(engine->isCurrentlyPlaying(nullptr));
}

TEST_F(NoDevice, RemovingASourceStopsItsPlays) {
    SoundHandle loop = engine->play2D(source, true, false, true, true);
    engine->removeSoundSource(source);
    EXPECT_TRUE(loop->isFinished());
    EXPECT_EQ(loop->getSoundSource(), nullptr);
    EXPECT_FALSE(engine->isCurrentlyPlaying(source));
    engine->removeSoundSource(source);   // twice, and null: nothing happens
    engine->removeSoundSource(nullptr);
}

TEST_F(NoDevice, AfterReleaseEveryCallIsHarmless) {
    SoundHandle loop = engine->play2D(source, true, false, true, true);
    engine->release();
    EXPECT_TRUE(loop->isFinished());
    loop->setVolume(0.2f);
    loop->getSoundEffectControl()->enableEchoSoundEffect();
    SoundHandle late = engine->play2D(source, true, false, true, true);
    ASSERT_NE(late, nullptr);
    EXPECT_NE(late->getSoundEffectControl(), nullptr);
    EXPECT_FALSE(engine->isCurrentlyPlaying(source));
    EXPECT_EQ(engine->addSoundSourceFromFile(path, StreamMode::Automatic, false), nullptr);
    engine->stopAllSounds();
    engine->release();
}

TEST_F(NoDevice, MissingOrCorruptFilesGiveAMessageAndASilentSound) {
    audiotest::writeTextFile(dir + "/garbage.ogg", std::string(5000, 'x'));
    audiotest::writeTextFile(dir + "/empty.ogg", "");
    // A real stream cut off in the middle of its audio.
    std::string cut = dir + "/cut.ogg";
    ASSERT_TRUE(audiotest::writeToneOgg(dir + "/long.ogg", 440.0, 2.0));
    {
        std::ifstream in(dir + "/long.ogg", std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        audiotest::writeTextFile(cut, bytes.substr(0, bytes.size() / 2));
    }
    testing::internal::CaptureStdout();
    SoundSource* missing = engine->addSoundSourceFromFile(dir + "/nope.ogg", StreamMode::Automatic, false);
    SoundSource* garbage = engine->addSoundSourceFromFile(dir + "/garbage.ogg", StreamMode::Automatic, false);
    SoundSource* empty = engine->addSoundSourceFromFile(dir + "/empty.ogg", StreamMode::Automatic, false);
    SoundSource* folder = engine->addSoundSourceFromFile(dir, StreamMode::Automatic, false);
    SoundSource* partial = engine->addSoundSourceFromFile(cut, StreamMode::Automatic, false);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("nope.ogg\" (file not found); it plays silently."), std::string::npos) << out;
    EXPECT_NE(out.find("garbage.ogg\" (not an Ogg Vorbis file)"), std::string::npos) << out;
    EXPECT_NE(out.find("empty.ogg\" ("), std::string::npos) << out;
    EXPECT_NE(out.find("(not a regular file)"), std::string::npos) << out;
    for (SoundSource* bad : {missing, garbage, empty, folder}) {
        ASSERT_NE(bad, nullptr);
        EXPECT_EQ(bad->getPlayLength(), 0.0f);
        SoundHandle once = engine->play2D(bad, false, false, false, true);
        ASSERT_NE(once, nullptr);
        EXPECT_TRUE(once->isFinished());
        EXPECT_FALSE(engine->isCurrentlyPlaying(bad));
        SoundHandle loop = engine->play2D(bad, true, false, false, true);
        EXPECT_TRUE(engine->isCurrentlyPlaying(bad));
        loop->stop();
    }
    // What could be decoded before the cut plays; the rest is reported, never a crash.
    ASSERT_NE(partial, nullptr);
    EXPECT_LT(partial->getPlayLength(), 2.0f);
}

TEST(OggDecoder, DecodesMonoAtItsRateAndLength) {
    std::string dir = audiotest::makeTempDir();
    ASSERT_TRUE(audiotest::writeToneOgg(dir + "/t.ogg", 440.0, 0.5, 16000));
    DecodedAudio audio;
    std::string error;
    ASSERT_TRUE(decodeOggFile(dir + "/t.ogg", audio, error)) << error;
    EXPECT_EQ(audio.channels, 1);
    EXPECT_EQ(audio.sampleRate, 16000);
    EXPECT_EQ(audio.samples.size(), 8000u);
    EXPECT_NEAR(audio.lengthSeconds(), 0.5, 1e-9);
    EXPECT_FALSE(decodeOggFile(dir + "/none.ogg", audio, error));
    EXPECT_EQ(error, "file not found");
    EXPECT_TRUE(audio.samples.empty());
}

} // namespace
