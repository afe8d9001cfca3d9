#include "toolkit/Switches.h"

#include <algorithm>

#include "toolkit/DrawContext.h"
#include "toolkit/PressTracking.h"

namespace strellon {

// The frame count is taken for the callers' sake; positions pick the frame.
MultiSwitch::MultiSwitch(const Rect& size, ControlListener* listener, int tag, int /*frameCount*/,
                         int frameHeight, int positions, Bitmap* background, Point offset, bool vertical)
    : Control(size, listener, tag, background), offset_(offset), frameHeight_(frameHeight),
      positions_(positions), vertical_(vertical) {}

void MultiSwitch::draw(DrawContext* context) {
    const int frame = int(float(positions_ - 1) * value_ + 0.5f);
    drawBackground(context, offset_.offset(0, frame * frameHeight_));
    setDirty(false);
}

float MultiSwitch::valueAt(Point pointer) const {
    if (positions_ < 2) return 0.0f;
    const float extent = float(vertical_ ? size_.height() : size_.width());
    const float along = float(vertical_ ? pointer.v - size_.top : pointer.h - size_.left);
    const int band = int(along / (extent / float(positions_)));
    return std::clamp(float(band) / float(positions_ - 1), 0.0f, 1.0f);
}

void MultiSwitch::onMouseDown(DrawContext* context, Point where) {
    const int buttons = clickButtons(context);
    if (!buttons || resetOnControlClick(context, buttons)) return;
    trackPress(context, where, buttons, [this](Point pointer) { return valueAt(pointer); });
}

VerticalSwitch::VerticalSwitch(const Rect& size, ControlListener* listener, int tag, int frameCount,
                               int frameHeight, int positions, Bitmap* background, Point offset)
    : MultiSwitch(size, listener, tag, frameCount, frameHeight, positions, background, offset, true) {}

HorizontalSwitch::HorizontalSwitch(const Rect& size, ControlListener* listener, int tag, int frameCount,
                                   int frameHeight, int positions, Bitmap* background, Point offset)
    : MultiSwitch(size, listener, tag, frameCount, frameHeight, positions, background, offset, false) {}

RockerSwitch::RockerSwitch(const Rect& size, ControlListener* listener, int tag, int frameHeight,
                           Bitmap* background, Point offset, int style)
    : Control(size, listener, tag, background), offset_(offset), frameHeight_(frameHeight), style_(style) {
    min_ = -1.0f;
    max_ = 1.0f;
    defaultValue_ = 0.0f;
}

void RockerSwitch::draw(DrawContext* context) {
    const int frame = value_ < 0.0f ? 0 : value_ > 0.0f ? 2 : 1;
    drawBackground(context, offset_.offset(0, frame * frameHeight_));
    setDirty(false);
}

void RockerSwitch::onMouseDown(DrawContext* context, Point where) {
    const int buttons = clickButtons(context);
    if (!buttons) return;
    const bool vertical = style_ & kVertical;
    // Left or top half lowers, right or bottom half raises.
    const auto valueAt = [&](Point pointer) {
        const bool firstHalf = vertical ? pointer.v < size_.top + size_.height() / 2
                                        : pointer.h < size_.left + size_.width() / 2;
        return firstHalf ? -1.0f : 1.0f;
    };
    // The return to rest is always told, even if nothing was drawn between.
    const auto backToRest = [&] {
        value_ = 0.0f;
        if (listener_) listener_->valueChanged(context, this);
    };
    trackPress(context, where, buttons, valueAt, backToRest);
}

bool RockerSwitch::onWheel(DrawContext* context, Point, float distance) {
    if (!mouseEnabled_) return false;
    value_ = distance > 0.0f ? 1.0f : -1.0f;
    if (listener_) listener_->valueChanged(context, this);
    value_ = 0.0f;
    if (listener_) listener_->valueChanged(context, this);
    return true;
}

} // namespace strellon
