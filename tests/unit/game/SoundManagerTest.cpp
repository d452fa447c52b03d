// The sound manager's event dispatch against a recording engine: which plays each frame's
// flags give, which flags survive the frame, and which calls the pause effect makes.

#include "state/GlobalState.h"
#include "game/SoundManager.h"
#include "support/RecordingEngine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

std::string once(const std::string& name, bool track = false) {
    return "play " + name + " looped=0 paused=0 track=" + (track ? "1" : "0") + " fx=1";
}
std::string loop(const std::string& name, bool track) {
    return "play " + name + " looped=1 paused=0 track=" + (track ? "1" : "0") + " fx=1";
}

constexpr float kGround = -2.0f;   // a height where footsteps sound

class SoundManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetStateForTests();
        engine = std::make_shared<RecordingEngine>();
        manager = std::make_unique<SoundManager>(engine);
        engine->log.clear();
    }
    void TearDown() override { resetStateForTests(); }

    Lines plays() const { return engine->entries("play "); }
    // One frame; returns the plays it made.
    Lines frame(float y = kGround) {
        size_t before = engine->log.size();
        manager->update(y);
        Lines made;
        for (size_t i = before; i < engine->log.size(); ++i)
            if (engine->log[i].compare(0, 5, "play ") == 0)
                made.push_back(engine->log[i]);
        return made;
    }

    std::shared_ptr<RecordingEngine> engine;
    std::unique_ptr<SoundManager> manager;
};

TEST_F(SoundManagerTest, LoadsTheTwentyFiveFilesInOrderWithTheirDefaultVolumes) {
    auto fresh = std::make_shared<RecordingEngine>();
    SoundManager loaded(fresh);
    const Lines names = {"bgm", "fire", "battleAmbience", "pickup", "abyss", "narIntro", "narBag",
                         "narMap", "narChest", "landing", "infoPoint", "narOutro", "clock",
                         "jump1", "jump2", "jump3", "jump4", "step1", "step2", "step3", "step4",
                         "step5", "step6", "step7", "step8"};
    Lines expected = {"setSoundVolume 1"};
    for (const auto& name : names)
        expected.push_back("add ../assets/sounds/" + name + ".ogg mode=0 preload=0");
    const std::pair<const char*, const char*> volumes[] = {
        {"bgm", "0.5"},     {"fire", "0.7"},      {"battleAmbience", "0.28"}, {"pickup", "0.45"},
        {"abyss", "0.65"},  {"narIntro", "1"},    {"narBag", "1"},   {"narMap", "1"},
        {"narChest", "1"},  {"narOutro", "1"},    {"landing", "0.55"}, {"infoPoint", "0.4"},
        {"clock", "1"},     {"jump1", "0.6"},     {"jump2", "0.6"},  {"jump3", "0.6"},
        {"jump4", "0.6"},   {"step1", "1"},       {"step2", "1"},    {"step3", "1"},
        {"step4", "1"},     {"step5", "1"},       {"step6", "1"},    {"step7", "1"},
        {"step8", "1"}};
    for (const auto& [name, volume] : volumes)
        expected.push_back(std::string("setDefaultVolume ") + name + " " + volume);
    EXPECT_EQ(fresh->log, expected);

    // Slots follow the sound table, not the load order.
    EXPECT_EQ(loaded.sources[SoundManager::NarOutro], fresh->source("narOutro"));
    EXPECT_EQ(loaded.sources[SoundManager::Landing], fresh->source("landing"));
    EXPECT_EQ(loaded.sources[SoundManager::Step8], fresh->source("step8"));
    for (const auto& sound : loaded.sounds)
        EXPECT_EQ(sound, nullptr);
    EXPECT_EQ(loaded.jumpIndex, 0);
    EXPECT_EQ(loaded.stepIndex, 0);
    EXPECT_FLOAT_EQ(loaded.pauseFade, 1.0f);
    EXPECT_FLOAT_EQ(loaded.masterVolume, 1.0f);
}

