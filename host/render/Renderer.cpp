#include "host/render/Renderer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

namespace strellon::render {

namespace {

std::int64_t frameAt(double seconds, int rate) {
    return static_cast<std::int64_t>(std::llround(seconds * rate));
}

}  // namespace

Renderer::Renderer(host::HostedPlugin& plugin, RenderSettings settings)
    : plugin_(plugin), settings_(settings) {}

void Renderer::changeProgram(int program) {
    plugin_.changeProgram(program);
    ++stats_.programChanges;
}

bool Renderer::run(const midi::MidiFile& piece, const BlockSink& sink, const ProgressSink& progress,
                   std::string& error) {
    const auto started = std::chrono::steady_clock::now();
    stats_ = {};
    const vst2::AEffect* effect = plugin_.effect();
    const int rate = settings_.sampleRate;
    const int block = settings_.blockSize;
    const int outputs = effect->numOutputs;
    const int inputs = std::max(effect->numInputs, 0);
    const bool replacing = (effect->flags & vst2::effFlagsCanReplacing) && effect->processReplacing;

    // Plug-ins that write or read more channels than they declare find room
    // there: the extra pointers lead to scratch buffers nobody listens to.
    const int pointers = std::max({outputs, inputs, kChannelRoom});
    std::vector<std::vector<float>> outBuffers(outputs, std::vector<float>(block));
    std::vector<float> spareOut(block), silence(block, 0.0f);
    std::vector<float*> outPointers(pointers, spareOut.data()), inPointers(pointers, silence.data());
    for (int c = 0; c < outputs; ++c) outPointers[c] = outBuffers[c].data();

    const auto& events = piece.events;
    std::int64_t end = frameAt(piece.lengthSeconds, rate);
    if (!events.empty()) end = std::max(end, frameAt(events.back().seconds, rate) + 1);
    const std::int64_t tailEnd = end + frameAt(std::max(settings_.tailSeconds, 0.0), rate);
    const std::int64_t quietNeeded = rate / 10;  // 100 ms below the silence level ends the tail

    plugin_.startAudio(static_cast<float>(rate), block);
    // However the run ends, the plug-in is switched off before it is closed.
    struct AudioOff {
        host::HostedPlugin& plugin;
        ~AudioOff() { plugin.stopAudio(); }
    } audioOff{plugin_};
    host::MidiEventList list;
    std::size_t next = 0;
    std::int64_t quietRun = 0;
    std::int64_t pos = 0;
    while (pos < tailEnd && !(pos >= end && quietRun >= quietNeeded)) {
        if (settings_.stop && settings_.stop->load(std::memory_order_relaxed)) {
            error = "stopped";
            return false;
        }
        const std::int64_t limit = pos < end ? end : tailEnd;
        int frames = static_cast<int>(std::min<std::int64_t>(block, limit - pos));

        // A program change takes effect at its own sample: one due now comes
        // before the block, a later one ends the block where it falls.
        list.clear();
        for (; next < events.size(); ++next) {
            const midi::MidiEvent& e = events[next];
            const std::int64_t at = frameAt(e.seconds, rate);
            if (at >= pos + frames) break;
            if ((e.status & 0xF0) == 0xC0) {
                if (at > pos) {
                    frames = static_cast<int>(at - pos);
                    break;
                }
                changeProgram(e.data1);
                continue;
            }
            list.add(static_cast<vst2::int32>(std::max<std::int64_t>(at - pos, 0)), e.status, e.data1, e.data2);
        }
        plugin_.setTransport(transportAt(piece, pos, pos < end));
        if (!list.empty()) plugin_.sendEvents(list.get());

        if (replacing) {
            plugin_.processReplacing(outPointers.data(), frames, inPointers.data());
        } else {
            // The old accumulating call adds to what is in the buffers.
            for (auto& buffer : outBuffers) std::fill(buffer.begin(), buffer.begin() + frames, 0.0f);
            plugin_.process(outPointers.data(), frames, inPointers.data());
        }
        std::fill(silence.begin(), silence.end(), 0.0f);  // in case the plug-in wrote there

        // Count and silence anything non-finite so it cannot reach the file.
        for (int i = 0; i < frames; ++i) {
            bool quiet = true;
            for (int c = 0; c < outputs; ++c) {
                float& x = outBuffers[c][i];
                if (!std::isfinite(x)) {
                    x = 0.0f;
                    ++stats_.nonFinite;
                }
                const float level = std::fabs(x);
                stats_.peak = std::max(stats_.peak, level);
                quiet = quiet && level < kSilence;
            }
            quietRun = quiet ? quietRun + 1 : 0;
        }
        if (!sink(outPointers.data(), outputs, frames)) {
            error = "could not store the rendered audio";
            return false;
        }
        pos += frames;
        stats_.frames = pos;
        if (progress) progress(pos, end);
    }
    stats_.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return true;
}

host::Transport Renderer::transportAt(const midi::MidiFile& piece, std::int64_t frame, bool playing) const {
    host::Transport transport;
    transport.samplePos = static_cast<double>(frame);
    transport.playing = playing;
    midi::MusicalTime time;
    transport.musical = midi::musicalTimeAt(piece, static_cast<double>(frame) / settings_.sampleRate, time);
    transport.quarters = time.quarters;
    transport.tempo = time.tempo;
    transport.barStart = time.barStart;
    transport.numerator = time.numerator;
    transport.denominator = time.denominator;
    return transport;
}

}  // namespace strellon::render
