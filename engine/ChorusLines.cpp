#include "engine/ChorusLines.h"

namespace strellon {

void Lfo::setShape(int shape) {
    switch (shape) {
    case kTriangle:
        for (int a = 0; a < 64; ++a) {
            table_[a] = a / 64.0f;
            table_[64 + a] = (64 - a) / 64.0f;
            table_[128 + a] = -a / 64.0f;
            table_[192 + a] = (a - 64) / 64.0f;
        }
        table_[256] = 0.0f;
        break;
    case kSinus:
        for (int j = 0; j <= 256; ++j) table_[j] = static_cast<float>(std::sin(2.0 * M_PI * j / 256.0));
        break;
    case kSawtooth:
        for (int i = 0; i < 256; ++i) table_[i] = static_cast<float>(i * (1.0 / 255.0) * 2.0 - 1.0);
        table_[256] = -1.0f;
        break;
    case kSquare:
        for (int i = 0; i < 256; ++i) table_[i] = i < 128 ? 1.0f : -1.0f;
        table_[256] = 1.0f;
        break;
    case kExponent: {
        const double e1 = std::exp(1.0) - 1.0;
        for (int b = 0; b < 128; ++b) {
            table_[b] = static_cast<float>((std::exp(b / 128.0) - 1.0) / e1 * 2.0 - 1.0);
            table_[128 + b] = static_cast<float>((std::exp((128 - b) / 128.0) - 1.0) / e1 * 2.0 - 1.0);
        }
        table_[256] = -1.0f;
        break;
    }
    default:
        break;  // unknown shapes keep the table
    }
}

void Lfo::setFrequency(float hz) {
    double inc = 256.0 / sampleRate_ * hz * 16777216.0;
    if (!std::isfinite(inc)) inc = 0.0;
    // Truncate, then keep modulo 2^32 as the phase accumulator does.
    double wrapped = std::fmod(std::trunc(inc), 4294967296.0);
    if (wrapped < 0.0) wrapped += 4294967296.0;
    increment_ = static_cast<std::uint32_t>(wrapped);
}

}  // namespace strellon
