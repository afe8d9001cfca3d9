// A small headless player for the engine tests: default parameters, MIDI at
// absolute sample positions, and measurements of what comes out.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/Parameters.h"
#include "engine/Random.h"
#include "engine/SoundEngine.h"

namespace strellon::test {

inline void setDefaults(ParamValues& p) {
    for (auto& v : p) v.store(0.0f);
    auto fill = [&](int base, float v) {
        for (int s = 0; s < kNumStrings; ++s) p[base + s].store(v);
    };
    fill(kLink, 1.0f);
    fill(kExciter, 0.3f);
    fill(kTuning, 0.5f);
    fill(kFixing, 0.415f);
    fill(kNisFilter, 0.8f);
    p[kShaping].store(0.89f);
    p[kModulation].store(0.5f);
    p[kSelfBend].store(0.0f);
    p[kSympathetic].store(0.8f);
    p[kDamp].store(0.0f);
    p[kThePick].store(0.4f);
    p[kDynaTone].store(0.0f);
    p[kToneRama].store(0.5f);
    p[kVelocity].store(0.8f);
    p[kPitch].store(0.5f);
    p[kChorus].store(0.28f);
    p[kVolume].store(1.0f);
}

struct Midi {
    long at;  // absolute sample
    unsigned char status, data1, data2;
};

class Player {
public:
    explicit Player(float rate = 44100.0f, VoicePath path = VoicePath::kFast, int block = 512) : block_(block) {
        setDefaults(params);
        resetEngineRandom();
        engine = std::make_unique<SoundEngine>(params, path);
        engine->setSampleRate(rate);
        engine->setBlockSize(block);
        engine->resume();
    }

    void set(int index, float value) { params[index].store(value); }
    void midi(long at, unsigned char status, unsigned char d1, unsigned char d2) { events_.push_back({at, status, d1, d2}); }
    void noteOn(long at, int key, int velocity = 100) { midi(at, 0x90, key, velocity); }
    void noteOff(long at, int key) { midi(at, 0x80, key, 0); }

    // Renders frames more samples, appending to left and right.
    void render(long frames) {
        std::vector<float> l(block_), r(block_);
        long done = 0;
        while (done < frames) {
            const int n = static_cast<int>(std::min<long>(block_, frames - done));
            engine->beginEvents();
            for (const Midi& m : events_)
                if (m.at >= position_ && m.at < position_ + n)
                    engine->addMidi(static_cast<int>(m.at - position_), m.status, m.data1, m.data2);
            engine->endEvents();
            engine->processReplacing(l.data(), r.data(), n);
            left.insert(left.end(), l.begin(), l.begin() + n);
            right.insert(right.end(), r.begin(), r.begin() + n);
            position_ += n;
            done += n;
        }
    }

    ParamValues params;
    std::unique_ptr<SoundEngine> engine;
    std::vector<float> left, right;

private:
    int block_;
    long position_ = 0;
    std::vector<Midi> events_;
};

inline double rms(const std::vector<float>& x, size_t from, size_t to) {
    double sum = 0.0;
    to = std::min(to, x.size());
    for (size_t i = from; i < to; ++i) sum += double(x[i]) * x[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0.0;
}

inline double peak(const std::vector<float>& x, size_t from = 0, size_t to = SIZE_MAX) {
    double m = 0.0;
    to = std::min(to, x.size());
    for (size_t i = from; i < to; ++i) m = std::max(m, double(std::fabs(x[i])));
    return m;
}

// Normalised autocorrelation of x[from, from + length) at a lag.
inline double correlation(const std::vector<float>& x, size_t from, size_t length, int lag) {
    double xy = 0, xx = 0, yy = 0;
    for (size_t i = from; i < from + length; ++i) {
        const double a = x[i], b = x[i + lag];
        xy += a * b;
        xx += a * a;
        yy += b * b;
    }
    return xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0.0;
}

// The period, in samples, with the strongest self-similarity between
// minLag and maxLag, refined by a parabola through the peak.
inline double period(const std::vector<float>& x, size_t from, size_t length, int minLag, int maxLag) {
    int best = minLag;
    double bestValue = -2.0;
    std::vector<double> c(maxLag + 2);
    for (int lag = minLag - 1; lag <= maxLag + 1; ++lag) c[lag] = correlation(x, from, length, lag);
    for (int lag = minLag; lag <= maxLag; ++lag)
        if (c[lag] > bestValue) bestValue = c[lag], best = lag;
    const double a = c[best - 1], b = c[best], d = c[best + 1];
    const double denom = a - 2 * b + d;
    return best + (denom != 0 ? 0.5 * (a - d) / denom : 0.0);
}

inline bool allFinite(const std::vector<float>& x) {
    for (float v : x)
        if (!std::isfinite(v)) return false;
    return true;
}

}  // namespace strellon::test
