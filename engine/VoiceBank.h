// Twelve string voices computed four at a time. The voices share one Shaping
// value, so one code path serves all of them; per-voice branches become lane
// selects, the delay lines stay per voice. Every expression is the one
// StringVoice evaluates, in the same order, so the samples are identical.
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
    float level(int voice) const override { return lane(level_, voice); }
    float lengthUnit(int voice) const override { return lane(lengthUnit_, voice); }
    void process(float* out, std::uint32_t& random) override { (this->*step_)(out, random); }
    void feedSympathetic(const float* out, float body, float gain) override { (this->*feed_)(out, body, gain); }
    void reset() override;

    using V4 = float __attribute__((vector_size(16)));
    using I4 = std::int32_t __attribute__((vector_size(16)));
    static constexpr int kGroups = kNumStrings / 4;

private:
    static float lane(const V4* v, int i) { return v[i >> 2][i & 3]; }
    static float& lane(V4* v, int i) { return reinterpret_cast<float*>(v)[i]; }
    static std::int32_t& lane(I4* v, int i) { return reinterpret_cast<std::int32_t*>(v)[i]; }

    // The per-sample work, built once per processor version; the overrides
    // call the version picked at construction.
    void step(float* out, std::uint32_t& random);
    void feed(const float* out, float body, float gain);
    void stepPlain(float* out, std::uint32_t& random);
    void feedPlain(const float* out, float body, float gain);
    void stepAvx2(float* out, std::uint32_t& random);
    void feedAvx2(const float* out, float body, float gain);
    void (VoiceBank::*step_)(float*, std::uint32_t&);
    void (VoiceBank::*feed_)(const float*, float, float);
    void processModeA(const I4* sometimes, const V4* X, V4* G);
    template <Character C>
    void shapeBand(const I4* sometimes, V4* G);
    void processModeB(const V4* X, const V4* G);
    void finish(bool modeB, const V4* G, float* out);
    template <bool ModeB, bool ToneOutput>
    void finishWith(const V4* G, float* out);

    Character character_ = Character::kNone;
    float shaping_ = 0.0f;
    float selfBend_ = 0.0f;
    float damp_ = 0.0f;
    float sampleRate_ = 44100.0f;
    float w_ = 0.0f, attack_, release_;
    VoiceRates rates_ = voiceRates(44100.0f);
    float lowCut_ = 3900.0f;  // the first bands' low-pass, held below the rate's highest cutoff

    V4 hp_[kGroups], n_[kGroups], tone_[kGroups], drift_[kGroups], excitationLowpass_[kGroups];
    V4 b_[kGroups], l_[kGroups], driftTarget_[kGroups];
    I4 driftCounter_[kGroups], tickCounter_[kGroups];
    V4 y_[kGroups], r_[kGroups];
    V4 velocity_[kGroups], nis_[kGroups], exciter_[kGroups], modulation_[kGroups];
    V4 envelope_[kGroups], level_[kGroups], fixing_[kGroups], loopGain_[kGroups];
    V4 sympathetic_[kGroups], noiseCutoff_[kGroups], lengthUnit_[kGroups];
    V4 rampCounter_[kGroups], rampLength_[kGroups], brightness_[kGroups], toneFrequency_[kGroups];
    V4 filterBrightness_[kGroups];
    V4 e_[kGroups];  // this sample's (n + 2) * 0.5, kept for the excitation
    // Per-note factors worked out once: (velocity + 0.1) * pick + exciter *
    // 0.1 for the noise, 1 + D * 1e-7 for the envelope.
    V4 noiseScale_[kGroups], envelopeGrowth_[kGroups];
    int excitationCounter_[kNumStrings];
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
    bool noteActive_[kNumStrings];
    // The two loops (mode A) are always pushed together, the comb on every
    // sample.
    enum { kLoopA, kLoopB };
    LaneRings<2> loops_;
    LaneRings<1> comb_;
    CubicLanes modeBLoop_;
};

}  // namespace strellon
