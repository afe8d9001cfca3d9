#include "platform/headless/HeadlessWindow.h"

#include <cairo.h>

#include <algorithm>

namespace strellon::platform {

HeadlessWindow::HeadlessWindow(HeadlessWindowSystem& system, int width, int height, WindowClient* client)
    : system_(system), image_(CairoSurface::create(std::max(1, width), std::max(1, height))),
      client_(client) {}

HeadlessWindow::~HeadlessWindow() { system_.forget(this); }

Point HeadlessWindow::screenOrigin() const { return system_.windowOrigin(); }

void HeadlessWindow::resize(int width, int height) {
    // The new image keeps what the old one showed, as far as it reaches.
    auto resized = CairoSurface::create(std::max(1, width), std::max(1, height));
    if (!resized) return;
    resized->copyFrom(*image_, Rect(0, 0, image_->width(), image_->height()), Point());
    image_ = std::move(resized);
}

std::unique_ptr<Surface> HeadlessWindow::drawingSurface() {
    return std::make_unique<CairoSurface>(cairo_surface_reference(image_->image()));
}

void HeadlessWindow::invalidate(const Rect* area) {
    const Rect all(0, 0, width(), height());
    const Rect r = area ? *area : all;
    if (!pending_) {
        pendingArea_ = r;
    } else {
        pendingArea_ = Rect(std::min(pendingArea_.left, r.left), std::min(pendingArea_.top, r.top),
                            std::max(pendingArea_.right, r.right), std::max(pendingArea_.bottom, r.bottom));
    }
    pending_ = true;
}

bool HeadlessWindow::dispatchPendingPaint() {
    if (!pending_) return false;
    pending_ = false;
    auto surface = drawingSurface();
    // A paint may only touch what was invalidated, as on a real screen.
    surface->setClip(&pendingArea_);
    if (client_) client_->windowPaint(*surface, pendingArea_);
    return true;
}

void HeadlessWindow::processEvents() {
    // Inside a press being handled only paints would run; there are no
    // exposures here.
    if (handling_) return;
    handling_ = true;
    while (!events_.empty() && client_) {
        const Event e = events_.front();
        events_.pop_front();
        ++processed_;
        switch (e.kind) {
        case Event::press: client_->windowMouseDown(e.where, e.input); break;
        case Event::wheel: client_->windowWheel(e.where, e.distance, e.input); break;
        case Event::key: client_->windowKey(e.keyEvent, e.down); break;
        }
    }
    handling_ = false;
}

void HeadlessWindow::queuePress(Point where, const InputState& pressed) {
    events_.push_back({Event::press, where, pressed, 0.0f, {}, true});
}

void HeadlessWindow::queueWheel(Point where, float distance, const InputState& held) {
    events_.push_back({Event::wheel, where, held, distance, {}, true});
}

void HeadlessWindow::queueKey(const KeyEvent& key, bool down) {
    events_.push_back({Event::key, Point(), InputState{}, 0.0f, key, down});
}

bool HeadlessWindow::setDropActive(bool active) {
    dropActive_ = active;
    return true;
}

bool HeadlessWindow::openEditBox(const EditBoxRequest& request) {
    edit_ = request;
    typed_ = request.text;
    editOpen_ = true;
    return true;
}

void HeadlessWindow::closeEditBox() {
    if (!editOpen_) return;
    editOpen_ = false;
    if (edit_.client) edit_.client->editBoxEnded(typed_.c_str());
}

int HeadlessWindow::popupMenu(const std::vector<MenuEntry>& entries, Point where, MenuAlign align,
                              MenuPainter* painter) {
    lastMenu_ = entries;
    lastMenuAt_ = where;
    lastMenuAlign_ = align;
    if (painter) {
        // Lets the painter do its work once, as a real menu would.
        auto scratch = CairoSurface::create(200, 40);
        for (const MenuEntry& e : entries) {
            if (e.separator || !scratch) continue;
            const Point size = painter->measureItem(*scratch, e.text.c_str());
            painter->drawItem(*scratch, Rect(0, 0, std::min(200, size.h), std::min(40, size.v)),
                              e.text.c_str(), e.command, (e.checked ? MenuPainter::checked : 0) |
                                                  (e.disabled ? MenuPainter::disabled : 0));
        }
    }
    return system_.takeMenuChoice();
}

bool HeadlessWindow::hostPosition(Point& out) const {
    out = Point();
    return true;
}

bool HeadlessWindow::hostSize(Rect& out) const {
    out = Rect(0, 0, width(), height());
    return true;
}

void HeadlessWindow::paintAll() {
    invalidate(nullptr);
    dispatchPendingPaint();
}

void HeadlessWindow::pressMouse(Point where) {
    if (client_) client_->windowMouseDown(where, std::nullopt);
}

bool HeadlessWindow::drop(void** items, int count, DropType type, Point where) {
    return dropActive_ && client_ && client_->windowDrop(items, count, type, where);
}

void HeadlessWindow::destroy() {
    if (client_) client_->windowDestroyed();
    client_ = nullptr;
}

bool HeadlessWindow::finishEdit(const char* text) {
    if (!editOpen_) return false;
    editOpen_ = false;
    if (edit_.client) edit_.client->editBoxEnded(text ? text : "");
    return true;
}

bool HeadlessWindowSystem::registerClass(const char* name) {
    ++registrations_;
    return classes_.insert(name ? name : "").second;
}

void HeadlessWindowSystem::unregisterClass(const char* name) { classes_.erase(name ? name : ""); }

std::unique_ptr<Window> HeadlessWindowSystem::createWindow(void* parent, const char* className, int width,
                                                           int height, WindowClient* client) {
    if (!parent || !className || !classes_.count(className)) return nullptr;
    auto window = std::make_unique<HeadlessWindow>(*this, width, height, client);
    windows_.push_back(window.get());
    return window;
}

InputState HeadlessWindowSystem::input() {
    ++polls_;
    if (script_.empty()) {
        current_.input = InputState{};
    } else {
        current_ = script_.front();
        script_.pop_front();
        clock_ += current_.advance;
    }
    return current_.input;
}

Point HeadlessWindowSystem::cursorScreenPosition() {
    return current_.cursor.offset(origin_.h, origin_.v);
}

void HeadlessWindowSystem::script(std::vector<ScriptStep> steps) {
    script_.assign(steps.begin(), steps.end());
}

void HeadlessWindowSystem::addSteps(const std::vector<ScriptStep>& steps) {
    script_.insert(script_.end(), steps.begin(), steps.end());
}

int HeadlessWindowSystem::takeMenuChoice() {
    if (menuChoices_.empty()) return 0;
    const int choice = menuChoices_.front();
    menuChoices_.pop_front();
    return choice;
}

void HeadlessWindowSystem::forget(HeadlessWindow* window) {
    windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
}

std::vector<std::string> HeadlessWindowSystem::runFileDialog(const FileDialogRequest& request) {
    fileDialogs_.push_back(request);
    if (fileChoices_.empty()) return {};
    auto paths = std::move(fileChoices_.front());
    fileChoices_.pop_front();
    return paths;
}

} // namespace strellon::platform
