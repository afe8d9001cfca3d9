// The audio callbacks must never reach the heap: every allocation in this
// process is counted while the audio thread is inside them.
#include <gtest/gtest.h>

#include "engine/Parameters.h"
#include "tests/sound/Player.h"
#include "tests/support/AllocationCounter.h"

namespace strellon::sound {
namespace {

TEST(RealTime, EventsAndAudioNeverAllocate) {
    for (bool everythingOn : {false, true}) {
        SCOPED_TRACE(everythingOn);
        Player p(48000.0f, 256);
        p.set(kDynaTone, everythingOn ? 0.7f : 0.0f);
        p.set(kChorus, everythingOn ? 0.8f : 0.0f);
        p.set(kSympathetic, everythingOn ? 0.9f : 0.0f);
        p.set(kDamp, everythingOn ? 0.5f : 0.0f);

        // Build every event list first, so only the plug-in's calls are counted.
        host::MidiEventList lists[8];
        for (int b = 0; b < 8; ++b) {
            for (int k = 0; k < 12; ++k) lists[b].add(k * 20, 0x90, 40 + b * 3 + k, 90);
            lists[b].add(250, 0xB0, 1, static_cast<unsigned char>(b * 16));
            lists[b].add(251, 0x80, 40 + b * 3, 0);
            lists[b].add(252, 0xE0, 0, 64);
            lists[b].add(253, 0xB0, 7, 100);
            lists[b].get();
        }
        std::vector<float> left(256), right(256);
        float* outputs[2] = {left.data(), right.data()};
        const vst2::VstEvents* events[8];
        for (int b = 0; b < 8; ++b) events[b] = lists[b].get();

        test::startCountingAllocations();
        for (int block = 0; block < 64; ++block) {
            p.plugin().sendEvents(events[block % 8]);
            p.plugin().processReplacing(outputs, 256);
            p.plugin().process(outputs, 256);
        }
        EXPECT_EQ(test::stopCountingAllocations(), 0);
    }
}

}  // namespace
}  // namespace strellon::sound
