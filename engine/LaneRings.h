// Rings of twelve FractionalDelay lines (one per voice) that are all pushed
// once on every sample, as the voice bank's loops and combs are. Because
// they always advance together they share one write index, and their read
// positions, fractions and interpolation are computed four voices at a
// time. The results are those of FractionalDelay objects of the same
// capacity driven the same way.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>
#include <emmintrin.h>

#include "engine/Dsp.h"
#include "engine/Parameters.h"

namespace strellon {

template <int Rings>
class LaneRings {
public:
    using V4 = float __attribute__((vector_size(16)));
    using I4 = std::int32_t __attribute__((vector_size(16)));
    static constexpr int kGroups = kNumStrings / 4;
    static constexpr int kLines = Rings * kNumStrings;

    // Each line keeps a copy of its first kMirror + 1 samples past its end,
    // so a read position may run up to kMirror samples past the end before
    // it has to be wrapped, and the interpolation's second tap is always the
    // next float in memory.
    static constexpr int kMirror = 64;
    // Floats between two lines. A constant, so that a lane's place in
    // memory is a fixed offset from the write point.
    static constexpr int kStride = 32848;
    static constexpr int kMaximumCapacity = kStride - kMirror - 2;

    explicit LaneRings(int capacity) : size_(std::clamp(capacity, kMirror, kMaximumCapacity) + 1) {
        for (int r = 0; r < Rings; ++r) {
            for (int g = 0; g < kGroups; ++g) {
                const int v = r * kNumStrings + 4 * g;
                laneBase_[r][g] = I4{v * kStride, (v + 1) * kStride, (v + 2) * kStride, (v + 3) * kStride};
                lineEnd_[r][g] = laneBase_[r][g] + size_;
                at_[r][g] = laneBase_[r][g];
                fraction_[r][g] = V4{0, 0, 0, 0};
                oneMinusFraction_[r][g] = V4{1, 1, 1, 1};
            }
        }
        storage_.assign(static_cast<size_t>(kStride) * kLines, 0.0f);
    }

    // Zeroes every line's samples (positions are kept).
    void clear() { std::fill(storage_.begin(), storage_.end(), 0.0f); }
    // FractionalDelay::setDelay for one voice of one ring.
    void setDelay(int ring, int voice, float delay) {
        int read;
        float fraction, kept;
        FractionalDelay::place(write_, size_, delay, read, fraction, kept);
        const int g = voice >> 2, i = voice & 3;
        at_[ring][g][i] = read + laneBase_[ring][g][i];
        fraction_[ring][g][i] = fraction;
        oneMinusFraction_[ring][g][i] = 1.0f - fraction;
    }

    // One sample for every voice of one ring: x holds the twelve inputs.
    // Each ring is pushed once per sample, then endSample() moves them all on.
    // pushAlone: each voice gets its push() result.
    void pushAlone(int ring, const V4* x, V4* out) {
        write(ring, x);
        for (int g = 0; g < kGroups; ++g) {
            out[g] = interpolate(ring, g);
            at_[ring][g] = at_[ring][g] + 1;
        }
    }
    // pushPeek: push() with the result dropped, then peek(); done group by
    // group, since a later group's input may depend on an earlier one's
    // output only through the caller, never within a sample.
    void pushPeek(int ring, const V4* x, V4* out) {
        write(ring, x);
        for (int g = 0; g < kGroups; ++g) {
            at_[ring][g] = at_[ring][g] + 1;
            out[g] = interpolate(ring, g);
        }
    }
    void endSample() {
        if (++write_ == size_) write_ = 0;
        if (++advanced_ == kMirror) rewrap();
    }

private:
    // Read positions past a line's end go back by its size; done every
    // kMirror samples, which keeps them within the mirrored part.
    void rewrap() {
        for (int r = 0; r < Rings; ++r) {
            for (int g = 0; g < kGroups; ++g) {
                const I4 past = at_[r][g] >= lineEnd_[r][g];
                at_[r][g] = at_[r][g] - (past & size_);
            }
        }
        advanced_ = 0;
    }

