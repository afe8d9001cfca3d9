#include "toolkit/Bitmap.h"

#include "platform/Window.h"
#include "toolkit/DrawContext.h"

namespace strellon {

namespace {

std::unique_ptr<platform::Surface> loadPicture(int resourceId) {
    platform::Module* m = platform::module();
    return m ? m->loadBitmap(resourceId) : nullptr;
}

std::unique_ptr<platform::Surface> blankPicture(int width, int height) {
    platform::Module* m = platform::module();
    return m ? m->createSurface(width, height) : nullptr;
}

} // namespace

Bitmap::Bitmap(int resourceId) : Bitmap(loadPicture(resourceId)) { resourceId_ = resourceId; }

Bitmap::Bitmap(int width, int height) : Bitmap(blankPicture(width, height)) {}

Bitmap::Bitmap(std::unique_ptr<platform::Surface> picture) : surface_(std::move(picture)) {
    if (surface_) {
        width_ = surface_->width();
        height_ = surface_->height();
    }
}

void Bitmap::release() {
    if (refCount_ <= 0) return;
    if (--refCount_ == 0) delete this;
}

void Bitmap::draw(DrawContext* context, const Rect& rect, Point offset) {
    if (!surface_ || !context || !context->getSurface()) return;
    const Point o = context->getOffset();
    context->getSurface()->copyFrom(*surface_, rect.offset(o.h, o.v), offset);
}

void Bitmap::drawTransparent(DrawContext* context, const Rect& rect, Point offset) {
    if (!surface_ || !context || !context->getSurface()) return;
    platform::Surface& dst = *context->getSurface();
    const Rect d = rect.offset(context->getOffset().h, context->getOffset().v);
    // With a mask, its set bits keep the destination instead of the key.
    if (!mask_) dst.copyTransparent(*surface_, d, offset, transparentColor_);
    else dst.copyMasked(*surface_, d, offset, *mask_);
}

void Bitmap::drawAlphaBlend(DrawContext* context, const Rect& rect, Point offset, int alpha) {
    if (!surface_ || !context || !context->getSurface()) return;
    const Point o = context->getOffset();
    context->getSurface()->copyBlended(*surface_, rect.offset(o.h, o.v), offset, alpha);
}

void Bitmap::createMask(DrawContext* context, Point point) {
    mask_.reset();
    if (!surface_ || !context || !context->getSurface() || width_ <= 0 || height_ <= 0) return;
    mask_ = context->getSurface()->createMask(point, width_, height_, transparentColor_);
}

} // namespace strellon
