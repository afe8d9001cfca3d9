// The string voice: its derived values, every Shaping band in both loop
// modes, and the four-lane bank against the plain voices.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/StringVoice.h"
#include "engine/VoiceBank.h"
#include "engine/VoiceGroup.h"

namespace strellon {
namespace {

TEST(VoiceTuning, ValuesForA440InModeA) {
    const StringTuning t = tuneString(440.0f, 0.5f, 0.8f, 0.5f, 44100.0f);
    EXPECT_NEAR(t.loopGain, 0.99018f, 1e-6f);
    EXPECT_NEAR(t.lengthUnit, 44100.0 / (440.0 - 1.7424), 1e-3);
    EXPECT_NEAR(t.noiseCutoff, (0.5 * 0.9 + 0.1) * 0.8 * 440.0 * 3.0 + 40.0, 1e-2);
    EXPECT_FLOAT_EQ(t.brightness, 3520.0f);
}

TEST(VoiceTuning, ModeBHighRatesAndLimits) {
    const StringTuning b = tuneString(440.0f, 1.0f, 1.0f, 0.99f, 44100.0f);
    EXPECT_NEAR(b.loopGain, (440.0 - 620.0) * 9e-6 + 0.99, 1e-7);
    EXPECT_NEAR(b.lengthUnit, 44100.0 / ((440.0 * 9e-6 + 1.0) * 440.0), 1e-3);
    // No stretch at 50 kHz and above; brightness stops at rate / 8.
    const StringTuning h = tuneString(2400.0f, 1.0f, 1.0f, 0.5f, 96000.0f);
    EXPECT_NEAR(h.lengthUnit, 40.0f, 1e-4f);
    EXPECT_FLOAT_EQ(h.brightness, 12000.0f);  // 8 * 2400 would be 19200
    EXPECT_FLOAT_EQ(h.noiseCutoff, 6500.0f);
    // Very low strings cannot push the loop gain past its ceiling...
    EXPECT_FLOAT_EQ(tuneString(50000.0f, 0, 0, 0, 44100.0f).loopGain, 0.99999988f);
    // ...and above 1200 Hz the stretched frequency drops by 8 Hz.
    EXPECT_NEAR(tuneString(1300.0f, 0, 0, 0, 44100.0f).lengthUnit, 44100.0 / (1300.0 - 1300.0 * 1300.0 * 9e-6 - 8.0),
                1e-3);
}

TEST(VoiceTuning, ToneFrequencyLimits) {
    EXPECT_FLOAT_EQ(toneFrequencyFor(69, 44100.0f), 1360.0f);
    EXPECT_FLOAT_EQ(toneFrequencyFor(127, 44100.0f), 44100.0f / 8.0f);
    EXPECT_FLOAT_EQ(toneFrequencyFor(0, 44100.0f), 100.0f);
}

TEST(StringVoice, DampLowersTheLoopGainOnceAndOnlyWithDamp) {
    StringVoice v;
    v.setSampleRate(44100.0f);
    v.setNoteParameters(1, 0.8f, 0.17f, 0.24f, 0.501f, 0.415f);
    v.setFrequency(440.0f);
    const float g = v.loopGain();
    v.damp();
    EXPECT_FLOAT_EQ(v.loopGain(), g);
    v.setDamp(0.5f);
    v.damp();
    EXPECT_FLOAT_EQ(v.loopGain(), (1.0f - 0.25f) * (g - 0.5f) + 0.5f);
}

// Plucks one voice and returns its output.
std::vector<float> pluck(float shaping, int samples, float frequency = 440.0f, int note = 69) {
    resetEngineRandom();
    StringVoice v;
    v.setSampleRate(44100.0f);
    v.setShaping(shaping);
    v.setNoteActive(true);
    v.setToneFrequency(note);
    v.setNoteParameters(0.9f, 0.8f, 0.17f, 0.24f, 0.501f, 0.415f);
    v.setFrequency(frequency);
    v.resetExcitation();
    std::vector<float> out(samples);
    for (float& x : out) x = v.process();
    return out;
}

class ShapingBand : public ::testing::TestWithParam<float> {};

TEST_P(ShapingBand, PluckSoundsStaysFiniteAndDecays) {
    const std::vector<float> out = pluck(GetParam(), 60000);
    double early = 0, late = 0;
    for (int i = 0; i < 4410; ++i) early += double(out[i]) * out[i];
    for (int i = 55590; i < 60000; ++i) late += double(out[i]) * out[i];
    for (float x : out) ASSERT_TRUE(std::isfinite(x));
    EXPECT_GT(early, 1e-3) << "the pluck is audible";
    EXPECT_LT(late, early) << "and rings down";
}

INSTANTIATE_TEST_SUITE_P(EveryBand, ShapingBand,
                         ::testing::Values(0.0f, 0.05f, 0.15f, 0.25f, 0.35f, 0.45f, 0.55f, 0.65f, 0.75f, 0.85f, 0.95f,
                                           0.98f, 0.99f, 1.0f));

TEST(StringVoice, ShapingAtOrBelowOnePercentIsShapingZero) {
    EXPECT_EQ(pluck(0.0f, 5000), pluck(0.01f, 5000));
    EXPECT_EQ(pluck(0.0f, 5000), pluck(-3.0f, 5000));
    EXPECT_NE(pluck(0.0f, 5000), pluck(0.02f, 5000));
}

TEST(StringVoice, ShapingExactly098IsModeAInTheLastBand) {
    EXPECT_EQ(pluck(0.98f, 5000), pluck(0.97f, 5000));
    EXPECT_NE(pluck(0.98f, 5000), pluck(0.981f, 5000));
}

TEST(StringVoice, InactiveVoiceKeepsRingingOnItsLoop) {
    resetEngineRandom();
    StringVoice v;
    v.setSampleRate(44100.0f);
    v.setShaping(0.5f);
    v.setNoteActive(true);
    v.setToneFrequency(57);
    v.setNoteParameters(1.0f, 0.8f, 0.17f, 0.24f, 0.501f, 0.415f);
    v.setFrequency(440.0f);
    v.resetExcitation();
    for (int i = 0; i < 2000; ++i) v.process();
    v.setNoteActive(false);
    double energy = 0;
    for (int i = 0; i < 2000; ++i) energy += std::fabs(v.process());
    EXPECT_GT(energy, 0.1);
    EXPECT_GT(v.getLevel(), 0.0f);
}

// Runs a voice group through a scripted performance: notes on several
// voices, sympathetic feed, selfbend, damping, a mid-run Shaping change.
std::vector<float> perform(VoiceGroup& g, float shaping, float selfBend, float rate = 44100.0f) {
    resetEngineRandom();
    g.setSampleRate(rate);
    g.setShaping(shaping);
    g.setSelfBend(selfBend);
    g.setDamp(0.3f);
    std::vector<float> all;
    float out[kNumStrings];
    std::uint32_t random = 1;
    // Long enough for every delay line to wrap round.
    for (int i = 0; i < 21000; ++i) {
        if (i % 700 == 0) {
            const int voice = (i / 700) % kNumStrings;
            const int note = 40 + (i / 700) * 5 % 50;
            g.startNote(voice, {note, 0.3f + voice * 0.05f, 0.8f, 0.17f, 0.24f + voice * 0.01f, 0.501f,
                                0.415f * (voice % 3), 2.0f * 440.0f * std::pow(2.0f, (note - 69) / 12.0f)});
        }
        if (i % 1100 == 550) g.dampNote((i / 1100) % kNumStrings);
        // Into the other loop mode and back.
        if (i == 8000) g.setShaping(shaping > 0.98f ? 0.55f : 0.99f);
        if (i == 14000) g.setShaping(shaping);
        g.process(out, random);
        g.feedSympathetic(out, out[3] * 0.01f, 0.02f);
        all.insert(all.end(), out, out + kNumStrings);
        for (int s = 0; s < kNumStrings; ++s) all.push_back(g.level(s));
    }
    return all;
}

class BankMatchesScalar : public ::testing::TestWithParam<float> {};

TEST_P(BankMatchesScalar, SampleForSample) {
    for (float selfBend : {0.0f, 0.7f}) {
        ScalarVoices scalar;
        VoiceBank bank;
        const std::vector<float> a = perform(scalar, GetParam(), selfBend);
        const std::vector<float> b = perform(bank, GetParam(), selfBend);
        ASSERT_EQ(a.size(), b.size());
        size_t firstDifference = a.size();
        for (size_t i = 0; i < a.size() && firstDifference == a.size(); ++i)
            if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) firstDifference = i;
        EXPECT_EQ(firstDifference, a.size()) << "selfbend " << selfBend << ", sample " << firstDifference / 24
                                            << ", value " << firstDifference % 24;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryBand, BankMatchesScalar,
                         ::testing::Values(0.0f, 0.05f, 0.15f, 0.25f, 0.35f, 0.45f, 0.55f, 0.65f, 0.75f, 0.85f, 0.95f,
                                           0.99f));

}  // namespace
}  // namespace strellon
