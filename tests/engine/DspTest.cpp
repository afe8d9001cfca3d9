// Delay lines, the oscillator, the random source, the engine's tables and
// the decimator.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/ChorusLines.h"
#include "engine/Decimator.h"
#include "engine/Dsp.h"
#include "engine/EngineTables.h"
#include "engine/LaneRings.h"
#include "engine/Random.h"

namespace strellon {
namespace {

TEST(DelayLine, SizeIsThePowerOfTwoAtOrAboveTheRequest) {
    EXPECT_EQ(DelayLine(0.0f, 3000).size(), 4096);
    EXPECT_EQ(DelayLine(0.0f, 100).size(), 512);
    EXPECT_EQ(DelayLine(0.0f, 512).size(), 512);
}

TEST(DelayLine, CubicReadHitsIntegralDelaysExactlyAndInterpolatesBetween) {
    DelayLine d(0.0f, 100);
    for (int i = 0; i < 50; ++i) d.write(static_cast<float>(i));
    d.setDelay(10.0);
    EXPECT_FLOAT_EQ(d.read(), 40.0f);  // written ten samples before the next write
    d.setDelay(10.5);
    EXPECT_NEAR(d.read(), 39.5f, 1e-5f);  // a ramp is reproduced by the cubic
    // A delay beyond the size wraps round the buffer instead of reading outside.
    d.setDelay(10.0 + 512.0 * 3);
    EXPECT_FLOAT_EQ(d.read(), 40.0f);
    d.setDelay(std::nan(""));
    EXPECT_TRUE(std::isfinite(d.read()));
}

TEST(FractionalDelay, PushAloneDelaysBySetDelayPushThenPeekByOneLess) {
    FractionalDelay d(1.0f, 10);
    float previous = 0.0f;
    for (int i = 1; i < 8; ++i) {
        EXPECT_FLOAT_EQ(d.push(float(i)), previous);
        previous = float(i);
    }
    FractionalDelay e(1.0f, 10);
    for (int i = 1; i < 8; ++i) {
        e.push(float(i));
        EXPECT_FLOAT_EQ(e.peek(), float(i));
    }
}

TEST(FractionalDelay, OutOfRangeDelaysAreClampedAsDescribed) {
    FractionalDelay d(0.0f, 3000);
    for (int i = 1; i <= 3001; ++i) d.push(float(i));  // fills every slot once
    d.setDelay(4000.0f);
    EXPECT_FLOAT_EQ(d.delay(), 3000.0f);
    EXPECT_FLOAT_EQ(d.push(9999.0f), 2.0f);  // the oldest sample

    d.setDelay(-5.0f);
    EXPECT_FLOAT_EQ(d.delay(), 0.5f);
    EXPECT_FLOAT_EQ(d.push(1234.0f), 1234.0f);  // the sample just written

    d.setDelay(std::nanf(""));
    EXPECT_FLOAT_EQ(d.delay(), 0.5f);
    EXPECT_TRUE(std::isfinite(d.push(1.0f)));
}

TEST(FractionalDelay, LinearInterpolationBetweenNeighbours) {
    FractionalDelay d(0.0f, 100);
    for (int i = 0; i < 20; ++i) d.push(float(i));
    d.setDelay(2.25f);
    EXPECT_FLOAT_EQ(d.push(20.0f), 17.75f);
}

// Within 1..capacity a read position is found in single precision; it must
// be the one the double-precision steps give, fraction bits included.
TEST(FractionalDelay, SinglePrecisionPlacingMatchesDouble) {
    const int size = 8193;
    std::uint32_t seed = 11;
    for (int trial = 0; trial < 200000; ++trial) {
        seed = seed * 1664525u + 1013904223u;
        const int write = static_cast<int>(seed % size);
        float delay;
        switch (trial % 4) {
        case 0: delay = 1.0f + static_cast<float>(seed >> 9) / 8388608.0f * 8191.0f; break;
        case 1: delay = static_cast<float>(1 + seed % 8192); break;                       // whole
        case 2: delay = std::nextafter(static_cast<float>(1 + seed % 8191), 9000.0f); break;  // just above
        default: delay = 1.0f + static_cast<float>(seed >> 8) / 16777216.0f; break;       // 1..2
        }
        double pos = static_cast<double>(write) - delay;
        if (pos < 0.0) pos += size;
        const int wantRead = static_cast<int>(pos);
        const float wantFraction = static_cast<float>(pos - wantRead);
        int read;
        float fraction, kept;
        FractionalDelay::place(write, size, delay, read, fraction, kept);
        ASSERT_EQ(read, wantRead) << delay;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(fraction), std::bit_cast<std::uint32_t>(wantFraction)) << delay;
    }
}

// The chorus drives its lines through a RunCursor, step by step or, for long
// delays, a run of steps at once; both must leave what setDelay and
// pushAlone leave, to the bit, including round the end of the buffer, for
// slow sweeps whose reads lie side by side, and for delays outside the
// usual range.
TEST(FractionalDelay, RunCursorStepsMatchSetDelayAndPushAlone) {
    FractionalDelay plain(0.0f, 300), stepped(0.0f, 300), ahead(0.0f, 300);
    std::uint32_t seed = 5;
    auto noise = [&] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
    };
    for (int block = 0; block < 80; ++block) {
        const int count = 1 + block % 9;
        float delay[16], input[16], wantOut[16], gotOut[16];
        for (int j = 0; j < count; ++j) {
            delay[j] = 140.0f + 200.0f * noise() + (block % 7 == 3 ? 0.25f : 0.0f);
            if (block % 11 == 5) delay[j] = std::floor(delay[j]);  // whole delays
            if (block == 30) delay[j] = 1e6f;                      // beyond the capacity
            if (block == 31) delay[j] = 0.75f;                     // shorter than a step
            if (block % 5 == 2) delay[j] = 150.25f + 0.01f * j;    // a slow sweep: reads side by side
            input[j] = noise();
        }
        for (int j = 0; j < count; ++j) {
            plain.setDelay(delay[j]);
            wantOut[j] = plain.push(input[j]);
        }
        {
            FractionalDelay::RunCursor sweep(stepped);
            for (int j = 0; j < count; ++j) gotOut[j] = sweep.step(delay[j], input[j]);
        }
        for (int j = 0; j < count; ++j) EXPECT_EQ(gotOut[j], wantOut[j]) << block;
        {
            FractionalDelay::RunCursor sweep(ahead);
            if (FractionalDelay::RunCursor::canReadAhead(ahead, delay, count)) {
                sweep.readAhead(delay, gotOut, count);
                sweep.writeAhead(input, count);
            } else {
                EXPECT_TRUE(block == 30 || block == 31) << block;
                for (int j = 0; j < count; ++j) gotOut[j] = sweep.step(delay[j], input[j]);
            }
        }
        for (int j = 0; j < count; ++j) EXPECT_EQ(gotOut[j], wantOut[j]) << block;
    }
    // A steady delay read ahead eight steps at a time, long enough for the
    // reads to start at every place in the buffer, its end included.
    for (int block = 0; block < 700; ++block) {
        float delay[8], input[8], got[8];
        for (int j = 0; j < 8; ++j) delay[j] = 150.25f, input[j] = noise();
        FractionalDelay::RunCursor sweep(ahead);
        ASSERT_TRUE(FractionalDelay::RunCursor::canReadAhead(ahead, delay, 8));
        sweep.readAhead(delay, got, 8);
        sweep.writeAhead(input, 8);
        for (int j = 0; j < 8; ++j) {
            plain.setDelay(delay[j]);
            ASSERT_EQ(got[j], plain.push(input[j])) << block;
            stepped.setDelay(delay[j]);
            stepped.push(input[j]);
        }
    }
    // The lines are left alike: one more plain push agrees everywhere.
    plain.setDelay(123.5f);
    stepped.setDelay(123.5f);
    ahead.setDelay(123.5f);
    const float last = plain.push(0.5f);
    EXPECT_EQ(stepped.push(0.5f), last);
    EXPECT_EQ(ahead.push(0.5f), last);
    EXPECT_EQ(ahead.delay(), plain.delay());
}

