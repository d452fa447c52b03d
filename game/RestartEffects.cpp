#include "game/Rules.h"

#include "game/SoundManager.h"
#include "renderer/PlayerModel.h"

void restoreLoopsAndIdleOnRestart() {
    SoundManager& sound = *SoundManager::getInstance();
    // A factor of 1 is the base volume; loops that are not playing are left alone.
    sound.setBgmVolume(1.0f);
    sound.setFireVolume(1.0f);
    sound.setBattleAmbienceVolume(1.0f);
    PlayerModel::getInstance()->idleCounter = 0;
}
