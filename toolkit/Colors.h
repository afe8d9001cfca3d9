#pragma once
#include "platform/Geometry.h"

namespace strellon {

inline constexpr Color black{0, 0, 0, 0};
inline constexpr Color white{255, 255, 255, 0};
inline constexpr Color grey{127, 127, 127, 0};
inline constexpr Color red{255, 0, 0, 0};
inline constexpr Color green{0, 255, 0, 0};
inline constexpr Color blue{0, 0, 255, 0};
inline constexpr Color yellow{255, 255, 0, 0};
inline constexpr Color magenta{255, 0, 255, 0};
inline constexpr Color cyan{0, 255, 255, 0};
// The key colour of every bitmap: pixels of it are not copied.
inline constexpr Color transparentColor{0, 255, 0, 0};

} // namespace strellon