TEST_F(SoundManagerTest, RepeatedAbyssAndNarrationEventsAreDroppedWhilePlaying) {
    abyssSoundPending = narBagPending = narChestPending = narMapPending = outroSoundPending = true;
    EXPECT_EQ(frame(), (Lines{once("abyss"), once("narOutro"), once("narBag"), once("narChest"),
                              once("narMap")}));
    EXPECT_FALSE(abyssSoundPending || narBagPending || narChestPending || narMapPending ||
                 outroSoundPending);
    EXPECT_EQ(manager->sounds[SoundManager::NarOutro], engine->sounds[1]);
    EXPECT_EQ(manager->sounds[SoundManager::Abyss], nullptr);
    EXPECT_EQ(manager->sounds[SoundManager::NarBag], nullptr);

    // Raised again while they play: dropped, not queued.
    abyssSoundPending = narBagPending = narChestPending = narMapPending = outroSoundPending = true;
    EXPECT_EQ(frame(), Lines{});
    EXPECT_FALSE(abyssSoundPending || narBagPending || narChestPending || narMapPending ||
                 outroSoundPending);
    engine->finish("abyss");
    engine->finish("narBag");
    EXPECT_EQ(frame(), Lines{});
    abyssSoundPending = narBagPending = true;
    EXPECT_EQ(frame(), (Lines{once("abyss"), once("narBag")}));
}

TEST_F(SoundManagerTest, LandingWaitsForTheRunningLandingToEnd) {
    landingSoundPending = true;
    EXPECT_EQ(frame(), Lines{once("landing")});
    EXPECT_FALSE(landingSoundPending);
    landingSoundPending = true;
    EXPECT_EQ(frame(), Lines{});
    EXPECT_EQ(frame(), Lines{});
    EXPECT_TRUE(landingSoundPending) << "the event waits";
    engine->finish("landing");
    EXPECT_EQ(frame(), Lines{once("landing")});
    EXPECT_FALSE(landingSoundPending);
    EXPECT_EQ(frame(), Lines{});
}

TEST_F(SoundManagerTest, FootstepsPlayOneAtATimeCyclingOneToEight) {
    Lines heard;
    for (int step = 0; step < 10; ++step) {
        walking = true;   // the player update writes it every fixed step
        Lines made = frame();
        ASSERT_EQ(made.size(), 1u) << "step " << step;
        heard.push_back(made[0]);
        EXPECT_TRUE(walking) << "a new step leaves walking set";
        // While it plays: no second step, and walking is cleared.
        EXPECT_EQ(frame(), Lines{});
        EXPECT_FALSE(walking);
        walking = true;
        EXPECT_EQ(frame(), Lines{});
        engine->finish("step" + std::to_string(step % 8 + 1));
    }
    Lines expected;
    for (int step = 0; step < 10; ++step)
        expected.push_back(once("step" + std::to_string(step % 8 + 1)));
    EXPECT_EQ(heard, expected);
    EXPECT_EQ(manager->stepIndex, 2);
}

TEST_F(SoundManagerTest, NoFootstepAtOrAboveTheGroundThreshold) {
    walking = true;
    EXPECT_EQ(frame(-1.32f), Lines{});
    EXPECT_EQ(frame(0.5f), Lines{});
    EXPECT_TRUE(walking) << "the threshold does not touch the flag";
    EXPECT_EQ(frame(-1.3201f), Lines{once("step1")});
    walking = false;
    engine->finish("step1");
    EXPECT_EQ(frame(), Lines{});
}

TEST_F(SoundManagerTest, JumpsRotateFromJumpTwoAndOverlappingJumpsGiveOneSound) {
    jumpSoundPending = true;
    EXPECT_EQ(frame(), Lines{once("jump2")});
    EXPECT_TRUE(jumpSoundPending) << "cleared only by the next frame";
    EXPECT_EQ(frame(), Lines{});
    EXPECT_FALSE(jumpSoundPending);
    // A second jump while jump2 still sounds: no second sound.
    jumpSoundPending = true;
    EXPECT_EQ(frame(), Lines{});
    EXPECT_FALSE(jumpSoundPending);
    EXPECT_EQ(manager->jumpIndex, 1);

    Lines heard;
    for (int jump = 0; jump < 5; ++jump) {
        engine->finish("jump1");
        engine->finish("jump2");
        engine->finish("jump3");
        engine->finish("jump4");
        jumpSoundPending = true;
        Lines made = frame();
        heard.insert(heard.end(), made.begin(), made.end());
        frame();
    }
    EXPECT_EQ(heard, (Lines{once("jump3"), once("jump4"), once("jump1"), once("jump2"),
                            once("jump3")}));
}

