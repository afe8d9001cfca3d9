// Short-time spectra of a signal with FFTW: one Hann-windowed frame at a
// time, as levels in dB relative to a full-scale sine. Main thread (FFTW's
// planner is not thread-safe).
#pragma once

#include <vector>

namespace strellon::plot {

class Spectrogram {
public:
    explicit Spectrogram(int fftSize);  // a power of two
    ~Spectrogram();
    Spectrogram(const Spectrogram&) = delete;
    Spectrogram& operator=(const Spectrogram&) = delete;

    int fftSize() const { return size_; }
    // The levels of bins 0..fftSize/2 of the frame centred on sample centre;
    // samples outside the signal count as silence.
    const std::vector<float>& frame(const std::vector<float>& signal, long centre);

private:
    int size_;
    std::vector<float> window_;
    std::vector<float> levels_;
    float* input_ = nullptr;
    void* output_ = nullptr;  // fftwf_complex[size/2 + 1]
    void* plan_ = nullptr;
};

}  // namespace strellon::plot
