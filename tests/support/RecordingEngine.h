#pragma once
// A sound engine that plays nothing and writes down every call the game makes, in order.
// Sounds keep "playing" until the test ends them, so each frame's dispatch can be checked
// against exactly the state it saw.

#include "platform/audio/SoundEngine.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class RecordingEngine : public audio::SoundEngine {
public:
    static std::string num(float value) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", double(value));
        return text;
    }

    class Source : public audio::SoundSource {
    public:
        Source(RecordingEngine& engine, std::string path, std::string name)
            : engine_(engine), path_(std::move(path)), name_(std::move(name)) {}
        const std::string& getName() const override { return path_; }
        void setDefaultVolume(float volume) override {
            volume_ = volume;
            engine_.log.push_back("setDefaultVolume " + name_ + " " + num(volume));
        }
        float getDefaultVolume() const override { return volume_; }
        float getPlayLength() const override { return 1.0f; }
        const std::string& name() const { return name_; }
        bool removed = false;

    private:
        RecordingEngine& engine_;
        std::string path_, name_;
        float volume_ = 1.0f;
    };

    class Sound : public audio::Sound, public audio::SoundEffectControl {
    public:
        Sound(RecordingEngine& engine, Source* source, bool looped, bool effects)
            : engine_(engine), source_(source), looped_(looped), effects_(effects),
              volume_(source->getDefaultVolume()) {}
        void setVolume(float volume) override {
            volume_ = volume;
            note("setVolume", num(volume));
        }
        float getVolume() const override { return volume_; }
        void setIsPaused(bool paused) override { note("setIsPaused", paused ? "1" : "0"); }
        void stop() override {
            playing = false;
            note("stop", "");
        }
        bool setPlaybackSpeed(float speed) override {
            speed_ = speed;
            note("speed", num(speed));
            return true;
        }
        float getPlaybackSpeed() const override { return speed_; }
        bool isLooped() const override { return looped_; }
        bool isFinished() override { return !playing; }
        audio::SoundEffectControl* getSoundEffectControl() override {
            return effects_ && !withoutEffectControl ? this : nullptr;
        }
        audio::SoundSource* getSoundSource() const override { return source_; }

        void disableAllEffects() override {
            echo_ = eq_ = false;
            note("disableAllEffects", "");
        }
        bool enableEchoSoundEffect(float wet, float feedback, float left, float right,
                                   int pan) override {
            echo_ = true;
            note("echo", num(wet) + " " + num(feedback) + " " + num(left) + " " + num(right) + " " +
                             std::to_string(pan));
            return true;
        }
        bool isEchoSoundEffectEnabled() const override { return echo_; }
        bool enableParamEqSoundEffect(float center, float bandwidth, float gain) override {
            eq_ = true;
            note("eq", num(center) + " " + num(bandwidth) + " " + num(gain));
            return true;
        }
        bool isParamEqSoundEffectEnabled() const override { return eq_; }

        bool playing = true;
        bool withoutEffectControl = false;
        Source* source() const { return source_; }

    private:
        void note(const std::string& what, const std::string& args) {
            engine_.log.push_back(what + " " + source_->name() + (args.empty() ? "" : " " + args));
        }
        RecordingEngine& engine_;
        Source* source_;
        bool looped_, effects_;
        float volume_;
        float speed_ = 1.0f;
        bool echo_ = false, eq_ = false;
    };

    // --- SoundEngine ---
    void setSoundVolume(float volume) override {
        master = volume;
        log.push_back("setSoundVolume " + num(volume));
    }
    float getSoundVolume() const override { return master; }
    audio::SoundSource* addSoundSourceFromFile(const std::string& path, audio::StreamMode mode,
                                               bool preload) override {
        log.push_back("add " + path + " mode=" + std::to_string(int(mode)) +
                      " preload=" + (preload ? "1" : "0"));
        std::string stem = path.substr(path.find_last_of('/') + 1);
        stem = stem.substr(0, stem.find('.'));
        sources.push_back(std::make_unique<Source>(*this, path, stem));
        return sources.back().get();
    }
    void removeSoundSource(audio::SoundSource* source) override {
        // Kept in memory (handles still point at it) but no longer known.
        if (Source* known = find(source)) {
            log.push_back("remove " + known->name());
            for (auto& sound : sounds)
                if (sound->source() == known)
                    sound->playing = false;
            known->removed = true;
            return;
        }
        log.push_back(source ? "remove unknown" : "remove null");
    }
    audio::SoundHandle play2D(audio::SoundSource* source, bool looped, bool startPaused, bool track,
                              bool effects) override {
        auto* known = find(source);
        log.push_back(std::string("play ") + (known ? known->name() : "unknown") +
                      " looped=" + (looped ? "1" : "0") + " paused=" + (startPaused ? "1" : "0") +
                      " track=" + (track ? "1" : "0") + " fx=" + (effects ? "1" : "0"));
        if (!known)
            return nullptr;
        auto sound = std::make_shared<Sound>(*this, known, looped, effects);
        sounds.push_back(sound);
        return sound;
    }
    bool isCurrentlyPlaying(audio::SoundSource* source) override {
        for (auto& sound : sounds)
            if (sound->source() == source && sound->playing)
                return true;
        return false;
    }
    void stopAllSounds() override {
        for (auto& sound : sounds)
            sound->playing = false;
        log.push_back("stopAllSounds");
    }
    void release() override { log.push_back("release"); }

    // --- test controls ---
    Source* source(const std::string& name) {
        for (auto& s : sources)
            if (s->name() == name)
                return s.get();
        return nullptr;
    }
    // Ends every play of the named sound, as if it had run to its end.
    void finish(const std::string& name) {
        for (auto& sound : sounds)
            if (sound->source()->name() == name)
                sound->playing = false;
    }
    bool playing(const std::string& name) { return isCurrentlyPlaying(source(name)); }
    // The log entries that start with prefix, in order.
    std::vector<std::string> entries(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& line : log)
            if (line.compare(0, prefix.size(), prefix) == 0)
                out.push_back(line);
        return out;
    }

    std::vector<std::string> log;
    std::vector<std::unique_ptr<Source>> sources;
    std::vector<std::shared_ptr<Sound>> sounds;
    float master = 1.0f;

private:
    Source* find(audio::SoundSource* source) {
        for (auto& s : sources)
            if (s.get() == source && !s->removed)
                return s.get();
        return nullptr;
    }
};
