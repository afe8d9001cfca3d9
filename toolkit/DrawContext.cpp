#include "toolkit/DrawContext.h"

#include <algorithm>
#include <new>

#include "toolkit/Bitmap.h"
#include "toolkit/Frame.h"

namespace strellon {

const FontInfo kFontTable[kFontCount] = {
    {"Arial", 12}, {"Arial", 18}, {"Arial", 14}, {"Arial", 12},
    {"Arial", 11}, {"Arial", 10}, {"Arial", 9},  {"Symbol", 13},
};

DrawContext::DrawContext(Frame* frame, platform::Surface* surface, platform::Window* window)
    : surface_(nullptr), window_(window), frame_(frame) {
    clipRect_ = defaultClip();
    if (window) windowOrigin_ = window->screenOrigin();
    if (surface) attachSurface(surface);
}

DrawContext::~DrawContext() { detachSurface(); }

void DrawContext::attachSurface(platform::Surface* surface) {
    surface_ = surface;
    saved_ = surface->save();
    makePen();
    setFillColor(fillColor_);
    setFontColor(fontColor_);
}

void DrawContext::detachSurface() {
    if (surface_ && saved_) surface_->restore(saved_);
    surface_ = nullptr;
    saved_ = 0;
}

Rect DrawContext::defaultClip() const {
    if (frame_) return frame_->getBounds();
    return Rect(0, 0, 1000, 1000);
}

void DrawContext::makePen() {
    if (surface_) surface_->setPen(frameColor_, lineWidth_, lineStyle_ == 1);
}

void DrawContext::moveTo(Point p) {
    if (surface_) surface_->moveTo(at(p));
}

void DrawContext::lineTo(Point p) {
    if (surface_) surface_->lineTo(at(p));
}

// Moves the points by the offset into a fixed array for the usual shapes,
// or a heap array for more; draws nothing when that cannot be had.
template <typename Draw>
void DrawContext::withMovedPoints(const Point* points, int count, Draw draw) {
    if (!surface_ || !points || count < 1) return;
    constexpr int kLocal = 30;
    Point local[kLocal];
    std::unique_ptr<Point[]> heap;
    Point* moved = local;
    if (count > kLocal) {
        heap.reset(new (std::nothrow) Point[count]);
        if (!heap) return;
        moved = heap.get();
    }
    for (int i = 0; i < count; ++i) moved[i] = at(points[i]);
    draw(moved);
}

void DrawContext::polyline(const Point* points, int count) {
    withMovedPoints(points, count, [&](const Point* moved) { surface_->polyline(moved, count); });
}

void DrawContext::fillPolygon(const Point* points, int count) {
    withMovedPoints(points, count, [&](const Point* moved) { surface_->fillPolygon(moved, count); });
}

void DrawContext::drawRect(const Rect& r) {
    if (!surface_) return;
    const Rect d = at(r);
    surface_->moveTo(Point(d.left, d.top));
    surface_->lineTo(Point(d.right, d.top));
    surface_->lineTo(Point(d.right, d.bottom));
    surface_->lineTo(Point(d.left, d.bottom));
    surface_->lineTo(Point(d.left, d.top));
}

void DrawContext::fillRect(const Rect& r) {
    // One pixel in at left and top: the inside of drawRect's outline.
    if (surface_) surface_->fillRect(at(Rect(r.left + 1, r.top + 1, r.right, r.bottom)));
}

void DrawContext::drawEllipse(const Rect& r) {
    const Point top((r.left + r.right) / 2, r.top);
    drawArc(r, top, top);
}

void DrawContext::fillEllipse(const Rect& r) {
    if (surface_) surface_->fillEllipse(at(Rect(r.left + 1, r.top + 1, r.right + 1, r.bottom + 1)));
}

void DrawContext::drawArc(const Rect& r, Point start, Point end) {
    if (surface_) surface_->arc(at(Rect(r.left, r.top, r.right + 1, r.bottom + 1)), at(start), at(end));
}

void DrawContext::fillArc(const Rect& r, Point start, Point end) {
    if (surface_) surface_->pie(at(Rect(r.left + 1, r.top + 1, r.right, r.bottom)), at(start), at(end));
}

void DrawContext::drawPoint(Point p, Color c) {
    if (surface_) surface_->setPixel(at(p), c);
}

Color DrawContext::getPoint(Point p) {
    Color c = surface_ ? surface_->getPixel(at(p)) : Color{};
    c.alpha = black.alpha;
    return c;
}

void DrawContext::floodFill(Point p) {
    if (surface_) surface_->floodFill(at(p));
}

void DrawContext::setLineStyle(int style) {
    lineStyle_ = style;
    makePen();
}

void DrawContext::setLineWidth(int width) {
    lineWidth_ = width;
    makePen();
}

void DrawContext::setFrameColor(Color c) {
    frameColor_ = c;
    makePen();
}

void DrawContext::setFillColor(Color c) {
    fillColor_ = c;
    if (!surface_) return;
    surface_->setBackColor(c);
    surface_->setBrush(c);
}

void DrawContext::setFontColor(Color c) {
    fontColor_ = c;
    if (surface_) surface_->setTextColor(c);
}

void DrawContext::setDrawMode(int mode) {
    if (mode == drawMode_) return;
    drawMode_ = mode;
    if (!surface_) return;
    surface_->setDrawMode(mode == 1   ? platform::DrawMode::merge
                          : mode == 2 ? platform::DrawMode::notXor
                                      : platform::DrawMode::copy);
}

void DrawContext::setClipRect(const Rect& r) {
    clipRect_ = r;
    if (surface_) surface_->setClip(&r);
}

void DrawContext::resetClipRect() {
    clipRect_ = defaultClip();
    if (surface_) surface_->setClip(&clipRect_);
}

void DrawContext::setFont(int id, int size, int style) {
    if (id < 0 || id >= kFontCount) id = 0;
    fontId_ = id;
    if (size == 0) size = kFontTable[id].size;
    fontSize_ = size;
    if (!surface_) return;
    platform::FontSpec font;
    font.face = kFontTable[id].face;
    font.pixelHeight = size;
    font.bold = (style & kBoldFace) || id == 0;
    font.italic = style & kItalicFace;
    font.underline = style & kUnderlineFace;
    font.decorative = id == 7;
    surface_->setFont(font);
}

platform::TextAlign textAlign(int alignment) {
    return alignment == 1   ? platform::TextAlign::center
           : alignment == 2 ? platform::TextAlign::right
                            : platform::TextAlign::left;
}

int DrawContext::getStringWidth(const char* text) {
    return surface_ && text ? surface_->textWidth(text) : 0;
}

void DrawContext::drawString(const char* text, const Rect& r, bool opaque, int alignment) {
    if (!text || !surface_) return;
    Rect box = at(r);
    const platform::TextAlign align = textAlign(alignment);
    if (align == platform::TextAlign::left) box.left += 1;
    surface_->drawText(text, box, align, opaque);
}

int DrawContext::getMouseButtons() {
    platform::WindowSystem* system = platform::windowSystem();
    if (!system && !pressed_) return 0;
    const platform::InputState in = pressed_ ? *pressed_ : system->input();
    const bool swapped = Frame::buttonsSwapped();
    int buttons = 0;
    if (in.left) buttons |= swapped ? kRButton : kLButton;
    if (in.right) buttons |= swapped ? kLButton : kRButton;
    if (in.middle) buttons |= kMButton;
    if (in.shift) buttons |= kShift;
    if (in.control) buttons |= kControl;
    if (in.alt) buttons |= kAlt;
    return buttons;
}

void DrawContext::getMouseLocation(Point& out) {
    pressed_.reset();
    platform::WindowSystem* system = platform::windowSystem();
    const Point screen = system ? system->cursorScreenPosition() : Point();
    // Less the drawing offset too, so a view inside a container reads the
    // pointer in the same coordinates it was clicked in.
    out = screen.offset(-windowOrigin_.h - offset_.h, -windowOrigin_.v - offset_.v);
}

namespace {
// The box a pointer may wander in and still count as not moved.
Rect stillBox(Point p) { return Rect(p.h - 2, p.v - 2, p.h + 3, p.v + 3); }
} // namespace

bool DrawContext::waitDoubleClick() {
    platform::WindowSystem* system = platform::windowSystem();
    if (!system) return false;
    Point start;
    getMouseLocation(start);
    const Rect box = stillBox(start);
    const uint32_t deadline = system->ticks() + uint32_t(system->doubleClickTime());
    bool released = false;
    while (int32_t(deadline - system->ticks()) > 0) {
        const bool down = getMouseButtons() & kLButton;
        Point now;
        getMouseLocation(now);
        if (!box.pointInside(now)) return false;
        if (!down) released = true;
        else if (released) return true;
        system->sleep(10);
    }
    return false;
}

bool DrawContext::waitDrag() {
    if (!frame_) return false;
    Point start;
    getMouseLocation(start);
    const Rect box = stillBox(start);
    while (getMouseButtons() & kLButton) {
        frame_->pumpIdle();
        Point now;
        getMouseLocation(now);
        if (!box.pointInside(now)) return true;
    }
    return false;
}

OffscreenContext::OffscreenContext(Frame* frame, int width, int height, Color background)
    : DrawContext(frame, nullptr, nullptr), height_(height), width_(width), background_(background) {
    setClipStored(Rect(std::min(0, width), std::min(0, height), std::max(0, width), std::max(0, height)));
    if (platform::Module* m = platform::module()) owned_ = m->createSurface(width, height);
    if (!owned_) return;
    attachSurface(owned_.get());
    setFillColor(background);
    setFrameColor(background);
    fillRect(Rect(0, 0, width, height));
    drawRect(Rect(0, 0, width, height));
}

OffscreenContext::OffscreenContext(DrawContext* source, Bitmap* bitmap, bool drawIntoBitmap)
    : DrawContext(source ? source->getFrame() : nullptr, nullptr, nullptr), bitmap_(bitmap),
      height_(bitmap ? bitmap->getHeight() : 20), width_(bitmap ? bitmap->getWidth() : 20),
      background_(black) {
    if (bitmap_) bitmap_->retain();
    setClipStored(Rect(0, 0, width_, height_));
    if (drawIntoBitmap && bitmap && bitmap->getHandle()) {
        ownsBitmap_ = false;
        attachSurface(bitmap->getHandle());
        return;
    }
    if (platform::Module* m = platform::module()) owned_ = m->createSurface(width_, height_);
    if (!owned_) return;
    if (bitmap && bitmap->getHandle())
        owned_->copyFrom(*bitmap->getHandle(), Rect(0, 0, width_, height_), Point());
    attachSurface(owned_.get());
}

OffscreenContext::~OffscreenContext() {
    // The surface may be the bitmap's own, which the release can free.
    detachSurface();
    if (bitmap_) bitmap_->release();
}

void OffscreenContext::copyTo(DrawContext* destination, const Rect& destRect, Point source) {
    if (!destination || !destination->getSurface() || !getSurface()) return;
    const Point o = destination->getOffset();
    destination->getSurface()->copyFrom(*getSurface(), destRect.offset(o.h, o.v), source);
}

void OffscreenContext::copyFrom(DrawContext* source, const Rect& sourceRect, int x, int y) {
    if (!source || !source->getSurface() || !getSurface()) return;
    getSurface()->copyFrom(*source->getSurface(),
                           Rect(x, y, x + sourceRect.width(), y + sourceRect.height()),
                           sourceRect.topLeft());
}

} // namespace strellon
