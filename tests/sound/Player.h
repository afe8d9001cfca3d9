// Plays notes through the built plug-in, as a host would, and measures what
// comes out: the pitch, the level, whether every sample is finite.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/PluginHost.h"

namespace strellon::sound {

struct Stereo {
    std::vector<float> left, right;
    float rate = 44100.0f;

    std::size_t at(double seconds) const { return static_cast<std::size_t>(seconds * rate); }

    double rms(double from, double to, bool rightSide = false) const {
        const auto& s = rightSide ? right : left;
        double sum = 0.0;
        std::size_t n = 0;
        for (std::size_t i = at(from); i < at(to) && i < s.size(); ++i, ++n) sum += double(s[i]) * s[i];
        return n ? std::sqrt(sum / n) : 0.0;
    }

    bool finite() const {
        for (std::size_t i = 0; i < left.size(); ++i)
            if (!std::isfinite(left[i]) || !std::isfinite(right[i])) return false;
        return true;
    }

    // Fundamental near `expected` Hz from the autocorrelation of the left
    // channel over [from, from + length), refined by a parabola through the
    // peak.
    double pitch(double from, double length, double expected) const {
        const std::size_t start = at(from), n = at(length);
        const double period = rate / expected;
        const int lo = static_cast<int>(period * 0.8), hi = static_cast<int>(period * 1.25) + 2;
        std::vector<double> r(hi + 2, 0.0);
        for (int lag = lo - 1; lag <= hi + 1; ++lag) {
            double sum = 0.0, e0 = 0.0, e1 = 0.0;
            for (std::size_t i = start; i < start + n; ++i) {
                const double a = left[i], b = left[i + lag];
                sum += a * b;
                e0 += a * a;
                e1 += b * b;
            }
            r[lag] = sum / std::sqrt(e0 * e1 + 1e-30);
        }
        int best = lo;
        for (int lag = lo; lag <= hi; ++lag)
            if (r[lag] > r[best]) best = lag;
        const double a = r[best - 1], b = r[best], c = r[best + 1];
        const double denom = a - 2.0 * b + c;
        const double shift = denom != 0.0 ? 0.5 * (a - c) / denom : 0.0;
        return rate / (best + shift);
    }
};

class Player {
public:
    explicit Player(float rate = 44100.0f, int block = 512) : rate_(rate), block_(block) {
        std::string error;
        plugin_ = host::HostedPlugin::load(STRELLON_PLUGIN_PATH, error);
        if (!plugin_) ADD_FAILURE() << error;
        else plugin_->startAudio(rate, block);
    }

    host::HostedPlugin& plugin() { return *plugin_; }
    void set(int index, float value) { plugin_->setParameter(index, value); }
    void program(int index) { plugin_->dispatch(vst2::effSetProgram, 0, index); }

    // A MIDI message at an absolute sample position of the next render.
    void midi(std::size_t sample, unsigned char status, unsigned char d1, unsigned char d2) {
        pending_.insert({sample, {status, d1, d2}});
    }
    void note(std::size_t sample, int key, int velocity = 100) { midi(sample, 0x90, key, velocity); }
    void release(std::size_t sample, int key) { midi(sample, 0x80, key, 0); }

    // Renders on a fresh thread: the noise generator has one state per
    // thread, so equal calls give equal samples and renders compare exactly.
    Stereo render(double seconds) {
        Stereo out;
        std::thread audio([&] { renderOn(out, seconds); });
        audio.join();
        return out;
    }

private:
    void renderOn(Stereo& out, double seconds) {
        out.rate = rate_;
        const auto total = static_cast<std::size_t>(seconds * rate_);
        out.left.resize(total + block_);
        out.right.resize(total + block_);
        host::MidiEventList events;
        for (std::size_t pos = 0; pos < total; pos += block_) {
            events.clear();
            for (auto it = pending_.lower_bound(pos); it != pending_.end() && it->first < pos + block_; ++it)
                events.add(static_cast<vst2::int32>(it->first - pos), it->second.status, it->second.d1,
                           it->second.d2);
            plugin_->sendEvents(events.get());
            float* outputs[2] = {out.left.data() + pos, out.right.data() + pos};
            plugin_->processReplacing(outputs, block_);
        }
        out.left.resize(total);
        out.right.resize(total);
        pending_.clear();
    }

    struct Message {
        unsigned char status, d1, d2;
    };
    float rate_;
    int block_;
    std::unique_ptr<host::HostedPlugin> plugin_;
    std::multimap<std::size_t, Message> pending_;
};

inline double noteHz(int key) { return 440.0 * std::pow(2.0, (key - 69) / 12.0); }

}  // namespace strellon::sound