// The voice bank feeds its comb ring one constant between pulses, and the
// ring then leaves its reads out. Each line must still give what a
// FractionalDelay of the same capacity gives: while the constant has not
// yet filled a line's reach, after long stretches of it, when a line's
// delay grows past what the constant has filled, for delays beyond the
// capacity or not a number, and after clear().
TEST(LaneRings, SameInputPushesGiveWhatEachLineWouldGive) {
    constexpr int kCapacity = 600;
    LaneRings<1> rings(kCapacity);
    std::vector<std::unique_ptr<FractionalDelay>> lines;
    for (int v = 0; v < kNumStrings; ++v) lines.push_back(std::make_unique<FractionalDelay>(0.0f, kCapacity));
    std::uint32_t seed = 9;
    auto noise = [&] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
    };
    float delay[kNumStrings];
    for (int v = 0; v < kNumStrings; ++v) delay[v] = 3.0f + 9.5f * v;
    for (int sample = 0; sample < 12000; ++sample) {
        const int phase = sample % 3000;
        // A pulse of noise, then the constant for the rest of the phase.
        const bool same = phase >= 40;
        if (phase == 0) {
            for (int v = 0; v < kNumStrings; ++v) delay[v] = 2.0f + (kCapacity - 40) * (noise() + 0.5f);
            if (sample == 6000) delay[3] = 1e9f, delay[4] = NAN, delay[5] = -2.0f;
        }
        // A line that reaches farther than the constant has filled.
        if (phase == 1500) delay[7] = static_cast<float>(kCapacity - 1);
        if (sample == 9000) {
            rings.clear();
            for (auto& line : lines) line->clear();
        }
        float x[kNumStrings], got[kNumStrings];
        for (int v = 0; v < kNumStrings; ++v) {
            x[v] = same ? 1e-7f : noise();
            rings.setDelay(0, v, delay[v]);
            lines[v]->setDelay(delay[v]);
        }
        if (same) rings.pushAloneSame(0, 1e-7f, got);
        else rings.pushAlone(0, x, got);
        rings.endSample();
        for (int v = 0; v < kNumStrings; ++v) {
            const float want = lines[v]->push(x[v]);
            ASSERT_EQ(std::bit_cast<std::uint32_t>(got[v]), std::bit_cast<std::uint32_t>(want))
                << "sample " << sample << " voice " << v;
        }
    }
}

