#include "toolkit/View.h"

#include <algorithm>

#include "platform/Window.h"
#include "toolkit/Bitmap.h"
#include "toolkit/DrawContext.h"
#include "toolkit/Frame.h"

namespace strellon {

View::View(const Rect& size) : size_(size), mouseArea_(size) {}

void View::draw(DrawContext*) { dirty_ = false; }
void View::drawArea(DrawContext* context, const Rect&) { draw(context); }
bool View::intersects(const Rect& r) const { return size_.touches(r); }
void View::onMouseDown(DrawContext*, Point) {}

void View::redrawIfDirty(DrawContext* context) {
    if (!isDirty()) return;
    draw(context);
    setDirty(false);
}

int View::notify(View*, const char*) { return 0; }
int View::onKeyDown(const KeyCode&) { return -1; }
int View::onKeyUp(const KeyCode&) { return -1; }
bool View::onDrop(void**, int, DropKind, Point) { return false; }
bool View::onWheel(DrawContext*, Point, float) { return false; }
void View::loseFocus(DrawContext*) {}
void View::takeFocus(DrawContext*) {}
bool View::isDirty() const { return dirty_; }
void View::setDirty(bool flag) { dirty_ = flag; }
bool View::hitTest(Point where, int) { return size_.containsWithEdges(where); }

void View::setBounds(const Rect& r) {
    size_ = r;
    setDirty(true);
}

FrameEditor* View::getEditor() { return frame_ ? frame_->getEditor() : nullptr; }
bool View::onDetached(View*) { return true; }
bool View::onAttached(View*) { return true; }

void View::release() {
    if (refCount_ <= 0) return;
    if (--refCount_ == 0) delete this;
}

void View::redraw() {
    if (frame_) frame_->drawView(this);
}

Control::Control(const Rect& size, ControlListener* listener, int tag, Bitmap* background)
    : View(size), listener_(listener), tag_(tag) {
    int clickTime = 250;
    if (platform::WindowSystem* system = platform::windowSystem()) clickTime = system->doubleClickTime();
    doubleClickTime_ = std::max(250, clickTime);
    replaceRetained(background_, background);
}

Control::~Control() { replaceRetained(background_, nullptr); }

bool Control::isDirty() const {
    // Unordered (NaN) values count as changed.
    return !(oldValue_ == value_) || dirty_;
}

void Control::setDirty(bool flag) {
    dirty_ = flag;
    if (flag) oldValue_ = value_ == -1.0f ? 0.0f : -1.0f;
    else oldValue_ = value_;
}

void Control::pumpIdle() {
    if (frame_) frame_->pumpIdle();
}

void Control::setBackground(Bitmap* bitmap) { replaceRetained(background_, bitmap); }

void Control::clampValue() {
    if (value_ > max_) value_ = max_;
    else if (value_ < min_) value_ = min_;
}

bool Control::isDoubleClick() {
    const int32_t now = frame_ ? int32_t(frame_->getTicks()) : 0;
    if (lastClickTime_ > 0 && now < lastClickTime_ + doubleClickTime_) {
        lastClickTime_ = 0;
        return true;
    }
    lastClickTime_ = now;
    return false;
}

void Control::notifyListener(DrawContext* context) {
    if (isDirty() && listener_) listener_->valueChanged(context, this);
}

void Control::drawBackground(DrawContext* context, Point source) {
    drawBackgroundAt(context, size_, source);
}

void Control::drawBackgroundAt(DrawContext* context, const Rect& where, Point source) {
    if (!background_) return;
    if (transparent_) background_->drawTransparent(context, where, source);
    else background_->draw(context, where, source);
}

int Control::clickButtons(DrawContext* context) {
    if (!mouseEnabled_ || !context) return 0;
    const int buttons = context->getMouseButtons();
    return (buttons & kLButton) ? buttons : 0;
}

bool Control::resetOnControlClick(DrawContext* context, int buttons) {
    if (buttons != (kLButton | kControl)) return false;
    value_ = defaultValue_;
    notifyListener(context);
    return true;
}

bool Control::stepByWheel(DrawContext* context, float distance) {
    if (!mouseEnabled_) return false;
    const bool fine = context && (context->getMouseButtons() & kShift);
    value_ += distance * wheelStep_ * (fine ? 0.1f : 1.0f);
    clampValue();
    notifyListener(context);
    return true;
}

int Control::stepByArrowKey(const KeyCode& key) {
    float direction = 0.0f;
    if (key.virt == KeyCode::keyLeft || key.virt == KeyCode::keyDown) direction = -1.0f;
    else if (key.virt == KeyCode::keyUp || key.virt == KeyCode::keyRight) direction = 1.0f;
    else return -1;
    value_ += direction * wheelStep_ * ((key.modifier & KeyCode::modShift) ? 0.1f : 1.0f);
    clampValue();
    notifyListener(nullptr);
    return 1;
}

} // namespace strellon
