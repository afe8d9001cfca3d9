// Helpers for the renderer's tests: run the command in-process, read back
// what it wrote, and measure pitch and level the way a listener would.
#pragma once

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/render/RenderCommand.h"

namespace strellon::render::testing {

struct Audio {
    int rate = 0;
    int channels = 0;
    std::int64_t frames = 0;
    int format = 0;
    std::vector<float> samples;  // interleaved

    std::vector<float> mono() const {
        std::vector<float> out(static_cast<std::size_t>(frames));
        for (std::int64_t i = 0; i < frames; ++i) {
            float sum = 0.0f;
            for (int c = 0; c < channels; ++c) sum += samples[static_cast<std::size_t>(i * channels + c)];
            out[static_cast<std::size_t>(i)] = sum / channels;
        }
        return out;
    }
};

inline Audio readAudio(const std::string& path) {
    Audio audio;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) return audio;
    audio.rate = info.samplerate;
    audio.channels = info.channels;
    audio.frames = info.frames;
    audio.format = info.format;
    audio.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(file, audio.samples.data(), info.frames);
    sf_close(file);
    return audio;
}

inline float peakOf(const std::vector<float>& x) {
    float peak = 0.0f;
    for (float v : x) peak = std::max(peak, std::fabs(v));
    return peak;
}

inline double rmsOf(const std::vector<float>& x) {
    double sum = 0.0;
    for (float v : x) sum += static_cast<double>(v) * v;
    return x.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(x.size()));
}

inline bool allFinite(const std::vector<float>& x) {
    for (float v : x)
        if (!std::isfinite(v)) return false;
    return true;
}

// Fundamental frequency of x[from, from + count) by normalised
// autocorrelation: the first lag whose correlation comes near the best one,
// so that the octave below a strong partial is not chosen. 0 if unclear.
inline double estimatePitch(const std::vector<float>& x, int rate, std::size_t from, std::size_t count) {
    if (from + count > x.size()) return 0.0;
    const int minLag = rate / 2500, maxLag = rate / 40;
    const std::size_t n = count - static_cast<std::size_t>(maxLag);
    std::vector<double> r(static_cast<std::size_t>(maxLag) + 2, 0.0);
    double best = 0.0;
    for (int lag = minLag; lag <= maxLag + 1; ++lag) {
        double xy = 0, xx = 0, yy = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double a = x[from + i], b = x[from + i + static_cast<std::size_t>(lag)];
            xy += a * b;
            xx += a * a;
            yy += b * b;
        }
        r[static_cast<std::size_t>(lag)] = xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0.0;
        best = std::max(best, r[static_cast<std::size_t>(lag)]);
    }
    if (best < 0.5) return 0.0;
    for (int lag = minLag + 1; lag <= maxLag; ++lag) {
        const double a = r[lag - 1], b = r[lag], c = r[lag + 1];
        if (b >= 0.9 * best && b >= a && b >= c) {
            const double shift = (a - c) / (2.0 * (a - 2.0 * b + c));
            return rate / (lag + (std::isfinite(shift) ? shift : 0.0));
        }
    }
    return 0.0;
}

inline double noteHz(int key) { return 440.0 * std::pow(2.0, (key - 69) / 12.0); }

struct CommandRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline CommandRun render(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    CommandContext context;
    context.defaultPlugin = "/nonexistent/Strellon.so";
    CommandRun run;
    run.status = runRenderCommand(args, out, err, context);
    run.out = out.str();
    run.err = err.str();
    return run;
}

// A fresh folder per test, removed afterwards.
class Scratch {
public:
    Scratch() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("strellon_render_" + std::to_string(::getpid()) + "_" + info->test_suite_name() + "_" +
                info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    ~Scratch() { std::filesystem::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        std::ofstream(path(name), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path(name);
    }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path dir_;
};

}  // namespace strellon::render::testing
