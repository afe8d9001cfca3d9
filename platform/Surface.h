#pragma once
#include <memory>
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

// Where one colour was in an area of a surface: a one-bit picture the
// surface makes once, for any number of masked copies.
class Mask {
public:
    virtual ~Mask() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
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
    // Saves the pen, brush, colours, font, draw mode and clip, and answers
    // a number for restore, which puts back what that save found and drops
    // every later save. A number no save answered changes nothing.
    virtual int save() = 0;
    virtual void restore(int saved) = 0;

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
    // The area of this surface from origin, width by height, set where the
    // pixel is the key colour; null when none can be made.
    virtual std::unique_ptr<Mask> createMask(Point origin, int width, int height, Color key) const = 0;
    // As copyFrom, but where the mask is set the destination stays. The mask
    // covers the source from its top-left (made by this kind of surface); one
    // of another size copies nothing.
    virtual void copyMasked(const Surface& src, const Rect& dst, Point srcOrigin, const Mask& mask) = 0;
    // Source over with a constant alpha 0..255.
    virtual void copyBlended(const Surface& src, const Rect& dst, Point srcOrigin, int alpha) = 0;

    // Writes the picture as a PNG; false on failure.
    virtual bool savePng(const char* path) const = 0;
};

} // namespace strellon::platform
