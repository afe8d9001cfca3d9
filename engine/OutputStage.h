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

// A run of samples as the render loop hands them over: the mix, the active
// flag after the idle test, and the three controls read at each sample.
struct RunSamples {
    const float* mix;
    const bool* on;
    const float* dynaTone;
    const float* toneRama;
    const float* chorus;
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

    // True when the idle test stops the engine for this mix value.
    static bool isSilent(float mix) { return std::fabs(mix * 3.9f) < 1.8e-9f; }

    // Audio thread, once per sample, also while idle. Clears active when the
    // input is below the idle threshold and holdAwake is false.
    void process(float mix, bool& active, bool holdAwake, const OutputControls& c, float& left, float& right) {
        if (isSilent(mix) && !holdAwake) active = false;
        render(mix, active, c.dynaTone, c.toneRama, c.chorus, c, left, right);
    }

    // Audio thread: the same for a run of samples whose idle decisions the
    // caller has already taken (on[i] is the active flag after the test).
    // The per-sample controls come from the arrays; volume, volume factor
    // and chorus delay from c. Stops after the first sample whose output or
    // mix is not a finite number and returns its index (n when none was).
    int processRun(const RunSamples& in, int n, const OutputControls& c, float* left, float* right);

private:
    void render(float mix, bool on, float T, float R, float Ch, const OutputControls& c, float& left, float& right) {
        float x = mix * 3.9f;
        if (on && T > 0.0f) x = toneSection(x, T, R);
        const float y = x * c.volume;
        if (on && Ch != 0.0f) {
            chorus(y, Ch, c, left, right);
        } else {
            left = right = y * c.volumeFactor;
        }
    }
    float toneSection(float x, float T, float R);
    void chorus(float y, float Ch, const OutputControls& c, float& left, float& right);

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
