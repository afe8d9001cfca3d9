#include "platform/win32/GdiSurface.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace strellon::platform {

namespace {

using TransparentBltProc = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, UINT);
using AlphaBlendProc = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);

// msimg32 is loaded when first needed and kept: drawing falls back to
// masks without it.
struct BlendLibrary {
    TransparentBltProc transparentBlt = nullptr;
    AlphaBlendProc alphaBlend = nullptr;
    BlendLibrary() {
        if (HMODULE m = LoadLibraryA("msimg32.dll")) {
            transparentBlt = reinterpret_cast<TransparentBltProc>(
                reinterpret_cast<void*>(GetProcAddress(m, "TransparentBlt")));
            alphaBlend = reinterpret_cast<AlphaBlendProc>(
                reinterpret_cast<void*>(GetProcAddress(m, "AlphaBlend")));
        }
    }
};

const BlendLibrary& blendLibrary() {
    static const BlendLibrary library;
    return library;
}

HDC sourceDc(const Surface& s) {
    const auto* gdi = dynamic_cast<const GdiSurface*>(&s);
    return gdi ? gdi->dc() : nullptr;
}

std::vector<POINT> toPoints(const Point* pts, int count) {
    std::vector<POINT> out(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) out[std::size_t(i)] = POINT{pts[i].h, pts[i].v};
    return out;
}

} // namespace

COLORREF toColorRef(Color c) { return RGB(c.red, c.green, c.blue); }

GdiSurface::GdiSurface(HDC dc, int width, int height) : dc_(dc), width_(width), height_(height) {
    remember();
}

GdiSurface::GdiSurface(HDC dc, int width, int height, std::function<void(HDC)> release)
    : dc_(dc), release_(std::move(release)), width_(width), height_(height) {
    remember();
}

GdiSurface::GdiSurface(HDC memory, HBITMAP bitmap, int width, int height)
    : dc_(memory), bitmap_(bitmap), width_(width), height_(height) {
    firstBitmap_ = SelectObject(dc_, bitmap_);
    remember();
}

std::unique_ptr<GdiSurface> GdiSurface::adopt(HBITMAP bitmap) {
    BITMAP info{};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return nullptr;
    HDC memory = CreateCompatibleDC(nullptr);
    if (!memory) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return std::unique_ptr<GdiSurface>(new GdiSurface(memory, bitmap, info.bmWidth, info.bmHeight));
}

std::unique_ptr<GdiSurface> GdiSurface::create(int width, int height) {
    if (width < 1 || height < 1) return nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    auto surface = adopt(bitmap);
    if (surface) PatBlt(surface->dc_, 0, 0, width, height, BLACKNESS);
    return surface;
}

