// The output stage on its own: plain gain path, tone section with its
// limiter, chorus, and the idle decision.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/OutputStage.h"

namespace strellon {
namespace {

OutputControls controls(float dynaTone, float chorus, float volume = 1.0f, float volumeFactor = 1.0f) {
    return {dynaTone, 0.5f, chorus, volume, volumeFactor, 44100.0f * 0.03f};
}

TEST(OutputStage, PlainPathIsMixTimesGainsAndPassesValuesAboveOne) {
    OutputStage o(44100.0f);
    bool active = true;
    float l, r;
    o.process(0.5f, active, false, controls(0.0f, 0.0f, 0.8f, 0.5f), l, r);
    EXPECT_TRUE(active);
    EXPECT_FLOAT_EQ(l, 0.5f * 3.9f * 0.8f * 0.5f);
    EXPECT_EQ(l, r);
    o.process(1.0f, active, false, controls(0.0f, 0.0f), l, r);
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

TEST(OutputStage, IdleTestStopsTheEngineUnlessHeldAwake) {
    OutputStage o(44100.0f);
    bool active = true;
    float l, r;
    o.process(1e-10f, active, true, controls(0.5f, 0.3f), l, r);
    EXPECT_TRUE(active);
    o.process(1e-10f, active, false, controls(0.5f, 0.3f), l, r);
    EXPECT_FALSE(active);
    EXPECT_FLOAT_EQ(l, 1e-10f * 3.9f);  // no tone section, no chorus while idle
}

TEST(OutputStage, LimiterCatchesPeaksAtOnceAndReleasesSlowly) {
    OutputStage o(44100.0f);
    bool active = true;
    float l, r, peak = 0.0f;
    // A loud square wave, within the range the voices reach (the clipper's
    // cubic folds over far beyond it, where the table stops at 1/8).
    for (int i = 0; i < 2000; ++i) {
        o.process(i < 1000 ? 0.5f * ((i / 20) % 2 ? 1.0f : -1.0f) : 0.01f, active, false, controls(1.0f, 0.0f), l, r);
        peak = std::max(peak, std::fabs(l));
    }
    EXPECT_LE(peak, 1.0001f);
    EXPECT_GT(peak, 0.9f);
    EXPECT_LT(o.limiterGain(), 1.0f);
    for (int i = 0; i < 44100; ++i) o.process(0.01f, active, false, controls(1.0f, 0.0f), l, r);
    EXPECT_NEAR(o.limiterGain(), 1.0f, 1e-3f);  // 75 ms to -60 dB
    o.setSampleRate(48000.0f);
    EXPECT_EQ(o.limiterGain(), 1.0f);
}

TEST(OutputStage, ChorusWidensButKeepsTheDrySignal) {
    OutputStage o(44100.0f);
    bool active = true;
    float l = 0, r = 0;
    double difference = 0, level = 0;
    for (int i = 0; i < 20000; ++i) {
        const float x = std::sin(i * 0.05f) * 0.1f;
        o.process(x, active, true, controls(0.0f, 1.0f), l, r);
        if (i > 5000) difference += std::fabs(l - r), level += std::fabs(l);
    }
    EXPECT_GT(difference, 1.0);
    EXPECT_GT(level, 100.0);
}

}  // namespace
}  // namespace strellon
