// The whole sound engine: twelve string voices given to notes as they come,
// a MIDI intake queue, the per-sample render loop with sympathetic feed and
// body filter, and the output stage. It reads the live parameter values
// itself and knows nothing of the plug-in around it.
//
// Threads: the constructor, setSampleRate, setBlockSize and resume run on
// the host's UI thread while audio is stopped; beginEvents, addMidi,
// endEvents and processReplacing on the audio thread, one after the other;
// getStringActive on any thread. The engine reads params with relaxed loads
// and allocates nothing after construction.
#pragma once

#include <array>
#include <atomic>
#include <cmath>
#include <memory>

#include "engine/Decimator.h"
#include "engine/EngineTables.h"
#include "engine/MidiIntake.h"
#include "engine/OutputStage.h"
#include "engine/Parameters.h"
#include "engine/VoiceGroup.h"

namespace strellon {

// Which voice implementation runs: the four-lane bank, or twelve plain
// StringVoice objects (the reference the bank is checked against).
enum class VoicePath { kFast, kScalar };

class SoundEngine {
public:
    // Builds everything from the current params (SelfBend, Damp, Shaping are
    // read here) at 44100 Hz. Throws std::bad_alloc if memory is short.
    explicit SoundEngine(const ParamValues& params, VoicePath path = VoicePath::kFast);

    // UI thread. The engine plays at 8 to 384 kHz; other rates (not
    // finite, not positive, or out of that range) are ignored. A new rate
    // re-derives the sounding notes' values for it. Below 25 kHz the
    // engine runs at a whole multiple of the rate (see oversampling()).
    void setSampleRate(float rate);
    void setBlockSize(int frames) { blockSize_ = frames; }

    // The factor the engine runs above a host rate of 8 to 384 kHz: 1 from
    // 25 kHz up; below, the largest that stays under 50 kHz, so that the
    // loops are as long, and tuned with the same stretch, as at 44.1 kHz
    // (22.05 and 24 kHz run at twice the rate: there, too, mode A's short
    // loops were up to 47 cents sharp).
    static constexpr float kOversampledBelow = 25000.0f;
    static int oversampling(float rate);
    // UI thread, before audio starts: re-derives the voices' coefficients,
    // empties the event queue and resets the limiter.
    void resume();

    // Audio thread: one block's MIDI list, before its processReplacing.
    void beginEvents() { intake_.begin(); }
    void addMidi(int deltaFrames, unsigned char status, unsigned char data1, unsigned char data2);
    void endEvents() { intake_.end(); }

    // Audio thread: overwrites frames samples of left and right (a null
    // channel is skipped).
    void processReplacing(float* left, float* right, int frames);

    // Any thread: 1 while a key of pitch class index (0..11) is held.
    int getStringActive(int index) const {
        if (index < 0 || index >= kNumStrings) return 0;
        return sounding_[index].load(std::memory_order_relaxed);
    }

    // The host's rate, and the rate the voices and the output stage run at.
    float sampleRate() const { return hostRate_; }
    float innerRate() const { return sampleRate_; }
    int blockSize() const { return blockSize_; }

    // For tests: state the engine keeps but no caller needs.
    bool isActive() const { return run_.idle.active; }
    int currentNote(int voice) const { return currentNote_[voice]; }
    float tuningRatio(int pitchClass) const { return tuningRatio_[pitchClass]; }
    float voiceLevel(int voice) const { return voices_->level(voice); }
    float voiceLengthUnit(int voice) const { return voices_->lengthUnit(voice); }
    const MidiIntake& intake() const { return intake_; }
    float limiterGain() const { return output_.limiterGain(); }

private:
    // A stored value far outside any setting's range (a host's or a
    // program's) does not reach the sound: the engine keeps hearing the
    // last value it took for that parameter, as it does for a NaN, which
    // is never stored. The value stays stored for the host.
    static constexpr float kLargestParameter = 100.0f;
    float param(int index) {
        const float v = readParam(params_, index);
        if (std::fabs(v) <= kLargestParameter) return heard_[index] = v;
        return heard_[index];
    }
    void measureQuietSpan();
    void prepareBlock();
    void noteOn(int key, float velocity);
    void noteOff(int key);
    void carryOut(NoteEvent& e);
    void recover();
    int nextEvent(int i, int next, int frames) const;
    void render(float* left, float* right, float* mix, int from, int to, int& next, std::uint32_t& random,
                const OutputControls& controls);
    // mixOut, unless null, receives the run's mix.
    void runVoices(int from, int to, float* mixOut, std::uint32_t& generator);
    // Host frames as frames of the inner rate, held within int.
    int inner(long long frames) const;
    // Running above the host's rate, the mix holds the pluck's partials
    // above the host's band, which the low-pass takes off (up to 17 dB of a
    // high note's peak at 8 kHz), while the tail keeps all it has: the idle
    // rule's loudest and quiet span are then measured on the mix brought
    // down to the host's rate, chunk by chunk, unless the engine fell idle
    // (sleeps_ counts it) within the chunk.
    void hearChunk(const float* heard, int frames, unsigned sleepsBefore);

    const ParamValues& params_;
    const EngineTables& tables_;
    // The rate everything runs at, the host's times factor_.
    float sampleRate_ = 44100.0f;
    float hostRate_ = 44100.0f;
    int factor_ = 1;
    int blockSize_ = 1024;

    std::array<int, kNumStrings> currentNote_{};
    int rotation_ = 0;
    std::array<float, kNumStrings> tuningRatio_{}, exciter_{}, fixing_{}, nisFilter_{};
    std::array<std::atomic<int>, kNumStrings> sounding_{};

    // The body filter, the last mix, the idle rule and the body's angular
    // factor: what each run of the voices carries on.
    RunState run_;
    std::array<float, kNumParams> heard_{};

    // Per-block values.
    float pick_ = 0, chorusBaseDelay_ = 0, sympatheticGain_ = 0, volume_ = 0;

    // The generator after each sample of the current run, for going back
    // after a blow-up.
    std::uint32_t runRandom_[OutputStage::kRun];

    MidiIntake intake_;
    OutputStage output_;
    Decimator decimator_;
    unsigned sleeps_ = 0;
    std::unique_ptr<VoiceGroup> voices_;
};

}  // namespace strellon
