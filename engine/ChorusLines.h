// The stereo chorus's moving parts: the oscillators that sweep its delays,
// and the cursor that takes a chorus line through a whole run, four reads at
// a time where the delays allow. Buffers are allocated only at construction.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/Dsp.h"

namespace strellon {

// Wavetable oscillator: 256 entries plus a wrap-around guard, 8.24 phase.
class Lfo {
public:
    enum Shape { kTriangle = 0, kSinus = 1, kSawtooth = 2, kSquare = 3, kExponent = 4 };

    explicit Lfo(float sampleRate) : sampleRate_(sampleRate) {
        setShape(kSinus);
        setFrequency(1.0f);
    }

    void setShape(int shape);
    void setFrequency(float hz);
    std::uint32_t increment() const { return increment_; }
    float table(int i) const { return table_[i]; }

    // count ticks into out.
    void ticks(float* out, int count) {
        using U4 = std::uint32_t __attribute__((vector_size(16)));
        using V4 = float __attribute__((vector_size(16)));
        using I4 = std::int32_t __attribute__((vector_size(16)));
        int j = 0;
        for (; j + 4 <= count; j += 4) {
            const U4 phase = U4{0, 1, 2, 3} * increment_ + phase_;
            const U4 index = phase >> 24;
            const V4 x = __builtin_convertvector(reinterpret_cast<I4>(phase & 0xFFFFFFu), V4) * (1.0f / 16777216.0f);
            const V4 here{table_[index[0]], table_[index[1]], table_[index[2]], table_[index[3]]};
            const V4 after{table_[index[0] + 1], table_[index[1] + 1], table_[index[2] + 1], table_[index[3] + 1]};
            const V4 result = (1.0f - x) * here + x * after;
            std::memcpy(out + j, &result, sizeof result);
            phase_ += 4 * increment_;
        }
        for (; j < count; ++j) out[j] = tick();
    }
    // Takes back the last count ticks.
    void untick(int count) { phase_ -= increment_ * static_cast<std::uint32_t>(count); }

    float tick() {
        std::uint32_t index = phase_ >> 24;
        float x = static_cast<float>(phase_ & 0xFFFFFFu) * (1.0f / 16777216.0f);
        float out = (1.0f - x) * table_[index] + x * table_[index + 1];
        phase_ += increment_;
        return out;
    }

private:
    float sampleRate_;
    std::uint32_t phase_ = 0;
    std::uint32_t increment_ = 0;
    float table_[257] = {};
};

// setDelay then pushAlone on every sample of a run, with the line's
// position kept in locals meanwhile (stores into the buffer would
// otherwise force the members back to memory each time). Writes the
// state back when it goes out of scope.
class FractionalDelay::Sweep {
public:
    explicit Sweep(FractionalDelay& d)
        : d_(d), buffer_(d.buffer_.data()), size_(d.size_), write_(d.writeIndex_), read_(d.readIndex_),
          fraction_(d.fraction_), oneMinusFraction_(d.oneMinusFraction_), delay_(d.delay_), out_(d.pushValue_) {}
    ~Sweep() {
        d_.writeIndex_ = write_;
        d_.readIndex_ = read_;
        d_.fraction_ = fraction_;
        d_.oneMinusFraction_ = oneMinusFraction_;
        d_.delay_ = delay_;
        d_.pushValue_ = out_;
        d_.readPending_ = true;
    }
    Sweep(const Sweep&) = delete;
    Sweep& operator=(const Sweep&) = delete;

    float step(float delay, float x) {
        place(delay);
        buffer_[write_] = x;
        if (++write_ == size_) write_ = 0;
        const int next = read_ + 1 == size_ ? 0 : read_ + 1;
        out_ = buffer_[read_] * oneMinusFraction_ + buffer_[next] * fraction_;
        read_ = next;
        return out_;
    }

    // count steps at once, for delays long enough that no step reads
    // what an earlier step of the same run writes: every delay from
    // count + 1 up to the capacity. All the reads come first: out[j] is
    // step j's result. Then writeAhead() gives the steps' inputs.
    static bool canReadAhead(const FractionalDelay& d, const float* delay, int count) {
        const float lowest = static_cast<float>(count + 1), limit = static_cast<float>(d.size_ - 1);
        int fits = 1;
        for (int j = 0; j < count; ++j) fits &= (delay[j] >= lowest) & (delay[j] <= limit);
        return fits != 0;
    }
    void readAhead(const float* delay, float* out, int count) {
        // place() for the write index each step sees, in its fast form,
        // four steps at a time; the same arithmetic as placeWithin().
        using V4 = float __attribute__((vector_size(16)));
        using I4 = std::int32_t __attribute__((vector_size(16)));
        const I4 size = I4{} + size_;
        const int first = write_;
        int j = 0;
        for (; j + 4 <= count; j += 4) {
            V4 d;
            std::memcpy(&d, delay + j, sizeof d);
            I4 at = I4{0, 1, 2, 3} + (first + j);
            at -= (at >= size) & size;
            const I4 whole = __builtin_convertvector(d, I4);
            const V4 part = d - __builtin_convertvector(whole, V4);
            const I4 fractional = part != 0.0f;
            I4 read = at - whole + fractional;
            read += (read < 0) & size;
            const V4 fraction = reinterpret_cast<V4>(fractional & reinterpret_cast<I4>(1.0f - part));
            I4 next = read + 1;
            next &= ~(next == size);
            const float* b = buffer_;
            const V4 here{b[read[0]], b[read[1]], b[read[2]], b[read[3]]};
            const V4 after{b[next[0]], b[next[1]], b[next[2]], b[next[3]]};
            const V4 result = here * (1.0f - fraction) + after * fraction;
            std::memcpy(out + j, &result, sizeof result);
        }
        for (; j < count; ++j) out[j] = readAt(first, j, delay[j]);
        if (count > 0) {
            readAt(first, count - 1, delay[count - 1]);  // the position the last step left
            oneMinusFraction_ = 1.0f - fraction_;
            delay_ = delay[count - 1];
            out_ = out[count - 1];
        }
    }
    void writeAhead(const float* x, int count) {
        const int first = std::min(count, size_ - write_);
        std::memcpy(buffer_ + write_, x, sizeof(float) * static_cast<size_t>(first));
        std::memcpy(buffer_, x + first, sizeof(float) * static_cast<size_t>(count - first));
        write_ += count;
        if (write_ >= size_) write_ -= size_;
    }

private:
    void place(float delay) {
        FractionalDelay::place(write_, size_, delay, read_, fraction_, delay_);
        oneMinusFraction_ = 1.0f - fraction_;
    }

    // The read of step j of a run starting at write index first, for a
    // delay within 1..capacity.
    float readAt(int first, int j, float delay) {
        int at = first + j;
        if (at >= size_) at -= size_;
        placeWithin(at, size_, delay, read_, fraction_);
        const int next = read_ + 1 == size_ ? 0 : read_ + 1;
        const float result = buffer_[read_] * (1.0f - fraction_) + buffer_[next] * fraction_;
        read_ = next;
        return result;
    }

    FractionalDelay& d_;
    float* buffer_;
    int size_;
    int write_, read_;
    float fraction_, oneMinusFraction_, delay_, out_;
};

}  // namespace strellon
