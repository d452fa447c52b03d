#include "platform/audio/OpenAlSoundEngine.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "platform/audio/OggDecoder.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/efx.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <iostream>
#include <new>
#include <vector>

namespace audio {

namespace detail {

using Clock = std::chrono::steady_clock;

std::atomic<int> liveSounds{0};

class SoundImpl;

float clampFinite(float value, float lo, float hi, float fallback) {
    if (!std::isfinite(value))
        return fallback;
    return std::min(hi, std::max(lo, value));
}

// Storage for sound objects together with their shared counts, recycled: a play takes the
// block an earlier play gave back instead of asking the heap, so steady play allocates nothing.
// A block comes back only when nobody holds its sound any more, so a handle a caller keeps
// is never handed out again. Used from the game's thread only, like the rest of the engine.
class SoundBlockPool {
public:
    SoundBlockPool() = default;
    SoundBlockPool(const SoundBlockPool&) = delete;
    SoundBlockPool& operator=(const SoundBlockPool&) = delete;
    ~SoundBlockPool() {
        while (free_ != nullptr) {
            Block* block = free_;
            free_ = block->next;
            ::operator delete(block);
        }
    }

    void* take(std::size_t bytes) {
        if (blockBytes_ == 0 && bytes >= sizeof(Block))
            blockBytes_ = bytes;
        if (bytes == blockBytes_ && free_ != nullptr) {
            Block* block = free_;
            free_ = block->next;
            --freeCount_;
            return block;
        }
        return ::operator new(bytes);
    }

    void give(void* storage, std::size_t bytes) {
        // Enough blocks for every sound a busy moment keeps alive; a rare burst beyond that
        // goes back to the heap.
        constexpr int kKeep = 64;
        if (bytes != blockBytes_ || freeCount_ >= kKeep) {
            ::operator delete(storage);
            return;
        }
        Block* block = ::new (storage) Block{free_};
        free_ = block;
        ++freeCount_;
    }

private:
    struct Block {
        Block* next;
    };
    std::size_t blockBytes_ = 0;   // the one size recycled: a sound and its counts
    Block* free_ = nullptr;
    int freeCount_ = 0;
};

// Hands std::allocate_shared the pool's blocks. Every copy shares the pool, so the pool lives
// until the last sound has given its block back, even when the engine has gone before.
template <class T>
struct PooledAllocator {
    using value_type = T;
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__, "the pool's blocks come from plain new");

    explicit PooledAllocator(std::shared_ptr<SoundBlockPool> blocks) : pool(std::move(blocks)) {}
    template <class U>
    PooledAllocator(const PooledAllocator<U>& other) : pool(other.pool) {}

    T* allocate(std::size_t n) { return static_cast<T*>(pool->take(n * sizeof(T))); }
    void deallocate(T* storage, std::size_t n) { pool->give(storage, n * sizeof(T)); }

    template <class U>
    bool operator==(const PooledAllocator<U>& other) const { return pool == other.pool; }
    template <class U>
    bool operator!=(const PooledAllocator<U>& other) const { return pool != other.pool; }

    std::shared_ptr<SoundBlockPool> pool;
};

class SourceImpl final : public SoundSource {
public:
    SourceImpl(std::string name, double length, ALuint buffer)
        : name_(std::move(name)), length_(length), buffer_(buffer) {}

    const std::string& getName() const override { return name_; }
    void setDefaultVolume(float volume) override {
        defaultVolume_ = clampFinite(volume, 0.0f, 1.0f, defaultVolume_);
    }
    float getDefaultVolume() const override { return defaultVolume_; }
    float getPlayLength() const override { return float(length_); }

    double length() const { return length_; }
    ALuint buffer() const { return buffer_; }
    void forgetBuffer() { buffer_ = 0; }
    bool removed = false;

private:
    std::string name_;
    double length_;    // seconds at speed 1; 0 for a file that could not be read
    ALuint buffer_;    // 0 when silent (no device or no audio)
    float defaultVolume_ = 1.0f;
};

// Everything one engine owns. Sounds keep it alive through a shared pointer, so a handle
// may outlive the engine object; once released, the core only answers "finished".
struct Core {
    Core() {
        // Room for every play of a busy moment, so steady play never grows these.
        active.reserve(64);
        freeSources.reserve(OpenAlSoundEngine::kMaxOpenAlSources);
        retired.reserve(16);
        freeSlots.reserve(16);
        freeEffects.reserve(16);
        freeFilters.reserve(16);
    }

    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    bool efx = false;
    int maxSends = 0;
    bool released = false;
    float masterVolume = 1.0f;
    std::string deviceName;

