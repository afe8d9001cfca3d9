// Reads Standard MIDI Files (formats 0 and 1) into one time-ordered list of
// channel messages with their times in seconds. Meta and system-exclusive
// events are skipped; only the tempo and time signature changes among them
// are kept, for the tempo and meter maps. Any thread; the reader keeps no
// state between calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace strellon::midi {

// One channel message (status 0x80..0xEF) of the file.
struct MidiEvent {
    double seconds = 0.0;   // from the start of the piece, through the tempo map
    std::uint64_t tick = 0; // absolute tick in the file's division
    std::uint16_t track = 0;
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;  // 0 for one-data-byte messages
    std::uint8_t size = 0;   // 2 or 3 bytes
};

struct TempoChange {
    std::uint64_t tick = 0;
    std::uint32_t microsPerQuarter = 500000;
    double seconds = 0.0;  // time of the change
};

struct MeterChange {
    std::uint64_t tick = 0;
    int numerator = 4;
    int denominator = 4;
};

struct MidiFile {
    int format = 0;
    int trackCount = 0;
    int division = 0;  // the raw header word: ticks per quarter, or SMPTE when negative
    std::vector<MidiEvent> events;       // by time; equal ticks keep track order, then file order
    std::vector<TempoChange> tempoMap;   // by tick, from tick 0 (120 beats per minute until a change); empty for SMPTE time
    std::vector<MeterChange> meterMap;   // by tick, from tick 0 (4/4 until a change); empty for SMPTE time
    double lengthSeconds = 0.0;          // the latest end of track
};

// Where and why a file could not be read.
struct MidiError {
    std::size_t offset = 0;  // byte offset in the file
    std::string message;
};

// Parses a whole file held in memory. Returns false and fills error on any
// malformed, truncated or unsupported input; never reads out of bounds.
bool parseMidi(const std::uint8_t* data, std::size_t size, MidiFile& file, MidiError& error);
bool parseMidi(const std::vector<std::uint8_t>& bytes, MidiFile& file, MidiError& error);

// Reads and parses a file. Errors read "PATH: byte N: what" or "PATH: what".
bool readMidiFile(const std::string& path, MidiFile& file, std::string& error);

// Seconds at a tick, through the division and tempo map of the file.
double ticksToSeconds(const MidiFile& file, std::uint64_t tick);

// Where a moment of the piece falls in its music, as a host tells it to a
// plug-in. Bars are counted from each time signature change.
struct MusicalTime {
    double quarters = 0.0;  // quarter notes from the start
    double tempo = 120.0;   // quarter notes per minute
    double barStart = 0.0;  // quarter note at which the current bar began
    int numerator = 4;
    int denominator = 4;
};
// False for SMPTE-timed files, which have no tempo map.
bool musicalTimeAt(const MidiFile& file, double seconds, MusicalTime& out);

}  // namespace strellon::midi
