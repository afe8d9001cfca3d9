// Small MIDI files that cover what the reader must handle: the unit tests
// check them by name, and the fuzzer mutates all of them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/midi/MidiWriter.h"

namespace strellon::midi::corpus {

using Bytes = std::vector<std::uint8_t>;

// Format 0: a C-major scale on one channel, written with running status.
inline Bytes scaleFormat0() {
    MidiWriter w(0, 480);
    const int t = w.addTrack();
    w.trackName(t, 0, "scale");
    const int keys[] = {60, 62, 64, 65, 67, 69, 71, 72};
    for (int i = 0; i < 8; ++i) {
        w.noteOn(t, i * 240, 0, keys[i], 100);
        w.noteOn(t, i * 240 + 200, 0, keys[i], 0);  // note-off as velocity 0
    }
    return w.bytes(true);
}

// Format 1: a tempo track that halves the speed after one beat, and two
// note tracks on other channels with events at the same ticks.
inline Bytes tempoFormat1() {
    MidiWriter w(1, 96);
    const int conductor = w.addTrack();
    w.tempo(conductor, 0, 500000);
    w.tempo(conductor, 96, 1000000);
    const int a = w.addTrack();
    const int b = w.addTrack();
    w.noteOn(a, 0, 1, 48, 90);
    w.noteOn(b, 0, 9, 36, 80);
    w.noteOff(a, 96, 1, 48);
    w.noteOff(b, 96, 9, 36);
    w.noteOn(a, 192, 1, 50, 90);
    w.control(b, 192, 15, 7, 100);
    w.sysex(b, 200, {0x7E, 0x7F, 0x09, 0x01, 0xF7});
    w.program(a, 240, 1, 5);
    w.pitchBend(b, 240, 9, 0x2000);
    w.noteOff(a, 288, 1, 50);
    w.endAt(b, 384);
    return w.bytes(true);
}

// SMPTE time: 25 frames of 40 ticks, so one tick is a millisecond.
inline Bytes smpte() {
    MidiWriter w(0, static_cast<int>(((256 - 25) << 8) | 40) - 65536);
    const int t = w.addTrack();
    w.noteOn(t, 500, 0, 64, 64);
    w.noteOff(t, 1500, 0, 64);
    return w.bytes(false);
}

inline std::vector<std::pair<std::string, Bytes>> all() {
    return {{"scaleFormat0", scaleFormat0()}, {"tempoFormat1", tempoFormat1()}, {"smpte", smpte()}};
}

}  // namespace strellon::midi::corpus
