#pragma once
#include <cstdint>

namespace strellon {

// Point in pixels: h horizontal, v vertical.
struct Point {
    int32_t h = 0;
    int32_t v = 0;

    constexpr Point() = default;
    constexpr Point(int32_t hh, int32_t vv) : h(hh), v(vv) {}
    constexpr Point offset(int32_t dh, int32_t dv) const { return {h + dh, v + dv}; }
    friend constexpr bool operator==(const Point&, const Point&) = default;
};

// Rectangle in pixels; right and bottom are one past the last pixel for
// pointInside, while the view-level tests include them.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    constexpr Rect() = default;
    constexpr Rect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {}

    constexpr int32_t width() const { return right - left; }
    constexpr int32_t height() const { return bottom - top; }
    constexpr bool isEmpty() const { return left >= right || top >= bottom; }
    constexpr bool pointInside(Point p) const {
        return p.h >= left && p.h < right && p.v >= top && p.v < bottom;
    }
    // Edges included: the rule of hit tests and frame lookups.
    constexpr bool containsWithEdges(Point p) const {
        return p.h >= left && p.h <= right && p.v >= top && p.v <= bottom;
    }
    constexpr bool touches(const Rect& o) const {
        return left <= o.right && o.left <= right && top <= o.bottom && o.top <= bottom;
    }
    constexpr Rect offset(int32_t dh, int32_t dv) const {
        return {left + dh, top + dv, right + dh, bottom + dv};
    }
    constexpr Point topLeft() const { return {left, top}; }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// Colour bytes; alpha is carried along but no drawing uses it.
struct Color {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 0;

    constexpr bool sameRgb(const Color& o) const {
        return red == o.red && green == o.green && blue == o.blue;
    }
    friend constexpr bool operator==(const Color&, const Color&) = default;
};

} // namespace strellon
