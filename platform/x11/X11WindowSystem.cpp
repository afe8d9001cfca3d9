#include "platform/x11/X11WindowSystem.h"

#include <X11/keysym.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "platform/x11/X11Window.h"

namespace strellon::platform {

InputState inputFromMask(unsigned mask) {
    InputState s;
    s.left = mask & Button1Mask;
    s.middle = mask & Button2Mask;
    s.right = mask & Button3Mask;
    s.shift = mask & ShiftMask;
    s.control = mask & ControlMask;
    s.alt = mask & Mod1Mask;
    return s;
}

KeyEvent keyFromEvent(XKeyEvent& event, unsigned long* symbol, char* typed) {
    char text[8] = {};
    KeySym sym = NoSymbol;
    const int length = XLookupString(&event, text, sizeof text - 1, &sym, nullptr);
    if (symbol) *symbol = sym;
    if (typed) *typed = length == 1 ? text[0] : 0;
    KeyEvent key;
    switch (sym) {
    case XK_BackSpace: key.virt = 1; break;
    case XK_Tab: key.virt = 2; break;
    case XK_Return:
    case XK_KP_Enter: key.virt = 4; break;
    case XK_Escape: key.virt = 6; break;
    case XK_space: key.virt = 7; key.character = ' '; break;
    case XK_Left: key.virt = 11; break;
    case XK_Up: key.virt = 12; break;
    case XK_Right: key.virt = 13; break;
    case XK_Down: key.virt = 14; break;
    default:
        if (length == 1) key.character = static_cast<unsigned char>(text[0]);
        break;
    }
    if (event.state & ShiftMask) key.modifier |= 1;
    if (event.state & Mod1Mask) key.modifier |= 2;
    if (event.state & ControlMask) key.modifier |= 8;
    return key;
}

Display* openDisplay() {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (Display* display = XOpenDisplay(nullptr)) return display;
        const timespec wait{0, 20000000};
        nanosleep(&wait, nullptr);
    }
    return nullptr;
}

bool X11WindowSystem::registerClass(const char*) { return true; }

void X11WindowSystem::unregisterClass(const char*) {}

std::unique_ptr<Window> X11WindowSystem::createWindow(void* parent, const char*, int width, int height,
                                                      WindowClient* client) {
    if (!parent) return nullptr;
    return X11Window::create(*this, ::Window(reinterpret_cast<uintptr_t>(parent)), width, height, client);
}

bool X11WindowSystem::queryPointer(int& rootX, int& rootY, unsigned& mask) {
    if (windows_.empty()) return false;
    Display* display = windows_.back()->display();
    ::Window root = 0;
    ::Window child = 0;
    int x = 0;
    int y = 0;
    return XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y, &mask);
}

InputState X11WindowSystem::input() {
    int x = 0;
    int y = 0;
    unsigned mask = 0;
    return queryPointer(x, y, mask) ? inputFromMask(mask) : InputState{};
}

Point X11WindowSystem::cursorScreenPosition() {
    int x = 0;
    int y = 0;
    unsigned mask = 0;
    return queryPointer(x, y, mask) ? Point(x, y) : Point();
}

uint32_t X11WindowSystem::ticks() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint32_t(uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u);
}

void X11WindowSystem::sleep(uint32_t milliseconds) {
    timespec wait{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
    while (nanosleep(&wait, &wait) == -1 && errno == EINTR) {
    }
}

X11WindowSystem& X11WindowSystem::install() {
    static X11WindowSystem instance;
    setWindowSystem(&instance);
    return instance;
}

void X11WindowSystem::add(X11Window* window) { windows_.push_back(window); }

void X11WindowSystem::remove(X11Window* window) {
    windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
}

} // namespace strellon::platform
