#include "engine/Decimator.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace strellon {

namespace {

// The modified Bessel function of the first kind, order 0, by its series.
double besselI0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 64 && term > 1e-12 * sum; ++k) {
        const double half = x / (2.0 * k);
        term *= half * half;
        sum += term;
    }
    return sum;
}

}  // namespace

void Decimator::setFactor(int factor) {
    factor_ = std::clamp(factor, 1, kMaxFactor);
    taps_ = factor_ == 1 ? 1 : factor_ * kTapsPerFactor;
    reversed_.fill(0.0f);
    if (factor_ == 1) {
        reversed_[0] = 1.0f;
    } else {
        // Kaiser window for 80 dB; cutoff half way through the transition.
        const double beta = 0.1102 * (80.0 - 8.7);
        const double cutoff = 0.46 / factor_;  // cycles per sample of the input
        const double centre = 0.5 * (taps_ - 1);
        double h[kMaxTaps], sum = 0.0;
        for (int t = 0; t < taps_; ++t) {
            const double x = t - centre;
            const double a = 2.0 * std::numbers::pi * cutoff * x;
            const double sinc = 2.0 * cutoff * (x == 0.0 ? 1.0 : std::sin(a) / a);
            const double r = x / centre;
            h[t] = sinc * besselI0(beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / besselI0(beta);
            sum += h[t];
        }
        // Unity gain at DC, so a held value comes out as itself.
        for (int t = 0; t < taps_; ++t) reversed_[taps_ - 1 - t] = static_cast<float>(h[t] / sum);
    }
    clear();
}

void Decimator::clear() {
    for (auto& b : buffer_) b.fill(0.0f);
    same_.fill(taps_ - 1);
}

void Decimator::advance(int frames) {
    if (factor_ == 1) return;
    const int used = std::clamp(frames, 0, kChunk) * factor_;
    for (auto& b : buffer_) std::memmove(b.data(), b.data() + used, sizeof(float) * (taps_ - 1));
}

void Decimator::decimate(int channel, int frames, float* out) {
    if (factor_ == 1) return;
    frames = std::clamp(frames, 0, kChunk);
    const float* b = buffer_[channel].data();
    const float* h = reversed_.data();
    // A stretch of one held value (the idle engine's) needs no filtering: it
    // comes out as it went in. same counts the equal samples up to the
    // newest, so the choice does not depend on where chunks begin.
    int same = same_[channel];
    float last = b[taps_ - 2];
    for (int j = 0; j < frames; ++j) {
        const float* x = b + j * factor_ + factor_ - 1;
        for (int k = taps_ - factor_; k < taps_; ++k) {
            same = x[k] == last ? std::min(same + 1, taps_) : 1;
            last = x[k];
        }
        if (!out) continue;
        if (same == taps_) {
            out[j] = last;
            continue;
        }
        // Four sums side by side (the tap count is a multiple of four), added
        // in a fixed order, so the result does not depend on the build.
        float s0 = 0.0f, s1 = 0.0f, s2 = 0.0f, s3 = 0.0f;
        for (int t = 0; t < taps_; t += 4) {
            s0 += h[t] * x[t];
            s1 += h[t + 1] * x[t + 1];
            s2 += h[t + 2] * x[t + 2];
            s3 += h[t + 3] * x[t + 3];
        }
        out[j] = (s0 + s1) + (s2 + s3);
    }
    same_[channel] = same;
}

}  // namespace strellon
