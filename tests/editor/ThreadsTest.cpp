// Notes playing on an audio thread and automation from another while the
// window thread opens, idles and closes the editor: only the window thread
// touches controls. Run under ThreadSanitizer by tools/tsan.sh.
#include <atomic>
#include <thread>

#include "tests/editor/EditorFixture.h"

namespace strellon::test {
namespace {

TEST_F(EditorTest, ThreadsMeetOnlyOnSingleValues) {
    plugin().startAudio(44100.0f, 128);
    std::atomic<bool> stop{false};
    std::thread audio([&] {
        std::vector<float> left(128), right(128);
        float* outputs[] = {left.data(), right.data()};
        for (int block = 0; !stop.load(std::memory_order_relaxed); ++block) {
            host::MidiEventList events;
            const unsigned char key = static_cast<unsigned char>(48 + block % 24);
            events.add(0, 0x90, key, 90);
            events.add(64, 0x80, static_cast<unsigned char>(48 + (block + 12) % 24), 0);
            plugin().sendEvents(events.get());
            plugin().processReplacing(outputs, 128);
        }
    });
    std::thread automation([&] {
        for (int i = 0; !stop.load(std::memory_order_relaxed); ++i)
            plugin().setParameter(i % 84, float(i % 100) / 100.0f);
    });
    for (int round = 0; round < 12; ++round) {
        open();
        session->paint();
        for (int i = 0; i < 20; ++i) idle();
        close();
        idle();  // closed: returns at once
    }
    open();
    idle();
    stop.store(true, std::memory_order_relaxed);
    audio.join();
    automation.join();
    idle();
    // Every change stored while open shows after the next idle: the knobs
    // and buttons of single parameters at once...
    const auto expectShown = [&](int first, int last) {
        for (int i = first; i < last; ++i) {
            const int tag = control(i)->getTag();
            if (tag == 78 && plugin().getParameter(77) == 0.0f) continue;
            EXPECT_EQ(value(i), plugin().getParameter(tag)) << i;
        }
    };
    expectShown(at::globals, at::exciter);
    expectShown(at::link, at::led);
    // ...and the per-string knobs, which mirror links that were switched on
    // and off meanwhile, once each value is stored again with links off.
    for (int k = 0; k < 12; ++k) plugin().setParameter(k, 0.0f);
    for (int i = 12; i < 60; ++i) plugin().setParameter(i, plugin().getParameter(i));
    idle();
    expectShown(at::exciter, at::led);
}

}  // namespace
}  // namespace strellon::test
