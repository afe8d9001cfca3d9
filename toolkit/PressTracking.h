#pragma once
#include "toolkit/DrawContext.h"
#include "toolkit/Frame.h"
#include "toolkit/View.h"

namespace strellon {

// Kept apart from View.h because the loop needs the frame and the context in
// full, and those headers need View.h.
template <class ValueAt, class Released>
void Control::trackPress(DrawContext* context, Point where, int buttons, ValueAt valueAt, Released released) {
    if (frame_) frame_->beginEdit(tag_);
    Point pointer = where;
    int now;
    do {
        now = context->getMouseButtons();
        value_ = valueAt(pointer);
        notifyListener(context);
        context->getMouseLocation(pointer);
        pumpIdle();
    } while (now == buttons);
    released();
    if (frame_) frame_->endEdit(tag_);
}

template <class ValueAt>
void Control::trackPress(DrawContext* context, Point where, int buttons, ValueAt valueAt) {
    trackPress(context, where, buttons, valueAt, [] {});
}

} // namespace strellon
