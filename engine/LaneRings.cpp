#include "engine/LaneRings.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/Dsp.h"

namespace strellon {

CubicLanes::CubicLanes(int minimumSize) {
    size_ = 512;
    while (size_ < minimumSize) size_ *= 2;
    mask_ = size_ - 1;
    stride_ = (kLead + size_ + 2 + 15) & ~15;
    storage_.assign(static_cast<size_t>(stride_) * kNumStrings, 0.0f);
}

void CubicLanes::clear() { std::fill(storage_.begin(), storage_.end(), 0.0f); }

void CubicLanes::setDelay(int voice, double samples) {
    if (!std::isfinite(samples)) samples = 0.0;
    double reduced = std::fmod(samples, static_cast<double>(size_));
    if (reduced < 0.0) reduced += size_;
    delay_[voice] = reduced;
}

// DelayLine::read, voice by voice for the position (double precision, as
// there), four voices at a time for the interpolation.
void CubicLanes::read(float* out) const {
    const float* base = storage_.data() + kLead;
    for (int g = 0; g < kGroups; ++g) {
        __m128 taps[4];
        alignas(16) float t[4];
        for (int i = 0; i < 4; ++i) {
            const int v = 4 * g + i;
            double pos = write_ - delay_[v];
            if (pos < 0.0) pos += size_;
            const int at = roundToInt(pos - 0.5);
            t[i] = static_cast<float>(pos - at);
            // at lies in 0..size-1, so at-1..at+2 fall within the guards.
            taps[i] = _mm_loadu_ps(base + v * stride_ + at - 1);
        }
        _MM_TRANSPOSE4_PS(taps[0], taps[1], taps[2], taps[3]);
        const V4 ym1 = reinterpret_cast<V4>(taps[0]);
        const V4 y0 = reinterpret_cast<V4>(taps[1]);
        const V4 y1 = reinterpret_cast<V4>(taps[2]);
        const V4 y2 = reinterpret_cast<V4>(taps[3]);
        V4 tv;
        std::memcpy(&tv, t, sizeof tv);
        const V4 y = y0 + tv * ((y1 - ym1) * 0.5f +
                                tv * ((2.0f * y1 + ym1 - (5.0f * y0 + y2) * 0.5f) +
                                      tv * ((y2 + 3.0f * (y0 - y1) - ym1) * 0.5f)));
        std::memcpy(out + 4 * g, &y, sizeof y);
    }
}

}  // namespace strellon
