// The voice bank against the plain StringVoice path, sample for sample, for
// every processor version this build contains, each forced in turn; and the
// samples against what the engine has always played.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "EngineTestSupport.h"
#include "engine/ProcessorVersions.h"

namespace strellon {
namespace {

using test::Player;

// Chords of fourteen keys (more than there are voices, so some are taken by
// rotation), glissandos up and down, damped releases, and Shaping moved to
// the next value while the strings ring.
std::vector<float> perform(VoicePath path, float rate, float shaping, float nextShaping, long length) {
    Player p(rate, path);
    p.set(kShaping, shaping);
    p.set(kSelfBend, 0.4f);
    p.set(kDynaTone, 0.5f);
    p.set(kDamp, 0.3f);
    const long step = long(rate * 0.02);
    for (int k = 0; k < 14; ++k) p.noteOn(k * 3, 30 + k * 5, 60 + k * 4);
    for (int k = 0; k < 14; ++k) p.noteOn(step * 8 + k * step, 40 + (k * 7) % 50, 100);
    p.noteOff(step * 12, 47);
    for (int v = 0; v < 128; v += 9) p.midi(step * 24 + v, 0xB0, 1, v);
    for (int v = 127; v >= 0; v -= 11) p.midi(step * 30 + v, 0xB0, 1, v);
    p.render(step * 20);
    p.set(kShaping, nextShaping);
    p.render(length - step * 20);
    std::vector<float> both = p.left;
    both.insert(both.end(), p.right.begin(), p.right.end());
    return both;
}

class ForEachVersion : public ::testing::Test {
protected:
    void TearDown() override { resetProcessorVersion(); }
    // The versions both built and runnable here.
    static std::vector<ProcessorVersion> versions() {
        std::vector<ProcessorVersion> out;
        for (ProcessorVersion v : builtProcessorVersions())
            if (processorRuns(v)) out.push_back(v);
        return out;
    }