TEST(Lfo, IncrementTableAndTick) {
    Lfo lfo(44100.0f);
    lfo.setFrequency(0.5f);
    EXPECT_EQ(lfo.increment(), 48695u);
    EXPECT_FLOAT_EQ(lfo.table(64), 1.0f);
    EXPECT_NEAR(lfo.table(256), 0.0f, 1e-6f);

    Lfo fast(256.0f);
    fast.setFrequency(0.5f);  // half a table step per sample
    EXPECT_FLOAT_EQ(fast.tick(), 0.0f);
    EXPECT_NEAR(fast.tick(), 0.5f * lfo.table(1), 1e-7f);
    EXPECT_NEAR(fast.tick(), lfo.table(1), 1e-7f);
}

// ticks() gives what tick() gives one by one, to the bit: for a slow sweep
// that stays between two table entries for a whole run, across an entry
// and across the phase's wrap, and for a fast one.
TEST(Lfo, TicksInRunsMatchSingleTicks) {
    for (float hz : {0.5f, 1.2f, 900.0f, 20000.0f}) {
        Lfo runs(44100.0f), single(44100.0f);
        runs.setFrequency(hz);
        single.setFrequency(hz);
        for (int block = 0; block < 3000; ++block) {
            const int count = 1 + block % 64;
            float got[64];
            runs.ticks(got, count);
            for (int j = 0; j < count; ++j)
                ASSERT_EQ(std::bit_cast<std::uint32_t>(got[j]), std::bit_cast<std::uint32_t>(single.tick()))
                    << hz << " Hz, block " << block << ", tick " << j;
        }
    }
}

TEST(Lfo, Shapes) {
    Lfo lfo(44100.0f);
    lfo.setShape(Lfo::kTriangle);
    EXPECT_FLOAT_EQ(lfo.table(32), 0.5f);
    EXPECT_FLOAT_EQ(lfo.table(64), 1.0f);
    EXPECT_FLOAT_EQ(lfo.table(192), -1.0f);
    lfo.setShape(Lfo::kSawtooth);
    EXPECT_FLOAT_EQ(lfo.table(0), -1.0f);
    EXPECT_FLOAT_EQ(lfo.table(255), 1.0f);
    EXPECT_FLOAT_EQ(lfo.table(256), -1.0f);
    lfo.setShape(Lfo::kSquare);
    EXPECT_FLOAT_EQ(lfo.table(127), 1.0f);
    EXPECT_FLOAT_EQ(lfo.table(128), -1.0f);
    lfo.setShape(Lfo::kExponent);
    EXPECT_FLOAT_EQ(lfo.table(0), -1.0f);
    EXPECT_FLOAT_EQ(lfo.table(128), 1.0f);
    lfo.setShape(7);  // unknown: unchanged
    EXPECT_FLOAT_EQ(lfo.table(128), 1.0f);
}

