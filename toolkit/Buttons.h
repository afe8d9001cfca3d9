#pragma once
#include "toolkit/View.h"

namespace strellon {

// A two-state button over a two-frame background: off on top, on below.
class OnOffButton : public Control {
public:
    OnOffButton(const Rect& size, ControlListener* listener, int tag, Bitmap* background);
    void draw(DrawContext* context) override;
    void onMouseDown(DrawContext* context, Point where) override;
};

// Shows the filmstrip frame nearest its value; display only.
class MovieBitmap : public Control {
public:
    MovieBitmap(const Rect& size, ControlListener* listener, int tag, int frameCount, int frameHeight,
                Bitmap* background, Point offset = Point());
    void draw(DrawContext* context) override;

protected:
    Point offset_;
    int frameCount_;
    int frameHeight_;
};

// A filmstrip animation that a click starts or stops. Its value is the
// vertical pixel offset of the frame shown, not a 0 to 1 value.
class AnimationButton : public Control {
public:
    AnimationButton(const Rect& size, ControlListener* listener, int tag, int frameCount, int frameHeight,
                    Bitmap* background, Point offset = Point());
    void draw(DrawContext* context) override;
    void onMouseDown(DrawContext* context, Point where) override;

    virtual void start() { running_ = true; }
    virtual void stop() { running_ = false; }
    virtual void nextFrame();
    virtual void previousFrame();

    bool isRunning() const { return running_; }

protected:
    Point offset_;
    int frameHeight_;
    int totalHeight_;
    bool running_ = false;
};

// Toggles while the pointer is inside during a press; two frames.
class ToggleButton : public Control {
public:
    ToggleButton(const Rect& size, ControlListener* listener, int tag, Bitmap* background,
                 Point offset = Point());
    void draw(DrawContext* context) override;
    void onMouseDown(DrawContext* context, Point where) override;

protected:
    // Follows the pointer until the button word changes.
    void track(DrawContext* context, Point where, int buttons);
    Point offset_;
};

// A toggle that follows the pointer only for the left button alone; any
// other press toggles at once.
class TrackingToggle : public ToggleButton {
public:
    TrackingToggle(const Rect& size, ControlListener* listener, int tag, Bitmap* background,
                   Point offset = Point());
    void onMouseDown(DrawContext* context, Point where) override;
};

} // namespace strellon
