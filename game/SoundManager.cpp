#include "game/SoundManager.h"

#include "state/GlobalState.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <utility>

namespace {

std::shared_ptr<audio::SoundEngine>& injectedEngine() {
    static std::shared_ptr<audio::SoundEngine> engine;
    return engine;
}

// Registration order of the files (differs from the slot order: narOutro comes late).
constexpr SoundManager::Slot kLoadOrder[SoundManager::SlotCount] = {
    SoundManager::Bgm,      SoundManager::Fire,     SoundManager::BattleAmbience,
    SoundManager::Pickup,   SoundManager::Abyss,    SoundManager::NarIntro,
    SoundManager::NarBag,   SoundManager::NarMap,   SoundManager::NarChest,
    SoundManager::Landing,  SoundManager::InfoPoint, SoundManager::NarOutro,
    SoundManager::Clock,    SoundManager::Jump1,    SoundManager::Jump2,
    SoundManager::Jump3,    SoundManager::Jump4,    SoundManager::Step1,
    SoundManager::Step2,    SoundManager::Step3,    SoundManager::Step4,
    SoundManager::Step5,    SoundManager::Step6,    SoundManager::Step7,
    SoundManager::Step8,
};

constexpr const char* kNames[SoundManager::SlotCount] = {
    "bgm",   "fire",  "battleAmbience", "pickup", "abyss", "narIntro", "narBag",
    "narMap", "narChest", "narOutro", "landing", "infoPoint", "clock",
    "jump1", "jump2", "jump3", "jump4",
    "step1", "step2", "step3", "step4", "step5", "step6", "step7", "step8",
};

} // namespace

SoundManager* SoundManager::getInstance() {
    // Deliberately never destroyed: shutdown releases the sound explicitly.
    static SoundManager* instance = [] {
        std::shared_ptr<audio::SoundEngine> engine = std::move(injectedEngine());
        const bool device = !engine;
        if (device)
            engine = audio::createSoundDevice(audio::OutputDriver::Automatic);
        auto* manager = new SoundManager(std::move(engine));
        // A fatal error ends the process through exit() without shutdown: the device is closed
        // at exit then. After an orderly shutdown the second release does nothing.
        if (device)
            std::atexit([] { instance->release(); });
        return manager;
    }();
    return instance;
}

void SoundManager::injectEngine(std::shared_ptr<audio::SoundEngine> engine) {
    injectedEngine() = std::move(engine);
}

SoundManager::SoundManager(std::shared_ptr<audio::SoundEngine> soundEngine)
    : engine(std::move(soundEngine)) {
    loadSounds();
}

void SoundManager::loadSounds() {
    engine->setSoundVolume(masterVolume);
    for (Slot slot : kLoadOrder)
        sources[slot] = engine->addSoundSourceFromFile(
            std::string("../assets/sounds/") + kNames[slot] + ".ogg", audio::StreamMode::Automatic,
            false);
    const float volumes[SlotCount] = {
        bgmVolume,       fireVolume,      battleAmbienceVolume, pickupVolume,    abyssVolume,
        narrationVolume, narrationVolume, narrationVolume,      narrationVolume, narrationVolume,
        landingVolume,   infoPointVolume, clockVolume,
        jumpVolume,      jumpVolume,      jumpVolume,           jumpVolume,
        stepVolume,      stepVolume,      stepVolume,           stepVolume,
        stepVolume,      stepVolume,      stepVolume,           stepVolume,
    };
    for (int slot = 0; slot < SlotCount; ++slot)
        if (sources[slot])
            sources[slot]->setDefaultVolume(volumes[slot]);
}

bool SoundManager::idle(Slot slot) const { return !engine->isCurrentlyPlaying(sources[slot]); }

audio::SoundHandle SoundManager::play(Slot slot, bool looped, bool track) {
    // Effects are always enabled so the handle exists for the pause effect.
    return engine->play2D(sources[slot], looped, false, track, true);
}