std::unique_ptr<GdiSurface> GdiSurface::fromBmp(const unsigned char* data, std::size_t size) {
    if (!data || size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return nullptr;
    BITMAPFILEHEADER file;
    std::memcpy(&file, data, sizeof file);
    BITMAPINFOHEADER info;
    std::memcpy(&info, data + sizeof file, sizeof info);
    if (file.bfType != 0x4D42 || info.biCompression != BI_RGB ||
        (info.biBitCount != 24 && info.biBitCount != 32) || info.biWidth < 1 || info.biHeight == 0)
        return nullptr;
    const long long height = info.biHeight < 0 ? -(long long)info.biHeight : info.biHeight;
    const long long stride = ((long long)info.biWidth * info.biBitCount / 8 + 3) & ~3LL;
    if (file.bfOffBits > size || (long long)(size - file.bfOffBits) < stride * height) return nullptr;
    auto surface = create(info.biWidth, int(height));
    if (!surface) return nullptr;
    BITMAPINFO header{};
    header.bmiHeader = info;
    SetDIBits(surface->dc_, surface->bitmap_, 0, UINT(height), data + file.bfOffBits, &header,
              DIB_RGB_COLORS);
    return surface;
}

void GdiSurface::remember() {
    // The context's own state comes back whole when the surface goes.
    savedDc_ = SaveDC(dc_);
    firstPen_ = GetCurrentObject(dc_, OBJ_PEN);
    firstBrush_ = GetCurrentObject(dc_, OBJ_BRUSH);
    firstFont_ = GetCurrentObject(dc_, OBJ_FONT);
    SetBkMode(dc_, TRANSPARENT);
    applyPen();
    setBrush(state_.brushColor);
    SetTextColor(dc_, toColorRef(state_.textColor));
    SetBkColor(dc_, toColorRef(state_.backColor));
}

GdiSurface::~GdiSurface() {
    if (savedDc_) RestoreDC(dc_, savedDc_);
    SelectObject(dc_, firstPen_);
    SelectObject(dc_, firstBrush_);
    SelectObject(dc_, firstFont_);
    for (HGDIOBJ o : {pen_, brush_, font_})
        if (o) DeleteObject(o);
    for (HGDIOBJ o : retired_) DeleteObject(o);
    if (bitmap_) {
        SelectObject(dc_, firstBitmap_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    } else if (release_) {
        release_(dc_);
    }
}

int GdiSurface::save() {
    const int level = SaveDC(dc_);
    if (level > 0) saves_.emplace_back(level, state_);
    return level;
}

void GdiSurface::restore(int saved) {
    auto it = saves_.begin();
    while (it != saves_.end() && it->first != saved) ++it;
    if (it == saves_.end()) return;
    RestoreDC(dc_, saved);
    state_ = it->second;
    saves_.erase(it, saves_.end());
    resync(pen_, OBJ_PEN);
    resync(brush_, OBJ_BRUSH);
    resync(font_, OBJ_FONT);
    if (saves_.empty()) {
        for (HGDIOBJ o : retired_) DeleteObject(o);
        retired_.clear();
    }
}

void GdiSurface::resync(HGDIOBJ& slot, UINT type) {
    HGDIOBJ current = GetCurrentObject(dc_, type);
    if (current == slot) return;
    if (slot) retired_.push_back(slot);
    slot = nullptr;
    for (auto it = retired_.begin(); it != retired_.end(); ++it)
        if (*it == current) {
            slot = current;
            retired_.erase(it);
            break;
        }
}

void GdiSurface::replace(HGDIOBJ& slot, HGDIOBJ next, int stock) {
    SelectObject(dc_, next ? next : GetStockObject(stock));
    if (slot) {
        // A saved state may select it again on restore.
        if (saves_.empty()) DeleteObject(slot);
        else retired_.push_back(slot);
    }
    slot = next;
}

void GdiSurface::applyPen() {
    HPEN next = CreatePen(state_.penDotted ? PS_DOT : PS_SOLID, state_.penWidth, toColorRef(state_.penColor));
    replace(pen_, next, NULL_PEN);
}

void GdiSurface::setPen(Color c, int width, bool dotted) {
    state_.penColor = c;
    state_.penWidth = width;
    state_.penDotted = dotted;
    applyPen();
}

void GdiSurface::setBrush(Color c) {
    LOGBRUSH description{BS_SOLID, toColorRef(c), 0};
    HBRUSH next = CreateBrushIndirect(&description);
    if (!next) return;  // the previous brush stays
    state_.brushColor = c;
    replace(brush_, next, NULL_BRUSH);
}

void GdiSurface::setTextColor(Color c) {
    state_.textColor = c;
    SetTextColor(dc_, toColorRef(c));
}

void GdiSurface::setBackColor(Color c) {
    state_.backColor = c;
    SetBkColor(dc_, toColorRef(c));
}

void GdiSurface::setDrawMode(DrawMode m) {
    state_.mode = m;
    SetROP2(dc_, m == DrawMode::merge ? R2_MERGEPEN : m == DrawMode::notXor ? R2_NOTXORPEN : R2_COPYPEN);
}

void GdiSurface::setFont(const FontSpec& f) {
    state_.font = f;
    LOGFONTA description{};
    description.lfHeight = -f.pixelHeight;
    description.lfWeight = f.bold ? FW_BOLD : FW_NORMAL;
    description.lfItalic = f.italic;
    description.lfUnderline = f.underline;
    description.lfCharSet = ANSI_CHARSET;
    description.lfOutPrecision = OUT_STRING_PRECIS;
    description.lfClipPrecision = CLIP_STROKE_PRECIS;
    description.lfQuality = DEFAULT_QUALITY;
    description.lfPitchAndFamily = f.decorative ? (DEFAULT_PITCH | FF_DECORATIVE) : (VARIABLE_PITCH | FF_SWISS);
    std::snprintf(description.lfFaceName, LF_FACESIZE, "%s", f.face ? f.face : "Arial");
    replace(font_, CreateFontIndirectA(&description), SYSTEM_FONT);
}

void GdiSurface::setClip(const Rect* r) {
    if (!r) {
        SelectClipRgn(dc_, nullptr);
        return;
    }
    HRGN region = CreateRectRgn(r->left, r->top, r->right, r->bottom);
    SelectClipRgn(dc_, region);
    DeleteObject(region);
}

void GdiSurface::moveTo(Point p) { MoveToEx(dc_, p.h, p.v, nullptr); }
void GdiSurface::lineTo(Point p) { LineTo(dc_, p.h, p.v); }

void GdiSurface::polyline(const Point* pts, int count) {
    if (!pts || count < 1) return;
    const auto points = toPoints(pts, count);
    Polyline(dc_, points.data(), count);
}

template <class Draw>
void GdiSurface::withoutPen(Draw draw) {
    HGDIOBJ previous = SelectObject(dc_, GetStockObject(NULL_PEN));
    draw();
    SelectObject(dc_, previous);
}

void GdiSurface::fillPolygon(const Point* pts, int count) {
    if (!pts || count < 1) return;
    const auto points = toPoints(pts, count);
    SetPolyFillMode(dc_, ALTERNATE);
    withoutPen([&] { Polygon(dc_, points.data(), count); });
}

void GdiSurface::fillRect(const Rect& r) {
    const RECT area{r.left, r.top, r.right, r.bottom};
    FillRect(dc_, &area, static_cast<HBRUSH>(GetCurrentObject(dc_, OBJ_BRUSH)));
}

void GdiSurface::fillEllipse(const Rect& r) {
    withoutPen([&] { Ellipse(dc_, r.left, r.top, r.right, r.bottom); });
}

void GdiSurface::arc(const Rect& r, Point start, Point end) {
    Arc(dc_, r.left, r.top, r.right, r.bottom, start.h, start.v, end.h, end.v);
}

void GdiSurface::pie(const Rect& r, Point start, Point end) {
    withoutPen([&] { Pie(dc_, r.left, r.top, r.right, r.bottom, start.h, start.v, end.h, end.v); });
}

void GdiSurface::setPixel(Point p, Color c) { SetPixel(dc_, p.h, p.v, toColorRef(c)); }

Color GdiSurface::getPixel(Point p) const {
    const COLORREF c = GetPixel(dc_, p.h, p.v);
    if (c == CLR_INVALID) return Color{};
    return Color{GetRValue(c), GetGValue(c), GetBValue(c), 0};
}

void GdiSurface::floodFill(Point p) {
    const COLORREF c = GetPixel(dc_, p.h, p.v);
    if (c != CLR_INVALID) ExtFloodFill(dc_, p.h, p.v, c, FLOODFILLSURFACE);
}

int GdiSurface::textWidth(const char* text) {
    SIZE size{};
    if (!text || !GetTextExtentPoint32A(dc_, text, int(std::strlen(text)), &size)) return 0;
    return size.cx;
}

void GdiSurface::drawText(const char* text, const Rect& r, TextAlign align, bool opaque) {
    if (!text) return;
    SetBkMode(dc_, opaque ? OPAQUE : TRANSPARENT);
    RECT box{r.left, r.top, r.right, r.bottom};
    const UINT how = (align == TextAlign::center ? DT_CENTER : align == TextAlign::right ? DT_RIGHT : DT_LEFT) |
                     DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    DrawTextA(dc_, text, -1, &box, how);
    SetBkMode(dc_, TRANSPARENT);
}

void GdiSurface::copyFrom(const Surface& src, const Rect& dst, Point srcOrigin) {
    if (HDC source = sourceDc(src))
        BitBlt(dc_, dst.left, dst.top, dst.width(), dst.height(), source, srcOrigin.h, srcOrigin.v, SRCCOPY);
}

namespace {
// A one-bit GDI bitmap: set (white) where the key colour was.
class GdiMask final : public Mask {
public:
    GdiMask(HBITMAP bitmap, int width, int height) : bitmap_(bitmap), width_(width), height_(height) {}
    ~GdiMask() override { DeleteObject(bitmap_); }
    int width() const override { return width_; }
    int height() const override { return height_; }
    HBITMAP bitmap() const { return bitmap_; }

private:
    HBITMAP bitmap_;
    int width_;
    int height_;
};

// Copies an area into a new one-bit bitmap: pixels of the source's back
// colour (the key) become set.
HBITMAP monochromeOf(HDC source, Point origin, int width, int height, COLORREF key) {
    HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
    if (!mask) return nullptr;
    HDC maskDc = CreateCompatibleDC(source);
    HGDIOBJ old = SelectObject(maskDc, mask);
    const COLORREF back = SetBkColor(source, key);
    BitBlt(maskDc, 0, 0, width, height, source, origin.h, origin.v, SRCCOPY);
    SetBkColor(source, back);
    SelectObject(maskDc, old);
    DeleteDC(maskDc);
    return mask;
}
} // namespace

void GdiSurface::copyThroughMask(HDC source, const Rect& dst, Point srcOrigin, HBITMAP mask, Point maskOrigin) {
    const int w = dst.width(), h = dst.height();
    HDC maskDc = CreateCompatibleDC(dc_);
    HGDIOBJ oldMask = SelectObject(maskDc, mask);
    const COLORREF back = SetBkColor(dc_, RGB(255, 255, 255));
    const COLORREF text = SetTextColor(dc_, RGB(0, 0, 0));
    // Source xor destination, then the mask keeps only the destination's
    // pixels (zero elsewhere), then xor with the source again.
    BitBlt(dc_, dst.left, dst.top, w, h, source, srcOrigin.h, srcOrigin.v, SRCINVERT);
    BitBlt(dc_, dst.left, dst.top, w, h, maskDc, maskOrigin.h, maskOrigin.v, SRCAND);
    BitBlt(dc_, dst.left, dst.top, w, h, source, srcOrigin.h, srcOrigin.v, SRCINVERT);
    SetBkColor(dc_, back);
    SetTextColor(dc_, text);
    SelectObject(maskDc, oldMask);
    DeleteDC(maskDc);
}

void GdiSurface::copyTransparent(const Surface& src, const Rect& dst, Point srcOrigin, Color key) {
    HDC source = sourceDc(src);
    const int w = dst.width(), h = dst.height();
    if (!source || w <= 0 || h <= 0) return;
    if (const auto transparentBlt = blendLibrary().transparentBlt) {
        transparentBlt(dc_, dst.left, dst.top, w, h, source, srcOrigin.h, srcOrigin.v, w, h, toColorRef(key));
        return;
    }
    // Without TransparentBlt: a one-bit mask in which the key colour is set.
    HBITMAP mask = monochromeOf(source, srcOrigin, w, h, toColorRef(key));
    if (!mask) return;
    copyThroughMask(source, dst, srcOrigin, mask, Point());
    DeleteObject(mask);
}

std::unique_ptr<Mask> GdiSurface::createMask(Point origin, int width, int height, Color key) const {
    if (width < 1 || height < 1) return nullptr;
    HBITMAP mask = monochromeOf(dc_, origin, width, height, toColorRef(key));
    if (!mask) return nullptr;
    return std::make_unique<GdiMask>(mask, width, height);
}

void GdiSurface::copyMasked(const Surface& src, const Rect& dst, Point srcOrigin, const Mask& mask) {
    HDC source = sourceDc(src);
    const auto* bits = dynamic_cast<const GdiMask*>(&mask);
    if (!source || !bits || bits->width() != src.width() || bits->height() != src.height() || dst.isEmpty()) return;
    copyThroughMask(source, dst, srcOrigin, bits->bitmap(), srcOrigin);
}

void GdiSurface::copyBlended(const Surface& src, const Rect& dst, Point srcOrigin, int alpha) {
    HDC source = sourceDc(src);
    const auto alphaBlend = blendLibrary().alphaBlend;
    if (!source || !alphaBlend || dst.isEmpty()) return;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(alpha < 0 ? 0 : alpha > 255 ? 255 : alpha), 0};
    alphaBlend(dc_, dst.left, dst.top, dst.width(), dst.height(), source, srcOrigin.h, srcOrigin.v,
               dst.width(), dst.height(), blend);
}

bool GdiSurface::saveBmp(const char* path) const {
    if (width_ < 1 || height_ < 1) return false;
    // Rows of the context's pixels, read through a bitmap of our own so
    // that window contexts work as well as memory ones.
    HDC memory = CreateCompatibleDC(dc_);
    HBITMAP copy = CreateCompatibleBitmap(dc_, width_, height_);
    HGDIOBJ old = SelectObject(memory, copy);
    BitBlt(memory, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const int stride = (width_ * 3 + 3) & ~3;
    std::vector<unsigned char> pixels(std::size_t(stride) * std::size_t(height_));
    const int rows = GetDIBits(memory, copy, 0, UINT(height_), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(copy);
    DeleteDC(memory);
    if (rows != height_) return false;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = DWORD(file.bfOffBits + pixels.size());
    FILE* out = std::fopen(path, "wb");
    if (!out) return false;
    bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 &&
              std::fwrite(&info.bmiHeader, sizeof(BITMAPINFOHEADER), 1, out) == 1 &&
              std::fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
    return std::fclose(out) == 0 && ok;
}

} // namespace strellon::platform
