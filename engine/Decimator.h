// Brings the engine's stereo output from a whole multiple of the host's rate
// down to the host's rate: a linear-phase windowed-sinc low-pass that keeps
// what lies below the host's Nyquist frequency and stops what would fold
// back into it, worked out only at the samples that are kept.
//
// Threads: setFactor runs on the UI thread while audio is stopped; input and
// decimate on the audio thread. Nothing is allocated after construction.
#pragma once

#include <array>

namespace strellon {

class Decimator {
public:
    // 8 kHz, the lowest rate played, runs at six times its rate.
    static constexpr int kMaxFactor = 6;
    // Taps per step of the factor: the filter's transition from pass to stop
    // then spans the same share of the host's band at every factor (from
    // 0.42 to 0.5 of the host's rate, 80 dB down from there on), and its
    // delay is the same 32 host frames.
    static constexpr int kTapsPerFactor = 64;
    static constexpr int kMaxTaps = kMaxFactor * kTapsPerFactor;
    // Most host frames that one decimate() call takes.
    static constexpr int kChunk = 256;

    Decimator() { setFactor(1); }

    // UI thread: designs the filter for factor (1 to kMaxFactor) and starts
    // from silence. Factor 1 passes nothing through; the caller does not
    // use the decimator then.
    void setFactor(int factor);
    int factor() const { return factor_; }
    // The host frames the filter's centre lags behind its input.
    int delayFrames() const { return kTapsPerFactor / 2; }

    // Channels: left, right, and one the engine keeps for itself.
    static constexpr int kChannels = 3;

    // Audio thread: where the next chunk's factor × frames samples of a
    // channel go, before decimate().
    float* input(int channel) { return buffer_[channel].data() + taps_ - 1; }
    // Audio thread: frames (at most kChunk) host samples of a channel from
    // what input() received, into out (null: none wanted this time).
    void decimate(int channel, int frames, float* out);
    // Audio thread, after each channel's decimate(): the chunk becomes the
    // past the next one is filtered with.
    void advance(int frames);

    // Silence in the filter's memory.
    void clear();

    // True when the filter's whole memory of a channel holds value, so that
    // more of it comes out as it is without any work.
    bool holds(int channel, float value) const {
        return same_[channel] == taps_ && buffer_[channel][taps_ - 2] == value;
    }

private:

    int factor_ = 1;
    int taps_ = 1;
    // The impulse response back to front, so each output is a forward dot
    // product with the newest samples last.
    alignas(16) std::array<float, kMaxTaps> reversed_{};
    // The last taps - 1 input samples, then the chunk.
    std::array<std::array<float, kMaxTaps - 1 + kChunk * kMaxFactor>, kChannels> buffer_{};
    // How many equal samples end each channel's input so far (at most taps).
    std::array<int, kChannels> same_{};
};

}  // namespace strellon
