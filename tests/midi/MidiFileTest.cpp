#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include <unistd.h>

#include "host/midi/MidiFile.h"
#include "tests/midi/Corpus.h"

namespace strellon::midi {
namespace {

MidiFile parsed(const corpus::Bytes& bytes) {
    MidiFile file;
    MidiError error;
    EXPECT_TRUE(parseMidi(bytes, file, error)) << "byte " << error.offset << ": " << error.message;
    return file;
}

TEST(MidiReader, Format0WithRunningStatusAndVelocityZeroNoteOffs) {
    const MidiFile file = parsed(corpus::scaleFormat0());
    EXPECT_EQ(file.format, 0);
    EXPECT_EQ(file.division, 480);
    ASSERT_EQ(file.events.size(), 16u);
    // Velocity-0 note-ons stay note-ons: the plug-in decides what they mean.
    EXPECT_EQ(file.events[1].status, 0x90);
    EXPECT_EQ(file.events[1].data1, 60);
    EXPECT_EQ(file.events[1].data2, 0);
    EXPECT_EQ(file.events[2].data1, 62);
    EXPECT_EQ(file.events[2].size, 3);
    // 120 beats per minute by default: 240 ticks of 480 are a quarter second.
    EXPECT_DOUBLE_EQ(file.events[2].seconds, 0.25);
    EXPECT_DOUBLE_EQ(file.events[15].seconds, (7 * 240 + 200) / 960.0);
    EXPECT_DOUBLE_EQ(file.lengthSeconds, file.events[15].seconds);
}

TEST(MidiReader, Format1MergesTracksAndFollowsTempoChanges) {
    const MidiFile file = parsed(corpus::tempoFormat1());
    EXPECT_EQ(file.format, 1);
    EXPECT_EQ(file.trackCount, 3);
    ASSERT_EQ(file.events.size(), 9u);  // the sysex is skipped
    // Same tick on two tracks: track order.
    EXPECT_EQ(file.events[0].status, 0x91);
    EXPECT_EQ(file.events[0].track, 1);
    EXPECT_EQ(file.events[1].status, 0x99);
    EXPECT_EQ(file.events[1].track, 2);
    // First beat at 0.5 s per quarter, then 1 s per quarter.
    EXPECT_DOUBLE_EQ(file.events[2].seconds, 0.5);
    EXPECT_DOUBLE_EQ(file.events[4].seconds, 1.5);
    EXPECT_EQ(file.events[5].status, 0xBF);
    EXPECT_EQ(file.events[6].status, 0xC1);  // program change: two bytes
    EXPECT_EQ(file.events[6].size, 2);
    EXPECT_EQ(file.events[6].data1, 5);
    EXPECT_DOUBLE_EQ(file.events[6].seconds, 2.0);
    EXPECT_EQ(file.events[7].status, 0xE9);
    EXPECT_EQ(file.events[7].data2, 0x40);
    EXPECT_DOUBLE_EQ(file.lengthSeconds, 0.5 + 3.0);  // track 2 ends at tick 384
    EXPECT_DOUBLE_EQ(ticksToSeconds(file, 48), 0.25);
}

TEST(MidiReader, SmpteDivisionAndUnknownChunks) {
    corpus::Bytes bytes = corpus::smpte();
    // A chunk of an unknown type between header and track is skipped.
    const corpus::Bytes alien{'X', 'y', 'z', 'w', 0, 0, 0, 3, 1, 2, 3};
    bytes.insert(bytes.begin() + 14, alien.begin(), alien.end());
    const MidiFile file = parsed(bytes);
    ASSERT_EQ(file.events.size(), 2u);
    EXPECT_NEAR(file.events[0].seconds, 0.5, 1e-12);
    EXPECT_NEAR(file.events[1].seconds, 1.5, 1e-12);
}

TEST(MidiReader, RunningStatusSurvivesMetaEventsAndTempoAtOneTickTakesTheLast) {
    MidiWriter w(0, 100);
    const int t = w.addTrack();
    w.tempo(t, 0, 250000);
    w.tempo(t, 0, 1000000);
    w.noteOn(t, 0, 3, 60, 1);
    w.raw(t, 10, {0xFF, 0x01, 0x01, 'x'});
    w.raw(t, 10, {61, 2});  // data bytes only: the note-on status still runs
    const MidiFile file = parsed(w.bytes(false));
    ASSERT_EQ(file.events.size(), 2u);
    EXPECT_EQ(file.events[1].status, 0x93);
    EXPECT_EQ(file.events[1].data1, 61);
    EXPECT_DOUBLE_EQ(file.events[1].seconds, 0.1);
}

struct BadCase {
    const char* name;
    corpus::Bytes bytes;
    std::size_t offset;
    const char* says;
};

corpus::Bytes header(int format, int tracks, int division) {
    return {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, static_cast<std::uint8_t>(format), 0,
            static_cast<std::uint8_t>(tracks), static_cast<std::uint8_t>(division >> 8),
            static_cast<std::uint8_t>(division)};
}

corpus::Bytes withTrack(corpus::Bytes head, const corpus::Bytes& body) {
    head.insert(head.end(), {'M', 'T', 'r', 'k', 0, 0, 0, static_cast<std::uint8_t>(body.size())});
    head.insert(head.end(), body.begin(), body.end());
    return head;
}

TEST(MidiReader, MalformedFilesSayWhatAndWhere) {
    const corpus::Bytes h = header(0, 1, 96);
    corpus::Bytes truncatedTrack = corpus::scaleFormat0();
    truncatedTrack.resize(truncatedTrack.size() - 5);
    const std::vector<BadCase> cases = {
        {"empty", {}, 0, "too short"},
        {"not midi", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, "no MThd"},
        {"short header chunk", {'M', 'T', 'h', 'd', 0, 0, 0, 2, 0, 0, 0, 1, 0, 96}, 4, "header chunk of 2"},
        {"format 2", header(2, 1, 96), 8, "format 2"},
        {"no tracks", header(1, 0, 96), 10, "no tracks"},
        {"format 0 with two tracks", header(0, 2, 96), 10, "format 0 with 2"},
        {"zero division", header(0, 1, 0), 12, "division"},
        {"missing track", h, 14, "ends after 0 of 1"},
        {"truncated track", truncatedTrack, 18, "claims"},
        {"data without status", withTrack(h, {0, 0x40, 0x40}), 23, "without a status"},
        {"truncated message", withTrack(h, {0, 0x90, 0x40}), 25, "inside a channel message"},
        {"status inside message", withTrack(h, {0, 0x90, 0x40, 0x90}), 25, "where data"},
        {"long delta", withTrack(h, {0x81, 0x81, 0x81, 0x81, 0x01}), 22, "longer than four"},
        {"truncated delta", withTrack(h, {0x81}), 22, "inside a delta"},
        {"meta past end", withTrack(h, {0, 0xFF, 0x01, 0x09, 'a'}), 23, "meta event runs past"},
        {"bad tempo", withTrack(h, {0, 0xFF, 0x51, 0x02, 1, 2}), 23, "tempo event of 2"},
        {"zero tempo", withTrack(h, {0, 0xFF, 0x51, 0x03, 0, 0, 0}), 23, "tempo of zero"},
        {"system common", withTrack(h, {0, 0xF2, 0, 0}), 23, "unexpected status byte 0xF2"},
        {"sysex past end", withTrack(h, {0, 0xF0, 0x05, 1}), 23, "system-exclusive"},
        {"delta then nothing", withTrack(h, {0x00}), 23, "after a delta"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        MidiFile file;
        MidiError error;
        EXPECT_FALSE(parseMidi(c.bytes, file, error));
        EXPECT_EQ(error.offset, c.offset);
        EXPECT_NE(error.message.find(c.says), std::string::npos) << error.message;
    }
}

TEST(MidiReader, FileErrorsNameThePathAndOffset) {
    MidiFile file;
    std::string error;
    EXPECT_FALSE(readMidiFile("/nonexistent/piece.mid", file, error));
    EXPECT_NE(error.find("/nonexistent/piece.mid: "), std::string::npos) << error;

    const std::string path = testing::TempDir() + "strellon_bad_" + std::to_string(::getpid()) + ".mid";
    corpus::Bytes bytes = header(0, 1, 96);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    EXPECT_FALSE(readMidiFile(path, file, error));
    EXPECT_EQ(error, path + ": byte 14: file ends after 0 of 1 tracks");
    std::remove(path.c_str());
}

}  // namespace
}  // namespace strellon::midi
