// The tone section's filters: a resonant low-pass into a band, and a
// state-variable low-pass beside it, mixed by ToneRama and soft-clipped.
// Their chain carries from sample to sample and is short of work, so the
// engine steps it inside the voices' run, one sample behind them, where
// its waits fall among the voices' work (see runVoices).
#pragma once

#include <cmath>

#include "engine/Dsp.h"

namespace strellon {

class ToneFilters {
public:
    // UI thread, while audio is stopped.
    void setSampleRate(float sampleRate) {
        sampleRate_ = sampleRate;
        w_ = angularFactor(sampleRate);
        toneFor_ = NAN;
    }
    void reset() { s1_ = s2_ = s3_ = s4_ = s5_ = s6_ = 0.0f; }

    // Audio thread: the soft-clipped band for one sample of the mix, with
    // DynaTone T (above 0) and ToneRama R.
    float shape(float mix, float T, float R) {
        const float x = mix * 3.9f;
        // The coefficients depend on DynaTone alone (and the rate).
        if (!(T == toneFor_)) setCoefficients(T);
        s1_ = s1_ + (x + s2_ * T * 0.818f - s1_) * k1_;
        s2_ = s2_ + (s1_ - s2_) * k1_;
        s3_ = s3_ + (s2_ - s3_) * k2_;
        s4_ = s4_ + (s2_ - s3_ - s4_) * k2_;
        s5_ = s5_ + (x - (q_ * s5_ + s6_)) * kh_;
        s6_ = s6_ + s5_ * kh_;
        const float z = (s5_ * 0.8f + s6_ * 0.3f) * R * 2.0f + (s3_ - s4_) * (1.0f - R) * 1.136f;
        return z - z * z * z * 0.16666667f;
    }

private:
    void setCoefficients(float T) {
        toneFor_ = T;
        const float fLow = (1.0f - T * T) * 440.0f + 10.0f;
        // At low rates the cutoffs are held where the one-pole steps stay
        // stable; at 44.1 kHz and above none reaches that.
        const float highest = sampleRate_ / 6.28319f;
        float fc = T * 2300.0f + 440.0f;
        if (fc > highest) fc = highest;
        float fHigh = (sampleRate_ * 0.125f - fLow) * ((1.0f - T) * 0.2f + 0.8f) + fLow;
        if (fHigh > highest) fHigh = highest;
        k1_ = fc * w_;
        k2_ = (fc - fc * 0.125f) * w_;
        kh_ = w_ * fHigh;
        q_ = 2.0f * (1.0f - (T * 0.7684f + 0.21f));
    }

    float sampleRate_ = 44100.0f;
    float w_ = angularFactor(44100.0f);
    float s1_ = 0, s2_ = 0, s3_ = 0, s4_ = 0, s5_ = 0, s6_ = 0;
    float toneFor_ = NAN, k1_ = 0, k2_ = 0, kh_ = 0, q_ = 0;
};

}  // namespace strellon
