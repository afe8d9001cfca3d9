#include "engine/LaneRings.h"

#include <algorithm>

namespace strellon {

LaneRings::LaneRings(int capacity) : size_(capacity + 1), stride_((capacity + 2 + 15) & ~15) {
    sizeVector_ = I4{size_, size_, size_, size_};
    for (int g = 0; g < kGroups; ++g) {
        const int v = 4 * g;
        laneBase_[g] = I4{v * stride_, (v + 1) * stride_, (v + 2) * stride_, (v + 3) * stride_};
        read_[g] = I4{0, 0, 0, 0};
        fraction_[g] = V4{0, 0, 0, 0};
        oneMinusFraction_[g] = V4{1, 1, 1, 1};
    }
    storage_.assign(static_cast<size_t>(stride_) * kNumStrings, 0.0f);
}

void LaneRings::clear() { std::fill(storage_.begin(), storage_.end(), 0.0f); }

// The same steps as FractionalDelay::setDelay, on the shared write index.
void LaneRings::setDelay(int voice, float delay) {
    const float limit = static_cast<float>(size_ - 1);
    double pos;
    if (delay > limit) pos = write_ + 1;
    else if (!(delay >= 0.0f)) pos = write_;
    else pos = static_cast<double>(write_) - delay;
    if (pos < 0.0) pos += size_;
    if (pos >= size_) pos -= size_;
    int read = static_cast<int>(pos);
    if (read >= size_) read = 0;
    const float fraction = static_cast<float>(pos - read);
    const int g = voice >> 2, i = voice & 3;
    read_[g][i] = read;
    fraction_[g][i] = fraction;
    oneMinusFraction_[g][i] = 1.0f - fraction;
}

}  // namespace strellon
