#pragma once
#include "toolkit/View.h"

namespace strellon {

// A click shows a large bitmap over a display area as the frame's modal
// view; the next click in it hides it again.
class SplashScreen : public Control {
public:
    SplashScreen(const Rect& size, ControlListener* listener, int tag, Bitmap* background,
                 const Rect& displayArea, Point offset = Point());

    void draw(DrawContext* context) override;
    bool hitTest(Point where, int buttons) override;
    void onMouseDown(DrawContext* context, Point where) override;

    virtual void closeSplash();

    const Rect& displayArea() const { return displayArea_; }

protected:
    Rect displayArea_;
    Rect keepSize_;
    Point offset_;
    bool sizeKept_ = false;
};

} // namespace strellon
