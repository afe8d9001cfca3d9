#pragma once
#include "toolkit/View.h"

namespace strellon {

// A switch of several positions picked by where the pointer is; the frame
// shown is the nearest position. Base of the vertical and horizontal forms.
class MultiSwitch : public Control {
public:
    void draw(DrawContext* context) override;
    void onMouseDown(DrawContext* context, Point where) override;

protected:
    MultiSwitch(const Rect& size, ControlListener* listener, int tag, int frameCount, int frameHeight,
                int positions, Bitmap* background, Point offset, bool vertical);
    float valueAt(Point pointer) const;

    Point offset_;
    int frameHeight_;
    int positions_;
    bool vertical_;
};

class VerticalSwitch : public MultiSwitch {
public:
    VerticalSwitch(const Rect& size, ControlListener* listener, int tag, int frameCount, int frameHeight,
                   int positions, Bitmap* background, Point offset = Point());
};

class HorizontalSwitch : public MultiSwitch {
public:
    HorizontalSwitch(const Rect& size, ControlListener* listener, int tag, int frameCount, int frameHeight,
                     int positions, Bitmap* background, Point offset = Point());
};

// -1 or +1 while pressed, by which half the pointer is in, and 0 again on
// release. Three frames: minus, rest, plus.
class RockerSwitch : public Control {
public:
    enum Style : int { kHorizontal = 1, kVertical = 2 };
    RockerSwitch(const Rect& size, ControlListener* listener, int tag, int frameHeight, Bitmap* background,
                 Point offset = Point(), int style = kHorizontal);

    void draw(DrawContext* context) override;
    void onMouseDown(DrawContext* context, Point where) override;
    bool onWheel(DrawContext* context, Point where, float distance) override;

protected:
    Point offset_;
    int frameHeight_;
    int style_;
};

} // namespace strellon
