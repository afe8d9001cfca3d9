#include "platform/plot/Spectrogram.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>

namespace strellon::plot {

Spectrogram::Spectrogram(int fftSize)
    : size_(fftSize), window_(static_cast<std::size_t>(fftSize)),
      levels_(static_cast<std::size_t>(fftSize / 2 + 1)) {
    const double pi = std::acos(-1.0);
    double sum = 0.0;
    for (int i = 0; i < size_; ++i) {
        window_[i] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * pi * i / size_));
        sum += window_[i];
    }
    // Scale so that a full-scale sine reads 0 dB in its bin.
    for (float& w : window_) w = static_cast<float>(w * 2.0 / sum);
    input_ = fftwf_alloc_real(static_cast<std::size_t>(size_));
    auto* out = fftwf_alloc_complex(static_cast<std::size_t>(size_ / 2 + 1));
    output_ = out;
    plan_ = fftwf_plan_dft_r2c_1d(size_, input_, out, FFTW_ESTIMATE);
}

Spectrogram::~Spectrogram() {
    fftwf_destroy_plan(static_cast<fftwf_plan>(plan_));
    fftwf_free(input_);
    fftwf_free(output_);
}

const std::vector<float>& Spectrogram::frame(const std::vector<float>& signal, long centre) {
    const long start = centre - size_ / 2;
    const long count = static_cast<long>(signal.size());
    for (int i = 0; i < size_; ++i) {
        const long at = start + i;
        input_[i] = at >= 0 && at < count ? signal[static_cast<std::size_t>(at)] * window_[i] : 0.0f;
    }
    fftwf_execute(static_cast<fftwf_plan>(plan_));
    const auto* out = static_cast<const fftwf_complex*>(output_);
    for (std::size_t k = 0; k < levels_.size(); ++k) {
        const float power = out[k][0] * out[k][0] + out[k][1] * out[k][1];
        levels_[k] = 10.0f * std::log10(std::max(power, 1e-20f));
    }
    return levels_;
}

}  // namespace strellon::plot
