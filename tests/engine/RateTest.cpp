// The engine at every rate it plays at: pitch and decay of low, middle and
// high notes in both loop modes, with and without self-bend; rate changes
// while strings ring; the tails before the engine idles; parameter values
// far outside their range.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "EngineTestSupport.h"

namespace strellon {
namespace {

using test::Player;

constexpr float kRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000, 88200, 96000, 176400, 192000, 384000};
constexpr int kLow = 28, kMiddle = 57, kHigh = 81;

double cents(double f, double reference) { return 1200.0 * std::log2(f / reference); }

// The pitch of a lone note from a short window: early for the high note,
// whose tail is short, later for the others once the pluck has settled.
double lonePitch(float rate, int note, float shaping, float selfBend) {
    Player p(rate);
    p.set(kShaping, shaping);
    p.set(kSelfBend, selfBend);
    p.set(kChorus, 0.0f);
    p.set(kSympathetic, 0.0f);
    p.noteOn(0, note, 100);
    const double from = note > 70 ? 0.05 : 0.3;
    p.render(long(rate * (from + 0.2)));
    const double expected = 440.0 * std::pow(2.0, (note - 69) / 12.0);
    const int minLag = std::max(2, int(rate / (expected * 1.3))), maxLag = int(rate / (expected / 1.3));
    return rate / test::period(p.left, size_t(rate * from), size_t(rate * 0.1), minLag, maxLag);
}

// Each note keeps, at every rate, the pitch it has at 44.1 kHz (which holds
// the design's stretch) within a quarter tone; most stay within a few cents.
// Below 25 kHz the engine runs at a multiple of the rate near 44.1 kHz,
// where every note is within a few cents.
TEST(Rates, EveryNoteKeepsItsPitchAtEveryRate) {
    for (float shaping : {0.5f, 0.99f}) {
        for (float selfBend : {0.0f, 0.5f}) {
            for (int note : {kLow, kMiddle, kHigh}) {
                const double reference = lonePitch(44100.0f, note, shaping, selfBend);
                std::printf("shaping %.2f self-bend %.1f note %3d (%.2f Hz at 44.1 kHz), cents:", shaping, selfBend,
                            note, reference);
                for (float rate : kRates) {
                    const double f = lonePitch(rate, note, shaping, selfBend);
                    std::printf(" %g:%+.1f", rate / 1000.0f, cents(f, reference));
                    const double tolerance = rate < SoundEngine::kOversampledBelow ? 6.0 : 50.0;
                    EXPECT_NEAR(cents(f, reference), 0.0, tolerance) << rate << " Hz, note " << note << ", shaping "
                                                                 << shaping << ", self-bend " << selfBend;
                }
                std::printf("\n");
            }
        }
    }
}

// Below 25 kHz the engine runs at a multiple of the rate and brings its
// output down: notes keep the pitch they have at 44.1 kHz and the level they
// have at the rate the engine runs at, without what lies above the host's
// Nyquist frequency; in both loop modes and in the band whose output
// follows the note (0.89).
constexpr float kLowRates[] = {8000, 11025, 16000};

double loneLevel(float rate, int note, float shaping) {
    Player p(rate);
    p.set(kChorus, 0.0f);
    p.set(kShaping, shaping);
    p.noteOn(0, note, 100);
    p.render(long(rate * 0.5));
    EXPECT_TRUE(test::allFinite(p.left)) << rate;
    EXPECT_LT(test::peak(p.left), 2.0) << rate;
    return test::rms(p.left, size_t(rate * 0.05), p.left.size());
}

TEST(LowRates, NotesKeepTheirPitchAndLevel) {
    for (float shaping : {0.5f, 0.89f, 0.99f}) {
        for (int note : {kLow, kMiddle, kHigh}) {
            const double reference = lonePitch(44100.0f, note, shaping, 0.0f);
            for (float rate : kLowRates) {
                const std::string where = std::to_string(int(rate)) + " Hz, note " + std::to_string(note) +
                                          ", shaping " + std::to_string(shaping);
                EXPECT_NEAR(cents(lonePitch(rate, note, shaping, 0.0f), reference), 0.0, 6.0) << where;
                const float inner = rate * float(SoundEngine::oversampling(rate));
                const double level = loneLevel(rate, note, shaping), full = loneLevel(inner, note, shaping);
                EXPECT_NEAR(20.0 * std::log10(level / full), 0.0, 0.5) << where;
            }
        }
    }
}

TEST(LowRates, TheEngineRunsNearFortyFourKilohertz) {
    for (float rate : kLowRates) {
        Player p(rate);
        EXPECT_EQ(p.engine->sampleRate(), rate);
        EXPECT_GE(p.engine->innerRate(), 32000.0f);
        EXPECT_LT(p.engine->innerRate(), 50000.0f);
    }
    EXPECT_EQ(SoundEngine::oversampling(8000.0f), 6);
    EXPECT_EQ(SoundEngine::oversampling(11025.0f), 4);
    EXPECT_EQ(SoundEngine::oversampling(16000.0f), 3);
    EXPECT_EQ(SoundEngine::oversampling(22050.0f), 2);
    EXPECT_EQ(SoundEngine::oversampling(24000.0f), 2);
    EXPECT_EQ(SoundEngine::oversampling(24999.0f), 2);
    EXPECT_EQ(SoundEngine::oversampling(25000.0f), 1);
    EXPECT_EQ(SoundEngine::oversampling(384000.0f), 1);
}

// A note-on at frame k of a block sounds from output frame k on (not from
// k times the factor), with the bulk of its pluck after the low-pass's
// delay of some 32 frames.
TEST(LowRates, ANoteStartsAtItsFrame) {
    constexpr long kAt = 512 + 300;  // frame 300 of the second block
    auto onset = [](const std::vector<float>& x) {
        const double loud = test::peak(x);
        size_t i = 0;
        while (i < x.size() && std::fabs(x[i]) < 0.1 * loud) ++i;
        return long(i) - kAt;
    };
    Player reference(44100.0f, VoicePath::kFast, 512);
    reference.noteOn(kAt, kMiddle, 100);
    reference.render(kAt + 4096);
    const double expected = onset(reference.left) / 44100.0;
    for (float rate : kLowRates) {
        Player p(rate, VoicePath::kFast, 512);
        p.noteOn(kAt, kMiddle, 100);
        p.render(kAt + 1024);
        long first = 0;
        while (first < long(p.left.size()) && p.left[first] == 0.0f) ++first;
        EXPECT_EQ(first, kAt) << rate;
        EXPECT_NEAR(onset(p.left) / rate, expected + 32.0 / rate, 0.0005) << rate;
    }
}

// A lone note rings out below -90 dB of its peak (as heard, below the
// host's Nyquist frequency) before the engine idles, as at 44.1 kHz.
TEST(LowRates, TailsDecayBeforeTheEngineIdles) {
    for (float rate : {8000.0f, 11025.0f}) {
        for (float shaping : {0.5f, 0.99f}) {
            for (int note : {33, 57, 81}) {
                Player p(rate, VoicePath::kFast, 64);
                p.set(kChorus, 0.0f);
                p.set(kShaping, shaping);
                p.noteOn(0, note, 100);
                bool idle = false;
                while (!idle && p.left.size() < size_t(rate * 40)) {
                    p.render(64);
                    idle = !p.engine->isActive();
                }
                ASSERT_TRUE(idle) << rate;
                const double loudest = test::peak(p.left);
                const size_t end = p.left.size() - 64;
                const double tail = test::peak(p.left, end - size_t(rate * 0.04), end);
                EXPECT_LT(tail, loudest * 3.2e-5) << rate << " Hz, note " << note << ", shaping " << shaping;
                EXPECT_LT(std::fabs(p.left.back()), loudest * 3.2e-5) << rate;
            }
        }
    }
}

// The host may pass more frames than it announced, or fewer; the engine
// works through them in chunks, so the samples are the same for any block
// length, and events land where they belong. (The chord's first note comes
// at frame 0 and the strings ring on, so no block wakes the engine early.
// Controllers act on the whole block at any rate, so none is sent.)
TEST(LowRates, BlockLengthDoesNotChangeTheSamples) {
    auto perform = [](int block, int announced) {
        Player p(8000.0f, VoicePath::kFast, block);
        p.engine->setBlockSize(announced);
        p.set(kDynaTone, 0.4f);
        p.set(kDamp, 0.5f);
        for (int k = 0; k < 14; ++k) {
            p.noteOn(k * 333, 40 + (k * 5) % 50, 60 + k * 4);
            if (k == 7) p.noteOff(2500, 45);  // in time order, as hosts send them
        }
        p.render(6000);
        return p.left;
    };
    const std::vector<float> single = perform(1, 1);
    ASSERT_TRUE(test::allFinite(single));
    for (auto [block, announced] : {std::pair{256, 256}, {1000, 64}, {6000, 512}, {77, 4096}}) {
        const std::vector<float> other = perform(block, announced);
        EXPECT_EQ(std::memcmp(single.data(), other.data(), single.size() * sizeof(float)), 0) << block;
    }
}

// A note rings out until the engine idles, and another wakes it at a block
// start: the same samples for any block length, while idle as well.
TEST(LowRates, IdleAndWakeAlikeForAnyBlockLength) {
    auto perform = [](int block) {
        Player p(11025.0f, VoicePath::kFast, block);
        p.set(kDamp, 0.6f);
        p.noteOn(0, 76, 100);
        p.noteOff(2000, 76);
        p.noteOn(65536, 64, 90);
        p.render(65536);
        EXPECT_FALSE(p.engine->isActive()) << block;
        p.render(8192);
        return p.left;
    };
    const std::vector<float> reference = perform(4096);
    ASSERT_TRUE(test::allFinite(reference));
    EXPECT_GT(test::peak(reference, 65536), 0.01);
    for (int block : {256, 512, 1024}) {
        const std::vector<float> other = perform(block);
        EXPECT_EQ(std::memcmp(reference.data(), other.data(), reference.size() * sizeof(float)), 0) << block;
    }
}

// A tone section driven past stability is reset at low rates too, and
// what the low-pass still holds of it does not linger: a later note sounds
// as usual.
TEST(LowRates, ABlownUpToneSectionIsResetNotKept) {
    for (float rate : kLowRates) {
        Player p(rate);
        p.set(kDynaTone, 3.0f);
        for (int key : {48, 55, 60, 64, 67, 72}) p.noteOn(long(rate * 0.0015 * key), key, 120);
        p.render(long(rate));
        ASSERT_TRUE(test::allFinite(p.left) && test::allFinite(p.right)) << rate;
        p.set(kDynaTone, 0.6f);
        const long start = long(p.left.size());
        p.noteOn(start, 62, 100);
        p.render(long(rate / 2));
        const double loudest = test::peak(p.left, size_t(start));
        EXPECT_GT(loudest, 0.01) << rate;
        EXPECT_LT(loudest, 2.0) << rate;
    }
}

// A low string's level and sound die away over twenty seconds at every rate;
// at 192 kHz the level used to climb without end, and with self-bend the
// pitch with it.
TEST(Rates, LowNotesDecayWithoutRunawayForTwentySeconds) {
    for (float rate : kRates) {
        for (float shaping : {0.5f, 0.99f}) {
            Player p(rate, VoicePath::kFast, 4096);
            p.set(kShaping, shaping);
            p.set(kSelfBend, 0.5f);
            p.set(kChorus, 0.0f);
            p.set(kSympathetic, 0.0f);  // the level is the string's own
            p.noteOn(0, kLow, 110);
            float loudest = 0.0f;
            double firstSecond = 0.0;
            bool finite = true;
            const long half = long(rate * 0.5);
            for (int step = 0; step < 40; ++step) {
                p.left.clear();
                p.right.clear();
                p.render(half);
                const float level = p.engine->voiceLevel(0);
                finite = finite && std::isfinite(level) && test::allFinite(p.left);
                if (step < 2) {
                    loudest = std::max(loudest, level);
                    firstSecond = std::max(firstSecond, test::rms(p.left, 0, p.left.size()));
                } else {
                    ASSERT_LE(level, loudest * 1.5f) << rate << " Hz, shaping " << shaping << ", at " << step * 0.5 << " s";
                }
            }
            EXPECT_TRUE(finite) << rate;
            EXPECT_LT(test::rms(p.left, 0, p.left.size()), firstSecond * 1e-2) << rate << " Hz, shaping " << shaping;
            EXPECT_LT(p.engine->voiceLevel(0), loudest * 0.1f) << rate << " Hz, shaping " << shaping;
        }
    }
}

// The case that glided up and turned to noise at 192 kHz.
TEST(Rates, SelfBendGivesTheSamePitchAtHighRates) {
    auto pitchAt = [](float rate, double from) {
        Player p(rate);
        p.set(kShaping, 0.5f);
        p.set(kSelfBend, 0.3f);
        p.set(kChorus, 0.0f);
        p.set(kSympathetic, 0.0f);
        p.noteOn(0, 36, 120);
        p.render(long(rate * (from + 0.25)));
        return rate / test::period(p.left, size_t(rate * from), size_t(rate * 0.15), int(rate / 80), int(rate / 50));
    };
    for (double from : {0.3, 1.2}) {
        const double reference = pitchAt(44100.0f, from);
        EXPECT_NEAR(reference, 65.4, 0.5);
        for (float rate : {96000.0f, 192000.0f, 384000.0f}) EXPECT_NEAR(cents(pitchAt(rate, from), reference), 0.0, 10.0) << rate;
    }
}

// A host changes the rate between blocks while strings ring, with or
// without suspend and resume: the sound stays finite and bounded, and new
// notes get the loop lengths a fresh engine gives them at the new rate.
TEST(Rates, RateChangesWhileStringsRing) {
    constexpr int kOld[] = {48, 55, 60, 64, 67, 72}, kNew[] = {80, 87, 98, 102, 105, 116};
    std::array<std::array<float, 6>, std::size(kRates)> fresh{};
    for (size_t b = 0; b < std::size(kRates); ++b) {
        for (int n = 0; n < 6; ++n) {
            Player p(kRates[b]);
            p.set(kSympathetic, 0.0f);
            p.noteOn(0, kNew[n], 120);
            p.render(1);
            fresh[b][n] = p.engine->voiceLengthUnit(0);
        }
    }
    for (float from : kRates) {
        for (size_t b = 0; b < std::size(kRates); ++b) {
            const float to = kRates[b];
            for (int round = 0; round < 4; ++round) {
                const bool resume = round & 1, sympathetic = round & 2;
                Player p(from);
                p.set(kSympathetic, sympathetic ? 0.8f : 0.0f);
                for (int key : kOld) p.noteOn(0, key, 120);
                p.render(20 * 512);
                p.engine->setSampleRate(to);
                if (resume) p.engine->resume();
                // The old chord shares one voice (its notes come on one
                // sample); the new notes come apart, each to its own voice.
                const long start = long(p.left.size());
                for (int n = 0; n < 6; ++n) p.noteOn(start + 512 * n, kNew[n], 120);
                p.render(3072 + long(to * 0.1));
                const double loudest = std::max(test::peak(p.left, start), test::peak(p.right, start));
                ASSERT_TRUE(test::allFinite(p.left) && test::allFinite(p.right)) << from << " to " << to;
                ASSERT_LT(loudest, 4.0) << from << " to " << to << (resume ? " with resume" : "");
                // The sympathetic feed keeps quiet voices above the level
                // at which they are free, so new notes take voices by
                // rotation, maybe each other's; without it each has its own.
                if (sympathetic) continue;
                for (int n = 0; n < 6; ++n) {
                    int voice = 0;
                    while (voice < kNumStrings && p.engine->currentNote(voice) != kNew[n]) ++voice;
                    ASSERT_LT(voice, kNumStrings) << from << " to " << to << ", note " << kNew[n];
                    EXPECT_EQ(p.engine->voiceLengthUnit(voice), fresh[b][n]) << from << " to " << to << ", note " << kNew[n];
                }
            }
        }
    }
}

// A lone note rings until it is 90 dB below its peak before the engine
// idles, at low, middle and high pitches, in both loop modes, with and
// without the sympathetic feed; the output then holds a value that low.
TEST(Tails, LoneNotesDecayBelowNinetyDecibelsBeforeTheEngineIdles) {
    for (float shaping : {0.5f, 0.89f, 0.99f}) {
        for (float sympathetic : {0.0f, 0.8f}) {
            for (int note : {33, 57, 81}) {
                Player p(44100.0f, VoicePath::kFast, 1024);
                p.set(kShaping, shaping);
                p.set(kSympathetic, sympathetic);
                p.set(kChorus, 0.0f);
                p.noteOn(0, note, 100);
                bool idle = false;
                while (!idle && p.left.size() < 44100u * 40) {
                    p.render(1024);
                    idle = !p.engine->isActive();
                }
                ASSERT_TRUE(idle) << note;
                const double loudest = test::peak(p.left);
                const size_t end = p.left.size() - 1024;  // before the block it idled in
                const double tail = test::peak(p.left, end - 2048, end);
                EXPECT_LT(tail, loudest * 3.2e-5) << "note " << note << ", shaping " << shaping << ", sympathetic "
                                                  << sympathetic << ", idle after " << p.left.size() / 44100.0 << " s";
                EXPECT_LT(std::fabs(p.left.back()), loudest * 3.2e-5);
            }
        }
    }
}

// Values far beyond any setting's range reach no sound: the engine keeps the
// last value it heard for that parameter. The host keeps what it stored.
TEST(HugeValues, ParametersFarOutOfRangeDoNotReachTheSound) {
    for (int index = 12; index < kNumParams; ++index) {
        for (float huge : {1e30f, -1e6f}) {
            Player p;
            p.render(64);
            p.set(index, huge);
            for (int key : {48, 55, 60, 64, 67, 72}) p.noteOn(100, key, 120);
            p.render(8192);
            EXPECT_EQ(p.params[index].load(), huge);
            ASSERT_TRUE(test::allFinite(p.left) && test::allFinite(p.right)) << index;
            EXPECT_LT(std::max(test::peak(p.left), test::peak(p.right)), 4.0) << index << " = " << huge;
        }
    }
}

// The same values arriving while a chord rings and then taken back: what
// was heard before goes on, and nothing is left blown up afterwards.
TEST(HugeValues, VolumeSetHugeAndBackLeavesNothingBehind) {
    Player p;
    for (int key : {48, 55, 60, 64, 67, 72}) p.noteOn(0, key, 120);
    p.render(4410);
    p.set(kVolume, 1e30f);
    p.render(4410);
    p.set(kVolume, 1.0f);
    p.render(88200);
    EXPECT_LT(test::peak(p.left), 4.0);
    EXPECT_LT(test::peak(p.right, p.right.size() - 4410), 0.5);
}

// A tone section driven past stability runs away behind its limiter while
// the output stays small: the runaway state is reset like a non-finite one
// and cannot stick, so a later note sounds as usual.
TEST(HugeValues, ABlownUpToneSectionIsResetNotKept) {
    Player p;
    p.set(kDynaTone, 3.0f);
    for (int key : {48, 55, 60, 64, 67, 72}) p.noteOn(64 * key, key, 120);
    p.render(44100);
    ASSERT_TRUE(test::allFinite(p.left) && test::allFinite(p.right));
    p.set(kDynaTone, 0.6f);
    const long start = long(p.left.size());
    p.noteOn(start, 62, 100);
    p.render(22050);
    const double loudest = test::peak(p.left, size_t(start));
    EXPECT_GT(loudest, 0.01);
    EXPECT_LT(loudest, 2.0);
}

}  // namespace
}  // namespace strellon
