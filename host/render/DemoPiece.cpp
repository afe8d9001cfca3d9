#include "host/render/DemoPiece.h"

#include <algorithm>

#include "host/midi/MidiWriter.h"

namespace strellon::render {

namespace {

using midi::MidiWriter;

constexpr int kQuarter = 480;
constexpr int kSixteenth = kQuarter / 4;
constexpr int kBar = 4 * kQuarter;

// Factory programs of the instrument, chosen by number through MIDI
// program changes (the renderer turns them into program calls).
constexpr int kCelticHarp = 3;
constexpr int kRiverHarp = 33;
constexpr int kDulcimer = 9;       // tone section and stereo chorus
constexpr int kRingingTree = 25;   // the same, brighter, with a longer ring

struct Writer {
    MidiWriter& w;
    int track;

    void note(std::uint64_t at, int key, int velocity, int length) {
        w.noteOn(track, at, 0, key, velocity);
        w.noteOff(track, at + length, 0, key);
    }
};

// Eight chord tones up from the root over two octaves and back down, one
// bar of sixteenths, with the root an octave below on the downbeat.
void arpeggioBar(Writer& harp, std::uint64_t at, int root, bool minor) {
    const int third = minor ? 3 : 4;
    const int tones[] = {0, third, 7, 12, 12 + third, 19, 24, 24 + third};
    harp.note(at, root - 12, 96, kBar);
    for (int i = 0; i < 16; ++i) {
        const int step = i < 8 ? i : 15 - i;
        const int accent = i % 4 == 0 ? 100 : 74;
        harp.note(at + i * kSixteenth, root + tones[step], accent, 2 * kSixteenth);
    }
}

// A chord rolled upwards, a little apart like a harpist's fingers.
void rolledChord(Writer& harp, std::uint64_t at, int root, int length) {
    const int keys[] = {root - 12, root, root + 4, root + 7, root + 12, root + 16, root + 24};
    for (int i = 0; i < 7; ++i) harp.note(at + i * 24, keys[i], 70 + 4 * i, length);
}

}  // namespace

std::vector<std::uint8_t> demoPiece() {
    MidiWriter w(1, kQuarter);
    const int conductor = w.addTrack();
    const int track = w.addTrack();
    Writer harp{w, track};
    w.trackName(conductor, 0, "Strellon demo");
    w.trackName(track, 0, "harp");
    w.tempo(conductor, 0, 535714);  // 112 beats per minute

    // Arpeggios across the range.
    std::uint64_t at = 0;
    w.program(track, at, 0, kCelticHarp);
    w.control(track, at, 0, 7, 104);
    const struct {
        int root;
        bool minor;
    } progression[] = {{48, false}, {57, true}, {53, false}, {55, false}, {62, true}, {55, false}};
    for (const auto& chord : progression) {
        arpeggioBar(harp, at, chord.root, chord.minor);
        at += kBar;
    }

    // Glissandi on controller 1 over the C-major strings, with a volume swell:
    // the instrument plucks them softly, so they get the loudest program.
    w.program(track, at, 0, kRiverHarp);
    w.control(track, at, 0, 7, 96);
    const int sweep[] = {2 * kBar, kBar, kBar / 2, kBar / 2};  // up, down, up, down
    for (int s = 0; s < 4; ++s) {
        const int steps = 64;
        for (int i = 0; i <= steps; ++i) {
            const int value = (s % 2 == 0 ? i : steps - i) * 127 / steps;
            const std::uint64_t t = at + static_cast<std::uint64_t>(sweep[s]) * i / steps;
            w.control(track, t, 0, 1, value);
        }
        at += sweep[s];
        w.control(track, at, 0, 7, std::min(127, 96 + 8 * (s + 1)));
    }
    w.control(track, at, 0, 1, 0);

    // The circle of fifths: every pitch class, rolled chords half a bar apart.
    w.program(track, at, 0, kDulcimer);
    w.control(track, at, 0, 7, 100);
    int root = 53;  // F
    for (int i = 0; i < 12; ++i) {
        rolledChord(harp, at, root, kBar / 2);
        harp.note(at + kQuarter, root + 19, 90, kQuarter);  // the fifth on top
        at += kBar / 2;
        root += 5;
        if (root > 59) root -= 12;
    }

    // A slower ending: one long run up the range and a last chord left to
    // ring, wide in the chorus.
    w.tempo(conductor, at, 750000);  // 80 beats per minute
    w.program(track, at, 0, kRingingTree);
    w.control(track, at, 0, 7, 92);
    const int run[] = {0, 4, 7};
    for (int i = 0; i < 16; ++i) harp.note(at + i * kSixteenth, 36 + 12 * (i / 3) + run[i % 3], 80 + i, kQuarter);
    at += kBar;
    rolledChord(harp, at, 48, kBar);
    harp.note(at + 7 * 24, 96, 100, kBar);
    w.endAt(track, at + kBar);
    return w.bytes();
}

}  // namespace strellon::render
