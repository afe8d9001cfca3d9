#include "engine/OutputStage.h"

#include <cstring>

#include "engine/ProcessorVersions.h"

namespace strellon {

OutputStage::OutputStage(float sampleRate)
    : chorus1_(1400.0f, kChorusCapacity),
      chorus2_(1400.0f, kChorusCapacity),
      lfo1_(sampleRate),
      lfo2_(sampleRate) {
    render_ = pickVersion(&OutputStage::renderPlain, &OutputStage::renderAvx2);
    lfo1_.setFrequency(0.5f);
    lfo2_.setFrequency(1.2f);
    setSampleRate(sampleRate);
}

void OutputStage::setSampleRate(float sampleRate) {
    sampleRate_ = sampleRate;
    w_ = angularFactor(sampleRate);
    // Release: 75 ms to -60 dB.
    releaseCoefficient_ = static_cast<float>(1.0 - std::pow(0.001, 1.0 / (sampleRate * 0.075)));
    tone_.setSampleRate(sampleRate);
    limiterGain_ = 1.0f;
}

void OutputStage::reset() {
    tone_.reset();
    limiterGain_ = 1.0f;
    chorusLowpass_ = feedback1_ = feedback2_ = 0.0f;
    chorus1_.clear();
    chorus2_.clear();
}

// A run goes through the stage in passes, each over the whole run before
// the next starts: the tone section's limiter with Volume and the chorus
// low-pass; the chorus lines; the outputs; the blow-up check. Each pass
// keeps the states it carries in locals meanwhile: the stores would
// otherwise make the compiler reload every member on every sample.
inline __attribute__((always_inline)) int OutputStage::render(int n, const OutputControls& c, float* left,
                                                               float* right) {
    const float* shaped = run_.shaped;
    float y[kRun], dry[kRun], high[kRun];
    const int voiced = limit(n, shaped, c.volume, y, dry, high);
    float wet1[kRun], wet2[kRun];
    if (voiced > 0) chorusLines(voiced, high, c.chorusBaseDelay, wet1, wet2);
    float l[kRun], r[kRun];
    mixOutputs(n, voiced, y, dry, wet1, wet2, c.volumeFactor, l, r);
    std::memcpy(left, l, sizeof(float) * static_cast<size_t>(n));
    std::memcpy(right, r, sizeof(float) * static_cast<size_t>(n));
    return firstBlownUp(n, voiced, shaped, l, r);
}

// The limiter (on the tone section's samples) and Volume give y; the samples
// that go through the chorus are split by its low-pass into dry (with a
// fifth of y) and high, which feeds the lines, packed one after another.
// Returns how many samples go through the chorus.
inline __attribute__((always_inline)) int OutputStage::limit(int n, const float* shaped, float volume, float* y,
                                                              float* dry, float* high) {
    const float w = w_, release = releaseCoefficient_;
    const float* table = limiterTable_;
    float gain = limiterGain_, lowpass = chorusLowpass_;
    int voiced = 0;
    for (int i = 0; i < n; ++i) {
        float x = run_.mix[i] * 3.9f;
        if (run_.dynaTone[i] > 0.0f) {
            // Peak limiter: instant attack, 75 ms release. The index is
            // bounded even for a value that is not a number.
            const float z = shaped[i];
            float a = std::fabs(z) * 4096.0f;
            if (!(a <= 32760.0f)) a = 32760.0f;
            const int k = roundToInt(a - 0.5f);
            const float t = a - static_cast<float>(k);
            const float target = table[k] + (table[k + 1] - table[k]) * t;
            if (target < gain) gain = target;
            else gain = gain + (target - gain) * release;
            x = gain * z;
        }
        y[i] = x * volume;
        if (run_.chorus[i] != 0.0f) {
            lowpass = lowpass + (y[i] - lowpass) * w * 233.0f;
            dry[i] = y[i] * 0.2f + lowpass;
            high[voiced++] = y[i] - lowpass;
        }
    }
    limiterGain_ = gain, chorusLowpass_ = lowpass;
    return voiced;
}

// The two chorus lines, each fed back into itself, over the voiced samples:
// wet1 and wet2 are what they give. Their delays are far longer than a run,
// so usually all the reads can go first, four at a time.
inline __attribute__((always_inline)) void OutputStage::chorusLines(int voiced, const float* high, float baseDelay,
                                                                    float* wet1, float* wet2) {
    float delay1[kRun], delay2[kRun];
    lfo1_.ticks(delay1, voiced);
    lfo2_.ticks(delay2, voiced);
    for (int j = 0; j < voiced; ++j) {
        delay1[j] = (delay1[j] * 0.03f + 1.0f) * baseDelay;
        delay2[j] = (1.0f - delay2[j] * 0.03f) * baseDelay * 1.1001f;
    }
    float feedback1 = feedback1_, feedback2 = feedback2_;
    FractionalDelay::RunCursor line1(chorus1_), line2(chorus2_);
    // The chorus lines are only ever pushed, never peeked.
    if (FractionalDelay::RunCursor::canReadAhead(chorus1_, delay1, voiced) &&
        FractionalDelay::RunCursor::canReadAhead(chorus2_, delay2, voiced)) {
        line1.readAhead(delay1, wet1, voiced);
        line2.readAhead(delay2, wet2, voiced);
        float input1[kRun], input2[kRun];
        input1[0] = feedback1 * 0.3f + high[0];
        input2[0] = feedback2 * 0.3f + high[0];
        for (int j = 1; j < voiced; ++j) {
            input1[j] = wet1[j - 1] * 0.3f + high[j];
            input2[j] = wet2[j - 1] * 0.3f + high[j];
        }
        line1.writeAhead(input1, voiced);
        line2.writeAhead(input2, voiced);
    } else {
        for (int j = 0; j < voiced; ++j) {
            wet1[j] = feedback1 = line1.step(delay1[j], feedback1 * 0.3f + high[j]);
            wet2[j] = feedback2 = line2.step(delay2[j], feedback2 * 0.3f + high[j]);
        }
    }
    feedback1_ = wet1[voiced - 1];
    feedback2_ = wet2[voiced - 1];
}

// Left and right: the chorus's dry and wet parts faded against y by Chorus,
// then the controller-7 factor.
inline __attribute__((always_inline)) void OutputStage::mixOutputs(int n, int voiced, const float* y,
                                                                   const float* dry, const float* wet1,
                                                                   const float* wet2, float volumeFactor, float* l,
                                                                   float* r) const {
    // Usually every sample of a run goes through the chorus, or none does.
    if (voiced == n) {
        for (int i = 0; i < n; ++i) {
            const float Ch = run_.chorus[i];
            l[i] = ((dry[i] + wet1[i]) * Ch + (1.0f - Ch) * y[i]) * volumeFactor;
            r[i] = ((dry[i] + wet2[i]) * Ch + (1.0f - Ch) * y[i]) * volumeFactor;
        }
    } else {
        for (int i = 0, j = 0; i < n; ++i) {
            const float Ch = run_.chorus[i];
            if (Ch != 0.0f) {
                l[i] = ((dry[i] + wet1[j]) * Ch + (1.0f - Ch) * y[i]) * volumeFactor;
                r[i] = ((dry[i] + wet2[j]) * Ch + (1.0f - Ch) * y[i]) * volumeFactor;
                ++j;
            } else {
                l[i] = r[i] = y[i] * volumeFactor;
            }
        }
    }
}

// renderRun()'s answer: n, or the first sample that blew up. The tone
// section's states can run away behind the limiter, which keeps the output
// small; its shaped value shows them.
inline __attribute__((always_inline)) int OutputStage::firstBlownUp(int n, int voiced, const float* shaped,
                                                                    const float* l, const float* r) {
    auto sound = [&](int i) {
        return (std::fabs(l[i]) <= kBlownUp) & (std::fabs(r[i]) <= kBlownUp) & (std::fabs(run_.mix[i]) <= kBlownUp) &
               (std::fabs(shaped[i]) <= kBlownUp);
    };
    int fine = 1;
    for (int i = 0; i < n; ++i) fine &= sound(i);
    if (fine) return n;
    for (int i = 0, j = 0; i < n; ++i) {
        if (run_.chorus[i] != 0.0f) ++j;
        if (!sound(i)) {
            // The caller resets the stage now; only the oscillators, which
            // a reset keeps, must stand where this sample left them.
            lfo1_.untick(voiced - j);
            lfo2_.untick(voiced - j);
            return i;
        }
    }
    return n;
}

int OutputStage::renderPlain(int n, const OutputControls& c, float* left, float* right) {
    return render(n, c, left, right);
}
STRELLON_AVX2_VERSION int OutputStage::renderAvx2(int n, const OutputControls& c, float* left, float* right) {
    return render(n, c, left, right);
}

}  // namespace strellon
