#include "toolkit/Knob.h"

#include <cmath>

#include "toolkit/Bitmap.h"
#include "toolkit/DrawContext.h"
#include "toolkit/Frame.h"
#include "toolkit/PressTracking.h"

namespace strellon {

namespace {
constexpr float kTwoPi = 6.2831855f;

float wrapTurn(float x) {
    if (x < 0.0f) return x + kTwoPi;
    if (double(x) > 6.283185307179586) return x - kTwoPi;
    return x;
}
} // namespace

Knob::Knob(const Rect& size, ControlListener* listener, int tag, Bitmap* background, Bitmap* handle,
           Point offset)
    : Control(size, listener, tag, background), offset_(offset),
      inset_(handle ? int(handle->getWidth() * 0.5 + 2.5) : 3), radius_(float(size.width()) * 0.5f) {
    replaceRetained(handleBitmap_, handle);
    setStartAngle(3.9269907f);
    setRangeAngle(-4.712389f);
}

Knob::~Knob() { replaceRetained(handleBitmap_, nullptr); }

void Knob::updateAngleScale() {
    aCoef_ = (max_ - min_) / rangeAngle_;
    bCoef_ = min_ - aCoef_ * startAngle_;
    halfAngle_ = (kTwoPi - std::fabs(rangeAngle_)) * 0.5f;
    setDirty(true);
}

void Knob::setStartAngle(float angle) {
    startAngle_ = angle;
    updateAngleScale();
}

void Knob::setRangeAngle(float angle) {
    rangeAngle_ = angle;
    updateAngleScale();
}

void Knob::setShadowColor(Color c) {
    shadowColor_ = c;
    setDirty(true);
}

void Knob::setHandleColor(Color c) {
    handleColor_ = c;
    setDirty(true);
}

void Knob::setHandleBitmap(Bitmap* bitmap) { replaceRetained(handleBitmap_, bitmap); }

void Knob::valueToPoint(Point& out) const {
    const float alpha = (value_ - bCoef_) / aCoef_;
    const float reach = radius_ - float(inset_);
    out.h = int32_t(radius_ + std::cos(alpha) * reach + 0.5f);
    out.v = int32_t(radius_ - std::sin(alpha) * reach + 0.5f);
}

float Knob::valueFromPoint(Point p) const {
    float alpha = std::atan2(radius_ - float(p.v), float(p.h) - radius_);
    if (alpha < 0.0f) alpha += kTwoPi;
    alpha -= startAngle_;
    const float r = rangeAngle_;
    if (r >= 0.0f) {
        const float beta = wrapTurn(alpha);
        const float limit = r + halfAngle_;
        if (beta > limit) return min_;
        if (beta > r) return max_;
        if (alpha > limit) return (alpha - kTwoPi) * aCoef_ + min_;
        if (alpha < -halfAngle_) alpha += kTwoPi;
        return alpha * aCoef_ + min_;
    }
    alpha -= r;
    const float beta = wrapTurn(alpha);
    const float limit = halfAngle_ - r;
    if (beta > limit) return max_;
    if (beta > -r) return min_;
    if (alpha > limit) return (alpha - kTwoPi) * aCoef_ + max_;
    if (alpha < -halfAngle_) alpha += kTwoPi;
    return alpha * aCoef_ + max_;
}

void Knob::draw(DrawContext* context) {
    drawBackground(context, offset_);
    drawHandle(context);
    setDirty(false);
}

void Knob::drawHandle(DrawContext* context) {
    Point p;
    valueToPoint(p);
    if (handleBitmap_) {
        const int w = handleBitmap_->getWidth(), h = handleBitmap_->getHeight();
        const Point at(size_.left + p.h - w / 2, size_.top + p.v - h / 2);
        handleBitmap_->drawTransparent(context, Rect(at.h, at.v, at.h + w, at.v + h), Point());
        return;
    }
    const Point tip(size_.left + p.h - 1, size_.top + p.v);
    const Point centre(size_.left + size_.width() / 2 - 1, size_.top + size_.height() / 2);
    context->setFrameColor(shadowColor_);
    context->moveTo(tip);
    context->lineTo(centre);
    context->setFrameColor(handleColor_);
    context->moveTo(tip.offset(1, -1));
    context->lineTo(centre.offset(1, -1));
}

void Knob::onMouseDown(DrawContext* context, Point where) {
    const int buttons = clickButtons(context);
    if (!buttons || resetOnControlClick(context, buttons)) return;

    const bool altHeld = buttons & kAlt;
    const bool linear = (Frame::getKnobMode() == 2) != altHeld;
    const Point topLeft = size_.topLeft();

    float startValue = 0.0f;
    float range = 200.0f;
    float k = 0.0f;
    float entryValue = value_;
    const Point first = where;
    if (linear) {
        if (buttons & kShift) range *= zoomFactor_;
        k = (max_ - min_) / range;
    } else {
        startValue = valueFromPoint(where.offset(-topLeft.h, -topLeft.v));
    }
    const float halfRange = (max_ - min_) * 0.5f;
    Point last(-1, -1);
    int previousButtons = buttons;
    trackEdit(context, where, true, [&](int now, Point pointer) {
        if (pointer != last) {
            last = pointer;
            if (linear) {
                const float d = float((pointer.h - pointer.v) - (first.h - first.v));
                if (now != previousButtons) {
                    // A new zoom keeps the value where it is: only later
                    // movement uses the new scale.
                    previousButtons = now;
                    const float newRange = (now & kShift) ? 200.0f * zoomFactor_ : 200.0f;
                    const float newK = (max_ - min_) / newRange;
                    entryValue += (k - newK) * d;
                    k = newK;
                }
                value_ = d * k + entryValue;
                clampValue();
            } else {
                const float v = valueFromPoint(pointer.offset(-topLeft.h, -topLeft.v));
                value_ = v;
                if (startValue - v > halfRange) value_ = max_;
                else if (v - startValue > halfRange) value_ = min_;
                else startValue = v;
            }
            notifyListener(context);
        }
        return (now & kLButton) != 0;
    });
}

bool Knob::onWheel(DrawContext* context, Point, float distance) { return stepByWheel(context, distance); }

int Knob::onKeyDown(const KeyCode& key) { return stepByArrowKey(key); }

AnimKnob::AnimKnob(const Rect& size, ControlListener* listener, int tag, int frameCount, int frameHeight,
                   Bitmap* background, Point offset)
    : Knob(size, listener, tag, background, nullptr, offset), frameCount_(frameCount),
      frameHeight_(frameHeight) {
    inset_ = 0;
}

Point AnimKnob::frameOffset() const {
    if (!(value_ >= 0.0f) || frameHeight_ <= 0 || frameCount_ < 1) return Point();
    const float span = float(frameHeight_) * float(frameCount_ - 1);
    const float f = inverse_ ? 1.0f - value_ : value_;
    // Values past either end stay on the end frames rather than off the strip.
    const int p = int(std::fmin(std::fmax(f * span, 0.0f), span));
    const int lastFrame = int(span);
    if (p >= lastFrame) return Point(0, p);
    return Point(0, (p / frameHeight_) * frameHeight_);
}

void AnimKnob::draw(DrawContext* context) {
    drawBackground(context, frameOffset());
    setDirty(false);
}

} // namespace strellon
