// What the sound engine takes from the parameter values, heard at the
// outputs: stored values rather than linked reads, and the slightly sharp
// F sharp string.
#include <cmath>

#include "Conformance.h"
#include "tests/sound/Player.h"

namespace strellon::conformance {
namespace {

Stereo noteOn(host::HostedPlugin& plugin, int key, int blocks = 40) {
    std::vector<Block> list(blocks);
    list[0].events.add(0, 0x90, static_cast<unsigned char>(key), 100);
    return play(plugin, list);
}

TEST(ValuesHeard, TheEngineTakesStoredValuesNotLinkedReads) {
    // C sharp's Exciter is stored as 0.9 while unlinked; linking again
    // makes the host read string 1's 0.3, but the sound keeps the 0.9.
    auto relinked = started({{kLink, 0.0f}, {kExciter + 1, 0.9f}, {kLink, 1.0f}});
    auto unlinked = started({{kLink, 0.0f}, {kExciter + 1, 0.9f}});
    auto plain = started();
    ASSERT_TRUE(relinked && unlinked && plain);
    EXPECT_FLOAT_EQ(relinked->getParameter(kExciter + 1), 0.3f);
    const Stereo a = noteOn(*relinked, 61), b = noteOn(*unlinked, 61), c = noteOn(*plain, 61);
    ASSERT_GT(a.peak(), 0.01);
    EXPECT_EQ(a.firstDifference(b), a.left.size());
    EXPECT_LT(a.firstDifference(c), a.left.size());
}

TEST(ValuesHeard, ANoteOffWithoutDampChangesNoSample) {
    auto held = started();
    auto released = started();
    ASSERT_TRUE(held && released);
    std::vector<Block> a(30), b(30);
    a[0].events.add(0, 0x90, 62, 100);
    b[0].events.add(0, 0x90, 62, 100);
    b[2].events.add(100, 0x80, 62, 0);
    b[3].events.add(0, 0x90, 62, 0);  // velocity 0 is a release too
    const Stereo x = play(*held, a), y = play(*released, b);
    EXPECT_EQ(x.firstDifference(y), x.left.size());
}

// Frequency of a note relative to its equal-tempered value.
double relativePitch(int key) {
    auto plugin = started({{kChorus, 0.0f}, {kSympathetic, 0.0f}, {kModulation, 0.0f}});
    if (!plugin) return 0.0;
    sound::Stereo s;
    s.left = noteOn(*plugin, key, 60).left;
    const double expected = sound::noteHz(key);
    return s.pitch(0.3, 0.3, expected) / expected;
}

TEST(ValuesHeard, FSharpStandsSlightlySharp) {
    const double f = relativePitch(65), fSharp = relativePitch(66), g = relativePitch(67);
    EXPECT_NEAR(fSharp / std::sqrt(f * g), 1.002, 0.0004);
    EXPECT_NEAR(f / g, 1.0, 0.0004);
}

}  // namespace
}  // namespace strellon::conformance
