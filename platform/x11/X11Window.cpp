#include "platform/x11/X11Window.h"

#include <X11/Xatom.h>
#include <X11/cursorfont.h>
#include <cairo.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/x11/X11DropTarget.h"
#include "platform/x11/X11EditBox.h"
#include "platform/x11/X11PopupMenu.h"
#include "platform/x11/X11WindowSystem.h"

namespace strellon::platform {

namespace {
constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                            KeyReleaseMask | StructureNotifyMask | FocusChangeMask;

Rect unite(const Rect& a, const Rect& b) {
    return Rect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom));
}

// A surface on the back buffer that pushes the changed pixels to the window
// when the drawing is over, unless the window has gone first.
class PresentingSurface final : public CairoSurface {
public:
    PresentingSurface(cairo_surface_t* image, std::weak_ptr<X11Window*> window)
        : CairoSurface(image), window_(std::move(window)) {}
    ~PresentingSurface() override {
        if (auto window = window_.lock()) (*window)->pushChanges();
    }

private:
    std::weak_ptr<X11Window*> window_;
};
// Whether a window id names a window on the server. Asked on a connection of
// its own without Xlib, so a bad id from the host comes back as an answer
// rather than as an X error for the host's error handler.
bool windowExists(::Window id) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    for (int attempt = 1; attempt < 5 && xcb_connection_has_error(connection); ++attempt) {
        xcb_disconnect(connection);
        const timespec wait{0, 20000000};
        nanosleep(&wait, nullptr);
        connection = xcb_connect(nullptr, nullptr);
    }
    bool exists = false;
    if (!xcb_connection_has_error(connection)) {
        xcb_generic_error_t* error = nullptr;
        xcb_get_window_attributes_reply_t* reply = xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, xcb_window_t(id)), &error);
        exists = reply && !error;
        std::free(reply);
        std::free(error);
    }
    xcb_disconnect(connection);
    return exists;
}
} // namespace

