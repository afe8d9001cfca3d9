#include "toolkit/Meters.h"

#include <algorithm>
#include <cmath>

#include "toolkit/Bitmap.h"
#include "toolkit/DrawContext.h"

namespace strellon {

DigitDisplay::DigitDisplay(const Rect& size, ControlListener* listener, int tag, int digits,
                           Bitmap* background)
    : Control(size, listener, tag, background), digits_(std::clamp(digits, 1, kMaxDigits)) {
    float top = 1.0f;
    for (int i = 0; i < digits_; ++i) top *= 10.0f;
    max_ = top - 1.0f;
}

void DigitDisplay::draw(DrawContext* context) {
    setDirty(false);
    if (!background_) return;
    const int digitHeight = background_->getHeight() / 10;
    const int digitWidth = size_.width() / digits_;
    const float clamped = std::isfinite(value_) ? std::clamp(value_, min_, max_) : 0.0f;
    long number = std::lround(clamped);
    for (int i = digits_ - 1; i >= 0; --i) {
        const int digit = int(number % 10);
        number /= 10;
        const int left = size_.left + i * digitWidth;
        const Rect cell(left, size_.top, left + digitWidth, size_.bottom);
        drawBackgroundAt(context, cell, Point(0, digit * digitHeight));
    }
}

LevelMeter::LevelMeter(const Rect& size, Bitmap* onBitmap, Bitmap* offBitmap, int segments, int style)
    : Control(size, nullptr, 0, onBitmap), segments_(std::max(1, segments)), style_(style) {
    replaceRetained(offBitmap_, offBitmap);
}

LevelMeter::~LevelMeter() { replaceRetained(offBitmap_, nullptr); }

void LevelMeter::draw(DrawContext* context) {
    const float target = std::isfinite(value_) ? std::clamp(value_, 0.0f, 1.0f) : 0.0f;
    shown_ = target >= shown_ ? target : std::max(target, shown_ - 0.1f);
    const float lit = std::floor(shown_ * float(segments_) + 0.5f) / float(segments_);

    if (offBitmap_) {
        if (transparent_) offBitmap_->drawTransparent(context, size_, Point());
        else offBitmap_->draw(context, size_, Point());
    }
    if (background_) {
        Rect on = size_;
        if (style_ & kHorizontal) on.right = on.left + int(float(size_.width()) * lit);
        else on.top = on.bottom - int(float(size_.height()) * lit);
        const Point source(on.left - size_.left, on.top - size_.top);
        if (!on.isEmpty()) drawBackgroundAt(context, on, source);
    }
    // Still falling: draw again at the next update.
    setDirty(shown_ > target);
}

// Draw decides whether the meter stays dirty; the usual clearing after the
// draw would stop a falling bar.
void LevelMeter::redrawIfDirty(DrawContext* context) {
    if (isDirty()) draw(context);
}

} // namespace strellon
