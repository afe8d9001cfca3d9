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

}  // namespace strellon
