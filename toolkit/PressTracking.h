#pragma once
#include "toolkit/DrawContext.h"
#include "toolkit/Frame.h"
#include "toolkit/View.h"

namespace strellon {

// Kept apart from View.h because the loop needs the frame and the context in
// full, and those headers need View.h.
template <class Poll>
void Control::trackEdit(DrawContext* context, Point where, bool takeFocus, Poll poll) {
    if (frame_) {
        frame_->beginEdit(tag_);
        if (takeFocus) frame_->setFocusView(this);
    }
    Point pointer = where;
    bool held;
    do {
        held = poll(context->getMouseButtons(), pointer);
        context->getMouseLocation(pointer);
        pumpIdle();
    } while (held);
    if (frame_) frame_->endEdit(tag_);
}

template <class ValueAt, class Released>
void Control::trackPress(DrawContext* context, Point where, int buttons, ValueAt valueAt, Released released) {
    trackEdit(context, where, false, [&](int now, Point pointer) {
        value_ = valueAt(pointer);
        notifyListener(context);
        if (now == buttons) return true;
        released();
        return false;
    });
}

template <class ValueAt>
void Control::trackPress(DrawContext* context, Point where, int buttons, ValueAt valueAt) {
    trackPress(context, where, buttons, valueAt, [] {});
}

} // namespace strellon
