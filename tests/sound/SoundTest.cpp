// What a listener hears, through the binary interface: pitch, and what the
// controls and controllers do to the sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "engine/Parameters.h"
#include "tests/sound/Player.h"

namespace strellon::sound {
namespace {

Stereo pluck(Player& p, int key = 69, int velocity = 100, double seconds = 1.0) {
    p.note(100, key, velocity);
    return p.render(seconds);
}

TEST(Pitch, A440AtCommonRates) {
    for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
        SCOPED_TRACE(rate);
        Player p(rate);
        const Stereo s = pluck(p, 69, 100, 1.0);
        EXPECT_NEAR(s.pitch(0.4, 0.4, 440.0), 440.0, 1.0);
    }
}

TEST(Pitch, LowNotesKeepTheirPitchAtHighRates) {
    // Long loops must fit their buffers at every common rate.
    for (float rate : {96000.0f, 192000.0f}) {
        SCOPED_TRACE(rate);
        Player p(rate);
        const Stereo s = pluck(p, 21, 127, 1.5);  // A0, 27.5 Hz
        EXPECT_NEAR(s.pitch(0.8, 0.5, noteHz(21)) / noteHz(21), 1.0, 0.01);
    }
}

TEST(Pitch, TuningAndPitchMoveTheNote) {
    Player centre, up;
    up.set(kTuning + 9, 1.0f);  // string 10 plays every A: one semitone up
    up.set(kLink, 0.0f);        // unlinked, so only A moves
    const double a = pluck(centre).pitch(0.4, 0.4, 440.0);
    const double b = pluck(up).pitch(0.4, 0.4, 466.16);
    EXPECT_NEAR(b / a, std::pow(2.0, 1.0 / 12.0), 0.003);
}

TEST(Controls, VelocitySensitivityFollowsTheVelocityParameter) {
    for (float sensitivity : {0.0f, 1.0f}) {
        Player soft, loud;
        soft.set(kVelocity, sensitivity);
        loud.set(kVelocity, sensitivity);
        const double ratio = pluck(soft, 69, 20).rms(0.1, 0.5) / pluck(loud, 69, 127).rms(0.1, 0.5);
        if (sensitivity == 0.0f)
            EXPECT_NEAR(ratio, 1.0, 1e-6);
        else
            EXPECT_LT(ratio, 0.5);
    }
}

TEST(Controls, DampShortensTheReleaseOnlyWhenOn) {
    double tail[2];
    for (int damped = 0; damped < 2; ++damped) {
        Player p;
        p.set(kDamp, damped ? 0.9f : 0.0f);
        p.set(kSympathetic, 0.0f);  // the other strings would ring on
        p.note(100, 57);
        p.release(100 + 22050, 57);  // 0.5 s later
        const Stereo s = p.render(1.5);
        tail[damped] = s.rms(0.7, 1.0);
    }
    EXPECT_LT(tail[1], tail[0] * 0.01);
}

TEST(Controls, VolumeScalesTheOutput) {
    Player full, half;
    full.set(kChorus, 0.0f);
    half.set(kChorus, 0.0f);
    half.set(kVolume, 0.5f);
    EXPECT_NEAR(pluck(half).rms(0.1, 0.6) / pluck(full).rms(0.1, 0.6), 0.5, 1e-6);
}

TEST(Controls, ChorusWidensTheImage) {
    Player dry, wet;
    dry.set(kChorus, 0.0f);
    wet.set(kChorus, 1.0f);
    const Stereo d = pluck(dry), w = pluck(wet);
    EXPECT_EQ(d.left, d.right);
    double difference = 0.0;
    for (std::size_t i = 0; i < w.left.size(); ++i) difference += std::fabs(w.left[i] - w.right[i]);
    EXPECT_GT(difference / w.left.size(), 1e-3);
}

TEST(Controllers, SevenSetsTheVolumeFactor) {
    Player full, half;
    full.midi(0, 0xB0, 7, 127);
    half.midi(0, 0xB7, 7, 64);  // any channel
    const double ratio = pluck(half).rms(0.1, 0.6) / pluck(full).rms(0.1, 0.6);
    EXPECT_NEAR(ratio, (64.0 / 128.0) / (127.0 / 128.0), 1e-6);
}

TEST(Controllers, NineMovesThePluckPosition) {
    Player centre, edge;
    edge.midi(0, 0xB0, 9, 0);  // fixing factor 0: no comb
    const Stereo a = pluck(centre), b = pluck(edge);
    double difference = 0.0, energy = 0.0;
    for (std::size_t i = 0; i < a.left.size(); ++i) {
        difference += double(a.left[i] - b.left[i]) * (a.left[i] - b.left[i]);
        energy += double(a.left[i]) * a.left[i];
    }
    EXPECT_GT(difference / energy, 0.05);
}

TEST(Controllers, OneGlissandoPlaysCMajorNotes) {
    Player p;
    for (int i = 0; i < 28; ++i) p.midi(200 + i * 2000, 0xB0, 1, static_cast<unsigned char>(i * 127 / 27));
    const Stereo s = p.render(1.5);
    EXPECT_GT(s.rms(0.2, 1.3), 1e-3);
    for (int pc : {0, 2, 4, 5, 7, 9, 11}) EXPECT_EQ(p.plugin().getParameter(0), 1.0f) << pc;
}

TEST(Robustness, OutputIsFiniteForAnyParameterValues) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> wide(-1.0f, 2.0f);
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        Player p(round % 2 ? 96000.0f : 44100.0f, 64 + round * 100);
        for (int i = 0; i < kNumParams; ++i) p.set(i, round == 0 ? 1.0f : round == 1 ? 0.0f : wide(random));
        p.set(kShaping, std::numeric_limits<float>::quiet_NaN());  // refused by the store
        for (int k = 0; k < 12; ++k) p.note(100 + k * 997, 24 + k * 7, 30 + k * 8);
        p.midi(5000, 0xB0, 1, 127);
        p.midi(9000, 0xE0, 0, 64);
        const Stereo s = p.render(0.6);
        EXPECT_TRUE(s.finite());
    }
}

