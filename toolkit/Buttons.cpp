#include "toolkit/Buttons.h"

#include <cmath>

#include "toolkit/Bitmap.h"
#include "toolkit/DrawContext.h"
#include "toolkit/Frame.h"
#include "toolkit/PressTracking.h"

namespace strellon {

OnOffButton::OnOffButton(const Rect& size, ControlListener* listener, int tag, Bitmap* background)
    : Control(size, listener, tag, background) {}

void OnOffButton::draw(DrawContext* context) {
    Point source;
    if (value_ != 0.0f && background_) source.v = background_->getHeight() / 2;
    drawBackground(context, source);
    setDirty(false);
}

void OnOffButton::onMouseDown(DrawContext* context, Point) {
    if (!clickButtons(context)) return;
    // Truncation decides: 0.7 counts as off. NaN counts as on.
    value_ = std::trunc(value_) != 0.0f ? 0.0f : 1.0f;
    pumpIdle();
    if (listener_) listener_->valueChanged(context, this);
}

MovieBitmap::MovieBitmap(const Rect& size, ControlListener* listener, int tag, int frameCount,
                         int frameHeight, Bitmap* background, Point offset)
    : Control(size, listener, tag, background), offset_(offset), frameCount_(frameCount),
      frameHeight_(frameHeight) {}

void MovieBitmap::draw(DrawContext* context) {
    if (value_ > 1.0f) value_ = 1.0f;
    Point source = offset_;
    if (value_ > 0.0f) source.v += int((frameCount_ - 1) * value_ + 0.5f) * frameHeight_;
    drawBackground(context, source);
    setDirty(false);
}

AnimationButton::AnimationButton(const Rect& size, ControlListener* listener, int tag, int frameCount,
                                 int frameHeight, Bitmap* background, Point offset)
    : Control(size, listener, tag, background), offset_(offset), frameHeight_(frameHeight),
      totalHeight_(frameCount * frameHeight) {}

void AnimationButton::nextFrame() {
    value_ += float(frameHeight_);
    if (value_ >= float(totalHeight_ - frameHeight_)) value_ = 0.0f;
}

void AnimationButton::previousFrame() {
    value_ -= float(frameHeight_);
    if (value_ < 0.0f) value_ = float(totalHeight_ - frameHeight_ - 1);
}

void AnimationButton::draw(DrawContext* context) {
    if (!running_) return;
    Point source = offset_;
    source.v += int32_t(value_);
    drawBackground(context, source);
    setDirty(false);
}

void AnimationButton::onMouseDown(DrawContext* context, Point) {
    if (!clickButtons(context)) return;
    if (running_) {
        draw(context);
        stop();
        return;
    }
    start();
    nextFrame();
    setDirty(true);
    if (frame_) frame_->draw(context);
    if (listener_) listener_->valueChanged(context, this);
}

ToggleButton::ToggleButton(const Rect& size, ControlListener* listener, int tag, Bitmap* background,
                           Point offset)
    : Control(size, listener, tag, background), offset_(offset) {}

void ToggleButton::draw(DrawContext* context) {
    Point source = offset_;
    if (value_ != 0.0f && background_) source.v += background_->getHeight() / 2;
    drawBackground(context, source);
    setDirty(false);
}

void ToggleButton::onMouseDown(DrawContext* context, Point where) {
    const int buttons = clickButtons(context);
    if (buttons) track(context, where, buttons);
}

void ToggleButton::track(DrawContext* context, Point where, int buttons) {
    const float clickValue = value_;
    const float flipped = clickValue == 0.0f ? 1.0f : 0.0f;
    trackPress(context, where, buttons,
               [&](Point pointer) { return size_.containsWithEdges(pointer) ? flipped : clickValue; });
}

TrackingToggle::TrackingToggle(const Rect& size, ControlListener* listener, int tag, Bitmap* background,
                               Point offset)
    : ToggleButton(size, listener, tag, background, offset) {}

void TrackingToggle::onMouseDown(DrawContext* context, Point where) {
    const int buttons = clickButtons(context);
    if (!buttons) return;
    if (buttons == kLButton) {
        track(context, where, buttons);
        return;
    }
    value_ = value_ == 0.0f ? 1.0f : 0.0f;
    notifyListener(context);
}

} // namespace strellon
