#pragma once
#include <cstddef>
#include <memory>
#include <vector>

#include "platform/Surface.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace strellon::platform {

// Surface over a cairo image in 24-bit RGB. Shapes are drawn without
// antialiasing and one-pixel lines are set pixel by pixel, so every pixel
// lands where the device-context rules put it.
class CairoSurface : public Surface {
public:
    // A black image; null for a size below 1 or when cairo fails.
    static std::unique_ptr<CairoSurface> create(int width, int height);
    // Decodes an uncompressed 24- or 32-bit BMP file; null when malformed.
    static std::unique_ptr<CairoSurface> fromBmp(const unsigned char* data, std::size_t size);

    explicit CairoSurface(cairo_surface_t* image);  // takes the reference
    ~CairoSurface() override;
    CairoSurface(const CairoSurface&) = delete;
    CairoSurface& operator=(const CairoSurface&) = delete;

    cairo_surface_t* image() const { return image_; }

    int width() const override { return width_; }
    int height() const override { return height_; }
    SurfaceState state() const override { return state_; }
    int save() override;
    void restore(int saved) override;

    void setPen(Color c, int width, bool dotted) override;
    void setBrush(Color c) override { state_.brushColor = c; }
    void setTextColor(Color c) override { state_.textColor = c; }
    void setBackColor(Color c) override { state_.backColor = c; }
    void setDrawMode(DrawMode m) override { state_.mode = m; }
    void setFont(const FontSpec& f) override;
    void setClip(const Rect* r) override;

    void moveTo(Point p) override { current_ = p; }
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

    bool savePng(const char* path) const override;

private:
    uint32_t* row(int y) const;
    bool writable(int x, int y) const;
    void plot(int x, int y, uint32_t rgb);
    void line1(Point from, Point to);
    void applyFont();
    void setSource(Color c);
    // Wraps direct pixel access between cairo's flush and mark-dirty.
    void beginPixels();
    void endPixels();
    // The pixel copy of the keyed and masked copies: copies(rgb, sx, sy)
    // says whether the source pixel at sx, sy replaces the destination.
    template <class Copies>
    void copyPixels(const CairoSurface& source, const Rect& dst, Point srcOrigin, Copies copies);

    cairo_surface_t* image_;
    cairo_t* cr_;
    int width_;
    int height_;
    SurfaceState state_;
    Rect clip_;
    struct Saved {
        SurfaceState state;
        Rect clip;
        bool clipped;
    };
    std::vector<Saved> saved_;
    bool clipped_ = false;
    Point current_;
};

} // namespace strellon::platform
