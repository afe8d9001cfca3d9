#pragma once
#include <vector>

#include "platform/Geometry.h"

namespace strellon::platform {

enum class DrawMode { copy, merge, notXor };
enum class TextAlign { left, center, right };

// A font picked from a face name; the platform resolves the face.
struct FontSpec {
    const char* face = "Arial";
    int pixelHeight = 12;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool decorative = false;
};

// Pen, brush and text settings of a surface, so a user can put them back.
struct SurfaceState {
    Color penColor{255, 255, 255, 0};
    int penWidth = 1;
    bool penDotted = false;
    Color brushColor{0, 0, 0, 0};
    Color textColor{0, 0, 0, 0};
    Color backColor{255, 255, 255, 0};
    FontSpec font;
    DrawMode mode = DrawMode::copy;
};

// A pixel surface with device-context rules: coordinates are whole pixels,
// lines leave out their last point, filled rectangles leave out their right
// column and bottom row. Every call is clipped to the clip rectangle.
class Surface {
public:
    virtual ~Surface() = default;

    virtual int width() const = 0;
    virtual int height() const = 0;

    virtual SurfaceState state() const = 0;
    virtual void setState(const SurfaceState& s) = 0;

    virtual void setPen(Color c, int width, bool dotted) = 0;
    virtual void setBrush(Color c) = 0;
    virtual void setTextColor(Color c) = 0;
    virtual void setBackColor(Color c) = 0;
    virtual void setDrawMode(DrawMode m) = 0;
    virtual void setFont(const FontSpec& f) = 0;

    // Device coordinates; a null rectangle pointer lifts the clip.
    virtual void setClip(const Rect* r) = 0;

    virtual void moveTo(Point p) = 0;
    virtual void lineTo(Point p) = 0;
    virtual void polyline(const Point* pts, int count) = 0;
    // Interior only, alternate fill rule, current brush.
    virtual void fillPolygon(const Point* pts, int count) = 0;
    virtual void fillRect(const Rect& r) = 0;
    // Interior of the ellipse inscribed in r, no outline.
    virtual void fillEllipse(const Rect& r) = 0;
    // Counter-clockwise arc of the ellipse in r (right and bottom exclusive)
    // from the radial through start to the one through end; equal points give
    // the whole ellipse.
    virtual void arc(const Rect& r, Point start, Point end) = 0;
    virtual void pie(const Rect& r, Point start, Point end) = 0;
    virtual void setPixel(Point p, Color c) = 0;
    virtual Color getPixel(Point p) const = 0;
    // Fills the 4-connected area that has the colour found at p.
    virtual void floodFill(Point p) = 0;

    virtual int textWidth(const char* text) = 0;
    // One line, vertically centred in r and clipped to it; opaque fills the
    // text cell with the back colour.
    virtual void drawText(const char* text, const Rect& r, TextAlign align, bool opaque) = 0;

    // Block copies from another surface: src origin maps to dst's top-left.
    virtual void copyFrom(const Surface& src, const Rect& dst, Point srcOrigin) = 0;
    // As copyFrom, but source pixels equal to key leave the destination alone.
    virtual void copyTransparent(const Surface& src, const Rect& dst, Point srcOrigin, Color key) = 0;
    // As copyFrom, but where the mask is set the destination stays. The mask
    // has one flag per source pixel, row by row; one of another size copies
    // nothing.
    virtual void copyMasked(const Surface& src, const Rect& dst, Point srcOrigin,
                            const std::vector<bool>& mask) = 0;
    // Source over with a constant alpha 0..255.
    virtual void copyBlended(const Surface& src, const Rect& dst, Point srcOrigin, int alpha) = 0;

    // Writes the picture as a PNG; false on failure.
    virtual bool savePng(const char* path) const = 0;
};

} // namespace strellon::platform
