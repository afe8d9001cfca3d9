#include "platform/cairo/CairoSurface.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace strellon::platform {

namespace {

uint32_t packRgb(Color c) { return (uint32_t(c.red) << 16) | (uint32_t(c.green) << 8) | c.blue; }

Color unpackRgb(uint32_t p) {
    return Color{uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 0};
}

Rect intersect(const Rect& a, const Rect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

// The family that fontconfig picks for a requested face, so "Arial" lands on
// its metric-compatible stand-in rather than cairo's default sans.
const std::string& resolveFamily(const char* face) {
    static std::map<std::string, std::string> cache;
    auto found = cache.find(face);
    if (found != cache.end()) return found->second;
    std::string family = face;
    if (FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(face))) {
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result;
        if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
            FcChar8* name = nullptr;
            if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch && name)
                family = reinterpret_cast<const char*>(name);
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    return cache.emplace(face, family).first->second;
}

uint32_t readLe(const unsigned char* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

} // namespace

std::unique_ptr<CairoSurface> CairoSurface::create(int width, int height) {
    if (width < 1 || height < 1 || width > 16384 || height > 16384) return nullptr;
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(image);
        return nullptr;
    }
    return std::make_unique<CairoSurface>(image);
}

std::unique_ptr<CairoSurface> CairoSurface::fromBmp(const unsigned char* data, std::size_t size) {
    if (!data || size < 54 || data[0] != 'B' || data[1] != 'M') return nullptr;
    const uint32_t pixelOffset = readLe(data + 10, 4);
    const uint32_t headerSize = readLe(data + 14, 4);
    if (headerSize < 40) return nullptr;
    const int32_t width = int32_t(readLe(data + 18, 4));
    const int32_t rawHeight = int32_t(readLe(data + 22, 4));
    const uint32_t bpp = readLe(data + 28, 2);
    const uint32_t compression = readLe(data + 30, 4);
    // 32-bit files may say BI_BITFIELDS with the usual masks; read them as BGRX.
    if ((bpp != 24 && bpp != 32) || (compression != 0 && !(bpp == 32 && compression == 3)))
        return nullptr;
    if (width < 1 || rawHeight == 0 || rawHeight == INT32_MIN) return nullptr;
    const bool topDown = rawHeight < 0;
    const int32_t height = topDown ? -rawHeight : rawHeight;
    const uint64_t stride = ((uint64_t(width) * bpp + 31) / 32) * 4;
    if (pixelOffset > size || stride * uint64_t(height) > size - pixelOffset) return nullptr;

    auto surface = create(width, height);
    if (!surface) return nullptr;
    surface->beginPixels();
    const int bytes = int(bpp / 8);
    for (int y = 0; y < height; ++y) {
        const unsigned char* src = data + pixelOffset + stride * uint64_t(topDown ? y : height - 1 - y);
        uint32_t* dst = surface->row(y);
        for (int x = 0; x < width; ++x, src += bytes)
            dst[x] = (uint32_t(src[2]) << 16) | (uint32_t(src[1]) << 8) | src[0];
    }
    surface->endPixels();
    return surface;
}

CairoSurface::CairoSurface(cairo_surface_t* image)
    : image_(image), cr_(cairo_create(image)), width_(cairo_image_surface_get_width(image)),
      height_(cairo_image_surface_get_height(image)), clip_(0, 0, width_, height_) {
    cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
    cairo_font_options_t* options = cairo_font_options_create();
    // Text keeps grey smoothing: it is read, not measured pixel by pixel.
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr_, options);
    cairo_font_options_destroy(options);
    applyFont();
}

CairoSurface::~CairoSurface() {
    cairo_destroy(cr_);
    cairo_surface_destroy(image_);
}

int CairoSurface::save() {
    saved_.push_back({state_, clip_, clipped_});
    return int(saved_.size());
}

void CairoSurface::restore(int saved) {
    if (saved < 1 || saved > int(saved_.size())) return;
    const Saved s = saved_[std::size_t(saved - 1)];
    saved_.resize(std::size_t(saved - 1));
    state_ = s.state;
    applyFont();
    setClip(s.clipped ? &s.clip : nullptr);
}

void CairoSurface::setPen(Color c, int width, bool dotted) {
    state_.penColor = c;
    state_.penWidth = width;
    state_.penDotted = dotted;
}