void SoundManager::update(float playerY) {
    // An abyss whoosh already running swallows the new event.
    if (abyssSoundPending) {
        if (idle(Abyss))
            play(Abyss, false, false);
        abyssSoundPending = false;
    }
    if (walking && playerY < -1.32f)
        playStep();
    if (jumpSoundPending)
        playJump();
    // A landing waits for the previous one to end instead of being dropped.
    if (landingSoundPending && idle(Landing)) {
        play(Landing, false, false);
        landingSoundPending = false;
    }
    if (outroSoundPending) {
        if (idle(NarOutro))
            sounds[NarOutro] = play(NarOutro, false, false);
        outroSoundPending = false;
    }
    const std::pair<bool*, Slot> narrations[] = {
        {&narBagPending, NarBag}, {&narChestPending, NarChest}, {&narMapPending, NarMap}};
    for (const auto& [pending, slot] : narrations) {
        if (*pending) {
            if (idle(slot))
                play(slot, false, false);
            *pending = false;
        }
    }
    if (ambiencePending) {
        // The loading screen: the loops without narration, the chime starting silent.
        for (Slot slot : {Bgm, Fire, BattleAmbience, InfoPoint})
            if (idle(slot))
                sounds[slot] = play(slot, true, true);
        if (sounds[InfoPoint])
            sounds[InfoPoint]->setVolume(0.0f);
        ambiencePending = false;
        titleSoundPending = false;
    } else if (titleSoundPending) {
        startAmbience();
    }
    // The frame update raises clockTicking anew every frame of the last seconds.
    if (clockTicking) {
        if (idle(Clock))
            sounds[Clock] = play(Clock, false, false);
        clockTicking = false;
    } else if (sounds[Clock]) {
        sounds[Clock]->stop();
    }
}

void SoundManager::startAmbience() {
    for (Slot slot : {Bgm, Fire, BattleAmbience})
        if (idle(slot))
            sounds[slot] = play(slot, true, false);
    if (idle(InfoPoint)) {
        sounds[InfoPoint] = play(InfoPoint, true, true);
        if (sounds[InfoPoint])
            sounds[InfoPoint]->setVolume(0.0f);
    }
    if (idle(NarIntro))
        play(NarIntro, false, true);
    if (sounds[Bgm])
        sounds[Bgm]->setVolume(bgmVolume * 0.6f);
    titleSoundPending = false;
    ambiencePending = false;
}

void SoundManager::playJump() {
    for (int slot = Jump1; slot <= Jump4; ++slot) {
        if (!idle(Slot(slot))) {
            jumpSoundPending = false;
            return;
        }
    }
    // The flag stays up: next frame finds this jump playing and clears it.
    jumpIndex = (jumpIndex + 1) % 4;
    Slot slot = Slot(Jump1 + jumpIndex);
    if (idle(slot))
        play(slot, false, false);
}

void SoundManager::playStep() {
    for (int slot = Step1; slot <= Step8; ++slot) {
        if (!idle(Slot(slot))) {
            walking = false;
            return;
        }
    }
    stepIndex = stepIndex % 8;
    Slot slot = Slot(Step1 + stepIndex);
    // The returned handle is not kept: the engine holds the play until it ends.
    if (idle(slot))
        play(slot, false, false);
    ++stepIndex;
}

void SoundManager::setLoopVolume(Slot slot, float volume) {
    if (!idle(slot) && sounds[slot])
        sounds[slot]->setVolume(volume);
}

void SoundManager::setBgmVolume(float factor) { setLoopVolume(Bgm, factor * bgmVolume); }
void SoundManager::setFireVolume(float factor) { setLoopVolume(Fire, factor * fireVolume); }
void SoundManager::setBattleAmbienceVolume(float factor) {
    setLoopVolume(BattleAmbience, factor * battleAmbienceVolume);
}

void SoundManager::applyPauseEffect(const audio::SoundHandle& sound) {
    if (!sound)
        return;
    audio::SoundEffectControl* effects = sound->getSoundEffectControl();
    if (!effects)
        return;
    const float f = pauseFade;
    if (f == 0.0f) {
        effects->enableParamEqSoundEffect(8000.0f, 12.0f, 0.0f);
        effects->disableAllEffects();
        // The fade-out's last step left the speed just below 1; the pause is over.
        sound->setPlaybackSpeed(1.0f);
        return;
    }
    sound->setPlaybackSpeed(1.0f - f / 15.0f);
    // Echo delays below 1 ms are outside the echo's range: hold them there early in the fade.
    const float delay = std::max(1.0f, 300.0f * f);
    effects->enableEchoSoundEffect(20.0f * f, 20.0f * f, delay, delay, 0);
    effects->enableParamEqSoundEffect(8000.0f - 5000.0f * f, 12.0f - 7.0f * f, -5.0f * f);
}

void SoundManager::release() {
    if (!engine)
        return;
    engine->stopAllSounds();
    // The sources belong to the engine: it is the engine that gives them up, in slot order.
    for (auto& source : sources) {
        engine->removeSoundSource(source);
        source = nullptr;
    }
    for (auto& sound : sounds)
        sound.reset();
    engine->release();
}
