#pragma once
#include "toolkit/View.h"
#include "toolkit/Colors.h"

namespace strellon {

// A rotary control: a drawn handle line or a handle bitmap over the
// background, dragged around its centre or in a straight line, with wheel
// and arrow-key steps. The angles are in radians, counter-clockwise from
// three o'clock; a negative range turns clockwise.
class Knob : public Control {
public:
    Knob(const Rect& size, ControlListener* listener, int tag, Bitmap* background,
         Bitmap* handle, Point offset = Point());

    void draw(DrawContext* context) override;
    void onMouseDown(DrawContext* context, Point where) override;
    bool onWheel(DrawContext* context, Point where, float distance) override;
    int onKeyDown(const KeyCode& key) override;

    virtual void drawHandle(DrawContext* context);
    virtual void setStartAngle(float angle);
    virtual float getStartAngle() const { return startAngle_; }
    virtual void setRangeAngle(float angle);
    virtual float getRangeAngle() const { return rangeAngle_; }
    // The handle's point for the value, relative to the knob's top-left.
    virtual void valueToPoint(Point& out) const;
    // The value for a point relative to the knob's top-left.
    virtual float valueFromPoint(Point p) const;
    virtual void setInset(int inset) { inset_ = inset; }
    virtual void setShadowColor(Color c);
    virtual void setHandleColor(Color c);
    virtual void setHandleBitmap(Bitmap* bitmap);
    virtual void setZoomFactor(float factor) { zoomFactor_ = factor; }
    virtual float getZoomFactor() const { return zoomFactor_; }

    int getInset() const { return inset_; }

protected:
    ~Knob() override;
    // The value per radian and the dead zone, from the angles and the range.
    void updateAngleScale();

    Point offset_;
    Color shadowColor_ = grey;
    Color handleColor_ = white;
    Bitmap* handleBitmap_ = nullptr;
    int inset_;
    float startAngle_ = 0.0f;
    float rangeAngle_ = 1.0f;
    float halfAngle_ = 0.0f;
    float aCoef_ = 0.0f;
    float bCoef_ = 0.0f;
    float radius_;
    float zoomFactor_ = 1.5f;
};

// A knob drawn as one frame of a vertical filmstrip.
class AnimKnob : public Knob {
public:
    AnimKnob(const Rect& size, ControlListener* listener, int tag, int frameCount, int frameHeight,
             Bitmap* background, Point offset = Point());

    void draw(DrawContext* context) override;

    void setInverseBitmap(bool inverse) { inverse_ = inverse; }

protected:
    // The source offset that draw uses for the present value.
    Point frameOffset() const;

    int frameCount_;
    int frameHeight_;
    bool inverse_ = false;
};

} // namespace strellon
