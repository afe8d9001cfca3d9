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
    limiterGain_ = 1.0f;
}

void OutputStage::reset() {
    s1_ = s2_ = s3_ = s4_ = s5_ = s6_ = 0.0f;
    limiterGain_ = 1.0f;
    toneOutput_ = chorusLowpass_ = feedback1_ = feedback2_ = 0.0f;
    chorus1_.clear();
    chorus2_.clear();
}

float OutputStage::toneSection(float x, float T, float R) {
    const float w = w_;
    const float fLow = (1.0f - T * T) * 440.0f + 10.0f;
    const float fHigh = (sampleRate_ * 0.125f - fLow) * ((1.0f - T) * 0.2f + 0.8f) + fLow;

    const float fc = T * 2300.0f + 440.0f;
    const float k1 = fc * w;
    s1_ = s1_ + (x + s2_ * T * 0.818f - s1_) * k1;
    s2_ = s2_ + (s1_ - s2_) * k1;

    const float k2 = (fc - fc * 0.125f) * w;
    s3_ = s3_ + (s2_ - s3_) * k2;
    s4_ = s4_ + (s2_ - s3_ - s4_) * k2;

    const float kh = w * fHigh;
    const float q = 2.0f * (1.0f - (T * 0.7684f + 0.21f));
    s5_ = s5_ + (x - (q * s5_ + s6_)) * kh;
    s6_ = s6_ + s5_ * kh;

    float z = (s5_ * 0.8f + s6_ * 0.3f) * R * 2.0f + (s3_ - s4_) * (1.0f - R) * 1.136f;
    z = z - z * z * z * 0.16666667f;

    // Peak limiter: instant attack, 75 ms release. The index is bounded even
    // for a value that is not a number.
    float a = std::fabs(z) * 4096.0f;
    if (!(a <= 32760.0f)) a = 32760.0f;
    const int i = roundToInt(a - 0.5f);
    const float t = a - static_cast<float>(i);
    const float* table = tables_.limiter.data();
    const float target = table[i] + (table[i + 1] - table[i]) * t;
    if (target < limiterGain_) limiterGain_ = target;
    else limiterGain_ = limiterGain_ + (target - limiterGain_) * releaseCoefficient_;

    toneOutput_ = limiterGain_ * z;
    return toneOutput_;
}

void OutputStage::chorus(float y, float Ch, const OutputControls& c, float& left, float& right) {
    chorusLowpass_ = chorusLowpass_ + (y - chorusLowpass_) * w_ * 233.0f;
    const float h = y - chorusLowpass_;
    chorus1_.setDelay((lfo1_.tick() * 0.03f + 1.0f) * c.chorusBaseDelay);
    chorus2_.setDelay((1.0f - lfo2_.tick() * 0.03f) * c.chorusBaseDelay * 1.1001f);
    // The chorus lines are only ever pushed, never peeked.
    feedback1_ = chorus1_.pushAlone(feedback1_ * 0.3f + h);
    feedback2_ = chorus2_.pushAlone(feedback2_ * 0.3f + h);
    const float m = y * 0.2f + chorusLowpass_;
    left = ((m + feedback1_) * Ch + (1.0f - Ch) * y) * c.volumeFactor;
    right = ((m + feedback2_) * Ch + (1.0f - Ch) * y) * c.volumeFactor;
}

int OutputStage::processRun(const RunSamples& in, int n, const OutputControls& c, float* left, float* right) {
    for (int i = 0; i < n; ++i) {
        float l, r;
        render(in.mix[i], in.on[i], in.dynaTone[i], in.toneRama[i], in.chorus[i], c, l, r);
        left[i] = l;
        right[i] = r;
        if (!std::isfinite(l) || !std::isfinite(r) || !std::isfinite(in.mix[i])) return i;
    }
    return n;
}

}  // namespace strellon