    // Stopped sources no play holds. Each keeps the buffer it last played: binding a buffer
    // makes OpenAL Soft allocate, so a play takes a source already bound to its buffer if
    // there is one.
    struct FreeSource {
        ALuint source;
        ALuint buffer;
    };
    std::vector<FreeSource> freeSources;
    int sourcesCreated = 0;
    int slotsInUse = 0;   // held by a play or letting an echo die away

    // Effect objects no play holds, kept for the next play that asks for an effect. An idle
    // slot has no effect attached and its gain back at 1, as a new one would.
    std::vector<ALuint> freeSlots;
    std::vector<ALuint> freeEffects;
    std::vector<ALuint> freeFilters;

    std::vector<std::shared_ptr<SourceImpl>> sources;
    std::vector<std::shared_ptr<SoundImpl>> active;
    std::shared_ptr<SoundBlockPool> soundBlocks = std::make_shared<SoundBlockPool>();

    // Effect slots of ended sounds, kept until their echo has died away.
    struct Retired {
        ALuint slot;
        ALuint effect;
        Clock::time_point until;
    };
    std::vector<Retired> retired;
    void retire(ALuint slot, ALuint effect, double seconds);
    // Slots whose echo has died away go back to the idle ones.
    void recycleRetired();

    // 0 when OpenAL has none to give; the caller has made the context current.
    ALuint takeSlot();
    ALuint takeEffect(ALint type);
    ALuint takeLowpassFilter();
    void giveBackFilter(ALuint filter) { freeFilters.push_back(filter); }

    bool live() const { return !released && context != nullptr; }

    // Several engines may exist in one process (tests); AL calls go to the current context.
    bool makeCurrent() {
        if (!live())
            return false;
        if (alcGetCurrentContext() != context)
            alcMakeContextCurrent(context);
        return true;
    }

    // A stopped, rewound source with the buffer bound, or 0 when none is left.
    ALuint acquireSource(ALuint buffer);
    void giveBackSource(ALuint source, ALuint buffer);
    // Unbinds the buffer from the free sources, so that it can be deleted.
    void unbindBuffer(ALuint buffer);
    void collect();
    void shutdown();
};

class SoundImpl final : public Sound, public SoundEffectControl {
public:
    SoundImpl(std::shared_ptr<Core> core, std::shared_ptr<SourceImpl> source, bool looped,
              bool effects)
        : core_(std::move(core)), source_(std::move(source)), looped_(looped),
          effectsEnabled_(effects), volume_(source_->getDefaultVolume()),
          lastTick_(Clock::now()) {
        ++liveSounds;
    }

    ~SoundImpl() override {
        finish();
        --liveSounds;
    }

    // Takes an OpenAL source bound to this sound's buffer (0 = run on time alone) and starts
    // unless paused.
    void start(ALuint alSource, bool paused) {
        alSource_ = alSource;
        paused_ = paused;
        lastTick_ = Clock::now();
        if (alSource_ != 0) {
            alSourcei(alSource_, AL_SOURCE_RELATIVE, AL_TRUE);
            alSource3f(alSource_, AL_POSITION, 0.0f, 0.0f, 0.0f);
            alSourcef(alSource_, AL_ROLLOFF_FACTOR, 0.0f);
            alSourcei(alSource_, AL_LOOPING, looped_ ? AL_TRUE : AL_FALSE);
            alSourcef(alSource_, AL_GAIN, volume_);
            alSourcef(alSource_, AL_PITCH, speed_);
            if (!paused_)
                alSourcePlay(alSource_);
        }
        if (!looped_ && source_->length() <= 0.0)
            finish();   // nothing to hear: a failed file ends at once
    }

    // --- Sound ---
    void setVolume(float volume) override {
        volume_ = clampFinite(volume, 0.0f, 1.0f, volume_);
        if (alSource_ != 0 && core_->makeCurrent())
            alSourcef(alSource_, AL_GAIN, volume_);
    }
    float getVolume() const override { return volume_; }

    void setIsPaused(bool paused) override {
        if (finished_ || paused == paused_)
            return;
        advance();
        paused_ = paused;
        if (alSource_ != 0 && core_->makeCurrent()) {
            if (paused)
                alSourcePause(alSource_);
            else
                alSourcePlay(alSource_);
        }
    }

