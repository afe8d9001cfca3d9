#pragma once
#include "platform/x11/Xlib.h"

#include <memory>
#include <vector>

#include "platform/Window.h"
#include "platform/x11/X11Pixels.h"

namespace strellon::platform {

class X11WindowSystem;
class X11EditBox;
class X11DropTarget;

// The toolkit's child window in a host's X window, on a connection of its
// own. Everything is drawn into a back buffer and pushed to the window, so
// a paint never flickers; events are read only when the frame's idle asks.
// The window is never destroyed by a request: closing the connection takes
// it away, so a host that destroyed its own window first causes no error.
// Every call that sends requests waits until the server has carried them
// out, so a host that destroys its window right after a call to us cannot
// catch one of them in flight.
class X11Window final : public Window {
public:
    // UI thread. Null when the server cannot be reached.
    static std::unique_ptr<X11Window> create(X11WindowSystem& system, ::Window parent, int width, int height,
                                             WindowClient* client);
    ~X11Window() override;

    Point screenOrigin() const override;
    int width() const override { return back_->width(); }
    int height() const override { return back_->height(); }
    void resize(int width, int height) override;
    std::unique_ptr<Surface> drawingSurface() override;
    void invalidate(const Rect* area) override;
    bool dispatchPendingPaint() override;
    void processEvents() override;
    CursorShape cursor() const override { return cursor_; }
    void setCursor(CursorShape shape) override;
    bool setDropActive(bool active) override;
    bool openEditBox(const EditBoxRequest& request) override;
    void closeEditBox() override;
    int popupMenu(const std::vector<MenuEntry>& entries, Point where, MenuAlign align,
                  MenuPainter* painter) override;
    bool hostPosition(Point& out) const override;
    bool hostSize(Rect& out) const override;
    void raiseHostWindow() override;

    Display* display() const { return display_; }
    ::Window xid() const { return window_; }
    // Pushes what was drawn into the back buffer since the last push: only
    // the rectangle that holds the changed pixels.
    void pushChanges();

private:
    X11Window(X11WindowSystem& system, Display* display, ::Window parent, ::Window window, WindowClient* client);
    void handle(XEvent& event);
    void pressed(const XButtonEvent& event);
    // Inside a press being handled: exposures and destruction only.
    void takeExposures();
    void addPending(const Rect& r);
    void destroyed();
    // False once the window is gone; before requests outside the idle it
    // asks the server, so a destruction by the host is known first.
    bool alive();
    void remember(const Rect& area);
    // The host window's rectangle in its parent.
    bool parentGeometry(Rect& out) const;

    X11WindowSystem& system_;
    Display* display_;
    ::Window parent_;
    ::Window window_;
    WindowClient* client_;
    std::unique_ptr<X11Pixels> back_;
    std::vector<uint32_t> shown_;  // what the window shows, to find changes
    bool pending_ = false;
    Rect pendingArea_;
    bool handling_ = false;
    bool gone_ = false;
    CursorShape cursor_ = CursorShape::arrow;
    Cursor cursors_[7] = {};
    std::unique_ptr<X11EditBox> editBox_;
    std::unique_ptr<X11DropTarget> drop_;
    // Handed to the surfaces this window gives out, which push on release.
    std::shared_ptr<X11Window*> self_;
};

} // namespace strellon::platform