TEST_F(SoundManagerTest, ClockStartsWhileRaisedAndStopsInTheFirstFrameWithoutIt) {
    EXPECT_EQ(frame(), Lines{});
    EXPECT_EQ(engine->entries("stop"), Lines{}) << "no clock handle yet";
    for (int i = 0; i < 3; ++i) {
        clockTicking = true;   // raised anew every frame of the last seconds
        Lines made = frame();
        EXPECT_EQ(made, i == 0 ? Lines{once("clock")} : Lines{});
        EXPECT_FALSE(clockTicking);
    }
    ASSERT_NE(manager->sounds[SoundManager::Clock], nullptr);
    EXPECT_EQ(engine->entries("stop"), Lines{});
    frame();
    EXPECT_EQ(engine->entries("stop"), Lines{"stop clock"});
    EXPECT_FALSE(engine->playing("clock"));
    // Raised again (a new run's last seconds): it starts over.
    clockTicking = true;
    EXPECT_EQ(frame(), Lines{once("clock")});
}

TEST_F(SoundManagerTest, TitleAmbienceStartsTheLoopsWithNarration) {
    titleSoundPending = true;
    EXPECT_EQ(frame(), (Lines{loop("bgm", false), loop("fire", false),
                              loop("battleAmbience", false), loop("infoPoint", true),
                              once("narIntro", true)}));
    EXPECT_EQ(engine->entries("setVolume"), (Lines{"setVolume infoPoint 0", "setVolume bgm 0.3"}));
    EXPECT_FALSE(titleSoundPending);
    for (auto slot : {SoundManager::Bgm, SoundManager::Fire, SoundManager::BattleAmbience,
                      SoundManager::InfoPoint})
        EXPECT_NE(manager->sounds[slot], nullptr);
    EXPECT_EQ(manager->sounds[SoundManager::NarIntro], nullptr);

    // Asked again with everything still playing: nothing restarts, bgm is set to 0.3 again.
    engine->log.clear();
    titleSoundPending = true;
    EXPECT_EQ(frame(), Lines{});
    EXPECT_EQ(engine->entries("setVolume"), Lines{"setVolume bgm 0.3"});
}

TEST_F(SoundManagerTest, LoadingAmbienceStartsTheLoopsWithoutNarration) {
    ambiencePending = true;
    titleSoundPending = true;   // the loading request wins and clears both
    EXPECT_EQ(frame(), (Lines{loop("bgm", true), loop("fire", true), loop("battleAmbience", true),
                              loop("infoPoint", true)}));
    EXPECT_EQ(engine->entries("setVolume"), Lines{"setVolume infoPoint 0"});
    EXPECT_FALSE(ambiencePending);
    EXPECT_FALSE(titleSoundPending);

    // With the loops running, only a stopped one restarts; the chime is muted either way.
    engine->log.clear();
    engine->finish("fire");
    ambiencePending = true;
    EXPECT_EQ(frame(), Lines{loop("fire", true)});
    EXPECT_EQ(engine->entries("setVolume"), Lines{"setVolume infoPoint 0"});
}

TEST_F(SoundManagerTest, PauseEffectFollowsTheFadeAndPutsTheSpeedBackAtZero) {
    ambiencePending = true;
    frame();
    const audio::SoundHandle bgm = manager->sounds[SoundManager::Bgm];
    engine->log.clear();

    manager->pauseFade = 1.0f;
    manager->applyPauseEffect(bgm);
    EXPECT_EQ(engine->log, (Lines{"speed bgm " + RecordingEngine::num(14.0f / 15.0f),
                                  "echo bgm 20 20 300 300 0", "eq bgm 3000 5 -5"}));

    engine->log.clear();
    manager->pauseFade = 0.5f;
    manager->applyPauseEffect(bgm);
    EXPECT_EQ(engine->log, (Lines{"speed bgm " + RecordingEngine::num(1.0f - 0.5f / 15.0f),
                                  "echo bgm 10 10 150 150 0", "eq bgm 5500 8.5 -2.5"}));

    // Early in a fade the echo delays stay at the echo's 1 ms minimum.
    engine->log.clear();
    manager->pauseFade = 0.001f;
    manager->applyPauseEffect(bgm);
    ASSERT_EQ(engine->log.size(), 3u);
    EXPECT_EQ(engine->log[1], "echo bgm 0.02 0.02 1 1 0");

    // Fully faded out: effects off and the speed back to normal.
    engine->log.clear();
    manager->pauseFade = 0.0f;
    manager->applyPauseEffect(bgm);
    EXPECT_EQ(engine->log, (Lines{"eq bgm 8000 12 0", "disableAllEffects bgm", "speed bgm 1"}));
    EXPECT_FLOAT_EQ(bgm->getPlaybackSpeed(), 1.0f);
}

