#include "platform/x11host/X11HostWindow.h"

#include "platform/x11/X11WindowSystem.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <cairo.h>

#include <chrono>
#include <thread>

namespace strellon::platform {

std::atomic<int> X11HostWindow::errorCount_{0};
std::atomic<int> X11HostWindow::lastRequest_{0};
std::atomic<int> X11HostWindow::lastCode_{0};

int X11HostWindow::onError(Display*, XErrorEvent* error) {
    lastRequest_ = error->request_code;
    lastCode_ = error->error_code;
    ++errorCount_;
    return 0;
}

std::string X11HostWindow::lastError() {
    return "request " + std::to_string(lastRequest_.load()) + ", error " + std::to_string(lastCode_.load());
}

void X11HostWindow::countErrors() { XSetErrorHandler(&X11HostWindow::onError); }

std::unique_ptr<X11HostWindow> X11HostWindow::open(Point at, int width, int height, std::string& error) {
    Display* display = openDisplay();
    if (!display) {
        error = "cannot open the X display";
        return nullptr;
    }
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = 0xff00ff;
    attributes.event_mask = StructureNotifyMask | ExposureMask;
    const ::Window window =
        XCreateWindow(display, RootWindow(display, screen), at.h, at.v, unsigned(width), unsigned(height), 0,
                      CopyFromParent, InputOutput, CopyFromParent, CWBackPixel | CWEventMask, &attributes);
    XStoreName(display, window, "Strellon editor host");
    XMapWindow(display, window);
    XEvent event;
    do XWindowEvent(display, window, StructureNotifyMask, &event);
    while (event.type != MapNotify);
    XSync(display, False);
    return std::unique_ptr<X11HostWindow>(new X11HostWindow(display, window, at, width, height));
}

X11HostWindow::X11HostWindow(Display* display, ::Window window, Point origin, int width, int height)
    : display_(display), window_(window), origin_(origin), width_(width), height_(height) {}

X11HostWindow::~X11HostWindow() {
    destroy();
    XCloseDisplay(display_);
}

void X11HostWindow::destroy() {
    if (!window_) return;
    XDestroyWindow(display_, window_);
    XSync(display_, False);
    window_ = 0;
}

int X11HostWindow::childCount() {
    if (!window_) return 0;
    ::Window root = 0;
    ::Window parent = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display_, window_, &root, &parent, &children, &count)) return 0;
    if (children) XFree(children);
    return int(count);
}

std::unique_ptr<CairoSurface> X11HostWindow::screenshot() {
    if (!window_) return nullptr;
    XSync(display_, False);
    XImage* image = XGetImage(display_, window_, 0, 0, unsigned(width_), unsigned(height_), AllPlanes, ZPixmap);
    if (!image) return nullptr;
    auto shot = CairoSurface::create(width_, height_);
    if (shot) {
        cairo_surface_t* s = shot->image();
        cairo_surface_flush(s);
        unsigned char* data = cairo_image_surface_get_data(s);
        const int stride = cairo_image_surface_get_stride(s);
        const Visual* v = DefaultVisual(display_, DefaultScreen(display_));
        auto channel = [](unsigned long pixel, unsigned long mask) {
            if (!mask) return 0u;
            int shift = 0;
            while (!((mask >> shift) & 1)) ++shift;
            unsigned long value = (pixel & mask) >> shift;
            unsigned long top = mask >> shift;
            return unsigned(value * 255 / top);
        };
        for (int y = 0; y < height_; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(data + std::ptrdiff_t(y) * stride);
            for (int x = 0; x < width_; ++x) {
                const unsigned long p = XGetPixel(image, x, y);
                row[x] = (channel(p, v->red_mask) << 16) | (channel(p, v->green_mask) << 8) | channel(p, v->blue_mask);
            }
        }
        cairo_surface_mark_dirty(s);
    }
    XDestroyImage(image);
    return shot;
}

std::unique_ptr<X11User> X11User::open(std::string& error) {
    Display* display = openDisplay();
    if (!display) {
        error = "cannot open the X display";
        return nullptr;
    }
    int event = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(display, &event, &errorBase, &major, &minor)) {
        XCloseDisplay(display);
        error = "the X server has no XTest extension";
        return nullptr;
    }
    return std::unique_ptr<X11User>(new X11User(display));
}

X11User::~X11User() { XCloseDisplay(display_); }

void X11User::pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

void X11User::moveTo(Point screen) {
    XTestFakeMotionEvent(display_, -1, screen.h, screen.v, CurrentTime);
    XSync(display_, False);
}

void X11User::glide(Point from, Point to, int steps, int millisecondsPerStep) {
    for (int i = 1; i <= steps; ++i) {
        moveTo(Point(from.h + (to.h - from.h) * i / steps, from.v + (to.v - from.v) * i / steps));
        pause(millisecondsPerStep);
    }
}

void X11User::press(int button) {
    XTestFakeButtonEvent(display_, unsigned(button), True, CurrentTime);
    XSync(display_, False);
}

void X11User::release(int button) {
    XTestFakeButtonEvent(display_, unsigned(button), False, CurrentTime);
    XSync(display_, False);
}

void X11User::click(Point screen, int holdMilliseconds) {
    moveTo(screen);
    press();
    pause(holdMilliseconds);
    release();
}

void X11User::wheel(Point screen, bool up) {
    moveTo(screen);
    press(up ? 4 : 5);
    release(up ? 4 : 5);
}

void X11User::key(unsigned long keysym, bool down) {
    const KeyCode code = XKeysymToKeycode(display_, KeySym(keysym));
    if (!code) return;
    XTestFakeKeyEvent(display_, code, down ? True : False, CurrentTime);
    XSync(display_, False);
}

void X11User::typeText(const std::string& text) {
    for (char c : text) {
        KeySym sym = KeySym(static_cast<unsigned char>(c));
        if (c == ' ') sym = XK_space;
        const bool upper = c >= 'A' && c <= 'Z';
        if (upper) key(XK_Shift_L, true);
        key(sym, true);
        key(sym, false);
        if (upper) key(XK_Shift_L, false);
        pause(5);
    }
}

} // namespace strellon::platform
