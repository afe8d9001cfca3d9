// One thread stores parameters and switches programs while another reads
// them and renders, as hosts do with their UI and audio threads.
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "FrameTest.h"
#include "engine/Parameters.h"

using namespace strellon;
using strellon::test::loadStrellon;

TEST(Threads, StoresAndReadsMeetOnSingleValues) {
    auto plugin = loadStrellon();
    ASSERT_TRUE(plugin);
    plugin->startAudio(44100.0f, 128);
    std::atomic<bool> done{false};

    std::thread writer([&] {
        for (int round = 0; round < 2000; ++round) {
            const float v = static_cast<float>(round % 100) / 100.0f;
            plugin->setParameter(kExciter + round % kNumStrings, v);
            plugin->setParameter(kVolume, v);
            plugin->setParameter(kLink + round % kNumStrings, (round & 1) ? 1.0f : 0.0f);
            if (round % 200 == 0) plugin->dispatch(vst2::effSetProgram, 0, round / 200);
        }
        done = true;
    });

    std::vector<float> left(128), right(128);
    float* outputs[2] = {left.data(), right.data()};
    bool sane = true;
    int blocks = 0;
    while (!done || blocks < 10) {
        for (int i = 0; i < kNumParams; ++i) {
            const float v = plugin->getParameter(i);
            sane = sane && std::isfinite(v) && v >= 0.0f && v <= 1.0f;
        }
        plugin->processReplacing(outputs, 128);
        for (int i = 0; i < 128; ++i) sane = sane && std::isfinite(left[i]) && std::isfinite(right[i]);
        ++blocks;
    }
    writer.join();
    EXPECT_TRUE(sane);
    EXPECT_FLOAT_EQ(plugin->getParameter(kVolume), 0.99f);
}
