#include "toolkit/ViewContainer.h"

#include <algorithm>

#include "toolkit/Bitmap.h"
#include "toolkit/DrawContext.h"
#include "toolkit/Frame.h"

namespace strellon {

const char kMsgCheckIfViewContainer[] = "kMsgCheckIfViewContainer";

namespace {
// Moves a context's offset to a container's top-left for one call.
class OffsetScope {
public:
    OffsetScope(DrawContext* context, Point by) : context_(context) {
        if (!context_) return;
        saved_ = context_->getOffset();
        context_->setOffset(saved_.offset(by.h, by.v));
    }
    ~OffsetScope() {
        if (context_) context_->setOffset(saved_);
    }
    OffsetScope(const OffsetScope&) = delete;
    OffsetScope& operator=(const OffsetScope&) = delete;

private:
    DrawContext* context_;
    Point saved_;
};
} // namespace

ViewContainer::ViewContainer(const Rect& size, Frame* frame, Bitmap* background) : View(size) {
    frame_ = frame;
    replaceRetained(background_, background);
}

ViewContainer::~ViewContainer() {
    replaceRetained(background_, nullptr);
    removeAllViews(true);
    offscreen_.reset();
}

void ViewContainer::setFrame(Frame* frame) {
    View::setFrame(frame);
    for (View* v : children_) v->setFrame(frame);
}

void ViewContainer::addView(View* view, const Rect& mouseArea, bool mouseEnabled) {
    if (!view) return;
    view->setMouseArea(mouseArea);
    view->setMouseEnabled(mouseEnabled);
    addView(view);
}

void ViewContainer::addView(View* view) {
    if (!view) return;
    children_.push_back(view);
    view->retain();
    view->setFrame(frame_);
    view->setParentView(this);
    view->onAttached(this);
    view->setDirty(true);
}

void ViewContainer::removeView(View* view, bool releaseView) {
    auto it = std::find(children_.begin(), children_.end(), view);
    if (it == children_.end()) return;
    children_.erase(it);
    view->onDetached(this);
    if (releaseView) view->release();
    view->release();
}

void ViewContainer::removeAllViews(bool releaseView) {
    std::list<View*> all;
    all.swap(children_);
    for (View* v : all) {
        v->onDetached(this);
        if (releaseView) v->release();
        v->release();
    }
}

bool ViewContainer::containsView(View* view) const {
    return std::find(children_.begin(), children_.end(), view) != children_.end();
}

int ViewContainer::getViewCount() const {
    int count = 0;
    for (auto it = children_.begin(); it != children_.end(); ++it) ++count;
    return count;
}

View* ViewContainer::getViewAt(int index) const {
    if (index < 0) return nullptr;
    for (View* v : children_)
        if (index-- == 0) return v;
    return nullptr;
}

void ViewContainer::setBackground(Bitmap* bitmap) { replaceRetained(background_, bitmap); }

void ViewContainer::setDrawOffscreen(bool flag) {
    drawOffscreen_ = flag;
    if (!flag) offscreen_.reset();
}

void ViewContainer::setBounds(const Rect& r) {
    View::setBounds(r);
    if (offscreen_) {
        offscreen_.reset();
        ensureOffscreen();
    }
}

OffscreenContext* ViewContainer::ensureOffscreen() {
    if (!offscreen_) offscreen_ = std::make_unique<OffscreenContext>(frame_, size_.width(), size_.height(), black);
    return offscreen_.get();
}

void ViewContainer::drawBackgroundRect(DrawContext* context, const Rect& local) {
    if (background_) {
        const Point source = local.topLeft().offset(backgroundOffset_.h, backgroundOffset_.v);
        if (transparent_) background_->drawTransparent(context, local, source);
        else background_->draw(context, local, source);
    } else if (!transparent_) {
        context->setFillColor(backgroundColor_);
        // fillRect leaves the outline's row and column: start one before.
        context->fillRect(Rect(local.left - 1, local.top - 1, local.right, local.bottom));
    }
}

void ViewContainer::drawInto(DrawContext* context) {
    drawBackgroundRect(context, Rect(0, 0, size_.width(), size_.height()));
    for (View* v : children_) v->draw(context);
}

void ViewContainer::draw(DrawContext* context) {
    if (!context) return;
    if (drawOffscreen_ && ensureOffscreen() && offscreen_->getSurface()) {
        drawInto(offscreen_.get());
        offscreen_->copyTo(context, size_, Point());
    } else {
        OffsetScope scope(context, size_.topLeft());
        drawInto(context);
    }
    setDirty(false);
}

void ViewContainer::drawArea(DrawContext* context, const Rect&) { draw(context); }

void ViewContainer::onMouseDown(DrawContext* context, Point where) {
    const Point local = where.offset(-size_.left, -size_.top);
    const int buttons = context ? context->getMouseButtons() : -1;
    OffsetScope scope(context, size_.topLeft());
    for (View* v : children_) {
        if (v->isMouseEnabled() && v->hitTest(local, buttons)) {
            v->onMouseDown(context, local);
            return;
        }
    }
}

void ViewContainer::redrawIfDirty(DrawContext* context) {
    if (!context) return;
    if (mode_ == 0) {
        if (isDirty()) draw(context);
        return;
    }
    if (mode_ != 1) return;
    if (dirty_) {
        draw(context);
        return;
    }
    if (offscreen_) {
        bool any = false;
        for (View* v : children_) {
            if (!v->isDirty()) continue;
            v->redrawIfDirty(offscreen_.get());
            any = true;
        }
        if (any) offscreen_->copyTo(context, size_, Point());
        return;
    }
    OffsetScope scope(context, size_.topLeft());
    for (View* v : children_) {
        if (!v->isDirty()) continue;
        ViewContainer* nested = v->notify(this, kMsgCheckIfViewContainer) ? static_cast<ViewContainer*>(v) : nullptr;
        const int savedMode = nested ? nested->getMode() : 0;
        if (nested) nested->setMode(0);
        drawBackgroundRect(context, v->getBounds());
        v->redrawIfDirty(context);
        if (nested) nested->setMode(savedMode);
    }
}

int ViewContainer::notify(View*, const char* message) { return message == kMsgCheckIfViewContainer ? 1 : 0; }

int ViewContainer::onKeyDown(const KeyCode& key) {
    for (View* v : children_)
        if (v->onKeyDown(key) != -1) break;
    return -1;
}

int ViewContainer::onKeyUp(const KeyCode& key) {
    for (View* v : children_)
        if (v->onKeyUp(key) != -1) break;
    return -1;
}

bool ViewContainer::onDrop(void** items, int count, DropKind type, Point where) {
    if (!frame_) return false;
    const Point local = where.offset(-size_.left, -size_.top);
    for (View* v : children_) {
        Rect area;
        v->getMouseArea(area);
        if (v->isMouseEnabled() && area.pointInside(local) && v->onDrop(items, count, type, local)) return true;
    }
    return false;
}

bool ViewContainer::onWheel(DrawContext* context, Point where, float distance) {
    const Point local = where.offset(-size_.left, -size_.top);
    OffsetScope scope(context, size_.topLeft());
    for (View* v : children_) {
        Rect area;
        v->getMouseArea(area);
        if (area.pointInside(local)) return v->onWheel(context, local, distance);
    }
    return false;
}

void ViewContainer::loseFocus(DrawContext* context) {
    for (View* v : children_) v->loseFocus(context);
}

void ViewContainer::takeFocus(DrawContext* context) {
    for (View* v : children_) v->takeFocus(context);
}

bool ViewContainer::isDirty() const {
    if (dirty_) return true;
    return std::any_of(children_.begin(), children_.end(), [](View* v) { return v->isDirty(); });
}

} // namespace strellon
