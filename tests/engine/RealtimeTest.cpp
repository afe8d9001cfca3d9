// The audio-thread calls must not touch the heap: every allocation in this
// binary is counted, and the count must not move across them.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "EngineTestSupport.h"

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace strellon {
namespace {

TEST(RealTime, EventsAndAudioAllocateNothing) {
    for (VoicePath path : {VoicePath::kFast, VoicePath::kScalar}) {
        ParamValues params;
        test::setDefaults(params);
        params[kDynaTone].store(0.6f);
        params[kSelfBend].store(0.4f);
        params[kDamp].store(0.5f);
        SoundEngine engine(params, path);
        engine.setSampleRate(48000.0f);
        engine.setBlockSize(256);
        engine.resume();
        float left[256], right[256];

        const long before = allocations.load();
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
            engine.processReplacing(left, right, 256);
        }
        EXPECT_EQ(allocations.load() - before, 0);
    }
}

}  // namespace
}  // namespace strellon
