// Notes play on the audio thread while another thread automates parameters
// and changes programs, as a host's UI does: the voices really run while the
// values change under them (the ThreadSanitizer run includes this test).
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "engine/Parameters.h"
#include "tests/sound/Player.h"

namespace strellon::sound {
namespace {

// At 44.1 kHz, and at 8 kHz, where the engine runs at six times the rate.
TEST(Threads, NotesPlayWhileParametersAndProgramsChange) {
    for (float rate : {44100.0f, 8000.0f}) {
        Player p(rate, 256);
        host::HostedPlugin& plugin = p.plugin();
        std::atomic<bool> done{false};
        std::thread ui([&] {
            for (int round = 0; round < 600; ++round) {
                const float v = static_cast<float>(round % 50) / 50.0f;
                plugin.setParameter(kShaping, v);
                plugin.setParameter(kSelfBend, 1.0f - v);
                plugin.setParameter(kSympathetic, v);
                plugin.setParameter(kDynaTone, v * 0.8f);
                plugin.setParameter(kChorus, v);
                plugin.setParameter(kExciter + round % kNumStrings, v);
                plugin.setParameter(kTuning + round % kNumStrings, v);
                if (round % 60 == 0) plugin.dispatch(vst2::effSetProgram, 0, round / 60);
            }
            done = true;
        });

        std::vector<float> left(256), right(256);
        float* outputs[2] = {left.data(), right.data()};
        host::MidiEventList events;
        bool finite = true;
        double loudest = 0.0;
        for (int block = 0; !done || block < 40; ++block) {
            events.clear();
            if (block % 4 == 0) events.add(block % 256, 0x90, 36 + (block * 7) % 60, 100);
            if (block % 4 == 2) events.add(10, 0x80, 36 + ((block - 2) * 7) % 60, 0);
            if (block % 16 == 5) events.add(20, 0xB0, 1, (block * 13) % 128);
            plugin.sendEvents(events.get());
            plugin.processReplacing(outputs, 256);
            for (int i = 0; i < 256; ++i) {
                finite = finite && std::isfinite(left[i]) && std::isfinite(right[i]);
                loudest = std::max(loudest, double(std::fabs(left[i])));
            }
        }
        ui.join();
        EXPECT_TRUE(finite) << rate;
        EXPECT_GT(loudest, 0.01) << rate;  // the voices did sound
    }
}

}  // namespace
}  // namespace strellon::sound