void CairoSurface::setFont(const FontSpec& f) {
    state_.font = f;
    applyFont();
}

void CairoSurface::applyFont() {
    const FontSpec& f = state_.font;
    cairo_select_font_face(cr_, resolveFamily(f.face ? f.face : "Arial").c_str(),
                           f.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                           f.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, std::max(1, f.pixelHeight));
}

void CairoSurface::setClip(const Rect* r) {
    clipped_ = r != nullptr;
    clip_ = Rect(0, 0, width_, height_);
    if (r) clip_ = intersect(clip_, *r);
    cairo_reset_clip(cr_);
    if (r) {
        cairo_rectangle(cr_, r->left, r->top, std::max(0, r->width()), std::max(0, r->height()));
        cairo_clip(cr_);
    }
}

void CairoSurface::setSource(Color c) {
    cairo_set_source_rgb(cr_, c.red / 255.0, c.green / 255.0, c.blue / 255.0);
}

uint32_t* CairoSurface::row(int y) const {
    unsigned char* base = cairo_image_surface_get_data(image_);
    return reinterpret_cast<uint32_t*>(base + std::size_t(y) * cairo_image_surface_get_stride(image_));
}

bool CairoSurface::writable(int x, int y) const { return clip_.pointInside(Point(x, y)); }

void CairoSurface::beginPixels() { cairo_surface_flush(image_); }
void CairoSurface::endPixels() { cairo_surface_mark_dirty(image_); }

void CairoSurface::plot(int x, int y, uint32_t rgb) {
    if (!writable(x, y)) return;
    uint32_t& dst = row(y)[x];
    switch (state_.mode) {
    case DrawMode::copy: dst = rgb; break;
    case DrawMode::merge: dst = (dst | rgb) & 0xffffff; break;
    case DrawMode::notXor: dst = ~(dst ^ rgb) & 0xffffff; break;
    }
}

// Bresenham without the end point, as a one-pixel pen draws.
void CairoSurface::line1(Point from, Point to) {
    const uint32_t rgb = packRgb(state_.penColor);
    int x = from.h, y = from.v;
    const int dx = std::abs(to.h - x), dy = -std::abs(to.v - y);
    const int sx = x < to.h ? 1 : -1, sy = y < to.v ? 1 : -1;
    int err = dx + dy;
    int step = 0;
    beginPixels();
    while (x != to.h || y != to.v) {
        if (!state_.penDotted || step % 2 == 0) plot(x, y, rgb);
        ++step;
        const int e2 = 2 * err;
        if (e2 >= dy) { err += dy; x += sx; }
        if (e2 <= dx) { err += dx; y += sy; }
    }
    endPixels();
}

void CairoSurface::lineTo(Point p) {
    if (state_.penWidth <= 1) {
        line1(current_, p);
    } else {
        setSource(state_.penColor);
        cairo_set_line_width(cr_, state_.penWidth);
        cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
        cairo_move_to(cr_, current_.h + 0.5, current_.v + 0.5);
        cairo_line_to(cr_, p.h + 0.5, p.v + 0.5);
        cairo_stroke(cr_);
    }
    current_ = p;
}

void CairoSurface::polyline(const Point* pts, int count) {
    if (!pts || count < 2) return;
    const Point saved = current_;
    current_ = pts[0];
    for (int i = 1; i < count; ++i) lineTo(pts[i]);
    current_ = saved;
}

void CairoSurface::fillPolygon(const Point* pts, int count) {
    if (!pts || count < 3) return;
    cairo_new_path(cr_);
    cairo_move_to(cr_, pts[0].h, pts[0].v);
    for (int i = 1; i < count; ++i) cairo_line_to(cr_, pts[i].h, pts[i].v);
    cairo_close_path(cr_);
    cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
    setSource(state_.brushColor);
    cairo_fill(cr_);
}

void CairoSurface::fillRect(const Rect& r) {
    if (r.isEmpty()) return;
    setSource(state_.brushColor);
    cairo_rectangle(cr_, r.left, r.top, r.width(), r.height());
    cairo_fill(cr_);
}

