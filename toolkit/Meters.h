#pragma once
#include "toolkit/View.h"

namespace strellon {

// Draws its value as whole digits picked from a strip of ten digit images
// (0 at the top), with leading zeros.
class DigitDisplay : public Control {
public:
    static constexpr int kMaxDigits = 7;
    DigitDisplay(const Rect& size, ControlListener* listener, int tag, int digits, Bitmap* background);
    void draw(DrawContext* context) override;
    int getDigits() const { return digits_; }

protected:
    int digits_;
};

// A bar from an "on" and an "off" picture in whole segments. The shown
// value jumps up at once and falls back by 0.1 per redraw.
class LevelMeter : public Control {
public:
    enum Style : int { kHorizontal = 1, kVertical = 2 };
    LevelMeter(const Rect& size, Bitmap* onBitmap, Bitmap* offBitmap, int segments, int style = kVertical);
    void draw(DrawContext* context) override;
    void redrawIfDirty(DrawContext* context) override;
    float shownValue() const { return shown_; }

protected:
    ~LevelMeter() override;
    Bitmap* offBitmap_ = nullptr;
    int segments_;
    int style_;
    float shown_ = 0.0f;
};

} // namespace strellon
