#pragma once
#include <memory>
#include <optional>

#include "platform/Surface.h"
#include "platform/Window.h"
#include "toolkit/Colors.h"

namespace strellon {

class Frame;
class Bitmap;

// Font table entry: face and character height in pixels.
struct FontInfo {
    const char* face;
    int size;
};
inline constexpr int kFontCount = 8;
extern const FontInfo kFontTable[kFontCount];

// Mouse button word bits, as getMouseButtons reports them.
enum MouseButton : int {
    kLButton = 1,
    kMButton = 2,
    kRButton = 4,
    kShift = 8,
    kControl = 16,
    kAlt = 32,
};

// Font style bits of setFont.
enum FontStyle : int { kBoldFace = 1, kItalicFace = 2, kUnderlineFace = 4 };

// A text alignment number as drawString and the text views take it: 1
// centres, 2 aligns right, anything else aligns left.
platform::TextAlign textAlign(int alignment);

// Drawing over a platform surface: current colours, pen, font, a drawing
// offset and a clip rectangle, plus the input polling of the tracking loops.
// Made for one event and deleted after it; nothing keeps one.
class DrawContext {
public:
    // UI thread. Surface and window may be null; neither is owned.
    DrawContext(Frame* frame, platform::Surface* surface, platform::Window* window);
    virtual ~DrawContext();
    DrawContext(const DrawContext&) = delete;
    DrawContext& operator=(const DrawContext&) = delete;

    void moveTo(Point p);
    void lineTo(Point p);
    void polyline(const Point* points, int count);
    void fillPolygon(const Point* points, int count);
    void drawRect(const Rect& r);
    void fillRect(const Rect& r);
    void drawEllipse(const Rect& r);
    void fillEllipse(const Rect& r);
    void drawArc(const Rect& r, Point start, Point end);
    void fillArc(const Rect& r, Point start, Point end);
    void drawPoint(Point p, Color c);
    Color getPoint(Point p);
    void floodFill(Point p);

    void setLineStyle(int style);
    int getLineStyle() const { return lineStyle_; }
    void setLineWidth(int width);
    int getLineWidth() const { return lineWidth_; }
    void setFrameColor(Color c);
    Color getFrameColor() const { return frameColor_; }
    void setFillColor(Color c);
    Color getFillColor() const { return fillColor_; }
    void setFontColor(Color c);
    Color getFontColor() const { return fontColor_; }
    void setDrawMode(int mode);
    int getDrawMode() const { return drawMode_; }
    void setClipRect(const Rect& r);
    Rect getClipRect() const { return clipRect_; }
    void resetClipRect();
    void setFont(int id, int size = 0, int style = 0);
    int getFont() const { return fontId_; }
    int getFontSize() const { return fontSize_; }
    int getStringWidth(const char* text);
    void drawString(const char* text, const Rect& r, bool opaque = false, int alignment = 1);

    // Input polling: see MouseButton for the word.
    int getMouseButtons();
    // The buttons and modifiers of the event this context was made for.
    // Reads of the buttons answer them until the pointer's position is first
    // read, which a tracking loop does only after its first read of the
    // buttons: a click handled late still finds its button down once.
    void setPressState(const platform::InputState& state) { pressed_ = state; }
    void getMouseLocation(Point& out);
    bool waitDoubleClick();
    bool waitDrag();

    void setOffset(Point p) { offset_ = p; }
    Point getOffset() const { return offset_; }
    Frame* getFrame() const { return frame_; }
    platform::Surface* getSurface() const { return surface_; }
    platform::Window* getWindow() const { return window_; }

protected:
    // Takes a surface made after construction and applies the settings.
    void attachSurface(platform::Surface* surface);
    // Puts the surface's first settings back and forgets it.
    void detachSurface();
    void setClipStored(const Rect& r) { clipRect_ = r; }

private:
    Rect defaultClip() const;
    void makePen();
    template <typename Draw>
    void withMovedPoints(const Point* points, int count, Draw draw);
    Point at(Point p) const { return p.offset(offset_.h, offset_.v); }
    Rect at(const Rect& r) const { return r.offset(offset_.h, offset_.v); }

    Point windowOrigin_;
    Point offset_;
    platform::Surface* surface_;
    platform::Window* window_;
    Frame* frame_;
    int fontSize_ = 0;
    int fontId_ = 0;
    Color fontColor_ = white;
    int lineWidth_ = 1;
    Color frameColor_ = white;
    Color fillColor_ = black;
    int lineStyle_ = 0;
    int drawMode_ = 0;
    Rect clipRect_;
    std::optional<platform::InputState> pressed_;
    int saved_ = 0;  // the surface's save of its first settings
};

// A drawing context over a memory surface, copied out in one block.
class OffscreenContext : public DrawContext {
public:
    // UI thread. A memory surface of the size, filled with the colour.
    OffscreenContext(Frame* frame, int width, int height, Color background = black);
    // UI thread. With drawIntoBitmap the drawing changes the bitmap itself;
    // otherwise a copy of its picture (or black, 20 by 20 without one).
    OffscreenContext(DrawContext* source, Bitmap* bitmap, bool drawIntoBitmap);
    ~OffscreenContext() override;

    void copyTo(DrawContext* destination, const Rect& destRect, Point source = Point());
    void copyFrom(DrawContext* source, const Rect& sourceRect, int x, int y);
    int getWidth() const { return width_; }
    int getHeight() const { return height_; }
    Color getBackgroundColor() const { return background_; }

private:
    std::unique_ptr<platform::Surface> owned_;
    Bitmap* bitmap_ = nullptr;
    int height_;
    int width_;
    bool ownsBitmap_ = true;
    Color background_;
};

} // namespace strellon
