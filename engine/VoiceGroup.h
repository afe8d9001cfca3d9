// The twelve voices as the render loop drives them. Two implementations:
// ScalarVoices (twelve StringVoice objects, the reference) and VoiceBank
// (the same arithmetic four voices at a time). They give identical samples.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "engine/Parameters.h"
#include "engine/StringVoice.h"
#include "engine/VoiceRun.h"

namespace strellon {

// What a note-on hands its voice.
struct NoteStart {
    int note;
    float velocity;    // effective velocity
    float nis;
    float pick;        // ThePick * 0.4 + 0.01
    float exciter;     // Exciter * 0.8
    float modulation;  // Modulation + 0.001
    float fixing;      // Fixing * controller-9 factor
    float frequency;   // tuning ratio * note frequency * 0.5
};

class VoiceGroup {
public:
    virtual ~VoiceGroup() = default;
    // Before audio starts (UI thread) or at block start (audio thread).
    virtual void setSampleRate(float sampleRate) = 0;
    virtual void setSelfBend(float v) = 0;
    virtual void setShaping(float v) = 0;
    virtual void setDamp(float v) = 0;
    virtual void setFrequency(int voice, float hz) = 0;
    // Audio thread, at note-on and note-off.
    virtual void startNote(int voice, const NoteStart& start) = 0;
    virtual void dampNote(int voice) = 0;
    virtual float level(int voice) const = 0;
    virtual float lengthUnit(int voice) const = 0;
    // Audio thread, once per sample: out receives twelve samples. random is
    // the audio thread's generator state, held by the caller for a block so
    // that the thread-local one is touched once per block, not per sample.
    virtual void process(float* out, std::uint32_t& random) = 0;
    // Each voice gets the sum of the others plus the body, times gain.
    virtual void feedSympathetic(const float* out, float body, float gain) = 0;
    // Audio thread: a run of samples, as runVoices() describes.
    virtual int run(int n, RunState& state, float* mixes, std::uint32_t* randoms, std::uint32_t& random) = 0;
    // Constructed state, after a numeric blow-up.
    virtual void reset() = 0;
};

class ScalarVoices final : public VoiceGroup {
public:
    void setSampleRate(float sampleRate) override {
        for (auto& v : voices_) v.setSampleRate(sampleRate);
    }
    void setSelfBend(float x) override {
        for (auto& v : voices_) v.setSelfBend(x);
    }
    void setShaping(float x) override {
        for (auto& v : voices_) v.setShaping(x);
    }
    void setDamp(float x) override {
        for (auto& v : voices_) v.setDamp(x);
    }
    void setFrequency(int voice, float hz) override { voices_[voice].setFrequency(hz); }
    void startNote(int voice, const NoteStart& s) override {
        StringVoice& v = voices_[voice];
        v.setNoteActive(true);
        v.setToneFrequency(s.note);
        v.setNoteParameters(s.velocity, s.nis, s.pick, s.exciter, s.modulation, s.fixing);
        v.setFrequency(s.frequency);
        v.resetExcitation();
    }
    void dampNote(int voice) override {
        voices_[voice].setNoteActive(false);
        voices_[voice].damp();
    }
    float level(int voice) const override { return voices_[voice].getLevel(); }
    float lengthUnit(int voice) const override { return voices_[voice].lengthUnit(); }
    // StringVoice draws from the thread's generator itself.
    void process(float* out, std::uint32_t& random) override {
        randomState = random;
        for (int s = 0; s < kNumStrings; ++s) out[s] = voices_[s].process();
        random = randomState;
    }
    void feedSympathetic(const float* out, float body, float gain) override {
        for (int s = 0; s < kNumStrings; ++s) {
            float sum = 0.0f;
            for (int j = 0; j < kNumStrings; ++j)
                if (j != s) sum += out[j];
            voices_[s].setSympatheticInput((sum + body) * gain);
        }
    }
    int run(int n, RunState& state, float* mixes, std::uint32_t* randoms, std::uint32_t& random) override {
        return runVoices([this](float* out, std::uint32_t& r) { process(out, r); },
                         [this](const float* out, float body, float gain) { feedSympathetic(out, body, gain); }, n,
                         state, mixes, randoms, random);
    }
    void reset() override {
        for (auto& v : voices_) v.reset();
    }

private:
    std::array<StringVoice, kNumStrings> voices_;
};

}  // namespace strellon
