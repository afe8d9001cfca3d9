// The output stage on its own: plain gain path, tone section with its
// limiter, chorus, and what it writes while the engine is idle.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/OutputStage.h"

namespace strellon {
namespace {

OutputControls controls(float dynaTone, float chorus, float volume = 1.0f, float volumeFactor = 1.0f) {
    return {dynaTone, 0.5f, chorus, volume, volumeFactor, 44100.0f * 0.03f};
}

// One sample through the stage as the render loop hands it over: a run of
// one, its idle decision (on) already taken, its controls read for it.
void sample(OutputStage& o, float mix, const OutputControls& c, float& l, float& r, bool on = true) {
    o.addSample(0, mix, on, c.dynaTone, c.toneRama, c.chorus);
    ASSERT_EQ(o.renderRun(1, c, &l, &r), 1);
}

TEST(OutputStage, PlainPathIsMixTimesGainsAndPassesValuesAboveOne) {
    OutputStage o(44100.0f);
    float l, r;
    sample(o, 0.5f, controls(0.0f, 0.0f, 0.8f, 0.5f), l, r);
    EXPECT_FLOAT_EQ(l, 0.5f * 3.9f * 0.8f * 0.5f);
    EXPECT_EQ(l, r);
    sample(o, 1.0f, controls(0.0f, 0.0f), l, r);
    EXPECT_FLOAT_EQ(l, 3.9f);
}

// A finite value far beyond any sound counts as a blow-up, as a NaN does:
// the run stops at that sample for the engine to reset.
TEST(OutputStage, AHugeFiniteValueIsABlowUp) {
    for (float mix : {3e7f, -1e30f, NAN}) {
        OutputStage o(44100.0f);
        o.addSample(0, 0.5f, true, 0.0f, 0.5f, 0.0f);
        o.addSample(1, mix, true, 0.0f, 0.5f, 0.0f);
        float l[2], r[2];
        EXPECT_EQ(o.renderRun(2, controls(0.0f, 0.0f), l, r), 1) << mix;
    }
    OutputStage o(44100.0f);
    o.addSample(0, 1000.0f, true, 0.0f, 0.5f, 0.0f);
    float l, r;
    EXPECT_EQ(o.renderRun(1, controls(0.0f, 0.0f), &l, &r), 1);  // loud, not blown up
}

// An idle sample is the frozen mix through the gains alone, whatever the
// tone section and chorus are set to, as the idle render loop writes it.
TEST(OutputStage, IdleSamplesSkipToneAndChorus) {
    EXPECT_TRUE(OutputStage::isSilent(1e-10f));
    EXPECT_FALSE(OutputStage::isSilent(1e-9f));
    OutputStage o(44100.0f);
    const OutputControls c = controls(0.5f, 0.3f, 0.8f, 0.5f);
    float l, r;
    sample(o, 0.2f, c, l, r, false);
    EXPECT_EQ(l, OutputStage::heldSample(0.2f, c));
    EXPECT_EQ(r, l);
    EXPECT_FLOAT_EQ(l, 0.2f * 3.9f * 0.8f * 0.5f);
}

TEST(OutputStage, LimiterCatchesPeaksAtOnceAndReleasesSlowly) {
    OutputStage o(44100.0f);
    float l, r, peak = 0.0f;
    // A loud square wave, within the range the voices reach (the clipper's
    // cubic folds over far beyond it, where the table stops at 1/8).
    for (int i = 0; i < 2000; ++i) {
        sample(o, i < 1000 ? 0.5f * ((i / 20) % 2 ? 1.0f : -1.0f) : 0.01f, controls(1.0f, 0.0f), l, r);
        peak = std::max(peak, std::fabs(l));
    }
    EXPECT_LE(peak, 1.0001f);
    EXPECT_GT(peak, 0.9f);
    EXPECT_LT(o.limiterGain(), 1.0f);
    for (int i = 0; i < 44100; ++i) sample(o, 0.01f, controls(1.0f, 0.0f), l, r);
    EXPECT_NEAR(o.limiterGain(), 1.0f, 1e-3f);  // 75 ms to -60 dB
    o.setSampleRate(48000.0f);
    EXPECT_EQ(o.limiterGain(), 1.0f);
}

TEST(OutputStage, ChorusWidensButKeepsTheDrySignal) {
    OutputStage o(44100.0f);
    float l = 0, r = 0;
    double difference = 0, level = 0;
    for (int i = 0; i < 20000; ++i) {
        const float x = std::sin(i * 0.05f) * 0.1f;
        sample(o, x, controls(0.0f, 1.0f), l, r);
        if (i > 5000) difference += std::fabs(l - r), level += std::fabs(l);
    }
    EXPECT_GT(difference, 1.0);
    EXPECT_GT(level, 100.0);
}

}  // namespace
}  // namespace strellon
