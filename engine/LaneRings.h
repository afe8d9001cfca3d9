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

    explicit LaneRings(int capacity)
        : size_(std::clamp(capacity, kMirror, kMaximumCapacity) + 1),
          storage_(kLead + static_cast<size_t>(kStride) * kLines, 0.0f) {
        for (int r = 0; r < Rings; ++r) {
            for (int v = 0; v < kNumStrings; ++v) {
                read_[r][v] = line(r, v);
                lineEnd_[r][v] = line(r, v) + size_;
            }
            for (int g = 0; g < kGroups; ++g) {
                fraction_[r][g] = V4{0, 0, 0, 0};
                oneMinusFraction_[r][g] = V4{1, 1, 1, 1};
            }
            std::fill(reach_[r], reach_[r] + kNumStrings, kReachesAll);
            // Not the bits of any float the lines are given first (a
            // quiet NaN pattern no arithmetic produces here).
            std::fill(delayBits_[r], delayBits_[r] + kNumStrings, 0x7FC01234u);
            farthest_[r] = kReachesAll;
            sameFor_[r] = 0;
            same_[r] = 0;
        }
    }
    LaneRings(const LaneRings&) = delete;
    LaneRings& operator=(const LaneRings&) = delete;

    // Zeroes every line's samples (positions are kept).
    void clear() {
        std::fill(storage_.begin(), storage_.end(), 0.0f);
        for (int r = 0; r < Rings; ++r) sameFor_[r] = 0;
    }
    // FractionalDelay::setDelay for one voice of one ring.
    void setDelay(int ring, int voice, float delay) {
        // The same delay again leaves the line reading where it reads now
        // (from the mirrored copy, perhaps): most loop lengths stay put
        // from one tick to the next.
        std::uint32_t bits;
        std::memcpy(&bits, &delay, sizeof bits);
        if (bits == delayBits_[ring][voice]) return;
        delayBits_[ring][voice] = bits;
        int read;
        float fraction, kept;
        FractionalDelay::place(write_, size_, delay, read, fraction, kept);
        read_[ring][voice] = line(ring, voice) + read - advanced_;
        const int g = voice >> 2, i = voice & 3;
        fraction_[ring][g][i] = fraction;
        oneMinusFraction_[ring][g][i] = 1.0f - fraction;
        // How many of the latest samples the line's two taps may reach:
        // at most the whole delay and one more, counting the one written
        // now. Other delays may read anywhere in the line.
        const int reach = delay >= 0.0f && delay <= static_cast<float>(size_ - 1) ? static_cast<int>(delay) + 2
                                                                                 : kReachesAll;
        if (reach != reach_[ring][voice]) {
            reach_[ring][voice] = reach;
            farthest_[ring] = *std::max_element(reach_[ring], reach_[ring] + kNumStrings);
        }
    }

    // One sample for every voice of one ring: x holds the twelve inputs,
    // out gets the twelve outputs. Each ring is pushed once per sample, then
    // endSample() moves them all on.
    // pushAlone: each voice gets its push() result.
    void pushAlone(int ring, const float* x, float* out) {
        sameFor_[ring] = 0;
        write(ring, x);
        for (int g = 0; g < kGroups; ++g) {
            const V4 v = interpolate(ring, g, advanced_);
            std::memcpy(out + 4 * g, &v, sizeof v);
        }
    }
    // pushAlone with the same input x for every voice. Once every line has
    // had x for as long as its taps reach back, both taps hold x and the
    // reads are left out: out gets x interpolated with itself, as it would.
    void pushAloneSame(int ring, float x, float* out) {
        float* at = storage_.data() + kLead + ring * kNumStrings * kStride + write_;
        for (int v = 0; v < kNumStrings; ++v) at[v * kStride] = x;
        if (write_ <= kMirror)
            for (int v = 0; v < kNumStrings; ++v) at[v * kStride + size_] = x;
        std::uint32_t bits;
        std::memcpy(&bits, &x, sizeof bits);
        if (bits != same_[ring]) same_[ring] = bits, sameFor_[ring] = 0;
        if (sameFor_[ring] < kReachesAll) ++sameFor_[ring];
        if (sameFor_[ring] < farthest_[ring]) {
            for (int g = 0; g < kGroups; ++g) {
                const V4 v = interpolate(ring, g, advanced_);
                std::memcpy(out + 4 * g, &v, sizeof v);
            }
            return;
        }
        const V4 held{x, x, x, x};
        for (int g = 0; g < kGroups; ++g) {
            const V4 v = held * oneMinusFraction_[ring][g] + held * fraction_[ring][g];
            std::memcpy(out + 4 * g, &v, sizeof v);
        }
    }
    // pushPeek: push() with the result dropped, then peek(); done group by
    // group, since a later group's input may depend on an earlier one's
    // output only through the caller, never within a sample.
    void pushPeek(int ring, const float* x, float* out) {
        write(ring, x);
        for (int g = 0; g < kGroups; ++g) {
            const V4 v = interpolate(ring, g, advanced_ + 1);
            std::memcpy(out + 4 * g, &v, sizeof v);
        }
    }
    void endSample() {
        if (++write_ == size_) write_ = 0;
        if (++advanced_ == kMirror) rewrap();
    }