    void stop() override { finish(); }

    bool setPlaybackSpeed(float speed) override {
        if (!std::isfinite(speed) || speed < 0.01f || speed > 8.0f)
            return false;
        advance();
        speed_ = speed;
        if (alSource_ != 0 && core_->makeCurrent())
            alSourcef(alSource_, AL_PITCH, speed_);
        return true;
    }
    float getPlaybackSpeed() const override { return speed_; }
    bool isLooped() const override { return looped_; }

    bool isFinished() override {
        if (finished_)
            return true;
        if (core_->released) {
            finish();
            return true;
        }
        if (alSource_ != 0) {
            if (!core_->makeCurrent())
                return true;
            ALint state = AL_STOPPED;
            alGetSourcei(alSource_, AL_SOURCE_STATE, &state);
            if (state == AL_STOPPED)
                finish();
        } else {
            advance();
            if (!looped_ && position_ >= source_->length())
                finish();
        }
        return finished_;
    }

    SoundEffectControl* getSoundEffectControl() override {
        return effectsEnabled_ ? static_cast<SoundEffectControl*>(this) : nullptr;
    }
    SoundSource* getSoundSource() const override {
        return source_->removed ? nullptr : source_.get();
    }

    // --- SoundEffectControl ---
    void disableAllEffects() override {
        echoOn_ = false;
        eqOn_ = false;
        if (alSource_ != 0 && core_->makeCurrent()) {
            route();
            freeEffects();
        }
    }

    bool enableEchoSoundEffect(float wetDryMix, float feedback, float leftDelay, float rightDelay,
                               int panDelay) override {
        if (!effectsEnabled_)
            return false;
        wet_ = clampFinite(wetDryMix, 0.0f, 100.0f, 50.0f);
        feedback_ = clampFinite(feedback, 0.0f, 100.0f, 50.0f);
        leftDelay_ = clampFinite(leftDelay, 1.0f, 2000.0f, 500.0f);
        rightDelay_ = clampFinite(rightDelay, 1.0f, 2000.0f, 500.0f);
        panDelay_ = panDelay != 0;
        echoOn_ = true;
        if (alSource_ != 0 && core_->efx && core_->makeCurrent()) {
            if (!ensureEffect(echoEffect_, echoSlot_, AL_EFFECT_ECHO))
                return false;
            // EFX echo: a first tap after DELAY (up to 207 ms) and a second one LRDELAY later
            // (up to 404 ms) that feeds back. The first tap takes the left delay, the second
            // lands on the right delay where the ranges allow.
            float first = std::min(leftDelay_ / 1000.0f, AL_ECHO_MAX_DELAY);
            float second = clampFinite(rightDelay_ / 1000.0f - first, AL_ECHO_MIN_LRDELAY,
                                       AL_ECHO_MAX_LRDELAY, 0.0f);
            alEffectf(echoEffect_, AL_ECHO_DELAY, first);
            alEffectf(echoEffect_, AL_ECHO_LRDELAY, second);
            alEffectf(echoEffect_, AL_ECHO_DAMPING, 0.0f);
            alEffectf(echoEffect_, AL_ECHO_FEEDBACK, std::min(feedback_ / 100.0f, 0.99f));
            alEffectf(echoEffect_, AL_ECHO_SPREAD, panDelay_ ? -1.0f : 0.0f);
            // A slot copies its effect when attached, so changes need a fresh attach.
            alAuxiliaryEffectSloti(echoSlot_, AL_EFFECTSLOT_EFFECT, ALint(echoEffect_));
            route();
        }
        return true;
    }
    bool isEchoSoundEffectEnabled() const override { return echoOn_; }

