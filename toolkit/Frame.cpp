#include "toolkit/Frame.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "toolkit/Bitmap.h"
#include "toolkit/DrawContext.h"
#include "toolkit/FrameEditor.h"
#include "toolkit/KeyCode.h"

namespace strellon {

char Frame::className_[64] = "";
int Frame::classUseCount_ = 0;
bool Frame::swapButtons_ = false;
std::atomic<int> Frame::knobMode_{0};

Frame::Frame(const Rect& size, void* parentWindow, FrameEditor* editor)
    : View(size), editor_(editor), parentWindow_(parentWindow) {
    createWindow();
}

Frame::Frame(const Rect& size, const char* title, FrameEditor* editor, int style)
    : View(size), editor_(editor), parentWindow_(nullptr), open_(false),
      hostRecord_(std::make_unique<HostWindowRecord>()) {
    std::snprintf(hostRecord_->title, sizeof hostRecord_->title, "%s", title ? title : "");
    hostRecord_->xPos = int16_t(size.left);
    hostRecord_->yPos = int16_t(size.top);
    hostRecord_->width = int16_t(size.width());
    hostRecord_->height = int16_t(size.height());
    hostRecord_->style = style;
}

bool Frame::openHostWindow(const Point* position) {
    if (!hostRecord_) return false;
    if (open_) {
        if (window_) window_->raiseHostWindow();
        return false;
    }
    if (position) {
        hostRecord_->xPos = int16_t(position->h);
        hostRecord_->yPos = int16_t(position->v);
    }
    parentWindow_ = editor_ ? editor_->openWindow(*hostRecord_) : nullptr;
    // Open only when a window came of it: a refusal is not a success.
    open_ = createWindow();
    return open_;
}

bool Frame::closeHostWindow() {
    if (!hostRecord_ || !open_ || !parentWindow_) return false;
    if (editor_) editor_->closeWindow(*hostRecord_);
    parentWindow_ = nullptr;
    return true;
}

Frame::~Frame() {
    setCursor(0);
    setDropActive(false);
    removeAllViews(true);
    replaceRetained(background_, nullptr);
    delete currentContext_;
    currentContext_ = nullptr;
    if (window_) {
        window_.reset();
        unregisterWindowClass();
    }
    if (hostRecord_) closeHostWindow();
}

void Frame::registerWindowClass() {
    platform::Module* m = platform::module();
    std::snprintf(className_, sizeof className_, "Plugin%08lx",
                  static_cast<unsigned long>(m ? m->instanceHandle() : 0));
    platform::WindowSystem* system = platform::windowSystem();
    if (classUseCount_++ == 0 && system) system->registerClass(className_);
    swapButtons_ = system && system->buttonsSwapped();
}

void Frame::unregisterWindowClass() {
    if (classUseCount_ <= 0) return;
    platform::WindowSystem* system = platform::windowSystem();
    if (classUseCount_ == 1 && system) system->unregisterClass(className_);
    --classUseCount_;
}

bool Frame::createWindow() {
    if (!parentWindow_ || window_) return false;
    registerWindowClass();
    platform::WindowSystem* system = platform::windowSystem();
    if (system)
        window_ = system->createWindow(parentWindow_, className_, size_.width(), size_.height(), this);
    if (!window_) {
        // Keep the class count honest when no window came of it.
        unregisterWindowClass();
        return false;
    }
    setDropActive(true);
    return true;
}

bool Frame::setDropActive(bool active) {
    if (!active && !dropActive_) return true;
    if (!window_) return false;
    window_->setDropActive(active);
    dropActive_ = active;
    return true;
}

bool Frame::addView(View* view) {
    if (!view) return false;
    if (int(views_.size()) >= capacity_) {
        try {
            views_.reserve(std::size_t(capacity_) + 20);
        } catch (const std::bad_alloc&) {
            return false;
        }
        capacity_ += 20;
    }
    views_.push_back(view);
    view->setFrame(this);
    view->onAttached(this);
    return true;
}

bool Frame::removeView(View* view, bool releaseView) {
    auto it = std::find(views_.begin(), views_.end(), view);
    if (it == views_.end()) return true;
    // A removed view must not stay behind as focus or modal view.
    if (focusView_ == view) focusView_ = nullptr;
    if (modalView_ == view) modalView_ = nullptr;
    view->onDetached(this);
    views_.erase(it);
    if (releaseView) view->release();
    return true;
}

bool Frame::removeAllViews(bool releaseView) {
    if (focusView_) {
        focusView_->loseFocus(nullptr);
        focusView_ = nullptr;
    }
    modalView_ = nullptr;
    std::vector<View*> all;
    all.swap(views_);
    for (View* v : all) {
        v->onDetached(this);
        if (releaseView) v->release();
    }
    capacity_ = 0;
    return true;
}

bool Frame::containsView(View* view) const {
    return std::find(views_.begin(), views_.end(), view) != views_.end();
}

View* Frame::getViewAt(int index) const {
    if (index < 0 || index >= int(views_.size())) return nullptr;
    return views_[std::size_t(index)];
}

void Frame::setBackground(Bitmap* bitmap) { replaceRetained(background_, bitmap); }

bool Frame::setModalView(View* view) {
    if (view && modalView_) return false;
    if (modalView_) modalView_->onDetached(this);
    modalView_ = view;
    if (modalView_) modalView_->onAttached(this);
    return true;
}

void Frame::setFocusView(View* view) {
    View* previous = focusView_;
    focusView_ = view;
    if (previous && previous != view) previous->loseFocus(nullptr);
}

void Frame::beginEdit(int tag) {
    if (editor_) editor_->beginEdit(tag);
}

void Frame::endEdit(int tag) {
    if (editor_) editor_->endEdit(tag);
}

void Frame::pumpIdle() {
    if (editor_) editor_->pumpIdle();
}

uint32_t Frame::getTicks() const {
    platform::WindowSystem* system = platform::windowSystem();
    return editor_ && system ? system->ticks() : 0;
}

void Frame::getCurrentLocation(Point& out) const {
    platform::WindowSystem* system = platform::windowSystem();
    out = system ? system->cursorScreenPosition() : Point();
    if (window_) {
        const Point origin = window_->screenOrigin();
        out = out.offset(-origin.h, -origin.v);
    }
}

View* Frame::getCurrentView() const {
    if (modalView_) return modalView_;
    Point where;
    getCurrentLocation(where);
    for (auto it = views_.rbegin(); it != views_.rend(); ++it)
        if ((*it)->getBounds().containsWithEdges(where)) return *it;
    return nullptr;
}

void Frame::invalidate(const Rect& r) {
    for (View* v : views_)
        if (v->getBounds().touches(r)) v->setDirty(true);
}

std::unique_ptr<DrawContext> Frame::temporaryContext() {
    if (!window_) return nullptr;
    std::unique_ptr<platform::Surface> surface = window_->drawingSurface();
    if (!surface) return nullptr;
    // The context must go before its surface: a small owner keeps both.
    struct Owning final : DrawContext {
        Owning(Frame* f, std::unique_ptr<platform::Surface> s, platform::Window* w)
            : DrawContext(f, s.get(), w), surface(std::move(s)) {}
        ~Owning() override { detachSurface(); }
        std::unique_ptr<platform::Surface> surface;
    };
    return std::make_unique<Owning>(this, std::move(surface), window_.get());
}

DrawContext* Frame::eventContext(std::unique_ptr<DrawContext>& temporary) {
    if (currentContext_) return currentContext_;
    temporary = temporaryContext();
    return temporary.get();
}

void Frame::drawView(View* view) {
    std::unique_ptr<DrawContext> temporary;
    DrawContext* context = eventContext(temporary);
    if (!context) return;
    if (view && containsView(view)) view->draw(context);
    else draw(context);
}

void Frame::setCursor(int type) {
    if (!window_) return;
    if (!cursorSaved_) {
        savedCursor_ = window_->cursor();
        cursorSaved_ = true;
    }
    using platform::CursorShape;
    switch (type) {
    case 0: window_->setCursor(savedCursor_); break;
    case 1: window_->setCursor(CursorShape::wait); break;
    case 2: window_->setCursor(CursorShape::sizeWE); break;
    case 3: window_->setCursor(CursorShape::sizeNS); break;
    case 4: window_->setCursor(CursorShape::sizeAll); break;
    case 5: window_->setCursor(CursorShape::sizeNESW); break;
    case 6: window_->setCursor(CursorShape::sizeNWSE); break;
    default: break;
    }
}

bool Frame::setSize(int width, int height) {
    if (!open_ || (width == size_.width() && height == size_.height())) return false;
    if (editor_ && editor_->sizeWindow(width, height)) {
        if (window_) window_->resize(width, height);
        return true;
    }
    size_.right = size_.left + width;
    size_.bottom = size_.top + height;
    if (window_) window_->resizeWithParents(width, height);
    return true;
}

bool Frame::getPosition(int& x, int& y) const {
    if (!open_ || !window_) return false;
    Point p;
    if (!window_->hostPosition(p)) return false;
    x = p.h;
    y = p.v;
    return true;
}

bool Frame::getSize(Rect& out) const {
    if (!open_ || !window_) return false;
    return window_->hostSize(out);
}

bool Frame::anythingDirty() const {
    if (modalView_ || View::isDirty()) return true;
    return std::any_of(views_.begin(), views_.end(), [](View* v) { return v->isDirty(); });
}

void Frame::idle() {
    // Events first: the first exposure paints, a destruction closes.
    if (window_) window_->processEvents();
    if (!open_ || firstDrawPending_ || !anythingDirty()) return;
    std::unique_ptr<DrawContext> temporary;
    if (DrawContext* context = eventContext(temporary)) redrawIfDirty(context);
}

void Frame::draw(DrawContext* context) {
    firstDrawPending_ = false;
    if (!context) context = currentContext_;
    if (!context) return;
    if (background_)
        background_->draw(context, Rect(0, 0, background_->getWidth(), background_->getHeight()));
    for (View* v : views_) v->draw(context);
    if (modalView_) modalView_->draw(context);
}

void Frame::drawArea(DrawContext* context, const Rect& update) {
    firstDrawPending_ = false;
    if (!context) context = currentContext_;
    if (!context) return;
    if (background_) background_->draw(context, update, update.topLeft());
    for (View* v : views_)
        if (v->intersects(update)) v->drawArea(context, update);
    if (modalView_ && modalView_->intersects(update)) modalView_->draw(context);
}

void Frame::onMouseDown(DrawContext* context, Point where) {
    if (!context) context = currentContext_;
    setFocusView(nullptr);
    const int buttons = context ? context->getMouseButtons() : -1;
    if (modalView_) {
        if (modalView_->hitTest(where, buttons)) modalView_->onMouseDown(context, where);
        return;
    }
    for (auto it = views_.rbegin(); it != views_.rend(); ++it) {
        View* v = *it;
        if (v->isMouseEnabled() && v->hitTest(where, buttons)) {
            v->onMouseDown(context, where);
            return;
        }
    }
}

void Frame::redrawIfDirty(DrawContext* context) {
    if (!open_) return;
    if (modalView_) {
        modalView_->redrawIfDirty(context);
        return;
    }
    if (View::isDirty()) {
        draw(context);
        setDirty(false);
        return;
    }
    // Copied: a view's drawing may change the list.
    const std::vector<View*> all = views_;
    for (View* v : all) v->redrawIfDirty(context);
}

// Focus view, modal view, then the views from the top down; the first
// answer other than -1 wins.
int Frame::dispatchKey(int (View::*handler)(const KeyCode&), const KeyCode& key) {
    if (focusView_) {
        const int r = (focusView_->*handler)(key);
        if (r != -1) return r;
    }
    if (modalView_) {
        const int r = (modalView_->*handler)(key);
        if (r != -1) return r;
    }
    for (auto it = views_.rbegin(); it != views_.rend(); ++it) {
        const int r = ((*it)->*handler)(key);
        if (r != -1) return r;
    }
    return -1;
}

int Frame::onKeyDown(const KeyCode& key) { return dispatchKey(&View::onKeyDown, key); }

int Frame::onKeyUp(const KeyCode& key) { return dispatchKey(&View::onKeyUp, key); }

bool Frame::onDrop(void** items, int count, DropKind type, Point where) {
    if (modalView_ || focusView_) return false;
    for (auto it = views_.rbegin(); it != views_.rend(); ++it) {
        View* v = *it;
        if (v->isMouseEnabled() && v->getBounds().containsWithEdges(where) &&
            v->onDrop(items, count, type, where))
            return true;
    }
    return false;
}

bool Frame::onWheel(DrawContext* context, Point, float distance) {
    View* target = getCurrentView();
    if (!target) return false;
    Point where;
    getCurrentLocation(where);
    std::unique_ptr<DrawContext> temporary;
    if (!context) context = eventContext(temporary);
    return target->onWheel(context, where, distance);
}

void Frame::setCurrentContext(DrawContext* context) {
    if (currentContext_ != context) delete currentContext_;
    currentContext_ = context;
}

void Frame::windowPaint(platform::Surface& surface, const Rect& area) {
    DrawContext context(this, &surface, window_.get());
    drawArea(&context, area);
}

void Frame::windowMouseDown(Point where, const std::optional<platform::InputState>& pressed) {
    std::unique_ptr<DrawContext> context = temporaryContext();
    if (!context) return;
    if (pressed) context->setPressState(*pressed);
    onMouseDown(context.get(), where);
}

void Frame::windowWheel(Point where, float distance, const platform::InputState& held) {
    std::unique_ptr<DrawContext> context = temporaryContext();
    if (context) context->setPressState(held);
    onWheel(context.get(), where, distance);
}

int Frame::windowKey(const platform::KeyEvent& key, bool down) {
    const KeyCode code{key.character, key.virt, key.modifier};
    return down ? onKeyDown(code) : onKeyUp(code);
}

void Frame::windowDestroyed() {
    open_ = false;
    parentWindow_ = nullptr;
}

bool Frame::windowDrop(void** items, int count, platform::DropType type, Point where) {
    return onDrop(items, count, type == platform::DropType::text ? DropKind::text : DropKind::files, where);
}

} // namespace strellon
