// The audio callbacks must never reach the heap: every allocation in this
// process is counted while the audio thread is inside them.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "engine/Parameters.h"
#include "tests/sound/Player.h"

extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);

namespace {
thread_local bool counting = false;
std::atomic<int> allocations{0};

void note() {
    if (counting) allocations.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

extern "C" void* malloc(std::size_t size) {
    note();
    return __libc_malloc(size);
}
extern "C" void* calloc(std::size_t n, std::size_t size) {
    note();
    return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, std::size_t size) {
    note();
    return __libc_realloc(p, size);
}
void* operator new(std::size_t size) {
    note();
    if (void* p = __libc_malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

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

        allocations = 0;
        counting = true;
        for (int block = 0; block < 64; ++block) {
            p.plugin().sendEvents(events[block % 8]);
            p.plugin().processReplacing(outputs, 256);
            p.plugin().process(outputs, 256);
        }
        counting = false;
        EXPECT_EQ(allocations.load(), 0);
    }
}

}  // namespace
}  // namespace strellon::sound