    // Every Shaping band at each rate, plain against fast and every version
    // against the first.
    static void compareAt(std::initializer_list<float> rates) {
        const float shapings[] = {0.0f, 0.01f, 0.05f, 0.15f, 0.25f, 0.35f, 0.45f, 0.55f,
                                  0.65f, 0.75f, 0.85f, 0.92f, 0.95f, 0.98f, 0.99f, 1.0f};
        std::vector<std::vector<float>> first;
        for (ProcessorVersion version : versions()) {
            forceProcessorVersion(version);
            ASSERT_EQ(chosenProcessorVersion(), version);
            size_t n = 0;
            for (float rate : rates) {
                for (size_t i = 0; i < std::size(shapings); ++i) {
                    const float next = shapings[(i + 5) % std::size(shapings)];
                    const long length = long(rate * 0.4);
                    const std::vector<float> plain = perform(VoicePath::kScalar, rate, shapings[i], next, length);
                    const std::vector<float> fast = perform(VoicePath::kFast, rate, shapings[i], next, length);
                    ASSERT_TRUE(test::allFinite(fast));
                    EXPECT_EQ(std::memcmp(plain.data(), fast.data(), plain.size() * sizeof(float)), 0)
                        << "version " << int(version) << ", " << rate << " Hz, shaping " << shapings[i];
                    // Every version gives the same samples as the first.
                    if (first.size() <= n) first.push_back(fast);
                    else EXPECT_EQ(first[n], fast) << "version " << int(version) << ", " << rate << " Hz";
                    ++n;
                }
            }
        }
    }
};

TEST_F(ForEachVersion, EveryShapingValueAtFourRates) { compareAt({22050.0f, 44100.0f, 96000.0f, 192000.0f}); }

// Below 25 kHz the voices run at a multiple of the rate; 32 kHz is the
// lowest rate they run at as it is.
TEST_F(ForEachVersion, EveryShapingValueAtLowRates) { compareAt({8000.0f, 11025.0f, 16000.0f, 32000.0f}); }

// Long tails: the voices decay through their silence thresholds and the
// engine falls idle the same way in both paths.
TEST_F(ForEachVersion, LongTails) {
    for (ProcessorVersion version : versions()) {
        forceProcessorVersion(version);
        for (float shaping : {0.5f, 0.89f, 0.99f}) {
            const std::vector<float> plain = perform(VoicePath::kScalar, 44100.0f, shaping, shaping, 44100 * 8);
            const std::vector<float> fast = perform(VoicePath::kFast, 44100.0f, shaping, shaping, 44100 * 8);
            EXPECT_EQ(std::memcmp(plain.data(), fast.data(), plain.size() * sizeof(float)), 0)
                << "version " << int(version) << ", shaping " << shaping;
        }
    }
}

// Notes damped while their pulse still runs, and notes struck again within
// it: the voice bank works out the pulses a vector of voices at a time (but
// in the bands with the sine), and must stop and restart them as each
// voice does.
TEST_F(ForEachVersion, PulsesCutShortAndStruckAgain) {
    auto play = [](VoicePath path, float shaping) {
        Player p(48000.0f, path, 128);
        p.set(kShaping, shaping);
        p.set(kDamp, 0.5f);
        for (int k = 0; k < 12; ++k) {
            const long at = 700L * k;
            p.noteOn(at, 30 + 4 * k, 70 + 4 * k);
            p.noteOff(at + 5 + 23 * k, 30 + 4 * k);
            if (k % 3 == 0) p.noteOn(at + 60, 30 + 4 * k, 100);
        }
        p.render(24000);
        std::vector<float> both = p.left;
        both.insert(both.end(), p.right.begin(), p.right.end());
        return both;
    };
    for (ProcessorVersion version : versions()) {
        forceProcessorVersion(version);
        for (float shaping : {0.05f, 0.35f, 0.45f, 0.89f, 0.95f, 0.99f}) {
            const std::vector<float> plain = play(VoicePath::kScalar, shaping), fast = play(VoicePath::kFast, shaping);
            EXPECT_EQ(std::memcmp(plain.data(), fast.data(), plain.size() * sizeof(float)), 0)
                << "version " << int(version) << ", shaping " << shaping;
        }
    }
}

// The rate changed while strings ring out, then
// new notes: the voice bank re-derives its voices as the plain voices do.
TEST_F(ForEachVersion, RateChangeWhileRingingOut) {
    auto play = [](VoicePath path) {
        Player p(44100.0f, path, 256);
        p.set(kSympathetic, 0.8f);
        p.noteOn(0, 40, 110);
        p.noteOn(3000, 76, 90);
        p.render(30000);
        p.engine->setSampleRate(96000.0f);
        p.engine->resume();
        p.noteOn(30000 + 500, 52, 100);
        p.render(40000);
        p.engine->setSampleRate(22050.0f);
        p.engine->resume();
        p.render(20000);
        std::vector<float> both = p.left;
        both.insert(both.end(), p.right.begin(), p.right.end());
        return both;
    };
    for (ProcessorVersion version : versions()) {
        forceProcessorVersion(version);
        const std::vector<float> plain = play(VoicePath::kScalar), fast = play(VoicePath::kFast);
        EXPECT_EQ(std::memcmp(plain.data(), fast.data(), plain.size() * sizeof(float)), 0) << int(version);
    }
}

// FNV-1a over the samples' bits.
std::uint64_t hashOf(const std::vector<float>& x, std::uint64_t h = 14695981039346656037ull) {
    for (float v : x) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        for (int b = 0; b < 4; ++b) h = (h ^ ((bits >> (8 * b)) & 0xFFu)) * 1099511628211ull;
    }
    return h;
}

// A note dies away until the engine falls idle, then another wakes it, in
// blocks of an odd length.
std::vector<float> idleAndWake(float rate, int block) {
    Player p(rate, VoicePath::kFast, block);
    p.set(kDamp, 0.6f);
    p.noteOn(0, 64, 90);
    p.noteOff(long(rate * 0.3), 64);
    p.noteOn(long(rate * 9), 52, 70);
    p.render(long(rate * 8.9));
    EXPECT_FALSE(p.engine->isActive()) << rate;
    p.render(long(rate * 0.6));
    std::vector<float> both = p.left;
    both.insert(both.end(), p.right.begin(), p.right.end());
    return both;
}

// Whatever the code does to go faster, the samples stay the same: these
// hashes were taken from the engine before any of that work, and a change
// to the sound has to change them on purpose (22.05 kHz changed when the
// engine began to run at twice that rate, to keep its strings in tune).
TEST(Samples, StayAsTheyWere) {
    const float shapings[] = {0.0f, 0.05f, 0.15f, 0.25f, 0.35f, 0.45f, 0.55f, 0.65f, 0.75f, 0.89f, 0.95f, 0.99f};
    const struct {
        float rate;
        std::uint64_t hash;
    } performances[] = {{22050.0f, 0xbcb00330f48c8badull},
                       {44100.0f, 0xa7b691a63b2f05acull},
                       {96000.0f, 0x9b71bf7e0a06b091ull},
                       {192000.0f, 0xaad5421840097f6dull}};
    for (const auto& c : performances) {
        std::uint64_t h = 14695981039346656037ull;
        for (size_t i = 0; i < std::size(shapings); ++i)
            h = hashOf(perform(VoicePath::kFast, c.rate, shapings[i], shapings[(i + 5) % std::size(shapings)],
                               long(c.rate * 0.4)),
                       h);
        std::printf("%g Hz: 0x%016llxull\n", c.rate, static_cast<unsigned long long>(h));
        EXPECT_EQ(h, c.hash) << c.rate << " Hz";
    }
    const std::uint64_t idle44 = hashOf(idleAndWake(44100.0f, 512)), idle48 = hashOf(idleAndWake(48000.0f, 100));
    std::printf("idle: 0x%016llxull 0x%016llxull\n", static_cast<unsigned long long>(idle44),
                static_cast<unsigned long long>(idle48));
    EXPECT_EQ(idle44, 0x8b8c48256c36ce83ull);
    EXPECT_EQ(idle48, 0xc11f77c205b5648aull);
}

}  // namespace
}  // namespace strellon