namespace {
// Adds an ellipse arc to the path, counter-clockwise on screen.
void ellipseArc(cairo_t* cr, const Rect& r, double inset, Point start, Point end, bool whole) {
    const double cx = (r.left + r.right) / 2.0, cy = (r.top + r.bottom) / 2.0;
    const double rx = r.width() / 2.0 - inset, ry = r.height() / 2.0 - inset;
    if (rx <= 0 || ry <= 0) return;
    const double a0 = std::atan2((start.v - cy) / ry, (start.h - cx) / rx);
    double a1 = std::atan2((end.v - cy) / ry, (end.h - cx) / rx);
    if (whole || start == end) a1 = a0 - 2 * M_PI;
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_arc_negative(cr, 0, 0, 1, a0, a1);
    cairo_restore(cr);
}
} // namespace

void CairoSurface::fillEllipse(const Rect& r) {
    if (r.isEmpty()) return;
    cairo_new_path(cr_);
    ellipseArc(cr_, r, 0, Point(r.right, 0), Point(r.right, 0), true);
    cairo_close_path(cr_);
    setSource(state_.brushColor);
    cairo_fill(cr_);
}

void CairoSurface::arc(const Rect& r, Point start, Point end) {
    if (r.isEmpty()) return;
    cairo_new_path(cr_);
    ellipseArc(cr_, r, 0.5, start, end, false);
    setSource(state_.penColor);
    cairo_set_line_width(cr_, std::max(1, state_.penWidth));
    cairo_stroke(cr_);
}

void CairoSurface::pie(const Rect& r, Point start, Point end) {
    if (r.isEmpty()) return;
    cairo_new_path(cr_);
    cairo_move_to(cr_, (r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0);
    ellipseArc(cr_, r, 0, start, end, false);
    cairo_close_path(cr_);
    setSource(state_.brushColor);
    cairo_fill(cr_);
}

void CairoSurface::setPixel(Point p, Color c) {
    if (!writable(p.h, p.v)) return;
    beginPixels();
    row(p.v)[p.h] = packRgb(c);
    endPixels();
}

Color CairoSurface::getPixel(Point p) const {
    if (p.h < 0 || p.v < 0 || p.h >= width_ || p.v >= height_) return Color{};
    cairo_surface_flush(image_);
    return unpackRgb(row(p.v)[p.h] & 0xffffff);
}

void CairoSurface::floodFill(Point p) {
    if (!writable(p.h, p.v)) return;
    beginPixels();
    const uint32_t target = row(p.v)[p.h] & 0xffffff;
    const uint32_t fill = packRgb(state_.brushColor);
    if (target != fill) {
        std::vector<Point> stack{p};
        while (!stack.empty()) {
            const Point q = stack.back();
            stack.pop_back();
            if (!writable(q.h, q.v)) continue;
            uint32_t& px = row(q.v)[q.h];
            if ((px & 0xffffff) != target) continue;
            px = fill;
            stack.push_back(q.offset(1, 0));
            stack.push_back(q.offset(-1, 0));
            stack.push_back(q.offset(0, 1));
            stack.push_back(q.offset(0, -1));
        }
    }
    endPixels();
}

int CairoSurface::textWidth(const char* text) {
    if (!text) return 0;
    cairo_text_extents_t extents;
    cairo_text_extents(cr_, text, &extents);
    return int(std::lround(extents.x_advance));
}

void CairoSurface::drawText(const char* text, const Rect& r, TextAlign align, bool opaque) {
    if (!text || r.isEmpty()) return;
    cairo_font_extents_t font;
    cairo_font_extents(cr_, &font);
    const int textW = textWidth(text);
    const int lineH = int(std::lround(font.ascent + font.descent));
    int x = r.left;
    if (align == TextAlign::center) x = r.left + (r.width() - textW) / 2;
    else if (align == TextAlign::right) x = r.right - textW;
    const int top = r.top + (r.height() - lineH) / 2;

    cairo_save(cr_);
    cairo_rectangle(cr_, r.left, r.top, r.width(), r.height());
    cairo_clip(cr_);
    if (opaque) {
        setSource(state_.backColor);
        cairo_rectangle(cr_, x, top, textW, lineH);
        cairo_fill(cr_);
    }
    setSource(state_.textColor);
    const double baseline = top + std::round(font.ascent);
    cairo_move_to(cr_, x, baseline);
    cairo_show_text(cr_, text);
    if (state_.font.underline) {
        cairo_rectangle(cr_, x, baseline + 1, textW, 1);
        cairo_fill(cr_);
    }
    cairo_restore(cr_);
}

void CairoSurface::copyFrom(const Surface& src, const Rect& dst, Point srcOrigin) {
    const auto* source = dynamic_cast<const CairoSurface*>(&src);
    if (!source || dst.isEmpty()) return;
    // Only the part that has source pixels is copied.
    const Rect avail = intersect(dst, Rect(0, 0, source->width_, source->height_)
                                          .offset(dst.left - srcOrigin.h, dst.top - srcOrigin.v));
    if (avail.isEmpty()) return;
    cairo_save(cr_);
    cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr_, source->image_, dst.left - srcOrigin.h, dst.top - srcOrigin.v);
    cairo_rectangle(cr_, avail.left, avail.top, avail.width(), avail.height());
    cairo_fill(cr_);
    cairo_restore(cr_);
}

