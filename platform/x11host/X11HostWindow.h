#pragma once
#include <atomic>
#include <memory>
#include <string>

#include "platform/Geometry.h"
#include "platform/cairo/CairoSurface.h"
#include "platform/x11/Xlib.h"

namespace strellon::platform {

// The host side of an editor on X: a top-level window, as a host makes one
// for a plug-in's editor, on the host's own connection. Its background is
// pure magenta, so a screenshot shows any pixel the editor left unpainted.
class X11HostWindow {
public:
    static constexpr Color kBackground{255, 0, 255, 0};

    // Test thread. Opens the window at a screen position and waits until it
    // is shown; null (with the reason) when no server answers.
    static std::unique_ptr<X11HostWindow> open(Point at, int width, int height, std::string& error);
    ~X11HostWindow();
    X11HostWindow(const X11HostWindow&) = delete;
    X11HostWindow& operator=(const X11HostWindow&) = delete;

    // The X window id, as effEditOpen passes it.
    void* handle() const { return reinterpret_cast<void*>(uintptr_t(window_)); }
    Point origin() const { return origin_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // Destroys the window now, as a host may before it closes the editor.
    void destroy();
    bool exists() const { return window_ != 0; }
    // What the screen shows in the window, or null.
    std::unique_ptr<CairoSurface> screenshot();
    // How many windows are children of ours (the editor's window).
    int childCount();

    // Counts the X errors of the whole process from now on, as a host's own
    // error handler would see them; the counter is process-wide.
    static void countErrors();
    static int errors() { return errorCount_.load(); }
    // The request and error codes of the last error, for a report.
    static std::string lastError();

private:
    X11HostWindow(Display* display, ::Window window, Point origin, int width, int height);
    static int onError(Display*, XErrorEvent*);

    Display* display_;
    ::Window window_;
    Point origin_;
    int width_;
    int height_;
    static std::atomic<int> errorCount_;
    static std::atomic<int> lastRequest_;
    static std::atomic<int> lastCode_;
};

// A user at the X server: moves the pointer, presses buttons and turns the
// wheel through the XTest extension, on a connection of its own, so it can
// act from another thread while the host's thread runs the editor.
class X11User {
public:
    static std::unique_ptr<X11User> open(std::string& error);
    ~X11User();

    void moveTo(Point screen);
    // Moves in steps of a few milliseconds each, as a hand does.
    void glide(Point from, Point to, int steps, int millisecondsPerStep);
    void press(int button = 1);
    void release(int button = 1);
    void click(Point screen, int holdMilliseconds = 30);
    void wheel(Point screen, bool up);
    // Holds a modifier key (by key symbol) down or lets it go.
    void key(unsigned long keysym, bool down);
    void typeText(const std::string& text);
    static void pause(int milliseconds);

private:
    explicit X11User(Display* display) : display_(display) {}
    Display* display_;
};

} // namespace strellon::platform
