#pragma once
#include <cstdint>

namespace strellon {

// A key as the host reports it: a character, a virtual key and modifiers,
// with the host interface's numbering, so the editor passes it on unchanged.
struct KeyCode {
    enum Virtual : uint8_t { keyLeft = 11, keyUp = 12, keyRight = 13, keyDown = 14 };
    enum Modifier : uint8_t { modShift = 1, modAlternate = 2, modCommand = 4, modControl = 8 };

    int32_t character = 0;
    uint8_t virt = 0;
    uint8_t modifier = 0;
};

} // namespace strellon
