#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "host/midi/MidiFile.h"
#include "host/render/DemoPiece.h"
#include "tests/render/RenderTestSupport.h"

namespace strellon::render {
namespace {

using testing::Audio;

// The demo has to show the instrument off: the whole range and every
// string, the controller-1 glissando, volume, and program changes.
TEST(DemoPiece, ShowsTheInstrumentOff) {
    midi::MidiFile piece;
    midi::MidiError error;
    ASSERT_TRUE(midi::parseMidi(demoPiece(), piece, error)) << error.message;
    EXPECT_GE(piece.lengthSeconds, 30.0);
    EXPECT_LE(piece.lengthSeconds, 55.0);  // leaves room for the tail within a minute

    std::set<int> pitchClasses, programs;
    int lowest = 127, highest = 0, glissandoLow = 127, glissandoHigh = 0, volumeChanges = 0;
    for (const midi::MidiEvent& e : piece.events) {
        const int kind = e.status & 0xF0;
        if (kind == 0x90 && e.data2 > 0) {
            pitchClasses.insert(e.data1 % 12);
            lowest = std::min(lowest, static_cast<int>(e.data1));
            highest = std::max(highest, static_cast<int>(e.data1));
        } else if (kind == 0xB0 && e.data1 == 1) {
            glissandoLow = std::min(glissandoLow, static_cast<int>(e.data2));
            glissandoHigh = std::max(glissandoHigh, static_cast<int>(e.data2));
        } else if (kind == 0xB0 && e.data1 == 7) {
            ++volumeChanges;
        } else if (kind == 0xC0) {
            programs.insert(e.data1);
        }
    }
    EXPECT_EQ(pitchClasses.size(), 12u);
    EXPECT_LE(lowest, 40);
    EXPECT_GE(highest, 90);
    EXPECT_EQ(glissandoLow, 0);
    EXPECT_EQ(glissandoHigh, 127);
    EXPECT_GE(volumeChanges, 2);
    EXPECT_GE(programs.size(), 2u);
    EXPECT_GT(piece.tempoMap.size(), 1u);
}

// Heard through our instrument, part of the demo is wide stereo (the chorus)
// and none of it clips.
TEST(DemoPiece, ThroughStrellonPartIsStereoAndNothingClips) {
    if (!std::filesystem::exists(STRELLON_PLUGIN)) GTEST_SKIP() << "Strellon.so is not built";
    testing::Scratch scratch;
    const testing::CommandRun run =
        testing::render({"--plugin", STRELLON_PLUGIN, "--format", "wav32f", "-o", scratch.path("demo.wav")});
    ASSERT_EQ(run.status, 0) << run.err;
    const Audio audio = testing::readAudio(scratch.path("demo.wav"));
    ASSERT_EQ(audio.channels, 2);
    EXPECT_LT(testing::peakOf(audio.samples), 1.0f);
    // Seconds in which the side signal (L - R) is within 20 dB of the middle.
    int wide = 0;
    for (std::int64_t second = 0; second + 1 <= audio.frames / audio.rate; ++second) {
        double middle = 0.0, side = 0.0;
        for (std::int64_t i = second * audio.rate; i < (second + 1) * audio.rate; ++i) {
            const double l = audio.samples[static_cast<std::size_t>(2 * i)];
            const double r = audio.samples[static_cast<std::size_t>(2 * i + 1)];
            middle += (l + r) * (l + r);
            side += (l - r) * (l - r);
        }
        if (middle > 0.0 && side > 0.01 * middle) ++wide;
    }
    EXPECT_GE(wide, 10) << "seconds of wide stereo";
}

}  // namespace
}  // namespace strellon::render