    bool enableParamEqSoundEffect(float center, float bandwidth, float gain) override {
        if (!effectsEnabled_)
            return false;
        center_ = clampFinite(center, 80.0f, 16000.0f, 8000.0f);
        bandwidth_ = clampFinite(bandwidth, 1.0f, 36.0f, 12.0f);
        gainDb_ = clampFinite(gain, -15.0f, 15.0f, 0.0f);
        eqOn_ = true;
        if (alSource_ != 0 && core_->efx && core_->makeCurrent()) {
            if (!ensureEffect(eqEffect_, eqSlot_, AL_EFFECT_EQUALIZER))
                return false;
            float linear = clampFinite(std::pow(10.0f, gainDb_ / 20.0f), AL_EQUALIZER_MIN_MID1_GAIN,
                                       AL_EQUALIZER_MAX_MID1_GAIN, 1.0f);
            float octaves = clampFinite(bandwidth_ / 12.0f, AL_EQUALIZER_MIN_MID1_WIDTH,
                                        AL_EQUALIZER_MAX_MID1_WIDTH, 1.0f);
            // Flat everywhere except the one band whose range holds the centre.
            alEffectf(eqEffect_, AL_EQUALIZER_LOW_GAIN, 1.0f);
            alEffectf(eqEffect_, AL_EQUALIZER_MID1_GAIN, 1.0f);
            alEffectf(eqEffect_, AL_EQUALIZER_MID2_GAIN, 1.0f);
            alEffectf(eqEffect_, AL_EQUALIZER_HIGH_GAIN, 1.0f);
            if (center_ >= AL_EQUALIZER_MIN_MID2_CENTER && center_ <= AL_EQUALIZER_MAX_MID2_CENTER) {
                alEffectf(eqEffect_, AL_EQUALIZER_MID2_CENTER, center_);
                alEffectf(eqEffect_, AL_EQUALIZER_MID2_WIDTH, octaves);
                alEffectf(eqEffect_, AL_EQUALIZER_MID2_GAIN, linear);
            } else if (center_ >= AL_EQUALIZER_MIN_MID1_CENTER && center_ < AL_EQUALIZER_MIN_MID2_CENTER) {
                alEffectf(eqEffect_, AL_EQUALIZER_MID1_CENTER, center_);
                alEffectf(eqEffect_, AL_EQUALIZER_MID1_WIDTH, octaves);
                alEffectf(eqEffect_, AL_EQUALIZER_MID1_GAIN, linear);
            } else if (center_ < AL_EQUALIZER_MIN_MID1_CENTER) {
                alEffectf(eqEffect_, AL_EQUALIZER_LOW_CUTOFF,
                          std::max(AL_EQUALIZER_MIN_LOW_CUTOFF,
                                   std::min(center_, AL_EQUALIZER_MAX_LOW_CUTOFF)));
                alEffectf(eqEffect_, AL_EQUALIZER_LOW_GAIN, linear);
            } else {
                alEffectf(eqEffect_, AL_EQUALIZER_HIGH_CUTOFF,
                          std::max(AL_EQUALIZER_MIN_HIGH_CUTOFF,
                                   std::min(center_, AL_EQUALIZER_MAX_HIGH_CUTOFF)));
                alEffectf(eqEffect_, AL_EQUALIZER_HIGH_GAIN, linear);
            }
            alAuxiliaryEffectSloti(eqSlot_, AL_EFFECTSLOT_EFFECT, ALint(eqEffect_));
            route();
        }
        return true;
    }
    bool isParamEqSoundEffectEnabled() const override { return eqOn_; }

    // --- engine side ---
    const SourceImpl* source() const { return source_.get(); }
    bool finished() const { return finished_; }

    // Ends the play and gives every OpenAL object back. Safe to call repeatedly.
    void finish() {
        if (finished_)
            return;
        finished_ = true;
        echoOn_ = false;
        eqOn_ = false;
        if (alSource_ != 0) {
            if (core_->makeCurrent()) {
                alSourceStop(alSource_);
                freeEffects();
                core_->giveBackSource(alSource_, source_->buffer());
            }
            alSource_ = 0;
        }
    }

private:
    // Position at speed 1, for plays without an OpenAL source.
    void advance() {
        Clock::time_point now = Clock::now();
        if (!paused_ && !finished_)
            position_ += std::chrono::duration<double>(now - lastTick_).count() * double(speed_);
        lastTick_ = now;
    }

    bool ensureEffect(ALuint& effect, ALuint& slot, ALint type) {
        if (effect == 0 && (effect = core_->takeEffect(type)) == 0)
            return false;
        if (slot == 0 && (slot = core_->takeSlot()) == 0)
            return false;
        return true;
    }

