// Twelve string voices computed side by side in vector lanes: four at a time
// on plain SSE2, eight at a time on AVX2 (the last eight lanes carry four
// spare ones). The voices share one Shaping value, so one code path serves
// all of them; per-voice branches become lane selects, the delay lines stay
// per voice. Every expression is the one StringVoice evaluates, in the same
// order, so the samples are identical.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/LaneRings.h"
#include "engine/VoiceGroup.h"

namespace strellon {

class VoiceBank final : public VoiceGroup {
public:
    VoiceBank();

    void setSampleRate(float sampleRate) override;
    void setSelfBend(float v) override;
    void setShaping(float v) override;
    void setDamp(float v) override;
    void setFrequency(int voice, float hz) override;
    void startNote(int voice, const NoteStart& start) override;
    void dampNote(int voice) override;
    float level(int voice) const override { return level_[voice]; }
    float lengthUnit(int voice) const override { return lengthUnit_[voice]; }
    void process(float* out, std::uint32_t& random) override { (this->*step_)(out, random); }
    void feedSympathetic(const float* out, float body, float gain) override { (this->*feed_)(out, body, gain); }
    int run(int n, RunState& state, float* mixes, std::uint32_t* randoms, std::uint32_t& random) override {
        return (this->*run_)(n, state, mixes, randoms, random);
    }
    void reset() override;

    // Every per-voice value is an array of kLanes floats (or integers):
    // the twelve voices, then lanes that only fill the last vector.
    static constexpr int kLanes = 16;

private:
    // The per-sample work and the run loop around it, built once per
    // processor version and Shaping band; the overrides call the version
    // picked at construction, which picks the band's build.
    template <class V, Character C, bool ToneOutput>
    void step(float* out, std::uint32_t& random);
    template <Character C, bool ToneOutput>
    void stepBandPlain(float* out, std::uint32_t& random);
    template <Character C, bool ToneOutput>
    void stepBandAvx2(float* out, std::uint32_t& random);
    template <Character C, bool ToneOutput>
    int runBandPlain(int n, RunState& state, float* mixes, std::uint32_t* randoms, std::uint32_t& random);
    template <Character C, bool ToneOutput>
    int runBandAvx2(int n, RunState& state, float* mixes, std::uint32_t* randoms, std::uint32_t& random);
    template <class V>
    void feed(const float* out, float body, float gain);
    void stepPlain(float* out, std::uint32_t& random);
    void feedPlain(const float* out, float body, float gain);
    void stepAvx2(float* out, std::uint32_t& random);
    void feedAvx2(const float* out, float body, float gain);
    int runPlain(int n, RunState& state, float* mixes, std::uint32_t* randoms, std::uint32_t& random);
    int runAvx2(int n, RunState& state, float* mixes, std::uint32_t* randoms, std::uint32_t& random);
    void (VoiceBank::*step_)(float*, std::uint32_t&);
    int (VoiceBank::*run_)(int, RunState&, float*, std::uint32_t*, std::uint32_t&);
    void (VoiceBank::*feed_)(const float*, float, float);
    template <class V, Character C>
    void pluck(const float* e, float* X);
    template <class V, bool ModeB>
    void rampAndTick(const float* e, const std::int32_t* tick, float* G);
    template <class V, Character C>
    void processModeA(const std::int32_t* sometimes, const float* X, float* G, V* shaped);
    template <class V, Character C>
    void shapeBand(const std::int32_t* sometimes, const float* read, float* G, V* shaped);
    template <class V>
    void processModeB(const float* X, const float* G);
    template <class V, bool ModeB, bool ToneOutput>
    void finishWith(const float* G, const V* shaped, float* out);

    Character character_ = Character::kNone;
    float shaping_ = 0.0f;
    float selfBend_ = 0.0f;
    float damp_ = 0.0f;
    float sampleRate_ = 44100.0f;
    float w_ = 0.0f, attack_, release_;
    VoiceRates rates_ = voiceRates(44100.0f);
    float lowCut_ = 3900.0f;  // the first bands' low-pass, held below the rate's highest cutoff

    alignas(32) float hp_[kLanes], n_[kLanes], tone_[kLanes], drift_[kLanes], excitationLowpass_[kLanes];
    alignas(32) float b_[kLanes], l_[kLanes], driftTarget_[kLanes];
    alignas(32) std::int32_t driftCounter_[kLanes], tickCounter_[kLanes];
    // Samples the counters above have not been moved on by, and samples
    // to come before any voice's counter reaches a step.
    int countersBehind_ = 0, countersQuiet_ = 0;
    static constexpr int kCountersStepEvery = 39;  // at least once in this many samples
    void catchUpCounters();
    alignas(32) float y_[kLanes], r_[kLanes];
    alignas(32) float velocity_[kLanes], nisFilter_[kLanes], exciter_[kLanes], modulation_[kLanes];
    alignas(32) float envelope_[kLanes], level_[kLanes], fixing_[kLanes], loopGain_[kLanes];
    alignas(32) float sympathetic_[kLanes], noiseCutoff_[kLanes], lengthUnit_[kLanes];
    alignas(32) float rampCounter_[kLanes], rampLength_[kLanes], brightness_[kLanes], toneFrequency_[kLanes];
    alignas(32) float filterBrightness_[kLanes];
    // Per-note factors worked out once: (velocity + 0.1) * pick + exciter *
    // 0.1 for the noise, 1 + D * 1e-7 for the envelope.
    alignas(32) float noiseScale_[kLanes], envelopeGrowth_[kLanes];
    alignas(32) std::int32_t excitationCounter_[kLanes];
    // Each voice's string frequency and note (0 and -1 before any), for
    // re-deriving its values at a new rate.
    float frequency_[kNumStrings];
    int note_[kNumStrings];
    void derive(int voice);
    // Voices whose excitation pulse may still be running; the others give
    // the constant 1e-7 until their next note.
    unsigned pulsing_ = 0;
    // Voices whose attack ramp may still run.
    unsigned ramping_ = 0;
    unsigned active_ = 0;  // voices whose note is held
    // The two loops (mode A) are always pushed together, the comb on every
    // sample.
    enum { kLoopA, kLoopB };
    LaneRings<2> loops_;
    LaneRings<1> comb_;
    CubicLanes modeBLoop_;
};

}  // namespace strellon
