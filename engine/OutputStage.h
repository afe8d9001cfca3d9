// From the voice mix to left and right: fixed gain, the optional tone
// section (resonant low-pass and band, soft clip, peak limiter), Volume,
// the optional stereo chorus and the controller-7 factor. It also decides
// when the engine falls idle.
//
// The work is split in two so that the render loop can overlap it with the
// voices: front() takes one sample through the tone section and the chorus
// low-pass, which carry their state from sample to sample; back() finishes
// a run of such samples at once (chorus lines and outputs).
#pragma once

#include <cmath>

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
    // Longest run between two back() calls.
    static constexpr int kRun = 32;

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
        front(0, mix, active, c.dynaTone, c.toneRama, c.chorus, c.volume);
        back(1, c, &left, &right);
    }

    // Audio thread: sample k (0..kRun-1) of the current run, whose idle
    // decision the caller has taken (on is the active flag after the test),
    // with the controls read for it.
    void front(int k, float mix, bool on, float T, float R, float Ch, float volume) {
        run_.mix[k] = mix;
        float x = mix * 3.9f;
        if (on && T > 0.0f) x = toneSection(x, T, R);
        const float y = x * volume;
        run_.y[k] = y;
        run_.chorus[k] = on ? Ch : 0.0f;
        if (on && Ch != 0.0f) {
            chorusLowpass_ = chorusLowpass_ + (y - chorusLowpass_) * w_ * 233.0f;
            run_.dry[k] = y * 0.2f + chorusLowpass_;
            run_.high[k] = y - chorusLowpass_;
        }
    }

    // Audio thread: writes the n samples of the run. Stops after the first
    // sample whose output or mix is not a finite number and returns its
    // index (n when none was); the stage then wants a reset(), which the
    // render loop gives it.
    int back(int n, const OutputControls& c, float* left, float* right);

private:
    float toneSection(float x, float T, float R) {
        // The coefficients depend on DynaTone alone (and the rate).
        if (!(T == toneFor_)) setToneCoefficients(T);
        s1_ = s1_ + (x + s2_ * T * 0.818f - s1_) * k1_;
        s2_ = s2_ + (s1_ - s2_) * k1_;
        s3_ = s3_ + (s2_ - s3_) * k2_;
        s4_ = s4_ + (s2_ - s3_ - s4_) * k2_;
        s5_ = s5_ + (x - (q_ * s5_ + s6_)) * kh_;
        s6_ = s6_ + s5_ * kh_;

        float z = (s5_ * 0.8f + s6_ * 0.3f) * R * 2.0f + (s3_ - s4_) * (1.0f - R) * 1.136f;
        z = z - z * z * z * 0.16666667f;

        // Peak limiter: instant attack, 75 ms release. The index is bounded
        // even for a value that is not a number.
        float a = std::fabs(z) * 4096.0f;
        if (!(a <= 32760.0f)) a = 32760.0f;
        const int i = roundToInt(a - 0.5f);
        const float t = a - static_cast<float>(i);
        const float* table = limiterTable_;
        const float target = table[i] + (table[i + 1] - table[i]) * t;
        if (target < limiterGain_) limiterGain_ = target;
        else limiterGain_ = limiterGain_ + (target - limiterGain_) * releaseCoefficient_;
        toneOutput_ = limiterGain_ * z;
        return toneOutput_;
    }
    void setToneCoefficients(float T);

    const float* limiterTable_ = EngineTables::get().limiter.data();
    float sampleRate_;
    float w_;
    float releaseCoefficient_;
    float s1_ = 0, s2_ = 0, s3_ = 0, s4_ = 0, s5_ = 0, s6_ = 0;
    float toneFor_ = NAN, k1_ = 0, k2_ = 0, kh_ = 0, q_ = 0;
    float limiterGain_ = 1.0f;
    float toneOutput_ = 0.0f;
    float chorusLowpass_ = 0.0f;
    float feedback1_ = 0.0f, feedback2_ = 0.0f;
    FractionalDelay chorus1_, chorus2_;
    Lfo lfo1_, lfo2_;

    // What front() leaves for back(). chorus is 0 where the chorus is off.
    struct Run {
        float mix[kRun], y[kRun], chorus[kRun], dry[kRun], high[kRun];
    } run_;
};

}  // namespace strellon