// A host changes the rate while a chord rings, between suspend and resume
// or without them; the instrument goes on sounding, finite and bounded.
TEST(Robustness, RateChangesWhileAChordRings) {
    for (auto [from, to] : {std::pair{192000.0f, 8000.0f}, {48000.0f, 22050.0f}, {8000.0f, 384000.0f}}) {
        for (bool suspend : {true, false}) {
            Player p(from, 512);
            host::HostedPlugin& plugin = p.plugin();
            std::vector<float> left(512), right(512);
            float* outputs[2] = {left.data(), right.data()};
            auto block = [&](std::initializer_list<int> keys) {
                host::MidiEventList events;
                for (int key : keys) events.add(0, 0x90, static_cast<unsigned char>(key), 120);
                plugin.sendEvents(events.get());
                plugin.processReplacing(outputs, 512);
                double loudest = 0.0;
                for (int i = 0; i < 512; ++i) {
                    if (!std::isfinite(left[i]) || !std::isfinite(right[i])) return 1e30;
                    loudest = std::max({loudest, double(std::fabs(left[i])), double(std::fabs(right[i]))});
                }
                return loudest;
            };
            double loudest = block({48, 55, 60, 64, 67, 72});
            for (int b = 0; b < 20; ++b) loudest = std::max(loudest, block({}));
            if (suspend) plugin.dispatch(vst2::effMainsChanged, 0, 0);
            plugin.dispatch(vst2::effSetSampleRate, 0, 0, nullptr, to);
            if (suspend) plugin.dispatch(vst2::effMainsChanged, 0, 1);
            loudest = std::max(loudest, block({80, 87, 98, 102, 105, 116}));
            for (int b = 0; b < 20; ++b) loudest = std::max(loudest, block({}));
            EXPECT_LT(loudest, 4.0) << from << " to " << to << (suspend ? " with suspend" : "");
        }
    }
}

TEST(Robustness, SilentBeforeTheFirstNote) {
    Player p;
    const Stereo s = p.render(0.2);
    for (float v : s.left) ASSERT_EQ(v, 0.0f);
}

}  // namespace
}  // namespace strellon::sound
