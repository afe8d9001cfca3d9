// Helpers for looking at the built plug-in from outside: loading it, a raw
// host callback that records exactly what it was given, and rendering
// blocks on a fresh thread so that renders compare sample for sample.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/Parameters.h"
#include "host/PluginHost.h"

namespace strellon::conformance {

inline std::unique_ptr<host::HostedPlugin> load() {
    std::string error;
    auto plugin = host::HostedPlugin::load(STRELLON_PLUGIN_PATH, error);
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

struct Stereo {
    std::vector<float> left, right;

    bool silentFrom(std::size_t from, std::size_t to) const {
        for (std::size_t i = from; i < to && i < left.size(); ++i)
            if (left[i] != 0.0f || right[i] != 0.0f) return false;
        return true;
    }
    double peak(std::size_t from = 0, std::size_t to = SIZE_MAX) const {
        double p = 0.0;
        for (std::size_t i = from; i < to && i < left.size(); ++i) p = std::max(p, double(std::fabs(left[i])));
        return p;
    }
    // First sample index at which two renders differ, or size when equal.
    std::size_t firstDifference(const Stereo& other) const {
        const std::size_t n = std::min(left.size(), other.left.size());
        for (std::size_t i = 0; i < n; ++i)
            if (left[i] != other.left[i] || right[i] != other.right[i]) return i;
        return n;
    }
};

// One block of a session: the MIDI list handed over before it (none when
// `send` is false) and the number of frames asked for.
struct Block {
    host::MidiEventList events;
    int frames = 512;
    bool send = true;
};

// Runs the blocks on a new thread (the plug-in's noise generator keeps one
// state per thread, starting afresh on each new one) and returns the output.
inline Stereo play(host::HostedPlugin& plugin, std::vector<Block>& blocks) {
    Stereo out;
    std::thread audio([&] {
        for (Block& b : blocks) {
            if (b.send) plugin.sendEvents(b.events.get());
            std::vector<float> l(std::max(b.frames, 0), 7.0f), r(std::max(b.frames, 0), 7.0f);
            float* outputs[2] = {l.data(), r.data()};
            plugin.processReplacing(outputs, b.frames);
            out.left.insert(out.left.end(), l.begin(), l.end());
            out.right.insert(out.right.end(), r.begin(), r.end());
        }
    });
    audio.join();
    return out;
}

// A fresh instance at 44.1 kHz with 512-sample blocks, audio started, and
// the given parameter values set before the first block.
inline std::unique_ptr<host::HostedPlugin> started(std::initializer_list<std::pair<int, float>> values = {},
                                                   int block = 512) {
    auto plugin = load();
    if (!plugin) return plugin;
    plugin->startAudio(44100.0f, block);
    for (auto [index, value] : values) plugin->setParameter(index, value);
    return plugin;
}

}  // namespace strellon::conformance
