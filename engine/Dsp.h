// Small signal-processing blocks shared by the voices and the output stage.
// Per-sample methods are inline; buffers are allocated only at construction.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>
#include <emmintrin.h>

namespace strellon {

// Round to nearest, ties to even (the processor's default mode), without a
// library call on a plain SSE2 target. Callers keep the value within int.
inline int roundToInt(double x) { return _mm_cvtsd_si32(_mm_set_sd(x)); }
inline int roundToInt(float x) { return _mm_cvtss_si32(_mm_set_ss(x)); }

// 6.28319 / rate: turns a frequency in Hz into a one-pole coefficient. The
// constant is single precision and deliberately not exactly 2 pi.
inline float angularFactor(float sampleRate) { return 6.28319f / sampleRate; }

// Power-of-two ring buffer read with a 4-point cubic (Catmull-Rom).
// The user reads first and writes afterwards within a sample.
class DelayLine {
public:
    DelayLine(float initialDelay, int minimumSize) {
        size_ = 512;
        while (size_ < minimumSize) size_ *= 2;
        mask_ = size_ - 1;
        buffer_.assign(static_cast<size_t>(size_), 0.0f);
        setDelay(initialDelay);
    }

    void clear() { std::fill(buffer_.begin(), buffer_.end(), 0.0f); }
    int size() const { return size_; }

    // The read position is taken modulo the size; reducing the delay here
    // once keeps read() to one wrap and keeps absurd values in bounds.
    void setDelay(double samples) {
        if (!std::isfinite(samples)) samples = 0.0;
        double reduced = std::fmod(samples, static_cast<double>(size_));
        if (reduced < 0.0) reduced += size_;
        delay_ = reduced;
    }
    double delay() const { return delay_; }

    float read() const {
        double pos = writeIndex_ - delay_;
        if (pos < 0.0) pos += size_;
        const int i = roundToInt(pos - 0.5);
        const float t = static_cast<float>(pos - i);
        const float* b = buffer_.data();
        const float ym1 = b[(i - 1) & mask_];
        const float y0 = b[i & mask_];
        const float y1 = b[(i + 1) & mask_];
        const float y2 = b[(i + 2) & mask_];
        return y0 + t * ((y1 - ym1) * 0.5f +
                         t * ((2.0f * y1 + ym1 - (5.0f * y0 + y2) * 0.5f) +
                              t * ((y2 + 3.0f * (y0 - y1) - ym1) * 0.5f)));
    }

    void write(float x) {
        buffer_[writeIndex_] = x;
        writeIndex_ = (writeIndex_ + 1) & mask_;
    }

private:
    std::vector<float> buffer_;
    double delay_ = 0.0;
    int writeIndex_ = 0;
    int size_ = 0;
    int mask_ = 0;
};

// Ring buffer of any capacity with a linear read and separate push and peek:
// push alone returns the input delayed by the set delay, push then peek by
// one sample less. The voices rely on both.
class FractionalDelay {
public:
    FractionalDelay(float initialDelay, int capacity)
        : size_(capacity + 1), buffer_(static_cast<size_t>(capacity + 1), 0.0f) {
        setDelay(initialDelay);
        readPending_ = true;
    }

    void clear() {
        pushValue_ = 0.0f;
        std::fill(buffer_.begin(), buffer_.end(), 0.0f);
    }

    float delay() const { return delay_; }

    void setDelay(float delay) {
        place(writeIndex_, size_, delay, readIndex_, fraction_, delay_);
        oneMinusFraction_ = 1.0f - fraction_;
    }

    float push(float x) {
        buffer_[writeIndex_] = x;
        if (++writeIndex_ == size_) writeIndex_ = 0;
        if (readPending_) {
            pushValue_ = interpolate();
            readPending_ = false;
        }
        if (++readIndex_ == size_) readIndex_ = 0;
        readPending_ = true;
        return pushValue_;
    }

    float peek() {
        if (readPending_) {
            peekValue_ = interpolate();
            readPending_ = false;
        }
        return peekValue_;
    }

    // Where a read at the given delay starts, for a line of size entries
    // about to be written at index write. Delays outside 0..capacity read
    // the oldest sample (too long) or the one about to be written (negative,
    // not a number). Shared with the voice bank's lines.
    static void place(int write, int size, float delay, int& read, float& fraction, float& delayKept) {
        const float limit = static_cast<float>(size - 1);
        double pos;
        if (delay >= 1.0f && delay <= limit) {
            placeWithin(write, size, delay, read, fraction);
            delayKept = delay;
            return;
        } else if (delay >= 0.0f && delay <= limit) {
            pos = static_cast<double>(write) - delay;
            delayKept = delay;
        } else if (delay > limit) {
            pos = write + 1;  // the oldest sample
            delayKept = limit;
        } else {  // negative, or not a number
            pos = write;
            delayKept = 0.5f;
        }
        // Every branch leaves pos above -size, so one wrap each way is enough.
        if (pos < 0.0) pos += size;
        if (pos >= size) pos -= size;
        read = static_cast<int>(pos);
        if (read >= size) read = 0;  // rounding right below size
        fraction = static_cast<float>(pos - read);
    }
    // place() for a delay within 1..capacity, in single precision with the
    // same result: write - delay is exact in double there, and its fraction
    // is 1 - frac(delay) (or 0), exact in float.
    static void placeWithin(int write, int size, float delay, int& read, float& fraction) {
        const int whole = static_cast<int>(delay);
        const float part = delay - static_cast<float>(whole);
        read = write - whole;
        fraction = 0.0f;
        if (part != 0.0f) {
            --read;
            fraction = 1.0f - part;
        }
        if (read < 0) read += size;
    }

    // setDelay then pushAlone on every sample of a run, with the line's
    // position kept in locals meanwhile (stores into the buffer would
    // otherwise force the members back to memory each time). Writes the
    // state back when it goes out of scope.
    class RunCursor {
    public:
        explicit RunCursor(FractionalDelay& d)
            : d_(d), buffer_(d.buffer_.data()), size_(d.size_), write_(d.writeIndex_), read_(d.readIndex_),
              fraction_(d.fraction_), oneMinusFraction_(d.oneMinusFraction_), delay_(d.delay_), out_(d.pushValue_) {}
        ~RunCursor() {
            d_.writeIndex_ = write_;
            d_.readIndex_ = read_;
            d_.fraction_ = fraction_;
            d_.oneMinusFraction_ = oneMinusFraction_;
            d_.delay_ = delay_;
            d_.pushValue_ = out_;
            d_.readPending_ = true;
        }
        RunCursor(const RunCursor&) = delete;
        RunCursor& operator=(const RunCursor&) = delete;

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

private:
    float interpolate() const {
        int next = readIndex_ + 1 == size_ ? 0 : readIndex_ + 1;
        return buffer_[readIndex_] * oneMinusFraction_ + buffer_[next] * fraction_;
    }

    float fraction_ = 0.0f;
    float oneMinusFraction_ = 1.0f;
    float peekValue_ = 0.0f;
    bool readPending_ = false;
    int writeIndex_ = 0;
    int readIndex_ = 0;
    int size_;
    float delay_ = 0.0f;
    float pushValue_ = 0.0f;
    std::vector<float> buffer_;
};

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

}  // namespace strellon
