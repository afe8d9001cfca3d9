#pragma once
#include "platform/x11/Xlib.h"

#include <memory>

#include "platform/Geometry.h"
#include "platform/cairo/CairoSurface.h"

namespace strellon::platform {

// A cairo image that is shown in an X drawable: draws happen in the image,
// push copies a rectangle of it into the drawable with XPutImage. When the
// drawable's visual is the usual 24-bit true colour the image's own memory
// is sent; any other true-colour visual gets its pixels converted first.
class X11Pixels {
public:
    // UI thread. Null when the image cannot be made.
    static std::unique_ptr<X11Pixels> create(Display* display, Drawable target, int width, int height);
    ~X11Pixels();
    X11Pixels(const X11Pixels&) = delete;
    X11Pixels& operator=(const X11Pixels&) = delete;

    CairoSurface& image() { return *image_; }
    int width() const { return image_->width(); }
    int height() const { return image_->height(); }
    // A surface that draws into the same image.
    std::unique_ptr<CairoSurface> surface() const;
    // Copies the area (clipped to the image) into the drawable.
    void push(const Rect& area);

private:
    X11Pixels(Display* display, Drawable target, std::unique_ptr<CairoSurface> image);

    Display* display_;
    Drawable target_;
    std::unique_ptr<CairoSurface> image_;
    GC gc_ = nullptr;
    XImage* direct_ = nullptr;  // over the image's memory, for the usual visual
    Visual* visual_ = nullptr;
    int depth_ = 0;
};

} // namespace strellon::platform