    void write(int ring, const V4* x) {
        float* at = storage_.data() + ring * kNumStrings * kStride + write_;
        store(at, x);
        if (write_ <= kMirror) store(at + size_, x);
    }
    // Lane by lane straight out of the vectors, at constant offsets.
    static void store(float* at, const V4* x) {
        for (int g = 0; g < kGroups; ++g) {
            const V4 v = x[g];
            at[(4 * g) * kStride] = v[0];
            at[(4 * g + 1) * kStride] = v[1];
            at[(4 * g + 2) * kStride] = v[2];
            at[(4 * g + 3) * kStride] = v[3];
        }
    }

    V4 interpolate(int ring, int g) const {
        alignas(16) std::int32_t here[4];
        std::memcpy(here, &at_[ring][g], sizeof here);
        // Both taps of a voice sit side by side: one 8-byte load each.
        const float* s = storage_.data();
        __m128 low = _mm_setzero_ps(), high = _mm_setzero_ps();
        low = _mm_loadl_pi(low, reinterpret_cast<const __m64*>(s + here[0]));
        low = _mm_loadh_pi(low, reinterpret_cast<const __m64*>(s + here[1]));
        high = _mm_loadl_pi(high, reinterpret_cast<const __m64*>(s + here[2]));
        high = _mm_loadh_pi(high, reinterpret_cast<const __m64*>(s + here[3]));
        const V4 a = reinterpret_cast<V4>(_mm_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0)));
        const V4 b = reinterpret_cast<V4>(_mm_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1)));
        return a * oneMinusFraction_[ring][g] + b * fraction_[ring][g];
    }

    int size_;  // capacity + 1, as FractionalDelay
    int write_ = 0;
    int advanced_ = 0;  // samples since the last rewrap()
    I4 laneBase_[Rings][kGroups];  // where each lane's line starts in storage_
    I4 lineEnd_[Rings][kGroups];   // laneBase_ + size_
    I4 at_[Rings][kGroups];        // read positions, in storage_
    V4 fraction_[Rings][kGroups];
    V4 oneMinusFraction_[Rings][kGroups];
    std::vector<float> storage_;
};

// Twelve DelayLine loops (power-of-two size, cubic read) that are read and
// written together on every sample. One shared write index; each line keeps
// guard copies round its ends so the four taps of a read are one load.
class CubicLanes {
public:
    using V4 = float __attribute__((vector_size(16)));
    static constexpr int kGroups = kNumStrings / 4;

    explicit CubicLanes(int minimumSize);

    void clear();
    // DelayLine::setDelay for one voice.
    void setDelay(int voice, double samples);

    // DelayLine::read for every voice.
    void read(V4* out) const;
    // DelayLine::write for every voice.
    void write(const V4* x) {
        alignas(16) float lanes[kNumStrings];
        std::memcpy(lanes, x, sizeof lanes);
        float* at = storage_.data() + kLead + write_;
        for (int v = 0; v < kNumStrings; ++v) {
            float* line = at + v * stride_;
            line[0] = lanes[v];
        }
        // Guards: entry -1 mirrors the last entry, size and size + 1 the first two.
        if (write_ < 2 || write_ == mask_) {
            for (int v = 0; v < kNumStrings; ++v) {
                float* line = storage_.data() + kLead + v * stride_;
                if (write_ == mask_) line[-1] = lanes[v];
                else line[size_ + write_] = lanes[v];
            }
        }
        write_ = (write_ + 1) & mask_;
    }

private:
    static constexpr int kLead = 4;  // room for the guard before entry 0
    int size_;
    int mask_;
    int stride_;
    int write_ = 0;
    double delay_[kNumStrings] = {};
    std::vector<float> storage_;
};

}  // namespace strellon
