// The engine as a whole: voice allocation, pitch, what the controls do to
// the sound, idle detection, robustness, and fast path against plain path.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "EngineTestSupport.h"

namespace strellon {
namespace {

using test::Midi;
using test::Player;

TEST(SoundEngineSetup, FreshEngineIsIdleAndSilent) {
    Player p;
    EXPECT_FALSE(p.engine->isActive());
    EXPECT_EQ(p.engine->intake().queue()[0].delta, -1);
    for (int s = 0; s < kNumStrings; ++s) EXPECT_EQ(p.engine->currentNote(s), -1);
    p.render(1024);
    for (float x : p.left) ASSERT_EQ(x, 0.0f);
    EXPECT_EQ(p.engine->getStringActive(-1), 0);
    EXPECT_EQ(p.engine->getStringActive(12), 0);
}

TEST(SoundEngineSetup, TuningRatios) {
    Player p;
    p.render(1);
    for (int k = 0; k < kNumStrings; ++k) EXPECT_FLOAT_EQ(p.engine->tuningRatio(k), k == 6 ? 4.008f : 4.0f);
    p.set(kTuning + 2, 1.0f);
    p.set(kPitch, 0.0f);
    p.render(1);
    EXPECT_NEAR(p.engine->tuningRatio(2), 4.0 * 1.0594630943 / std::sqrt(1.0594630943), 1e-5);
}

TEST(SoundEngineSetup, BadSampleRatesAreRefused) {
    Player p;
    p.engine->setSampleRate(0.0f);
    p.engine->setSampleRate(-44100.0f);
    p.engine->setSampleRate(std::nanf(""));
    p.engine->setSampleRate(INFINITY);
    EXPECT_FLOAT_EQ(p.engine->sampleRate(), 44100.0f);
    // Rates the engine cannot play at are ignored too, not bent into range.
    p.engine->setSampleRate(1e9f);
    p.engine->setSampleRate(7999.0f);
    p.engine->setSampleRate(384001.0f);
    EXPECT_FLOAT_EQ(p.engine->sampleRate(), 44100.0f);
    p.engine->setSampleRate(8000.0f);
    EXPECT_FLOAT_EQ(p.engine->sampleRate(), 8000.0f);
    p.engine->setSampleRate(384000.0f);
    EXPECT_FLOAT_EQ(p.engine->sampleRate(), 384000.0f);
    p.noteOn(0, 60);
    p.render(20000);
    EXPECT_TRUE(test::allFinite(p.left));
    EXPECT_GT(test::peak(p.left), 0.01);
}

double measuredFrequency(float rate, int note, float shaping) {
    Player p(rate);
    p.set(kShaping, shaping);
    p.set(kChorus, 0.0f);
    p.set(kSympathetic, 0.0f);
    p.noteOn(0, note, 100);
    const long length = long(rate * 0.9);
    p.render(length);
    const double expected = 440.0 * std::pow(2.0, (note - 69) / 12.0);
    const int minLag = int(rate / (expected * 1.06)), maxLag = int(rate / (expected / 1.06));
    const size_t from = size_t(rate * 0.3);
    return rate / test::period(p.left, from, size_t(rate * 0.4), minLag, maxLag);
}

TEST(Pitch, A440At44100And96000) {
    EXPECT_NEAR(measuredFrequency(44100.0f, 69, 0.89f), 440.0, 1.0);
    EXPECT_NEAR(measuredFrequency(96000.0f, 69, 0.89f), 440.0, 1.0);
    EXPECT_NEAR(measuredFrequency(44100.0f, 69, 0.5f), 440.0, 1.0);
    // Above 0.98 the string is stretched sharp on purpose.
    EXPECT_NEAR(measuredFrequency(44100.0f, 69, 0.99f), 443.0, 1.0);
}

TEST(Pitch, LowNotesKeepTheirPitchAtHighRates) {
    // Loops longer than 3000 (mode A) and 4096 (mode B) samples.
    EXPECT_NEAR(measuredFrequency(96000.0f, 9, 0.5f) / 13.75, 1.0, 0.01);
    EXPECT_NEAR(measuredFrequency(44100.0f, 4, 0.99f) / 10.30, 1.0, 0.01);
    EXPECT_NEAR(measuredFrequency(192000.0f, 12, 0.5f) / 16.35, 1.0, 0.01);
}

TEST(VoiceAllocation, SameKeyReusesItsVoiceAndRotationStartsAtOne) {
    Player p;
    p.set(kSympathetic, 0.0f);
    p.noteOn(0, 60);
    p.noteOn(100, 60);
    p.render(200);
    EXPECT_EQ(p.engine->currentNote(0), 60);
    for (int s = 1; s < kNumStrings; ++s) EXPECT_EQ(p.engine->currentNote(s), -1);

    // A fresh note takes the first quiet voice, so notes are spaced until
    // each string is loud; then every voice is busy and rotation decides.
    for (int k = 1; k < kNumStrings; ++k) p.noteOn(300 * k, 60 + k);
    p.render(3600);
    for (int s = 0; s < kNumStrings; ++s) {
        EXPECT_EQ(p.engine->currentNote(s), 60 + s) << s;
        EXPECT_GE(p.engine->voiceLevel(s), 0.001f) << s;
    }
    p.noteOn(3800, 80);
    p.render(100);
    EXPECT_EQ(p.engine->currentNote(1), 80);
    p.noteOn(3900, 81);
    p.render(100);
    EXPECT_EQ(p.engine->currentNote(2), 81);
}

TEST(VoiceAllocation, SoundingFlagsFollowPitchClasses) {
    Player p;
    p.noteOn(0, 60);
    p.noteOn(0, 72);
    p.noteOn(0, 62);
    p.render(10);
    EXPECT_EQ(p.engine->getStringActive(0), 1);
    EXPECT_EQ(p.engine->getStringActive(2), 1);
    p.noteOff(20, 72);  // clears C although 60 is still held
    p.render(20);
    EXPECT_EQ(p.engine->getStringActive(0), 0);
    EXPECT_EQ(p.engine->getStringActive(2), 1);
}

// Renders blocks until the engine goes idle, at most seconds long.
bool renderUntilIdle(Player& p, double seconds, float rate = 44100.0f) {
    for (long done = 0; done < long(seconds * rate); done += 512) {
        p.render(512);
        if (!p.engine->isActive()) return true;
    }
    return false;
}

TEST(Idle, EngineStopsAfterTheTailAndHoldsItsLastValue) {
    Player p;
    p.set(kDamp, 1.0f);
    p.set(kChorus, 0.0f);
    p.noteOn(0, 72);
    p.noteOff(2000, 72);
    ASSERT_TRUE(renderUntilIdle(p, 10.0));
    const float last = p.left.back();
    EXPECT_LT(std::fabs(last), test::peak(p.left) * 1e-4);
    p.render(512);
    for (size_t i = p.left.size() - 512; i < p.left.size(); ++i) ASSERT_EQ(p.left[i], last);
}

TEST(Idle, NoteStartedWhileIdleSoundsInEveryBand) {
    // Some settings (the band above 0.5, or a voice whose last pluck was a
    // low note) give exact silence on the pluck's first samples.
    for (float shaping : {0.55f, 0.2f, 0.89f, 0.99f}) {
        Player p;
        p.set(kShaping, shaping);
        p.set(kSympathetic, 0.0f);
        p.noteOn(0, 40);
        p.render(1000);
        EXPECT_GT(test::peak(p.left), 0.01) << shaping;
        // The same low string again once the engine has gone idle.
        p.set(kDamp, 1.0f);
        p.noteOff(1000, 40);
        ASSERT_TRUE(renderUntilIdle(p, 20.0));
        const size_t from = p.left.size();
        p.noteOn(long(from), 40);
        p.render(1000);
        EXPECT_GT(test::peak(p.left, from), 0.01) << shaping << ", again";
    }
}

// Renders one note and returns the left channel.
std::vector<float> note(std::initializer_list<std::pair<int, float>> settings, int velocity = 100,
                        std::initializer_list<Midi> extra = {}, VoicePath path = VoicePath::kFast) {
    Player p(44100.0f, path);
    for (auto [i, v] : settings) p.set(i, v);
    for (const Midi& m : extra) p.midi(m.at, m.status, m.data1, m.data2);
    p.noteOn(0, 64, velocity);
    p.render(20000);
    return p.left;
}

TEST(Controls, VelocityScalesThePluckOnlyWhenVelocityIsOn) {
    const double soft = test::rms(note({{kVelocity, 1.0f}}, 20), 0, 20000);
    const double hard = test::rms(note({{kVelocity, 1.0f}}, 127), 0, 20000);
    EXPECT_GT(hard, soft * 2.0);
    EXPECT_EQ(note({{kVelocity, 0.0f}}, 1), note({{kVelocity, 0.0f}}, 127));
}

TEST(Controls, VolumeAndControllerSevenScaleTheOutput) {
    const std::vector<float> full = note({});
    const std::vector<float> half = note({{kVolume, 0.5f}});
    const std::vector<float> cc7 = note({}, 100, {{0, 0xB0, 7, 64}});
    ASSERT_EQ(full.size(), half.size());
    for (size_t i = 0; i < full.size(); ++i) {
        ASSERT_EQ(half[i], full[i] * 0.5f) << i;
        ASSERT_EQ(cc7[i], full[i] * 0.5f) << i;
    }
    for (float x : note({{kVolume, 0.0f}})) ASSERT_EQ(x, 0.0f);
}

TEST(Controls, ControllerNineScalesFixing) {
    const std::vector<float> viaController = note({}, 100, {{0, 0xB0, 9, 64}});
    const std::vector<float> viaParameter = note({{kFixing + 4, 0.415f * 0.5f}});
    EXPECT_EQ(viaController, viaParameter);
    EXPECT_NE(viaController, note({}));
}

TEST(Controls, ChorusSpreadsLeftAndRight) {
    for (float chorus : {0.0f, 0.5f}) {
        Player p;
        p.set(kChorus, chorus);
        p.noteOn(0, 60);
        p.render(20000);
        EXPECT_EQ(p.left == p.right, chorus == 0.0f) << chorus;
    }
}

TEST(Controls, DampShortensTheRingAfterNoteOff) {
    auto tail = [](float damp) {
        Player p;
        p.set(kDamp, damp);
        p.set(kChorus, 0.0f);
        p.set(kSympathetic, 0.0f);
        p.noteOn(0, 60);
        p.noteOff(4000, 60);
        p.render(30000);
        return test::rms(p.left, 20000, 30000);
    };
    EXPECT_LT(tail(1.0f), tail(0.0f) * 0.01);
}

TEST(Controls, ToneSectionLimitsPeaks) {
    Player p;
    p.set(kDynaTone, 1.0f);
    p.set(kChorus, 0.0f);
    p.set(kVolume, 1.0f);
    for (int k = 0; k < 12; ++k) p.noteOn(k * 5, 40 + k * 3, 127);
    p.render(30000);
    EXPECT_LE(test::peak(p.left), 1.001);
    EXPECT_GT(test::peak(p.left), 0.1);
}

TEST(Robustness, OutputStaysFiniteForAnyFiniteParameters) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> wide(-2.0f, 3.0f);
    for (int trial = 0; trial < 12; ++trial) {
        Player p;
        for (int i = 0; i < kNumParams; ++i) p.set(i, wide(rng));
        for (int k = 0; k < 16; ++k) {
            p.noteOn(k * 700, 20 + (k * 37) % 90, 30 + k * 6);
            p.noteOff(k * 700 + 300, 20 + (k * 37) % 90);
        }
        p.midi(5000, 0xB0, 1, 100);
        p.midi(5100, 0xB0, 9, 127);
        p.midi(5200, 0xE0, 0, 64);
        p.render(15000);
        ASSERT_TRUE(test::allFinite(p.left) && test::allFinite(p.right)) << "trial " << trial;
    }
}

TEST(Robustness, ANonFiniteParameterDoesNotSilenceTheEngineForGood) {
    Player p;
    p.noteOn(0, 60);
    p.set(kSelfBend, std::nanf(""));
    p.set(kVolume, INFINITY);
    p.render(4096);
    EXPECT_TRUE(test::allFinite(p.left));
    p.set(kSelfBend, 0.0f);
    p.set(kVolume, 1.0f);
    p.noteOn(4096 + 100, 62);
    p.render(8192);
    EXPECT_GT(test::peak(p.left, 4096 + 100), 0.01);
}

TEST(Robustness, GlissandoWithDampDoesNotBlockLaterEvents) {
    Player p(44100.0f, VoicePath::kFast, 256);
    p.set(kDamp, 0.5f);
    p.midi(10, 0xB0, 1, 64);  // note 72, E... pitch class 0
    p.noteOn(20, 62);         // later in the same list
    p.render(256);
    EXPECT_EQ(p.engine->getStringActive(0), 1);
    EXPECT_EQ(p.engine->getStringActive(2), 1);
    p.render(256);  // its note-off comes one block on
    EXPECT_EQ(p.engine->getStringActive(0), 0);
    EXPECT_EQ(p.engine->getStringActive(2), 1);
}

TEST(Robustness, NullChannelsAndEmptyBlocks) {
    ParamValues params;
    test::setDefaults(params);
    SoundEngine engine(params);
    engine.beginEvents();
    engine.addMidi(0, 0x90, 60, 100);
    engine.endEvents();
    float left[64];
    engine.processReplacing(left, nullptr, 64);
    engine.processReplacing(nullptr, nullptr, 64);
    engine.processReplacing(left, left, 0);
    engine.processReplacing(left, left, -5);
    SUCCEED();
}

// The render loop runs the voices ahead over the samples up to the next
// event and the output stage after them; the block length moves those runs
// but must not move a single sample, also when the tone section blows up
// in the middle of a run and the engine starts afresh. (Events sit at block
// starts here: a block's note-on wakes the engine from the block's start.)
std::vector<float> performInBlocks(int block) {
    Player p(44100.0f, VoicePath::kFast, block);
    p.set(kDynaTone, 0.6f);
    p.set(kDamp, 0.3f);
    for (int k = 0; k < 14; ++k) {
        p.noteOn(k * 450, 40 + (k * 5) % 40, 50 + k * 6);
        if (k % 4 == 1) p.noteOff(k * 450 + 900, 40 + (k * 5) % 40);
    }
    p.render(2700);
    p.set(kDynaTone, 3.0f);  // unstable: the limiter cannot hold it
    p.render(1350);
    p.set(kDynaTone, 0.6f);
    p.set(kChorus, 0.0f);
    p.render(2250);
    std::vector<float> both = p.left;
    both.insert(both.end(), p.right.begin(), p.right.end());
    return both;
}

TEST(RenderLoop, BlockLengthDoesNotChangeTheSamples) {
    const std::vector<float> single = performInBlocks(1);
    ASSERT_TRUE(test::allFinite(single));
    for (int block : {50, 90, 450}) {
        const std::vector<float> other = performInBlocks(block);
        ASSERT_EQ(single.size(), other.size());
        EXPECT_EQ(std::memcmp(single.data(), other.data(), single.size() * sizeof(float)), 0) << block;
    }
}

// The same performance through the fast and the plain voice paths.
std::vector<float> perform(VoicePath path, float shaping) {
    Player p(44100.0f, path);
    p.set(kShaping, shaping);
    p.set(kSelfBend, 0.6f);
    p.set(kDynaTone, 0.7f);
    p.set(kDamp, 0.4f);
    for (int k = 0; k < 20; ++k) {
        p.noteOn(k * 900, 36 + (k * 7) % 60, 40 + k * 4);
        if (k % 3 == 0) p.noteOff(k * 900 + 500, 36 + (k * 7) % 60);
    }
    p.midi(9000, 0xB0, 1, 70);
    p.render(22000);
    std::vector<float> both = p.left;
    both.insert(both.end(), p.right.begin(), p.right.end());
    return both;
}

TEST(FastPath, EngineOutputIsBitIdenticalToThePlainVoices) {
    for (float shaping : {0.05f, 0.15f, 0.55f, 0.89f, 0.95f, 0.99f}) {
        const std::vector<float> plain = perform(VoicePath::kScalar, shaping);
        const std::vector<float> fast = perform(VoicePath::kFast, shaping);
        ASSERT_EQ(plain.size(), fast.size());
        EXPECT_EQ(std::memcmp(plain.data(), fast.data(), plain.size() * sizeof(float)), 0) << shaping;
    }
}

}  // namespace
}  // namespace strellon
