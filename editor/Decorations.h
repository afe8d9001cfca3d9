// The corner decorations' state between two openings of the editor: a text
// file of four lines beside the plug-in's library, each line the image
// offset of one corner times ten (0, 480 or 960), top left, top right,
// bottom right, bottom left.
#pragma once

#include <array>
#include <string>

namespace strellon {

class DecorationsFile {
public:
    static constexpr int kCount = 4;
    // The largest image offset there is: the last of three 48-pixel images.
    static constexpr float kLastOffset = 96.0f;
    using Offsets = std::array<float, kCount>;

    // The file in this folder (no trailing separator needed).
    static std::string pathIn(const std::string& directory);

    // UI thread. False when the file cannot be opened; offsets are untouched
    // then. A missing line repeats the line before (0 for the first).
    // Values are held to the bitmap: a hand-edited file cannot make a
    // decoration draw outside its strip.
    static bool read(const std::string& path, Offsets& offsets);
    // UI thread. Writes the four lines; false when the file cannot be made.
    static bool write(const std::string& path, const Offsets& offsets);

    // An offset that lies inside the strip: not a number gives 0, and values
    // are held to 0..kLastOffset.
    static float sanitise(float offset);
};

}  // namespace strellon
