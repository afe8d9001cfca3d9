#pragma once
#include <windows.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/Surface.h"

namespace strellon::platform {

// Surface over a GDI device context: a window's (borrowed from a paint or
// taken with GetDC) or a memory context with its own bitmap. Pens, brushes
// and fonts are made as the settings change and selected into the context;
// the objects found there at the start go back in at the end.
class GdiSurface final : public Surface {
public:
    // Over a context that someone else releases; width and height bound it.
    GdiSurface(HDC dc, int width, int height);
    // Over a context that release() gives back (a window's GetDC).
    GdiSurface(HDC dc, int width, int height, std::function<void(HDC)> release);
    // A memory surface that owns the bitmap (selected into a memory context
    // compatible with the screen); null when GDI has no room.
    static std::unique_ptr<GdiSurface> adopt(HBITMAP bitmap);
    // A black memory surface; null for a size below 1.
    static std::unique_ptr<GdiSurface> create(int width, int height);
    // From an uncompressed BMP file in memory; null when malformed.
    static std::unique_ptr<GdiSurface> fromBmp(const unsigned char* data, std::size_t size);
    ~GdiSurface() override;
    GdiSurface(const GdiSurface&) = delete;
    GdiSurface& operator=(const GdiSurface&) = delete;

    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }

    int width() const override { return width_; }
    int height() const override { return height_; }
    SurfaceState state() const override { return state_; }
    // SaveDC and RestoreDC: the context itself keeps what was selected.
    int save() override;
    void restore(int saved) override;

    void setPen(Color c, int width, bool dotted) override;
    void setBrush(Color c) override;
    void setTextColor(Color c) override;
    void setBackColor(Color c) override;
    void setDrawMode(DrawMode m) override;
    void setFont(const FontSpec& f) override;
    void setClip(const Rect* r) override;

    void moveTo(Point p) override;
    void lineTo(Point p) override;
    void polyline(const Point* pts, int count) override;
    void fillPolygon(const Point* pts, int count) override;
    void fillRect(const Rect& r) override;
    void fillEllipse(const Rect& r) override;
    void arc(const Rect& r, Point start, Point end) override;
    void pie(const Rect& r, Point start, Point end) override;
    void setPixel(Point p, Color c) override;
    Color getPixel(Point p) const override;
    void floodFill(Point p) override;

    int textWidth(const char* text) override;
    void drawText(const char* text, const Rect& r, TextAlign align, bool opaque) override;

    void copyFrom(const Surface& src, const Rect& dst, Point srcOrigin) override;
    void copyTransparent(const Surface& src, const Rect& dst, Point srcOrigin, Color key) override;
    std::unique_ptr<Mask> createMask(Point origin, int width, int height, Color key) const override;
    void copyMasked(const Surface& src, const Rect& dst, Point srcOrigin, const Mask& mask) override;
    void copyBlended(const Surface& src, const Rect& dst, Point srcOrigin, int alpha) override;

    bool savePng(const char*) const override { return false; }
    // Writes the picture as a 24-bit BMP file; false on failure.
    bool saveBmp(const char* path) const;

private:
    GdiSurface(HDC memory, HBITMAP bitmap, int width, int height);
    void remember();
    void applyPen();
    // Selects next (a stock object when null) in place of the object in
    // slot, which is deleted, or kept while a save may select it again.
    void replace(HGDIOBJ& slot, HGDIOBJ next, int stock);
    // After a restore: the slot holds the object the context has selected
    // when it is one of ours.
    void resync(HGDIOBJ& slot, UINT type);
    // Runs draw with no outline pen selected (fills without a frame).
    template <class Draw>
    void withoutPen(Draw draw);
    // Source over destination through a one-bit mask whose set pixels keep
    // the destination.
    void copyThroughMask(HDC source, const Rect& dst, Point srcOrigin, HBITMAP mask, Point maskOrigin);

    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ firstBitmap_ = nullptr;
    std::function<void(HDC)> release_;
    int width_;
    int height_;
    SurfaceState state_;
    HGDIOBJ pen_ = nullptr;
    HGDIOBJ brush_ = nullptr;
    HGDIOBJ font_ = nullptr;
    std::vector<std::pair<int, SurfaceState>> saves_;
    std::vector<HGDIOBJ> retired_;
    HGDIOBJ firstPen_ = nullptr;
    HGDIOBJ firstBrush_ = nullptr;
    HGDIOBJ firstFont_ = nullptr;
    int savedDc_ = 0;
};

COLORREF toColorRef(Color c);

} // namespace strellon::platform
