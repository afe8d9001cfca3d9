// From the voice mix to left and right: fixed gain, the optional tone
// section (resonant low-pass and band, soft clip, peak limiter), Volume,
// the optional stereo chorus and the controller-7 factor. It also decides
// when the engine falls idle.
#pragma once

#include "engine/Dsp.h"
#include "engine/EngineTables.h"

namespace strellon {

struct OutputControls {
    float dynaTone;
    float toneRama;
    float chorus;
    float volume;
    float volumeFactor;
    float chorusBaseDelay;  // samples, 0.03 * rate
};

class OutputStage {
public:
    // Chorus buffers fit 33 ms plus the sweep at 192 kHz.
    static constexpr int kChorusCapacity = 8192;

    // The chorus oscillators keep the rate they are built with.
    explicit OutputStage(float sampleRate);

    // UI thread, while audio is stopped.
    void setSampleRate(float sampleRate);
    void resetLimiter() { limiterGain_ = 1.0f; }
    float limiterGain() const { return limiterGain_; }
    // Everything back to silence, after a numeric blow-up.
    void reset();

    // Audio thread, once per sample, also while idle. Clears active when the
    // input is below the idle threshold and holdAwake is false.
    void process(float mix, bool& active, bool holdAwake, const OutputControls& c, float& left, float& right) {
        float x = mix * 3.9f;
        if (std::fabs(x) < 1.8e-9f && !holdAwake) active = false;
        else if (active && c.dynaTone > 0.0f) x = toneSection(x, c.dynaTone, c.toneRama);
        const float y = x * c.volume;
        if (active && c.chorus != 0.0f) {
            chorus(y, c, left, right);
        } else {
            left = right = y * c.volumeFactor;
        }
    }

private:
    float toneSection(float x, float T, float R);
    void chorus(float y, const OutputControls& c, float& left, float& right);

    const EngineTables& tables_ = EngineTables::get();
    float sampleRate_;
    float w_;
    float releaseCoefficient_;
    float s1_ = 0, s2_ = 0, s3_ = 0, s4_ = 0, s5_ = 0, s6_ = 0;
    float limiterGain_ = 1.0f;
    float toneOutput_ = 0.0f;
    float chorusLowpass_ = 0.0f;
    float feedback1_ = 0.0f, feedback2_ = 0.0f;
    FractionalDelay chorus1_, chorus2_;
    Lfo lfo1_, lfo2_;
};

}  // namespace strellon