    // Dry path, equaliser and echo as parallel sends (EFX 1.19 cannot chain slots): with the
    // equaliser on, the dry path is muted and the equalised copy stands in for it; the echo
    // takes the wet share of the mix, the rest stays dry.
    void route() {
        // Without the sends to carry them, the effects are left out rather than muting the dry path.
        bool eq = eqOn_ && eqSlot_ != 0 && core_->maxSends >= 1;
        bool echo = echoOn_ && echoSlot_ != 0 && core_->maxSends >= 2;
        float wet = echo ? wet_ / 100.0f : 0.0f;
        float dry = 1.0f - wet;
        if (eq || dry < 1.0f) {
            if (dryFilter_ == 0)
                dryFilter_ = core_->takeLowpassFilter();
            if (dryFilter_ != 0) {
                alFilterf(dryFilter_, AL_LOWPASS_GAIN, eq ? 0.0f : dry);
                alFilterf(dryFilter_, AL_LOWPASS_GAINHF, 1.0f);
                alSourcei(alSource_, AL_DIRECT_FILTER, ALint(dryFilter_));
            }
        } else {
            alSourcei(alSource_, AL_DIRECT_FILTER, AL_FILTER_NULL);
        }
        if (core_->maxSends >= 1) {
            if (eq) {
                alAuxiliaryEffectSlotf(eqSlot_, AL_EFFECTSLOT_GAIN, dry);
                alSource3i(alSource_, AL_AUXILIARY_SEND_FILTER, ALint(eqSlot_), 0, AL_FILTER_NULL);
            } else {
                alSource3i(alSource_, AL_AUXILIARY_SEND_FILTER, AL_EFFECTSLOT_NULL, 0, AL_FILTER_NULL);
            }
        }
        if (core_->maxSends >= 2) {
            if (echo) {
                alAuxiliaryEffectSlotf(echoSlot_, AL_EFFECTSLOT_GAIN, wet);
                alSource3i(alSource_, AL_AUXILIARY_SEND_FILTER, ALint(echoSlot_), 1, AL_FILTER_NULL);
            } else {
                alSource3i(alSource_, AL_AUXILIARY_SEND_FILTER, AL_EFFECTSLOT_NULL, 1, AL_FILTER_NULL);
            }
        }
    }

    // Detaches the sends and hands their slots to the core, which keeps them from reuse until
    // the echo's repeats have faded (a slot goes on sounding after its source has let go).
    void freeEffects() {
        if (alSource_ != 0) {
            alSourcei(alSource_, AL_DIRECT_FILTER, AL_FILTER_NULL);
            for (int send = 0; send < std::min(core_->maxSends, 2); ++send)
                alSource3i(alSource_, AL_AUXILIARY_SEND_FILTER, AL_EFFECTSLOT_NULL, send,
                           AL_FILTER_NULL);
        }
        if (echoSlot_ != 0 || echoEffect_ != 0) {
            // Repeats fall by the feedback each period; keep them until 60 dB down, at most 4 s.
            double period = (leftDelay_ + rightDelay_) / 2000.0;
            double fb = std::min(0.99, std::max(0.01, double(feedback_) / 100.0));
            double tail = std::min(4.0, period * (1.0 + std::log(0.001) / std::log(fb)) + 0.1);
            core_->retire(echoSlot_, echoEffect_, tail);
            echoSlot_ = echoEffect_ = 0;
        }
        if (eqSlot_ != 0 || eqEffect_ != 0) {
            core_->retire(eqSlot_, eqEffect_, 0.1);
            eqSlot_ = eqEffect_ = 0;
        }
        if (dryFilter_ != 0) {
            // A source copies a filter's values when it is attached: the object is free now.
            core_->giveBackFilter(dryFilter_);
            dryFilter_ = 0;
        }
    }

    std::shared_ptr<Core> core_;
    std::shared_ptr<SourceImpl> source_;
    bool looped_;
    bool effectsEnabled_;
    float volume_;
    float speed_ = 1.0f;
    bool paused_ = false;
    bool finished_ = false;
    ALuint alSource_ = 0;

    double position_ = 0.0;           // seconds at speed 1 since the start (no-source plays)
    Clock::time_point lastTick_;