template <class Copies>
void CairoSurface::copyPixels(const CairoSurface& source, const Rect& dst, Point srcOrigin, Copies copies) {
    if (dst.isEmpty()) return;
    const int dx = srcOrigin.h - dst.left, dy = srcOrigin.v - dst.top;
    Rect area = intersect(dst, clip_);
    area = intersect(area, Rect(0, 0, source.width_, source.height_).offset(-dx, -dy));
    if (area.isEmpty()) return;
    // One flush each way for the whole copy, not one per pixel.
    cairo_surface_flush(source.image_);
    beginPixels();
    for (int y = area.top; y < area.bottom; ++y) {
        const uint32_t* s = source.row(y + dy);
        uint32_t* d = row(y);
        for (int x = area.left; x < area.right; ++x) {
            const uint32_t px = s[x + dx] & 0xffffff;
            if (copies(px, x + dx, y + dy)) d[x] = px;
        }
    }
    endPixels();
}

void CairoSurface::copyTransparent(const Surface& src, const Rect& dst, Point srcOrigin, Color key) {
    const auto* source = dynamic_cast<const CairoSurface*>(&src);
    if (!source) return;
    const uint32_t keyRgb = packRgb(key);
    copyPixels(*source, dst, srcOrigin, [keyRgb](uint32_t px, int, int) { return px != keyRgb; });
}

namespace {
// One flag per pixel, row by row.
class CairoMask final : public Mask {
public:
    CairoMask(int width, int height) : width_(width), height_(height), bits_(std::size_t(width) * std::size_t(height)) {}
    int width() const override { return width_; }
    int height() const override { return height_; }
    bool at(int x, int y) const { return bits_[std::size_t(y) * std::size_t(width_) + std::size_t(x)]; }
    void set(int x, int y) { bits_[std::size_t(y) * std::size_t(width_) + std::size_t(x)] = true; }

private:
    int width_;
    int height_;
    std::vector<bool> bits_;
};
} // namespace

std::unique_ptr<Mask> CairoSurface::createMask(Point origin, int width, int height, Color key) const {
    if (width < 1 || height < 1) return nullptr;
    auto mask = std::make_unique<CairoMask>(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (getPixel(origin.offset(x, y)).sameRgb(key)) mask->set(x, y);
    return mask;
}

void CairoSurface::copyMasked(const Surface& src, const Rect& dst, Point srcOrigin, const Mask& mask) {
    const auto* source = dynamic_cast<const CairoSurface*>(&src);
    const auto* bits = dynamic_cast<const CairoMask*>(&mask);
    if (!source || !bits || bits->width() != source->width_ || bits->height() != source->height_) return;
    copyPixels(*source, dst, srcOrigin, [&](uint32_t, int sx, int sy) { return !bits->at(sx, sy); });
}

void CairoSurface::copyBlended(const Surface& src, const Rect& dst, Point srcOrigin, int alpha) {
    const auto* source = dynamic_cast<const CairoSurface*>(&src);
    if (!source || dst.isEmpty()) return;
    cairo_save(cr_);
    cairo_rectangle(cr_, dst.left, dst.top, dst.width(), dst.height());
    cairo_clip(cr_);
    cairo_set_source_surface(cr_, source->image_, dst.left - srcOrigin.h, dst.top - srcOrigin.v);
    cairo_paint_with_alpha(cr_, std::clamp(alpha, 0, 255) / 255.0);
    cairo_restore(cr_);
}

bool CairoSurface::savePng(const char* path) const {
    if (!path) return false;
    cairo_surface_flush(image_);
    return cairo_surface_write_to_png(image_, path) == CAIRO_STATUS_SUCCESS;
}

} // namespace strellon::platform