std::unique_ptr<X11Window> X11Window::create(X11WindowSystem& system, ::Window parent, int width, int height,
                                             WindowClient* client) {
    if (!windowExists(parent)) return nullptr;
    Display* display = openDisplay();
    if (!display) return nullptr;
    XSetWindowAttributes attributes{};
    // No background: the server never clears the window before we paint.
    attributes.background_pixmap = None;
    attributes.event_mask = kEventMask;
    const ::Window window = XCreateWindow(display, parent, 0, 0, unsigned(std::max(1, width)),
                                          unsigned(std::max(1, height)), 0, CopyFromParent, InputOutput,
                                          CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
    auto result = std::unique_ptr<X11Window>(new X11Window(system, display, parent, window, client));
    result->back_ = X11Pixels::create(display, window, std::max(1, width), std::max(1, height));
    if (!result->back_) return nullptr;
    result->shown_.assign(std::size_t(result->width()) * std::size_t(result->height()), 0);
    XMapWindow(display, window);
    XSync(display, False);
    return result;
}

X11Window::X11Window(X11WindowSystem& system, Display* display, ::Window parent, ::Window window,
                     WindowClient* client)
    : system_(system), display_(display), parent_(parent), window_(window), client_(client),
      self_(std::make_shared<X11Window*>(this)) {
    system_.add(this);
}

X11Window::~X11Window() {
    self_.reset();
    system_.remove(this);
    client_ = nullptr;
    const bool exists = alive();
    if (editBox_ && exists) editBox_->destroyWindow();
    editBox_.reset();
    if (drop_ && exists) drop_->unmark();
    drop_.reset();
    back_.reset();
    // Closing the connection destroys our window and frees the cursors
    // without a request that could fail.
    XCloseDisplay(display_);
}

Point X11Window::screenOrigin() const {
    if (gone_) return Point();
    int x = 0;
    int y = 0;
    ::Window child = 0;
    XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
    return Point(x, y);
}

void X11Window::resize(int width, int height) {
    if (gone_) return;
    auto bigger = X11Pixels::create(display_, window_, std::max(1, width), std::max(1, height));
    if (!bigger) return;
    bigger->image().copyFrom(back_->image(), Rect(0, 0, back_->width(), back_->height()), Point());
    back_ = std::move(bigger);
    shown_.assign(std::size_t(this->width()) * std::size_t(this->height()), 0);
    XResizeWindow(display_, window_, unsigned(this->width()), unsigned(this->height()));
    invalidate(nullptr);
}

std::unique_ptr<Surface> X11Window::drawingSurface() {
    return std::make_unique<PresentingSurface>(cairo_surface_reference(back_->image().image()), self_);
}

void X11Window::addPending(const Rect& r) {
    pendingArea_ = pending_ ? unite(pendingArea_, r) : r;
    pending_ = true;
}

void X11Window::invalidate(const Rect* area) { addPending(area ? *area : Rect(0, 0, width(), height())); }

void X11Window::remember(const Rect& area) {
    cairo_surface_t* image = back_->image().image();
    cairo_surface_flush(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    const Rect r(std::max(0, area.left), std::max(0, area.top), std::min(width(), area.right),
                 std::min(height(), area.bottom));
    if (r.isEmpty()) return;
    for (int y = r.top; y < r.bottom; ++y)
        std::memcpy(&shown_[std::size_t(y) * std::size_t(width()) + std::size_t(r.left)],
                    data + std::ptrdiff_t(y) * stride + std::ptrdiff_t(r.left) * 4, std::size_t(r.width()) * 4);
}

void X11Window::pushChanges() {
    if (gone_) return;
    cairo_surface_t* image = back_->image().image();
    cairo_surface_flush(image);
    const unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    const int w = width();
    Rect changed(w, height(), 0, 0);
    for (int y = 0; y < height(); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(data + std::ptrdiff_t(y) * stride);
        const uint32_t* seen = &shown_[std::size_t(y) * std::size_t(w)];
        // The padding byte is not a colour.
        auto same = [&](int x) { return ((row[x] ^ seen[x]) & 0xffffff) == 0; };
        int left = 0;
        while (left < w && same(left)) ++left;
        if (left == w) continue;
        int right = w;
        while (same(right - 1)) --right;
        changed = Rect(std::min(changed.left, left), std::min(changed.top, y), std::max(changed.right, right),
                       y + 1);
    }
    if (changed.isEmpty()) return;
    back_->push(changed);
    remember(changed);
    XSync(display_, False);
}

bool X11Window::dispatchPendingPaint() {
    if (!pending_ || gone_) return false;
    pending_ = false;
    const Rect area = pendingArea_;
    {
        auto surface = back_->surface();
        // A paint touches only what it was asked for.
        surface->setClip(&area);
        if (client_) client_->windowPaint(*surface, area);
    }
    if (gone_) return true;
    back_->push(area);
    remember(area);
    XSync(display_, False);
    return true;
}

void X11Window::processEvents() {
    if (gone_) return;
    if (handling_) {
        takeExposures();
        return;
    }
    handling_ = true;
    // A round trip first, so a destruction the host asked for is known
    // before anything more is sent to the window.
    XSync(display_, False);
    while (!gone_ && XPending(display_)) {
        XEvent event;
        XNextEvent(display_, &event);
        handle(event);
    }
    handling_ = false;
    if (gone_) return;
    pushChanges();
    dispatchPendingPaint();
}

void X11Window::takeExposures() {
    XEvent event;
    if (XCheckTypedWindowEvent(display_, window_, DestroyNotify, &event)) {
        destroyed();
        return;
    }
    while (XCheckTypedWindowEvent(display_, window_, Expose, &event))
        addPending(Rect(event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                        event.xexpose.y + event.xexpose.height));
}

bool X11Window::alive() {
    if (gone_) return false;
    XSync(display_, False);
    XEvent event;
    if (XCheckTypedWindowEvent(display_, window_, DestroyNotify, &event)) destroyed();
    return !gone_;
}

void X11Window::destroyed() {
    if (gone_) return;
    gone_ = true;
    if (editBox_) editBox_->forgetWindow();
    if (client_) client_->windowDestroyed();
}

void X11Window::handle(XEvent& event) {
    if (drop_ && drop_->handle(event)) return;
    if (editBox_ && event.xany.window == editBox_->xid()) {
        if (editBox_->handle(event) == X11EditBox::ended) {
            // Taken out first: the client closes the box again from its
            // answer.
            std::unique_ptr<X11EditBox> box = std::move(editBox_);
            box->destroyWindow();
            box->end();
        }
        return;
    }
    if (event.xany.window != window_) return;
    switch (event.type) {
    case Expose:
        addPending(Rect(event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                        event.xexpose.y + event.xexpose.height));
        break;
    case ButtonPress: pressed(event.xbutton); break;
    case KeyPress:
    case KeyRelease:
        if (client_) client_->windowKey(keyFromEvent(event.xkey), event.type == KeyPress);
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window == window_) destroyed();
        break;
    default: break;
    }
}

void X11Window::pressed(const XButtonEvent& event) {
    if (!client_) return;
    const Point where(event.x, event.y);
    InputState state = inputFromMask(event.state);
    switch (event.button) {
    case Button1: state.left = true; break;
    case Button2: state.middle = true; break;
    case Button3: state.right = true; break;
    case Button4: client_->windowWheel(where, 1.0f, state); return;
    case Button5: client_->windowWheel(where, -1.0f, state); return;
    default: return;
    }
    client_->windowMouseDown(where, state);
}

void X11Window::setCursor(CursorShape shape) {
    cursor_ = shape;
    if (!alive()) return;
    static constexpr unsigned kShapes[] = {XC_left_ptr,        XC_watch, XC_sb_h_double_arrow, XC_sb_v_double_arrow,
                                           XC_fleur, XC_top_right_corner, XC_top_left_corner};
    const auto index = std::size_t(shape);
    if (!cursors_[index]) cursors_[index] = XCreateFontCursor(display_, kShapes[index]);
    XDefineCursor(display_, window_, cursors_[index]);
    XSync(display_, False);
}

bool X11Window::setDropActive(bool active) {
    if (!alive()) {
        drop_.reset();
        return false;
    }
    if (!active) {
        if (drop_) drop_->unmark();
        drop_.reset();
        return true;
    }
    if (!drop_) drop_ = std::make_unique<X11DropTarget>(display_, window_, client_);
    return true;
}

bool X11Window::openEditBox(const EditBoxRequest& request) {
    if (!alive()) return false;
    closeEditBox();
    editBox_ = X11EditBox::open(display_, window_, request);
    return editBox_ != nullptr;
}

void X11Window::closeEditBox() {
    if (!editBox_) return;
    std::unique_ptr<X11EditBox> box = std::move(editBox_);
    if (alive()) box->destroyWindow();
    box->end();
}

int X11Window::popupMenu(const std::vector<MenuEntry>& entries, Point where, MenuAlign align,
                         MenuPainter* painter) {
    if (entries.empty() || !alive()) return 0;
    const Point origin = screenOrigin();
    return X11PopupMenu::run(display_, where.offset(origin.h, origin.v), align, entries, painter);
}

bool X11Window::parentGeometry(Rect& out) const {
    if (!const_cast<X11Window*>(this)->alive()) return false;
    ::Window root = 0;
    int x = 0;
    int y = 0;
    unsigned w = 0;
    unsigned h = 0;
    unsigned border = 0;
    unsigned depth = 0;
    if (!XGetGeometry(display_, parent_, &root, &x, &y, &w, &h, &border, &depth)) return false;
    out = Rect(x, y, x + int(w), y + int(h));
    return true;
}

// The host's window is the one we were given: its place in its parent.
bool X11Window::hostPosition(Point& out) const {
    Rect r;
    if (!parentGeometry(r)) return false;
    out = r.topLeft();
    return true;
}

bool X11Window::hostSize(Rect& out) const { return parentGeometry(out); }

void X11Window::raiseHostWindow() {
    if (!alive()) return;
    // The host's top-level window: the ancestor that is a child of the root.
    ::Window current = parent_;
    for (int depth = 0; depth < 32; ++depth) {
        ::Window root = 0;
        ::Window parent = 0;
        ::Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display_, current, &root, &parent, &children, &count)) return;
        if (children) XFree(children);
        if (parent == root || parent == 0) break;
        current = parent;
    }
    XRaiseWindow(display_, current);
    XSync(display_, False);
}

} // namespace strellon::platform
