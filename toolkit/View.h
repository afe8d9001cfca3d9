#pragma once
#include <cstdint>

#include "platform/Geometry.h"
#include "toolkit/KeyCode.h"

namespace strellon {

class Bitmap;
class Control;
class DrawContext;
class Frame;
class FrameEditor;

// Drop item kinds handed to onDrop.
enum class DropKind { files = 0, text = 1 };

// A reference-counted rectangle in frame coordinates that draws itself and
// takes mouse, key, wheel and drop events. All calls come on the UI thread.
class View {
public:
    explicit View(const Rect& size);
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    virtual void draw(DrawContext* context);
    virtual void drawArea(DrawContext* context, const Rect& update);
    virtual bool intersects(const Rect& r) const;
    virtual void onMouseDown(DrawContext* context, Point where);
    virtual void redrawIfDirty(DrawContext* context);
    virtual int notify(View* sender, const char* message);
    virtual int onKeyDown(const KeyCode& key);
    virtual int onKeyUp(const KeyCode& key);
    virtual bool onDrop(void** items, int count, DropKind type, Point where);
    virtual bool onWheel(DrawContext* context, Point where, float distance);
    virtual void loseFocus(DrawContext* context);
    virtual void takeFocus(DrawContext* context);
    virtual bool isDirty() const;
    virtual void setDirty(bool flag = true);
    virtual void setMouseEnabled(bool flag) { mouseEnabled_ = flag; }
    virtual bool isMouseEnabled() const { return mouseEnabled_; }
    virtual void setMouseArea(const Rect& r) { mouseArea_ = r; }
    virtual void getMouseArea(Rect& out) const { out = mouseArea_; }
    virtual bool hitTest(Point where, int buttons);
    virtual void setTransparent(bool flag) { transparent_ = flag; }
    virtual bool isTransparent() const { return transparent_; }
    virtual void setBounds(const Rect& r);
    virtual void getBounds(Rect& out) const { out = size_; }
    virtual void setParentView(View* parent) { parent_ = parent; }
    virtual void setFrame(Frame* frame) { frame_ = frame; }
    virtual FrameEditor* getEditor();
    virtual bool onDetached(View* parent);
    virtual bool onAttached(View* parent);
    virtual void release();
    virtual void retain() { ++refCount_; }
    virtual int referenceCount() const { return refCount_; }

    // Has the frame draw this view now.
    void redraw();
    const Rect& getBounds() const { return size_; }
    Frame* getFrame() const { return frame_; }
    View* getParentView() const { return parent_; }

protected:
    virtual ~View() = default;

    int refCount_ = 1;
    Rect size_;
    Rect mouseArea_;
    Frame* frame_ = nullptr;
    View* parent_ = nullptr;
    bool dirty_ = false;
    bool mouseEnabled_ = true;
    bool transparent_ = false;
};

// Told by a control after the user changed it. The context is null for keys.
class ControlListener {
public:
    virtual ~ControlListener() = default;
    virtual void valueChanged(DrawContext* context, Control* control) = 0;
};

// A view with a value, a range, a default, a tag for its listener and a
// background bitmap. Dirty while its value differs from the value last drawn.
class Control : public View {
public:
    Control(const Rect& size, ControlListener* listener, int tag, Bitmap* background = nullptr);

    bool isDirty() const override;
    void setDirty(bool flag = true) override;

    virtual void pumpIdle();
    virtual void setValue(float v) { value_ = v; }
    virtual float getValue() const { return value_; }
    virtual void setMin(float v) { min_ = v; }
    virtual float getMin() const { return min_; }
    virtual void setMax(float v) { max_ = v; }
    virtual float getMax() const { return max_; }
    virtual void setOldValue(float v) { oldValue_ = v; }
    virtual float getOldValue() const { return oldValue_; }
    virtual void setDefaultValue(float v) { defaultValue_ = v; }
    virtual float getDefaultValue() const { return defaultValue_; }
    virtual void setTag(int tag) { tag_ = tag; }
    virtual void setBackground(Bitmap* bitmap);
    virtual Bitmap* getBackground() const { return background_; }
    virtual void setBackgroundOffset(Point p) { backOffset_ = p; }
    virtual void setBackgroundOffsetToOrigin() { backOffset_ = Point(size_.left, size_.top); }
    virtual void setWheelStep(float step) { wheelStep_ = step; }
    virtual float getWheelStep() const { return wheelStep_; }
    virtual void clampValue();

    int getTag() const { return tag_; }
    bool isDoubleClick();
    ControlListener* getListener() const { return listener_; }
    void setListener(ControlListener* l) { listener_ = l; }
    Point getBackgroundOffset() const { return backOffset_; }

protected:
    ~Control() override;

    // Tells the listener, but only when the change left the control dirty.
    void notifyListener(DrawContext* context);
    // Copies the background to the bounds from the source point, keyed when
    // the control is transparent.
    void drawBackground(DrawContext* context, Point source);
    void drawBackgroundAt(DrawContext* context, const Rect& where, Point source);
    // The button word of a click this control should handle: 0 when it is not
    // mouse-enabled, the left button is not down or there is no context.
    int clickButtons(DrawContext* context);
    // Control and the left button alone reset the value to the default.
    bool resetOnControlClick(DrawContext* context, int buttons);
    // The wheel and arrow-key steps shared by knobs and sliders.
    bool stepByWheel(DrawContext* context, float distance);
    int stepByArrowKey(const KeyCode& key);
    // The loop of every drag and press, inside one edit (and with the focus
    // when takeFocus): hands each poll's button word and the pointer read on
    // the pass before to poll, until poll returns false. Defined, like
    // trackPress, in toolkit/PressTracking.h.
    template <class Poll>
    void trackEdit(DrawContext* context, Point where, bool takeFocus, Poll poll);
    // Polls the press until the button word differs from buttons: each poll
    // sets the value the pointer gives and tells the listener. released runs
    // after the last poll, before the edit ends.
    template <class ValueAt, class Released>
    void trackPress(DrawContext* context, Point where, int buttons, ValueAt valueAt, Released released);
    template <class ValueAt>
    void trackPress(DrawContext* context, Point where, int buttons, ValueAt valueAt);

    ControlListener* listener_;
    int tag_;
    float oldValue_ = 1.0f;
    float defaultValue_ = 0.5f;
    float value_ = 0.0f;
    float min_ = 0.0f;
    float max_ = 1.0f;
    float wheelStep_ = 0.1f;
    int32_t lastClickTime_ = -1;
    int32_t doubleClickTime_;
    Bitmap* background_ = nullptr;
    Point backOffset_;
};

} // namespace strellon
