#include "engine/OutputStage.h"

namespace strellon {

OutputStage::OutputStage(float sampleRate)
    : chorus1_(1400.0f, kChorusCapacity),
      chorus2_(1400.0f, kChorusCapacity),
      lfo1_(sampleRate),
      lfo2_(sampleRate) {
    lfo1_.setFrequency(0.5f);
    lfo2_.setFrequency(1.2f);
    setSampleRate(sampleRate);
}

void OutputStage::setSampleRate(float sampleRate) {
    sampleRate_ = sampleRate;
    w_ = angularFactor(sampleRate);
    // Release: 75 ms to -60 dB.
    releaseCoefficient_ = static_cast<float>(1.0 - std::pow(0.001, 1.0 / (sampleRate * 0.075)));
    toneFor_ = NAN;
    limiterGain_ = 1.0f;
}

void OutputStage::reset() {
    s1_ = s2_ = s3_ = s4_ = s5_ = s6_ = 0.0f;
    limiterGain_ = 1.0f;
    toneOutput_ = chorusLowpass_ = feedback1_ = feedback2_ = 0.0f;
    chorus1_.clear();
    chorus2_.clear();
}

void OutputStage::setToneCoefficients(float T) {
    toneFor_ = T;
    const float fLow = (1.0f - T * T) * 440.0f + 10.0f;
    const float fHigh = (sampleRate_ * 0.125f - fLow) * ((1.0f - T) * 0.2f + 0.8f) + fLow;
    const float fc = T * 2300.0f + 440.0f;
    k1_ = fc * w_;
    k2_ = (fc - fc * 0.125f) * w_;
    kh_ = w_ * fHigh;
    q_ = 2.0f * (1.0f - (T * 0.7684f + 0.21f));
}

// The chorus lines' delays are far longer than a run, so all their reads
// can go first; the states live in locals meanwhile (the output stores
// would otherwise make the compiler reload every member on every sample).
int OutputStage::back(int n, const OutputControls& c, float* left, float* right) {
    const float volumeFactor = c.volumeFactor, baseDelay = c.chorusBaseDelay;
    float high[kRun];
    int voiced = 0;  // samples that go through the chorus
    for (int i = 0; i < n; ++i)
        if (run_.chorus[i] != 0.0f) high[voiced++] = run_.high[i];

    float wet1[kRun], wet2[kRun];
    if (voiced > 0) {
        float delay1[kRun], delay2[kRun];
        lfo1_.ticks(delay1, voiced);
        lfo2_.ticks(delay2, voiced);
        for (int j = 0; j < voiced; ++j) {
            delay1[j] = (delay1[j] * 0.03f + 1.0f) * baseDelay;
            delay2[j] = (1.0f - delay2[j] * 0.03f) * baseDelay * 1.1001f;
        }
        float feedback1 = feedback1_, feedback2 = feedback2_;
        FractionalDelay::Sweep line1(chorus1_), line2(chorus2_);
        // The chorus lines are only ever pushed, never peeked.
        if (FractionalDelay::Sweep::canStepAhead(chorus1_, delay1, voiced) &&
            FractionalDelay::Sweep::canStepAhead(chorus2_, delay2, voiced)) {
            line1.stepAhead(delay1, wet1, voiced,
                            [&](int j, const float* out) { return (j ? out[j - 1] : feedback1) * 0.3f + high[j]; });
            line2.stepAhead(delay2, wet2, voiced,
                            [&](int j, const float* out) { return (j ? out[j - 1] : feedback2) * 0.3f + high[j]; });
        } else {
            for (int j = 0; j < voiced; ++j) {
                wet1[j] = feedback1 = line1.step(delay1[j], feedback1 * 0.3f + high[j]);
                wet2[j] = feedback2 = line2.step(delay2[j], feedback2 * 0.3f + high[j]);
            }
        }
        feedback1_ = wet1[voiced - 1];
        feedback2_ = wet2[voiced - 1];
    }

    int j = 0;
    for (int i = 0; i < n; ++i) {
        const float Ch = run_.chorus[i], y = run_.y[i];
        float l, r;
        if (Ch != 0.0f) {
            l = ((run_.dry[i] + wet1[j]) * Ch + (1.0f - Ch) * y) * volumeFactor;
            r = ((run_.dry[i] + wet2[j]) * Ch + (1.0f - Ch) * y) * volumeFactor;
            ++j;
        } else {
            l = r = y * volumeFactor;
        }
        left[i] = l;
        right[i] = r;
        if (!std::isfinite(l) || !std::isfinite(r) || !std::isfinite(run_.mix[i])) {
            // The caller resets the stage now; only the oscillators, which
            // a reset keeps, must stand where this sample left them.
            lfo1_.untick(voiced - j);
            lfo2_.untick(voiced - j);
            return i;
        }
    }
    return n;
}

}  // namespace strellon
