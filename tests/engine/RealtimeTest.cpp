// The audio-thread calls must not touch the heap: every allocation in this
// binary is counted while they run.
#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "tests/support/AllocationCounter.h"

namespace strellon {
namespace {

// At 48 kHz, and at 8 kHz, where the engine runs at a multiple of the rate
// and the host passes more frames than it announced.
TEST(RealTime, EventsAndAudioAllocateNothing) {
    for (float rate : {48000.0f, 8000.0f}) {
        for (VoicePath path : {VoicePath::kFast, VoicePath::kScalar}) {
            ParamValues params;
            test::setDefaults(params);
            params[kDynaTone].store(0.6f);
            params[kSelfBend].store(0.4f);
            params[kDamp].store(0.5f);
            SoundEngine engine(params, path);
            engine.setSampleRate(rate);
            engine.setBlockSize(rate < SoundEngine::kOversampledBelow ? 64 : 256);
            engine.resume();
            float left[1024], right[1024];
            const int frames = rate < SoundEngine::kOversampledBelow ? 1024 : 256;

            test::startCountingAllocations();
            for (int block = 0; block < 200; ++block) {
                engine.beginEvents();
                engine.addMidi(block % 200, 0x90, 40 + block % 50, 90);
                engine.addMidi(3, 0x80, 40 + (block + 7) % 50, 0);
                engine.addMidi(5, 0xB0, 1, (block * 13) % 128);
                engine.addMidi(6, 0xB0, 7, 100);
                engine.addMidi(7, 0xE0, 0, 64);
                engine.endEvents();
                if (block == 100) params[kShaping].store(0.99f);
                if (block == 150) params[kVolume].store(std::nanf(""));  // forces a recovery
                engine.processReplacing(left, right, frames);
            }
            EXPECT_EQ(test::stopCountingAllocations(), 0) << rate;
        }
    }
}

}  // namespace
}  // namespace strellon
