// One plucked string: an excitation burst through a pluck-position comb into
// a recirculating loop whose length sets the pitch. This is the plain
// one-voice version; VoiceBank runs twelve of them side by side.
#pragma once

#include "engine/Dsp.h"
#include "engine/VoiceMath.h"

namespace strellon {

class StringVoice {
public:
    StringVoice();

    // Settings; the owner calls them from the audio thread (or before audio
    // starts, for setSampleRate).
    void setSampleRate(float sampleRate);
    void setSelfBend(float v) { selfBend_ = v < 0.01f ? 0.0f : v; }
    void setDamp(float v) { damp_ = v; }
    void setShaping(float v) { shaping_ = v <= 0.01f ? 0.0f : v; }
    void setSympatheticInput(float v) { sympathetic_ = v; }
    void setNoteActive(bool on) { noteActive_ = on; }
    float getLevel() const { return level_; }
    float lengthUnit() const { return lengthUnit_; }
    float loopGain() const { return loopGain_; }

    // Note-off with Damp: lowers the loop gain once.
    void damp() {
        if (damp_ != 0.0f) loopGain_ = (1.0f - damp_ * damp_) * (loopGain_ - 0.5f) + 0.5f;
    }

    // Pick arrives as ThePick * 0.4 + 0.01, exciter already * 0.8,
    // modulation as Modulation + 0.001.
    void setNoteParameters(float velocity, float nis, float pick, float exciter, float modulation, float fixing) {
        velocity_ = velocity;
        nis_ = nis;
        pick_ = pick * 0.8f;
        exciter_ = exciter;
        modulation_ = modulation;
        fixing_ = fixing;
    }
    void setFrequency(float hz);
    void setToneFrequency(int note) {
        note_ = note;
        toneFrequency_ = toneFrequencyFor(note, sampleRate_);
    }
    void resetExcitation() {
        excitationCounter_ = 0;
        rampCounter_ = 0.0f;
        tickCounter_ = 1;
    }

    // Back to the constructed state (keeps the sample rate and the buffers'
    // sizes); used after a numeric blow-up.
    void reset();

    // One output sample.
    float process();

private:
    float lowpassStep(float x, float fc) {
        tone_ = tone_ + (x - tone_) * w_ * fc;
        return tone_;
    }
    float highpassStep(float x, float fc) {
        hp_ = hp_ + (x - hp_) * w_ * fc;
        return x - hp_;
    }
    float svfHighpass(float x, float fc) {
        const float f = w_ * fc;
        const float h = x - (b_ * 0.482f + l_);
        b_ = b_ + h * f;
        l_ = l_ + b_ * f;
        return h;
    }

    // What setFrequency and setToneFrequency derive that depends on the rate.
    void derive();

    float hp_ = 0, n_ = 0, tone_ = 0, drift_ = 0, excitationLowpass_ = 0, b_ = 0, l_ = 0;
    float driftTarget_ = 0;
    int driftCounter_ = 0;
    int excitationCounter_ = 0;
    float y_ = 0, r_ = 0;
    float w_ = 0;
    float sampleRate_ = 44100.0f;
    float velocity_ = 0, nis_ = 0, pick_ = 0, exciter_ = 0, modulation_ = 0;
    float attack_, release_;
    float envelope_ = 0, level_ = 0, selfBend_ = 0, damp_ = 0, fixing_ = 0;
    float loopGain_ = kLoopGainLimit;
    float sympathetic_ = 0, noiseCutoff_ = 0, shaping_ = 0, lengthUnit_ = 0;
    float rampCounter_ = 0, rampLength_ = 1;
    float brightness_ = 0;
    int tickCounter_ = 0;
    // The string frequency and note last given (0 and -1 before any), kept
    // so that a new rate re-derives what depends on it.
    float frequency_ = 0;
    int note_ = -1;
    VoiceRates rates_ = voiceRates(44100.0f);
    float filterBrightness_ = 0, lowCut_ = 3900.0f, envelopeGrowth_ = 1.0f;
    bool noteActive_ = false;
    float toneFrequency_ = 200.0f;
    FractionalDelay loopA_, loopB_, comb_;
    DelayLine modeBLoop_;
};

}  // namespace strellon
