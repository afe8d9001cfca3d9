// Small signal-processing blocks shared by the voices and the output stage.
// Per-sample methods are inline; buffers are allocated only at construction.
#pragma once

#include <algorithm>
#include <cmath>
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

    // setDelay then pushAlone on every sample of a run; for the chorus
    // lines, in engine/ChorusLines.h.
    class Sweep;

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

}  // namespace strellon