TEST_F(SoundManagerTest, PauseEffectIgnoresMissingHandlesAndEffectControls) {
    manager->pauseFade = 1.0f;
    manager->applyPauseEffect(nullptr);
    manager->applyPauseEffect(manager->sounds[SoundManager::InfoPoint]);   // never started
    auto plain = std::static_pointer_cast<RecordingEngine::Sound>(
        engine->play2D(manager->sources[SoundManager::Fire], true, false, true, true));
    plain->withoutEffectControl = true;
    engine->log.clear();
    manager->applyPauseEffect(plain);
    EXPECT_EQ(engine->log, Lines{});
}

TEST_F(SoundManagerTest, LoopVolumeSettersActOnlyWhileTheLoopPlays) {
    manager->setBgmVolume(1.0f);
    EXPECT_EQ(engine->entries("setVolume"), Lines{});
    ambiencePending = true;
    frame();
    engine->log.clear();
    manager->setBgmVolume(0.5f);
    manager->setFireVolume(1.0f);
    manager->setBattleAmbienceVolume(2.0f);
    EXPECT_EQ(engine->log, (Lines{"setVolume bgm 0.25", "setVolume fire 0.7",
                                  "setVolume battleAmbience 0.56"}));
    engine->finish("fire");
    engine->log.clear();
    manager->setFireVolume(1.0f);
    EXPECT_EQ(engine->log, Lines{});
}

TEST_F(SoundManagerTest, PickupIsRegisteredButNoEventPlaysIt) {
    abyssSoundPending = walking = jumpSoundPending = landingSoundPending = outroSoundPending =
        narBagPending = narChestPending = narMapPending = titleSoundPending = clockTicking = true;
    for (int i = 0; i < 3; ++i)
        frame();
    for (const auto& line : plays()) {
        EXPECT_EQ(line.find("pickup"), std::string::npos) << line;
        EXPECT_NE(line.find("paused=0"), std::string::npos) << line;
        EXPECT_NE(line.find("fx=1"), std::string::npos) << line;
    }
    EXPECT_NE(manager->sources[SoundManager::Pickup], nullptr);
    EXPECT_FLOAT_EQ(manager->sources[SoundManager::Pickup]->getDefaultVolume(), 0.45f);
}

TEST_F(SoundManagerTest, ReleaseStopsEverythingThenGivesTheSourcesBackInSlotOrder) {
    titleSoundPending = true;
    frame();
    engine->log.clear();
    manager->release();
    Lines expected = {"stopAllSounds"};
    const char* slots[] = {"bgm", "fire", "battleAmbience", "pickup", "abyss", "narIntro",
                           "narBag", "narMap", "narChest", "narOutro", "landing", "infoPoint",
                           "clock", "jump1", "jump2", "jump3", "jump4", "step1", "step2",
                           "step3", "step4", "step5", "step6", "step7", "step8"};
    for (const char* name : slots)
        expected.push_back(std::string("remove ") + name);
    expected.push_back("release");
    EXPECT_EQ(engine->log, expected);
    for (int slot = 0; slot < SoundManager::SlotCount; ++slot) {
        EXPECT_EQ(manager->sources[slot], nullptr);
        EXPECT_EQ(manager->sounds[slot], nullptr);
    }
    // The frame loop may still run a pass before the window closes: it stays harmless.
    titleSoundPending = clockTicking = true;
    manager->update(kGround);
    manager->applyPauseEffect(manager->sounds[SoundManager::Bgm]);
    manager->setBgmVolume(1.0f);
}

TEST(SoundManagerSingleton, UsesTheInjectedEngineAndStaysTheSame) {
    resetStateForTests();
    auto engine = std::make_shared<RecordingEngine>();
    SoundManager::injectEngine(engine);
    SoundManager* first = SoundManager::getInstance();
    EXPECT_EQ(first->engine, engine);
    EXPECT_EQ(engine->entries("add ").size(), 25u);
    SoundManager::injectEngine(std::make_shared<RecordingEngine>());
    EXPECT_EQ(SoundManager::getInstance(), first);
    EXPECT_EQ(first->engine, engine);
}

} // namespace
