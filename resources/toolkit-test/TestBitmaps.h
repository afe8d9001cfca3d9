#pragma once

// Resource numbers of the synthetic bitmaps (tools/toolkit-make-bitmaps.py).
namespace strellon::testbitmaps {
enum : int {
    kBackground = 9001,  // 480 x 300 panel
    kOnOff = 9002,       // 40 x 40, two frames
    kKnobStrip = 9003,   // 40 x 40, 31 frames
    kKnobBack = 9004,    // 48 x 48, keyed corners
    kHandle = 9005,      // 9 x 9, keyed
    kVTrack = 9006,      // 30 x 120
    kVHandle = 9007,     // 24 x 12, keyed
    kHTrack = 9008,      // 120 x 24
    kHHandle = 9009,     // 12 x 20, keyed
    kMovie = 9010,       // 40 x 40, 5 frames
    kAnim = 9011,        // 48 x 48, 4 frames
    kSplash = 9012,      // 220 x 140
    kSwitch = 9013,      // 24 x 60, 3 frames
    kRocker = 9014,      // 48 x 24, 3 frames
    kToggle = 9015,      // 40 x 20, 2 frames
    kDigits = 9016,      // 12 x 18, digits 0 to 9
    kMeterOn = 9017,     // 14 x 100
    kMeterOff = 9018,    // 14 x 100
    kAllGreen = 9019,    // 16 x 16 of the key colour
    kKeyed = 9020,       // 8 x 8: key border, red 4 x 4 inside
    kHSwitch = 9021,     // 60 x 24, 3 frames
};
} // namespace strellon::testbitmaps
