// The sound layer on a real OpenAL Soft device: the wave writer records the mix in real
// time, and the recording is measured. Sounds are kept short to keep the wall time low.

#include "platform/audio/OpenAlSoundEngine.h"
#include "support/AudioTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <thread>

// Counts heap allocations on a thread that asks for it; the mixing thread's calls are not ours.
// Every form of new and delete that can hand out or take back these blocks is replaced as one
// set: a delete must accept what any new it pairs with returned, and the forms left out are the
// runtime's own (the sanitizer's, in build-asan/), which would free through a different heap. The
// aligned forms are a separate set and stay the runtime's.
namespace {
thread_local bool countNew = false;
thread_local long newCalls = 0;

void* allocate(std::size_t size) noexcept {
    if (countNew)
        ++newCalls;
    return std::malloc(size > 0 ? size : 1);
}
} // namespace

void* operator new(std::size_t size) {
    if (void* block = allocate(size))
        return block;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    if (void* block = allocate(size))
        return block;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
// Not inlined: the compiler would take the free of a new'd block for a mismatch.
[[gnu::noinline]] void operator delete(void* block) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete(void* block, std::size_t) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete[](void* block) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
[[gnu::noinline]] void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

using namespace audio;
using audiotest::Recording;

namespace {

// Before main: OpenAL Soft reads its configuration once, at the first call.
const std::string kWavePath = audiotest::setUpWaveWriter();

void sleepFor(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// Polls until the source stops playing; returns the seconds it took (or the limit).
double waitWhilePlaying(SoundEngine& engine, SoundSource* source, double limit = 3.0) {
    auto start = std::chrono::steady_clock::now();
    double elapsed = 0.0;
    while (engine.isCurrentlyPlaying(source) && elapsed < limit) {
        sleepFor(0.005);
        elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    return elapsed;
}

class WaveWriter : public ::testing::Test {
protected:
    void SetUp() override {
        dir = audiotest::makeTempDir();
        engine = std::make_unique<OpenAlSoundEngine>(OutputDriver::Automatic);
        ASSERT_TRUE(engine->hasDevice()) << "the wave writer did not open";
        ASSERT_TRUE(std::filesystem::exists(kWavePath)) << "no wave file at " << kWavePath;
    }

    SoundSource* toneSource(const std::string& name, double frequency, double seconds) {
        std::string path = dir + "/" + name + ".ogg";
        EXPECT_TRUE(audiotest::writeToneOgg(path, frequency, seconds));
        return engine->addSoundSourceFromFile(path, StreamMode::Automatic, false);
    }

    // Closes the device (finishing the file) and reads what was mixed.
    Recording finish() {
        engine->release();
        Recording recording;
        EXPECT_TRUE(audiotest::readWave(kWavePath, recording));
        return recording;
    }

    std::string dir;
    std::unique_ptr<OpenAlSoundEngine> engine;
};

TEST_F(WaveWriter, ToneReachesTheMixAtItsPitchAndLength) {
    SoundSource* source = toneSource("a440", 440.0, 0.3);
    ASSERT_NEAR(source->getPlayLength(), 0.3, 0.01);
    SoundHandle sound = engine->play2D(source, false, false, false, true);
    ASSERT_NE(sound, nullptr);
    waitWhilePlaying(*engine, source);
    sleepFor(0.1);
    Recording mix = finish();
    auto [begin, end] = mix.activeSpan(0.02);
    ASSERT_GE(begin, 0.0) << "nothing was heard";
    EXPECT_NEAR(end - begin, 0.3, 0.04);
    EXPECT_NEAR(mix.frequency(begin + 0.05, end - 0.05), 440.0, 8.0);
    EXPECT_GT(mix.rms(begin + 0.05, end - 0.05), 0.1);
}

TEST_F(WaveWriter, VolumeIsMasterTimesSoundVolume) {
    SoundSource* source = toneSource("a440", 440.0, 0.25);
    engine->play2D(source, false, false, false, true);
    waitWhilePlaying(*engine, source);
    sleepFor(0.1);
    engine->setSoundVolume(0.5f);
    SoundHandle quiet = engine->play2D(source, false, true, true, true);
    quiet->setVolume(0.5f);
    quiet->setIsPaused(false);
    waitWhilePlaying(*engine, source);
    sleepFor(0.1);
    EXPECT_FLOAT_EQ(engine->getSoundVolume(), 0.5f);
    Recording mix = finish();
    auto [begin, end] = mix.activeSpan(0.005);
    ASSERT_GE(begin, 0.0);
    double loud = mix.rms(begin + 0.05, begin + 0.2);
    // The second play starts after the first's end plus a pause.
    double laterBegin = -1.0;
    for (double t = begin + 0.3; t + 0.01 < mix.seconds(); t += 0.01)
        if (mix.rms(t, t + 0.01) > 0.005) {
            laterBegin = t;
            break;
        }
    ASSERT_GT(laterBegin, 0.0) << "the quiet play was not heard";
    double soft = mix.rms(laterBegin + 0.05, laterBegin + 0.2);
    EXPECT_NEAR(soft / loud, 0.25, 0.03);
}

TEST_F(WaveWriter, VolumeZeroAndMasterZeroAreSilent) {
    SoundSource* source = toneSource("a440", 440.0, 0.2);
    source->setDefaultVolume(0.0f);
    engine->play2D(source, false, false, false, true);
    waitWhilePlaying(*engine, source);
    source->setDefaultVolume(1.0f);
    SoundHandle handle = engine->play2D(source, false, true, true, true);
    handle->setVolume(0.0f);
    handle->setIsPaused(false);
    waitWhilePlaying(*engine, source);
    engine->setSoundVolume(0.0f);
    engine->play2D(source, false, false, false, true);
    // Effects feed the mix through their own slots; the master volume must still hold.
    SoundHandle echoed = engine->play2D(source, false, true, true, true);
    echoed->getSoundEffectControl()->enableEchoSoundEffect(50, 50, 100, 100, 0);
    echoed->getSoundEffectControl()->enableParamEqSoundEffect(440, 12, 10);
    echoed->setIsPaused(false);
    waitWhilePlaying(*engine, source);
    sleepFor(0.3);
    Recording mix = finish();
    ASSERT_GT(mix.seconds(), 0.6);
    EXPECT_LT(mix.rms(0.0, mix.seconds()), 1e-4);
}

TEST_F(WaveWriter, SpeedTwoHalvesTheLengthAndDoublesThePitch) {
    SoundSource* source = toneSource("a440", 440.0, 0.4);
    SoundHandle sound = engine->play2D(source, false, true, true, false);
    ASSERT_TRUE(sound->setPlaybackSpeed(2.0f));
    sound->setIsPaused(false);
    waitWhilePlaying(*engine, source);
    sleepFor(0.1);
    Recording mix = finish();
    auto [begin, end] = mix.activeSpan(0.02);
    ASSERT_GE(begin, 0.0);
    EXPECT_NEAR(end - begin, 0.2, 0.03);
    EXPECT_NEAR(mix.frequency(begin + 0.03, end - 0.03), 880.0, 15.0);
}

TEST_F(WaveWriter, EchoLeavesATailAfterTheDrySoundEnds) {
    SoundSource* source = toneSource("a440", 440.0, 0.2);
    engine->play2D(source, false, false, false, true);
    waitWhilePlaying(*engine, source);
    sleepFor(0.6);
    SoundHandle echoed = engine->play2D(source, false, true, true, true);
    ASSERT_TRUE(echoed->getSoundEffectControl()->enableEchoSoundEffect(50, 50, 120, 120, 0));
    echoed->setIsPaused(false);
    double took = waitWhilePlaying(*engine, source);
    EXPECT_LT(took, 0.5);
    EXPECT_TRUE(echoed->isFinished());
    sleepFor(0.8);
    // The echo's slot outlives the sound only until its repeats have died away.
    EXPECT_GE(engine->effectSlotCount(), 0);
    Recording mix = finish();
    auto [begin, firstEnd] = mix.activeSpan(0.02);
    ASSERT_GE(begin, 0.0);
    // Dry play: nothing after its end. Echoed play: its repeats outlast the dry 0.2 s.
    double dryEnd = begin + 0.2;
    EXPECT_LT(mix.rms(dryEnd + 0.05, dryEnd + 0.4), 0.002);
    double echoBegin = -1.0;
    for (double t = dryEnd + 0.3; t + 0.01 < mix.seconds(); t += 0.01)
        if (mix.rms(t, t + 0.01) > 0.02) {
            echoBegin = t;
            break;
        }
    ASSERT_GT(echoBegin, 0.0);
    double tail = mix.rms(echoBegin + 0.25, echoBegin + 0.5);
    EXPECT_GT(tail, 0.01) << "no echo after the dry sound";
    EXPECT_EQ(engine->effectSlotCount(), 0);
}

TEST_F(WaveWriter, EqualiserCutsTheBandAroundItsCentre) {
    SoundSource* source = toneSource("e3000", 3000.0, 0.3);
    engine->play2D(source, false, false, false, true);
    waitWhilePlaying(*engine, source);
    sleepFor(0.2);
    SoundHandle cut = engine->play2D(source, false, true, true, true);
    ASSERT_TRUE(cut->getSoundEffectControl()->enableParamEqSoundEffect(3000, 5, -15));
    cut->setIsPaused(false);
    waitWhilePlaying(*engine, source);
    sleepFor(0.1);
    Recording mix = finish();
    auto [begin, end] = mix.activeSpan(0.02);
    ASSERT_GE(begin, 0.0);
    double plain = mix.rms(begin + 0.05, begin + 0.25);
    double laterBegin = -1.0;
    for (double t = begin + 0.35; t + 0.01 < mix.seconds(); t += 0.01)
        if (mix.rms(t, t + 0.01) > 0.002) {
            laterBegin = t;
            break;
        }
    ASSERT_GT(laterBegin, 0.0);
    double equalised = mix.rms(laterBegin + 0.05, laterBegin + 0.25);
    // -15 dB is a factor of 0.18 at the centre.
    EXPECT_LT(equalised / plain, 0.3);
    EXPECT_GT(equalised / plain, 0.08);
}

TEST_F(WaveWriter, PlaysToItsEndThenReportsNotPlaying) {
    SoundSource* source = toneSource("a440", 440.0, 0.3);
    SoundHandle sound = engine->play2D(source, false, false, true, false);
    ASSERT_NE(sound, nullptr);
    EXPECT_TRUE(engine->isCurrentlyPlaying(source));
    EXPECT_FALSE(sound->isFinished());
    sleepFor(0.15);
    EXPECT_TRUE(engine->isCurrentlyPlaying(source));
    double took = waitWhilePlaying(*engine, source) + 0.15;
    EXPECT_GT(took, 0.25);
    EXPECT_LT(took, 0.6);
    EXPECT_TRUE(sound->isFinished());
    EXPECT_EQ(engine->activeSoundCount(), 0);
    // The ended handle stays harmless.
    sound->setVolume(0.3f);
    EXPECT_TRUE(sound->setPlaybackSpeed(1.5f));
    sound->stop();
}

TEST_F(WaveWriter, LoopedSoundPlaysUntilStopped) {
    SoundSource* source = toneSource("a440", 440.0, 0.1);
    SoundHandle loop = engine->play2D(source, true, false, true, true);
    sleepFor(0.35);
    EXPECT_TRUE(engine->isCurrentlyPlaying(source));
    loop->stop();
    EXPECT_FALSE(engine->isCurrentlyPlaying(source));
    sleepFor(0.1);
    Recording mix = finish();
    auto [begin, end] = mix.activeSpan(0.02);
    ASSERT_GE(begin, 0.0);
    EXPECT_GT(end - begin, 0.3);
}

TEST_F(WaveWriter, TenThousandShortPlaysKeepSourcesBoundedAndMemoryFlat) {
    SoundSource* source = toneSource("blip", 1000.0, 0.005);
    long baseline = 0;
    for (int i = 0; i < 10000; ++i) {
        SoundHandle handle = engine->play2D(source, false, false, false, true);
        ASSERT_NE(handle, nullptr);
        if (i % 100 == 99)
            sleepFor(0.025);
        if (i == 999)
            baseline = audiotest::residentKb();
    }
    waitWhilePlaying(*engine, source);
    EXPECT_LE(engine->openAlSourceCount(), OpenAlSoundEngine::kMaxOpenAlSources);
    EXPECT_GT(engine->openAlSourceCount(), 0);
    EXPECT_EQ(engine->activeSoundCount(), 0);
    EXPECT_EQ(OpenAlSoundEngine::liveSoundObjects(), 0);
    long growth = audiotest::residentKb() - baseline;
    std::cout << "resident memory growth over 9000 plays: " << growth << " kB" << std::endl;
    EXPECT_LT(growth, 16 * 1024);
}

TEST_F(WaveWriter, SteadyOneShotsAllocateNothingAndKeptHandlesStayTheirs) {
    SoundSource* blip = toneSource("blip", 1000.0, 0.01);
    OpenAlSoundEngine quiet(OutputDriver::None);
    SoundSource* quietBlip = quiet.addSoundSourceFromFile(dir + "/blip.ogg", StreamMode::Automatic, false);
    for (auto [engine, source] : {std::pair<SoundEngine*, SoundSource*>{this->engine.get(), blip},
                                  {&quiet, quietBlip}}) {
        SoundHandle kept = engine->play2D(source, false, false, true, true);
        kept->setVolume(0.3f);
        // The game's way: effects on so a handle exists, the handle dropped at once.
        auto fewAtOnce = [&, engine = engine, source = source] {
            for (int i = 0; i < 4; ++i)
                engine->play2D(source, false, false, false, true);
            waitWhilePlaying(*engine, source);
        };
        for (int i = 0; i < 3; ++i)
            fewAtOnce();
        newCalls = 0;
        countNew = true;
        for (int i = 0; i < 25; ++i)
            fewAtOnce();
        countNew = false;
        EXPECT_EQ(newCalls, 0) << "heap allocations in 100 steady one-shot plays";
        // The kept play ended long ago; a new play must not come back through its handle.
        SoundHandle next = engine->play2D(source, false, true, true, true);
        EXPECT_NE(next, kept);
        EXPECT_TRUE(kept->isFinished());
        EXPECT_FALSE(next->isFinished()) << "a play started paused";
        EXPECT_FLOAT_EQ(kept->getVolume(), 0.3f);
        EXPECT_FLOAT_EQ(next->getVolume(), 1.0f);
        next->stop();
    }
}

TEST_F(WaveWriter, MissingAndCorruptFilesPlaySilently) {
    audiotest::writeTextFile(dir + "/corrupt.ogg", "OggS but not really a vorbis stream at all");
    testing::internal::CaptureStdout();
    SoundSource* missing = engine->addSoundSourceFromFile(dir + "/missing.ogg", StreamMode::Automatic, false);
    SoundSource* corrupt = engine->addSoundSourceFromFile(dir + "/corrupt.ogg", StreamMode::Automatic, false);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("missing.ogg\" (file not found)"), std::string::npos) << out;
    EXPECT_NE(out.find("corrupt.ogg\" (not an Ogg Vorbis file)"), std::string::npos) << out;
    ASSERT_NE(missing, nullptr);
    ASSERT_NE(corrupt, nullptr);
    EXPECT_EQ(missing->getPlayLength(), 0.0f);
    SoundHandle once = engine->play2D(missing, false, false, false, true);
    ASSERT_NE(once, nullptr);
    EXPECT_TRUE(once->isFinished());
    SoundHandle loop = engine->play2D(corrupt, true, false, true, true);
    ASSERT_NE(loop, nullptr);
    EXPECT_TRUE(engine->isCurrentlyPlaying(corrupt));
    EXPECT_TRUE(loop->getSoundEffectControl()->enableEchoSoundEffect());
    loop->stop();
    EXPECT_FALSE(engine->isCurrentlyPlaying(corrupt));
    sleepFor(0.1);
    Recording mix = finish();
    EXPECT_LT(mix.rms(0.0, mix.seconds()), 1e-4);
}

} // namespace