    bool echoOn_ = false;
    float wet_ = 50.0f, feedback_ = 50.0f, leftDelay_ = 500.0f, rightDelay_ = 500.0f;
    bool panDelay_ = false;
    bool eqOn_ = false;
    float center_ = 8000.0f, bandwidth_ = 12.0f, gainDb_ = 0.0f;
    ALuint echoEffect_ = 0, echoSlot_ = 0, eqEffect_ = 0, eqSlot_ = 0, dryFilter_ = 0;
};

ALuint Core::acquireSource(ALuint buffer) {
    if (!makeCurrent())
        return 0;
    if (freeSources.empty())
        collect();
    auto take = [this](std::vector<FreeSource>::iterator it) {
        FreeSource taken = *it;
        *it = freeSources.back();
        freeSources.pop_back();
        return taken;
    };
    auto bound = std::find_if(freeSources.begin(), freeSources.end(),
                              [buffer](const FreeSource& f) { return f.buffer == buffer; });
    if (bound != freeSources.end())
        return take(bound).source;
    // Below the limit a new source is made rather than a free one rebound, so that in time
    // every sound that plays often has a source of its own.
    FreeSource chosen{0, 0};
    if (sourcesCreated < OpenAlSoundEngine::kMaxOpenAlSources) {
        alGetError();
        alGenSources(1, &chosen.source);
        if (alGetError() == AL_NO_ERROR)
            ++sourcesCreated;
        else
            chosen.source = 0;
    }
    if (chosen.source == 0 && !freeSources.empty())
        chosen = take(freeSources.end() - 1);
    if (chosen.source != 0)
        alSourcei(chosen.source, AL_BUFFER, ALint(buffer));
    return chosen.source;
}

void Core::giveBackSource(ALuint source, ALuint buffer) {
    // Back to a neutral state so the next play starts clean. A stopped source would stay
    // "stopped" until played, so a play started paused on it would count as ended at once.
    alSourceStop(source);
    alSourceRewind(source);
    alSourcei(source, AL_LOOPING, AL_FALSE);
    alSourcef(source, AL_PITCH, 1.0f);
    alSourcef(source, AL_GAIN, 1.0f);
    freeSources.push_back({source, buffer});
}

void Core::unbindBuffer(ALuint buffer) {
    for (FreeSource& free : freeSources) {
        if (free.buffer == buffer) {
            alSourcei(free.source, AL_BUFFER, 0);
            free.buffer = 0;
        }
    }
}

void Core::collect() {
    // isFinished gives a source back as soon as it notices the end.
    auto ended = [](const std::shared_ptr<SoundImpl>& sound) { return sound->isFinished(); };
    active.erase(std::remove_if(active.begin(), active.end(), ended), active.end());
    recycleRetired();
}

void Core::retire(ALuint slot, ALuint effect, double seconds) {
    auto until = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                    std::chrono::duration<double>(seconds));
    retired.push_back({slot, effect, until});
}

void Core::recycleRetired() {
    if (retired.empty() || !makeCurrent())
        return;
    Clock::time_point now = Clock::now();
    auto done = [&](const Retired& r) {
        if (now < r.until)
            return false;
        if (r.slot != 0) {
            // Detaching the effect silences the slot at once, as deleting it did, and the
            // next effect attached starts from a clean state.
            alAuxiliaryEffectSloti(r.slot, AL_EFFECTSLOT_EFFECT, AL_EFFECT_NULL);
            alAuxiliaryEffectSlotf(r.slot, AL_EFFECTSLOT_GAIN, 1.0f);
            freeSlots.push_back(r.slot);
            --slotsInUse;
        }
        if (r.effect != 0)
            freeEffects.push_back(r.effect);
        return true;
    };
    retired.erase(std::remove_if(retired.begin(), retired.end(), done), retired.end());
}

// A name given back earlier, else a new one from `generate` (an alGen* entry point); 0 when the
// library cannot make one.
template <typename Generate>
ALuint takeOrGenerate(std::vector<ALuint>& pool, Generate generate) {
    if (!pool.empty()) {
        const ALuint name = pool.back();
        pool.pop_back();
        return name;
    }
    ALuint name = 0;
    alGetError();
    generate(1, &name);
    return alGetError() == AL_NO_ERROR ? name : 0;
}

ALuint Core::takeSlot() {
    const ALuint slot = takeOrGenerate(freeSlots, alGenAuxiliaryEffectSlots);
    if (slot != 0)
        ++slotsInUse;
    return slot;
}

ALuint Core::takeEffect(ALint type) {
    const ALuint effect = takeOrGenerate(freeEffects, alGenEffects);
    // Setting the type puts every parameter back to that type's default.
    if (effect != 0)
        alEffecti(effect, AL_EFFECT_TYPE, type);
    return effect;
}

ALuint Core::takeLowpassFilter() {
    const ALuint filter = takeOrGenerate(freeFilters, alGenFilters);
    if (filter != 0)
        alFilteri(filter, AL_FILTER_TYPE, AL_FILTER_LOWPASS);
    return filter;
}