private:
    // Room before the first line, so that a read pointer less the samples
    // since the last rewrap stays within the storage.
    static constexpr int kLead = kMirror;

    float* line(int ring, int voice) {
        return storage_.data() + kLead + static_cast<size_t>(ring * kNumStrings + voice) * kStride;
    }

    // Every line's read position is read_ + advanced_: the positions all
    // move on together, so one counter moves them. Every kMirror samples
    // the counter goes into the pointers, and positions past a line's end
    // go back by its size, which keeps them within the mirrored part.
    void rewrap() {
        for (int r = 0; r < Rings; ++r) {
            for (int v = 0; v < kNumStrings; ++v) {
                const float* at = read_[r][v] + kMirror;
                read_[r][v] = at >= lineEnd_[r][v] ? at - size_ : at;
            }
        }
        advanced_ = 0;
    }

    void write(int ring, const float* x) {
        float* at = storage_.data() + kLead + ring * kNumStrings * kStride + write_;
        store(at, x);
        if (write_ <= kMirror) store(at + size_, x);
    }
    // Lane by lane, at constant offsets.
    static void store(float* at, const float* x) {
        for (int v = 0; v < kNumStrings; ++v) at[v * kStride] = x[v];
    }

    // The four voices of group g, read t samples past their read_.
    V4 interpolate(int ring, int g, int t) const {
        const float* const* p = read_[ring] + 4 * g;
        // Both taps of a voice sit side by side: one 8-byte load each.
        __m128 low = _mm_setzero_ps(), high = _mm_setzero_ps();
        low = _mm_loadl_pi(low, reinterpret_cast<const __m64*>(p[0] + t));
        low = _mm_loadh_pi(low, reinterpret_cast<const __m64*>(p[1] + t));
        high = _mm_loadl_pi(high, reinterpret_cast<const __m64*>(p[2] + t));
        high = _mm_loadh_pi(high, reinterpret_cast<const __m64*>(p[3] + t));
        const V4 a = reinterpret_cast<V4>(_mm_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0)));
        const V4 b = reinterpret_cast<V4>(_mm_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1)));
        return a * oneMinusFraction_[ring][g] + b * fraction_[ring][g];
    }

    static constexpr int kReachesAll = 0x7FFFFFFF;
    int size_;  // capacity + 1, as FractionalDelay
    int write_ = 0;
    int advanced_ = 0;  // samples since the last rewrap()
    const float* read_[Rings][kNumStrings];
    const float* lineEnd_[Rings][kNumStrings];  // one past each line's own entries
    V4 fraction_[Rings][kGroups];
    V4 oneMinusFraction_[Rings][kGroups];
    // Per ring: the samples its taps may reach (per line, and the most of
    // any line), and for how many of the latest samples every line has
    // been given the same value (whose bits are same_). After clear() the
    // lines hold zeroes that count for nothing.
    int reach_[Rings][kNumStrings];
    std::uint32_t delayBits_[Rings][kNumStrings];  // each line's last delay
    int farthest_[Rings];
    int sameFor_[Rings];
    std::uint32_t same_[Rings];
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

    // DelayLine::read for every voice: the positions (in double precision,
    // as there) two voices at a time, the interpolation four at a time.
    void read(float* out) const {
        const float* base = storage_.data() + kLead;
        const __m128d write = _mm_set1_pd(static_cast<double>(write_)), size = _mm_set1_pd(static_cast<double>(size_));
        for (int g = 0; g < kGroups; ++g) {
            alignas(16) std::int32_t at[4];
            alignas(16) float t[4];
            for (int pair = 0; pair < 2; ++pair) {
                const int v = 4 * g + 2 * pair;
                __m128d pos = _mm_sub_pd(write, _mm_loadu_pd(delay_ + v));
                pos = _mm_add_pd(pos, _mm_and_pd(_mm_cmplt_pd(pos, _mm_setzero_pd()), size));
                const __m128i whole = _mm_cvtpd_epi32(_mm_sub_pd(pos, _mm_set1_pd(0.5)));
                const __m128 part = _mm_cvtpd_ps(_mm_sub_pd(pos, _mm_cvtepi32_pd(whole)));
                _mm_storel_epi64(reinterpret_cast<__m128i*>(at + 2 * pair), whole);
                _mm_storel_pi(reinterpret_cast<__m64*>(t + 2 * pair), part);
            }
            // at lies in 0..size-1, so at-1..at+2 fall within the guards.
            __m128 taps[4];
            for (int i = 0; i < 4; ++i) taps[i] = _mm_loadu_ps(base + (4 * g + i) * stride_ + at[i] - 1);
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
    // DelayLine::write for every voice.
    void write(const float* lanes) {
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
