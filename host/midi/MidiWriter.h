// Builds Standard MIDI Files in memory: the bundled demo piece is written
// with it, and the tests make their files with it. Any thread.
#pragma once

#include <cstdint>
#include <vector>

namespace strellon::midi {

class MidiWriter {
public:
    // format 0 or 1; division in ticks per quarter note.
    explicit MidiWriter(int format = 1, int division = 480);

    // Adds an empty track and returns its index.
    int addTrack();

    void noteOn(int track, std::uint64_t tick, int channel, int key, int velocity);
    void noteOff(int track, std::uint64_t tick, int channel, int key);
    void control(int track, std::uint64_t tick, int channel, int controller, int value);
    void program(int track, std::uint64_t tick, int channel, int program);
    void pitchBend(int track, std::uint64_t tick, int channel, int value14);
    void tempo(int track, std::uint64_t tick, std::uint32_t microsPerQuarter);
    void trackName(int track, std::uint64_t tick, const char* name);
    void sysex(int track, std::uint64_t tick, const std::vector<std::uint8_t>& body);
    // Any raw event bytes after the delta time (for odd or broken files).
    void raw(int track, std::uint64_t tick, std::vector<std::uint8_t> bytes);
    // The end-of-track event goes at this tick, or at the last event if later.
    void endAt(int track, std::uint64_t tick);

    // The whole file. With runningStatus, repeated status bytes are left out.
    std::vector<std::uint8_t> bytes(bool runningStatus = true) const;

private:
    struct Event {
        std::uint64_t tick;
        std::vector<std::uint8_t> bytes;
    };
    struct Track {
        std::vector<Event> events;
        std::uint64_t end = 0;
    };

    void channel(int track, std::uint64_t tick, int status, int channel, int data1, int data2);

    int format_;
    int division_;
    std::vector<Track> tracks_;
};

}  // namespace strellon::midi
