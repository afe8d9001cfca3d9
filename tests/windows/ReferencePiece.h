// A fixed piece of host calls and MIDI that both the Linux library and the
// Windows libraries play, so their outputs can be compared.
#pragma once

#include <vector>

#include "host/PluginHost.h"

namespace strellon::test {

struct ReferenceTake {
    float sampleRate;
    int program;
};

// Rates up to 96 kHz, where rounding differences in the filters grow most,
// and 8 kHz, where the engine runs at six times the rate and decimates.
inline const std::vector<ReferenceTake>& referenceTakes() {
    static const std::vector<ReferenceTake> takes = {{44100.0f, 0}, {96000.0f, 5}, {48000.0f, 17}, {8000.0f, 3}};
    return takes;
}

// Plays one take: chords, controllers, a pitch bend and a parameter change,
// in 256-sample blocks for one and a half seconds. Returns left and right
// interleaved.
inline std::vector<float> renderReferenceTake(host::HostedPlugin& plugin, const ReferenceTake& take) {
    constexpr int kBlock = 256;
    plugin.changeProgram(take.program);
    plugin.startAudio(take.sampleRate, kBlock);
    const int blocks = static_cast<int>(take.sampleRate * 1.5f) / kBlock;
    std::vector<float> left(kBlock), right(kBlock), out;
    out.reserve(static_cast<size_t>(blocks) * kBlock * 2);
    host::MidiEventList events;
    for (int b = 0; b < blocks; ++b) {
        events.clear();
        if (b == 0) {
            for (int key : {48, 55, 60, 64, 67}) events.add(17 * (key - 47), 0x90, key, 100);
        }
        if (b == blocks / 4) events.add(3, 0xB0, 9, 30);
        if (b == blocks / 3) events.add(100, 0xE0, 0, 80);
        if (b == blocks / 2) {
            for (int key : {48, 55}) events.add(5, 0x80, key, 0);
            events.add(7, 0x90, 71, 127);
            events.add(130, 0xB0, 1, 90);
        }
        if (b == 2 * blocks / 3) plugin.setParameter(83, 0.6f);
        if (!events.empty()) plugin.sendEvents(events.get());
        float* outputs[2] = {left.data(), right.data()};
        plugin.processReplacing(outputs, kBlock);
        for (int i = 0; i < kBlock; ++i) {
            out.push_back(left[i]);
            out.push_back(right[i]);
        }
    }
    return out;
}

}  // namespace strellon::test
