// Plays a MIDI piece through a loaded VST 2 instrument, block by block, the
// way a sequencer would: each block's events go to effProcessEvents with
// their sample offsets, then processReplacing fills the block; the transport
// (position, tempo, bar, time signature) follows the piece, and a program
// change splits its block. Runs on the caller's thread, which plays the part
// of the host's audio thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "host/PluginHost.h"
#include "host/midi/MidiFile.h"

namespace strellon::render {

struct RenderSettings {
    int sampleRate = 44100;
    int blockSize = 512;
    // After the piece ends, render on until the output is silent, at most this long.
    double tailSeconds = 4.0;
    // Set from another thread or a signal handler to stop early.
    const std::atomic<bool>* stop = nullptr;
};

struct RenderStats {
    std::int64_t frames = 0;
    float peak = 0.0f;            // largest absolute sample over all channels
    std::int64_t nonFinite = 0;   // samples the plug-in left as NaN or infinity (written as 0)
    int programChanges = 0;
    double wallSeconds = 0.0;
};

// One rendered block: channels[c][0..frames-1]. Return false to stop.
using BlockSink = std::function<bool(const float* const* channels, int channelCount, int frames)>;
// Frames done so far, and the frames the piece will take before its tail.
using ProgressSink = std::function<void(std::int64_t done, std::int64_t planned)>;

// Channel pointers handed to the plug-in, at the least.
constexpr int kChannelRoom = 64;

// Below this level (-80 dBFS) the tail counts as silent.
constexpr float kSilence = 1e-4f;

class Renderer {
public:
    Renderer(host::HostedPlugin& plugin, RenderSettings settings);

    // Starts the plug-in's audio (rate, block size, resume) and plays the
    // piece. False with error set if the sink refused a block or the run
    // was stopped.
    bool run(const midi::MidiFile& piece, const BlockSink& sink, const ProgressSink& progress,
             std::string& error);
    const RenderStats& stats() const { return stats_; }

private:
    void changeProgram(int program);
    host::Transport transportAt(const midi::MidiFile& piece, std::int64_t frame, bool playing) const;

    host::HostedPlugin& plugin_;
    RenderSettings settings_;
    RenderStats stats_;
};

}  // namespace strellon::render
