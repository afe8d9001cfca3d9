#include <gtest/gtest.h>

#include <set>

#include "host/midi/MidiFile.h"
#include "host/render/DemoPiece.h"

namespace strellon::render {
namespace {

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

}  // namespace
}  // namespace strellon::render
