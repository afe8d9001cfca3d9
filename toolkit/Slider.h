#pragma once
#include <memory>

#include "toolkit/View.h"

namespace strellon {

class OffscreenContext;

// A handle bitmap moved over a background. Background and handle are drawn
// into an offscreen of the slider's size and copied out in one block, so the
// handle never flickers; the offscreen exists while the slider is attached.
class Slider : public Control {
public:
    enum Style : int { kHorizontal = 1, kVertical = 2, kLeft = 8, kRight = 16, kTop = 32, kBottom = 64 };

    // Handle travels from the first to the last position (frame coordinates).
    Slider(const Rect& size, ControlListener* listener, int tag, int firstPosition, int lastPosition,
           Bitmap* handle, Bitmap* background, Point offset, int style);
    // Handle travels over a range (in pixels, the handle included) from an
    // offset inside the slider.
    Slider(const Rect& size, ControlListener* listener, int tag, Point handleOffset, int travelRange,
           Bitmap* handle, Bitmap* background, Point offset, int style);

    void draw(DrawContext* context) override;
    void onMouseDown(DrawContext* context, Point where) override;
    bool onWheel(DrawContext* context, Point where, float distance) override;
    int onKeyDown(const KeyCode& key) override;
    bool onAttached(View* parent) override;
    bool onDetached(View* parent) override;

    virtual void setTransparentHandle(bool flag) { transparentHandle_ = flag; }
    virtual void setFreeClick(bool flag) { freeClick_ = flag; }
    virtual bool getFreeClick() const { return freeClick_; }
    virtual void setHandleOffset(Point p);
    virtual void setHandleBitmap(Bitmap* bitmap);
    virtual Bitmap* getHandleBitmap() const { return handle_; }
    virtual void setZoomFactor(float factor) { zoomFactor_ = factor; }
    virtual float getZoomFactor() const { return zoomFactor_; }

    bool hasOffscreen() const { return offscreen_ != nullptr; }

protected:
    ~Slider() override;
    // The handle's rectangle relative to the slider for the present value.
    Rect handleRect() const;
    bool horizontal() const { return style_ & kHorizontal; }
    int handleSize() const { return horizontal() ? handleWidth_ : handleHeight_; }
    // The share of the travel the handle shows, from the start end.
    float travelShare() const;

    Point handleOffset_;
    Bitmap* handle_ = nullptr;
    std::unique_ptr<OffscreenContext> offscreen_;
    int handleWidth_ = 1;
    int handleHeight_ = 1;
    int range_ = 0;
    int style_;
    int minPos_ = 0;
    int maxPos_ = 0;
    int startOffset_ = 0;
    int width_;
    int height_;
    float zoomFactor_ = 10.0f;
    bool transparentHandle_ = true;
    bool freeClick_ = true;
};

class HorizontalSlider : public Slider {
public:
    HorizontalSlider(const Rect& size, ControlListener* listener, int tag, int firstPosition, int lastPosition,
                     Bitmap* handle, Bitmap* background, Point offset = Point(), int style = kLeft);
    HorizontalSlider(const Rect& size, ControlListener* listener, int tag, Point handleOffset, int travelRange,
                     Bitmap* handle, Bitmap* background, Point offset = Point(), int style = kLeft);
};

class VerticalSlider : public Slider {
public:
    VerticalSlider(const Rect& size, ControlListener* listener, int tag, int firstPosition, int lastPosition,
                   Bitmap* handle, Bitmap* background, Point offset = Point(), int style = kBottom);
    VerticalSlider(const Rect& size, ControlListener* listener, int tag, Point handleOffset, int travelRange,
                   Bitmap* handle, Bitmap* background, Point offset = Point(), int style = kBottom);
};

} // namespace strellon
