#include "toolkit/Slider.h"

#include <algorithm>

#include "toolkit/Bitmap.h"
#include "toolkit/DrawContext.h"
#include "toolkit/Frame.h"
#include "toolkit/PressTracking.h"

namespace strellon {

Slider::Slider(const Rect& size, ControlListener* listener, int tag, int firstPosition, int lastPosition,
               Bitmap* handle, Bitmap* background, Point offset, int style)
    : Control(size, listener, tag, background), style_(style), width_(size.width()), height_(size.height()) {
    backOffset_ = offset;
    Slider::setHandleBitmap(handle);
    startOffset_ = firstPosition - (horizontal() ? size.left : size.top);
    range_ = lastPosition - firstPosition;
    setHandleOffset(Point());
}

Slider::Slider(const Rect& size, ControlListener* listener, int tag, Point handleOffset, int travelRange,
               Bitmap* handle, Bitmap* background, Point offset, int style)
    : Control(size, listener, tag, background), style_(style), width_(size.width()), height_(size.height()) {
    backOffset_ = offset;
    Slider::setHandleBitmap(handle);
    range_ = travelRange - handleSize();
    setHandleOffset(handleOffset);
}

Slider::~Slider() { replaceRetained(handle_, nullptr); }

void Slider::setHandleOffset(Point p) {
    handleOffset_ = p;
    minPos_ = (horizontal() ? p.h : p.v) + startOffset_;
    maxPos_ = minPos_ + range_ + handleSize();
}

void Slider::setHandleBitmap(Bitmap* bitmap) {
    replaceRetained(handle_, bitmap);
    handleWidth_ = handle_ ? handle_->getWidth() : 1;
    handleHeight_ = handle_ ? handle_->getHeight() : 1;
}

bool Slider::onAttached(View* parent) {
    offscreen_ = std::make_unique<OffscreenContext>(frame_, width_, height_, black);
    return Control::onAttached(parent);
}

bool Slider::onDetached(View* parent) {
    offscreen_.reset();
    return Control::onDetached(parent);
}

float Slider::travelShare() const { return (style_ & (kLeft | kTop)) ? value_ : 1.0f - value_; }

Rect Slider::handleRect() const {
    const int travel = int(float(range_) * travelShare());
    Rect r;
    if (horizontal()) {
        r.top = handleOffset_.v;
        r.bottom = r.top + handleHeight_;
        r.left = std::max(handleOffset_.h + travel, minPos_);
        r.right = std::min(r.left + handleWidth_, maxPos_);
    } else {
        r.left = handleOffset_.h;
        r.right = r.left + handleWidth_;
        r.top = std::max(handleOffset_.v + travel, minPos_);
        r.bottom = std::min(r.top + handleHeight_, maxPos_);
    }
    return r;
}

void Slider::draw(DrawContext* context) {
    if (!offscreen_) return;
    drawBackgroundAt(offscreen_.get(), Rect(0, 0, width_, height_), backOffset_);
    if (handle_) {
        if (transparentHandle_) handle_->drawTransparent(offscreen_.get(), handleRect(), Point());
        else handle_->draw(offscreen_.get(), handleRect(), Point());
    }
    offscreen_->copyTo(context, size_, Point());
    setDirty(false);
}

void Slider::onMouseDown(DrawContext* context, Point where) {
    const int buttons = clickButtons(context);
    if (!buttons || resetOnControlClick(context, buttons)) return;

    const bool h = horizontal();
    const int click = h ? where.h : where.v;
    int base = h ? size_.left + handleOffset_.h : size_.top + handleOffset_.v;
    if (freeClick_) {
        base += handleSize() / 2 - 1;
    } else {
        const int start = int(float(range_) * travelShare()) + (h ? handleOffset_.h + size_.left
                                                                  : handleOffset_.v + size_.top);
        if (click < start || click > start + handleSize()) return;
        base += click - start;
    }

    float previous = value_;
    int previousButtons = buttons;
    const bool inverted = style_ & (kRight | kBottom);
    // Checked before each pass: the pass that sees the release changes
    // nothing, so letting go of Shift and the button together keeps the value.
    trackEdit(context, where, true, [&](int now, Point pointer) {
        if (!(now & kLButton)) return false;
        const bool fine = now & kShift;
        if (now != previousButtons && fine) {
            previous = value_;
            previousButtons = now;
        } else if (!fine) {
            previous = value_;
        }
        // A slider without travel stays at its start rather than dividing by 0.
        float raw = range_ != 0 ? float((h ? pointer.h : pointer.v) - base) / float(range_) : 0.0f;
        if (inverted) raw = 1.0f - raw;
        value_ = fine ? previous + (raw - previous) / zoomFactor_ : raw;
        clampValue();
        notifyListener(context);
        return true;
    });
}

bool Slider::onWheel(DrawContext* context, Point, float distance) { return stepByWheel(context, distance); }

int Slider::onKeyDown(const KeyCode& key) { return stepByArrowKey(key); }

HorizontalSlider::HorizontalSlider(const Rect& size, ControlListener* listener, int tag, int firstPosition,
                                   int lastPosition, Bitmap* handle, Bitmap* background, Point offset, int style)
    : Slider(size, listener, tag, firstPosition, lastPosition, handle, background, offset,
             style | kHorizontal) {}

HorizontalSlider::HorizontalSlider(const Rect& size, ControlListener* listener, int tag, Point handleOffset,
                                   int travelRange, Bitmap* handle, Bitmap* background, Point offset, int style)
    : Slider(size, listener, tag, handleOffset, travelRange, handle, background, offset, style | kHorizontal) {}

VerticalSlider::VerticalSlider(const Rect& size, ControlListener* listener, int tag, int firstPosition,
                               int lastPosition, Bitmap* handle, Bitmap* background, Point offset, int style)
    : Slider(size, listener, tag, firstPosition, lastPosition, handle, background, offset, style | kVertical) {}

VerticalSlider::VerticalSlider(const Rect& size, ControlListener* listener, int tag, Point handleOffset,
                               int travelRange, Bitmap* handle, Bitmap* background, Point offset, int style)
    : Slider(size, listener, tag, handleOffset, travelRange, handle, background, offset, style | kVertical) {}

} // namespace strellon