void Core::shutdown() {
    if (released)
        return;
    bool current = makeCurrent();
    std::vector<std::shared_ptr<SoundImpl>> ending;
    ending.swap(active);
    for (auto& sound : ending)
        sound->finish();
    ending.clear();
    if (current) {
        for (const Retired& r : retired) {
            if (r.slot != 0)
                alDeleteAuxiliaryEffectSlots(1, &r.slot);
            if (r.effect != 0)
                alDeleteEffects(1, &r.effect);
        }
        if (!freeSlots.empty())
            alDeleteAuxiliaryEffectSlots(ALsizei(freeSlots.size()), freeSlots.data());
        if (!freeEffects.empty())
            alDeleteEffects(ALsizei(freeEffects.size()), freeEffects.data());
        if (!freeFilters.empty())
            alDeleteFilters(ALsizei(freeFilters.size()), freeFilters.data());
    }
    retired.clear();
    freeSlots.clear();
    freeEffects.clear();
    freeFilters.clear();
    slotsInUse = 0;
    // The sources first: a buffer still bound to one cannot be deleted.
    if (current)
        for (const FreeSource& free : freeSources)
            alDeleteSources(1, &free.source);
    freeSources.clear();
    for (auto& source : sources) {
        source->removed = true;
        ALuint buffer = source->buffer();
        if (buffer != 0 && current)
            alDeleteBuffers(1, &buffer);
        source->forgetBuffer();
    }
    sources.clear();
    released = true;
    if (context) {
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(context);
        context = nullptr;
    }
    if (device) {
        // Closing the device stops and joins its mixing thread.
        alcCloseDevice(device);
        device = nullptr;
    }
}

} // namespace detail

using detail::Core;
using detail::SoundImpl;
using detail::SourceImpl;

void withStderrSilenced(const std::function<void()>& work) {
    std::fflush(stderr);
    const int savedStderr = dup(STDERR_FILENO);
    const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    const bool redirected = savedStderr >= 0 && devNull >= 0 && dup2(devNull, STDERR_FILENO) >= 0;
    work();
    std::fflush(stderr);
    if (redirected) {
        dup2(savedStderr, STDERR_FILENO);
    }
    if (devNull >= 0) close(devNull);
    if (savedStderr >= 0) close(savedStderr);
}

OpenAlSoundEngine::OpenAlSoundEngine(OutputDriver driver) : core_(std::make_shared<Core>()) {
    if (driver == OutputDriver::None)
        return;
    // On a machine without a sound card the system's sound libraries write a screenful of their
    // own complaints before the open fails; the game says what matters in one line of its own.
    ALCdevice* device = nullptr;
    withStderrSilenced([&device] { device = alcOpenDevice(nullptr); });
    ALCcontext* context = nullptr;
    if (device) {
        bool efx = alcIsExtensionPresent(device, "ALC_EXT_EFX") == ALC_TRUE;
        ALCint attributes[] = {ALC_MAX_AUXILIARY_SENDS, 2, 0};
        context = alcCreateContext(device, efx ? attributes : nullptr);
        if (context) {
            core_->efx = efx;
            if (efx)
                alcGetIntegerv(device, ALC_MAX_AUXILIARY_SENDS, 1, &core_->maxSends);
        } else {
            alcCloseDevice(device);
            device = nullptr;
        }
    }
    if (!device) {
        std::cout << "Sound: no sound device could be opened; the game runs without sound."
                  << std::endl;
        return;
    }
    core_->device = device;
    core_->context = context;
    const ALCchar* name = alcGetString(device, ALC_DEVICE_SPECIFIER);
    core_->deviceName = name ? name : "";
    core_->makeCurrent();
    alListenerf(AL_GAIN, core_->masterVolume);
}

OpenAlSoundEngine::~OpenAlSoundEngine() { release(); }

void OpenAlSoundEngine::setSoundVolume(float volume) {
    core_->masterVolume = detail::clampFinite(volume, 0.0f, 1.0f, core_->masterVolume);
    if (core_->makeCurrent())
        alListenerf(AL_GAIN, core_->masterVolume);
}

float OpenAlSoundEngine::getSoundVolume() const { return core_->masterVolume; }

