#include "platform/x11/X11Pixels.h"

#include <cairo.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>

namespace strellon::platform {

namespace {
// Where a visual's channel mask puts an 8-bit value.
unsigned long channel(uint32_t value8, unsigned long mask) {
    if (!mask) return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const unsigned long v = bits >= 8 ? (value8 << (bits - 8)) : (value8 >> (8 - bits));
    return (v << shift) & mask;
}
} // namespace

std::unique_ptr<X11Pixels> X11Pixels::create(Display* display, Drawable target, int width, int height) {
    auto image = CairoSurface::create(width, height);
    if (!image) return nullptr;
    return std::unique_ptr<X11Pixels>(new X11Pixels(display, target, std::move(image)));
}

X11Pixels::X11Pixels(Display* display, Drawable target, std::unique_ptr<CairoSurface> image)
    : display_(display), target_(target), image_(std::move(image)) {
    gc_ = XCreateGC(display_, target_, 0, nullptr);
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display_, target_, &attributes)) {
        visual_ = attributes.visual;
        depth_ = attributes.depth;
    }
    cairo_surface_t* s = image_->image();
    const bool usual = visual_ && (depth_ == 24 || depth_ == 32) && visual_->red_mask == 0xff0000 &&
                       visual_->green_mask == 0xff00 && visual_->blue_mask == 0xff;
    if (usual) {
        cairo_surface_flush(s);
        direct_ = XCreateImage(display_, visual_, unsigned(depth_), ZPixmap, 0,
                               reinterpret_cast<char*>(cairo_image_surface_get_data(s)), unsigned(width()),
                               unsigned(height()), 32, cairo_image_surface_get_stride(s));
        // Cairo keeps its pixels in this machine's byte order; Xlib swaps
        // them for a server that wants the other.
        if (direct_) direct_->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    }
}

X11Pixels::~X11Pixels() {
    if (direct_) {
        direct_->data = nullptr;  // cairo's memory
        XDestroyImage(direct_);
    }
    if (gc_) XFreeGC(display_, gc_);
}

std::unique_ptr<CairoSurface> X11Pixels::surface() const {
    return std::make_unique<CairoSurface>(cairo_surface_reference(image_->image()));
}

void X11Pixels::push(const Rect& area) {
    const Rect r(std::max(0, area.left), std::max(0, area.top), std::min(width(), area.right),
                 std::min(height(), area.bottom));
    if (r.isEmpty() || !gc_) return;
    cairo_surface_t* s = image_->image();
    cairo_surface_flush(s);
    if (direct_) {
        XPutImage(display_, target_, gc_, direct_, r.left, r.top, r.left, r.top, unsigned(r.width()),
                  unsigned(r.height()));
        return;
    }
    if (!visual_) return;
    // Another visual: convert the area into an image of the server's format.
    XImage* converted = XCreateImage(display_, visual_, unsigned(depth_), ZPixmap, 0, nullptr,
                                     unsigned(r.width()), unsigned(r.height()), 32, 0);
    if (!converted) return;
    converted->data = static_cast<char*>(std::calloc(std::size_t(converted->bytes_per_line), std::size_t(r.height())));
    if (!converted->data) {
        XDestroyImage(converted);
        return;
    }
    const unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = r.top; y < r.bottom; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + std::ptrdiff_t(y) * stride);
        for (int x = r.left; x < r.right; ++x) {
            const uint32_t p = row[x];
            XPutPixel(converted, x - r.left, y - r.top,
                      channel((p >> 16) & 0xff, visual_->red_mask) | channel((p >> 8) & 0xff, visual_->green_mask) |
                          channel(p & 0xff, visual_->blue_mask));
        }
    }
    XPutImage(display_, target_, gc_, converted, 0, 0, r.left, r.top, unsigned(r.width()), unsigned(r.height()));
    XDestroyImage(converted);  // frees the converted pixels too
}

} // namespace strellon::platform