TEST(Random, ReproducesTheRuntimeSequencePerThread) {
    resetEngineRandom();
    EXPECT_EQ(engineRandom(), 41);
    EXPECT_EQ(engineRandom(), 18467);
    EXPECT_EQ(engineRandom(), 6334);
    EXPECT_EQ(engineRandom(), 26500);
    resetEngineRandom();
    EXPECT_EQ(engineRandom(), 41);
}

TEST(EngineTables, NoteFrequenciesLimiterAndGlissando) {
    const EngineTables& t = EngineTables::get();
    EXPECT_NEAR(t.noteFrequency[69], 440.0f, 1e-3f);
    EXPECT_NEAR(t.noteFrequency[127], 12543.9f, 0.1f);
    EXPECT_FLOAT_EQ(t.noteFrequency[0], 8.175798915636872f);

    EXPECT_FLOAT_EQ(t.limiter[0], 1.0f);
    EXPECT_FLOAT_EQ(t.limiter[4095], 1.0f);
    EXPECT_FLOAT_EQ(t.limiter[4096], 1.0f);
    EXPECT_FLOAT_EQ(t.limiter[8192], 0.5f);

    const int expected[33] = {0,  2,  4,  5,  7,  9,  11, 12, 14, 16, 17, 19, 21, 23, 24, 26, 28,
                              29, 31, 33, 35, 36, 38, 40, 41, 43, 45, 47, 48, 50, 52, 53, 55};
    EXPECT_EQ(t.glissandoCount, 32);
    for (int g = 0; g <= 32; ++g) EXPECT_EQ(t.glissando(g), expected[g]) << g;
}

// A sine at a share of the host's rate through the decimator at a factor:
// its gain (from the mean square, once the filter has filled).
double decimatedSine(int factor, double share, int frames = 2048) {
    auto d = std::make_unique<Decimator>();
    d->setFactor(factor);
    double sum = 0.0;
    long n = 0, counted = 0;
    std::vector<float> out(Decimator::kChunk);
    for (int done = 0; done < frames; done += Decimator::kChunk) {
        for (int c = 0; c < Decimator::kChannels; ++c) {
            float* in = d->input(c);
            for (int i = 0; i < Decimator::kChunk * factor; ++i)
                in[i] = float(std::sin(2.0 * M_PI * share / factor * double(n + i)));
        }
        n += Decimator::kChunk * factor;
        d->decimate(0, Decimator::kChunk, out.data());
        d->advance(Decimator::kChunk);
        if (done < 512) continue;
        for (float v : out) sum += double(v) * v;
        counted += Decimator::kChunk;
    }
    return std::sqrt(2.0 * sum / double(counted));
}

TEST(Decimator, KeepsTheHostsBandAndStopsWhatWouldFoldIntoIt) {
    for (int factor = 2; factor <= Decimator::kMaxFactor; ++factor) {
        for (double share : {0.01, 0.1, 0.3, 0.4}) EXPECT_NEAR(decimatedSine(factor, share), 1.0, 0.01) << factor << " " << share;
        // 0.5 to 1.5 of the host's rate would come back between 0 and half of it.
        for (double share : {0.5, 0.6, 0.9, 1.3}) EXPECT_LT(decimatedSine(factor, share), 2e-4) << factor << " " << share;
    }
}

// A held value (the idle engine's) comes out exactly, and the filter fills
// from silence when the factor changes.
TEST(Decimator, HeldValuesComeOutAsTheyGoIn) {
    Decimator d;
    d.setFactor(6);
    float out[Decimator::kChunk];
    for (int round = 0; round < 3; ++round) {
        std::fill(d.input(1), d.input(1) + Decimator::kChunk * 6, 0.25f);
        d.decimate(1, Decimator::kChunk, out);
        d.advance(Decimator::kChunk);
    }
    EXPECT_EQ(out[0], 0.25f);
    EXPECT_EQ(out[Decimator::kChunk - 1], 0.25f);
    d.setFactor(3);
    std::fill(d.input(1), d.input(1) + 3, 0.25f);
    d.decimate(1, 1, out);
    EXPECT_LT(out[0], 0.01f);
}

}  // namespace
}  // namespace strellon