SoundSource* OpenAlSoundEngine::addSoundSourceFromFile(const std::string& path, StreamMode,
                                                       bool) {
    if (core_->released)
        return nullptr;
    for (auto& source : core_->sources)
        if (source->getName() == path)
            return source.get();

    DecodedAudio audio;
    std::string error;
    double length = 0.0;
    ALuint buffer = 0;
    if (decodeOggFile(path, audio, error)) {
        length = audio.lengthSeconds();
        if (core_->makeCurrent()) {
            alGetError();
            alGenBuffers(1, &buffer);
            if (alGetError() == AL_NO_ERROR) {
                alBufferData(buffer, audio.channels == 2 ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16,
                             audio.samples.data(),
                             ALsizei(audio.samples.size() * sizeof(int16_t)), audio.sampleRate);
                if (alGetError() != AL_NO_ERROR) {
                    alDeleteBuffers(1, &buffer);
                    buffer = 0;
                    length = 0.0;
                    error = "the sound device refused its data";
                }
            } else {
                buffer = 0;
                length = 0.0;
                error = "no sound buffer available";
            }
        }
    }
    if (!error.empty())
        std::cout << "Sound: could not load \"" << path << "\" (" << error
                  << "); it plays silently." << std::endl;
    core_->sources.push_back(std::make_shared<SourceImpl>(path, length, buffer));
    return core_->sources.back().get();
}

void OpenAlSoundEngine::removeSoundSource(SoundSource* source) {
    auto& sources = core_->sources;
    auto it = std::find_if(sources.begin(), sources.end(),
                           [source](const std::shared_ptr<SourceImpl>& s) { return s.get() == source; });
    if (it == sources.end())
        return;
    std::shared_ptr<SourceImpl> doomed = *it;
    sources.erase(it);
    // Its plays end first: a buffer still queued on a source cannot be deleted.
    auto& active = core_->active;
    for (auto& sound : active)
        if (sound->source() == doomed.get())
            sound->finish();
    active.erase(std::remove_if(active.begin(), active.end(),
                                [](const std::shared_ptr<SoundImpl>& s) { return s->finished(); }),
                 active.end());
    doomed->removed = true;
    ALuint buffer = doomed->buffer();
    if (buffer != 0 && core_->makeCurrent()) {
        core_->unbindBuffer(buffer);
        alDeleteBuffers(1, &buffer);
    }
    doomed->forgetBuffer();
}

SoundHandle OpenAlSoundEngine::play2D(SoundSource* source, bool playLooped, bool startPaused,
                                      bool track, bool enableSoundEffects) {
    auto& sources = core_->sources;
    auto it = std::find_if(sources.begin(), sources.end(),
                           [source](const std::shared_ptr<SourceImpl>& s) { return s.get() == source; });
    std::shared_ptr<SourceImpl> owned;
    if (it != sources.end()) {
        owned = *it;
    } else if (source != nullptr && core_->released) {
        // After release every source is gone; a caller still holding a handle-worthy play gets
        // an inert sound so that nothing it relies on turns null.
        owned = std::make_shared<SourceImpl>(std::string(), 0.0, 0);
        owned->removed = true;
    } else {
        return nullptr;
    }
    core_->collect();
    ALuint alSource = 0;
    if (owned->buffer() != 0)
        alSource = core_->acquireSource(owned->buffer());
    auto sound = std::allocate_shared<SoundImpl>(detail::PooledAllocator<SoundImpl>(core_->soundBlocks),
                                                 core_, owned, playLooped, enableSoundEffects);
    sound->start(alSource, startPaused);
    if (!sound->finished() && !core_->released)
        core_->active.push_back(sound);
    if (track || enableSoundEffects)
        return sound;
    return nullptr;
}

bool OpenAlSoundEngine::isCurrentlyPlaying(SoundSource* source) {
    if (source == nullptr)
        return false;
    core_->collect();
    for (auto& sound : core_->active)
        if (sound->source() == source && !sound->finished())
            return true;
    return false;
}

void OpenAlSoundEngine::stopAllSounds() {
    // Finishing touches no list, so the plays end in place and the list keeps its room.
    for (auto& sound : core_->active)
        sound->finish();
    core_->active.clear();
}

void OpenAlSoundEngine::release() { core_->shutdown(); }

bool OpenAlSoundEngine::hasDevice() const { return core_->live(); }
std::string OpenAlSoundEngine::deviceName() const { return core_->deviceName; }
int OpenAlSoundEngine::openAlSourceCount() const { return core_->sourcesCreated; }
int OpenAlSoundEngine::activeSoundCount() const { return int(core_->active.size()); }
int OpenAlSoundEngine::effectSlotCount() const { return core_->slotsInUse; }
int OpenAlSoundEngine::liveSoundObjects() { return detail::liveSounds.load(); }

std::shared_ptr<SoundEngine> createSoundDevice(OutputDriver driver) {
    return std::make_shared<OpenAlSoundEngine>(driver);
}

} // namespace audio
