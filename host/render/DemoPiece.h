// The piece strellon-render plays when it is given no file: our own short
// composition for a harp with twelve strings, built as a Standard MIDI File
// in memory so that it takes the same path as any file. Any thread.
#pragma once

#include <cstdint>
#include <vector>

namespace strellon::render {

// About 40 seconds: arpeggios and a bass under them, a controller-1
// glissando with a controller-7 swell, a circle of rolled chords through all
// twelve pitch classes, and a slower ending; the last two on programs with
// the tone section and the stereo chorus. Four program changes.
std::vector<std::uint8_t> demoPiece();

}  // namespace strellon::render
